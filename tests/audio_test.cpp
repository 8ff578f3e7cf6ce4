// Audio path: capability masks, the encoder's audio chip configuration and the
// board audio clocks.
#include "test_support.h"

namespace trel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr size_t kAudioBoards[] = {kHeronI, kHeronIIReprise, kEgret, kHeronAscent, kBittern, kKestrel, kPlover};

class AudioTest : public HostTest {
protected:
    std::vector<u16> ChipConfig(size_t index, AudioConfig audio, u16 fill = 0xBEEF, bool* guardOk = nullptr) {
        void* context = Open(index);
        Mark();
        Guarded<AudioChipConfig> chip;
        for (size_t i = 0; i < sizeof(AudioChipConfig) / 2; ++i) chip->word[i] = fill;
        board(index).audioOps->GetAudioChipconfig(context, device(), chip.get(), &audio);
        if (guardOk) *guardOk = chip.GuardIntact();
        EXPECT_TRUE(chip.GuardIntact());
        return std::vector<u16>(chip->word, chip->word + 33);
    }
};

TEST_F(AudioTest, SourceCapsPerBoard) {
    const std::map<size_t, u32> expected = {{kHeronI, 0x176007},       {kHeronIIReprise, 0x17E047},
                                            {kEgret, 0x17E047},        {kHeronAscent, 0x176001},
                                            {kBittern, 0x176001},      {kKestrel, 0x174007},
                                            {kPlover, 0x176041}};
    for (auto [index, caps] : expected) EXPECT_EQ(board(index).audioOps->GetAudioSourceCaps(), caps) << BoardName(index);
}

// Whole records for one board of each variant.
TEST_F(AudioTest, Variant1PcmAt48k) {
    EXPECT_THAT(ChipConfig(kHeronI, {1, 48000, 1, 0x12345}),
                ElementsAreArray<u16>({2, 8, 0, 0, 0, 0, 1, 0, 0, 0x2345, 1, 1, 0, 0, 0, 0, 0,
                                       0, 0, 0, 0, 0, 0, 0, 0, 256, 0, 16, 16, 256, 256, 0, 0}));
    EXPECT_THAT(Traces(), IsEmpty());
}

TEST_F(AudioTest, Variant2ImaAdpcmAt24k) {
    EXPECT_THAT(ChipConfig(kHeronIIReprise, {17, 24000, 2, 7}),
                ElementsAreArray<u16>({2, 8, 0, 0, 1, 1, 1, 0, 0, 7, 1, 0, 0, 0, 0, 0, 0,
                                       0, 0, 0, 0, 0, 0, 1, 0, 256, 0, 16, 16, 256, 256, 0, 0}));
    EXPECT_THAT(Traces(), ElementsAre("ADPCM enable"));
}

TEST_F(AudioTest, Variant3UnknownRateLeavesTheRateWords) {
    EXPECT_THAT(ChipConfig(kHeronAscent, {2, 24000, 1, 0}),
                ElementsAreArray<u16>({0xBEEF, 0xBEEF, 0, 0, 1, 1, 1, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0,
                                       0, 0, 0, 0, 0, 0, 1, 1, 256, 0, 16, 16, 256, 256, 0, 0}));
}

TEST_F(AudioTest, Variant4MsAdpcmAt44k1) {
    EXPECT_THAT(ChipConfig(kPlover, {2, 44100, 0, 0}),
                ElementsAreArray<u16>({1, 4, 0, 0, 1, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0,
                                       0, 0, 0, 0, 0, 0, 1, 1, 1010, 0, 16, 16, 256, 256, 0, 0}));
}

// One rule, every board: the rate words, words 4/5 and the ADPCM words.
struct ChipRow {
    size_t index;
    u32 formatTag;
    u32 rate;
    std::vector<u16> words;  // words 0, 1, 4, 5, 23, 24, 25
    bool adpcmTrace;
};

void PrintTo(const ChipRow& row, std::ostream* os) {
    *os << BoardName(row.index) << " tag " << row.formatTag << " rate " << row.rate;
}

class ChipConfigRule : public AudioTest, public ::testing::WithParamInterface<ChipRow> {};

TEST_P(ChipConfigRule, Words) {
    const ChipRow& row = GetParam();
    const std::vector<u16> w = ChipConfig(row.index, {row.formatTag, row.rate, 0, 0});
    EXPECT_THAT((std::vector<u16>{w[0], w[1], w[4], w[5], w[23], w[24], w[25]}), ElementsAreArray(row.words));
    if (row.adpcmTrace) {
        EXPECT_THAT(Traces(), ElementsAre("ADPCM enable"));
    } else {
        EXPECT_THAT(Traces(), IsEmpty());
    }
    EXPECT_THAT(host_.Log(), IsEmpty());
}

