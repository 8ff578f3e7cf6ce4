// The catalogue and what every board answers without its chips: descriptors,
// opening and closing with BoardInfo and the context, capabilities, default
// properties, video format records and the camera boards' stream format
// tables, byte for byte at the host's offsets.
#include <tuple>

#include "test_support.h"

namespace trel::test {
namespace {

struct BoardRow {
    size_t index;
    const char* name;
    u32 vendor, product, revision;
    const char* tables;  // B V A I T present
    u32 valueA, flagsB;
    size_t contextBytes;  // 0: no context
    u32 videoCaps, audioCaps;
    u32 defaults[5];  // brightness, contrast, hue, saturation, sharpness
};

const BoardRow kBoards[] = {
    {kWren, "Wren", 0x1F3B, 0x5100, 0x0201, "BV", 1, 0x00000001, 0, 0x144, 0, {38, 50, 0, 64, 50}},
    {kWrenII, "Wren II", 0x1F3B, 0x5100, 0x0205, "BV", 1, 0x00010001, 0, 0x144, 0, {38, 50, 0, 64, 50}},
    {kHeronI, "Heron I", 0x1F3B, 0x5100, 0x0202, "BVAI", 0, 0x0000003B, 8, 0x155, 0x176007, {50, 50, 0, 50, 50}},
    {kHeronIIReprise, "Heron II Reprise", 0x1F3B, 0x5100, 0x0204, "BVAI", 0, 0x0000004B, 8, 0x155, 0x17E047, {50, 50, 0, 50, 50}},
    {kEgret, "Egret", 0x1F3C, 0x0A55, 0x0204, "BVAI", 0, 0x0000004B, 8, 0x555, 0x17E047, {50, 37, 0, 41, 8}},
    {kHeronAscent, "Heron Ascent", 0x1F3B, 0x5100, 0x0210, "BVAI", 0, 0x0000000B, 8, 0x555, 0x176001, {50, 37, 0, 41, 14}},
    {kBittern, "Bittern", 0x1F3B, 0x5100, 0x0200, "BVAI", 1, 0x00000039, 8, 0x155, 0x176001, {50, 50, 0, 50, 50}},
    {kPlover, "Plover", 0x1F3B, 0x5100, 0x0206, "BVA", 0, 0x00000003, 0, 0, 0x176041, {50, 50, 0, 50, 50}},
    {kKestrel, "Kestrel", 0x1F3B, 0x5100, 0x0208, "BVAIT", 0, 0x0000003F, 52, 0x155, 0x174007, {50, 50, 0, 50, 50}},
    {kSwift, "Swift", 0x1F3B, 0x5100, 0x0207, "BV", 1, 0x00010001, 0, 0x144, 0, {75, 50, 12, 51, 50}},
    {kFinch, "Finch", 0x1F3B, 0x5100, 0x0213, "BV", 1, 0x00000001, 0, 0x144, 0, {44, 50, 0, 28, 50}},
};

class BoardsTest : public HostTest, public ::testing::WithParamInterface<BoardRow> {};

std::string RowName(const ::testing::TestParamInfo<BoardRow>& info) { return NameBoard(info.param.index); }

TEST_P(BoardsTest, DescriptorCapabilitiesAndDefaults) {
    const BoardRow& r = GetParam();
    const BoardDescriptor& d = board(r.index);
    const std::string tables = r.tables;
    EXPECT_EQ(d.size, 0x38u);
    EXPECT_EQ(d.vendorId, r.vendor);
    EXPECT_EQ(d.productId, r.product);
    EXPECT_EQ(d.revision, r.revision);
    EXPECT_TRUE(d.boardOps != nullptr && d.videoOps != nullptr);
    EXPECT_EQ(d.audioOps != nullptr, tables.find('A') != std::string::npos);
    EXPECT_EQ(d.inputOps != nullptr, tables.find('I') != std::string::npos);
    EXPECT_EQ(d.tunerOps != nullptr, tables.find('T') != std::string::npos);
    EXPECT_EQ(d.videoOps->GetVideoSourceCaps(), r.videoCaps);
    EXPECT_EQ(d.videoOps->Reserved5(), 0u);
    EXPECT_EQ(d.videoOps->Reserved7(), 0u);
    if (d.audioOps != nullptr) {
        EXPECT_EQ(d.audioOps->GetAudioSourceCaps(), r.audioCaps);
        EXPECT_EQ(d.audioOps->Reserved3(), 0u);
    }
    void* context = Open(r.index);
    Mark();
    Guarded<VideoPropertySet> properties(0xCC);
    d.videoOps->GetDefaultVideoProperties(context, device(), properties.get());
    EXPECT_TRUE(properties.GuardIntact());
    const u32* v = r.defaults;
    EXPECT_THAT(properties->value, ElementsAreArray<u32>({v[0], 0, v[1], 0, v[2], 0, v[3], 0, v[4], 0, 50, 0, 50, 0, 50, 0, 0}));
    // The one-input decoders: input 1 (source 0) and audio input 2 after open, audio input 3 accepted.
    if (tables == "BVAI") {
        EXPECT_EQ(d.inputOps->GetVideoInputs(), 1u);
        EXPECT_EQ(d.inputOps->GetAudioInputType(context), 2u);
        EXPECT_EQ(d.inputOps->GetVideoInputType(context), 1u);
        EXPECT_EQ(d.inputOps->Set_Current_Audio_InputID(context, device(), 3), 0u);
    }
    if (r.contextBytes != 0) {
        EXPECT_EQ(d.videoOps->GetStreamFormatTable(), nullptr);
    }
    EXPECT_THAT(host_.Log(), IsEmpty());
}

// The board writes the name with its NUL, revision, A and B, and nothing else
// of the (0xCC-filled) record; a context is exactly the board's size, from
// non-paged pool with the module's tag, freed by CloseBoard; boards without a
// context leave the pointer alone.
TEST_P(BoardsTest, OpenFillsBoardInfoAndAllocatesTheContext) {
    const BoardRow& r = GetParam();
    const size_t before = Kernel::Get().AllocationCount();
    Guarded<BoardInfo> info(0xCC);
    void* context = reinterpret_cast<void*>(0x1234);
    ASSERT_EQ(board(r.index).boardOps->OpenBoard(nullptr, &context, info.get()), 0u);
    EXPECT_EQ(std::string(info->name), r.name);
    for (size_t i = std::strlen(r.name) + 1; i < sizeof(info->name); ++i) ASSERT_EQ(static_cast<u8>(info->name[i]), 0xCC) << i;
    EXPECT_EQ(info->revision, r.revision);
    EXPECT_EQ(info->valueA, r.valueA);
    EXPECT_EQ(info->flagsB, r.flagsB);
    EXPECT_TRUE(info.GuardIntact());
    if (r.videoCaps == 0x144) {  // the cameras ask the host for "50Hz" (default 0), once
        ASSERT_EQ(host_.Log().size(), 1u);
        EXPECT_EQ(host_.Log()[0].name, "50Hz");
        EXPECT_EQ(host_.Log()[0].constants, std::vector<u32>{0});
    }
    if (r.contextBytes == 0) {
        EXPECT_EQ(context, reinterpret_cast<void*>(0x1234));
        EXPECT_EQ(Kernel::Get().AllocationCount(), before);
        return;
    }
    ASSERT_EQ(Kernel::Get().AllocationCount(), before + 1);
    const Kernel::Allocation& a = Kernel::Get().LiveAllocations().back();
    EXPECT_EQ(a.pointer, context);
    EXPECT_EQ(a.bytes, r.contextBytes);
    EXPECT_EQ(a.tag, 0x31306354u);  // "Tc01"
    EXPECT_EQ(a.poolType, 0);
    const size_t frees = Kernel::Get().FreeCount();
    EXPECT_EQ(board(r.index).boardOps->CloseBoard(context), 0u);
    EXPECT_EQ(Kernel::Get().FreeCount(), frees + 1);
}

INSTANTIATE_TEST_SUITE_P(AllBoards, BoardsTest, ::testing::ValuesIn(kBoards), RowName);

// ---------------------------------------------------------------------------
// The catalogue.
TEST_F(HostTest, CatalogueHasElevenBoardsWithDistinctIdsAndTables) {
    ASSERT_EQ(host_.CatalogueCount(), 11u);
    std::set<const void*> tables;
    std::set<std::tuple<u32, u32, u32>> ids;
    for (size_t i = 0; i < 11; ++i) {
        const BoardDescriptor& d = board(i);
        EXPECT_TRUE(ids.insert({d.vendorId, d.productId, d.revision}).second) << BoardName(i);
        for (const void* table : {static_cast<const void*>(d.boardOps), static_cast<const void*>(d.videoOps),
                                  static_cast<const void*>(d.audioOps), static_cast<const void*>(d.inputOps),
                                  static_cast<const void*>(d.tunerOps)}) {
            if (table != nullptr) {  // functions shared, never tables
                EXPECT_TRUE(tables.insert(table).second) << BoardName(i);
            }
        }
    }
}

TEST_F(HostTest, RepeatedCatalogueCallsAllocateNothingAndNullOutputsAreIgnored) {
    const BoardDescriptor* const* catalogue = nullptr;
    u32 count = 0;
    const size_t allocations = Kernel::Get().AllocationCount();
    host::Module::Get().GetBoardModuleCaps(nullptr, host_.Services(), &catalogue, &count);
    EXPECT_EQ(catalogue, host_.Catalogue());
    EXPECT_EQ(count, 11u);
    host::Module::Get().GetBoardModuleCaps(nullptr, host_.Services(), nullptr, nullptr);
    EXPECT_EQ(Kernel::Get().AllocationCount(), allocations);
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_THAT(Traces(), IsEmpty());
}

// A hand-made services table: the module calls whichever table was registered
// last; with none registered it makes no call and nothing crashes.
u32 g_secondTableWrites = 0;
u32 CountingI2cWrite(void*, u8, u32, u16, u8, u32) {
    ++g_secondTableWrites;
    return 0;
}

TEST_F(HostTest, TheLastRegisteredServicesTableIsCalled) {
    HostServices second{};
    second.I2cWrite = CountingI2cWrite;
    g_secondTableWrites = 0;
    void* context = Open(kHeronI);
    Mark();
    AudioConfig audio{1, 48000, 0, 0};
    host_.RegisterTable(&second);
    EXPECT_EQ(board(kHeronI).audioOps->InitAudio(context, device(), &audio), 0u);
    host_.RegisterTable(nullptr);
    EXPECT_EQ(board(kHeronI).audioOps->InitAudio(context, device(), &audio), 0u);
    BoardInfo info{};
    EXPECT_EQ(board(kWren).boardOps->OpenBoard(nullptr, nullptr, &info), 0u);
    host_.Register();
    EXPECT_EQ(g_secondTableWrites, 6u);
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_EQ(board(kHeronI).audioOps->InitAudio(context, device(), &audio), 0u);
    EXPECT_EQ(host_.Log().size(), 6u);
}

TEST_F(HostTest, LoadUnloadAndKestrelOpenTraceTheirBanners) {
    EXPECT_EQ(host::Module::Get().DllInitialize(nullptr), 0);
    EXPECT_EQ(host::Module::Get().DllUnload(), 0);
    Open(kKestrel);
    EXPECT_THAT(Traces(), ElementsAre("************ Load Board Module *************",
                                      "*********** Unload Board Module ************",
                                      "!!!!!!!!!!!!!!!!!!!!INIT BOARD!!!!!!!!!!!!!!!!!"));
    EXPECT_THAT(host_.Log(), IsEmpty());
}

// Plover has nothing to program: set-up and capture start succeed without a
// host call or a change to the record, opening needs no host and no context.
TEST_F(HostTest, PloverNeedsNothing) {
    const VideoOps& video = *board(kPlover).videoOps;
    for (int i = 0; i < 3; ++i) Open(kPlover);
    Guarded<CaptureConfig> config(0xCC);
    const Guarded<CaptureConfig> before = config;
    VideoPropertySet properties{};
    EXPECT_EQ(video.InitVideoSource(nullptr, device(), 1, 0, &properties), 0u);
    EXPECT_EQ(video.OnStartCapture(nullptr, device(), config.get()), 0u);
    EXPECT_EQ(video.OnStartCapture(nullptr, device(), nullptr), 0u);
    ExpectSameBytes(config, before);
    AudioConfig audio{1, 48000, 0, 0};
    EXPECT_EQ(board(kPlover).audioOps->InitAudio(nullptr, device(), &audio), 0u);
    EXPECT_EQ(video.GetStreamFormatTable(), nullptr);
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_THAT(Traces(), IsEmpty());
    EXPECT_EQ(Kernel::Get().LiveAllocations().size(), liveAtStart_);
}

// ---------------------------------------------------------------------------
// Video format records: every board's records byte for byte (camera boards:
// the 25 fps record whenever the host's "50Hz" is non-zero), nothing written
// past the records handed out.
struct FormatRow {
    std::string formatName, sourceName;
    u32 standardMask, frameRate, width, height;
    std::vector<std::pair<size_t, u8>> flags;  // record offset, value
};

std::vector<FormatRow> Formats(size_t index, u32 flag) {
    const auto decoder = [](const std::string& chip, bool secam, bool flag347) {
        std::vector<std::pair<size_t, u8>> flags = {{344, 1}, {346, 1}};
        if (flag347) flags.push_back({347, 1});
        std::vector<FormatRow> rows = {{chip + " NTSC | PAL60", chip, 0xA07, 30000, 720, 480, flags},
                                       {chip + " PAL", chip, 0x5F0, 25025, 720, 576, flags}};
        if (secam) rows.push_back({chip + " SECAM", chip + " SECAM", 0xFF000, 25025, 720, 576, flags});
        return rows;
    };
    const u32 rate = flag != 0 ? 25025 : 30030;
    const std::string board = BoardName(index);
    const auto is = [&](std::initializer_list<const char*> names) {
        return std::find(names.begin(), names.end(), board) != names.end();
    };
    if (is({"Wren", "Wren II"})) return {{"Omnivision 7640", "Omnivision 7640", 0, rate, 640, 480, {{350, 1}}}};
    if (is({"Heron I", "Bittern", "Kestrel"})) return decoder("SAA7115", true, true);
    if (is({"Heron II Reprise"})) return decoder("SAA7113", true, false);
    if (is({"Egret"})) return decoder("TW9906", true, true);
    if (is({"Heron Ascent"})) return decoder("TW9903/5", false, false);
    if (is({"Plover"})) return {{"Data Pump", "Data Pump", 0xA07, 30000, 720, 480, {}}};
    if (is({"Swift"})) return {{"Sharp LZ24BP CCD", "Sharp LZ24BP CCD", 0, rate, 640, 480, {{344, 2}, {352, 1}}}};
    if (is({"Finch"})) return {{"Omnivision 6650", "Omnivision 6650", 0, rate, 352, 288, {{350, 1}}}};
    ADD_FAILURE() << "no expected formats for " << board;
    return {};
}

class FormatsTest : public HostTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(FormatsTest, RecordsByteForByte) {
    const size_t index = GetParam();
    for (u32 flag : {0u, 1u, 2u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(flag);
        host_.SetParameter("50Hz", flag);
        void* context = Open(index);
        Guarded<VideoFormat[3]> records(0xCC);
        u32 count = 0xDEAD;
        EXPECT_EQ(board(index).videoOps->GetVideoFormats(context, device(), &count, *records.get()), 0u);
        const std::vector<FormatRow> rows = Formats(index, flag);
        ASSERT_EQ(count, rows.size());
        for (size_t i = 0; i < 3; ++i) {
            VideoFormat want;
            std::memset(&want, 0xCC, sizeof want);
            if (i < rows.size()) {
                const FormatRow& row = rows[i];
                std::memset(&want, 0, sizeof want);
                std::strcpy(want.formatName, row.formatName.c_str());
                std::strcpy(want.sourceName, row.sourceName.c_str());
                want.recordSize = 360;
                want.standardMask = row.standardMask;
                want.frameRate = row.frameRate;
                want.width = row.width;
                want.height = row.height;
                for (auto [offset, value] : row.flags) reinterpret_cast<u8*>(&want)[offset] = value;
            }
            EXPECT_EQ(std::memcmp(&(*records.get())[i], &want, sizeof want), 0) << "record " << i;
        }
        EXPECT_TRUE(records.GuardIntact());
    }
}

INSTANTIATE_TEST_SUITE_P(AllBoards, FormatsTest, ::testing::Range<size_t>(0, 11), BoardParamName);

// ---------------------------------------------------------------------------
// The camera boards' stream format tables, rebuilt on every call (a host
// scribbling on one gets it back intact).
constexpr size_t kTableBytes = 43952;

struct SizeEntry {
    const char* name;
    u32 width, height, upper, lower;
};
struct RateEntry {
    const char* name;
    u32 rate, half;
};
const std::vector<SizeEntry> kVga = {{"VGA", 640, 480, 15000000, 300000}, {"QVGA", 320, 240, 4000000, 20000}};
const std::vector<SizeEntry> kCif = {{"CIF", 352, 288, 4000000, 20000}, {"QCIF", 176, 144, 1000000, 20000}};
const std::vector<RateEntry> k30 = {{"30 fps", 30030, 0}, {"15 fps", 15015, 1}};
const std::vector<RateEntry> k25 = {{"25 fps", 25025, 0}, {"12.5 fps", 12512, 1}};
const std::vector<RateEntry> kBoth = {k25[0], k25[1], k30[0], k30[1]};

// The table as the host expects it, written field by field at raw offsets.
std::vector<u8> ExpectedTable(const std::vector<SizeEntry>& sizes, const std::vector<RateEntry>& rates) {
    std::vector<u8> t(kTableBytes, 0);
    auto u32At = [&](size_t at, u32 v) { for (size_t i = 0; i < 4; ++i) t.at(at + i) = static_cast<u8>(v >> (8 * i)); };
    auto nameAt = [&](size_t at, const char* s) {
        std::memcpy(&t.at(at), s, std::strlen(s));       // name
        std::memcpy(&t.at(at + 64), s, std::strlen(s));  // description
    };
    u32At(0x4040, static_cast<u32>(sizes.size()));
    for (size_t i = 0; i < sizes.size(); ++i) {
        const size_t at = 0x4044 + 368 * i;
        nameAt(at, sizes[i].name);
        for (auto [offset, value] : {std::pair<size_t, u32>{320, 0x0E03}, {324, 368}, {332, sizes[i].width},
                                     {336, sizes[i].height}, {340, 0x101}, {356, sizes[i].upper}, {360, sizes[i].lower}})
            u32At(at + offset, value);
    }
    u32At(0x6B64, static_cast<u32>(rates.size()));
    for (size_t i = 0; i < rates.size(); ++i) {
        const size_t at = 0x6B68 + 348 * i;
        nameAt(at, rates[i].name);
        for (auto [offset, value] : {std::pair<size_t, u32>{320, 9}, {324, 348}, {332, rates[i].rate}, {336, rates[i].half}})
            u32At(at + offset, value);
    }
    u32At(0x9430, 3);
    const s32 options[3][5] = {{1, 4, 2, 0, 0}, {1, 4, 2, 1, 0}, {1, 4, 2, -1, 1}};
    for (size_t i = 0; i < 3; ++i)
        for (size_t w = 0; w < 5; ++w) u32At(0x9434 + 20 * i + 4 * w, static_cast<u32>(options[i][w]));
    return t;
}

struct TableCase {
    size_t board;
    u32 flag;
    std::vector<SizeEntry> sizes;
    std::vector<RateEntry> rates;
};

class StreamFormatTest : public HostTest, public ::testing::WithParamInterface<TableCase> {};

TEST_P(StreamFormatTest, TableIsRebuiltByteForByte) {
    const TableCase& c = GetParam();
    host_.SetParameter("50Hz", c.flag);
    Open(c.board);
    Mark();
    StreamFormatTable* table = board(c.board).videoOps->GetStreamFormatTable();
    ASSERT_NE(table, nullptr);
    const std::vector<u8> expected = ExpectedTable(c.sizes, c.rates);
    const auto firstDifference = [&] {
        const u8* actual = reinterpret_cast<const u8*>(table);
        return static_cast<size_t>(std::mismatch(expected.begin(), expected.end(), actual).first - expected.begin());
    };
    EXPECT_EQ(firstDifference(), kTableBytes);
    std::memset(table, 0xA5, kTableBytes);
    EXPECT_EQ(board(c.board).videoOps->GetStreamFormatTable(), table);
    EXPECT_EQ(firstDifference(), kTableBytes);
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_THAT(Traces(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Tables, StreamFormatTest, ::testing::Values(
    TableCase{kWren, 0, kVga, k30}, TableCase{kWren, 1, kVga, k25}, TableCase{kWren, 9, kVga, k25},
    TableCase{kWrenII, 0, kVga, kBoth}, TableCase{kWrenII, 1, kVga, kBoth},
    TableCase{kSwift, 0, kVga, k30}, TableCase{kSwift, 0xFFFFFFFF, kVga, k25},
    TableCase{kFinch, 0, kCif, kBoth}, TableCase{kFinch, 1, kCif, kBoth}),
    [](const auto& info) { return NameBoard(info.param.board) + "_50Hz" + std::to_string(info.param.flag); });

}  // namespace
}  // namespace trel::test
