// Heron II Reprise: SAA7113 at 0x4A. Set-up table, source and standard
// selection, picture properties, status queries and capture start.
#include "decoder_support.h"

namespace trel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr u8 kSaa = 0x4A;
const std::string kSetup =
    "00=20 01=08 02=C9 03=33 04=00 05=00 06=E9 07=0D 08=D8 09=81 0A=80 0B=47 0C=40 0D=00 0E=01 0F=2A "
    "10=48 11=0C 12=FE 13=00 14=00 15=04 16=00 17=00 18=00 19=00 1A=00 1B=00 1C=00 1D=00 1E=00 1F=C8 "
    "40=00 41=FF 42=FF 43=FF 44=FF 45=FF 46=FF 47=FF 48=FF 49=FF 4A=FF 4B=FF 4C=FF 4D=FF 4E=FF 4F=FF "
    "50=FF 51=FF 52=FF 53=FF 54=FF 55=FF 56=FF 57=FF "
    "58=00 59=54 5A=07 5B=83 5C=00 5D=00 5E=00 5F=00 60=00 61=00 63=00";

class HeronIIRepriseTest : public DecoderTest {
protected:
    void SetUp() override {
        DecoderTest::SetUp();
        OpenBoard(kHeronIIReprise);
    }
};

TEST_F(HeronIIRepriseTest, InitVideoSourceKeepsOrReplacesTheRecordedSourceAndStandard) {
    Set(kPropVideoSource, 1);
    Set(kPropTvStandard, 0x1000);
    const VideoPropertySet set{};
    Mark();
    EXPECT_EQ(Init(kKeepCurrent, kKeepCurrent, set), 0u);
    std::vector<std::string> bus = Bus();
    EXPECT_THAT(std::vector<std::string>(bus.begin() + 67, bus.begin() + 70), ElementsAreArray(Writes(kSaa, "02=C0 09=40 0E=50")));
    Mark();
    EXPECT_EQ(Init(0x10, 0, set), 0u);
    bus = Bus();
    EXPECT_THAT(std::vector<std::string>(bus.begin() + 67, bus.begin() + 70), ElementsAreArray(Writes(kSaa, "02=C9 09=80 0E=01")));
    EXPECT_EQ(Property(kPropTvStandard), 0x10u);
}

// A failed table write ends set-up there: first, a middle and the last entry.
class HeronIIRepriseTableFailure : public HeronIIRepriseTest, public ::testing::WithParamInterface<size_t> {};
TEST_P(HeronIIRepriseTableFailure, StopsAtTheFailedWrite) {
    host_.FailNthCall(GetParam());
    EXPECT_EQ(Init(kKeepCurrent, kKeepCurrent, VideoPropertySet{}), kStatusBusFailure);
    ASSERT_EQ(host_.Log().size(), GetParam());
    EXPECT_NE(host_.Log().back().result, 0u);
    EXPECT_THAT(Traces(), IsEmpty());
}
INSTANTIATE_TEST_SUITE_P(FirstMiddleLast, HeronIIRepriseTableFailure, ::testing::Values(1, 34, 67));

TEST_F(HeronIIRepriseTest, InitVideoSourceFailures) {
    const VideoPropertySet set{};
    // Standard 0: table and source, then refused before any picture property.
    EXPECT_EQ(Init(0, 0, set), kStatusInvalid);
    EXPECT_THAT(Bus(), ElementsAreArray(Cat({Writes(kSaa, kSetup), Writes(kSaa, "02=C9 09=80")})));
    EXPECT_THAT(Traces(), ElementsAre("SetVideoProperty 0 0", "SetVideoProperty 4098 0"));
    // An unknown source stops before the standard.
    Mark();
    EXPECT_EQ(Init(1, 2, set), kStatusInvalid);
    EXPECT_EQ(Bus().size(), 67u);
    EXPECT_THAT(Traces(), ElementsAre("SetVideoProperty 0 2", "Error:Unknown Video Source 2!!!"));
    // A failed standard write is the result; the standard stays.
    Mark();
    host_.FailNthCall(70);
    EXPECT_EQ(Init(0x1000, 0, set), kStatusBusFailure);
    EXPECT_EQ(Bus().size(), 70u);
    EXPECT_EQ(Property(kPropTvStandard), 1u);
    // A failed picture write (the first, brightness) is not reported.
    Mark();
    host_.FailNthCall(71);
    EXPECT_EQ(Init(1, 0, set), 0u);
    EXPECT_EQ(Bus()[70], "I2C 4A W 0A=00 !1");
    // Nothing to work on: no bus traffic at all.
    Mark();
    EXPECT_EQ(video().InitVideoSource(nullptr, device(), 1, 0, &set), kStatusInvalid);
    EXPECT_EQ(video().InitVideoSource(context_, device(), 1, 0, nullptr), kStatusInvalid);
    host_.RegisterTable(nullptr);
    EXPECT_EQ(Init(1, 0, set), kStatusBusFailure);
    host_.Register();
    EXPECT_THAT(host_.Log(), IsEmpty());
}