constexpr u16 kKeep = 0xBEEF;
INSTANTIATE_TEST_SUITE_P(
    AllVariants, ChipConfigRule,
    ::testing::Values(ChipRow{kHeronI, 1, 44100, {1, 4, 0, 0, 0, 0, 256}, false},
                      ChipRow{kHeronI, 17, 48000, {2, 8, 0, 0, 1, 0, 256}, true},
                      ChipRow{kHeronI, 2, 24000, {kKeep, kKeep, 0, 0, 1, 1, 256}, true},
                      ChipRow{kBittern, 2, 48000, {2, 8, 0, 0, 1, 1, 256}, true},
                      ChipRow{kKestrel, 3, 32000, {kKeep, kKeep, 0, 0, 0, 0, 256}, false},
                      ChipRow{kHeronIIReprise, 1, 24000, {2, 8, 1, 1, 0, 0, 256}, false},
                      ChipRow{kEgret, 2, 24000, {2, 8, 1, 1, 1, 1, 256}, true},
                      ChipRow{kEgret, 1, 44100, {1, 4, 1, 1, 0, 0, 256}, false},
                      ChipRow{kHeronAscent, 17, 24000, {kKeep, kKeep, 1, 1, 1, 0, 256}, true},
                      ChipRow{kHeronAscent, 1, 48000, {2, 8, 1, 1, 0, 0, 256}, false},
                      ChipRow{kPlover, 17, 48000, {2, 8, 1, 1, 1, 0, 1010}, true},
                      ChipRow{kPlover, 1, 48000, {2, 8, 1, 1, 0, 0, 256}, false},
                      ChipRow{kPlover, 0x55, 22050, {kKeep, kKeep, 1, 1, 0, 0, 256}, false}));

TEST_F(AudioTest, ModeSelectAndSampleParameter) {
    std::vector<u16> w = ChipConfig(kHeronI, {1, 48000, 2, 0xFFFF0001});
    EXPECT_EQ(w[11], 0);
    EXPECT_EQ(w[9], 1);
    w = ChipConfig(kHeronI, {1, 48000, 1, 0xABCD});
    EXPECT_EQ(w[11], 1);
    EXPECT_EQ(w[9], 0xABCD);
}

// A missing audio configuration is never read: variants 2 and 3 say so in the
// trace, variants 1 and 4 stay silent; nothing is written either way.
TEST_F(AudioTest, MissingAudioConfig) {
    for (size_t index : kAudioBoards) {
        SCOPED_TRACE(BoardName(index));
        void* context = Open(index);
        Mark();
        Guarded<AudioChipConfig> chip(0xCC);
        board(index).audioOps->GetAudioChipconfig(context, device(), chip.get(), nullptr);
        for (size_t i = 0; i < sizeof(AudioChipConfig); ++i) ASSERT_EQ(chip.bytes[i], 0xCC);
        const bool traces = index == kHeronIIReprise || index == kEgret || index == kHeronAscent;
        if (traces) {
            EXPECT_THAT(Traces(), ElementsAre("GetAudioChipconfig audio_config == NULL"));
        } else {
            EXPECT_THAT(Traces(), IsEmpty());
        }
        AudioConfig audio{2, 48000, 1, 1};
        board(index).audioOps->GetAudioChipconfig(context, device(), nullptr, &audio);  // nowhere to write
        EXPECT_EQ(board(index).audioOps->InitAudio(context, device(), nullptr),
                  index == kKestrel || index == kPlover ? 0u : 0xFFFFFFFFu);
        EXPECT_THAT(host_.Log(), IsEmpty());
    }
}

// ---------------------------------------------------------------------------
// InitAudio: the SAA7115's audio clock (Heron I, Bittern). After open the
// standard is NTSC-M, a 525-line standard.
class SaaClockTest : public AudioTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(SaaClockTest, NtscAt48kAnd44k1) {
    void* context = Open(GetParam());
    Mark();
    AudioConfig audio{1, 48000, 0, 0};
    EXPECT_EQ(board(GetParam()).audioOps->InitAudio(context, device(), &audio), 0u);
    EXPECT_THAT(Bus(), ElementsAre("I2C 40 W 30=66", "I2C 40 W 31=90", "I2C 40 W 32=01", "I2C 40 W 34=00",
                                   "I2C 40 W 35=00", "I2C 40 W 36=20"));
    for (const BusCall& call : host_.Log()) {
        EXPECT_EQ(call.flags, 0u);
        EXPECT_EQ(call.constants, std::vector<u32>{8});
    }
    Mark();
    audio.sampleRate = 44100;
    EXPECT_EQ(board(GetParam()).audioOps->InitAudio(context, device(), &audio), 0u);
    EXPECT_THAT(Bus(), ElementsAre("I2C 40 W 30=DE", "I2C 40 W 31=6F", "I2C 40 W 32=01", "I2C 40 W 34=66",
                                   "I2C 40 W 35=66", "I2C 40 W 36=1D"));
}

