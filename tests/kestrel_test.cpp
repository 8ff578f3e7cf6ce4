// Kestrel, the tuner board: the state after open and capture start (the
// scaler refused, or followed by the board re-applied from its context); the
// tuner: TV reception per standard group, FM radio and its three mono rules,
// tuning words over bands and edges, the tuner properties; TV audio: input
// routing, sound modes, the audio status read as the available modes. (The
// usual, TV and FM sessions: golden_test.cpp; start-up with given values:
// saa711x_test.cpp; picture controls, inputs, standards, null pointers:
// properties_test.cpp.)
#include "saa7115_support.h"

namespace trel::test {
namespace {

// Space-separated tokens, each one bus line as the simulated host prints it:
//   0A=FF          SAA7115 write          10:0030=2043   TV-audio write
//   11:007E->0102  TV-audio read (high, low)              C2=DE40 tuner control [DE 40]
//   86=167449      IF demodulator [16 74 49]              W=CE041FE2   tuning word
// (SAA7115 registers C2 and 86 are not written this way: Saa(...).)
Lines K(const std::string& tokens) {
    const std::map<std::string, std::string> heads = {{"C2", "SUB C2 W"}, {"86", "SUB 86 00 W"}, {"W", "BUF C2 W"}};
    Lines lines;
    std::istringstream in(tokens);
    for (std::string t; in >> t;) {
        const size_t eq = t.find('=');
        const auto head = heads.find(t.substr(0, eq));
        std::string line = t.find(':') != std::string::npos ? "SUB 80 " + t : head == heads.end() ? "I2C 40 W " + t : head->second;
        if (head != heads.end())
            for (size_t i = eq + 1; i < t.size(); i += 2) line.append(" ").append(t, i, 2);
        lines.push_back(line + " f8000");
    }
    return lines;
}

class KestrelTest : public BoardTest {
protected:
    void SetUp() override {
        BoardTest::SetUp();
        OpenBoard(Board("Kestrel"));
    }
    const InputOps& inputs() { return *board(index_).inputOps; }
    const TunerOps& tuner() { return *board(index_).tunerOps; }
    u32 SetTuner(u32 id, u32 value, u32* record = nullptr) {
        return tuner().SetTunerProperty(context_, device(), id, value, record);
    }

