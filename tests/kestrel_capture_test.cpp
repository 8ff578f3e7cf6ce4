// Kestrel capture start: the scaler for the requested size, the fields left
// in the capture configuration, then the board re-applied from its context.
#include "kestrel_support.h"

namespace trel::test {
namespace {

Lines Horizontal(u32 width, u32 prescale, u32 increment) {
    const u32 chroma = increment / 2;
    Lines lines;
    for (u32 bank : {0x00u, 0x30u}) {
        lines = lines + Lines{Dec(0x9C + bank, width), Dec(0x9D + bank, width >> 8), Dec(0xA0 + bank, prescale),
                              Dec(0xA8 + bank, increment), Dec(0xA9 + bank, increment >> 8),
                              Dec(0xAC + bank, chroma), Dec(0xAD + bank, chroma >> 8)};
    }
    return lines + Lines{Dec(0xA1, 1), Dec(0xD1, 1), Dec(0xA2, 1), Dec(0xD2, 1)};
}

Lines Vertical(u32 window, u32 increment, bool secondBankFirst = false) {
    Lines banks[2];
    for (u32 b = 0; b < 2; ++b) {
        const u32 bank = b * 0x30;
        banks[b] = {Dec(0x9E + bank, window), Dec(0x9F + bank, window >> 8), Dec(0xB0 + bank, increment),
                    Dec(0xB1 + bank, increment >> 8), Dec(0xB2 + bank, increment),
                    Dec(0xB3 + bank, increment >> 8)};
    }
    return secondBankFirst ? banks[1] + banks[0] : banks[0] + banks[1];
}

struct CaptureRow {
    const char* name;
    u32 mask;
    u32 width;
    u32 height;
    Lines scaler;
    int heightDoubled;  // -1: left as the host put it
    u32 vOffset;
};

std::vector<CaptureRow> CaptureRows() {
    return {
        {"Ntsc720x480", 0xA07, 720, 480, Horizontal(720, 1, 0x400) + Vertical(0xF2, 0x400), 0, 4},
        {"Pal720x576", 0x5F0, 720, 576, Horizontal(720, 1, 0x400) + Vertical(0x120, 0x400), 0, 0},
        {"Secam720x576", 0xFF000, 720, 576, Horizontal(720, 1, 0x400) + Vertical(0x120, 0x400), 0, 0},
        {"NtscMOnly720x480", 0x1, 720, 480, Horizontal(720, 1, 0x400) + Vertical(0xF2, 0x400), 0, 0},
        {"Ntsc640x480", 0xA07, 640, 480, Horizontal(640, 1, 0x480) + Vertical(0xF2, 0x400), 0, 4},
        {"Ntsc720x360", 0xA07, 720, 360, Horizontal(720, 1, 0x400) + Vertical(0xB6, 0x555), 0, 4},
        {"Ntsc720x240", 0xA07, 720, 240, Horizontal(720, 1, 0x400) + Vertical(0xF2, 0x400), 1, 4},
        {"Ntsc352x144", 0xA07, 352, 144, Horizontal(352, 2, 0x417) + Vertical(0x96, 0x6AA), 1, 4},
        {"Pal352x288", 0x5F0, 352, 288, Horizontal(352, 2, 0x417) + Vertical(0x120, 0x400, true), 1, 0},
        {"Pal176x144", 0x5F0, 176, 144, Horizontal(176, 4, 0x417) + Vertical(0x96, 0x800), 1, 0},
        {"Pal720x200", 0x5F0, 720, 200, Horizontal(720, 1, 0x400), -1, 0},
        {"Ntsc720x200", 0xA07, 720, 200, Horizontal(720, 1, 0x400), -1, 4},
        // Both kinds of bit: 625-line figures, 525-line window (H + 4).
        {"Both720x480", 0x11, 720, 480, Horizontal(720, 1, 0x400) + Vertical(242, 1228), 0, 0},
        // One pixel: prescale 720 mod 256.
        {"Ntsc1x480", 0xA07, 1, 480, Horizontal(1, 208, 3072) + Vertical(0xF2, 0x400), 0, 4},
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
    Guarded<CaptureConfig> config(0xCC);
    config->standardMask = row.mask;
    config->captureWidth = row.width;
    config->captureHeight = row.height;
    config->vOffset = 9;
    Guarded<CaptureConfig> before = config;
    EXPECT_EQ(video().OnStartCapture(context_, device(), config.get()), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(row.scaler + Source(2) + Standard525() +
                                        Lines{Tv(0x12, 0x000B, 0x0220), Tv(0x12, 0x0013, 0x3E40)}));
    EXPECT_EQ(config->hOffset, 0u);
    EXPECT_EQ(config->vOffset, row.vOffset);
    EXPECT_EQ(config->widthDoubled, 0);
    EXPECT_EQ(config->sizeFlag3, 0);
    EXPECT_EQ(config->heightDoubled, row.heightDoubled < 0 ? 0xCC : row.heightDoubled);
    // Nothing else of the configuration is touched.
    for (size_t i = 0; i < sizeof(CaptureConfig); ++i) {
        if (i >= 1412 && i < 1423) continue;
        ASSERT_EQ(config.bytes[i], before.bytes[i]) << i;
    }
    EXPECT_TRUE(config.GuardIntact());
}

INSTANTIATE_TEST_SUITE_P(Sizes, KestrelCaptureTest, ::testing::ValuesIn(CaptureRows()),
                         [](const auto& info) { return std::string(info.param.name); });

// The standard list re-applied after the scaler rewrites the input window
// but leaves the computed increments.
TEST_F(KestrelTest, ReappliedStandardOverwritesTheWindowNotTheIncrements) {
    Guarded<CaptureConfig> config;
    config->standardMask = 0xA07;
    config->captureWidth = 720;
    config->captureHeight = 360;
    EXPECT_EQ(video().OnStartCapture(context_, device(), config.get()), 0u);
    EXPECT_EQ(host_.Reg(0x40, 0x9E), 0xF2);
    EXPECT_EQ(host_.Reg(0x40, 0xCE), 0xF2);
    EXPECT_EQ(host_.Reg(0x40, 0xB0), 0x55);
    EXPECT_EQ(host_.Reg(0x40, 0xB1), 0x05);
}

// A mask of no family: no scaler write, configuration untouched, the context
// still re-applied.
TEST_F(KestrelTest, NoFamilyMaskSkipsTheScalerOnly) {
    for (u32 width : {720u, 0u}) {
        Mark();
        Guarded<CaptureConfig> config(0xCC);
        config->standardMask = 0x100000;
        config->captureWidth = width;
        config->captureHeight = 480;
        Guarded<CaptureConfig> before = config;
        EXPECT_EQ(video().OnStartCapture(context_, device(), config.get()), 0u);
        EXPECT_EQ(std::memcmp(config.bytes, before.bytes, sizeof(config.bytes)), 0);
        EXPECT_EQ(Bus().front(), Dec(0x02, 0xC3));
    }
}

// A width the scaler cannot take: nothing written, configuration untouched,
// context not re-applied.
TEST_F(KestrelTest, WidthZeroOrAbove720IsRefused) {
    for (u32 width : {0u, 721u, 0xFFFFFFFFu}) {
        Guarded<CaptureConfig> config(0xCC);
        config->standardMask = 0x5F0;
        config->captureWidth = width;
        config->captureHeight = 576;
        Guarded<CaptureConfig> before = config;
        EXPECT_EQ(video().OnStartCapture(context_, device(), config.get()), 0xFFFFFFFFu);
        EXPECT_EQ(std::memcmp(config.bytes, before.bytes, sizeof(config.bytes)), 0);
    }
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_THAT(Traces(), IsEmpty());
}

TEST_F(KestrelTest, MissingConfigurationIsTraced) {
    EXPECT_EQ(video().OnStartCapture(context_, device(), nullptr), 0xFFFFFFFFu);
    EXPECT_THAT(Traces(), ElementsAre("OnStartCapture video_config == NULL"));
    EXPECT_THAT(host_.Log(), IsEmpty());
}

// ---------------------------------------------------------------------------
// Re-application: source, standard, audio source; with the tuner side also
// tuner mode, frequency and TV sound mode, in that order.
CaptureConfig* Pal720(Guarded<CaptureConfig>& config) {
    config->standardMask = 0x5F0;
    config->captureWidth = 720;
    config->captureHeight = 576;
    return config.get();
}

TEST_F(KestrelTest, CaptureStartReappliesTheTunerSideInOrder) {
    UseStandard(0x10);
    ASSERT_EQ(Tune(471'250'000), 0u);
    UseAudioMode(0x12);
    ASSERT_EQ(inputs().Set_Current_Video_InputID(context_, device(), 1), 0u);
    Mark();
    host_.ScriptSubaddressRead({0x80, 0x11, 0x00, 0x7E}, {0x00, 0x03});
    Guarded<CaptureConfig> config;
    EXPECT_EQ(video().OnStartCapture(context_, device(), Pal720(config)), 0u);
    const Lines scaler = Horizontal(720, 1, 0x400) + Vertical(0x120, 0x400);
    EXPECT_THAT(Bus(), ElementsAreArray(scaler + Source(1) + Standard625() +
                                        Lines{TvRead(0x007E, 0x00, 0x03), Ctl(0xDE, 0x40), If(0x16, 0x74, 0x49),
                                              Tv(0x10, 0x0030, 0x0043), Tv(0x12, 0x000E, 0x2400),
                                              Word(0xCE, 0x04, 0x1F, 0xE2), Tv(0x10, 0x0020, 0x0001),
                                              Tv(0x12, 0x000B, 0x0320)}));
    EXPECT_THAT(Traces(), ElementsAre("SetTVStandard 16", "Set Audio Source TV Tuner", "Standard Result Reg : 0, 3!!!",
                                      "Set Tuner Mode B/G", "Set Frequency 471250000, VIF = 3890",
                                      "Set TVAudio Language A & Stereo!!!"));
    EXPECT_THAT(host_.Log(), ::testing::Each(::testing::Field(&BusCall::flags, 0x8000u)));
}

TEST_F(KestrelTest, CaptureStartWithTheLineInputLeavesTheTunerAlone) {
    UseStandard(0x10);
    ASSERT_EQ(Tune(471'250'000), 0u);
    UseLineInput();
    Guarded<CaptureConfig> config;
    EXPECT_EQ(video().OnStartCapture(context_, device(), Pal720(config)), 0u);
    const Lines scaler = Horizontal(720, 1, 0x400) + Vertical(0x120, 0x400);
    EXPECT_THAT(Bus(), ElementsAreArray(scaler + Source(2) + Standard625() +
                                        Lines{Tv(0x12, 0x000B, 0x0220), Tv(0x12, 0x0013, 0x3E40)}));
    EXPECT_THAT(Traces(), ElementsAre("SetTVStandard 16", "Set Audio Source LINE In"));
}

// Nothing the re-applied operations report changes the outcome or the context.
TEST_F(KestrelTest, CaptureStartIgnoresBusFailuresAndKeepsTheContext) {
    UseStandard(0x10);
    ASSERT_EQ(Tune(471'250'000), 0u);
    const std::vector<u32> record = FrequencyRecord();
    host_.FailMatching(Service::I2cWrite);
    host_.FailMatching(Service::I2cReadSubaddress);
    host_.FailMatching(Service::I2cWriteSubaddress);
    host_.FailMatching(Service::I2cWriteBuffer);
    Guarded<CaptureConfig> config;
    EXPECT_EQ(video().OnStartCapture(context_, device(), Pal720(config)), 0u);
    host_.ClearFailures();
    EXPECT_EQ(FrequencyRecord(), record);
    EXPECT_EQ(VideoValue(kPropTvStandard), 0x10u);  // the failed list keeps it
    EXPECT_EQ(VideoValue(kPropVideoSource), 2u);
    EXPECT_EQ(TunerValue(2), 1u);
    EXPECT_EQ(TunerValue(10), 0x10u);
    EXPECT_EQ(inputs().GetAudioInputType(context_), 3u);
}

// A standard whose tuner has no IF figure: the mode still goes out without
// IF demodulator write, the frequency is not sent.
TEST_F(KestrelTest, CaptureStartWithAStandardOutsideTheTunerGroups) {
    UseStandard(0x4);  // NTSC-4.43
    Guarded<CaptureConfig> config;
    config->standardMask = 0xA07;
    config->captureWidth = 720;
    config->captureHeight = 480;
    EXPECT_EQ(video().OnStartCapture(context_, device(), config.get()), 0u);
    const Lines scaler = Horizontal(720, 1, 0x400) + Vertical(0xF2, 0x400);
    EXPECT_THAT(Bus(), ElementsAreArray(scaler + Source(2) + Standard525() +
                                        Lines{TvRead(0x007E, 0, 0), Ctl(0xDE, 0x40), Tv(0x10, 0x0030, 0x0043),
                                              Tv(0x12, 0x000E, 0x2400), Tv(0x10, 0x0020, 0x0001),
                                              Tv(0x12, 0x000B, 0x0330)}));
}

TEST_F(KestrelTest, CaptureStartInFmMode) {
    UseTunerMode(2);
    ASSERT_EQ(Tune(100'000'000), 0u);
    UseAudioMode(0x12);
    Guarded<CaptureConfig> config;
    EXPECT_EQ(video().OnStartCapture(context_, device(), Pal720(config)), 0u);
    const Lines scaler = Horizontal(720, 1, 0x400) + Vertical(0x120, 0x400);
    EXPECT_THAT(Bus(), ElementsAreArray(scaler + Source(2) + Standard525() +
                                        Lines{Tv(0x12, 0x000B, 0x0220), Tv(0x12, 0x0013, 0x0000), Ctl(0x98, 0x40),
                                              Ctl(0x88, 0x19), If(0x0A, 0x90, 0x20), Word(0x88, 0x19, 0x08, 0xA6),
                                              Ctl(0x88, 0x19), If(0x0A, 0x90, 0x20), Tv(0x12, 0x000B, 0x0220)}));
    EXPECT_THAT(Traces(), ElementsAre("SetTVStandard 1", "Set Audio Source FM RADIO", "Set Tuner Mode FM Radio",
                                      "Set Frequency 100000000, VIF = 1070", "Set FM RADIO STEREO"));
}

}  // namespace
}  // namespace trel::test
