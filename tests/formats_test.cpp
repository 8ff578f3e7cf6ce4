// Video format records: every board's records byte for byte, the count, and
// the camera boards' choice by the host's "50Hz" parameter.
#include "test_support.h"

namespace trel::test {
namespace {

using ::testing::IsEmpty;

struct FormatRow {
    std::string formatName;
    std::string sourceName;
    u32 standardMask;
    u32 frameRate;
    u32 width;
    u32 height;
    std::vector<std::pair<size_t, u8>> flags;  // record offset, value
};

VideoFormat Expected(const FormatRow& row) {
    VideoFormat f;
    std::memset(&f, 0, sizeof f);
    std::strcpy(f.formatName, row.formatName.c_str());
    std::strcpy(f.sourceName, row.sourceName.c_str());
    f.recordSize = 360;
    f.standardMask = row.standardMask;
    f.frameRate = row.frameRate;
    f.width = row.width;
    f.height = row.height;
    for (auto [offset, value] : row.flags) reinterpret_cast<u8*>(&f)[offset] = value;
    return f;
}

std::vector<FormatRow> DecoderRows(const std::string& chip, bool secam, bool flag347) {
    std::vector<std::pair<size_t, u8>> flags = {{344, 1}, {346, 1}};
    if (flag347) flags.push_back({347, 1});
    std::vector<FormatRow> rows = {{chip + " NTSC | PAL60", chip, 0xA07, 30000, 720, 480, flags},
                                   {chip + " PAL", chip, 0x5F0, 25025, 720, 576, flags}};
    if (secam) rows.push_back({chip + " SECAM", chip + " SECAM", 0xFF000, 25025, 720, 576, flags});
    return rows;
}

struct BoardFormats {
    size_t index;
    std::vector<FormatRow> rows;  // what the host receives (camera boards: with "50Hz" = 0)
};

std::vector<BoardFormats> AllBoardFormats() {
    const std::vector<std::pair<size_t, u8>> ov = {{350, 1}};
    const std::vector<std::pair<size_t, u8>> ccd = {{344, 2}, {352, 1}};
    return {
        {kWren, {{"Omnivision 7640", "Omnivision 7640", 0, 30030, 640, 480, ov}}},
        {kWrenII, {{"Omnivision 7640", "Omnivision 7640", 0, 30030, 640, 480, ov}}},
        {kHeronI, DecoderRows("SAA7115", true, true)},
        {kHeronIIReprise, DecoderRows("SAA7113", true, false)},
        {kEgret, DecoderRows("TW9906", true, true)},
        {kHeronAscent, DecoderRows("TW9903/5", false, false)},
        {kBittern, DecoderRows("SAA7115", true, true)},
        {kPlover, {{"Data Pump", "Data Pump", 0xA07, 30000, 720, 480, {}}}},
        {kKestrel, DecoderRows("SAA7115", true, true)},
        {kSwift, {{"Sharp LZ24BP CCD", "Sharp LZ24BP CCD", 0, 30030, 640, 480, ccd}}},
        {kFinch, {{"Omnivision 6650", "Omnivision 6650", 0, 30030, 352, 288, ov}}},
    };
}

class FormatsTest : public HostTest, public ::testing::WithParamInterface<size_t> {
protected:
    // Opens the board with "50Hz" set to `flag`, then asks for its formats.
    std::vector<VideoFormat> Fetch(size_t index, u32 flag, u32* countOut = nullptr) {
        host_.SetParameter("50Hz", flag);
        void* context = Open(index);
        Guarded<VideoFormat[3]> formats(0xCC);
        u32 count = 0xDEAD;
        EXPECT_EQ(board(index).videoOps->GetVideoFormats(context, device(), &count, *formats.get()), 0u);
        if (countOut) *countOut = count;
        EXPECT_LE(count, 3u);
        // Nothing beyond the records handed out.
        for (size_t i = std::min<u32>(count, 3) * sizeof(VideoFormat); i < 3 * sizeof(VideoFormat); ++i) {
            if (formats.bytes[i] != 0xCC) {
                ADD_FAILURE() << "byte " << i << " written past the records";
                break;
            }
        }
        EXPECT_TRUE(formats.GuardIntact());
        const VideoFormat* records = *formats.get();
        return std::vector<VideoFormat>(records, records + std::min<u32>(count, 3));
    }
};

TEST_P(FormatsTest, RecordsByteForByte) {
    const size_t index = GetParam();
    const BoardFormats expected = AllBoardFormats().at(index);
    ASSERT_EQ(expected.index, index);
    u32 count = 0;
    const std::vector<VideoFormat> records = Fetch(index, 0, &count);
    ASSERT_EQ(count, expected.rows.size());
    for (size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(expected.rows[i].formatName);
        const VideoFormat want = Expected(expected.rows[i]);
        EXPECT_EQ(std::memcmp(&records[i], &want, sizeof(VideoFormat)), 0)
            << records[i].formatName << " / " << records[i].sourceName << " mask " << records[i].standardMask
            << " rate " << records[i].frameRate << " " << records[i].width << "x" << records[i].height;
    }
}

TEST_P(FormatsTest, NullCountOrRecordsAreRefused) {
    const size_t index = GetParam();
    void* context = Open(index);
    Mark();
    VideoFormat formats[3];
    u32 count = 7;
    EXPECT_EQ(board(index).videoOps->GetVideoFormats(context, device(), nullptr, formats), 0xFFFFFFFFu);
    EXPECT_EQ(board(index).videoOps->GetVideoFormats(context, device(), &count, nullptr), 0xFFFFFFFFu);
    EXPECT_EQ(count, 7u);
    EXPECT_THAT(host_.Log(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(AllBoards, FormatsTest, ::testing::Range<size_t>(0, 11), BoardParamName);

// Camera boards hold two records and hand out the 25 fps one whenever the
// host's "50Hz" is non-zero, whatever the value.
class CameraFormatTest : public FormatsTest {};

TEST_P(CameraFormatTest, FiftyHertzSelectsTheSecondRecord) {
    const size_t index = GetParam();
    for (u32 flag : {1u, 2u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(flag);
        FormatRow row = AllBoardFormats().at(index).rows.at(0);
        row.frameRate = 25025;
        u32 count = 0;
        const std::vector<VideoFormat> records = Fetch(index, flag, &count);
        ASSERT_EQ(count, 1u);
        const VideoFormat want = Expected(row);
        EXPECT_EQ(std::memcmp(&records[0], &want, sizeof(VideoFormat)), 0);
    }
}

TEST_P(CameraFormatTest, OpenAsksTheHostForFiftyHertzOnce) {
    const size_t index = GetParam();
    Mark();
    host_.SetParameter("50Hz", 1);
    Open(index);
    ASSERT_EQ(host_.Log().size(), 1u);
    const BusCall& call = host_.Log()[0];
    EXPECT_EQ(call.service, Service::QueryParameter);
    EXPECT_EQ(call.name, "50Hz");
    EXPECT_EQ(call.constants, std::vector<u32>{0});
}

TEST_P(CameraFormatTest, TheFlagIsKeptPerBoardType) {
    const size_t index = GetParam();
    const size_t other = index == kWren ? kWrenII : kWren;
    Fetch(index, 1);
    u32 count = 0;
    host_.SetParameter("50Hz", 0);
    Open(other);
    // Reading `index`'s formats again (without reopening) still gives 25 fps.
    Guarded<VideoFormat> format(0xCC);
    ASSERT_EQ(board(index).videoOps->GetVideoFormats(nullptr, device(), &count, format.get()), 0u);
    EXPECT_EQ(format->frameRate, 25025u);
    EXPECT_TRUE(format.GuardIntact());
    ASSERT_EQ(board(other).videoOps->GetVideoFormats(nullptr, device(), &count, format.get()), 0u);
    EXPECT_EQ(format->frameRate, 30030u);
}

INSTANTIATE_TEST_SUITE_P(CameraBoards, CameraFormatTest, ::testing::Values(kWren, kWrenII, kSwift, kFinch),
                         BoardParamName);

}  // namespace
}  // namespace trel::test
