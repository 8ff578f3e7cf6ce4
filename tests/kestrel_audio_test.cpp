// Kestrel TV audio: audio input selection and routing, TV and FM sound modes,
// and the audio status read as the available TV-audio modes.
#include "kestrel_support.h"

namespace trel::test {
namespace {

const std::vector<u8> kStandardResult = {0x80, 0x11, 0x00, 0x7E};
const std::vector<u8> kAudioStatus = {0x80, 0x11, 0x02, 0x00};

TEST_F(KestrelTest, LineInputRoutesTheLineIn) {
    EXPECT_EQ(inputs().Set_Current_Audio_InputID(context_, device(), 4), 0u);
    EXPECT_THAT(Bus(), ElementsAre(Tv(0x12, 0x000B, 0x0220), Tv(0x12, 0x0013, 0x3E40)));
    EXPECT_THAT(Traces(), ElementsAre("Set_Current_Audio_InputID 4", "Set Audio Source LINE In"));
    EXPECT_EQ(inputs().GetAudioInputType(context_), 4u);
}

// Back to the tuner side in TV mode: only the standard result is read; the
// line routing stays until the next sound mode.
TEST_F(KestrelTest, TunerSideInTvModeReadsTheStandardResultAndWritesNoRouting) {
    UseLineInput();
    host_.ScriptSubaddressRead(kStandardResult, {0xA5, 0x0F});
    EXPECT_EQ(inputs().Set_Current_Audio_InputID(context_, device(), 3), 0u);
    EXPECT_THAT(Bus(), ElementsAre(TvRead(0x007E, 0xA5, 0x0F)));
    EXPECT_THAT(Traces(), ElementsAre("Set_Current_Audio_InputID 3", "Set Audio Source TV Tuner",
                                      "Standard Result Reg : a5, f!!!"));
    EXPECT_EQ(inputs().GetAudioInputType(context_), 3u);
    EXPECT_EQ(host_.SubaddressData({0x80, 0x12, 0x00, 0x0B}), (std::vector<u8>{0x02, 0x20}));
    EXPECT_EQ(host_.SubaddressData({0x80, 0x12, 0x00, 0x13}), (std::vector<u8>{0x3E, 0x40}));
}

TEST_F(KestrelTest, AFailedStandardResultReadStillSelectsTheTunerSide) {
    UseLineInput();
    host_.FailMatching(Service::I2cReadSubaddress);
    EXPECT_EQ(inputs().Set_Current_Audio_InputID(context_, device(), 3), 0u);
    EXPECT_EQ(host_.Log().size(), 1u);
    EXPECT_THAT(Traces(), ElementsAre("Set_Current_Audio_InputID 3", "Set Audio Source TV Tuner"));
    EXPECT_EQ(inputs().GetAudioInputType(context_), 3u);
}

TEST_F(KestrelTest, TunerSideInFmModeRoutesFmRadio) {
    UseTunerMode(2);
    UseLineInput();
    EXPECT_EQ(inputs().Set_Current_Audio_InputID(context_, device(), 3), 0u);
    EXPECT_THAT(Bus(), ElementsAre(Tv(0x12, 0x000B, 0x0220), Tv(0x12, 0x0013, 0x0000)));
    EXPECT_THAT(Traces(), ElementsAre("Set_Current_Audio_InputID 3", "Set Audio Source FM RADIO"));
}

TEST_F(KestrelTest, UnknownAudioInputIsRefusedAfterItsTrace) {
    for (u32 id : {0u, 2u, 5u, 0xFFFFFFFFu}) {
        Mark();
        EXPECT_EQ(inputs().Set_Current_Audio_InputID(context_, device(), id), 0xFFFFFFFFu);
        EXPECT_THAT(Traces(), ElementsAre("Set_Current_Audio_InputID " + std::to_string(static_cast<s32>(id))));
        EXPECT_THAT(host_.Log(), IsEmpty());
    }
    EXPECT_EQ(inputs().GetAudioInputType(context_), 3u);
}

// ---------------------------------------------------------------------------
// TV sound modes: flags and NTSC-M -> writes and trace; the flags are stored.
struct SoundRow {
    u32 standard;
    u32 flags;
    const char* trace;
    std::vector<std::string> bus;
};

std::vector<SoundRow> SoundRows() {
    const std::string notNtsc = Tv(0x10, 0x0020, 0x0001);
    return {
        {0x10, 0x12, "Set TVAudio Language A & Stereo!!!", {notNtsc, Tv(0x12, 0x000B, 0x0320)}},
        {0x01, 0x12, "Set TVAudio Language A & Stereo!!!",
         {Tv(0x10, 0x0030, 0x2043), Tv(0x10, 0x0020, 0x0320), Tv(0x12, 0x000B, 0x0320)}},
        {0xA07, 0x32, "Set TVAudio Language A & Stereo!!!",
         {Tv(0x10, 0x0030, 0x2043), Tv(0x10, 0x0020, 0x0320), Tv(0x12, 0x000B, 0x0320)}},
        {0x10, 0x10, "Set TVAudio Language A & Mono!!!", {notNtsc, Tv(0x12, 0x000B, 0x0330)}},
        {0x10, 0x11, "Set TVAudio Language A & Mono!!!", {notNtsc, Tv(0x12, 0x000B, 0x0330)}},
        {0x01, 0x10, "Set TVAudio Language A & Mono!!!",
         {Tv(0x10, 0x0030, 0x2042), Tv(0x10, 0x0020, 0x0021), Tv(0x12, 0x000B, 0x0330)}},
        {0x10, 0x01, "Set TVAudio Language B & Mono!!!", {notNtsc, Tv(0x12, 0x000B, 0x0420)}},
        {0x10, 0x22, "Set TVAudio Language B & Mono!!!", {notNtsc, Tv(0x12, 0x000B, 0x0420)}},
        {0x10, 0x00, "Set TVAudio Language B & Mono!!!", {notNtsc, Tv(0x12, 0x000B, 0x0420)}},
        {0x01, 0x20, "Set TVAudio Language B & Mono!!!",
         {Tv(0x10, 0x0030, 0x2043), Tv(0x10, 0x0020, 0x0021), Tv(0x12, 0x000B, 0x0420)}},
    };
}

class KestrelSoundTest : public KestrelTest, public ::testing::WithParamInterface<SoundRow> {};

TEST_P(KestrelSoundTest, WritesTheModeAndStoresTheFlags) {
    const SoundRow& row = GetParam();
    UseStandard(row.standard);
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 10, row.flags, nullptr), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(row.bus));
    EXPECT_THAT(Traces(), ElementsAre(row.trace));
    EXPECT_EQ(TunerValue(10), row.flags);
}

