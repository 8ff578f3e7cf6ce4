// Bittern (SAA7115 at 0x40, flags 0): its own set-up table, its twelve-write
// standard lists and its capture start. The rules it shares with Heron I
// (source, input, standard bookkeeping, picture controls, status queries,
// start-up order) are tested for both boards in heron_i_test.cpp.
#include <set>
#include <sstream>

#include "golden_support.h"
#include "test_support.h"

namespace trel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr u32 kKeep = 0xFFFFFFFF;
constexpr u32 kInvalid = 0xFFFFFFFF;
constexpr u32 kBusFailure = 0xFFFFFFFD;
constexpr u32 kNotSupported = 0xFFFFFFFC;

std::vector<std::string> Writes(const std::string& list) {
    std::vector<std::string> lines;
    std::istringstream in(list);
    for (std::string entry; in >> entry;) lines.push_back("I2C 40 W " + entry);
    return lines;
}

// Bittern's set-up table as listed for the board (3A=80 and 54=F4 are where
// it differs from Heron I's).
const std::string kSetup =
    "01=08 02=C9 03=20 04=80 05=80 06=EB 07=E0 08=F0 09=80 0A=80 0B=40 0C=40 0D=00 0E=03 0F=2A 10=0E "
    "11=00 12=8D 13=00 14=00 15=11 16=01 17=DA 18=40 19=80 1A=00 1B=42 1C=A9 "
    "30=66 31=90 32=01 34=00 35=00 36=20 38=03 39=20 3A=80 "
    "40=00 41=FF 42=FF 43=FF 44=FF 45=FF 46=FF 47=FF 48=FF 49=FF 4A=FF 4B=FF 4C=FF 4D=FF 4E=FF 4F=FF 50=FF "
    "51=FF 52=FF 53=FF 54=F4 55=FF 56=FF 57=FF 58=40 59=47 5A=06 5B=83 5D=06 5E=00 "
    "80=30 81=03 83=00 84=00 85=00 86=45 87=31 88=C0 "
    "90=02 91=08 92=09 93=80 94=02 95=00 96=D0 97=02 98=10 99=00 9A=F2 9B=00 9C=D0 9D=02 9E=F2 9F=00 "
    "A0=01 A1=00 A2=00 A4=80 A5=40 A6=40 A8=00 A9=04 AA=00 AC=00 AD=02 AE=00 B0=00 B1=04 B2=00 B3=04 B4=00 "
    "B8=00 BC=00 "
    "C0=03 C1=08 C2=09 C3=80 C4=02 C5=00 C6=D0 C7=02 C8=10 C9=00 CA=F2 CB=00 CC=D0 CD=02 CE=F2 CF=00 "
    "D0=01 D1=00 D2=00 D4=80 D5=40 D6=40 D8=00 D9=04 DA=00 DC=00 DD=02 DE=00 E0=00 E1=04 E2=00 E3=04 E4=00 "
    "E8=00 "
    "88=F0";
const std::string kNtsc = "88=C0 98=10 9A=F2 9B=00 9E=F2 9F=00 C8=10 CA=F2 CB=00 CE=F2 CF=00 88=F0";
const std::string kPal = "88=C0 98=14 9A=20 9B=01 9E=20 9F=01 C8=14 CA=20 CB=01 CE=20 CF=01 88=F0";

class BitternTest : public HostTest {
protected:
    const VideoOps& video() { return *board(kBittern).videoOps; }
    u32 Standard(void* context) {
        u32 value = 0;
        EXPECT_EQ(video().GetVideoProperty(context, device(), 0x1002, &value), 0u);
        return value;
    }
};

TEST_F(BitternTest, SetupTableIs145WritesTo144RegistersEndingWith88F0) {
    void* context = Open(kBittern);
    const VideoPropertySet none{};
    Mark();
    EXPECT_EQ(video().InitVideoSource(context, device(), 0x10, 0, &none), 0u);
    const std::vector<std::string> bus = Bus();
    ASSERT_GE(bus.size(), 145u);
    EXPECT_THAT(std::vector<std::string>(bus.begin(), bus.begin() + 145), ElementsAreArray(Writes(kSetup)));
    std::set<u16> registers;
    for (size_t i = 0; i < 145; ++i) registers.insert(host_.Log()[i].reg);
    EXPECT_EQ(registers.size(), 144u);
    // Then the source, the PAL list and the four picture controls (all 0).
    EXPECT_THAT(std::vector<std::string>(bus.begin() + 145, bus.end()),
                ElementsAreArray(Writes("02=C9 09=80 " + kPal + " 0A=00 0B=00 0D=00 0C=00")));
}

// Standards: twelve writes, no register 0x5A, 0x14 in 0x98/0xC8 for 625 lines.
struct BitternStandardCase {
    const char* name;
    u32 standard;
    std::string writes;
};

class BitternStandardTest : public BitternTest, public ::testing::WithParamInterface<BitternStandardCase> {};

TEST_P(BitternStandardTest, TwelveWrites) {
    const BitternStandardCase& c = GetParam();
    void* context = Open(kBittern);
    Mark();
    EXPECT_EQ(video().SetVideoProperty(context, device(), 0x1002, c.standard, 0), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(Writes(c.writes)));
    EXPECT_THAT(Traces(), ElementsAre("SetVideoProperty 4098 " + std::to_string(static_cast<s32>(c.standard))));
    EXPECT_EQ(Standard(context), c.standard);
}