struct StandardRow {
    u32 mask;
    std::string writes;
    u32 status;
    u32 recorded;
};
class HeronIIRepriseStandard : public HeronIIRepriseTest, public ::testing::WithParamInterface<StandardRow> {};
TEST_P(HeronIIRepriseStandard, Register0E) {
    const StandardRow& row = GetParam();
    EXPECT_EQ(Set(kPropTvStandard, row.mask), row.status);
    EXPECT_THAT(Bus(), ElementsAreArray(Writes(kSaa, row.writes)));
    EXPECT_EQ(Property(kPropTvStandard), row.recorded);
}
INSTANTIATE_TEST_SUITE_P(
    Families, HeronIIRepriseStandard,
    ::testing::Values(StandardRow{0xFFFFFFFF, "", 0, 1}, StandardRow{0, "", kStatusInvalid, 1},
                      StandardRow{0x800, "0E=01", 0, 0x800}, StandardRow{0x5F0, "0E=01", 0, 0x5F0},
                      StandardRow{0x80000, "0E=50", 0, 0x80000}, StandardRow{0x1010, "0E=01", 0, 0x1010},
                      StandardRow{0x100000, "", 0, 0x100000}),
    [](const auto& info) { return "Mask" + NameHex(info.param.mask); });

TEST_F(HeronIIRepriseTest, FailedStandardWriteKeepsTheOldStandard) {
    host_.FailMatching(Service::I2cWrite, kSaa, 0x0E);
    EXPECT_EQ(Set(kPropTvStandard, 0x1000), kStatusBusFailure);
    EXPECT_EQ(Property(kPropTvStandard), 1u);
}

struct PictureRow {
    u32 index;
    s32 value;
    std::string writes;
    u32 status;
};
class HeronIIReprisePicture : public HeronIIRepriseTest, public ::testing::WithParamInterface<PictureRow> {};
TEST_P(HeronIIReprisePicture, RegisterBytes) {
    const PictureRow& row = GetParam();
    EXPECT_EQ(Set(row.index, static_cast<u32>(row.value)), row.status);
    EXPECT_THAT(Bus(), ElementsAreArray(Writes(kSaa, row.writes)));
    EXPECT_THAT(Traces(), ElementsAre("SetVideoProperty " + std::to_string(row.index) + " " + std::to_string(row.value)));
}
INSTANTIATE_TEST_SUITE_P(
    Ranges, HeronIIReprisePicture,
    ::testing::Values(PictureRow{1, 0, "0A=00", 0}, PictureRow{1, 60, "0A=99", 0}, PictureRow{1, 100, "0A=FF", 0},
                      PictureRow{1, 101, "", kStatusInvalid}, PictureRow{1, -1, "", kStatusInvalid},
                      PictureRow{3, 100, "0B=7F", 0}, PictureRow{3, -1, "", kStatusInvalid},
                      PictureRow{5, -50, "0D=80", 0}, PictureRow{5, -1, "0D=FD", 0}, PictureRow{5, 0, "0D=00", 0},
                      PictureRow{5, 50, "0D=7F", 0}, PictureRow{5, 51, "", kStatusInvalid},
                      PictureRow{5, -51, "", kStatusInvalid}, PictureRow{7, 100, "0C=7F", 0},
                      PictureRow{7, 101, "", kStatusInvalid}, PictureRow{9, 50, "", kStatusNotSupported},
                      PictureRow{2, 0, "", kStatusNotSupported}, PictureRow{0x1003, 1, "", kStatusNotSupported}),
    [](const auto& info) { return "Index" + NameHex(info.param.index) + "_" + NameSigned(info.param.value); });

TEST_F(HeronIIRepriseTest, PictureStatusIsTheHostsWriteResult) {
    host_.FailMatching(Service::I2cWrite, kSaa, 0x0B, 0x1234);
    EXPECT_EQ(Set(kPropContrast, 10), 0x1234u);
}

