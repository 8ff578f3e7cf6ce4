// Heron I and Bittern (SAA7115 at 0x40) and Heron II Reprise (SAA7113 at
// 0x4A): start-up with a given or recorded source and standard, Heron I's
// scaler at capture start, and the offset-only capture start of the other
// two. Expected bytes are transcribed, not computed. (Picture controls,
// inputs, standards, status queries, refusals: properties_test.cpp; the
// default sessions: golden_test.cpp.)
#include "saa7115_support.h"

namespace trel::test {
namespace {

class SaaBoards : public BoardTest, public ::testing::WithParamInterface<size_t> {};

// A given source and standard are recorded and kept by the next call; a
// property out of range (saturation 101) is skipped. (Start-up after open:
// the golden sessions.)
TEST_P(SaaBoards, InitTakesAndKeepsTheGivenSourceAndStandard) {
    const size_t b = GetParam();
    OpenBoard(b);
    const VideoPropertySet p = {{100, 0, 50, 0, static_cast<u32>(-50), 0, 101, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0}};
    EXPECT_EQ(Init(0x1000, 1, p), 0u);
    Mark();
    EXPECT_EQ(Init(kKeep, kKeep, p), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(Saa(b == kHeronI ? kHeronSetup : kBitternSetup) + Saa("02=C0 09=40") +
                                        Saa(b == kHeronI ? kHeron625 : kBittern625) + Saa("0A=FF 0B=3F 0D=80")));
    EXPECT_THAT(Traces(), ElementsAreArray(Lines{"SetVideoProperty 0 1", "SetVideoProperty 4098 4096"} + PropertyTraces(p)));
}

INSTANTIATE_TEST_SUITE_P(Boards, SaaBoards, ::testing::Values(kHeronI, kBittern), BoardParamName);

// ---------------------------------------------------------------------------
// Heron I capture start: the scaler for the requested size.

// The 18 horizontal writes for width w, prescale p, increments s and s2.
std::string Horizontal(u32 w, u32 p, u32 s, u32 s2) {
    char text[160];
    std::snprintf(text, sizeof(text),
                  "9C=%02X 9D=%02X A0=%02X A8=%02X A9=%02X AC=%02X AD=%02X CC=%02X CD=%02X D0=%02X D8=%02X "
                  "D9=%02X DC=%02X DD=%02X A1=01 D1=01 A2=01 D2=01 ",
                  w & 0xFF, w >> 8, p, s & 0xFF, s >> 8, s2 & 0xFF, s2 >> 8, w & 0xFF, w >> 8, p, s & 0xFF, s >> 8,
                  s2 & 0xFF, s2 >> 8);
    return text;
}
// The 12 vertical frame writes for window n and increment y.
std::string Vertical(u32 n, u32 y) {
    char text[96];
    std::snprintf(text, sizeof(text),
                  "9E=%02X 9F=%02X B0=%02X B1=%02X B2=%02X B3=%02X CE=%02X CF=%02X E0=%02X E1=%02X E2=%02X E3=%02X",
                  n & 0xFF, n >> 8, y & 0xFF, y >> 8, y & 0xFF, y >> 8, n & 0xFF, n >> 8, y & 0xFF, y >> 8, y & 0xFF,
                  y >> 8);
    return text;
}
// Single-field settings, as listed for the board.
const std::string kNtsc144 = "9E=96 9F=00 B0=AA B1=06 B2=AA B3=06 CE=96 CF=00 E0=AA E1=06 E2=AA E3=06 ";
const std::string kNtsc240 = "9E=F2 9F=00 B0=00 B1=04 B2=00 B3=04 CE=F2 CF=00 E0=00 E1=04 E2=00 E3=04 ";
const std::string kPal144 = "9E=96 9F=00 B0=00 B1=08 B2=00 B3=08 CE=96 CF=00 E0=00 E1=08 E2=00 E3=08 ";
const std::string kPal288 = "CE=20 CF=01 E0=00 E1=04 E2=00 E3=04 9E=20 9F=01 B0=00 B1=04 B2=00 B3=04 ";
const std::string kFull = Horizontal(720, 1, 0x400, 0x200);

constexpr int kUntouched = -1;

struct CaptureRow {
    const char* name;
    u32 mask, width, height;
    std::string writes;
    u32 status;
    int heightDoubled;  // kUntouched or the value written
    int vOffset;        // kUntouched or the value written (hOffset, widthDoubled, sizeFlag3: 0 with it)
};

class HeronICapture : public BoardTest, public ::testing::WithParamInterface<CaptureRow> {};

TEST_P(HeronICapture, ScalerAndConfigFields) {
    const CaptureRow& r = GetParam();
    OpenBoard(kHeronI);
    Guarded<CaptureConfig> config = HostConfig(r.mask, r.width, r.height);
    Guarded<CaptureConfig> expected = config;
    if (r.vOffset != kUntouched) {
        expected->hOffset = 0;
        expected->vOffset = static_cast<u32>(r.vOffset);
        expected->widthDoubled = 0;
        expected->sizeFlag3 = 0;
    }
    if (r.heightDoubled != kUntouched) expected->heightDoubled = static_cast<u8>(r.heightDoubled);
    EXPECT_EQ(Capture(config), r.status);
    EXPECT_THAT(Bus(), ElementsAreArray(Saa(r.writes)));
    ExpectSameBytes(config, expected);
    EXPECT_THAT(Traces(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HeronICapture,
    ::testing::Values(
        CaptureRow{"Ntsc720x480", 0xA07, 720, 480, kFull + Vertical(0xF2, 0x400), 0, 0, 4},
        CaptureRow{"Ntsc320x240", 0xA07, 320, 240, Horizontal(320, 2, 0x480, 0x240) + kNtsc240, 0, 1, 4},
        CaptureRow{"Pal352x288", 0x5F0, 352, 288, Horizontal(352, 2, 0x417, 0x20B) + kPal288, 0, 1, 0},
        CaptureRow{"NtscMOnly720x480", 0x1, 720, 480, kFull + Vertical(0xF2, 0x400), 0, 0, 0},
        CaptureRow{"Pal720x200", 0x5F0, 720, 200, kFull, 0, kUntouched, 0},
        CaptureRow{"Ntsc640x360", 0xA07, 640, 360, Horizontal(640, 1, 0x480, 0x240) + Vertical(0xB6, 0x555), 0, 0, 4},
        CaptureRow{"Ntsc176x144", 0xA07, 176, 144, Horizontal(176, 4, 0x417, 0x20B) + kNtsc144, 0, 1, 4},
        CaptureRow{"Ntsc720x241", 0xA07, 720, 241, kFull + Vertical(0x7A, 0x7F7), 0, 0, 4},
        CaptureRow{"Pal720x576", 0x5F0, 720, 576, kFull + Vertical(0x120, 0x400), 0, 0, 0},
        CaptureRow{"Secam720x144", 0xFF000, 720, 144, kFull + kPal144, 0, 1, 0},
        // Both families: 625-line figures, the 525-line window, both field tests.
        CaptureRow{"NtscPal720x480", 0x11, 720, 480, kFull + Vertical(0xF2, 0x4CC), 0, 0, 0},
        CaptureRow{"NtscPal720x144", 0x11, 720, 144, kFull + kNtsc144 + kPal144, 0, 1, 0},
        CaptureRow{"NtscPal704x240", 0x11, 704, 240, Horizontal(704, 1, 0x417, 0x20B) + kNtsc240, 0, 1, 0},
        // Width 1: the prescale 720 keeps only its low byte.
        CaptureRow{"Ntsc1x480", 0xA07, 1, 480, Horizontal(1, 0xD0, 0xC00, 0x600) + Vertical(0xF2, 0x400), 0, 0, 4},
        // No family: no line counts, nothing written or changed.
        CaptureRow{"NoFamily", 0x100000, 720, 480, "", 0, kUntouched, kUntouched},
        CaptureRow{"NoFamilyWidth0", 0x100000, 0, 480, "", 0, kUntouched, kUntouched},
        // No prescale ratio for these widths: refused, record untouched.
        CaptureRow{"Width0", 0xA07, 0, 480, "", kInvalid, kUntouched, kUntouched},
        CaptureRow{"Width721", 0x5F0, 721, 576, "", kInvalid, kUntouched, kUntouched}),
    [](const auto& info) { return std::string(info.param.name); });

// Bittern and Heron II Reprise at capture start: only the vertical-offset rule
// (4 for the NTSC family mask when the host left 0) on an otherwise untouched
// record (width 0 included: never read); Heron II Reprise then re-applies its
// source and standard (here SECAM).
TEST_F(BoardTest, OffsetOnlyCaptureStart) {
    struct Row {
        u32 mask, vOffsetIn, vOffsetOut;
    };
    for (size_t b : {kBittern, kHeronIIReprise}) {
        OpenBoard(b);
        ASSERT_EQ(Set(kPropTvStandard, 0x1000), 0u);
        for (const Row& r : {Row{0xA07, 0, 4}, Row{0xA07, 7, 7}, Row{0x1, 0, 0}, Row{0x5F0, 0, 0}, Row{0xFF000, 0, 0},
                             Row{0x100000, 0, 0}}) {
            SCOPED_TRACE(BoardName(b) + " " + Hex32(r.mask));
            Guarded<CaptureConfig> config = HostConfig(r.mask, 0, 0, 0xCC);
            config->vOffset = r.vOffsetIn;
            Guarded<CaptureConfig> expected = config;
            expected->vOffset = r.vOffsetOut;
            Mark();
            EXPECT_EQ(Capture(config), 0u);
            EXPECT_THAT(Bus(), ElementsAreArray(b == kBittern ? Lines{} : Writes(0x4A, "02=C9 09=80 0E=50")));
            ExpectSameBytes(config, expected);
        }
    }
}

TEST_F(BoardTest, HeronIIRepriseInitKeepsOrReplacesTheRecordedSourceAndStandard) {
    OpenBoard(kHeronIIReprise);
    Set(kPropVideoSource, 1);
    Set(kPropTvStandard, 0x1000);
    Mark();
    EXPECT_EQ(Init(kKeep, kKeep, VideoPropertySet{}), 0u);
    Lines bus = Bus();
    EXPECT_THAT(Lines(bus.begin() + 67, bus.begin() + 70), ElementsAreArray(Writes(0x4A, "02=C0 09=40 0E=50")));
    Mark();
    EXPECT_EQ(Init(0x10, 0, VideoPropertySet{}), 0u);
    bus = Bus();
    EXPECT_THAT(Lines(bus.begin() + 67, bus.begin() + 70), ElementsAreArray(Writes(0x4A, "02=C9 09=80 0E=01")));
    EXPECT_EQ(Property(kPropTvStandard), 0x10u);
}

}  // namespace
}  // namespace trel::test
