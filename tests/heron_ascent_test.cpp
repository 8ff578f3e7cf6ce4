// Heron Ascent: TW9903/5 at 0x88. Identity read and the two set-up tables,
// source and standard passed on unchanged, the recorded-only standard, and a
// capture start that touches nothing.
#include "decoder_support.h"

namespace trel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr u8 kTw = 0x88;
const std::string kTable5 = "06=00 02=50 03=92 1C=07 1D=7F 20=A9 06=83";
const std::string kTableOther = "06=40 02=50 03=92 08=13 1C=07 1D=7F 20=50 28=00 2E=A9 2F=E6 06=C0";

class HeronAscentTest : public DecoderTest {
protected:
    void SetUp() override {
        DecoderTest::SetUp();
        OpenBoard(kHeronAscent);
    }
};

// This board's defaults: brightness 50, contrast 37, hue 0, saturation 41,
// sharpness 14 (low bits 14 x 7 / 100 = 0). Nothing reaches the decoder for
// the standard.
TEST_F(HeronAscentTest, InitVideoSourceWithTheDefaultsOnIdentity5) {
    host_.SetReg(kTw, 0x00, 0x2F);  // identity 5, low bits ignored
    const VideoPropertySet defaults = Defaults();
    EXPECT_EQ(Init(1, 0, defaults), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(Cat({{Read(kTw, 0x00, 0x2F)}, Writes(kTw, kTable5),
                                             Writes(kTw, "02=50 10=00 11=5E 15=00 13=7E 14=59"),
                                             {Read(kTw, 0x12, 0x00), "I2C 88 W 12=00"}})));
    EXPECT_THAT(Traces(), ElementsAreArray(Cat({{"SetVideoProperty 0 0", "SetVideoProperty 4098 1"}, PropertyTraces(defaults)})));
}

// Any identity but 5, or a failed identity read, takes the general table.
struct IdentityRow {
    int regValue;  // -1: the read fails
    const std::string* table;
};
class HeronAscentIdentity : public HeronAscentTest, public ::testing::WithParamInterface<IdentityRow> {};
TEST_P(HeronAscentIdentity, ChoosesTheTable) {
    const IdentityRow& row = GetParam();
    if (row.regValue < 0) host_.FailMatching(Service::I2cRead, kTw, 0x00);
    else host_.SetReg(kTw, 0x00, static_cast<u8>(row.regValue));
    EXPECT_EQ(Init(1, 1, VideoPropertySet{}), 0u);
    const std::vector<std::string> table = Writes(kTw, *row.table);
    const std::vector<std::string> bus = Bus();
    ASSERT_GT(bus.size(), table.size() + 1);
    EXPECT_THAT(std::vector<std::string>(bus.begin() + 1, bus.begin() + 1 + static_cast<long>(table.size())), ElementsAreArray(table));
    EXPECT_EQ(bus[table.size() + 1], "I2C 88 W 02=44");
}
INSTANTIATE_TEST_SUITE_P(Identities, HeronAscentIdentity,
                         ::testing::Values(IdentityRow{0x28, &kTable5}, IdentityRow{0x00, &kTableOther},
                                           IdentityRow{0x30, &kTableOther}, IdentityRow{0xFF, &kTableOther},
                                           IdentityRow{-1, &kTableOther}),
                         [](const auto& info) { return "Reg" + NameSigned(info.param.regValue); });

// A failed table write ends set-up there (calls counted from the identity read).
struct TableFailureRow {
    u8 identity;
    size_t failingCall;
};
class HeronAscentTableFailure : public HeronAscentTest, public ::testing::WithParamInterface<TableFailureRow> {};
TEST_P(HeronAscentTableFailure, StopsAtTheFailedWrite) {
    host_.SetReg(kTw, 0x00, GetParam().identity);
    host_.FailNthCall(GetParam().failingCall);
    EXPECT_EQ(Init(1, 0, VideoPropertySet{}), kStatusBusFailure);
    ASSERT_EQ(host_.Log().size(), GetParam().failingCall);
    EXPECT_NE(host_.Log().back().result, 0u);
    EXPECT_THAT(Traces(), IsEmpty());
}
INSTANTIATE_TEST_SUITE_P(FirstMiddleLast, HeronAscentTableFailure,
                         ::testing::Values(TableFailureRow{0x28, 2}, TableFailureRow{0x28, 5}, TableFailureRow{0x28, 8},
                                           TableFailureRow{0x08, 2}, TableFailureRow{0x08, 7}, TableFailureRow{0x08, 12}),
                         [](const auto& info) {
                             return "Identity" + std::to_string(info.param.identity >> 3) + "_Call" +
                                    std::to_string(info.param.failingCall);
                         });

