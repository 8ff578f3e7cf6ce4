// The camera boards' stream format tables, byte for byte at the host's offsets.
#include "camera_support.h"

namespace trel::test {
namespace {

constexpr size_t kTableBytes = 43952;

struct SizeRow {
    const char* name;
    u32 width, height, upper, lower;
};
struct RateRow {
    const char* name;
    u32 rate, half;
};
const std::vector<SizeRow> kVga = {{"VGA", 640, 480, 15000000, 300000}, {"QVGA", 320, 240, 4000000, 20000}};
const std::vector<SizeRow> kCif = {{"CIF", 352, 288, 4000000, 20000}, {"QCIF", 176, 144, 1000000, 20000}};
const std::vector<RateRow> k30 = {{"30 fps", 30030, 0}, {"15 fps", 15015, 1}};
const std::vector<RateRow> k25 = {{"25 fps", 25025, 0}, {"12.5 fps", 12512, 1}};
const std::vector<RateRow> kBoth = {k25[0], k25[1], k30[0], k30[1]};

// The table as the host expects it, written field by field at raw offsets.
std::vector<u8> ExpectedTable(const std::vector<SizeRow>& sizes, const std::vector<RateRow>& rates) {
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
        u32At(at + 320, 0x0E03);
        u32At(at + 324, 368);
        u32At(at + 332, sizes[i].width);
        u32At(at + 336, sizes[i].height);
        u32At(at + 340, 0x101);
        u32At(at + 356, sizes[i].upper);
        u32At(at + 360, sizes[i].lower);
    }
    u32At(0x6B64, static_cast<u32>(rates.size()));
    for (size_t i = 0; i < rates.size(); ++i) {
        const size_t at = 0x6B68 + 348 * i;
        nameAt(at, rates[i].name);
        u32At(at + 320, 9);
        u32At(at + 324, 348);
        u32At(at + 332, rates[i].rate);
        u32At(at + 336, rates[i].half);
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
    std::vector<SizeRow> sizes;
    std::vector<RateRow> rates;
};

std::string CaseName(const ::testing::TestParamInfo<TableCase>& info) {
    return BoardParamName({info.param.board, info.index}) + "_50Hz" + std::to_string(info.param.flag);
}

void PrintTo(const TableCase& c, std::ostream* os) { *os << BoardName(c.board) << " 50Hz " << c.flag; }

class StreamFormatTest : public CameraTest, public ::testing::WithParamInterface<TableCase> {};

// First differing offset, or -1.
long FirstDifference(const u8* actual, const std::vector<u8>& expected) {
    for (size_t i = 0; i < expected.size(); ++i)
        if (actual[i] != expected[i]) return static_cast<long>(i);
    return -1;
}

TEST_P(StreamFormatTest, TableIsRebuiltByteForByte) {
    const TableCase& c = GetParam();
    OpenWith50Hz(c.board, c.flag);
    Mark();
    StreamFormatTable* table = video(c.board).GetStreamFormatTable();
    ASSERT_NE(table, nullptr);
    const std::vector<u8> expected = ExpectedTable(c.sizes, c.rates);
    EXPECT_EQ(FirstDifference(reinterpret_cast<const u8*>(table), expected), -1);
    std::memset(table, 0xA5, kTableBytes);  // a host scribbling on it
    EXPECT_EQ(video(c.board).GetStreamFormatTable(), table);
    EXPECT_EQ(FirstDifference(reinterpret_cast<const u8*>(table), expected), -1);
    EXPECT_THAT(host_.Log(), ::testing::IsEmpty());
    EXPECT_THAT(Traces(), ::testing::IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Tables, StreamFormatTest, ::testing::Values(
    TableCase{kWren, 0, kVga, k30}, TableCase{kWren, 1, kVga, k25}, TableCase{kWren, 9, kVga, k25},
    TableCase{kWrenII, 0, kVga, kBoth}, TableCase{kWrenII, 1, kVga, kBoth},
    TableCase{kSwift, 0, kVga, k30}, TableCase{kSwift, 0xFFFFFFFF, kVga, k25},
    TableCase{kFinch, 0, kCif, kBoth}, TableCase{kFinch, 1, kCif, kBoth}), CaseName);

// Each board type has its own table and its own flag.
TEST_F(CameraTest, EachBoardTypeHasItsOwnTableAndFlag) {
    OpenWith50Hz(kWren, 1);
    OpenWith50Hz(kSwift, 0);
    std::set<StreamFormatTable*> tables;
    for (size_t index : {kWren, kWrenII, kSwift, kFinch}) tables.insert(video(index).GetStreamFormatTable());
    EXPECT_EQ(tables.size(), 4u);
    const auto* wren = reinterpret_cast<const u8*>(video(kWren).GetStreamFormatTable());
    const auto* swift = reinterpret_cast<const u8*>(video(kSwift).GetStreamFormatTable());
    EXPECT_EQ(FirstDifference(wren, ExpectedTable(kVga, k25)), -1);
    EXPECT_EQ(FirstDifference(swift, ExpectedTable(kVga, k30)), -1);
}

}  // namespace
}  // namespace trel::test
