// Egret: TW9906 at 0x88. Device controls and set-up table, standard register
// 0x08, and the scaler of capture start with the fields it hands the host.
#include "decoder_support.h"

namespace trel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr u8 kTw = 0x88;
const std::string kSetup =
    "02=55 03=A2 05=81 08=14 09=F0 0A=10 0D=00 0E=11 0F=00 19=57 1A=0F 1B=40 29=03 55=00 6B=26 6C=36 6D=F0 6E=41 6F=13 AD=70";

class EgretTest : public DecoderTest {
protected:
    void SetUp() override {
        DecoderTest::SetUp();
        OpenBoard(kEgret);
    }
};

TEST_F(EgretTest, InitVideoSourceReplacesKeepCurrentWithTheRecordedValues) {
    Set(kPropVideoSource, 1);
    Set(kPropTvStandard, 0x1000);
    Mark();
    EXPECT_EQ(Init(kKeepCurrent, kKeepCurrent, VideoPropertySet{}), 0u);
    const std::vector<std::string> bus = Bus();
    EXPECT_THAT(std::vector<std::string>(bus.begin() + 22, bus.begin() + 24), ElementsAreArray(Writes(kTw, "02=40 08=19")));
}

// Device-control failures are ignored; a failed table write ends set-up there.
class EgretTableFailure : public EgretTest, public ::testing::WithParamInterface<size_t> {};
TEST_P(EgretTableFailure, StopsAtTheFailedWrite) {
    host_.FailMatching(Service::DeviceControl);
    host_.FailNthCall(GetParam());
    EXPECT_EQ(Init(1, 0, VideoPropertySet{}), kStatusBusFailure);
    ASSERT_EQ(host_.Log().size(), GetParam());
    EXPECT_NE(host_.Log().back().result, 0u);
    EXPECT_THAT(Traces(), IsEmpty());
}
INSTANTIATE_TEST_SUITE_P(FirstMiddleLast, EgretTableFailure, ::testing::Values(3, 12, 22));

TEST_F(EgretTest, InitVideoSourceWithNothingToWorkOn) {
    const VideoPropertySet set{};
    EXPECT_EQ(Init(0, 1, set), kStatusInvalid);  // after controls, table and source
    EXPECT_EQ(Bus().size(), 23u);
    Mark();
    host_.FailNthCall(24);  // the standard write
    EXPECT_EQ(Init(0x10, 0, set), kStatusBusFailure);
    EXPECT_EQ(Property(kPropTvStandard), 1u);
    Mark();
    host_.FailNthCall(25);  // brightness: not reported
    EXPECT_EQ(Init(0x10, 0, set), 0u);
    EXPECT_EQ(Bus()[24], "I2C 88 W 10=81 !1");
    Mark();
    EXPECT_EQ(video().InitVideoSource(nullptr, device(), 1, 0, &set), kStatusInvalid);
    EXPECT_EQ(video().InitVideoSource(context_, device(), 1, 0, nullptr), kStatusInvalid);
    host_.RegisterTable(nullptr);
    EXPECT_EQ(Init(1, 0, set), kStatusBusFailure);
    host_.Register();
    EXPECT_THAT(host_.Log(), IsEmpty());
}

TEST_F(EgretTest, StandardRegister08) {
    struct Row {
        u32 mask;
        std::string writes;
        u32 status;
        u32 recorded;
    };
    for (const Row& row : {Row{0x800, "08=14", 0, 0x800}, Row{0x400, "08=19", 0, 0x400}, Row{0x1000, "08=19", 0, 0x1000},
                           Row{0xA17, "08=14", 0, 0xA17}, Row{0x100000, "", 0, 0x100000},
                           Row{0xFFFFFFFF, "", 0, 0x100000}, Row{0, "", kStatusInvalid, 0x100000}}) {
        Mark();
        EXPECT_EQ(Set(kPropTvStandard, row.mask), row.status) << row.mask;
        EXPECT_THAT(Bus(), ElementsAreArray(Writes(kTw, row.writes))) << row.mask;
        EXPECT_EQ(Property(kPropTvStandard), row.recorded) << row.mask;
    }
    host_.FailMatching(Service::I2cWrite, kTw, 0x08);
    EXPECT_EQ(Set(kPropTvStandard, 0x1), kStatusBusFailure);
    EXPECT_EQ(Property(kPropTvStandard), 0x100000u);
}

