// The catalogue and what every board answers without its chips: descriptors,
// opening and closing with BoardInfo and the context, video format records
// and the camera boards' stream format tables, byte for byte at the host's
// offsets. (Capabilities, default properties, inputs and every board's usual
// session: the golden sessions.)
#include "test_support.h"

namespace trel::test {
namespace {

// The module's catalogue is the tests' table (tests/catalogue.h), entry by
// entry: ids, revision, descriptor size and the tables present, no table
// shared between boards (boards share functions, never tables). An entry the
// table lacks fails naming its ids. Asking again allocates nothing, calls the
// host for nothing, and null outputs are ignored. Loading and unloading only
// trace their banners.
TEST_F(HostTest, CatalogueIsTheTestsTable) {
    const BoardDescriptor* const* catalogue = nullptr;
    u32 count = 0;
    const size_t allocations = Kernel::Get().AllocationCount();
    host::Module::Get().GetBoardModuleCaps(nullptr, host_.Services(), &catalogue, &count);
    host::Module::Get().GetBoardModuleCaps(nullptr, host_.Services(), nullptr, nullptr);
    EXPECT_EQ(catalogue, host_.Catalogue());
    EXPECT_EQ(Kernel::Get().AllocationCount(), allocations);
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_EQ(host::Module::Get().DllInitialize(nullptr) | host::Module::Get().DllUnload(), 0);
    EXPECT_THAT(Traces(), ElementsAre(kLoadBanner, kUnloadBanner));
    for (u32 i = 0; i < count; ++i)
        if (ExpectedRow(i) == nullptr) ADD_FAILURE() << "catalogue entry " << i << " is not in tests/catalogue.h: " << BoardName(i);
    ASSERT_EQ(count, kExpectedBoards);
    std::set<const void*> tables;
    for (size_t i = 0; i < count; ++i) {
        const BoardDescriptor& d = *catalogue[i];
        const ExpectedBoard& e = kCatalogue[i];
        EXPECT_EQ(Hex32(d.vendorId) + Hex32(d.productId) + Hex32(d.revision), Hex32(e.vendor) + Hex32(e.product) + Hex32(e.revision))
            << "entry " << i << " should be " << e.name;
        EXPECT_EQ(d.size, 0x38u) << e.name;
        std::string present;
        for (auto [letter, table] : {std::pair<char, const void*>{'B', d.boardOps}, {'V', d.videoOps}, {'A', d.audioOps},
                                     {'I', d.inputOps}, {'T', d.tunerOps}}) {
            if (table == nullptr) continue;
            present += letter;
            EXPECT_TRUE(tables.insert(table).second) << e.name << " shares its " << letter << " table";
        }
        EXPECT_EQ(present, e.tables) << e.name;
    }
}

// ---------------------------------------------------------------------------
// The camera boards' stream format tables: frame sizes and frame rates.
using Sizes = std::vector<std::tuple<const char*, u32, u32, u32, u32>>;  // name, width, height, upper and lower rate limit
using Rates = std::vector<std::tuple<const char*, u32, u32>>;            // name, rate, half the sensor's rate
const Sizes kVga = {{"VGA", 640, 480, 15000000, 300000}, {"QVGA", 320, 240, 4000000, 20000}};
const Sizes kCif = {{"CIF", 352, 288, 4000000, 20000}, {"QCIF", 176, 144, 1000000, 20000}};
const Rates k30 = {{"30 fps", 30030, 0}, {"15 fps", 15015, 1}};
const Rates k25 = {{"25 fps", 25025, 0}, {"12.5 fps", 12512, 1}};
const Rates kBoth = {k25[0], k25[1], k30[0], k30[1]};

// Per board: BoardInfo values A and B; the context OpenBoard allocates (0:
// none); the formats' source name, records (3: NTSC, PAL and SECAM; 2: NTSC
// and PAL; 1: one NTSC record; 0: one sensor record at the rate of the host's
// "50Hz" answer: 30 fps for 0, else 25), sensor size and flag bytes (record
// offset, value); the stream format table's sizes and rates for "50Hz" 0 and
// non-zero.
struct BoardRow {
    const char* name;
    u32 valueA, flagsB;
    size_t contextBytes;
    const char* chip;
    int families;
    u32 width, height;
    std::vector<std::pair<size_t, u8>> flags;
    const Sizes* sizes = nullptr;
    const Rates* rates[2] = {};
};

const std::vector<std::pair<size_t, u8>> kDecoder2 = {{344, 1}, {346, 1}}, kDecoder3 = {{344, 1}, {346, 1}, {347, 1}};
const BoardRow kBoards[] = {
    {"Wren", 1, 0x00000001, 0, "Omnivision 7640", 0, 640, 480, {{350, 1}}, &kVga, {&k30, &k25}},
    {"Wren II", 1, 0x00010001, 0, "Omnivision 7640", 0, 640, 480, {{350, 1}}, &kVga, {&kBoth, &kBoth}},
    {"Swift", 1, 0x00010001, 0, "Sharp LZ24BP CCD", 0, 640, 480, {{344, 2}, {352, 1}}, &kVga, {&k30, &k25}},
    {"Finch", 1, 0x00000001, 0, "Omnivision 6650", 0, 352, 288, {{350, 1}}, &kCif, {&kBoth, &kBoth}},
    {"Heron I", 0, 0x0000003B, 8, "SAA7115", 3, 720, 480, kDecoder3},
    {"Heron II Reprise", 0, 0x0000004B, 8, "SAA7113", 3, 720, 480, kDecoder2},
    {"Egret", 0, 0x0000004B, 8, "TW9906", 3, 720, 480, kDecoder3},
    {"Heron Ascent", 0, 0x0000000B, 8, "TW9903/5", 2, 720, 480, kDecoder2},
    {"Bittern", 1, 0x00000039, 8, "SAA7115", 3, 720, 480, kDecoder3},
    {"Plover", 0, 0x00000003, 0, "Data Pump", 1, 720, 480, {}},
    {"Kestrel", 0, 0x0000003F, 52, "SAA7115", 3, 720, 480, kDecoder3},
};

// The format records a board hands out.
std::vector<VideoFormat> Formats(const BoardRow& r, u32 flag) {
    const auto record = [&r](const std::string& name, const std::string& source, u32 mask, u32 rate, u32 height) {
        VideoFormat f{{}, {}, 0, 360, mask, rate, r.width, height, {}};
        std::strcpy(f.formatName, name.c_str());
        std::strcpy(f.sourceName, source.c_str());
        for (auto [offset, value] : r.flags) reinterpret_cast<u8*>(&f)[offset] = value;
        return f;
    };
    const std::string chip = r.chip;
    if (r.families == 0) return {record(chip, chip, 0, flag != 0 ? 25025 : 30030, r.height)};
    if (r.families == 1) return {record(chip, chip, 0xA07, 30000, r.height)};
    std::vector<VideoFormat> formats = {record(chip + " NTSC | PAL60", chip, 0xA07, 30000, 480),
                                        record(chip + " PAL", chip, 0x5F0, 25025, 576)};
    if (r.families == 3) formats.push_back(record(chip + " SECAM", chip + " SECAM", 0xFF000, 25025, 576));
    return formats;
}

// The stream format table as the host reads it, written field by field at raw offsets.
constexpr size_t kTableBytes = 43952;
std::vector<u8> ExpectedTable(const Sizes& sizes, const Rates& rates) {
    std::vector<u8> t(kTableBytes, 0);
    auto u32At = [&](size_t at, u32 v) { for (size_t i = 0; i < 4; ++i) t.at(at + i) = static_cast<u8>(v >> (8 * i)); };
    auto nameAt = [&](size_t at, const char* s) {  // the name, and the same text as the description
        for (size_t text : {at, at + 64}) std::memcpy(&t.at(text), s, std::strlen(s));
    };
    u32At(0x4040, static_cast<u32>(sizes.size()));
    for (size_t i = 0; i < sizes.size(); ++i) {
        const auto& [name, width, height, upper, lower] = sizes[i];
        nameAt(0x4044 + 368 * i, name);
        for (auto [offset, value] : {std::pair<size_t, u32>{320, 0x0E03}, {324, 368}, {332, width}, {336, height}, {340, 0x101},
                                     {356, upper}, {360, lower}})
            u32At(0x4044 + 368 * i + offset, value);
    }
    u32At(0x6B64, static_cast<u32>(rates.size()));
    for (size_t i = 0; i < rates.size(); ++i) {
        const auto& [name, rate, half] = rates[i];
        nameAt(0x6B68 + 348 * i, name);
        for (auto [offset, value] : {std::pair<size_t, u32>{320, 9}, {324, 348}, {332, rate}, {336, half}})
            u32At(0x6B68 + 348 * i + offset, value);
    }
    u32At(0x9430, 3);
    const s32 options[3][5] = {{1, 4, 2, 0, 0}, {1, 4, 2, 1, 0}, {1, 4, 2, -1, 1}};
    for (size_t i = 0; i < 3; ++i)
        for (size_t w = 0; w < 5; ++w) u32At(0x9434 + 20 * i + 4 * w, static_cast<u32>(options[i][w]));
    return t;
}

class BoardsTest : public HostTest, public ::testing::WithParamInterface<size_t> {};

// For each "50Hz" answer: OpenBoard writes the name of tests/catalogue.h with
// its NUL, the revision, A and B and nothing else of the (0xCC-filled)
// record; a context is exactly the board's size, from non-paged pool with the
// module's tag, freed by CloseBoard; boards without one leave the pointer
// alone. The zero stubs answer 0; the one-input decoders answer audio input
// 2 and accept audio input 3. Every format record byte for byte, nothing
// written past those handed out; the stream format table byte for byte,
// rebuilt on every call (a host scribbling on it gets it back intact); no
// host call, no trace.
TEST_P(BoardsTest, OpenRecordsAndClose) {
    const std::string name = BoardKey(GetParam());
    const BoardRow* row = std::find_if(std::begin(kBoards), std::end(kBoards), [&](const BoardRow& r) { return name == r.name; });
    const ExpectedBoard* expected = ExpectedRow(GetParam());
    ASSERT_TRUE(row != std::end(kBoards) && expected != nullptr) << "no expectations for " << name;
    const BoardDescriptor& d = board(GetParam());
    for (u32 flag : {0u, 1u, 2u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(flag);
        host_.SetParameter("50Hz", flag);
        const size_t before = Kernel::Get().AllocationCount();
        Guarded<BoardInfo> info(0xCC);
        void* context = reinterpret_cast<void*>(0x1234);
        ASSERT_EQ(d.boardOps->OpenBoard(nullptr, &context, info.get()), 0u);
        BoardInfo want;
        std::memset(&want, 0xCC, sizeof want);
        std::strcpy(want.name, expected->name);
        std::tie(want.revision, want.valueA, want.flagsB) = std::make_tuple(expected->revision, row->valueA, row->flagsB);
        EXPECT_EQ(BytesOf(*info.get()), BytesOf(want));
        EXPECT_TRUE(info.GuardIntact());
        ASSERT_EQ(Kernel::Get().AllocationCount(), before + (row->contextBytes != 0 ? 1 : 0));
        if (row->contextBytes == 0) {
            EXPECT_EQ(context, reinterpret_cast<void*>(0x1234));
            context = nullptr;
        } else {  // "Tc01", non-paged
            const Kernel::Allocation& a = Kernel::Get().LiveAllocations().back();
            EXPECT_EQ(std::make_tuple(a.pointer, a.bytes, a.tag, a.poolType),
                      std::make_tuple(context, row->contextBytes, 0x31306354u, 0));
        }
        Mark();
        EXPECT_EQ(d.videoOps->Reserved5() | d.videoOps->Reserved7() | (d.audioOps ? d.audioOps->Reserved3() : 0), 0u);
        EXPECT_TRUE(d.inputOps == nullptr || d.tunerOps != nullptr ||
                    (d.inputOps->GetAudioInputType(context) == 2 && d.inputOps->Set_Current_Audio_InputID(context, device(), 3) == 0));
        Guarded<VideoFormat[3]> records(0xCC);
        u32 count = 0xDEAD;
        EXPECT_EQ(d.videoOps->GetVideoFormats(context, device(), &count, *records.get()), 0u);
        const std::vector<VideoFormat> formats = Formats(*row, flag);
        ASSERT_EQ(count, formats.size());
        for (size_t i = 0; i < 3; ++i)  // those not handed out left as they were
            EXPECT_EQ(BytesOf((*records.get())[i]), i < count ? BytesOf(formats[i]) : std::vector<u8>(360, 0xCC)) << i;
        EXPECT_TRUE(records.GuardIntact());
        StreamFormatTable* table = d.videoOps->GetStreamFormatTable();
        ASSERT_EQ(table != nullptr, row->sizes != nullptr) << "a stream format table?";
        for (int pass = 0; table != nullptr && pass < 2; ++pass) {
            const std::vector<u8> expect = ExpectedTable(*row->sizes, *row->rates[flag != 0 ? 1 : 0]);
            const auto difference = std::mismatch(expect.begin(), expect.end(), reinterpret_cast<const u8*>(table)).first;
            EXPECT_EQ(difference - expect.begin(), static_cast<long>(kTableBytes)) << "the first byte that differs";
            std::memset(table, 0xA5, kTableBytes);
            EXPECT_EQ(d.videoOps->GetStreamFormatTable(), table);
        }
        EXPECT_THAT(host_.Log(), IsEmpty());
        EXPECT_THAT(Traces(), IsEmpty());
        EXPECT_EQ(d.boardOps->CloseBoard(context), 0u);  // freed: HostTest counts what is left
    }
}

INSTANTIATE_TEST_SUITE_P(AllBoards, BoardsTest, AllBoards(), BoardParamName);

}  // namespace
}  // namespace trel::test
