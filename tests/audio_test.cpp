// Audio path: the encoder's audio chip configuration and the board audio
// clocks. (Capability masks and the usual 48 kHz set-up: the golden sessions;
// null pointers: properties_test.cpp.)
#include "test_support.h"

namespace trel::test {
namespace {

constexpr u16 kLeft = 0xBEEF;  // a word the module leaves as the host had it

// GetAudioChipconfig fills the whole record from the configuration (format
// tag, rate, mode select, sample parameter): 1 in words 6 and 10, 16 in 27 and
// 28, 256 in 29 and 30, the low half of the sample parameter in 9, 1 in 11 for
// mode 1 only, 0 elsewhere but in the words a row gives: 0 and 1 (the rate;
// left alone for a rate without values), 4 and 5, 23 to 25 (the ADPCM words);
// "ADPCM enable" traced for IMA (17) and MS (2) ADPCM. Rows: every variant
// (Heron I, Bittern, Kestrel: 1; Heron II Reprise, Egret: 2, 24 kHz taken as
// 48; Heron Ascent: 3; Plover: 4).
TEST_F(HostTest, AudioChipConfigurationWholeRecord) {
    const struct {
        const char* board;
        AudioConfig audio;
        std::array<u16, 7> words;  // 0, 1, 4, 5, 23, 24, 25
    } rows[] = {
        {"Heron I", {1, 48000, 1, 0x12345}, {2, 8, 0, 0, 0, 0, 256}}, {"Heron I", {1, 44100, 2, 0xFFFF0001}, {1, 4, 0, 0, 0, 0, 256}},
        {"Heron I", {17, 48000, 0, 0}, {2, 8, 0, 0, 1, 0, 256}},     {"Heron I", {2, 24000, 0, 0}, {kLeft, kLeft, 0, 0, 1, 1, 256}},
        {"Bittern", {2, 48000, 0, 0}, {2, 8, 0, 0, 1, 1, 256}},      {"Kestrel", {3, 32000, 0, 0}, {kLeft, kLeft, 0, 0, 0, 0, 256}},
        {"Heron II Reprise", {17, 24000, 2, 7}, {2, 8, 1, 1, 1, 0, 256}}, {"Egret", {2, 24000, 0, 0}, {2, 8, 1, 1, 1, 1, 256}},
        {"Heron Ascent", {2, 24000, 1, 0}, {kLeft, kLeft, 1, 1, 1, 1, 256}}, {"Heron Ascent", {17, 48000, 0, 0}, {2, 8, 1, 1, 1, 0, 256}},
        {"Plover", {2, 44100, 0, 0}, {1, 4, 1, 1, 1, 1, 1010}},      {"Plover", {0x55, 22050, 0, 0}, {kLeft, kLeft, 1, 1, 0, 0, 256}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.board) + " format " + std::to_string(r.audio.formatTag) + " " + std::to_string(r.audio.sampleRate));
        const size_t index = Board(r.board);
        void* context = Open(index);
        Mark();
        Guarded<AudioChipConfig> chip;
        std::fill(std::begin(chip->word), std::end(chip->word), kLeft);
        board(index).audioOps->GetAudioChipconfig(context, device(), chip.get(), &r.audio);
        std::vector<u16> want(kAudioChipConfigWords, 0);
        const u16 parameter = static_cast<u16>(r.audio.sampleParameter & 0xFFFF), mode = r.audio.modeSelect == 1 ? 1 : 0;
        for (auto [word, value] : std::initializer_list<std::pair<size_t, u16>>{
                 {6, 1}, {10, 1}, {27, 16}, {28, 16}, {29, 256}, {30, 256}, {9, parameter}, {11, mode}})
            want[word] = value;
        for (size_t i = 0; i < r.words.size(); ++i) want[std::array<size_t, 7>{0, 1, 4, 5, 23, 24, 25}[i]] = r.words[i];
        EXPECT_THAT(chip->word, ElementsAreArray(want));
        EXPECT_TRUE(chip.GuardIntact());
        EXPECT_THAT(host_.Log(), IsEmpty());
        const bool adpcm = r.audio.formatTag == 2 || r.audio.formatTag == 17;
        EXPECT_THAT(Traces(), ElementsAreArray(adpcm ? Lines{kAdpcm} : Lines{}));
    }
}

// InitAudio: the SAA7115 boards write the audio clock for the recorded
// standard's field rate (NTSC-M after open) and the rate, every register
// whatever the bus answers (here the first fails), nothing for a rate without
// values or a standard of neither line system (SECAM); the others select the
// rate through DeviceControl selector 0 (1: 48 kHz, and 24 kHz on the
// variant-2 boards; 0: 44.1 kHz; its result, failed here, not examined) or
// make no call. (48 kHz on every board: the golden sessions; the clock's rate
// for every standard and rate: the chip consistency test.)
TEST_F(HostTest, AudioClockOrRateSelect) {
    const std::vector<const char*> saa7115 = {"Heron I", "Bittern"};
    const struct {
        std::vector<const char*> boards;
        u32 standard, rate;
        std::string clock;  // SAA7115 writes
        int select;         // -1: no device request
    } rows[] = {
        {saa7115, 1, 48000, "30=66 31=90 32=01 34=00 35=00 36=20", -1}, {saa7115, 1, 24000, "", -1},
        {saa7115, 0x5F0, 44100, "30=00 31=B9 32=01 34=66 35=66 36=1D", -1}, {saa7115, 0x1000, 48000, "", -1},
        {{"Heron II Reprise", "Egret"}, 1, 24000, "", 1}, {{"Heron II Reprise"}, 1, 32000, "", -1},
        {{"Heron II Reprise", "Egret", "Heron Ascent"}, 1, 44100, "", 0}, {{"Heron Ascent"}, 1, 24000, "", -1},
    };
    for (const auto& r : rows) {
        for (const char* name : r.boards) {
            SCOPED_TRACE(std::string(name) + " standard " + Hex32(r.standard) + " rate " + std::to_string(r.rate));
            const size_t index = Board(name);
            void* context = Open(index);
            ASSERT_EQ(board(index).videoOps->SetVideoProperty(context, device(), kPropTvStandard, r.standard, 0), 0u);
            Mark();
            host_.FailMatching(Service::I2cWrite, 0x40, 0x30, 5);
            host_.FailMatching(Service::DeviceControl, -1, -1, 9);
            const AudioConfig audio{1, r.rate, 0, 0};
            EXPECT_EQ(board(index).audioOps->InitAudio(context, device(), &audio), 0u);
            host_.ClearFailures();
            Lines expected = Writes(0x40, r.clock);
            if (!expected.empty()) expected.front() += " !5";
            if (r.select >= 0) expected.push_back("DEVCTL 0=" + std::to_string(r.select) + " !9");
            EXPECT_THAT(Bus(), ElementsAreArray(expected));
        }
    }
}

}  // namespace
}  // namespace trel::test