// 0xFFFFFFFF is passed on as it is: as a standard it keeps the recorded one,
// as a source it is refused after the table.
TEST_F(HeronAscentTest, KeepCurrentIsNotReplaced) {
    Set(kPropTvStandard, 0x10);
    Mark();
    EXPECT_EQ(Init(kKeepCurrent, 1, VideoPropertySet{}), 0u);
    EXPECT_EQ(Property(kPropTvStandard), 0x10u);
    Mark();
    EXPECT_EQ(Init(1, kKeepCurrent, VideoPropertySet{}), kStatusInvalid);
    EXPECT_EQ(Bus().size(), 12u);
    EXPECT_THAT(Traces(), ElementsAre("SetVideoProperty 0 -1", "Error:Unknown Video Source -1!!!"));
    EXPECT_EQ(Property(kPropVideoSource), 1u);
}

TEST_F(HeronAscentTest, InitVideoSourceWithNothingToWorkOn) {
    const VideoPropertySet set{};
    EXPECT_EQ(Init(0, 0, set), kStatusInvalid);  // standard 0: after table and source
    EXPECT_EQ(Bus().size(), 13u);
    Mark();
    host_.FailNthCall(14);  // brightness: not reported
    EXPECT_EQ(Init(1, 0, set), 0u);
    EXPECT_EQ(Bus()[13], "I2C 88 W 10=81 !1");
    Mark();
    EXPECT_EQ(video().InitVideoSource(nullptr, device(), 1, 0, &set), kStatusInvalid);
    EXPECT_EQ(video().InitVideoSource(context_, device(), 1, 0, nullptr), kStatusInvalid);
    host_.RegisterTable(nullptr);
    EXPECT_EQ(Init(1, 0, set), kStatusBusFailure);
    host_.Register();
    EXPECT_THAT(host_.Log(), IsEmpty());
}

// The standard is only recorded.
TEST_F(HeronAscentTest, StandardIsRecordedOnly) {
    struct Row {
        u32 mask;
        u32 status;
        u32 recorded;
    };
    for (const Row& row : {Row{0x10, 0, 0x10}, Row{0xFFFFFFFF, 0, 0x10}, Row{0, kStatusInvalid, 0x10},
                           Row{0x100000, 0, 0x100000}, Row{0x1000, 0, 0x1000}}) {
        EXPECT_EQ(Set(kPropTvStandard, row.mask), row.status) << row.mask;
        EXPECT_EQ(Property(kPropTvStandard), row.recorded) << row.mask;
    }
    EXPECT_THAT(host_.Log(), IsEmpty());
}

TEST_F(HeronAscentTest, CaptureStartTouchesNothing) {
    Guarded<CaptureConfig> config(0xCC);
    config->standardMask = 0xA07;
    config->vOffset = 0;
    Guarded<CaptureConfig> before = config;
    EXPECT_EQ(video().OnStartCapture(context_, device(), config.get()), 0u);
    EXPECT_EQ(video().OnStartCapture(nullptr, device(), config.get()), 0u);
    EXPECT_EQ(std::memcmp(config.bytes, before.bytes, sizeof config.bytes), 0);
    EXPECT_THAT(Traces(), IsEmpty());
    EXPECT_EQ(video().OnStartCapture(context_, device(), nullptr), kStatusInvalid);
    EXPECT_THAT(Traces(), ElementsAre("OnStartCapture video_config == NULL"));
    EXPECT_THAT(host_.Log(), IsEmpty());
}

// Reviewed golden trace of the host's usual session (default properties,
// source and standard kept, first format at capture start). The decoder reads
// identity 0 (general table); the source the host keeps with 0xFFFFFFFF is
// passed on and refused after the table.
TEST_F(HostTest, HeronAscentGoldenSession) {
    // Starts with a newline for readability.
    constexpr const char* kGolden = R"(
OpenBoard 0x00000000
GetVideoSourceCaps 0x00000555
GetVideoFormats 0x00000000
GetStreamFormatTable none
GetDefaultVideoProperties none
InitVideoSource 0xFFFFFFFF
  I2C 88 R 00->00
  I2C 88 W 06=40
  I2C 88 W 02=50
  I2C 88 W 03=92
  I2C 88 W 08=13
  I2C 88 W 1C=07
  I2C 88 W 1D=7F
  I2C 88 W 20=50
  I2C 88 W 28=00
  I2C 88 W 2E=A9
  I2C 88 W 2F=E6
  I2C 88 W 06=C0
  > SetVideoProperty 0 -1
  > Error:Unknown Video Source -1!!!
GetAudioSourceCaps 0x00176001
GetAudioChipconfig none
InitAudio 0x00000000
  DEVCTL 0=1
GetVideoInputs 0x00000001
GetVideoInputType 0x00000001
OnStartCapture 0x00000000
  config hOffset=0 vOffset=0 widthDoubled=0 heightDoubled=0 sizeFlag3=0
CloseBoard 0x00000000
)";
    EXPECT_EQ(SessionTranscript(host_, kHeronAscent), kGolden + 1);
}

}  // namespace
}  // namespace trel::test
