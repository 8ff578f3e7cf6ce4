// Kestrel tuner and TV audio: TV reception per standard group and FM radio,
// tuning words with bands and IF figures, the tuner properties, audio input
// selection and routing, TV and FM sound modes, and the audio status read as
// the available TV-audio modes.
#include "kestrel_support.h"

namespace trel::test {
namespace {

// TV mode per standard: tuner control, IF demodulator (its trace first), the
// two TV-audio writes; then the routing follows (tuner side in TV mode: the
// standard result register is read).
struct TvModeRow {
    u32 standard;
    const char* bus;
    const char* trace;  // null: in no IF demodulator group
};
const TvModeRow kTvModeRows[] = {
    {0x00010, "C2=DE40 86=167449 10:0030=0043 12:000E=2400", "Set Tuner Mode B/G"},
    {0x04000, "C2=DE40 86=167449 10:0030=0043 12:000E=2400", "Set Tuner Mode B/G"},
    {0x00100, "C2=DE40 86=16744A 10:0030=0043 12:000E=2400", "Set Tuner Mode PAL/I"},
    {0x00020, "C2=DE40 86=16744B 10:0030=7043 12:000E=2400", "Set Tuner Mode D/K"},
    {0x20000, "C2=DE40 86=16744B 10:0030=7043 12:000E=2400", "Set Tuner Mode D/K"},
    {0x40000, "C2=DE50 86=06504B 10:0030=6043 12:000E=7C00", "Set Tuner Mode SECAM L"},
    {0x80000, "C2=DE50 86=865053 10:0030=6043 12:000E=2400", "Set Tuner Mode SECAM L'"},
    {0x00001, "C2=DE30 86=163044 10:0030=2043 12:000E=2400", "Set Tuner Mode M/N"},
    {0x00400, "C2=DE40 86=163044 10:0030=0043 12:000E=2400", "Set Tuner Mode M/N"},
    {0x00002, "C2=DE40 86=123040 10:0030=4043 12:000E=2400", "Set Tuner Mode NTSC_MJ"},
    // The format records' family masks: first group wins, each byte by its own test.
    {0x00A07, "C2=DE30 86=163044 10:0030=2043 12:000E=2400", "Set Tuner Mode M/N"},
    {0x005F0, "C2=DE40 86=167449 10:0030=7043 12:000E=2400", "Set Tuner Mode B/G"},
    {0xFF000, "C2=DE50 86=167449 10:0030=6043 12:000E=7C00", "Set Tuner Mode B/G"},
    // In no group (NTSC-4.43, PAL-H, PAL-60, SECAM-H): no IF demodulator write.
    {0x00004, "C2=DE40 10:0030=0043 12:000E=2400", nullptr}, {0x00080, "C2=DE40 10:0030=0043 12:000E=2400", nullptr},
    {0x00800, "C2=DE40 10:0030=0043 12:000E=2400", nullptr}, {0x08000, "C2=DE40 10:0030=0043 12:000E=2400", nullptr},
};

class KestrelTvModeTest : public KestrelTest, public ::testing::WithParamInterface<TvModeRow> {};

TEST_P(KestrelTvModeTest, ProgramsTunerIfDemodulatorAndTvAudio) {
    const TvModeRow& row = GetParam();
    UseStandard(row.standard);
    host_.ScriptSubaddressRead({0x80, 0x11, 0x00, 0x7E}, {0x01, 0x02});
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 2, 1, nullptr), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(K(row.bus) + K("11:007E->0102")));
    Lines traces;
    if (row.trace != nullptr) traces.push_back(row.trace);
    EXPECT_THAT(Traces(), ElementsAreArray(traces + Lines{"Set Audio Source TV Tuner", "Standard Result Reg : 1, 2!!!"}));
    EXPECT_EQ(TunerValue(2), 1u);
}

INSTANTIATE_TEST_SUITE_P(Standards, KestrelTvModeTest, ::testing::ValuesIn(kTvModeRows),
                         [](const auto& info) { return "Std" + NameHex(info.param.standard); });

// Country 86 (from the last accepted frequency record) changes 12:000E.
TEST_F(KestrelTest, Country86ChangesTheCarrierSetting) {
    UseStandard(0x40000);
    UseLineInput();
    ASSERT_EQ(Tune(471'250'000, 86), 0u);
    Mark();
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 2, 1, nullptr), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(K("C2=DE50 86=06504B 10:0030=6043 12:000E=2000 12:000B=0220 12:0013=3E40")));
}