INSTANTIATE_TEST_SUITE_P(Modes, KestrelSoundTest, ::testing::ValuesIn(SoundRows()), [](const auto& info) {
    return "Std" + HexName(info.param.standard) + "Flags" + HexName(info.param.flags);
});

// The line input as source does not stop a sound-mode change.
TEST_F(KestrelTest, SoundModeIsWrittenWithTheLineInputToo) {
    UseStandard(0x10);
    UseLineInput();
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 10, 0x12, nullptr), 0u);
    EXPECT_THAT(Bus(), ElementsAre(Tv(0x10, 0x0020, 0x0001), Tv(0x12, 0x000B, 0x0320)));
}

// FM: only the mono bit counts; stereo 0x02 alone is stereo, 0x03 mono.
struct FmSoundRow {
    u32 flags;
    bool mono;
};
constexpr FmSoundRow kFmSoundRows[] = {{0x01, true}, {0x03, true}, {0x11, true},
                                       {0x02, false}, {0x10, false}, {0x00, false}};

class KestrelFmSoundTest : public KestrelTest, public ::testing::WithParamInterface<FmSoundRow> {};

TEST_P(KestrelFmSoundTest, ProgramsTunerAndIfDemodulatorForMonoOrStereo) {
    const FmSoundRow& row = GetParam();
    UseTunerMode(2);
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 10, row.flags, nullptr), 0u);
    EXPECT_THAT(Bus(), ElementsAre(Ctl(0x88, row.mono ? 0x59 : 0x19), If(0x0A, row.mono ? 0x30 : 0x90, 0x20),
                                   Tv(0x12, 0x000B, 0x0220)));
    EXPECT_THAT(Traces(), ElementsAre(row.mono ? "Set FM RADIO MONO" : "Set FM RADIO STEREO"));
    EXPECT_EQ(TunerValue(10), row.flags);
}

INSTANTIATE_TEST_SUITE_P(Flags, KestrelFmSoundTest, ::testing::ValuesIn(kFmSoundRows),
                         [](const auto& info) { return "Flags" + HexName(info.param.flags); });

// ---------------------------------------------------------------------------
// Available modes (ids 8 and 9) from the audio status register.
struct StatusRow {
    u8 high;
    u8 low;
    u32 modes;
};
constexpr StatusRow kStatusRows[] = {
    {0x00, 0x00, 0x11}, {0x01, 0x40, 0x33}, {0x01, 0x00, 0x31},
    {0x00, 0x40, 0x13}, {0xFE, 0xBF, 0x11}, {0xFF, 0xFF, 0x33},
};

class KestrelAudioStatusTest : public KestrelTest,
                               public ::testing::WithParamInterface<std::tuple<u32, StatusRow>> {};

TEST_P(KestrelAudioStatusTest, DecodesLanguageBAndStereo) {
    const auto& [id, row] = GetParam();
    host_.ScriptSubaddressRead(kAudioStatus, {row.high, row.low});
    u32 value = 0xEEEEEEEE;
    EXPECT_EQ(tuner().GetTunerProperty(context_, device(), id, &value, nullptr), 0u);
    EXPECT_EQ(value, row.modes);
    EXPECT_THAT(Bus(), ElementsAre(TvRead(0x0200, row.high, row.low)));
    char trace[64];
    std::snprintf(trace, sizeof(trace), "Audio Status Reg : %x, %x!!!", row.high, row.low);
    EXPECT_THAT(Traces(), ElementsAre(trace));
}

TEST_P(KestrelAudioStatusTest, AFailedReadKeepsTheValue) {
    const u32 id = std::get<0>(GetParam());
    host_.ScriptSubaddressRead(kAudioStatus, {0x01, 0x40});
    host_.FailMatching(Service::I2cReadSubaddress);
    u32 value = 0xEEEEEEEE;
    EXPECT_EQ(tuner().GetTunerProperty(context_, device(), id, &value, nullptr), 0xFFFFFFFDu);
    EXPECT_EQ(value, 0xEEEEEEEEu);
    EXPECT_THAT(Traces(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Register0200, KestrelAudioStatusTest,
                         ::testing::Combine(::testing::Values(8u, 9u), ::testing::ValuesIn(kStatusRows)),
                         [](const auto& info) {
                             const StatusRow& row = std::get<1>(info.param);
                             return "Id" + std::to_string(std::get<0>(info.param)) + "Status" +
                                    HexName(row.high << 8 | row.low);
                         });

}  // namespace
}  // namespace trel::test
