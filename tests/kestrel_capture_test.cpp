// Kestrel capture start: the scaler for the requested size (the shared SAA7115
// computation, here with flags 0x8000), the fields left in the capture
// configuration, then the board re-applied from its context.
#include "kestrel_support.h"

namespace trel::test {
namespace {

const std::string kFull = "9C=D0 9D=02 A0=01 A8=00 A9=04 AC=00 AD=02 CC=D0 CD=02 D0=01 D8=00 D9=04 DC=00 DD=02 "
                          "A1=01 D1=01 A2=01 D2=01 ";
const std::string kFrame525 = "9E=F2 9F=00 B0=00 B1=04 B2=00 B3=04 CE=F2 CF=00 E0=00 E1=04 E2=00 E3=04 ";
const std::string kFrame625 = "9E=20 9F=01 B0=00 B1=04 B2=00 B3=04 CE=20 CF=01 E0=00 E1=04 E2=00 E3=04 ";
const std::string kRouteLine = "12:000B=0220 12:0013=3E40";

struct CaptureRow {
    const char* name;
    u32 mask;
    u32 width;
    u32 height;
    std::string scaler;
    int heightDoubled;  // -1: left as the host put it
    u32 vOffset;
};

std::vector<CaptureRow> CaptureRows() {
    return {
        {"Ntsc720x480", 0xA07, 720, 480, kFull + kFrame525, 0, 4},
        {"Pal720x576", 0x5F0, 720, 576, kFull + kFrame625, 0, 0},
        {"NtscMOnly720x480", 0x1, 720, 480, kFull + kFrame525, 0, 0},
        {"Ntsc640x480", 0xA07, 640, 480,
         "9C=80 9D=02 A0=01 A8=80 A9=04 AC=40 AD=02 CC=80 CD=02 D0=01 D8=80 D9=04 DC=40 DD=02 A1=01 D1=01 A2=01 "
         "D2=01 " + kFrame525, 0, 4},
        {"Ntsc720x360", 0xA07, 720, 360,
         kFull + "9E=B6 9F=00 B0=55 B1=05 B2=55 B3=05 CE=B6 CF=00 E0=55 E1=05 E2=55 E3=05", 0, 4},
        {"Ntsc720x240", 0xA07, 720, 240, kFull + kFrame525, 1, 4},
        {"Pal352x288", 0x5F0, 352, 288,
         "9C=60 9D=01 A0=02 A8=17 A9=04 AC=0B AD=02 CC=60 CD=01 D0=02 D8=17 D9=04 DC=0B DD=02 A1=01 D1=01 A2=01 "
         "D2=01 CE=20 CF=01 E0=00 E1=04 E2=00 E3=04 9E=20 9F=01 B0=00 B1=04 B2=00 B3=04", 1, 0},
        {"Pal720x200", 0x5F0, 720, 200, kFull, -1, 0},
        {"NoFamily", 0x100000, 720, 480, "", -1, 9},
    };
}

class KestrelCaptureTest : public KestrelTest, public ::testing::WithParamInterface<CaptureRow> {
protected:
    void SetUp() override {
        KestrelTest::SetUp();
        UseLineInput();  // keeps the re-applied part short: source, standard, routing
    }
};

TEST_P(KestrelCaptureTest, ProgramsTheScalerThenReappliesTheContext) {
    const CaptureRow& row = GetParam();
    Guarded<CaptureConfig> config = HostConfig(row.mask, row.width, row.height, 0xCC);
    config->vOffset = 9;
    Guarded<CaptureConfig> expected = config;
    if (row.mask != 0x100000) {
        expected->hOffset = 0;
        expected->vOffset = row.vOffset;
        expected->widthDoubled = 0;
        expected->sizeFlag3 = 0;
    }
    if (row.heightDoubled >= 0) expected->heightDoubled = static_cast<u8>(row.heightDoubled);
    EXPECT_EQ(video().OnStartCapture(context_, device(), config.get()), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(Writes(row.scaler, " f8000") + KSource(2) + K525() + K(kRouteLine)));
    ExpectSameBytes(config, expected);
}

INSTANTIATE_TEST_SUITE_P(Sizes, KestrelCaptureTest, ::testing::ValuesIn(CaptureRows()),
                         [](const auto& info) { return std::string(info.param.name); });

// The standard list re-applied after the scaler rewrites the input window but
// leaves the computed increments.
TEST_F(KestrelTest, ReappliedStandardOverwritesTheWindowNotTheIncrements) {
    Guarded<CaptureConfig> config = HostConfig(0xA07, 720, 360);
    EXPECT_EQ(video().OnStartCapture(context_, device(), config.get()), 0u);
    EXPECT_EQ(host_.Reg(0x40, 0x9E), 0xF2);
    EXPECT_EQ(host_.Reg(0x40, 0xCE), 0xF2);
    EXPECT_EQ(host_.Reg(0x40, 0xB0), 0x55);
    EXPECT_EQ(host_.Reg(0x40, 0xB1), 0x05);
}

// A width the scaler cannot take: nothing written, configuration untouched,
// context not re-applied. Without a family bit the width is not used.
TEST_F(KestrelTest, WidthZeroOrAbove720IsRefused) {
    for (u32 width : {0u, 721u, 0xFFFFFFFFu}) {
        Guarded<CaptureConfig> config = HostConfig(0x5F0, width, 576);
        const Guarded<CaptureConfig> before = config;
        EXPECT_EQ(video().OnStartCapture(context_, device(), config.get()), kInvalid);
        ExpectSameBytes(config, before);
    }
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_THAT(Traces(), IsEmpty());
    Guarded<CaptureConfig> config = HostConfig(0x100000, 0, 480);
    EXPECT_EQ(video().OnStartCapture(context_, device(), config.get()), 0u);
    EXPECT_EQ(Bus().front(), K("02=C3").front());
    EXPECT_EQ(video().OnStartCapture(context_, device(), nullptr), kInvalid);
    EXPECT_EQ(Traces().back(), "OnStartCapture video_config == NULL");
}

// ---------------------------------------------------------------------------
// Re-application: source, standard, audio source; with the tuner side also
// tuner mode, frequency and TV sound mode, in that order.
const std::string kPalScaler = kFull + kFrame625;

TEST_F(KestrelTest, CaptureStartReappliesTheTunerSideInOrder) {
    UseStandard(0x10);
    ASSERT_EQ(Tune(471'250'000), 0u);
    UseAudioMode(0x12);
    ASSERT_EQ(inputs().Set_Current_Video_InputID(context_, device(), 1), 0u);
    Mark();
    host_.ScriptSubaddressRead({0x80, 0x11, 0x00, 0x7E}, {0x00, 0x03});
    Guarded<CaptureConfig> config = HostConfig(0x5F0, 720, 576);
    EXPECT_EQ(video().OnStartCapture(context_, device(), config.get()), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(Writes(kPalScaler, " f8000") + KSource(1) + K625() +
                                        K("11:007E->0003 C2=DE40 86=167449 10:0030=0043 12:000E=2400 W=CE041FE2 "
                                          "10:0020=0001 12:000B=0320")));
    EXPECT_THAT(Traces(), ElementsAre("SetTVStandard 16", "Set Audio Source TV Tuner", "Standard Result Reg : 0, 3!!!",
                                      "Set Tuner Mode B/G", "Set Frequency 471250000, VIF = 3890",
                                      "Set TVAudio Language A & Stereo!!!"));
}

TEST_F(KestrelTest, CaptureStartWithTheLineInputLeavesTheTunerAlone) {
    UseStandard(0x10);
    ASSERT_EQ(Tune(471'250'000), 0u);
    UseLineInput();
    Guarded<CaptureConfig> config = HostConfig(0x5F0, 720, 576);
    EXPECT_EQ(video().OnStartCapture(context_, device(), config.get()), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(Writes(kPalScaler, " f8000") + KSource(2) + K625() + K(kRouteLine)));
    EXPECT_THAT(Traces(), ElementsAre("SetTVStandard 16", "Set Audio Source LINE In"));
}

TEST_F(KestrelTest, CaptureStartInFmMode) {
    UseTunerMode(2);
    ASSERT_EQ(Tune(100'000'000), 0u);
    UseAudioMode(0x12);
    Guarded<CaptureConfig> config = HostConfig(0x5F0, 720, 576);
    EXPECT_EQ(video().OnStartCapture(context_, device(), config.get()), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(Writes(kPalScaler, " f8000") + KSource(2) + K525() +
                                        K("12:000B=0220 12:0013=0000 C2=9840 C2=8819 86=0A9020 W=881908A6 C2=8819 "
                                          "86=0A9020 12:000B=0220")));
    EXPECT_THAT(Traces(), ElementsAre("SetTVStandard 1", "Set Audio Source FM RADIO", "Set Tuner Mode FM Radio",
                                      "Set Frequency 100000000, VIF = 1070", "Set FM RADIO STEREO"));
}

// A standard outside the tuner groups: the mode goes out without IF
// demodulator write, the frequency is not sent.
TEST_F(KestrelTest, CaptureStartWithAStandardOutsideTheTunerGroups) {
    UseStandard(0x4);  // NTSC-4.43
    Guarded<CaptureConfig> config = HostConfig(0xA07, 720, 480);
    EXPECT_EQ(video().OnStartCapture(context_, device(), config.get()), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(Writes(kFull + kFrame525, " f8000") + KSource(2) + K525() +
                                        K("11:007E->0000 C2=DE40 10:0030=0043 12:000E=2400 10:0020=0001 "
                                          "12:000B=0330")));
}

// Nothing the re-applied operations report changes the outcome or the context.
TEST_F(KestrelTest, CaptureStartIgnoresBusFailuresAndKeepsTheContext) {
    UseStandard(0x10);
    ASSERT_EQ(Tune(471'250'000), 0u);
    const std::vector<u32> record = FrequencyRecord();
    for (Service s : {Service::I2cWrite, Service::I2cReadSubaddress, Service::I2cWriteSubaddress,
                      Service::I2cWriteBuffer}) {
        host_.FailMatching(s);
    }
    Guarded<CaptureConfig> config = HostConfig(0x5F0, 720, 576);
    EXPECT_EQ(video().OnStartCapture(context_, device(), config.get()), 0u);
    host_.ClearFailures();
    EXPECT_EQ(FrequencyRecord(), record);
    EXPECT_EQ(VideoValue(kPropTvStandard), 0x10u);
    EXPECT_EQ(VideoValue(kPropVideoSource), 2u);
    EXPECT_EQ(TunerValue(2), 1u);
    EXPECT_EQ(TunerValue(10), 0x10u);
    EXPECT_EQ(inputs().GetAudioInputType(context_), 3u);
}

}  // namespace
}  // namespace trel::test
