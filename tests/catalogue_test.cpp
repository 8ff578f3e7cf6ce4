// Catalogue, entry points and the host services pointer.
#include "test_support.h"

namespace trel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct CatalogueRow {
    size_t index;
    u32 vendor;
    u32 product;
    u32 revision;
    const char* tables;  // B V A I T present
};

constexpr CatalogueRow kCatalogue[] = {
    {kWren, 0x1F3B, 0x5100, 0x0201, "BV"},
    {kWrenII, 0x1F3B, 0x5100, 0x0205, "BV"},
    {kHeronI, 0x1F3B, 0x5100, 0x0202, "BVAI"},
    {kHeronIIReprise, 0x1F3B, 0x5100, 0x0204, "BVAI"},
    {kEgret, 0x1F3C, 0x0A55, 0x0204, "BVAI"},
    {kHeronAscent, 0x1F3B, 0x5100, 0x0210, "BVAI"},
    {kBittern, 0x1F3B, 0x5100, 0x0200, "BVAI"},
    {kPlover, 0x1F3B, 0x5100, 0x0206, "BVA"},
    {kKestrel, 0x1F3B, 0x5100, 0x0208, "BVAIT"},
    {kSwift, 0x1F3B, 0x5100, 0x0207, "BV"},
    {kFinch, 0x1F3B, 0x5100, 0x0213, "BV"},
};

class CatalogueTest : public HostTest {};

TEST_F(CatalogueTest, ElevenDescriptorsInOrder) {
    ASSERT_EQ(host_.CatalogueCount(), 11u);
    for (const CatalogueRow& row : kCatalogue) {
        SCOPED_TRACE(BoardName(row.index));
        const BoardDescriptor& d = board(row.index);
        const std::string tables = row.tables;
        EXPECT_EQ(d.size, 0x38u);
        EXPECT_EQ(d.vendorId, row.vendor);
        EXPECT_EQ(d.productId, row.product);
        EXPECT_EQ(d.revision, row.revision);
        EXPECT_NE(d.boardOps, nullptr);
        EXPECT_NE(d.videoOps, nullptr);
        EXPECT_EQ(d.audioOps != nullptr, tables.find('A') != std::string::npos);
        EXPECT_EQ(d.inputOps != nullptr, tables.find('I') != std::string::npos);
        EXPECT_EQ(d.tunerOps != nullptr, tables.find('T') != std::string::npos);
    }
}

TEST_F(CatalogueTest, NoTwoBoardsShareIdsAndRevision) {
    for (size_t a = 0; a < 11; ++a)
        for (size_t b = a + 1; b < 11; ++b) {
            const BoardDescriptor& x = board(a);
            const BoardDescriptor& y = board(b);
            EXPECT_FALSE(x.vendorId == y.vendorId && x.productId == y.productId && x.revision == y.revision)
                << BoardName(a) << " and " << BoardName(b);
        }
}

// Boards share handler functions, never whole tables.
TEST_F(CatalogueTest, TablesAreNeverShared) {
    std::set<const void*> seen;
    for (size_t i = 0; i < 11; ++i) {
        const BoardDescriptor& d = board(i);
        for (const void* table : {static_cast<const void*>(d.boardOps), static_cast<const void*>(d.videoOps),
                                  static_cast<const void*>(d.audioOps), static_cast<const void*>(d.inputOps),
                                  static_cast<const void*>(d.tunerOps)}) {
            if (table != nullptr) {
                EXPECT_TRUE(seen.insert(table).second) << BoardName(i);
            }
        }
    }
}

TEST_F(CatalogueTest, RepeatedCallsReturnTheSameCatalogueAndAllocateNothing) {
    const BoardDescriptor* const* catalogue = nullptr;
    u32 count = 0;
    const size_t allocations = Kernel::Get().AllocationCount();
    host::Module::Get().GetBoardModuleCaps(nullptr, host_.Services(), &catalogue, &count);
    EXPECT_EQ(catalogue, host_.Catalogue());
    EXPECT_EQ(count, 11u);
    EXPECT_EQ(Kernel::Get().AllocationCount(), allocations);
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_THAT(Traces(), IsEmpty());
}

TEST_F(CatalogueTest, NullOutputPointersAreIgnored) {
    host::Module::Get().GetBoardModuleCaps(nullptr, host_.Services(), nullptr, nullptr);
    EXPECT_EQ(board(kHeronI).revision, 0x0202u);
}

// A hand-made services table: the module must call whichever table was
// registered last.
u32 g_secondTableWrites = 0;
u32 CountingI2cWrite(void*, u8, u32, u16, u8, u32) {
    ++g_secondTableWrites;
    return 0;
}

TEST_F(CatalogueTest, SecondRegistrationRedirectsEveryLaterCall) {
    HostServices second{};
    second.I2cWrite = CountingI2cWrite;
    g_secondTableWrites = 0;
    void* context = Open(kHeronI);
    Mark();
    host_.RegisterTable(&second);
    AudioConfig audio{1, 48000, 0, 0};
    EXPECT_EQ(board(kHeronI).audioOps->InitAudio(context, device(), &audio), 0u);
    host_.Register();
    EXPECT_EQ(g_secondTableWrites, 6u);
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_EQ(board(kHeronI).audioOps->InitAudio(context, device(), &audio), 0u);
    EXPECT_EQ(host_.Log().size(), 6u);
}

// Without a registered table the module makes no call: a board that needs the
// bus gets nothing through, and nothing crashes.
TEST_F(CatalogueTest, NullServicesTableIsStoredAndNeverCalled) {
    void* context = Open(kHeronI);
    host_.RegisterTable(nullptr);
    AudioConfig audio{1, 48000, 0, 0};
    EXPECT_EQ(board(kHeronI).audioOps->InitAudio(context, device(), &audio), 0u);
    BoardInfo info{};
    EXPECT_EQ(board(kWren).boardOps->OpenBoard(nullptr, nullptr, &info), 0u);
    host_.Register();
    EXPECT_THAT(host_.Log(), IsEmpty());
}

TEST_F(CatalogueTest, LoadAndUnloadPrintTheirBanners) {
    EXPECT_EQ(host::Module::Get().DllInitialize(nullptr), 0);
    EXPECT_EQ(host::Module::Get().DllUnload(), 0);
    EXPECT_THAT(Traces(), ElementsAre("************ Load Board Module *************",
                                      "*********** Unload Board Module ************"));
    EXPECT_EQ(Kernel::Get().LiveAllocations().size(), liveAtStart_);
}

}  // namespace
}  // namespace trel::test