// 0x1000 is bit 1 and 0x1001 "bit 6 clear" of register 0x1F; the closing
// trace prints the status.
struct StatusRow {
    u32 index;
    int regValue;  // -1: the read fails
    u32 value;
    u32 status;
};
class HeronIIRepriseStatus : public HeronIIRepriseTest, public ::testing::WithParamInterface<StatusRow> {};
TEST_P(HeronIIRepriseStatus, Register1F) {
    const StatusRow& row = GetParam();
    if (row.regValue < 0) host_.FailMatching(Service::I2cRead, kSaa, 0x1F);
    else host_.SetReg(kSaa, 0x1F, static_cast<u8>(row.regValue));
    u32 value = 0xDEADBEEF;
    EXPECT_EQ(Get(row.index, &value), row.status);
    EXPECT_EQ(value, row.value);
    EXPECT_THAT(Traces(), ElementsAre("GetVideoProperty " + std::to_string(row.index),
                                      "GetVideoProperty return " + std::to_string(static_cast<int>(row.status))));
}
INSTANTIATE_TEST_SUITE_P(Bits, HeronIIRepriseStatus,
                         ::testing::Values(StatusRow{0x1000, 0x02, 1, 0}, StatusRow{0x1000, 0xFD, 0, 0},
                                           StatusRow{0x1001, 0xBF, 1, 0}, StatusRow{0x1001, 0x40, 0, 0},
                                           StatusRow{0x1000, -1, 0, kStatusBusFailure},
                                           StatusRow{0x1001, -1, 0, kStatusBusFailure}),
                         [](const auto& info) {
                             return "Index" + NameHex(info.param.index) + "_Reg" + NameSigned(info.param.regValue);
                         });

TEST_F(HeronIIRepriseTest, UnknownPropertyIsRefusedAfterTheOpeningTrace) {
    u32 value = 7;
    EXPECT_EQ(Get(2, &value), kStatusNotSupported);
    EXPECT_EQ(value, 0u);
    EXPECT_THAT(Traces(), ElementsAre("GetVideoProperty 2"));
    EXPECT_EQ(Get(0x1000, nullptr), kStatusInvalid);
}

TEST_F(HeronIIRepriseTest, SourcesAndInputs) {
    EXPECT_EQ(Set(kPropVideoSource, 1), 0u);
    EXPECT_EQ(Set(kPropVideoSource, 2), kStatusInvalid);
    EXPECT_EQ(InputType(), 0u);
    EXPECT_EQ(SelectInput(1), 0u);
    EXPECT_EQ(Property(kPropVideoSource), 0u);
    EXPECT_EQ(SelectInput(2), kStatusInvalid);
    host_.FailMatching(Service::I2cWrite);  // the source writes are not checked
    EXPECT_EQ(SelectInput(0), 0u);
    EXPECT_EQ(InputType(), 0u);
    EXPECT_THAT(Bus(), ElementsAre("I2C 4A W 02=C0", "I2C 4A W 09=40", "I2C 4A W 02=C9", "I2C 4A W 09=80",
                                   "I2C 4A W 02=C0 !1", "I2C 4A W 09=40 !1"));
    EXPECT_THAT(Traces(), ElementsAre("SetVideoProperty 0 1", "SetVideoProperty 0 2", "Error:Unknown Video Source 2!!!",
                                      "Set_Current_Video_InputID 1", "GetVideoProperty 0", "GetVideoProperty return 0",
                                      "Set_Current_Video_InputID 2", "Set_Current_Video_InputID 0"));
}

// The vertical-offset rule, then source and standard re-applied; nothing
// else of the (0xCC-filled) configuration is touched.
struct CaptureRow {
    u32 mask;
    u32 vOffsetBefore;
    u32 vOffsetAfter;
};
class HeronIIRepriseCapture : public HeronIIRepriseTest, public ::testing::WithParamInterface<CaptureRow> {};
TEST_P(HeronIIRepriseCapture, VOffsetRule) {
    const CaptureRow& row = GetParam();
    Set(kPropTvStandard, 0x1000);
    Mark();
    Guarded<CaptureConfig> config(0xCC);
    config->standardMask = row.mask;
    config->vOffset = row.vOffsetBefore;
    Guarded<CaptureConfig> expected = config;
    expected->vOffset = row.vOffsetAfter;
    EXPECT_EQ(video().OnStartCapture(context_, device(), config.get()), 0u);
    EXPECT_EQ(std::memcmp(config.bytes, expected.bytes, sizeof config.bytes), 0);
    EXPECT_THAT(Bus(), ElementsAreArray(Writes(kSaa, "02=C9 09=80 0E=50")));
}
INSTANTIATE_TEST_SUITE_P(Masks, HeronIIRepriseCapture,
                         ::testing::Values(CaptureRow{0xA07, 0, 4}, CaptureRow{0xA07, 9, 9}, CaptureRow{0x1, 0, 0},
                                           CaptureRow{0x5F0, 0, 0}),
                         [](const auto& info) {
                             return "Mask" + NameHex(info.param.mask) + "_VOffset" + std::to_string(info.param.vOffsetBefore);
                         });

