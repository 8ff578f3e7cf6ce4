// SAA7115 boards (Heron I, Bittern, Kestrel), Heron II Reprise (SAA7113) and
// Egret (TW9906): start-up with given, then recorded, source and standard,
// and what capture start re-applies; Heron I's scaler at capture start over a
// grid of sizes; the offset-only capture start of Bittern. (Set-up tables and
// the usual sessions: golden_test.cpp; picture controls, inputs, standards,
// refusals: properties_test.cpp.)
#include "saa7115_support.h"

namespace trel::test {
namespace {

// Start-up with source 1 and SECAM-B, then keeping both: the same writes
// after the set-up table (`skip` calls); a property out of range (saturation
// 101) is skipped and the rest still applied. A capture start with no family
// bit then re-applies them on the boards that re-apply their context.
struct StartRow {
    const char* board;
    size_t skip;
    Lines writes;
    bool reapplied;
};
const StartRow kStartRows[] = {
    {"Heron I", 145, Saa("02=C0 09=40 " + kHeron625), false},
    {"Bittern", 145, Saa("02=C0 09=40 " + kBittern625), false},
    {"Kestrel", 145, Saa("02=C1 09=40 " + kHeron625, " f8000"), true},
    {"Heron II Reprise", 67, Writes(0x4A, "02=C0 09=40 0E=50"), true},
    {"Egret", 22, Writes(0x88, "02=40 08=19"), true},
};

class DecoderStart : public BoardTest, public ::testing::WithParamInterface<StartRow> {};

TEST_P(DecoderStart, TakesThenKeepsSourceAndStandard) {
    const StartRow& r = GetParam();
    OpenBoard(Board(r.board));
    const VideoPropertySet p = {{100, 0, 50, 0, static_cast<u32>(-50), 0, 101, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0}};
    for (bool keep : {false, true}) {
        EXPECT_EQ(Init(keep ? kKeep : 0x1000, keep ? kKeep : 1, p), 0u);
        const Lines bus = Bus();
        ASSERT_GE(bus.size(), r.skip + r.writes.size());
        EXPECT_THAT(Lines(bus.begin() + r.skip, bus.begin() + r.skip + r.writes.size()), ElementsAreArray(r.writes));
        EXPECT_THAT(Traces(), ::testing::Contains(Line(kSetVideoProperty, 17, 0)));
        Mark();
    }
    Guarded<CaptureConfig> config = HostConfig(0x100000, 0, 0);
    EXPECT_EQ(Capture(config), 0u);
    const Lines bus = Bus();
    EXPECT_THAT(Lines(bus.begin(), bus.begin() + std::min(bus.size(), r.writes.size())),
                ElementsAreArray(r.reapplied ? r.writes : Lines{}));
}

INSTANTIATE_TEST_SUITE_P(Boards, DecoderStart, ::testing::ValuesIn(kStartRows),
                         [](const auto& info) { return NameBoard(Board(info.param.board)); });

// ---------------------------------------------------------------------------
// Heron I capture start: the scaler for the requested size (720x480 NTSC and
// 352x288 PAL: the golden sessions).

// The 18 horizontal writes for width w, prescale p, increments s and s2.
std::string Horizontal(u32 w, u32 p, u32 s, u32 s2) {
    return Line("9C=%02X 9D=%02X A0=%02X A8=%02X A9=%02X AC=%02X AD=%02X CC=%02X CD=%02X D0=%02X D8=%02X "
                "D9=%02X DC=%02X DD=%02X A1=01 D1=01 A2=01 D2=01 ",
                w & 0xFF, w >> 8, p, s & 0xFF, s >> 8, s2 & 0xFF, s2 >> 8, w & 0xFF, w >> 8, p, s & 0xFF, s >> 8, s2 & 0xFF,
                s2 >> 8);
}
// The 12 vertical frame writes for window n and increment y.
std::string Vertical(u32 n, u32 y) {
    return Line("9E=%02X 9F=%02X B0=%02X B1=%02X B2=%02X B3=%02X CE=%02X CF=%02X E0=%02X E1=%02X E2=%02X E3=%02X ",
                n & 0xFF, n >> 8, y & 0xFF, y >> 8, y & 0xFF, y >> 8, n & 0xFF, n >> 8, y & 0xFF, y >> 8, y & 0xFF, y >> 8);
}
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
    OpenBoard(Board("Heron I"));
    Guarded<CaptureConfig> config = HostConfig(r.mask, r.width, r.height);
    Guarded<CaptureConfig> expected = config;
    if (r.vOffset != kUntouched) {
        expected->hOffset = expected->widthDoubled = expected->sizeFlag3 = 0;
        expected->vOffset = static_cast<u32>(r.vOffset);
    }
    if (r.heightDoubled != kUntouched) expected->heightDoubled = static_cast<u8>(r.heightDoubled);
    EXPECT_EQ(Capture(config), r.status);
    EXPECT_THAT(Bus(), ElementsAreArray(Saa(r.writes)));
    ExpectSameBytes(config, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HeronICapture,
    ::testing::Values(
        CaptureRow{"Ntsc320x240", 0xA07, 320, 240, Horizontal(320, 2, 0x480, 0x240) + Vertical(0xF2, 0x400), 0, 1, 4},
        CaptureRow{"NtscMOnly720x480", 0x1, 720, 480, kFull + Vertical(0xF2, 0x400), 0, 0, 0},
        CaptureRow{"Pal720x200", 0x5F0, 720, 200, kFull, 0, kUntouched, 0},
        CaptureRow{"Ntsc640x360", 0xA07, 640, 360, Horizontal(640, 1, 0x480, 0x240) + Vertical(0xB6, 0x555), 0, 0, 4},
        CaptureRow{"Ntsc176x144", 0xA07, 176, 144, Horizontal(176, 4, 0x417, 0x20B) + Vertical(0x96, 0x6AA), 0, 1, 4},
        CaptureRow{"Ntsc720x241", 0xA07, 720, 241, kFull + Vertical(0x7A, 0x7F7), 0, 0, 4},
        CaptureRow{"Pal720x576", 0x5F0, 720, 576, kFull + Vertical(0x120, 0x400), 0, 0, 0},
        CaptureRow{"Secam720x144", 0xFF000, 720, 144, kFull + Vertical(0x96, 0x800), 0, 1, 0},
        // Both families: 625-line figures, the 525-line window, both field tests.
        CaptureRow{"NtscPal720x480", 0x11, 720, 480, kFull + Vertical(0xF2, 0x4CC), 0, 0, 0},
        CaptureRow{"NtscPal720x144", 0x11, 720, 144, kFull + Vertical(0x96, 0x6AA) + Vertical(0x96, 0x800), 0, 1, 0},
        CaptureRow{"NtscPal704x240", 0x11, 704, 240, Horizontal(704, 1, 0x417, 0x20B) + Vertical(0xF2, 0x400), 0, 1, 0},
        // Width 1: the prescale 720 keeps only its low byte.
        CaptureRow{"Ntsc1x480", 0xA07, 1, 480, Horizontal(1, 0xD0, 0xC00, 0x600) + Vertical(0xF2, 0x400), 0, 0, 4},
        // No family: no line counts, nothing written or changed, the width not used.
        CaptureRow{"NoFamilyWidth0", 0x100000, 0, 480, "", 0, kUntouched, kUntouched},
        // No prescale ratio for these widths: refused, record untouched.
        CaptureRow{"Width0", 0xA07, 0, 480, "", kInvalid, kUntouched, kUntouched},
        CaptureRow{"Width721", 0x5F0, 721, 576, "", kInvalid, kUntouched, kUntouched}),
    [](const auto& info) { return std::string(info.param.name); });

// Bittern's capture start: only the vertical-offset rule (4 for the NTSC
// family mask when the host left 0) on an otherwise untouched record.
TEST_F(BoardTest, BitternCaptureStartSetsOnlyTheNtscOffset) {
    OpenBoard(Board("Bittern"));
    for (auto [mask, in, out] : {std::tuple{0xA07u, 0u, 4u}, {0xA07u, 7u, 7u}, {0x1u, 0u, 0u}, {0x5F0u, 0u, 0u}}) {
        Guarded<CaptureConfig> config = HostConfig(mask, 0, 0, 0xCC);
        config->vOffset = in;
        Guarded<CaptureConfig> expected = config;
        expected->vOffset = out;
        EXPECT_EQ(Capture(config), 0u);
        ExpectSameBytes(config, expected);
    }
}

}  // namespace
}  // namespace trel::test