// FM: the stereo bit of the TV-audio mode picks the bytes; the routing follows.
TEST_F(KestrelTest, FmModeProgramsTunerAndIfDemodulatorAndRoutesFmRadio) {
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 2, 2, nullptr), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(K("C2=9840 C2=8859 86=0A3020 12:000B=0220 12:0013=0000")));
    EXPECT_THAT(Traces(), ElementsAre("Set Tuner Mode FM Radio", "Set Audio Source FM RADIO"));
    EXPECT_EQ(TunerValue(2), 2u);
    UseAudioMode(0x03);  // stereo (and mono)
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 2, 2, nullptr), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(K("C2=9840 C2=8819 86=0A9020 12:000B=0220 12:0013=0000")));
    // With the line input the line routing is rewritten instead.
    UseLineInput();
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 2, 1, nullptr), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(K("C2=DE30 86=163044 10:0030=2043 12:000E=2400 12:000B=0220 12:0013=3E40")));
    EXPECT_EQ(inputs().GetAudioInputType(context_), 4u);
}

TEST_F(KestrelTest, UnknownModesPropertiesAndInputsAreRefused) {
    for (u32 mode : {0u, 3u, 0xFFFFFFFFu}) {
        EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 2, mode, nullptr), kNotSupported);
    }
    for (u32 id : {0u, 1u, 3u, 6u, 7u, 8u, 9u, 11u}) {
        EXPECT_EQ(tuner().SetTunerProperty(context_, device(), id, 0, nullptr), kNotSupported) << id;
    }
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 5, 0, nullptr), 0u);
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 5, 1, nullptr), kNotSupported);
    u32 value = 0xEEEEEEEE;
    for (u32 id : {7u, 11u, 0xFFFFFFFFu}) {
        EXPECT_EQ(tuner().GetTunerProperty(context_, device(), id, &value, nullptr), kNotSupported) << id;
    }
    EXPECT_EQ(value, 0xEEEEEEEEu);
    EXPECT_EQ(TunerValue(2), 1u);
    EXPECT_EQ(TunerValue(5), 0u);
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_THAT(Traces(), IsEmpty());
}

// ---------------------------------------------------------------------------
// Tuning words, with the line input as audio source so that nothing follows.
struct TuneRow {
    u32 standard;
    u32 hz;
    const char* word;  // null: refused, nothing sent
    u32 ifFigure;
};
const TuneRow kTuneRows[] = {
    {0x00001, 55'250'000, "W=CE010650", 4575},  // NTSC-M, lowest
    {0x00001, 55'249'999, nullptr, 0}, {0x00001, 159'999'999, "W=CE010CDB", 4575},
    {0x00001, 160'000'000, "W=CE020CDC", 4575}, {0x00001, 801'250'000, "W=CE0434F0", 4575},
    {0x00001, 801'250'001, nullptr, 0},
    {0x00010, 45'750'000, "W=CE01054A", 3890},  // PAL-B/G
    {0x00010, 45'749'999, nullptr, 0}, {0x00010, 157'999'999, "W=CE010C4E", 3890}, {0x00010, 158'000'000, nullptr, 0},
    {0x00010, 159'000'000, nullptr, 0}, {0x00010, 441'999'999, "W=CE021E0E", 3890},
    {0x00010, 442'000'000, "W=CE041E0E", 3890}, {0x00010, 471'250'000, "W=CE041FE2", 3890},
    {0x00010, 863'250'000, "W=CE043862", 3890},  // upper limit, inclusive
    {0x00010, 863'250'001, nullptr, 0},
    {0x40000, 471'250'000, "W=CE041FE2", 3890},  // SECAM-L: the PAL row
    {0x80000, 48'250'000, "W=CE010523", 3395},   // SECAM-L'
    {0x80000, 48'249'999, nullptr, 0},
    {0x00002, 91'250'000, "W=CE010960", 5875},   // NTSC-M-J
    {0x00002, 765'250'000, "W=CE043380", 5875}, {0x00002, 765'250'001, nullptr, 0},
    {0x00A07, 55'250'000, "W=CE010650", 4575},
    // No IF figure: PAL-M, NTSC-4.43, PAL-60, SECAM-H.
    {0x00200, 471'250'000, nullptr, 0}, {0x00004, 471'250'000, nullptr, 0}, {0x00800, 471'250'000, nullptr, 0},
    {0x08000, 471'250'000, nullptr, 0},
};

class KestrelTuneTest : public KestrelTest, public ::testing::WithParamInterface<TuneRow> {};

TEST_P(KestrelTuneTest, SendsTheWordOrKeepsThePreviousRecord) {
    const TuneRow& row = GetParam();
    UseStandard(row.standard);
    UseLineInput();
    EXPECT_EQ(Tune(row.hz), 0u);  // a refused frequency is not reported to the host
    if (row.word == nullptr) {
        EXPECT_THAT(host_.Log(), IsEmpty());
        EXPECT_THAT(Traces(), IsEmpty());
        EXPECT_THAT(FrequencyRecord(), ElementsAre(0, 0, 3, 0, 0, 4, 1));
        return;
    }
    EXPECT_THAT(Bus(), ElementsAreArray(K(row.word)));
    EXPECT_THAT(Traces(), ElementsAre("Set Frequency " + std::to_string(row.hz) + ", VIF = " +
                                      std::to_string(row.ifFigure)));
    EXPECT_THAT(FrequencyRecord(), ElementsAre(row.hz, row.hz - 1, 3, 0, 0, 30, 49));
}

