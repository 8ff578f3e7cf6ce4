// Kestrel decoder side: the state after open, start-up with the TV-audio
// reset, and capture start: the scaler (the shared SAA7115 computation, here
// with flags 0x8000), the fields left in the capture configuration, then the
// board re-applied from its context. (Picture controls, inputs, standards,
// status queries, refusals: properties_test.cpp.)
#include "kestrel_support.h"

namespace trel::test {
namespace {

TEST_F(KestrelTest, StateAfterOpen) {
    EXPECT_EQ(inputs().GetVideoInputs(), 7u);
    EXPECT_EQ(inputs().GetVideoInputType(context_), 0u);  // source 2 is input 0
    EXPECT_EQ(inputs().GetAudioInputType(context_), 3u);
    EXPECT_EQ(Property(kPropVideoSource), 2u);
    EXPECT_EQ(Property(kPropTvStandard), 1u);
    EXPECT_EQ(TunerValue(0), 3u);
    EXPECT_EQ(TunerValue(2), 1u);
    EXPECT_EQ(TunerValue(3), 1u);
    EXPECT_EQ(TunerValue(5), 0u);
    EXPECT_EQ(TunerValue(10), 0x10u);
    EXPECT_THAT(FrequencyRecord(), ElementsAre(0, 0, 3, 0, 0, 4, 1));
    u32 status[kTunerStatusFields + 1] = {9, 9, 9, 9, 0xEE};
    EXPECT_EQ(tuner().GetTunerProperty(context_, device(), 6, nullptr, status), 0u);
    EXPECT_THAT(status, ElementsAre(0, 0, 100, 0, 0xEE));
    EXPECT_THAT(host_.Log(), IsEmpty());
}

// The given source, standard and properties (contrast and saturation out of
// range: skipped), then the TV-audio decoder's reset and start. Start-up
// after open is in the golden sessions.
TEST_F(KestrelTest, InitVideoSourceTakesTheGivenSourceStandardAndProperties) {
    VideoPropertySet properties{};
    for (u32 i = 0; i < 17; ++i) properties.value[i] = 100 + i;
    properties.value[4] = static_cast<u32>(-50);
    EXPECT_EQ(video().InitVideoSource(context_, device(), 0x5F0, 0, &properties), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(KestrelSetup() + KSource(0) + K625() +
                                        K("0A=FF 0D=80 ctl=8000 ctl=0000 10:0030=2043 10:0040=0001 12:000B=0320 "
                                          "12:000E=4800 10:0020=0001 12:000D=1900 12:0010=5A00 12:0013=0200")));
    EXPECT_THAT(Traces(), ElementsAreArray(Lines{"SetVideoProperty 0 0", "SetVideoProperty 4098 1520", "SetTVStandard 1520"} +
                                           PropertyTraces(properties) + Lines{"*******@@@@@@@@@**************"}));
    EXPECT_EQ(Property(kPropVideoSource), 0u);
    EXPECT_EQ(TunerValue(3), 0x5F0u);
}

// ---------------------------------------------------------------------------
// Capture start with the line input (the re-applied part: source, standard,
// routing); the host left vOffset 9.
const std::string kFull = "9C=D0 9D=02 A0=01 A8=00 A9=04 AC=00 AD=02 CC=D0 CD=02 D0=01 D8=00 D9=04 DC=00 DD=02 "
                          "A1=01 D1=01 A2=01 D2=01 ";
const std::string kFrame525 = "9E=F2 9F=00 B0=00 B1=04 B2=00 B3=04 CE=F2 CF=00 E0=00 E1=04 E2=00 E3=04 ";
const std::string kFrame625 = "9E=20 9F=01 B0=00 B1=04 B2=00 B3=04 CE=20 CF=01 E0=00 E1=04 E2=00 E3=04 ";

struct CaptureRow {
    const char* name;
    u32 mask, width, height;
    std::string scaler;
    int heightDoubled;  // -1: left as the host put it
    u32 vOffset;
};

class KestrelCapture : public KestrelTest, public ::testing::WithParamInterface<CaptureRow> {};

TEST_P(KestrelCapture, ProgramsTheScalerThenReappliesTheContext) {
    const CaptureRow& r = GetParam();
    UseLineInput();
    Guarded<CaptureConfig> config = HostConfig(r.mask, r.width, r.height, 0xCC);
    config->vOffset = 9;
    Guarded<CaptureConfig> expected = config;
    if (r.mask != 0x100000) {
        expected->hOffset = 0;
        expected->vOffset = r.vOffset;
        expected->widthDoubled = 0;
        expected->sizeFlag3 = 0;
    }
    if (r.heightDoubled >= 0) expected->heightDoubled = static_cast<u8>(r.heightDoubled);
    EXPECT_EQ(video().OnStartCapture(context_, device(), config.get()), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(Saa(r.scaler, " f8000") + KSource(2) + K525() + K("12:000B=0220 12:0013=3E40")));
    ExpectSameBytes(config, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, KestrelCapture,
    ::testing::Values(
        CaptureRow{"Ntsc720x480", 0xA07, 720, 480, kFull + kFrame525, 0, 4},
        CaptureRow{"Ntsc720x360", 0xA07, 720, 360,
                   kFull + "9E=B6 9F=00 B0=55 B1=05 B2=55 B3=05 CE=B6 CF=00 E0=55 E1=05 E2=55 E3=05", 0, 4},
        CaptureRow{"Pal352x288", 0x5F0, 352, 288,
                   "9C=60 9D=01 A0=02 A8=17 A9=04 AC=0B AD=02 CC=60 CD=01 D0=02 D8=17 D9=04 DC=0B DD=02 A1=01 D1=01 "
                   "A2=01 D2=01 CE=20 CF=01 E0=00 E1=04 E2=00 E3=04 9E=20 9F=01 B0=00 B1=04 B2=00 B3=04", 1, 0},
        CaptureRow{"Pal720x200", 0x5F0, 720, 200, kFull, -1, 0},
        CaptureRow{"NoFamily", 0x100000, 720, 480, "", -1, 9}),
    [](const auto& info) { return std::string(info.param.name); });

// A width the scaler cannot take: refused, nothing written, configuration
// untouched, context not re-applied. Without a family bit the width is not used.
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
}

// Re-application with the line input: source, standard, audio source, and not
// the tuner. (With the tuner side, TV and FM: the golden sessions.)
const std::string kPalScaler = kFull + kFrame625;

TEST_F(KestrelTest, CaptureStartWithTheLineInputLeavesTheTunerAlone) {
    UseStandard(0x10);
    ASSERT_EQ(Tune(471'250'000), 0u);
    UseLineInput();
    Guarded<CaptureConfig> config = HostConfig(0x5F0, 720, 576);
    EXPECT_EQ(video().OnStartCapture(context_, device(), config.get()), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(Saa(kPalScaler, " f8000") + KSource(2) + K625() + K("12:000B=0220 12:0013=3E40")));
    EXPECT_THAT(Traces(), ElementsAre("SetTVStandard 16", "Set Audio Source LINE In"));
}

// Nothing the re-applied operations report changes the outcome (the fault
// sweep) or the context.
TEST_F(KestrelTest, CaptureStartBusFailuresKeepTheContext) {
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
    EXPECT_EQ(Property(kPropTvStandard), 0x10u);
    EXPECT_EQ(Property(kPropVideoSource), 2u);
    EXPECT_EQ(TunerValue(2), 1u);
    EXPECT_EQ(TunerValue(10), 0x10u);
    EXPECT_EQ(inputs().GetAudioInputType(context_), 3u);
}

}  // namespace
}  // namespace trel::test
