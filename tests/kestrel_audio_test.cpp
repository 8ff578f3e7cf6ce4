// Kestrel TV audio: audio input selection and routing, TV and FM sound modes,
// and the audio status read as the available TV-audio modes.
#include "kestrel_support.h"

namespace trel::test {
namespace {

const std::vector<u8> kStandardResult = {0x80, 0x11, 0x00, 0x7E};
const std::vector<u8> kAudioStatus = {0x80, 0x11, 0x02, 0x00};

// Line input, back to the tuner side in TV mode (only the standard result is
// read: the line routing stays until the next sound mode), FM routing.
TEST_F(KestrelTest, AudioInputsRouteTheSource) {
    EXPECT_EQ(inputs().Set_Current_Audio_InputID(context_, device(), 4), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(K("12:000B=0220 12:0013=3E40")));
    EXPECT_THAT(Traces(), ElementsAre("Set_Current_Audio_InputID 4", "Set Audio Source LINE In"));
    EXPECT_EQ(inputs().GetAudioInputType(context_), 4u);
    Mark();
    host_.ScriptSubaddressRead(kStandardResult, {0xA5, 0x0F});
    EXPECT_EQ(inputs().Set_Current_Audio_InputID(context_, device(), 3), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(K("11:007E->A50F")));
    EXPECT_THAT(Traces(), ElementsAre("Set_Current_Audio_InputID 3", "Set Audio Source TV Tuner",
                                      "Standard Result Reg : a5, f!!!"));
    EXPECT_EQ(inputs().GetAudioInputType(context_), 3u);
    EXPECT_EQ(host_.SubaddressData({0x80, 0x12, 0x00, 0x0B}), (std::vector<u8>{0x02, 0x20}));
    EXPECT_EQ(host_.SubaddressData({0x80, 0x12, 0x00, 0x13}), (std::vector<u8>{0x3E, 0x40}));
    UseTunerMode(2);
    UseLineInput();
    EXPECT_EQ(inputs().Set_Current_Audio_InputID(context_, device(), 3), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(K("12:000B=0220 12:0013=0000")));
    EXPECT_THAT(Traces(), ElementsAre("Set_Current_Audio_InputID 3", "Set Audio Source FM RADIO"));
}

TEST_F(KestrelTest, AFailedStandardResultReadStillSelectsTheTunerSide) {
    UseLineInput();
    host_.FailMatching(Service::I2cReadSubaddress);
    EXPECT_EQ(inputs().Set_Current_Audio_InputID(context_, device(), 3), 0u);
    EXPECT_EQ(host_.Log().size(), 1u);
    EXPECT_THAT(Traces(), ElementsAre("Set_Current_Audio_InputID 3", "Set Audio Source TV Tuner"));
    EXPECT_EQ(inputs().GetAudioInputType(context_), 3u);
}

TEST_F(KestrelTest, UnknownAudioInputIsRefusedAfterItsTrace) {
    for (u32 id : {0u, 2u, 5u, 0xFFFFFFFFu}) {
        Mark();
        EXPECT_EQ(inputs().Set_Current_Audio_InputID(context_, device(), id), kInvalid);
        EXPECT_THAT(Traces(), ElementsAre("Set_Current_Audio_InputID " + std::to_string(static_cast<s32>(id))));
        EXPECT_THAT(host_.Log(), IsEmpty());
    }
    EXPECT_EQ(inputs().GetAudioInputType(context_), 3u);
}

// ---------------------------------------------------------------------------
// Sound modes (tuner property 10): tuner mode, standard and flags -> trace and
// writes; the flags are stored.
struct SoundRow {
    u32 mode;
    u32 standard;
    u32 flags;
    const char* trace;
    const char* bus;
};
constexpr SoundRow kSoundRows[] = {
    {1, 0x010, 0x12, "Set TVAudio Language A & Stereo!!!", "10:0020=0001 12:000B=0320"},
    {1, 0x001, 0x12, "Set TVAudio Language A & Stereo!!!", "10:0030=2043 10:0020=0320 12:000B=0320"},
    {1, 0xA07, 0x32, "Set TVAudio Language A & Stereo!!!", "10:0030=2043 10:0020=0320 12:000B=0320"},
    {1, 0x010, 0x11, "Set TVAudio Language A & Mono!!!", "10:0020=0001 12:000B=0330"},
    {1, 0x001, 0x10, "Set TVAudio Language A & Mono!!!", "10:0030=2042 10:0020=0021 12:000B=0330"},
    {1, 0x010, 0x01, "Set TVAudio Language B & Mono!!!", "10:0020=0001 12:000B=0420"},  // no language bit
    {1, 0x010, 0x22, "Set TVAudio Language B & Mono!!!", "10:0020=0001 12:000B=0420"},
    {1, 0x001, 0x20, "Set TVAudio Language B & Mono!!!", "10:0030=2043 10:0020=0021 12:000B=0420"},
    // FM: only the mono bit counts.
    {2, 0x001, 0x01, "Set FM RADIO MONO", "C2=8859 86=0A3020 12:000B=0220"},
    {2, 0x001, 0x03, "Set FM RADIO MONO", "C2=8859 86=0A3020 12:000B=0220"},
    {2, 0x001, 0x02, "Set FM RADIO STEREO", "C2=8819 86=0A9020 12:000B=0220"},
    {2, 0x001, 0x10, "Set FM RADIO STEREO", "C2=8819 86=0A9020 12:000B=0220"},
};

class KestrelSoundTest : public KestrelTest, public ::testing::WithParamInterface<SoundRow> {};

TEST_P(KestrelSoundTest, WritesTheModeAndStoresTheFlags) {
    const SoundRow& row = GetParam();
    UseStandard(row.standard);
    UseTunerMode(row.mode);
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 10, row.flags, nullptr), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(K(row.bus)));
    EXPECT_THAT(Traces(), ElementsAre(row.trace));
    EXPECT_EQ(TunerValue(10), row.flags);
}

