// Bittern: its own set-up table, its twelve-write standard lists and its
// capture start. The rules it shares with Heron I run on both boards in
// heron_i_test.cpp.
#include <set>

#include "saa7115_support.h"

namespace trel::test {
namespace {

using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

class BitternTest : public HostTest {
protected:
    const VideoOps& video() { return *board(kBittern).videoOps; }
};

TEST_F(BitternTest, SetupTableIs145WritesTo144Registers) {
    void* context = Open(kBittern);
    const VideoPropertySet zero{};
    Mark();
    EXPECT_EQ(video().InitVideoSource(context, device(), 0x10000, 0, &zero), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(Join({Writes(kBitternSetup), Writes("02=C9 09=80"), Writes(kBittern625),
                                              Writes("0A=00 0B=00 0D=00 0C=00")})));
    std::set<u16> registers;
    for (size_t i = 0; i < 145; ++i) registers.insert(host_.Log()[i].reg);
    EXPECT_EQ(registers.size(), 144u);
    u32 standard = 0;
    EXPECT_EQ(video().GetVideoProperty(context, device(), 0x1002, &standard), 0u);
    EXPECT_EQ(standard, 0x10000u);  // the SECAM mask itself, programmed as 625 lines
}

TEST_F(BitternTest, FailureOn9BStillWritesTheOtherElevenAndKeepsTheStandard) {
    void* context = Open(kBittern);
    Mark();
    host_.FailMatching(Service::I2cWrite, 0x40, 0x9B, 3);
    EXPECT_EQ(video().SetVideoProperty(context, device(), 0x1002, 0x20000, 0), kBusFailure);
    std::vector<std::string> expected = Writes(kBittern625);
    expected[3] += " !3";
    EXPECT_THAT(Bus(), ElementsAreArray(expected));
    u32 standard = 0;
    EXPECT_EQ(video().GetVideoProperty(context, device(), 0x1002, &standard), 0u);
    EXPECT_EQ(standard, 1u);
}

// Capture start: only the vOffset rule. No bus traffic, and no other byte of
// the host's record (width 0 included: never read) changes.
TEST_F(BitternTest, CaptureStartAppliesOnlyTheOffsetRule) {
    struct Row {
        u32 mask;
        u32 vOffsetIn;
        u32 vOffsetOut;
    };
    void* context = Open(kBittern);
    for (const Row& r : {Row{0xA07, 0, 4}, Row{0xA07, 7, 7}, Row{0x1, 0, 0}, Row{0x5F0, 0, 0}, Row{0xFF000, 0, 0},
                         Row{0x100000, 0, 0}}) {
        SCOPED_TRACE(Hex32(r.mask));
        Guarded<CaptureConfig> config = HostConfig(r.mask, 0, 0);
        config->vOffset = r.vOffsetIn;
        Guarded<CaptureConfig> expected = config;
        expected->vOffset = r.vOffsetOut;
        Mark();
        EXPECT_EQ(video().OnStartCapture(context, device(), config.get()), 0u);
        EXPECT_THAT(host_.Log(), IsEmpty());
        ExpectSameBytes(config, expected);
    }
    Mark();
    EXPECT_EQ(video().OnStartCapture(context, device(), nullptr), kInvalid);
    EXPECT_THAT(Traces(), ElementsAreArray({"OnStartCapture video_config == NULL"}));
}

// The whole default session against the reviewed golden trace.
TEST_F(BitternTest, GoldenSession) {
    GoldenSession golden(host_);
    Mark();
    golden.Run(kBittern);
    golden.Check("bittern_session.txt");
}

}  // namespace
}  // namespace trel::test