TEST_F(HeronIIRepriseTest, CaptureWithoutConfiguration) {
    EXPECT_EQ(video().OnStartCapture(context_, device(), nullptr), kStatusInvalid);
    EXPECT_THAT(Traces(), ElementsAre("OnStartCapture video_config == NULL"));
    Guarded<CaptureConfig> config(0xCC);
    EXPECT_EQ(video().OnStartCapture(nullptr, device(), config.get()), kStatusInvalid);
    EXPECT_THAT(host_.Log(), IsEmpty());
}

// Reviewed golden trace of the host's usual session (default properties,
// source and standard kept, first format at capture start).
TEST_F(HostTest, HeronIIRepriseGoldenSession) {
    // Starts with a newline for readability.
    constexpr const char* kGolden = R"(
OpenBoard 0x00000000
GetVideoSourceCaps 0x00000155
GetVideoFormats 0x00000000
GetStreamFormatTable none
GetDefaultVideoProperties none
InitVideoSource 0x00000000
  I2C 4A W 00=20
  I2C 4A W 01=08
  I2C 4A W 02=C9
  I2C 4A W 03=33
  I2C 4A W 04=00
  I2C 4A W 05=00
  I2C 4A W 06=E9
  I2C 4A W 07=0D
  I2C 4A W 08=D8
  I2C 4A W 09=81
  I2C 4A W 0A=80
  I2C 4A W 0B=47
  I2C 4A W 0C=40
  I2C 4A W 0D=00
  I2C 4A W 0E=01
  I2C 4A W 0F=2A
  I2C 4A W 10=48
  I2C 4A W 11=0C
  I2C 4A W 12=FE
  I2C 4A W 13=00
  I2C 4A W 14=00
  I2C 4A W 15=04
  I2C 4A W 16=00
  I2C 4A W 17=00
  I2C 4A W 18=00
  I2C 4A W 19=00
  I2C 4A W 1A=00
  I2C 4A W 1B=00
  I2C 4A W 1C=00
  I2C 4A W 1D=00
  I2C 4A W 1E=00
  I2C 4A W 1F=C8
  I2C 4A W 40=00
  I2C 4A W 41=FF
  I2C 4A W 42=FF
  I2C 4A W 43=FF
  I2C 4A W 44=FF
  I2C 4A W 45=FF
  I2C 4A W 46=FF
  I2C 4A W 47=FF
  I2C 4A W 48=FF
  I2C 4A W 49=FF
  I2C 4A W 4A=FF
  I2C 4A W 4B=FF
  I2C 4A W 4C=FF
  I2C 4A W 4D=FF
  I2C 4A W 4E=FF
  I2C 4A W 4F=FF
  I2C 4A W 50=FF
  I2C 4A W 51=FF
  I2C 4A W 52=FF
  I2C 4A W 53=FF
  I2C 4A W 54=FF
  I2C 4A W 55=FF
  I2C 4A W 56=FF
  I2C 4A W 57=FF
  I2C 4A W 58=00
  I2C 4A W 59=54
  I2C 4A W 5A=07
  I2C 4A W 5B=83
  I2C 4A W 5C=00
  I2C 4A W 5D=00
  I2C 4A W 5E=00
  I2C 4A W 5F=00
  I2C 4A W 60=00
  I2C 4A W 61=00
  I2C 4A W 63=00
  > SetVideoProperty 0 0
  I2C 4A W 02=C9
  I2C 4A W 09=80
  > SetVideoProperty 4098 1
  I2C 4A W 0E=01
  > SetVideoProperty 1 50
  I2C 4A W 0A=7F
  > SetVideoProperty 2 0
  > SetVideoProperty 3 50
  I2C 4A W 0B=3F
  > SetVideoProperty 4 0
  > SetVideoProperty 5 0
  I2C 4A W 0D=00
  > SetVideoProperty 6 0
  > SetVideoProperty 7 50
  I2C 4A W 0C=3F
  > SetVideoProperty 8 0
  > SetVideoProperty 9 50
  > SetVideoProperty 10 0
  > SetVideoProperty 11 50
  > SetVideoProperty 12 0
  > SetVideoProperty 13 50
  > SetVideoProperty 14 0
  > SetVideoProperty 15 50
  > SetVideoProperty 16 0
  > SetVideoProperty 17 0
GetAudioSourceCaps 0x0017E047
GetAudioChipconfig none
InitAudio 0x00000000
  DEVCTL 0=1
GetVideoInputs 0x00000001
GetVideoInputType 0x00000001
OnStartCapture 0x00000000
  I2C 4A W 02=C9
  I2C 4A W 09=80
  I2C 4A W 0E=01
  config hOffset=0 vOffset=4 widthDoubled=0 heightDoubled=0 sizeFlag3=0
CloseBoard 0x00000000
)";
    EXPECT_EQ(SessionTranscript(host_, kHeronIIReprise), kGolden + 1);
}

}  // namespace
}  // namespace trel::test
