// The host's board table: a board the module serves and the table lacks stops
// the host with its ids.
#include "board_table.h"
#include "test_support.h"

namespace trel::test {
namespace {

TEST(BoardTableDeathTest, BoardWithoutEntryStopsNamingItsIds) {
    BoardDescriptor unknown{};
    unknown.vendorId = 0x1F3B;
    unknown.productId = 0x5100;
    unknown.revision = 0x02FF;
    EXPECT_EXIT(host::BoardEntryOf(unknown), ::testing::ExitedWithCode(host::kExitNoBoardEntry),
                "^no host-side entry for the board with vendor id 0x1F3B, product id 0x5100, revision 0x02FF "
                "\\(add it to src/host/board_table.cpp\\)\n$");
}

}  // namespace
}  // namespace trel::test
