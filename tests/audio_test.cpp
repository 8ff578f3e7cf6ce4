// Audio path: the encoder's audio chip configuration and the board audio
// clocks. (Capability masks: boards_test.cpp; null pointers: properties_test.cpp.)
#include "test_support.h"

namespace trel::test {
namespace {

constexpr u16 kLeft = 0xBEEF;  // a word the module leaves as the host had it

class AudioTest : public HostTest {
protected:
    std::vector<u16> ChipConfig(size_t index, AudioConfig audio) {
        void* context = Open(index);
        Mark();
        Guarded<AudioChipConfig> chip;
        for (size_t i = 0; i < sizeof(AudioChipConfig) / 2; ++i) chip->word[i] = kLeft;
        board(index).audioOps->GetAudioChipconfig(context, device(), chip.get(), &audio);
        EXPECT_TRUE(chip.GuardIntact());
        EXPECT_THAT(host_.Log(), IsEmpty());
        return std::vector<u16>(chip->word, chip->word + 33);
    }
};

// Whole records for one board of each variant: PCM at 48 kHz (variant 1), IMA
// ADPCM at 24 kHz (2), an unknown rate leaving the rate words (3), MS ADPCM at
// 44.1 kHz (4).
TEST_F(AudioTest, WholeRecordPerVariant) {
    EXPECT_THAT(ChipConfig(kHeronI, {1, 48000, 1, 0x12345}),
                ElementsAreArray<u16>({2, 8, 0, 0, 0, 0, 1, 0, 0, 0x2345, 1, 1, 0, 0, 0, 0, 0,
                                       0, 0, 0, 0, 0, 0, 0, 0, 256, 0, 16, 16, 256, 256, 0, 0}));
    EXPECT_THAT(Traces(), IsEmpty());
    EXPECT_THAT(ChipConfig(kHeronIIReprise, {17, 24000, 2, 7}),
                ElementsAreArray<u16>({2, 8, 0, 0, 1, 1, 1, 0, 0, 7, 1, 0, 0, 0, 0, 0, 0,
                                       0, 0, 0, 0, 0, 0, 1, 0, 256, 0, 16, 16, 256, 256, 0, 0}));
    EXPECT_THAT(Traces(), ElementsAre("ADPCM enable"));
    EXPECT_THAT(ChipConfig(kHeronAscent, {2, 24000, 1, 0}),
                ElementsAreArray<u16>({kLeft, kLeft, 0, 0, 1, 1, 1, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0,
                                       0, 0, 0, 0, 0, 0, 1, 1, 256, 0, 16, 16, 256, 256, 0, 0}));
    EXPECT_THAT(ChipConfig(kPlover, {2, 44100, 0, 0}),
                ElementsAreArray<u16>({1, 4, 0, 0, 1, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0,
                                       0, 0, 0, 0, 0, 0, 1, 1, 1010, 0, 16, 16, 256, 256, 0, 0}));
    // Word 11: mode select 1 only for mode 1; word 9: the low half of the sample parameter.
    const std::vector<u16> w = ChipConfig(kHeronI, {1, 48000, 2, 0xFFFF0001});
    EXPECT_EQ(w[11], 0);
    EXPECT_EQ(w[9], 1);
}

// One rule, every board: the rate words, words 4/5 and the ADPCM words.
struct ChipRow {
    size_t index;
    u32 formatTag, rate;
    std::vector<u16> words;  // words 0, 1, 4, 5, 23, 24, 25
    bool adpcmTrace;
};

class ChipConfigRule : public AudioTest, public ::testing::WithParamInterface<ChipRow> {};

TEST_P(ChipConfigRule, Words) {
    const ChipRow& r = GetParam();
    const std::vector<u16> w = ChipConfig(r.index, {r.formatTag, r.rate, 0, 0});
    EXPECT_THAT((std::vector<u16>{w[0], w[1], w[4], w[5], w[23], w[24], w[25]}), ElementsAreArray(r.words));
    EXPECT_THAT(Traces(), ElementsAreArray(r.adpcmTrace ? Lines{"ADPCM enable"} : Lines{}));
}

INSTANTIATE_TEST_SUITE_P(
    AllVariants, ChipConfigRule,
    ::testing::Values(ChipRow{kHeronI, 1, 44100, {1, 4, 0, 0, 0, 0, 256}, false},
                      ChipRow{kHeronI, 17, 48000, {2, 8, 0, 0, 1, 0, 256}, true},
                      ChipRow{kHeronI, 2, 24000, {kLeft, kLeft, 0, 0, 1, 1, 256}, true},
                      ChipRow{kBittern, 2, 48000, {2, 8, 0, 0, 1, 1, 256}, true},
                      ChipRow{kKestrel, 3, 32000, {kLeft, kLeft, 0, 0, 0, 0, 256}, false},
                      ChipRow{kHeronIIReprise, 1, 24000, {2, 8, 1, 1, 0, 0, 256}, false},
                      ChipRow{kEgret, 2, 24000, {2, 8, 1, 1, 1, 1, 256}, true},
                      ChipRow{kEgret, 1, 44100, {1, 4, 1, 1, 0, 0, 256}, false},
                      ChipRow{kHeronAscent, 17, 24000, {kLeft, kLeft, 1, 1, 1, 0, 256}, true},
                      ChipRow{kHeronAscent, 1, 48000, {2, 8, 1, 1, 0, 0, 256}, false},
                      ChipRow{kPlover, 17, 48000, {2, 8, 1, 1, 1, 0, 1010}, true},
                      ChipRow{kPlover, 1, 48000, {2, 8, 1, 1, 0, 0, 256}, false},
                      ChipRow{kPlover, 0x55, 22050, {kLeft, kLeft, 1, 1, 0, 0, 256}, false}),
    [](const auto& info) { return NameBoard(info.param.index) + "_" + std::to_string(info.index); });

// A missing audio configuration is never read: variants 2 and 3 say so in the
// trace, variants 1 and 4 stay silent; nothing is written either way.
TEST_F(AudioTest, MissingAudioConfig) {
    for (size_t index : {kHeronI, kHeronIIReprise, kEgret, kHeronAscent, kBittern, kKestrel, kPlover}) {
        SCOPED_TRACE(BoardName(index));
        void* context = Open(index);
        Mark();
        Guarded<AudioChipConfig> chip(0xCC);
        board(index).audioOps->GetAudioChipconfig(context, device(), chip.get(), nullptr);
        for (size_t i = 0; i < sizeof(AudioChipConfig); ++i) ASSERT_EQ(chip.bytes[i], 0xCC);
        const bool traces = index == kHeronIIReprise || index == kEgret || index == kHeronAscent;
        EXPECT_THAT(Traces(), ElementsAreArray(traces ? Lines{"GetAudioChipconfig audio_config == NULL"} : Lines{}));
    }
}

// InitAudio on the SAA7115 boards (Heron I, Bittern): the audio clock for the
// recorded standard's field rate (after open NTSC-M), every register written
// whatever the bus answers, nothing for a rate it has no values for.
TEST_F(AudioTest, Saa7115AudioClock) {
    struct Row {
        u32 standard, rate;
        std::string writes;
    };
    for (size_t index : {kHeronI, kBittern}) {
        void* context = Open(index);
        for (const Row& r : {Row{1, 48000, "30=66 31=90 32=01 34=00 35=00 36=20"},
                             Row{1, 44100, "30=DE 31=6F 32=01 34=66 35=66 36=1D"},
                             Row{0x5F0, 48000, "30=00 31=E0 32=01 34=00 35=00 36=20"}, Row{1, 24000, ""}}) {
            SCOPED_TRACE(BoardName(index) + " " + std::to_string(r.rate));
            ASSERT_EQ(board(index).videoOps->SetVideoProperty(context, device(), kPropTvStandard, r.standard, 0), 0u);
            Mark();
            host_.FailMatching(Service::I2cWrite, 0x40, 0x30, 5);
            host_.FailMatching(Service::I2cWrite, 0x40, 0x36, 7);
            AudioConfig audio{1, r.rate, 0, 0};
            EXPECT_EQ(board(index).audioOps->InitAudio(context, device(), &audio), 0u);
            host_.ClearFailures();
            Lines expected = Writes(0x40, r.writes);
            if (!expected.empty()) {
                expected.front() += " !5";
                expected.back() += " !7";
            }
            EXPECT_THAT(Bus(), ElementsAreArray(expected));
            for (const BusCall& call : host_.Log()) EXPECT_EQ(call.constants, std::vector<u32>{8});
        }
    }
}

// InitAudio: the rate select through DeviceControl selector 0 (its result not
// examined); boards without a rate select make no call.
TEST_F(AudioTest, RateSelect) {
    struct Row {
        size_t index;
        u32 rate;
        int value;  // -1: no call
    };
    for (const Row& r : {Row{kHeronIIReprise, 48000, 1}, Row{kHeronIIReprise, 24000, 1}, Row{kHeronIIReprise, 44100, 0},
                         Row{kHeronIIReprise, 32000, -1}, Row{kEgret, 24000, 1}, Row{kEgret, 44100, 0},
                         Row{kHeronAscent, 48000, 1}, Row{kHeronAscent, 44100, 0}, Row{kHeronAscent, 24000, -1},
                         Row{kKestrel, 48000, -1}, Row{kPlover, 48000, -1}}) {
        SCOPED_TRACE(BoardName(r.index) + " " + std::to_string(r.rate));
        void* context = Open(r.index);
        Mark();
        AudioConfig audio{1, r.rate, 0, 0};
        host_.FailMatching(Service::DeviceControl, -1, -1, 9);
        EXPECT_EQ(board(r.index).audioOps->InitAudio(context, device(), &audio), 0u);
        host_.ClearFailures();
        EXPECT_THAT(Bus(), ElementsAreArray(r.value < 0 ? Lines{} : Lines{"DEVCTL 0=" + std::to_string(r.value) + " !9"}));
        if (r.value >= 0) {
            EXPECT_EQ(host_.Log()[0].constants, (std::vector<u32>{1, 0}));
        }
    }
}

}  // namespace
}  // namespace trel::test
