// The camera boards: Wren and Wren II (OmniVision 7640 at 0x42), Finch
// (OmniVision 6650 at 0xC0, every write with flags 1) and Swift (a CCD
// programmed over the serial link): the frame timing each writes at capture
// start for the host's "50Hz" answer, and what Swift's capture start writes.
// (Picture controls, status queries: properties_test.cpp; default sessions:
// golden_test.cpp.)
#include "test_support.h"

namespace trel::test {
namespace {

class CameraTest : public HostTest {
protected:
    const VideoOps& video(size_t index) { return *board(index).videoOps; }
    void OpenWith50Hz(size_t index, u32 flag) {
        host_.SetParameter("50Hz", flag);
        Open(index);
    }
    VideoPropertySet Defaults(size_t index) {
        VideoPropertySet properties{};
        video(index).GetDefaultVideoProperties(nullptr, device(), &properties);
        return properties;
    }
    u32 FormatRate(size_t index) {
        u32 count = 0;
        VideoFormat format{};
        video(index).GetVideoFormats(nullptr, device(), &count, &format);
        return format.frameRate;
    }
};

// Capture-configuration bytes the CCD camera writes: 689 and 1408/1409 (1),
// 1412 (58) and 1416 (20) with the words they start (0 above).
bool OnlySwiftFieldsWritten(const Guarded<CaptureConfig>& config, bool written) {
    const std::map<size_t, u8> fields = {{689, 1},  {1408, 1}, {1409, 1}, {1412, 58}, {1413, 0}, {1414, 0},
                                         {1415, 0}, {1416, 20}, {1417, 0}, {1418, 0}, {1419, 0}};
    for (size_t i = 0; i < sizeof(CaptureConfig); ++i) {
        const auto field = fields.find(i);
        if (config.bytes[i] != (written && field != fields.end() ? field->second : 0xCC)) return false;
    }
    return config.GuardIntact();
}

// The CCD camera at capture start: the pass, then the five fields of the
// record and nothing else of it or of the host's device record; every serial
// word and device request with the link's constant arguments. (The whole
// default sessions: golden_test.cpp.)
TEST_F(CameraTest, SwiftCaptureStartWritesOnlyItsFields) {
    Open(kSwift);
    Guarded<CaptureConfig> config(0xCC);
    host_.SetDeviceWord(kDeviceRecordClearOffset, 0x12345678);
    Mark();
    EXPECT_EQ(video(kSwift).OnStartCapture(nullptr, device(), config.get()), 0u);
    EXPECT_TRUE(OnlySwiftFieldsWritten(config, true));
    EXPECT_EQ(host_.DeviceWord(kDeviceRecordClearOffset), 0x12345678u);  // the OmniVision boards' word
    ASSERT_EQ(host_.Log().size(), 3u + 156 + 2);
    for (const BusCall& call : host_.Log()) {
        if (call.service == Service::SerialWrite) {
            ASSERT_EQ(call.constants, (std::vector<u32>{8, 2, 6, 275}));
        }
        if (call.service == Service::DeviceControl) {
            ASSERT_EQ(call.constants, (std::vector<u32>{1, 0}));
        }
    }
}

// Capture-start timing: Wren and Swift keep the flag read at open, Wren II
// and Finch read it again; any non-zero value means 25 fps, and the formats
// then hand out that rate. The OmniVision boards clear the host's word at
// 0x23B74 (and nothing before it).
struct TimingRow {
    size_t board;
    u32 atOpen, atCapture;
    Lines bus;
    u32 formatRate;
};

class CameraTiming : public CameraTest, public ::testing::WithParamInterface<TimingRow> {};

TEST_P(CameraTiming, CaptureStartWritesTheTimingOfTheFlag) {
    const TimingRow& r = GetParam();
    OpenWith50Hz(r.board, r.atOpen);
    host_.SetParameter("50Hz", r.atCapture);
    host_.SetDeviceWord(kDeviceRecordClearOffset, 0xDEADBEEF);
    host_.SetDeviceWord(kDeviceRecordClearOffset - 4, 0x11111111);
    Mark();
    Guarded<CaptureConfig> config(0xCC);
    EXPECT_EQ(video(r.board).OnStartCapture(nullptr, device(), r.board == kSwift ? config.get() : nullptr), 0u);
    const Lines bus = Bus();
    const size_t pass = r.board == kSwift ? 3 + 156 : 0;  // Swift programs its CCD first
    ASSERT_GE(bus.size(), pass);
    EXPECT_THAT(Lines(bus.begin() + static_cast<long>(pass), bus.end()), ElementsAreArray(r.bus));
    EXPECT_EQ(host_.DeviceWord(kDeviceRecordClearOffset), r.board == kSwift ? 0xDEADBEEF : 0u);
    EXPECT_EQ(host_.DeviceWord(kDeviceRecordClearOffset - 4), 0x11111111u);
    EXPECT_EQ(FormatRate(r.board), r.formatRate);
}

INSTANTIATE_TEST_SUITE_P(Rows, CameraTiming, ::testing::Values(
    TimingRow{kWren, 0, 1, Writes(0x42, "2A=90 2B=5E"), 30030}, TimingRow{kWren, 1, 0, Writes(0x42, "2A=B0 2B=06"), 25025},
    TimingRow{kWren, 2, 2, Writes(0x42, "2A=B0 2B=06"), 25025},
    TimingRow{kWrenII, 0, 1, Writes(0, "PARAM_50Hz=1") + Writes(0x42, "2A=B0 2B=06"), 25025},
    TimingRow{kWrenII, 1, 0, Writes(0, "PARAM_50Hz=0") + Writes(0x42, "2A=90 2B=5E"), 30030},
    TimingRow{kWrenII, 0, 0xFFFFFFFF, Writes(0, "PARAM_50Hz=4294967295") + Writes(0x42, "2A=B0 2B=06"), 25025},
    TimingRow{kFinch, 0, 1, Writes(0, "PARAM_50Hz=1") + Writes(0xC0, "2B=95", " f1"), 25025},
    TimingRow{kFinch, 1, 0, Writes(0, "PARAM_50Hz=0") + Writes(0xC0, "2B=35", " f1"), 30030},
    TimingRow{kFinch, 0, 3, Writes(0, "PARAM_50Hz=3") + Writes(0xC0, "2B=95", " f1"), 25025},
    TimingRow{kSwift, 1, 0, Writes(0, "SER_77/0/05 SER_F7/0/24"), 25025}),
    [](const auto& info) { return NameBoard(info.param.board) + "_" + std::to_string(info.index); });

// A failed word ends Swift's pass at capture start with the host's result
// (the fault sweep) and before any field of the record is written.
TEST_F(CameraTest, SwiftFailedPassLeavesTheRecordAlone) {
    Open(kSwift);
    Mark();
    host_.FailNthCall(3 + 78, 0x1234);
    Guarded<CaptureConfig> config(0xCC);
    EXPECT_EQ(video(kSwift).OnStartCapture(nullptr, device(), config.get()), 0x1234u);
    EXPECT_TRUE(OnlySwiftFieldsWritten(config, false));
}

}  // namespace
}  // namespace trel::test
