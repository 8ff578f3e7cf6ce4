// Opening and closing boards, BoardInfo, contexts and the common handlers.
#include "test_support.h"

namespace trel::test {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

struct InfoRow {
    size_t index;
    const char* name;
    u32 revision;
    u32 valueA;
    u32 flagsB;
    size_t contextBytes;  // 0: no context
};

constexpr InfoRow kInfoRows[] = {
    {kWren, "Wren", 0x0201, 1, 0x00000001, 0},
    {kWrenII, "Wren II", 0x0205, 1, 0x00010001, 0},
    {kHeronI, "Heron I", 0x0202, 0, 0x0000003B, 8},
    {kHeronIIReprise, "Heron II Reprise", 0x0204, 0, 0x0000004B, 8},
    {kEgret, "Egret", 0x0204, 0, 0x0000004B, 8},
    {kHeronAscent, "Heron Ascent", 0x0210, 0, 0x0000000B, 8},
    {kBittern, "Bittern", 0x0200, 1, 0x00000039, 8},
    {kPlover, "Plover", 0x0206, 0, 0x00000003, 0},
    {kKestrel, "Kestrel", 0x0208, 0, 0x0000003F, 52},
    {kSwift, "Swift", 0x0207, 1, 0x00010001, 0},
    {kFinch, "Finch", 0x0213, 1, 0x00000001, 0},
};

void PrintTo(const InfoRow& row, std::ostream* os) { *os << row.name; }

class OpenBoardTest : public HostTest, public ::testing::WithParamInterface<InfoRow> {};

// The board writes the name with its NUL, revision, A and B, and nothing else
// of the (here 0xCC-filled) record.
TEST_P(OpenBoardTest, FillsBoardInfoAndNothingElse) {
    const InfoRow& row = GetParam();
    Guarded<BoardInfo> info(0xCC);
    void* context = Open(row.index, info.get());
    const size_t length = std::strlen(row.name);
    EXPECT_EQ(std::string(info->name), row.name);
    for (size_t i = length + 1; i < sizeof(info->name); ++i) ASSERT_EQ(static_cast<u8>(info->name[i]), 0xCC) << i;
    EXPECT_EQ(info->revision, row.revision);
    EXPECT_EQ(info->revision, board(row.index).revision);
    EXPECT_EQ(info->valueA, row.valueA);
    EXPECT_EQ(info->flagsB, row.flagsB);
    EXPECT_TRUE(info.GuardIntact());
    EXPECT_EQ(context != nullptr, row.contextBytes != 0);
}

TEST_P(OpenBoardTest, AllocatesExactlyTheContextFromNonPagedPoolWithTheModuleTag) {
    const InfoRow& row = GetParam();
    const size_t before = Kernel::Get().AllocationCount();
    void* context = reinterpret_cast<void*>(0x1234);  // left alone by boards without a context
    BoardInfo info{};
    ASSERT_EQ(board(row.index).boardOps->OpenBoard(nullptr, &context, &info), 0u);
    if (row.contextBytes == 0) {
        EXPECT_EQ(context, reinterpret_cast<void*>(0x1234));
        EXPECT_EQ(Kernel::Get().AllocationCount(), before);
        EXPECT_EQ(board(row.index).boardOps->CloseBoard(nullptr), 0u);
        return;
    }
    ASSERT_EQ(Kernel::Get().AllocationCount(), before + 1);
    const Kernel::Allocation& a = Kernel::Get().LiveAllocations().back();
    EXPECT_EQ(a.pointer, context);
    EXPECT_EQ(a.bytes, row.contextBytes);
    EXPECT_EQ(a.tag, 0x31306354u);  // "Tc01"
    EXPECT_EQ(a.poolType, 0);
    const size_t frees = Kernel::Get().FreeCount();
    EXPECT_EQ(board(row.index).boardOps->CloseBoard(context), 0u);
    EXPECT_EQ(Kernel::Get().FreeCount(), frees + 1);
}

class ContextBoardTest : public OpenBoardTest {};

TEST_P(ContextBoardTest, AllocationFailureLeavesContextAndInfoUntouched) {
    const InfoRow& row = GetParam();
    Kernel::Get().FailAllocation(1);
    void* context = reinterpret_cast<void*>(0x1234);
    Guarded<BoardInfo> info(0xCC);
    EXPECT_EQ(board(row.index).boardOps->OpenBoard(nullptr, &context, info.get()), 0xFFFFFFFEu);
    EXPECT_EQ(context, reinterpret_cast<void*>(0x1234));
    for (size_t i = 0; i < sizeof(BoardInfo); ++i) ASSERT_EQ(info.bytes[i], 0xCC) << i;
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_THAT(Traces(), IsEmpty());
}

TEST_P(OpenBoardTest, NullInfoIsRefusedWithoutAllocatingOrCallingTheHost) {
    const InfoRow& row = GetParam();
    const size_t before = Kernel::Get().AllocationCount();
    void* context = nullptr;
    EXPECT_EQ(board(row.index).boardOps->OpenBoard(nullptr, &context, nullptr), 0xFFFFFFFFu);
    EXPECT_EQ(context, nullptr);
    EXPECT_EQ(Kernel::Get().AllocationCount(), before);
    EXPECT_THAT(host_.Log(), IsEmpty());
}

TEST_P(OpenBoardTest, NullContextOutIsRefusedOnlyWhereAContextIsMade) {
    const InfoRow& row = GetParam();
    BoardInfo info{};
    const u32 status = board(row.index).boardOps->OpenBoard(nullptr, nullptr, &info);
    EXPECT_EQ(status, row.contextBytes != 0 ? 0xFFFFFFFFu : 0u);
    EXPECT_EQ(Kernel::Get().LiveAllocations().size(), liveAtStart_);
}

std::string InfoRowName(const ::testing::TestParamInfo<InfoRow>& info) {
    return BoardParamName({info.param.index, info.index});
}

INSTANTIATE_TEST_SUITE_P(AllBoards, OpenBoardTest, ::testing::ValuesIn(kInfoRows), InfoRowName);
INSTANTIATE_TEST_SUITE_P(BoardsWithContext, ContextBoardTest,
                         ::testing::Values(kInfoRows[kHeronI], kInfoRows[kHeronIIReprise], kInfoRows[kEgret],
                                           kInfoRows[kHeronAscent], kInfoRows[kBittern], kInfoRows[kKestrel]),
                         InfoRowName);

class CommonHandlersTest : public HostTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(CommonHandlersTest, ReservedVideoSlotsAndAudioSlotThreeReturnZero) {
    const BoardDescriptor& d = board(GetParam());
    EXPECT_EQ(d.videoOps->Reserved5(), 0u);
    EXPECT_EQ(d.videoOps->Reserved7(), 0u);
    if (d.audioOps != nullptr) {
        EXPECT_EQ(d.audioOps->Reserved3(), 0u);
    }
    EXPECT_THAT(host_.Log(), IsEmpty());
}

TEST_P(CommonHandlersTest, VideoSourceCaps) {
    const size_t index = GetParam();
    u32 expected = 0x155;
    if (index == kWren || index == kWrenII || index == kSwift || index == kFinch) expected = 0x144;
    if (index == kEgret || index == kHeronAscent) expected = 0x555;
    if (index == kPlover) expected = 0;
    EXPECT_EQ(board(index).videoOps->GetVideoSourceCaps(), expected);
}


TEST_P(CommonHandlersTest, DefaultPropertiesFillExactlySeventeenValues) {
    const size_t index = GetParam();
    void* context = Open(index);
    Mark();
    Guarded<VideoPropertySet> properties(0xCC);
    board(index).videoOps->GetDefaultVideoProperties(context, device(), properties.get());
    EXPECT_TRUE(properties.GuardIntact());
    std::vector<u32> expected = {50, 0, 50, 0, 0, 0, 50, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0};
    switch (index) {
        case kWren:
        case kWrenII: expected = {38, 0, 50, 0, 0, 0, 64, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0}; break;
        case kSwift: expected = {75, 0, 50, 0, 12, 0, 51, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0}; break;
        case kFinch: expected = {44, 0, 50, 0, 0, 0, 28, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0}; break;
        case kHeronAscent: expected = {50, 0, 37, 0, 0, 0, 41, 0, 14, 0, 50, 0, 50, 0, 50, 0, 0}; break;
        case kEgret: expected = {50, 0, 37, 0, 0, 0, 41, 0, 8, 0, 50, 0, 50, 0, 50, 0, 0}; break;
        default: break;
    }
    EXPECT_THAT(std::vector<u32>(properties->value, properties->value + 17), ElementsAreArray(expected));
    EXPECT_THAT(host_.Log(), IsEmpty());
    board(index).videoOps->GetDefaultVideoProperties(context, device(), nullptr);  // nothing to write to
}

INSTANTIATE_TEST_SUITE_P(AllBoards, CommonHandlersTest, ::testing::Range<size_t>(0, 11), BoardParamName);

class DecoderInputsTest : public HostTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(DecoderInputsTest, OneVideoInputAudioInputTwoAndInputOneSelectedAfterOpen) {
    const BoardDescriptor& d = board(GetParam());
    void* context = Open(GetParam());
    EXPECT_EQ(d.inputOps->GetVideoInputs(), 1u);
    EXPECT_EQ(d.inputOps->GetAudioInputType(context), 2u);
    EXPECT_EQ(d.inputOps->GetVideoInputType(context), 1u);  // source 0 is input 1
    EXPECT_EQ(d.inputOps->GetVideoInputType(nullptr), 0xFFFFFFFFu);
    EXPECT_EQ(d.inputOps->Set_Current_Audio_InputID(context, device(), 3), 0u);
    EXPECT_THAT(host_.Log(), IsEmpty());
}

TEST_P(DecoderInputsTest, NoStreamFormatTable) {
    EXPECT_EQ(board(GetParam()).videoOps->GetStreamFormatTable(), nullptr);
    EXPECT_EQ(board(kKestrel).videoOps->GetStreamFormatTable(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(DecoderBoards, DecoderInputsTest,
                         ::testing::Values(kHeronI, kHeronIIReprise, kEgret, kHeronAscent, kBittern), BoardParamName);

TEST_F(HostTest, CommonCloseBoardAcceptsNullAndFreesNothing) {
    const size_t frees = Kernel::Get().FreeCount();
    for (size_t index : {kHeronI, kKestrel, kEgret}) EXPECT_EQ(board(index).boardOps->CloseBoard(nullptr), 0u);
    EXPECT_EQ(Kernel::Get().FreeCount(), frees);
}

TEST_F(HostTest, KestrelAnnouncesItsOpen) {
    Mark();
    Open(kKestrel);
    EXPECT_THAT(Traces(), ElementsAre("!!!!!!!!!!!!!!!!!!!!INIT BOARD!!!!!!!!!!!!!!!!!"));
    EXPECT_THAT(host_.Log(), IsEmpty());
}

TEST_F(HostTest, BoardsWithContextsKeepSeparateContexts) {
    void* a = Open(kHeronI);
    void* b = Open(kHeronI);
    EXPECT_NE(a, b);
    EXPECT_EQ(Kernel::Get().LiveAllocations().size(), liveAtStart_ + 2);
}

}  // namespace
}  // namespace trel::test