INSTANTIATE_TEST_SUITE_P(Modes, KestrelSoundTest, ::testing::ValuesIn(kSoundRows), [](const auto& info) {
    return std::string(info.param.mode == 1 ? "Tv" : "Fm") + "Std" + HexName(info.param.standard) + "Flags" +
           HexName(info.param.flags);
});

// The line input as source does not stop a sound-mode change.
TEST_F(KestrelTest, SoundModeIsWrittenWithTheLineInputToo) {
    UseStandard(0x10);
    UseLineInput();
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 10, 0x12, nullptr), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(K("10:0020=0001 12:000B=0320")));
}

// ---------------------------------------------------------------------------
// Available modes (ids 8 and 9) from the audio status register: mono and
// language A always, language B from bit 8, stereo from bit 6.
TEST_F(KestrelTest, AudioStatusDecodesLanguageBAndStereo) {
    struct Row {
        u8 high;
        u8 low;
        u32 modes;
    };
    const Row rows[] = {{0x00, 0x00, 0x11}, {0x01, 0x40, 0x33}, {0x01, 0x00, 0x31}, {0x00, 0x40, 0x13},
                        {0xFE, 0xBF, 0x11}};
    for (int pass = 0; pass < 2; ++pass) {
        for (const Row& row : rows) host_.ScriptSubaddressRead(kAudioStatus, {row.high, row.low});  // read in turn
    }
    for (u32 id : {8u, 9u}) {
        for (const Row& row : rows) {
            Mark();
            EXPECT_EQ(TunerValue(id), row.modes);
            char expected[32];
            std::snprintf(expected, sizeof(expected), "11:0200->%02X%02X", row.high, row.low);
            EXPECT_THAT(Bus(), ElementsAreArray(K(expected)));
            std::snprintf(expected, sizeof(expected), "Audio Status Reg : %x, %x!!!", row.high, row.low);
            EXPECT_THAT(Traces(), ElementsAre(expected));
        }
        Mark();
        host_.FailMatching(Service::I2cReadSubaddress);
        u32 value = 0xEEEEEEEE;
        EXPECT_EQ(tuner().GetTunerProperty(context_, device(), id, &value, nullptr), kBusFailure);
        EXPECT_EQ(value, 0xEEEEEEEEu);
        EXPECT_THAT(Traces(), IsEmpty());
        host_.ClearFailures();
    }
}

}  // namespace
}  // namespace trel::test