TEST_P(SaaClockTest, UnknownRateWritesNothing) {
    void* context = Open(GetParam());
    Mark();
    AudioConfig audio{1, 24000, 0, 0};
    EXPECT_EQ(board(GetParam()).audioOps->InitAudio(context, device(), &audio), 0u);
    EXPECT_THAT(host_.Log(), IsEmpty());
}

TEST_P(SaaClockTest, BusFailuresAreNotReportedAndEveryRegisterIsStillWritten) {
    void* context = Open(GetParam());
    Mark();
    host_.FailMatching(Service::I2cWrite, 0x40, 0x30, 5);
    host_.FailMatching(Service::I2cWrite, 0x40, 0x36, 7);
    AudioConfig audio{1, 48000, 0, 0};
    EXPECT_EQ(board(GetParam()).audioOps->InitAudio(context, device(), &audio), 0u);
    EXPECT_EQ(host_.Log().size(), 6u);
}

TEST_P(SaaClockTest, NullContextIsRefused) {
    AudioConfig audio{1, 48000, 0, 0};
    EXPECT_EQ(board(GetParam()).audioOps->InitAudio(nullptr, device(), &audio), 0xFFFFFFFFu);
    EXPECT_THAT(host_.Log(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Saa7115Boards, SaaClockTest, ::testing::Values(kHeronI, kBittern), BoardParamName);

// InitAudio: the rate select through DeviceControl selector 0.
struct RateRow {
    size_t index;
    u32 rate;
    int value;  // -1: no call
};

void PrintTo(const RateRow& row, std::ostream* os) { *os << BoardName(row.index) << " rate " << row.rate; }

class RateSelectTest : public AudioTest, public ::testing::WithParamInterface<RateRow> {};

TEST_P(RateSelectTest, DeviceControl) {
    const RateRow& row = GetParam();
    void* context = Open(row.index);
    Mark();
    AudioConfig audio{1, row.rate, 0, 0};
    host_.FailMatching(Service::DeviceControl, -1, -1, 9);  // not examined
    EXPECT_EQ(board(row.index).audioOps->InitAudio(context, device(), &audio), 0u);
    if (row.value < 0) {
        EXPECT_THAT(host_.Log(), IsEmpty());
        return;
    }
    ASSERT_EQ(host_.Log().size(), 1u);
    const BusCall& call = host_.Log()[0];
    EXPECT_EQ(call.service, Service::DeviceControl);
    EXPECT_EQ(call.selector, 0u);
    EXPECT_EQ(call.value, static_cast<u32>(row.value));
    EXPECT_EQ(call.constants, (std::vector<u32>{1, 0}));
}

INSTANTIATE_TEST_SUITE_P(RateSelectBoards, RateSelectTest,
                         ::testing::Values(RateRow{kHeronIIReprise, 48000, 1}, RateRow{kHeronIIReprise, 24000, 1},
                                           RateRow{kHeronIIReprise, 44100, 0}, RateRow{kHeronIIReprise, 32000, -1},
                                           RateRow{kEgret, 24000, 1}, RateRow{kEgret, 44100, 0},
                                           RateRow{kHeronAscent, 48000, 1}, RateRow{kHeronAscent, 44100, 0},
                                           RateRow{kHeronAscent, 24000, -1}));

TEST_F(AudioTest, KestrelChecksOnlyThatAStandardIsRecorded) {
    void* context = Open(kKestrel);
    Mark();
    AudioConfig audio{1, 48000, 0, 0};
    EXPECT_EQ(board(kKestrel).audioOps->InitAudio(context, device(), &audio), 0u);
    EXPECT_EQ(board(kKestrel).audioOps->InitAudio(nullptr, device(), &audio), 0xFFFFFFFFu);
    EXPECT_THAT(host_.Log(), IsEmpty());
}

TEST_F(AudioTest, PloverHasNoAudioClock) {
    AudioConfig audio{1, 48000, 0, 0};
    EXPECT_EQ(board(kPlover).audioOps->InitAudio(nullptr, device(), &audio), 0u);
    EXPECT_THAT(host_.Log(), IsEmpty());
}

}  // namespace
}  // namespace trel::test
