// Egret (TW9906 at 0x88) and Heron Ascent (TW9903/5 at 0x88): Egret's scaler
// with the fields it hands the host; Heron Ascent's identity read choosing
// its set-up table, its defaults applied, and the capture start that touches
// nothing. (Start-up and re-application:
// saa711x_test.cpp; picture controls, inputs, standards, status queries:
// properties_test.cpp; the usual sessions: golden_test.cpp.)
#include "test_support.h"

namespace trel::test {
namespace {

constexpr u8 kTw = 0x88;

// Capture start: the configuration (0xCC-filled) gets hOffset, vOffset and the
// three size flags and nothing else; the scaler registers follow the source
// size, then the recorded source and standard (after open: 0 and NTSC-M).
struct ScalerRow {
    u32 mask;
    int bit0;  // register 0x01 as read: 0 or 1; -1 the read fails; -2 not read
    u32 width, height;
    std::string scaler;  // writes of 0x0D, 0x0E, 0x0F; empty: none
    u32 vOffset;
    u8 widthDoubled, heightDoubled;
};

class EgretScaler : public BoardTest, public ::testing::WithParamInterface<ScalerRow> {};

TEST_P(EgretScaler, RegistersAndConfiguration) {
    const ScalerRow& r = GetParam();
    OpenBoard(Board("Egret"));
    if (r.bit0 == -1) host_.FailMatching(Service::I2cRead, kTw, 0x01);
    else host_.SetReg(kTw, 0x01, static_cast<u8>(r.bit0 == 1 ? 0xC1 : 0xC0));
    Guarded<CaptureConfig> config = HostConfig(r.mask, r.width, r.height, 0xCC);
    Guarded<CaptureConfig> expected = config;
    expected->hOffset = expected->sizeFlag3 = 0;
    expected->vOffset = r.vOffset;
    expected->widthDoubled = r.widthDoubled;
    expected->heightDoubled = r.heightDoubled;
    EXPECT_EQ(Capture(config), 0u);
    ExpectSameBytes(config, expected);
    const Lines read = r.bit0 == -1 ? Lines{"I2C 88 R 01 !1"} : r.bit0 == 1 ? Writes(kTw, "01->C1")
                       : r.bit0 == 0 ? Writes(kTw, "01->C0") : Lines{};
    EXPECT_THAT(Bus(), ElementsAreArray(read + Writes(kTw, r.scaler + " 02=55 08=14")));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EgretScaler,
    ::testing::Values(ScalerRow{0xA07, 0, 352, 240, "0D=00 0E=11 0F=05", 0, 1, 1},
                      ScalerRow{0xA07, 0, 176, 144, "0D=9C 0E=12 0F=0D", 0, 1, 1},
                      ScalerRow{0xA07, 0, 640, 480, "0D=00 0E=11 0F=20", 0, 0, 0},
                      // A 50-Hz signal: 566 source lines where they divide 576 evenly, 10 lines down.
                      ScalerRow{0xA07, 1, 720, 480, "0D=33 0E=11 0F=00", 10, 0, 0}, ScalerRow{0xA07, 1, 720, 288, "0D=F7 0E=11 0F=00", 10, 0, 0},
                      ScalerRow{0x5F0, -2, 352, 288, "0D=00 0E=11 0F=05", 0, 1, 1}, ScalerRow{0x5F0, -2, 176, 144, "0D=00 0E=22 0F=0D", 0, 1, 1},
                      // A failed status read is a 60-Hz signal: the fixed 412 for 288 lines.
                      ScalerRow{0xA07, -1, 176, 144, "0D=9C 0E=12 0F=0D", 0, 1, 1},
                      // A ratio of exactly 3 doubles the width and adds 2 (0x180 + 2).
                      ScalerRow{0xA07, 0, 240, 480, "0D=00 0E=11 0F=82", 0, 1, 0},
                      // SECAM scales like PAL; a single NTSC bit is the NTSC family.
                      ScalerRow{0xFF000, -2, 720, 576, "0D=00 0E=11 0F=00", 0, 0, 0},
                      ScalerRow{0x1, 0, 720, 240, "0D=00 0E=11 0F=00", 0, 0, 1},
                      // NTSC and PAL bits: the 50-Hz offset stays, the 576-line source wins.
                      ScalerRow{0xA17, 1, 720, 288, "0D=00 0E=11 0F=00", 10, 0, 1},
                      // Nothing to scale: no read, no scaler, fields cleared, status 0.
                      ScalerRow{0xA07, -2, 0, 480, "", 0, 0, 0}, ScalerRow{0x5F0, -2, 720, 0, "", 0, 0, 0},
                      ScalerRow{0x100000, -2, 720, 480, "", 0, 0, 0}));

// ---------------------------------------------------------------------------
// Heron Ascent: identity 5 (bits 7..3 of register 0) takes the short table,
// any other identity or a failed read the general one; then source 0 and its
// defaults (brightness 50, contrast 37, hue 0, saturation 41, sharpness 14:
// low bits 14 x 7 / 100 = 0). Nothing reaches the decoder for the standard.
TEST_F(BoardTest, HeronAscentIdentityChoosesTheTable) {
    const std::string kShort = "06=00 02=50 03=92 1C=07 1D=7F 20=A9 06=83";
    const std::string kGeneral = "06=40 02=50 03=92 08=13 1C=07 1D=7F 20=50 28=00 2E=A9 2F=E6 06=C0";
    for (auto [reg, read, table] : {std::tuple{0x2F, "00->2F", kShort}, {0x20, "00->20", kGeneral},
                                     {0x30, "00->30", kGeneral}, {-1, "", kGeneral}}) {
        SCOPED_TRACE(reg);
        OpenBoard(Board("Heron Ascent"));
        host_.ClearFailures();
        if (reg < 0) host_.FailMatching(Service::I2cRead, kTw, 0x00);
        else host_.SetReg(kTw, 0x00, static_cast<u8>(reg));
        const VideoPropertySet defaults = Defaults();
        EXPECT_EQ(Init(1, 0, defaults), 0u);
        const Lines identity = reg < 0 ? Lines{"I2C 88 R 00 !1"} : Writes(kTw, read);
        EXPECT_THAT(Bus(), ElementsAreArray(identity + Writes(kTw, table + " 02=50 10=00 11=5E 15=00 13=7E 14=59 12->00 12=00")));
        EXPECT_THAT(Traces(), ElementsAreArray(Lines{Line(kSetVideoProperty, 0, 0), Line(kSetVideoProperty, 4098, 1)} +
                                               PropertyTraces(defaults)));
    }
}

// Capture start touches nothing, with or without a context.
TEST_F(BoardTest, HeronAscentCaptureTouchesNothing) {
    OpenBoard(Board("Heron Ascent"));
    Guarded<CaptureConfig> config = HostConfig(0xA07, 720, 480, 0xCC);
    const Guarded<CaptureConfig> before = config;
    EXPECT_EQ(Capture(config), 0u);
    EXPECT_EQ(video().OnStartCapture(nullptr, device(), config.get()), 0u);
    ExpectSameBytes(config, before);
    EXPECT_THAT(Traces(), IsEmpty());
    EXPECT_THAT(host_.Log(), IsEmpty());
}

}  // namespace
}  // namespace trel::test
