// Kestrel tuner: TV reception per standard group and FM radio, tuning words
// with bands and IF figures, and the tuner properties.
#include "kestrel_support.h"

namespace trel::test {
namespace {

// ---------------------------------------------------------------------------
// TV mode per standard: tuner control, IF demodulator (with its trace), then
// the two TV-audio writes. The audio routing follows (tuner side: the
// standard result register is read).
struct TvModeRow {
    u32 standard;
    u8 control;
    const char* trace;  // null: no IF demodulator group
    u8 ifBytes[3];
    u16 sound;    // 10:0030
    u16 carrier;  // 12:000E
};
constexpr TvModeRow kTvModeRows[] = {
    {0x00010, 0x40, "Set Tuner Mode B/G", {0x16, 0x74, 0x49}, 0x0043, 0x2400},
    {0x00040, 0x40, "Set Tuner Mode B/G", {0x16, 0x74, 0x49}, 0x0043, 0x2400},
    {0x04000, 0x40, "Set Tuner Mode B/G", {0x16, 0x74, 0x49}, 0x0043, 0x2400},
    {0x00100, 0x40, "Set Tuner Mode PAL/I", {0x16, 0x74, 0x4A}, 0x0043, 0x2400},
    {0x00020, 0x40, "Set Tuner Mode D/K", {0x16, 0x74, 0x4B}, 0x7043, 0x2400},
    {0x20000, 0x40, "Set Tuner Mode D/K", {0x16, 0x74, 0x4B}, 0x7043, 0x2400},
    {0x40000, 0x50, "Set Tuner Mode SECAM L", {0x06, 0x50, 0x4B}, 0x6043, 0x7C00},
    {0x80000, 0x50, "Set Tuner Mode SECAM L'", {0x86, 0x50, 0x53}, 0x6043, 0x2400},
    {0x00001, 0x30, "Set Tuner Mode M/N", {0x16, 0x30, 0x44}, 0x2043, 0x2400},
    {0x00200, 0x40, "Set Tuner Mode M/N", {0x16, 0x30, 0x44}, 0x0043, 0x2400},
    {0x00400, 0x40, "Set Tuner Mode M/N", {0x16, 0x30, 0x44}, 0x0043, 0x2400},
    {0x00002, 0x40, "Set Tuner Mode NTSC_MJ", {0x12, 0x30, 0x40}, 0x4043, 0x2400},
    // The format records' family masks.
    {0x00A07, 0x30, "Set Tuner Mode M/N", {0x16, 0x30, 0x44}, 0x2043, 0x2400},
    {0x005F0, 0x40, "Set Tuner Mode B/G", {0x16, 0x74, 0x49}, 0x7043, 0x2400},
    {0xFF000, 0x50, "Set Tuner Mode B/G", {0x16, 0x74, 0x49}, 0x6043, 0x7C00},
    // In no group: NTSC-4.43, PAL-H, PAL-60, SECAM-H, PAL-N combination.
    {0x00004, 0x40, nullptr, {}, 0x0043, 0x2400},
    {0x00080, 0x40, nullptr, {}, 0x0043, 0x2400},
    {0x00800, 0x40, nullptr, {}, 0x0043, 0x2400},
    {0x08000, 0x40, nullptr, {}, 0x0043, 0x2400},
    {0x100000, 0x40, nullptr, {}, 0x0043, 0x2400},
};

class KestrelTvModeTest : public KestrelTest, public ::testing::WithParamInterface<TvModeRow> {};

TEST_P(KestrelTvModeTest, ProgramsTunerIfDemodulatorAndTvAudio) {
    const TvModeRow& row = GetParam();
    UseStandard(row.standard);
    host_.ScriptSubaddressRead({0x80, 0x11, 0x00, 0x7E}, {0x01, 0x02});
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 2, 1, nullptr), 0u);
    Lines bus = {Ctl(0xDE, row.control)};
    Lines traces;
    if (row.trace != nullptr) {
        bus.push_back(If(row.ifBytes[0], row.ifBytes[1], row.ifBytes[2]));
        traces.push_back(row.trace);
    }
    bus = bus + Lines{Tv(0x10, 0x0030, row.sound), Tv(0x12, 0x000E, row.carrier), TvRead(0x007E, 0x01, 0x02)};
    traces = traces + Lines{"Set Audio Source TV Tuner", "Standard Result Reg : 1, 2!!!"};
    EXPECT_THAT(Bus(), ElementsAreArray(bus));
    EXPECT_THAT(Traces(), ElementsAreArray(traces));
    EXPECT_EQ(TunerValue(2), 1u);
}