INSTANTIATE_TEST_SUITE_P(Bands, KestrelTuneTest, ::testing::ValuesIn(kTuneRows), [](const auto& info) {
    return "Std" + NameHex(info.param.standard) + "Hz" + std::to_string(info.param.hz);
});

// The record of the last accepted frequency stays; 0xFFFFFFFF is stored
// without tuning; a failed tuning word still counts as tuned.
TEST_F(KestrelTest, FrequencyRecordBookkeeping) {
    UseStandard(0x10);
    UseLineInput();
    ASSERT_EQ(Tune(471'250'000), 0u);
    u32 record[kTunerFrequencyFields] = {159'000'000, 1, 2, 3, 4, 5, 6};
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 4, 0, record), 0u);
    EXPECT_THAT(FrequencyRecord(), ElementsAre(471'250'000, 471'249'999, 3, 0, 0, 30, 49));
    u32 status[kTunerStatusFields + 1] = {9, 9, 9, 9, 0xEE};
    EXPECT_EQ(tuner().GetTunerProperty(context_, device(), 6, nullptr, status), 0u);
    EXPECT_THAT(status, ElementsAre(471'250'000, 0, 100, 0, 0xEE));
    Mark();
    EXPECT_EQ(Tune(0xFFFFFFFF), 0u);
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_THAT(Traces(), IsEmpty());
    EXPECT_EQ(FrequencyRecord()[0], 0xFFFFFFFFu);
    host_.FailMatching(Service::I2cWriteBuffer);
    EXPECT_EQ(Tune(55'250'000), 0u);
    EXPECT_EQ(FrequencyRecord()[0], 55'250'000u);
}

// With the tuner side as source, a TV frequency (accepted or not) is followed
// by the TV sound mode.
TEST_F(KestrelTest, TvFrequencyIsFollowedByTheTvSoundMode) {
    UseStandard(0x10);
    EXPECT_EQ(Tune(471'250'000), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(K("W=CE041FE2 10:0020=0001 12:000B=0330")));
    EXPECT_THAT(Traces(), ElementsAre("Set Frequency 471250000, VIF = 3890", "Set TVAudio Language A & Mono!!!"));
    Mark();
    EXPECT_EQ(Tune(159'000'000), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(K("10:0020=0001 12:000B=0330")));
}

// FM: 50 kHz steps above 10.7 MHz, the mono bit picks the band byte, no range.
TEST_F(KestrelTest, FmWords) {
    struct Row {
        u32 audioMode;
        u32 hz;
        const char* word;
    };
    UseTunerMode(2);
    for (const Row& row : {Row{0x12, 100'000'000, "W=881908A6"}, Row{0x11, 100'000'000, "W=885908A6"},
                           Row{0x03, 100'000'000, "W=885908A6"}, Row{0x10, 0, "W=881900D6"},
                           Row{0x12, 0xFFFFFFFF, "W=88195061"}}) {  // divider 0x15061: low 16 bits sent
        UseAudioMode(row.audioMode);
        EXPECT_EQ(Tune(row.hz), 0u);
        EXPECT_THAT(Bus(), ElementsAreArray(K(row.word)));
        EXPECT_THAT(Traces(), ElementsAre("Set Frequency " + std::to_string(static_cast<s32>(row.hz)) + ", VIF = 1070"));
        EXPECT_EQ(FrequencyRecord()[0], row.hz);
    }
}

// Mode capabilities: TV and FM ranges, steps; other modes refused.
TEST_F(KestrelTest, ModeCapabilitiesPerMode) {
    constexpr u32 E = 0xEEEEEEEE;
    const auto caps = [&](u32 mode, u32 status) {
        std::vector<u32> record(kTunerModeCapsFields + 1, E);
        record[0] = mode;
        EXPECT_EQ(tuner().GetTunerProperty(context_, device(), 1, nullptr, record.data()), status);
        return record;
    };
    EXPECT_THAT(caps(1, 0), ElementsAre(1, 0xFFFF7, 55'250'000, 997'250'000, 62'500, 1, 300, 4, E));
    EXPECT_THAT(caps(2, 0), ElementsAre(2, E, 88'100'000, 107'900'000, 200'000, 1, 500, 4, E));
    EXPECT_THAT(caps(3, kNotSupported), ElementsAre(3, E, E, E, E, E, E, E, E));
    EXPECT_THAT(host_.Log(), IsEmpty());
}

// ---------------------------------------------------------------------------
// TV audio.
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
const SoundRow kSoundRows[] = {
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
    return std::string(info.param.mode == 1 ? "Tv" : "Fm") + "Std" + NameHex(info.param.standard) + "Flags" +
           NameHex(info.param.flags);
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
