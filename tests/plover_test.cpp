// Plover, the data-pump board: nothing to program, every request answered
// without a host call.
#include "test_support.h"

namespace trel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class PloverTest : public HostTest {
protected:
    const VideoOps& video() { return *board(kPlover).videoOps; }
};

TEST_F(PloverTest, GetVideoPropertyAnswersTheStatusQueriesAndLeavesOtherValues) {
    struct Row {
        u32 index;
        u32 before;
        u32 after;
    };
    for (const Row& row : {Row{0x1000, 77, 0}, Row{0x1001, 77, 1}, Row{2, 77, 77}, Row{0x1002, 5, 5},
                           Row{0xFFFFFFFF, 9, 9}}) {
        Mark();
        u32 value = row.before;
        EXPECT_EQ(video().GetVideoProperty(nullptr, device(), row.index, &value), 0u);
        EXPECT_EQ(value, row.after);
        EXPECT_THAT(Traces(), ElementsAre("GetVideoProperty " + std::to_string(static_cast<int>(row.index)),
                                          "GetVideoProperty return " + std::to_string(static_cast<int>(row.after))));
    }
    EXPECT_THAT(host_.Log(), IsEmpty());
}

TEST_F(PloverTest, GetVideoPropertyWithoutAValueIsRefusedSilently) {
    Mark();
    EXPECT_EQ(video().GetVideoProperty(nullptr, device(), 0x1000, nullptr), 0xFFFFFFFFu);
    EXPECT_THAT(Traces(), IsEmpty());
}

TEST_F(PloverTest, SetVideoPropertyOnlyTraces) {
    Mark();
    EXPECT_EQ(video().SetVideoProperty(nullptr, device(), 1, 60, 0), 0u);
    EXPECT_EQ(video().SetVideoProperty(nullptr, device(), 0x1002, 0xFFFFFFFF, 3), 0u);
    EXPECT_EQ(video().SetVideoProperty(nullptr, device(), 5, static_cast<u32>(-50), 0), 0u);
    EXPECT_THAT(Traces(), ElementsAre("SetVideoProperty 1 60", "SetVideoProperty 4098 -1", "SetVideoProperty 5 -50"));
    EXPECT_THAT(host_.Log(), IsEmpty());
}

TEST_F(PloverTest, NothingToSetUpOrCapture) {
    Mark();
    Guarded<CaptureConfig> config(0xCC);
    VideoPropertySet properties{};
    EXPECT_EQ(video().InitVideoSource(nullptr, device(), 1, 0, &properties), 0u);
    EXPECT_EQ(video().OnStartCapture(nullptr, device(), config.get()), 0u);
    EXPECT_EQ(video().OnStartCapture(nullptr, device(), nullptr), 0u);
    for (size_t i = 0; i < sizeof(CaptureConfig); ++i) ASSERT_EQ(config.bytes[i], 0xCC);
    EXPECT_EQ(video().GetStreamFormatTable(), nullptr);
    EXPECT_EQ(video().GetVideoSourceCaps(), 0u);
    EXPECT_EQ(board(kPlover).boardOps->CloseBoard(nullptr), 0u);
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_THAT(Traces(), IsEmpty());
}

TEST_F(PloverTest, OpenNeedsNoHostAndCanBeRepeated) {
    Mark();
    for (int i = 0; i < 3; ++i) Open(kPlover);
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_EQ(Kernel::Get().LiveAllocations().size(), liveAtStart_);
}

}  // namespace
}  // namespace trel::test
