// The picture, status and source handling Heron Ascent (TW9903/5) and Egret
// (TW9906) share, one table per rule with both boards' bytes side by side.
#include "decoder_support.h"

namespace trel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr u8 kTw = 0x88;

struct PictureRow {
    size_t board;
    u32 index;
    s32 value;
    std::vector<std::string> bus;  // sharpness: the read of 0x12 (0xA5) comes first
    u32 status;
};

class Tw99xxPicture : public DecoderTest, public ::testing::WithParamInterface<PictureRow> {};

TEST_P(Tw99xxPicture, RegisterBytes) {
    const PictureRow& row = GetParam();
    OpenBoard(row.board);
    host_.SetReg(kTw, 0x12, 0xA5);
    EXPECT_EQ(Set(row.index, static_cast<u32>(row.value)), row.status);
    EXPECT_THAT(Bus(), ElementsAreArray(row.bus));
    EXPECT_THAT(Traces(), ElementsAre("SetVideoProperty " + std::to_string(row.index) + " " + std::to_string(row.value)));
}

const std::string kReadSharpness = "I2C 88 R 12->A5";
const std::vector<std::string> kNone;

INSTANTIATE_TEST_SUITE_P(
    BothChips, Tw99xxPicture,
    ::testing::Values(
        // Brightness is a signed byte round 50.
        PictureRow{kHeronAscent, 1, 0, Writes(kTw, "10=81"), 0}, PictureRow{kEgret, 1, 0, Writes(kTw, "10=81"), 0},
        PictureRow{kHeronAscent, 1, 50, Writes(kTw, "10=00"), 0}, PictureRow{kEgret, 1, 100, Writes(kTw, "10=7F"), 0},
        PictureRow{kHeronAscent, 1, 101, kNone, kStatusInvalid}, PictureRow{kEgret, 1, -1, kNone, kStatusInvalid},
        PictureRow{kHeronAscent, 3, 37, Writes(kTw, "11=5E"), 0}, PictureRow{kEgret, 3, 100, Writes(kTw, "11=FF"), 0},
        PictureRow{kEgret, 3, -1, kNone, kStatusInvalid},
        PictureRow{kHeronAscent, 5, -50, Writes(kTw, "15=80"), 0}, PictureRow{kEgret, 5, -1, Writes(kTw, "15=FD"), 0},
        PictureRow{kHeronAscent, 5, 50, Writes(kTw, "15=7F"), 0}, PictureRow{kEgret, 5, 51, kNone, kStatusInvalid},
        PictureRow{kHeronAscent, 5, -51, kNone, kStatusInvalid},
        // Saturation: 0x13 always gets s + 37; 0x14 gets s (TW9903/5) or s + 37 (TW9906).
        PictureRow{kHeronAscent, 7, 100, Writes(kTw, "13=FF 14=DA"), 0},
        PictureRow{kHeronAscent, 7, 50, Writes(kTw, "13=92 14=6D"), 0},
        PictureRow{kHeronAscent, 7, 0, Writes(kTw, "13=25 14=00"), 0},
        PictureRow{kEgret, 7, 100, Writes(kTw, "13=FF 14=FF"), 0}, PictureRow{kEgret, 7, 0, Writes(kTw, "13=25 14=25"), 0},
        PictureRow{kEgret, 7, 101, kNone, kStatusInvalid},
        // Sharpness: high bits kept, low bits value x 7 / 100 (TW9903/5) or / 50 (TW9906).
        PictureRow{kHeronAscent, 9, 100, {kReadSharpness, "I2C 88 W 12=A7"}, 0},
        PictureRow{kHeronAscent, 9, 14, {kReadSharpness, "I2C 88 W 12=A0"}, 0},
        PictureRow{kEgret, 9, 100, {kReadSharpness, "I2C 88 W 12=AE"}, 0},
        PictureRow{kEgret, 9, 8, {kReadSharpness, "I2C 88 W 12=A1"}, 0},
        PictureRow{kHeronAscent, 9, -1, kNone, kStatusInvalid}, PictureRow{kEgret, 9, 101, kNone, kStatusInvalid},
        PictureRow{kHeronAscent, 2, 0, kNone, kStatusNotSupported},
        PictureRow{kEgret, 0x1003, 0, kNone, kStatusNotSupported}),
    [](const auto& info) {
        return NameBoard(info.param.board) + "_Index" + NameHex(info.param.index) + "_" + NameSigned(info.param.value);
    });

class Tw99xxBoards : public DecoderTest, public ::testing::WithParamInterface<size_t> {};

// The status is the last write's result as the host gave it; the first
// saturation write and the sharpness read are not checked (a failed read
// writes high bits 0).
TEST_P(Tw99xxBoards, WriteResultsPassedBack) {
    OpenBoard(GetParam());
    host_.SetReg(kTw, 0x12, 0xF0);
    host_.FailMatching(Service::I2cWrite, kTw, 0x13, 9);
    EXPECT_EQ(Set(kPropSaturation, 100), 0u);
    host_.FailMatching(Service::I2cWrite, kTw, 0x14, 0x77);
    EXPECT_EQ(Set(kPropSaturation, 100), 0x77u);
    host_.FailMatching(Service::I2cWrite, kTw, 0x10, 0x55);
    EXPECT_EQ(Set(kPropBrightness, 1), 0x55u);
    host_.FailMatching(Service::I2cRead, kTw, 0x12);
    EXPECT_EQ(Set(kPropSharpness, 0), 0u);
    EXPECT_EQ(Bus().back(), "I2C 88 W 12=00");
    host_.FailMatching(Service::I2cWrite, kTw, 0x12, 0x66);
    EXPECT_EQ(Set(kPropSharpness, 0), 0x66u);
}

