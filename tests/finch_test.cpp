// Finch: OmniVision 6650 at 0xC0, every write with flags 1; "50Hz" read again
// at each capture start. (Set-up failures and picture properties: wren_test.)
#include "camera_support.h"

namespace trel::test {
namespace {

using ::testing::ElementsAreArray;

const std::vector<std::string> kOv6650Setup = Lines("I2C C0 W ",
    "12=80 01=C0 02=98 03=47 04=2F 06=70 11=C0 12=42 13=5F 14=C3 15=00 16=82 "
    "24=80 25=70 26=01 27=54 29=80 22=80 23=80 28=18 2B=35 2C=0B 2D=08 34=E4 "
    "30=40 32=00 33=00 60=42 61=62 62=88 63=92 68=04 6C=11 6D=01 6E=90", " f1");

class FinchTest : public CameraTest {};

// Reviewed: the 35 set-up writes in table order (0x29 before 0x22, 0x34 before
// 0x30), then the defaults write back what the table holds (06=70, 04=2F,
// 03=47), then "50Hz" again and the 30 fps timing 2B=35.
TEST_F(FinchTest, GoldenDefaultSession) {
    Mark();
    Guarded<CaptureConfig> config(0xCC);
    RunDefaultSession(kFinch, config.get());
    EXPECT_THAT(Bus(), ElementsAreArray(Concat({{"PARAM 50Hz=0"}, kOv6650Setup,
                                                Lines("I2C C0 W ", "06=70 04=2F 03=47", " f1"),
                                                {"PARAM 50Hz=0", "I2C C0 W 2B=35 f1"}})));
    EXPECT_THAT(Traces(), ElementsAreArray(PropertyTraces({44, 0, 50, 0, 0, 0, 28, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0})));
    for (size_t i = 0; i < sizeof(CaptureConfig); ++i) ASSERT_EQ(config.bytes[i], 0xCC) << i;
}

TEST_F(FinchTest, CaptureStartReadsFiftyHertzAgainAndWritesOneTimingRegister) {
    struct Row {
        u32 atOpen;
        u32 atCapture;
        std::vector<std::string> bus;
        u32 formatRate;
    };
    for (const Row& row : {Row{0, 1, {"PARAM 50Hz=1", "I2C C0 W 2B=95 f1"}, 25025},
                           Row{1, 0, {"PARAM 50Hz=0", "I2C C0 W 2B=35 f1"}, 30030},
                           Row{0, 3, {"PARAM 50Hz=3", "I2C C0 W 2B=95 f1"}, 25025}}) {
        SCOPED_TRACE(row.atCapture);
        OpenWith50Hz(kFinch, row.atOpen);
        host_.SetParameter("50Hz", row.atCapture);
        host_.SetDeviceWord(kDeviceRecordClearOffset, 0xFFFFFFFF);
        Mark();
        EXPECT_EQ(video(kFinch).OnStartCapture(nullptr, device(), nullptr), kStatusSuccess);
        EXPECT_THAT(Bus(), ElementsAreArray(row.bus));
        EXPECT_EQ(host_.DeviceWord(kDeviceRecordClearOffset), 0u);
        EXPECT_EQ(FormatRate(kFinch), row.formatRate);
    }
}

}  // namespace
}  // namespace trel::test
