// The camera boards: Wren and Wren II (OmniVision 7640 at 0x42), Finch
// (OmniVision 6650 at 0xC0, every write with flags 1) and Swift (a CCD
// programmed over the serial link): the frame timing each writes at capture
// start for the host's "50Hz" answer, and what Swift's capture start writes.
// (Picture controls, status queries: properties_test.cpp; the usual sessions
// at 30 fps: golden_test.cpp.)
#include "test_support.h"

namespace trel::test {
namespace {

constexpr size_t kSwiftPass = 3 + 156;  // device requests, then the CCD's serial words

// Capture start: Wren and Swift keep the "50Hz" answer read at open, Wren II
// and Finch ask again; any non-zero answer means 25 fps, and the format then
// handed out has that rate. The OmniVision boards clear the host's word at
// 0x23B74 (and nothing before it) and leave the capture record alone. Swift
// first runs its programming pass (every serial word and device request with
// the link's constant arguments), then writes 1 in bytes 689, 1408 and 1409,
// 58 in hOffset and 20 in vOffset and nothing else of the record; a failed
// call ends the pass with the host's result before any field is written.
struct TimingRow {
    const char* board;
    u32 atOpen, atCapture;
    Lines bus;  // after the pass
    u32 formatRate;
    size_t pass = 0;
    size_t failAt = 0;
};

const TimingRow kTimingRows[] = {
    {"Wren", 0, 1, Writes(0x42, "2A=90 2B=5E"), 30030}, {"Wren", 2, 0, Writes(0x42, "2A=B0 2B=06"), 25025},
    {"Wren II", 0, 0xFFFFFFFF, Writes(0, "PARAM_50Hz=4294967295") + Writes(0x42, "2A=B0 2B=06"), 25025},
    {"Wren II", 1, 0, Writes(0, "PARAM_50Hz=0") + Writes(0x42, "2A=90 2B=5E"), 30030},
    {"Finch", 0, 3, Writes(0, "PARAM_50Hz=3") + Writes(0xC0, "2B=95", " f1"), 25025},
    {"Finch", 1, 0, Writes(0, "PARAM_50Hz=0") + Writes(0xC0, "2B=35", " f1"), 30030},
    {"Swift", 1, 0, Writes(0, "SER_77/0/05 SER_F7/0/24"), 25025, kSwiftPass},
    {"Swift", 0, 0, {}, 30030, kSwiftPass, 3 + 78},
};

class CameraCapture : public HostTest, public ::testing::WithParamInterface<TimingRow> {};

TEST_P(CameraCapture, TimingFieldsAndTheHostsWord) {
    const TimingRow& r = GetParam();
    const size_t index = Board(r.board);
    host_.SetParameter("50Hz", r.atOpen);
    Open(index);
    host_.SetParameter("50Hz", r.atCapture);
    host_.SetDeviceWord(kDeviceRecordClearOffset, 0xDEADBEEF);
    host_.SetDeviceWord(kDeviceRecordClearOffset - 4, 0x11111111);
    Mark();
    host_.FailNthCall(r.failAt, 0x1234);
    Guarded<CaptureConfig> config(0xCC);
    Guarded<CaptureConfig> expected = config;
    if (r.pass != 0 && r.failAt == 0) {
        for (size_t offset : {689, 1408, 1409}) expected.bytes[offset] = 1;
        std::tie(expected->hOffset, expected->vOffset) = std::make_tuple(58u, 20u);
    }
    EXPECT_EQ(board(index).videoOps->OnStartCapture(nullptr, device(), config.get()), r.failAt != 0 ? 0x1234u : 0u);
    ExpectSameBytes(config, expected);
    const Lines bus = Bus();
    ASSERT_EQ(bus.size(), r.failAt != 0 ? r.failAt : r.pass + r.bus.size());
    EXPECT_THAT(Lines(bus.end() - static_cast<long>(r.bus.size()), bus.end()), ElementsAreArray(r.bus));
    const std::vector<u32> serialLink = {8, 2, 6, 275}, request = {1, 0};
    for (const BusCall& call : host_.Log())
        EXPECT_EQ(call.constants, call.service == Service::SerialWrite ? serialLink
                                  : call.service == Service::DeviceControl ? request : call.constants) << call.Format();
    EXPECT_EQ(host_.DeviceWord(kDeviceRecordClearOffset), r.pass != 0 ? 0xDEADBEEF : 0u);
    EXPECT_EQ(host_.DeviceWord(kDeviceRecordClearOffset - 4), 0x11111111u);
    EXPECT_EQ(board(index).videoOps->OnStartCapture(nullptr, nullptr, nullptr), kInvalid);  // no record, no device
    EXPECT_EQ(host_.Log().size(), bus.size());
    u32 count = 0;
    VideoFormat format{};
    board(index).videoOps->GetVideoFormats(nullptr, device(), &count, &format);
    EXPECT_EQ(format.frameRate, r.formatRate);
}

INSTANTIATE_TEST_SUITE_P(Rows, CameraCapture, ::testing::ValuesIn(kTimingRows),
                         [](const auto& info) { return NameBoard(Board(info.param.board)) + "_" + std::to_string(info.index); });

}  // namespace
}  // namespace trel::test