TEST_P(Tw99xxBoards, SourcesAndInputs) {
    OpenBoard(GetParam());
    const bool egret = GetParam() == kEgret;
    const std::string source0 = egret ? "I2C 88 W 02=55" : "I2C 88 W 02=50";
    const std::string source1 = egret ? "I2C 88 W 02=40" : "I2C 88 W 02=44";
    EXPECT_EQ(Set(kPropVideoSource, 1), 0u);
    EXPECT_EQ(InputType(), 0u);
    EXPECT_EQ(Set(kPropVideoSource, 0xFFFFFFFF), kStatusInvalid);
    EXPECT_EQ(SelectInput(1), 0u);
    EXPECT_EQ(InputType(), 1u);
    EXPECT_EQ(SelectInput(2), kStatusInvalid);
    host_.FailMatching(Service::I2cWrite);  // not checked
    EXPECT_EQ(SelectInput(0), 0u);
    EXPECT_EQ(InputType(), 0u);
    EXPECT_THAT(Bus(), ElementsAre(source1, source0, source1 + " !1"));
    EXPECT_THAT(Traces(), ElementsAre("SetVideoProperty 0 1", "SetVideoProperty 0 -1", "Error:Unknown Video Source -1!!!",
                                      "Set_Current_Video_InputID 1", "Set_Current_Video_InputID 2",
                                      "Set_Current_Video_InputID 0"));
}

INSTANTIATE_TEST_SUITE_P(BothChips, Tw99xxBoards, ::testing::Values(kHeronAscent, kEgret), BoardParamName);

// 0x1000 reads 0x30, 0x1001 reads 0x01. Heron Ascent's closing trace prints
// the value, Egret's the status.
struct StatusRow {
    size_t board;
    u32 index;
    int regValue;  // -1: the read fails
    u32 value;
    u32 status;
    std::string closing;
};
class Tw99xxStatus : public DecoderTest, public ::testing::WithParamInterface<StatusRow> {};
TEST_P(Tw99xxStatus, Queries) {
    const StatusRow& row = GetParam();
    OpenBoard(row.board);
    const u16 reg = row.index == 0x1000 ? 0x30 : 0x01;
    if (row.regValue < 0) host_.FailMatching(Service::I2cRead, kTw, reg);
    else host_.SetReg(kTw, reg, static_cast<u8>(row.regValue));
    u32 value = 0xDEADBEEF;
    EXPECT_EQ(Get(row.index, &value), row.status);
    EXPECT_EQ(value, row.value);
    EXPECT_THAT(Traces(), ElementsAre("GetVideoProperty " + std::to_string(row.index), "GetVideoProperty return " + row.closing));
    EXPECT_EQ(host_.Log().size(), 1u);
}
INSTANTIATE_TEST_SUITE_P(
    BothChips, Tw99xxStatus,
    ::testing::Values(StatusRow{kHeronAscent, 0x1000, 0xE5, 0x60, 0, "96"}, StatusRow{kEgret, 0x1000, 0xE5, 0x04, 0, "0"},
                      StatusRow{kHeronAscent, 0x1001, 0x40, 1, 0, "1"}, StatusRow{kHeronAscent, 0x1001, 0xBF, 0, 0, "0"},
                      StatusRow{kEgret, 0x1001, 0x40, 0, 0, "0"}, StatusRow{kEgret, 0x1001, 0xBF, 1, 0, "0"},
                      StatusRow{kHeronAscent, 0x1000, -1, 0, kStatusBusFailure, "0"},
                      StatusRow{kEgret, 0x1001, -1, 0, kStatusBusFailure, "-3"}),
    [](const auto& info) {
        return NameBoard(info.param.board) + "_Index" + NameHex(info.param.index) + "_Reg" + NameSigned(info.param.regValue);
    });

TEST_P(Tw99xxBoards, ContextPropertiesAndUnknownIndexes) {
    OpenBoard(GetParam());
    Set(kPropTvStandard, 0x10);
    Mark();
    u32 value = 5;
    EXPECT_EQ(Get(kPropTvStandard, &value), 0u);
    EXPECT_EQ(value, 0x10u);
    EXPECT_EQ(Get(0x1003, &value), kStatusNotSupported);
    EXPECT_EQ(value, 0u);
    const std::string closing = GetParam() == kHeronAscent ? "16" : "0";
    EXPECT_THAT(Traces(), ElementsAre("GetVideoProperty 4098", "GetVideoProperty return " + closing, "GetVideoProperty 4099"));
    EXPECT_EQ(Get(0, nullptr), kStatusInvalid);
    EXPECT_EQ(video().GetVideoProperty(nullptr, device(), 0, &value), kStatusInvalid);
    EXPECT_THAT(host_.Log(), IsEmpty());
}

}  // namespace
}  // namespace trel::test