INSTANTIATE_TEST_SUITE_P(Standards, KestrelTvModeTest, ::testing::ValuesIn(kTvModeRows),
                         [](const auto& info) { return "Std" + HexName(info.param.standard); });

// Country 86 (from the last accepted frequency record) overrides 12:000E.
TEST_F(KestrelTest, Country86ChangesTheCarrierSetting) {
    UseStandard(0x40000);
    UseLineInput();
    ASSERT_EQ(Tune(471'250'000, 86), 0u);
    Mark();
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 2, 1, nullptr), 0u);
    EXPECT_THAT(Bus(), ElementsAre(Ctl(0xDE, 0x50), If(0x06, 0x50, 0x4B), Tv(0x10, 0x0030, 0x6043),
                                   Tv(0x12, 0x000E, 0x2000), Tv(0x12, 0x000B, 0x0220), Tv(0x12, 0x0013, 0x3E40)));
}

// FM: the stereo bit of the TV-audio mode picks the reception bytes; the
// routing follows the new mode.
TEST_F(KestrelTest, FmModeProgramsTunerAndIfDemodulatorAndRoutesFmRadio) {
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 2, 2, nullptr), 0u);
    EXPECT_THAT(Bus(), ElementsAre(Ctl(0x98, 0x40), Ctl(0x88, 0x59), If(0x0A, 0x30, 0x20), Tv(0x12, 0x000B, 0x0220),
                                   Tv(0x12, 0x0013, 0x0000)));
    EXPECT_THAT(Traces(), ElementsAre("Set Tuner Mode FM Radio", "Set Audio Source FM RADIO"));
    EXPECT_EQ(TunerValue(2), 2u);
    EXPECT_EQ(inputs().GetAudioInputType(context_), 3u);

    UseAudioMode(0x03);  // stereo (and mono)
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 2, 2, nullptr), 0u);
    EXPECT_THAT(Bus(), ElementsAre(Ctl(0x98, 0x40), Ctl(0x88, 0x19), If(0x0A, 0x90, 0x20), Tv(0x12, 0x000B, 0x0220),
                                   Tv(0x12, 0x0013, 0x0000)));
}

TEST_F(KestrelTest, ModeChangeWithTheLineInputKeepsTheLineRouting) {
    UseLineInput();
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 2, 2, nullptr), 0u);
    EXPECT_THAT(Bus(), ElementsAre(Ctl(0x98, 0x40), Ctl(0x88, 0x59), If(0x0A, 0x30, 0x20), Tv(0x12, 0x000B, 0x0220),
                                   Tv(0x12, 0x0013, 0x3E40)));
    EXPECT_EQ(inputs().GetAudioInputType(context_), 4u);
}

TEST_F(KestrelTest, UnknownModesAndPropertiesAreRefused) {
    for (u32 mode : {0u, 3u, 0xFFFFFFFFu}) {
        EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 2, mode, nullptr), 0xFFFFFFFCu);
    }
    for (u32 id : {0u, 1u, 3u, 6u, 7u, 8u, 9u, 11u, 0x1000u}) {
        EXPECT_EQ(tuner().SetTunerProperty(context_, device(), id, 0, nullptr), 0xFFFFFFFCu) << id;
    }
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 5, 0, nullptr), 0u);
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 5, 1, nullptr), 0xFFFFFFFCu);
    u32 value = 0xEEEEEEEE;
    for (u32 id : {7u, 11u, 0xFFFFFFFFu}) {
        EXPECT_EQ(tuner().GetTunerProperty(context_, device(), id, &value, nullptr), 0xFFFFFFFCu) << id;
    }
    EXPECT_EQ(value, 0xEEEEEEEEu);
    EXPECT_EQ(TunerValue(2), 1u);
    EXPECT_EQ(TunerValue(5), 0u);
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_THAT(Traces(), IsEmpty());
}