    // Board state changes made as the host makes them, then the log cleared.
    void UseStandard(u32 standard) {
        ASSERT_EQ(Set(kPropTvStandard, standard), 0u);
        Mark();
    }
    void UseLineInput() {
        ASSERT_EQ(inputs().Set_Current_Audio_InputID(context_, device(), 4), 0u);
        Mark();
    }
    // Tunes with a full frequency record: last hz - 1, flags 0x55, channel 30.
    u32 Tune(u32 hz, u32 country = 49) {
        u32 record[kTunerFrequencyFields] = {hz, hz - 1, 0x55, 7, 8, 30, country};
        return SetTuner(4, 0, record);
    }
    std::vector<u32> TunerRecord(u32 id, size_t fields) {
        std::vector<u32> record(fields + 1, 0xEEEEEEEE);
        EXPECT_EQ(tuner().GetTunerProperty(context_, device(), id, nullptr, record.data()), 0u);
        EXPECT_EQ(record.back(), 0xEEEEEEEEu);  // nothing past the record
        return {record.begin(), record.end() - 1};
    }
    std::vector<u32> FrequencyRecord() { return TunerRecord(4, kTunerFrequencyFields); }
    u32 TunerValue(u32 id) {
        u32 value = 0xEEEEEEEE;
        EXPECT_EQ(tuner().GetTunerProperty(context_, device(), id, &value, nullptr), 0u);
        return value;
    }
};

// After open: the tuner side as audio input, TV mode, NTSC-M, language A,
// channel 4, country 1, signal strength 100. Mode capabilities: TV and FM
// ranges (FM leaves the standards field), other modes refused.
TEST_F(KestrelTest, StateAfterOpenAndModeCapabilities) {
    EXPECT_EQ(inputs().GetAudioInputType(context_), 3u);
    for (auto [id, value] : {std::pair{0u, 3u}, {2u, 1u}, {3u, 1u}, {5u, 0u}, {10u, 0x10u}}) {
        EXPECT_EQ(TunerValue(id), value) << id;
    }
    EXPECT_THAT(FrequencyRecord(), ElementsAre(0, 0, 3, 0, 0, 4, 1));
    EXPECT_THAT(TunerRecord(6, kTunerStatusFields), ElementsAre(0, 0, 100, 0));
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
}

// Capture start with the line input: a width the scaler cannot take is
// refused with nothing written, the configuration untouched and the context
// not re-applied; otherwise, after the scaler's 30 writes, source, standard
// and the line routing are re-applied, and not the tuner side.
TEST_F(KestrelTest, CaptureStartWithTheLineInputLeavesTheTunerAlone) {
    UseStandard(0x10);
    ASSERT_EQ(Tune(471'250'000), 0u);
    UseLineInput();
    for (u32 width : {0u, 721u}) {
        Guarded<CaptureConfig> config = HostConfig(0x5F0, width, 576);
        const Guarded<CaptureConfig> before = config;
        EXPECT_EQ(Capture(config), kInvalid);
        ExpectSameBytes(config, before);
    }
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_THAT(Traces(), IsEmpty());
    Guarded<CaptureConfig> config = HostConfig(0x5F0, 720, 576);
    EXPECT_EQ(Capture(config), 0u);
    const Lines bus = Bus();
    ASSERT_EQ(bus.size(), 30u + 2 + 13 + 2);
    EXPECT_THAT(Lines(bus.begin() + 30, bus.end()),
                ElementsAreArray(K("02=C3 09=40") + Saa(kHeron625, " f8000") + K("12:000B=0220 12:0013=3E40")));
    EXPECT_THAT(Traces(), ElementsAre(Line(kSetTvStandard, 16), kAudioSourceLine));
}

// ---------------------------------------------------------------------------
// TV mode per standard: tuner control, IF demodulator (its trace first), the
// two TV-audio writes (12:000E by the country of the last accepted frequency
// record); the routing follows (tuner side in TV mode: the standard result read).
struct TvModeRow {
    u32 standard, country;  // country 0: none tuned
    std::string bus;
    const char* trace;  // null: in no IF demodulator group
};
const TvModeRow kTvModeRows[] = {
    {0x00010, 0, "C2=DE40 86=167449 10:0030=0043 12:000E=2400", "B/G"},
    {0x00100, 0, "C2=DE40 86=16744A 10:0030=0043 12:000E=2400", "PAL/I"},
    {0x00020, 0, "C2=DE40 86=16744B 10:0030=7043 12:000E=2400", "D/K"},
    {0x40000, 0, "C2=DE50 86=06504B 10:0030=6043 12:000E=7C00", "SECAM L"},
    {0x40000, 86, "C2=DE50 86=06504B 10:0030=6043 12:000E=2000", "SECAM L"},
    {0x80000, 0, "C2=DE50 86=865053 10:0030=6043 12:000E=2400", "SECAM L'"},
    {0x00001, 0, "C2=DE30 86=163044 10:0030=2043 12:000E=2400", "M/N"},
    {0x00400, 0, "C2=DE40 86=163044 10:0030=0043 12:000E=2400", "M/N"},
    {0x00002, 0, "C2=DE40 86=123040 10:0030=4043 12:000E=2400", "NTSC_MJ"},
    // The format records' family masks: first group wins, each byte by its own test.
    {0x00A07, 0, "C2=DE30 86=163044 10:0030=2043 12:000E=2400", "M/N"},
    {0x005F0, 0, "C2=DE40 86=167449 10:0030=7043 12:000E=2400", "B/G"},
    {0xFF000, 0, "C2=DE50 86=167449 10:0030=6043 12:000E=7C00", "B/G"},
    // In no group (NTSC-4.43): no IF demodulator write.
    {0x00004, 0, "C2=DE40 10:0030=0043 12:000E=2400", nullptr},
};

class KestrelTvMode : public KestrelTest, public ::testing::WithParamInterface<TvModeRow> {};

TEST_P(KestrelTvMode, ProgramsTunerIfDemodulatorAndTvAudio) {
    const TvModeRow& r = GetParam();
    UseStandard(r.standard);
    if (r.country != 0) {
        ASSERT_EQ(Tune(471'250'000, r.country), 0u);
        Mark();
    }
    host_.ScriptSubaddressRead({0x80, 0x11, 0x00, 0x7E}, {0xA5, 0x0F});
    EXPECT_EQ(SetTuner(2, 1), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(K(r.bus + " 11:007E->A50F")));
    const Lines mode = r.trace != nullptr ? Lines{Line(kTunerMode, r.trace)} : Lines{};
    EXPECT_THAT(Traces(), ElementsAreArray(mode + Lines{kAudioSourceTuner, Line(kStandardResult, 0xA5, 0x0F)}));
}

INSTANTIATE_TEST_SUITE_P(Standards, KestrelTvMode, ::testing::ValuesIn(kTvModeRows),
                         [](const auto& i) { return "Std" + NameHex(i.param.standard) + "Country" + std::to_string(i.param.country); });

// FM radio (the tuner side as source). Each entry point decides mono by its
// own rule, and the host relies on the three staying apart:
//   sound mode (property 10):   the mono bit of the flags it is given;
//   reception (property 2, FM): the stereo bit of the recorded flags clear;
//   tuning word (property 4):   the mono bit of the recorded flags.
// Flags with both bits or neither split them. The sound mode is set while the
// recorded flags are still those of open (0x10), so it must read its own. The
// word counts 50 kHz steps above 10.7 MHz for any frequency (low 16 bits
// sent); no sound mode follows it. The mode and the flags are stored.
std::string FmBytes(bool mono) { return mono ? "C2=8859 86=0A3020 " : "C2=8819 86=0A9020 "; }
struct FmMonoRow {
    u32 flags;
    bool soundMono, receptionMono, wordMono;
    u32 hz;
    const char* divider;
};
const FmMonoRow kFmMonoRows[] = {
    {0x00, false, true, false, 100'000'000, "08A6"},
    {0x01, true, true, true, 100'000'000, "08A6"},
    {0x02, false, false, false, 0xFFFFFFFF, "5061"},  // divider 0x15061
    {0x03, true, false, true, 100'000'000, "08A6"},
    {0x10, false, true, false, 0, "00D6"},
};

class KestrelFmMono : public KestrelTest, public ::testing::WithParamInterface<FmMonoRow> {};

TEST_P(KestrelFmMono, SoundModeReceptionAndWordEachTakeTheirOwnRule) {
    const FmMonoRow& r = GetParam();
    ASSERT_EQ(SetTuner(2, 2), 0u);
    Mark();
    EXPECT_EQ(SetTuner(10, r.flags), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(K(FmBytes(r.soundMono) + "12:000B=0220")));
    EXPECT_THAT(Traces(), ElementsAre(r.soundMono ? kFmRadioMono : kFmRadioStereo));
    Mark();
    EXPECT_EQ(SetTuner(2, 2), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(K("C2=9840 " + FmBytes(r.receptionMono) + "12:000B=0220 12:0013=0000")));
    EXPECT_THAT(Traces(), ElementsAre(Line(kTunerMode, "FM Radio"), kAudioSourceFm));
    Mark();
    EXPECT_EQ(Tune(r.hz), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(K(std::string("W=88") + (r.wordMono ? "59" : "19") + r.divider)));
    EXPECT_THAT(Traces(), ElementsAre(Line(kFrequency, r.hz, 1070)));
}

INSTANTIATE_TEST_SUITE_P(Flags, KestrelFmMono, ::testing::ValuesIn(kFmMonoRows),
                         [](const auto& info) { return "Flags" + NameHex(info.param.flags); });

// ---------------------------------------------------------------------------
// TV tuning words, with the line input as audio source so that nothing follows.
struct TuneRow {
    u32 standard, hz;
    const char* word;  // null: refused, nothing sent, the record kept
    u32 ifFigure;
};
const TuneRow kTuneRows[] = {
    {0x00001, 55'250'000, "W=CE010650", 4575}, {0x00001, 55'249'999, nullptr, 0},  // NTSC-M
    {0x00001, 159'999'999, "W=CE010CDB", 4575}, {0x00001, 160'000'000, "W=CE020CDC", 4575},
    {0x00001, 801'250'000, "W=CE0434F0", 4575}, {0x00001, 801'250'001, nullptr, 0},
    {0x00010, 45'750'000, "W=CE01054A", 3890}, {0x00010, 45'749'999, nullptr, 0},  // PAL-B/G
    {0x00010, 157'999'999, "W=CE010C4E", 3890}, {0x00010, 158'000'000, nullptr, 0},
    {0x00010, 441'999'999, "W=CE021E0E", 3890}, {0x00010, 442'000'000, "W=CE041E0E", 3890},
    {0x00010, 863'250'000, "W=CE043862", 3890}, {0x00010, 863'250'001, nullptr, 0},
    {0x40000, 471'250'000, "W=CE041FE2", 3890},  // SECAM-L: the PAL row
    {0x80000, 48'250'000, "W=CE010523", 3395}, {0x80000, 48'249'999, nullptr, 0},  // SECAM-L'
    {0x00002, 91'250'000, "W=CE010960", 5875}, {0x00002, 765'250'000, "W=CE043380", 5875},  // NTSC-M-J
    {0x00002, 765'250'001, nullptr, 0},
    // Family masks: the first row with a bit wins.
    {0x00A07, 55'250'000, "W=CE010650", 4575}, {0xFF000, 45'750'000, "W=CE01054A", 3890},
    // No IF figure: PAL-M, SECAM-H.
    {0x00200, 471'250'000, nullptr, 0}, {0x08000, 471'250'000, nullptr, 0},
};

class KestrelTune : public KestrelTest, public ::testing::WithParamInterface<TuneRow> {};

TEST_P(KestrelTune, SendsTheWordOrKeepsThePreviousRecord) {
    const TuneRow& r = GetParam();
    UseStandard(r.standard);
    UseLineInput();
    EXPECT_EQ(Tune(r.hz), 0u);  // a refused frequency is not reported to the host
    EXPECT_THAT(Bus(), ElementsAreArray(K(r.word != nullptr ? r.word : "")));
    EXPECT_THAT(Traces(), ElementsAreArray(r.word != nullptr ? Lines{Line(kFrequency, r.hz, r.ifFigure)} : Lines{}));
    if (r.word != nullptr) EXPECT_THAT(FrequencyRecord(), ElementsAre(r.hz, r.hz - 1, 3, 0, 0, 30, 49));
    else EXPECT_THAT(FrequencyRecord(), ElementsAre(0, 0, 3, 0, 0, 4, 1));
}

INSTANTIATE_TEST_SUITE_P(Bands, KestrelTune, ::testing::ValuesIn(kTuneRows),
                         [](const auto& i) { return "Std" + NameHex(i.param.standard) + "Hz" + std::to_string(i.param.hz); });

// The record of the last accepted frequency stays; 0xFFFFFFFF is stored
// without tuning; a failed tuning word still counts as tuned. With the tuner
// side as source a refused TV frequency is still followed by the sound mode.
TEST_F(KestrelTest, FrequencyRecordBookkeeping) {
    UseStandard(0x10);
    ASSERT_EQ(Tune(471'250'000), 0u);
    Mark();
    EXPECT_EQ(Tune(159'000'000, 5), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(K("10:0020=0001 12:000B=0330")));
    EXPECT_THAT(Traces(), ElementsAre(Line(kTvAudioLanguage, "A & Mono")));
    EXPECT_THAT(FrequencyRecord(), ElementsAre(471'250'000, 471'249'999, 3, 0, 0, 30, 49));
    EXPECT_THAT(TunerRecord(6, kTunerStatusFields), ElementsAre(471'250'000, 0, 100, 0));
    UseLineInput();
    EXPECT_EQ(Tune(0xFFFFFFFF), 0u);
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_EQ(FrequencyRecord()[0], 0xFFFFFFFFu);
    host_.FailMatching(Service::I2cWriteBuffer);
    EXPECT_EQ(Tune(55'250'000), 0u);
    EXPECT_EQ(FrequencyRecord()[0], 55'250'000u);
}

TEST_F(KestrelTest, UnknownModesPropertiesAndInputsAreRefused) {
    for (u32 mode : {0u, 3u}) EXPECT_EQ(SetTuner(2, mode), kNotSupported);
    for (u32 id : {0u, 1u, 3u, 5u, 6u, 7u, 8u, 9u, 11u}) EXPECT_EQ(SetTuner(id, 1), kNotSupported) << id;
    EXPECT_EQ(SetTuner(5, 0), 0u);  // the only input
    u32 value = 0xEEEEEEEE;
    for (u32 id : {7u, 11u}) EXPECT_EQ(tuner().GetTunerProperty(context_, device(), id, &value, nullptr), kNotSupported);
    EXPECT_EQ(value, 0xEEEEEEEEu);
    for (u32 id : {0u, 2u, 5u}) EXPECT_EQ(inputs().Set_Current_Audio_InputID(context_, device(), id), kInvalid);
    EXPECT_THAT(Traces(), ElementsAre(Line(kSetAudioInput, 0), Line(kSetAudioInput, 2), Line(kSetAudioInput, 5)));
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_EQ(TunerValue(2), 1u);
    EXPECT_EQ(inputs().GetAudioInputType(context_), 3u);
}

// ---------------------------------------------------------------------------
// Audio inputs: the line input; the tuner side in TV mode (only the standard
// result is read, even when the read fails: the line routing stays until the
// next sound mode); a tuner mode change re-routes the source it finds (FM
// radio: the FM table above).
TEST_F(KestrelTest, AudioInputsRouteTheSource) {
    EXPECT_EQ(inputs().Set_Current_Audio_InputID(context_, device(), 4), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(K("12:000B=0220 12:0013=3E40")));
    EXPECT_THAT(Traces(), ElementsAre(Line(kSetAudioInput, 4), kAudioSourceLine));
    EXPECT_EQ(inputs().GetAudioInputType(context_), 4u);
    Mark();
    host_.FailMatching(Service::I2cReadSubaddress);
    EXPECT_EQ(inputs().Set_Current_Audio_InputID(context_, device(), 3), 0u);
    EXPECT_EQ(host_.Log().size(), 1u);
    EXPECT_THAT(Traces(), ElementsAre(Line(kSetAudioInput, 3), kAudioSourceTuner));
    EXPECT_EQ(inputs().GetAudioInputType(context_), 3u);
    UseLineInput();
    EXPECT_EQ(SetTuner(2, 2), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(K("C2=9840 " + FmBytes(true) + "12:000B=0220 12:0013=3E40")));
    EXPECT_EQ(inputs().GetAudioInputType(context_), 4u);
}

// TV sound modes (property 10) by standard and flags, with the line input as
// source (it does not stop the writes); the flags are stored.
struct SoundRow {
    u32 standard, flags;
    const char *trace, *bus;
};
const SoundRow kSoundRows[] = {
    {0x010, 0x12, "A & Stereo", "10:0020=0001 12:000B=0320"},
    {0x001, 0x12, "A & Stereo", "10:0030=2043 10:0020=0320 12:000B=0320"},
    {0xA07, 0x32, "A & Stereo", "10:0030=2043 10:0020=0320 12:000B=0320"},
    {0x010, 0x11, "A & Mono", "10:0020=0001 12:000B=0330"},
    {0x001, 0x10, "A & Mono", "10:0030=2042 10:0020=0021 12:000B=0330"},
    {0x010, 0x01, "B & Mono", "10:0020=0001 12:000B=0420"},  // no language bit
    {0x010, 0x22, "B & Mono", "10:0020=0001 12:000B=0420"},
    {0x001, 0x20, "B & Mono", "10:0030=2043 10:0020=0021 12:000B=0420"},
};

class KestrelSound : public KestrelTest, public ::testing::WithParamInterface<SoundRow> {};

TEST_P(KestrelSound, WritesTheModeAndStoresTheFlags) {
    const SoundRow& r = GetParam();
    UseStandard(r.standard);
    UseLineInput();
    EXPECT_EQ(SetTuner(10, r.flags), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(K(r.bus)));
    EXPECT_THAT(Traces(), ElementsAre(Line(kTvAudioLanguage, r.trace)));
    EXPECT_EQ(TunerValue(10), r.flags);
}

INSTANTIATE_TEST_SUITE_P(Modes, KestrelSound, ::testing::ValuesIn(kSoundRows),
                         [](const auto& i) { return "Std" + NameHex(i.param.standard) + "Flags" + NameHex(i.param.flags); });

// Available modes (ids 8 and 9 alike) from the audio status register: mono
// and language A always, language B from bit 8, stereo from bit 6; a failed
// read leaves the value.
TEST_F(KestrelTest, AudioStatusGivesTheAvailableModes) {
    const std::tuple<u8, u8, u32> rows[] = {{0x00, 0x00, 0x11}, {0x01, 0x40, 0x33}, {0x01, 0x00, 0x31}, {0x00, 0x40, 0x13},
                                            {0xFE, 0xBF, 0x11}};
    for (auto [high, low, modes] : rows) host_.ScriptSubaddressRead({0x80, 0x11, 0x02, 0x00}, {high, low});  // in turn
    for (auto [high, low, modes] : rows) {
        Mark();
        EXPECT_EQ(TunerValue(modes == 0x31 ? 9 : 8), modes);
        EXPECT_THAT(Traces(), ElementsAre(Line(kAudioStatus, high, low)));
    }
    EXPECT_THAT(Bus(), ElementsAreArray(K("11:0200->FEBF")));
    host_.FailMatching(Service::I2cReadSubaddress);
    u32 value = 0xEEEEEEEE;
    EXPECT_EQ(tuner().GetTunerProperty(context_, device(), 8, &value, nullptr), kBusFailure);
    EXPECT_EQ(value, 0xEEEEEEEEu);
}

}  // namespace
}  // namespace trel::test