INSTANTIATE_TEST_SUITE_P(Cases, BitternStandardTest,
                         ::testing::Values(BitternStandardCase{"Ntsc", 0xA07, kNtsc},
                                           BitternStandardCase{"PalM", 0x200, kNtsc},
                                           BitternStandardCase{"PalI", 0x100, kPal},
                                           BitternStandardCase{"SecamK", 0x10000, kPal},
                                           BitternStandardCase{"SecamFamily", 0xFF000, kPal}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BitternTest, FailureOn9BStillWritesTheOtherElevenAndKeepsTheStandard) {
    void* context = Open(kBittern);
    Mark();
    host_.FailMatching(Service::I2cWrite, 0x40, 0x9B, 3);
    EXPECT_EQ(video().SetVideoProperty(context, device(), 0x1002, 0x20000, 0), kBusFailure);
    std::vector<std::string> expected = Writes(kPal);
    expected[3] += " !3";
    EXPECT_THAT(Bus(), ElementsAreArray(expected));
    EXPECT_EQ(Standard(context), 1u);
}

// No VBI services on this board: 0x1003 is an unknown index, extra ignored.
TEST_F(BitternTest, VbiIndexIsNotSupported) {
    void* context = Open(kBittern);
    Mark();
    EXPECT_EQ(video().SetVideoProperty(context, device(), 0x1003, 1, 1), kNotSupported);
    EXPECT_THAT(Bus(), IsEmpty());
    EXPECT_THAT(Traces(), ElementsAre("SetVideoProperty 4099 1"));
}

// Capture start: only the vOffset rule; the decoder is not touched and no
// other byte of the host's record changes.
struct OffsetCase {
    const char* name;
    u32 mask;
    u32 vOffsetIn;
    u32 vOffsetOut;
};

class BitternCaptureTest : public BitternTest, public ::testing::WithParamInterface<OffsetCase> {};

TEST_P(BitternCaptureTest, OffsetRuleOnly) {
    const OffsetCase& c = GetParam();
    void* context = Open(kBittern);
    Guarded<CaptureConfig> config(0x5A);
    config->standardMask = c.mask;
    config->captureWidth = 0;  // never read: no scaler on this board
    config->vOffset = c.vOffsetIn;
    Guarded<CaptureConfig> expected = config;
    expected->vOffset = c.vOffsetOut;
    Mark();
    EXPECT_EQ(video().OnStartCapture(context, device(), config.get()), 0u);
    EXPECT_THAT(host_.Log(), IsEmpty());
    for (size_t i = 0; i < sizeof(config.bytes); ++i) ASSERT_EQ(config.bytes[i], expected.bytes[i]) << i;
    EXPECT_EQ(Standard(context), 1u);
}

INSTANTIATE_TEST_SUITE_P(Cases, BitternCaptureTest,
                         ::testing::Values(OffsetCase{"NtscRecord", 0xA07, 0, 4}, OffsetCase{"NtscSet", 0xA07, 7, 7},
                                           OffsetCase{"NtscMOnly", 0x1, 0, 0}, OffsetCase{"PalRecord", 0x5F0, 0, 0},
                                           OffsetCase{"SecamRecord", 0xFF000, 0, 0},
                                           OffsetCase{"NoFamily", 0x100000, 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BitternTest, CaptureStartNeedsAConfig) {
    Mark();
    EXPECT_EQ(video().OnStartCapture(nullptr, device(), nullptr), kInvalid);
    EXPECT_THAT(Traces(), ElementsAre("OnStartCapture video_config == NULL"));
    EXPECT_THAT(host_.Log(), IsEmpty());
}

// The whole default session, against the reviewed golden trace.
TEST_F(BitternTest, GoldenSession) {
    GoldenSession golden(host_);
    Mark();
    void* context = nullptr;
    BoardInfo info{};
    golden.Step("OpenBoard", board(kBittern).boardOps->OpenBoard(nullptr, &context, &info));
    ASSERT_NE(context, nullptr);
    VideoPropertySet properties{};
    video().GetDefaultVideoProperties(context, device(), &properties);
    golden.Step("GetDefaultVideoProperties", std::nullopt);
    golden.Step("InitVideoSource(0xFFFFFFFF, 0xFFFFFFFF, defaults)",
                video().InitVideoSource(context, device(), kKeep, kKeep, &properties));
    for (const auto& [mask, w, h] : {std::tuple{0xA07u, 720u, 480u}, std::tuple{0x5F0u, 352u, 288u}}) {
        Guarded<CaptureConfig> config(0);
        config->standardMask = mask;
        config->captureWidth = w;
        config->captureHeight = h;
        const u32 status = video().OnStartCapture(context, device(), config.get());
        golden.Step("OnStartCapture(" + Hex32(mask) + ", " + std::to_string(w) + "x" + std::to_string(h) + ")",
                    status);
        golden.CaptureFields(*config.get());
    }
    golden.Step("CloseBoard", board(kBittern).boardOps->CloseBoard(context));
    golden.Check("bittern_session.txt");
}

}  // namespace
}  // namespace trel::test