// ---------------------------------------------------------------------------
// Tuning words. The line input is the audio source, so nothing follows the word.
struct TuneRow {
    u32 standard;
    u32 hz;
    int band;  // 0: refused
    u16 divider;
    u32 ifFigure;
};
constexpr TuneRow kTuneRows[] = {
    {0x00001, 55'250'000, 0x01, 0x0650, 4575},   // NTSC-M lowest
    {0x00001, 55'249'999, 0, 0, 0},
    {0x00001, 159'999'999, 0x01, 0x0CDB, 4575},
    {0x00001, 160'000'000, 0x02, 0x0CDC, 4575},
    {0x00001, 801'250'000, 0x04, 0x34F0, 4575},
    {0x00001, 801'250'001, 0, 0, 0},
    {0x00010, 471'250'000, 0x04, 0x1FE2, 3890},  // PAL-B/G
    {0x00010, 863'250'000, 0x04, 0x3862, 3890},  // upper limit, inclusive
    {0x00010, 863'250'001, 0, 0, 0},
    {0x00010, 159'000'000, 0, 0, 0},  // between the first two bands
    {0x00010, 158'000'000, 0, 0, 0},
    {0x00010, 157'999'999, 0x01, 0x0C4E, 3890},
    {0x00010, 45'750'000, 0x01, 0x054A, 3890},
    {0x00010, 45'749'999, 0, 0, 0},
    {0x00010, 441'999'999, 0x02, 0x1E0E, 3890},
    {0x00010, 442'000'000, 0x04, 0x1E0E, 3890},
    {0x40000, 471'250'000, 0x04, 0x1FE2, 3890},  // SECAM-L: the PAL row
    {0x005F0, 471'250'000, 0x04, 0x1FE2, 3890},
    {0xFF000, 471'250'000, 0x04, 0x1FE2, 3890},
    {0x80000, 48'250'000, 0x01, 0x0523, 3395},   // SECAM-L'
    {0x80000, 48'249'999, 0, 0, 0},
    {0x00002, 91'250'000, 0x01, 0x0960, 5875},   // NTSC-M-J
    {0x00002, 91'249'999, 0, 0, 0},
    {0x00002, 765'250'000, 0x04, 0x3380, 5875},
    {0x00002, 765'250'001, 0, 0, 0},
    {0x00A07, 55'250'000, 0x01, 0x0650, 4575},
    // No IF figure: PAL-M, NTSC-4.43, PAL-60, SECAM-H.
    {0x00200, 471'250'000, 0, 0, 0},
    {0x00004, 471'250'000, 0, 0, 0},
    {0x00800, 471'250'000, 0, 0, 0},
    {0x08000, 471'250'000, 0, 0, 0},
};

class KestrelTuneTest : public KestrelTest, public ::testing::WithParamInterface<TuneRow> {};

TEST_P(KestrelTuneTest, SendsTheWordOrKeepsThePreviousRecord) {
    const TuneRow& row = GetParam();
    UseStandard(row.standard);
    UseLineInput();
    EXPECT_EQ(Tune(row.hz), 0u);  // refused frequencies are not reported to the host
    if (row.band == 0) {
        EXPECT_THAT(host_.Log(), IsEmpty());
        EXPECT_THAT(Traces(), IsEmpty());
        EXPECT_THAT(FrequencyRecord(), ElementsAre(0, 0, 3, 0, 0, 4, 1));
        return;
    }
    EXPECT_THAT(Bus(), ElementsAre(Word(0xCE, static_cast<u32>(row.band), row.divider >> 8, row.divider)));
    EXPECT_THAT(Traces(), ElementsAre("Set Frequency " + std::to_string(row.hz) + ", VIF = " +
                                      std::to_string(row.ifFigure)));
    EXPECT_THAT(FrequencyRecord(), ElementsAre(row.hz, row.hz - 1, 3, 0, 0, 30, 49));
}

INSTANTIATE_TEST_SUITE_P(Bands, KestrelTuneTest, ::testing::ValuesIn(kTuneRows), [](const auto& info) {
    return "Std" + HexName(info.param.standard) + "Hz" + std::to_string(info.param.hz);
});

TEST_F(KestrelTest, ARefusedFrequencyKeepsTheLastAcceptedRecord) {
    UseStandard(0x10);
    UseLineInput();
    ASSERT_EQ(Tune(471'250'000), 0u);
    u32 record[kTunerFrequencyFields] = {159'000'000, 1, 2, 3, 4, 5, 6};
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 4, 0, record), 0u);
    EXPECT_THAT(FrequencyRecord(), ElementsAre(471'250'000, 471'249'999, 3, 0, 0, 30, 49));
    u32 status[kTunerStatusFields + 1] = {9, 9, 9, 9, 0xEE};
    EXPECT_EQ(tuner().GetTunerProperty(context_, device(), 6, nullptr, status), 0u);
    EXPECT_THAT(status, ElementsAre(471'250'000, 0, 100, 0, 0xEE));
}

TEST_F(KestrelTest, FrequencyAllOnesIsStoredWithoutTuning) {
    UseLineInput();
    EXPECT_EQ(Tune(0xFFFFFFFF), 0u);
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_THAT(Traces(), IsEmpty());
    EXPECT_EQ(FrequencyRecord()[0], 0xFFFFFFFFu);
}

// Write failures are not detected: the record is stored all the same.
TEST_F(KestrelTest, AFailedTuningWordStillStoresTheFrequency) {
    UseStandard(0x10);
    UseLineInput();
    host_.FailMatching(Service::I2cWriteBuffer);
    EXPECT_EQ(Tune(471'250'000), 0u);
    EXPECT_EQ(FrequencyRecord()[0], 471'250'000u);
}