// Capture start: the configuration (0xCC-filled) gets hOffset, vOffset and the
// three size flags and nothing else; the scaler registers follow the source
// size, then source 0 and NTSC-M are re-applied.
struct ScalerRow {
    u32 mask;
    int bit0;  // register 0x01 as read: 0 or 1; -1 the read fails; -2 not read
    u32 width;
    u32 height;
    std::string scaler;  // writes of 0x0D, 0x0E, 0x0F; empty: none
    u32 vOffset;
    u8 widthDoubled;
    u8 heightDoubled;
};
class EgretScaler : public EgretTest, public ::testing::WithParamInterface<ScalerRow> {};
std::string ScalerName(const ::testing::TestParamInfo<ScalerRow>& info) {
    const ScalerRow& row = info.param;
    static const char* const kSignal[] = {"NotRead", "ReadFails", "60Hz", "50Hz"};
    return "Mask" + NameHex(row.mask) + "_" + kSignal[row.bit0 + 2] + "_" + std::to_string(row.width) + "x" +
           std::to_string(row.height);
}
TEST_P(EgretScaler, RegistersAndConfiguration) {
    const ScalerRow& row = GetParam();
    if (row.bit0 == -1) host_.FailMatching(Service::I2cRead, kTw, 0x01);
    else host_.SetReg(kTw, 0x01, static_cast<u8>(row.bit0 == 1 ? 0xC1 : 0xC0));
    Guarded<CaptureConfig> config(0xCC);
    config->standardMask = row.mask;
    config->captureWidth = row.width;
    config->captureHeight = row.height;
    Guarded<CaptureConfig> expected = config;
    expected->hOffset = 0;
    expected->vOffset = row.vOffset;
    expected->widthDoubled = row.widthDoubled;
    expected->heightDoubled = row.heightDoubled;
    expected->sizeFlag3 = 0;
    EXPECT_EQ(video().OnStartCapture(context_, device(), config.get()), 0u);
    for (size_t i = 0; i < sizeof config.bytes; ++i) ASSERT_EQ(config.bytes[i], expected.bytes[i]) << "byte " << i;
    std::vector<std::string> bus;
    if (row.bit0 == -1) bus.push_back("I2C 88 R 01 !1");
    if (row.bit0 >= 0) bus.push_back(Read(kTw, 0x01, row.bit0 == 1 ? 0xC1 : 0xC0));
    EXPECT_THAT(Bus(), ElementsAreArray(Cat({bus, Writes(kTw, row.scaler), Writes(kTw, "02=55 08=14")})));
    EXPECT_THAT(Traces(), IsEmpty());
}
INSTANTIATE_TEST_SUITE_P(
    WorkedResults, EgretScaler,
    ::testing::Values(ScalerRow{0xA07, 0, 720, 480, "0D=00 0E=11 0F=00", 0, 0, 0},
                      ScalerRow{0xA07, 0, 352, 240, "0D=00 0E=11 0F=05", 0, 1, 1},
                      ScalerRow{0xA07, 0, 176, 144, "0D=9C 0E=12 0F=0D", 0, 1, 1},
                      ScalerRow{0xA07, 0, 640, 480, "0D=00 0E=11 0F=20", 0, 0, 0},
                      ScalerRow{0xA07, 1, 720, 480, "0D=33 0E=11 0F=00", 10, 0, 0},
                      ScalerRow{0xA07, 1, 720, 288, "0D=F7 0E=11 0F=00", 10, 0, 0},
                      ScalerRow{0x5F0, -2, 352, 288, "0D=00 0E=11 0F=05", 0, 1, 1},
                      ScalerRow{0x5F0, -2, 176, 144, "0D=00 0E=22 0F=0D", 0, 1, 1}),
    ScalerName);
INSTANTIATE_TEST_SUITE_P(
    Edges, EgretScaler,
    ::testing::Values(
        // A failed status read is a 60-Hz signal: the fixed 412 for 288 lines.
        ScalerRow{0xA07, -1, 176, 144, "0D=9C 0E=12 0F=0D", 0, 1, 1},
        // A ratio of exactly 3 doubles the width and adds 2 (0x180 + 2).
        ScalerRow{0xA07, 0, 240, 480, "0D=00 0E=11 0F=82", 0, 1, 0},
        // SECAM scales like PAL; a single NTSC bit is the NTSC family.
        ScalerRow{0xFF000, -2, 720, 576, "0D=00 0E=11 0F=00", 0, 0, 0},
        ScalerRow{0x1, 0, 720, 240, "0D=00 0E=11 0F=00", 0, 0, 1},
        // NTSC and PAL bits: the 50-Hz offset stays, the 576-line source wins.
        ScalerRow{0xA17, 1, 720, 288, "0D=00 0E=11 0F=00", 10, 0, 1},
        // Nothing to scale: no read, no scaler, fields cleared, status 0.
        ScalerRow{0xA07, -2, 0, 480, "", 0, 0, 0}, ScalerRow{0x5F0, -2, 720, 0, "", 0, 0, 0},
        ScalerRow{0x100000, -2, 720, 480, "", 0, 0, 0}),
    ScalerName);