// With the tuner side as source, a TV frequency is followed by the sound mode.
TEST_F(KestrelTest, TvFrequencyIsFollowedByTheTvSoundMode) {
    UseStandard(0x10);
    EXPECT_EQ(Tune(471'250'000), 0u);
    EXPECT_THAT(Bus(), ElementsAre(Word(0xCE, 0x04, 0x1F, 0xE2), Tv(0x10, 0x0020, 0x0001), Tv(0x12, 0x000B, 0x0330)));
    EXPECT_THAT(Traces(), ElementsAre("Set Frequency 471250000, VIF = 3890", "Set TVAudio Language A & Mono!!!"));
    // Also after a refused frequency.
    Mark();
    EXPECT_EQ(Tune(159'000'000), 0u);
    EXPECT_THAT(Bus(), ElementsAre(Tv(0x10, 0x0020, 0x0001), Tv(0x12, 0x000B, 0x0330)));
}

// FM: 50 kHz steps above 10.7 MHz; the mono bit picks the band byte; no range.
struct FmRow {
    u32 audioMode;
    u32 hz;
    u8 word[4];
};
constexpr FmRow kFmRows[] = {
    {0x12, 100'000'000, {0x88, 0x19, 0x08, 0xA6}},
    {0x11, 100'000'000, {0x88, 0x59, 0x08, 0xA6}},
    {0x03, 100'000'000, {0x88, 0x59, 0x08, 0xA6}},
    {0x10, 100'000'000, {0x88, 0x19, 0x08, 0xA6}},
    {0x12, 0, {0x88, 0x19, 0x00, 0xD6}},
    {0x12, 88'100'000, {0x88, 0x19, 0x07, 0xB8}},
    {0x12, 0xFFFFFFFF, {0x88, 0x19, 0x50, 0x61}},  // divider 0x15061: low 16 bits sent,
};

class KestrelFmTuneTest : public KestrelTest, public ::testing::WithParamInterface<FmRow> {};

TEST_P(KestrelFmTuneTest, SendsTheFmWord) {
    const FmRow& row = GetParam();
    UseTunerMode(2);
    UseAudioMode(row.audioMode);
    EXPECT_EQ(Tune(row.hz), 0u);
    EXPECT_THAT(Bus(), ElementsAre(Word(row.word[0], row.word[1], row.word[2], row.word[3])));
    EXPECT_THAT(Traces(), ElementsAre("Set Frequency " + std::to_string(static_cast<s32>(row.hz)) + ", VIF = 1070"));
    EXPECT_EQ(FrequencyRecord()[0], row.hz);
}

INSTANTIATE_TEST_SUITE_P(Frequencies, KestrelFmTuneTest, ::testing::ValuesIn(kFmRows), [](const auto& info) {
    return "Mode" + HexName(info.param.audioMode) + "Hz" + std::to_string(info.param.hz);
});

// ---------------------------------------------------------------------------
// Read-only tuner properties.
TEST_F(KestrelTest, TunerPropertiesAfterOpen) {
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

TEST_F(KestrelTest, ModeCapabilitiesPerMode) {
    u32 record[kTunerModeCapsFields + 1];
    std::fill(std::begin(record), std::end(record), 0xEEEEEEEE);
    record[0] = 1;
    EXPECT_EQ(tuner().GetTunerProperty(context_, device(), 1, nullptr, record), 0u);
    EXPECT_THAT(record, ElementsAre(1, 0xFFFF7, 55'250'000, 997'250'000, 62'500, 1, 300, 4, 0xEEEEEEEE));
    std::fill(std::begin(record), std::end(record), 0xEEEEEEEE);
    record[0] = 2;
    EXPECT_EQ(tuner().GetTunerProperty(context_, device(), 1, nullptr, record), 0u);
    EXPECT_THAT(record, ElementsAre(2, 0xEEEEEEEE, 88'100'000, 107'900'000, 200'000, 1, 500, 4, 0xEEEEEEEE));
    std::fill(std::begin(record), std::end(record), 0xEEEEEEEE);
    record[0] = 3;
    EXPECT_EQ(tuner().GetTunerProperty(context_, device(), 1, nullptr, record), 0xFFFFFFFCu);
    EXPECT_THAT(record, ElementsAre(3, 0xEEEEEEEE, 0xEEEEEEEE, 0xEEEEEEEE, 0xEEEEEEEE, 0xEEEEEEEE, 0xEEEEEEEE,
                                    0xEEEEEEEE, 0xEEEEEEEE));
    EXPECT_THAT(host_.Log(), IsEmpty());
}

}  // namespace
}  // namespace trel::test