TEST_F(EgretTest, CaptureStartReappliesTheRecordedSourceAndStandard) {
    Set(kPropVideoSource, 1);
    Set(kPropTvStandard, 0x20);
    Mark();
    Guarded<CaptureConfig> config;
    config->standardMask = 0x5F0;
    config->captureWidth = 720;
    config->captureHeight = 576;
    host_.FailMatching(Service::I2cWrite);  // none of these writes is checked
    EXPECT_EQ(video().OnStartCapture(context_, device(), config.get()), 0u);
    EXPECT_THAT(Bus(), ElementsAre("I2C 88 W 0D=00 !1", "I2C 88 W 0E=11 !1", "I2C 88 W 0F=00 !1", "I2C 88 W 02=40 !1",
                                   "I2C 88 W 08=19 !1"));
}

TEST_F(EgretTest, CaptureWithoutConfigurationOrContext) {
    EXPECT_EQ(video().OnStartCapture(context_, device(), nullptr), kStatusInvalid);
    EXPECT_THAT(Traces(), ElementsAre("OnStartCapture video_config == NULL"));
    Guarded<CaptureConfig> config(0xCC);
    EXPECT_EQ(video().OnStartCapture(nullptr, device(), config.get()), kStatusInvalid);
    for (size_t i = 0; i < sizeof config.bytes; ++i) ASSERT_EQ(config.bytes[i], i < sizeof(CaptureConfig) ? 0xCC : 0xA5);
    EXPECT_THAT(host_.Log(), IsEmpty());
}

// Reviewed golden trace of the host's usual session (default properties,
// source and standard kept, first format at capture start).
TEST_F(HostTest, EgretGoldenSession) {
    // Starts with a newline for readability.
    constexpr const char* kGolden = R"(
OpenBoard 0x00000000
GetVideoSourceCaps 0x00000555
GetVideoFormats 0x00000000
GetStreamFormatTable none
GetDefaultVideoProperties none
InitVideoSource 0x00000000
  DEVCTL 2=0
  DEVCTL 2=1
  I2C 88 W 02=55
  I2C 88 W 03=A2
  I2C 88 W 05=81
  I2C 88 W 08=14
  I2C 88 W 09=F0
  I2C 88 W 0A=10
  I2C 88 W 0D=00
  I2C 88 W 0E=11
  I2C 88 W 0F=00
  I2C 88 W 19=57
  I2C 88 W 1A=0F
  I2C 88 W 1B=40
  I2C 88 W 29=03
  I2C 88 W 55=00
  I2C 88 W 6B=26
  I2C 88 W 6C=36
  I2C 88 W 6D=F0
  I2C 88 W 6E=41
  I2C 88 W 6F=13
  I2C 88 W AD=70
  > SetVideoProperty 0 0
  I2C 88 W 02=55
  > SetVideoProperty 4098 1
  I2C 88 W 08=14
  > SetVideoProperty 1 50
  I2C 88 W 10=00
  > SetVideoProperty 2 0
  > SetVideoProperty 3 37
  I2C 88 W 11=5E
  > SetVideoProperty 4 0
  > SetVideoProperty 5 0
  I2C 88 W 15=00
  > SetVideoProperty 6 0
  > SetVideoProperty 7 41
  I2C 88 W 13=7E
  I2C 88 W 14=7E
  > SetVideoProperty 8 0
  > SetVideoProperty 9 8
  I2C 88 R 12->00
  I2C 88 W 12=01
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
  I2C 88 R 01->00
  I2C 88 W 0D=00
  I2C 88 W 0E=11
  I2C 88 W 0F=00
  I2C 88 W 02=55
  I2C 88 W 08=14
  config hOffset=0 vOffset=0 widthDoubled=0 heightDoubled=0 sizeFlag3=0
CloseBoard 0x00000000
)";
    EXPECT_EQ(SessionTranscript(host_, kEgret), kGolden + 1);
    EXPECT_THAT(host_.Log()[0].constants, ElementsAre(1u, 0u));  // DeviceControl: request 1, trailing 0
}

}  // namespace
}  // namespace trel::test
