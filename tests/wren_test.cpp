// Wren and Wren II (OmniVision 7640 at 0x42), and the OmniVision set-up and
// picture properties they share with Finch (OmniVision 6650 at 0xC0).
#include "camera_support.h"

namespace trel::test {
namespace {

using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

const std::vector<std::string> kOv7640Setup = Lines("I2C 42 W ",
    "12=80 03=A4 04=2F 05=3E 06=60 11=00 12=54 13=A3 14=04 15=00 20=D0 23=DE 24=42 "
    "25=80 26=A2 27=E2 28=20 2A=90 2B=5E 2D=01 2F=94 30=40 31=A0 60=06 61=E0 62=88 "
    "63=11 64=89 65=00 67=94 68=7A 69=08 6C=11 6D=33 6E=22 6F=00 74=20 75=86 77=A6");

class WrenTest : public CameraTest, public ::testing::WithParamInterface<size_t> {};

// Reviewed: the 39 set-up writes in table order with flags 0, then brightness
// 38 (06=60), hue 0 (04=2F) and saturation 64 (03=A3) with flags 1; Wren II
// asks for "50Hz" again before the 30 fps timing.
TEST_P(WrenTest, GoldenDefaultSession) {
    const size_t index = GetParam();
    Mark();
    Guarded<CaptureConfig> config(0xCC);
    RunDefaultSession(index, config.get());
    const std::vector<std::string> requery = index == kWrenII ? std::vector<std::string>{"PARAM 50Hz=0"}
                                                              : std::vector<std::string>{};
    EXPECT_THAT(Bus(), ElementsAreArray(Concat({{"PARAM 50Hz=0"}, kOv7640Setup,
                                                Lines("I2C 42 W ", "06=60 04=2F 03=A3", " f1"), requery,
                                                Lines("I2C 42 W ", "2A=90 2B=5E")})));
    EXPECT_THAT(Traces(), ElementsAreArray(PropertyTraces({38, 0, 50, 0, 0, 0, 64, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0})));
    for (size_t i = 0; i < sizeof(CaptureConfig); ++i) ASSERT_EQ(config.bytes[i], 0xCC) << i;  // not read or written
}

INSTANTIATE_TEST_SUITE_P(Boards, WrenTest, ::testing::Values(kWren, kWrenII), BoardParamName);

// Capture-start timing: Wren keeps the flag read at open, Wren II reads it
// again; any non-zero value means 25 fps.
struct TimingRow {
    size_t board;
    u32 atOpen;
    u32 atCapture;
    std::vector<std::string> bus;
    u32 formatRate;  // GetVideoFormats afterwards
};

void PrintTo(const TimingRow& row, std::ostream* os) {
    *os << BoardName(row.board) << " 50Hz " << row.atOpen << " then " << row.atCapture;
}

class WrenTimingTest : public CameraTest, public ::testing::WithParamInterface<TimingRow> {};

TEST_P(WrenTimingTest, CaptureStartWritesTheTimingOfTheFlag) {
    const TimingRow& row = GetParam();
    OpenWith50Hz(row.board, row.atOpen);
    host_.SetParameter("50Hz", row.atCapture);
    host_.SetDeviceWord(kDeviceRecordClearOffset, 0xDEADBEEF);
    host_.SetDeviceWord(kDeviceRecordClearOffset - 4, 0x11111111);
    Mark();
    EXPECT_EQ(video(row.board).OnStartCapture(nullptr, device(), nullptr), kStatusSuccess);  // config not read
    EXPECT_THAT(Bus(), ElementsAreArray(row.bus));
    EXPECT_EQ(host_.DeviceWord(kDeviceRecordClearOffset), 0u);
    EXPECT_EQ(host_.DeviceWord(kDeviceRecordClearOffset - 4), 0x11111111u);
    EXPECT_EQ(FormatRate(row.board), row.formatRate);
}

INSTANTIATE_TEST_SUITE_P(Rows, WrenTimingTest, ::testing::Values(
    TimingRow{kWren, 0, 1, {"I2C 42 W 2A=90", "I2C 42 W 2B=5E"}, 30030},
    TimingRow{kWren, 1, 0, {"I2C 42 W 2A=B0", "I2C 42 W 2B=06"}, 25025},
    TimingRow{kWren, 2, 2, {"I2C 42 W 2A=B0", "I2C 42 W 2B=06"}, 25025},
    TimingRow{kWrenII, 0, 1, {"PARAM 50Hz=1", "I2C 42 W 2A=B0", "I2C 42 W 2B=06"}, 25025},
    TimingRow{kWrenII, 1, 0, {"PARAM 50Hz=0", "I2C 42 W 2A=90", "I2C 42 W 2B=5E"}, 30030},
    TimingRow{kWrenII, 0, 0xFFFFFFFF, {"PARAM 50Hz=4294967295", "I2C 42 W 2A=B0", "I2C 42 W 2B=06"}, 25025}));

// ---------------------------------------------------------------------------
// What the three OmniVision boards share.
struct OmniVisionRow {
    size_t board;
    std::string address;  // "42" or "C0"
    size_t setupCount;
};

void PrintTo(const OmniVisionRow& row, std::ostream* os) { *os << BoardName(row.board); }

class OmniVisionTest : public CameraTest, public ::testing::WithParamInterface<OmniVisionRow> {};

TEST_P(OmniVisionTest, SetUpStopsAtTheFirstFailedWrite) {
    const OmniVisionRow& row = GetParam();
    Open(row.board);
    const VideoPropertySet properties = Defaults(row.board);
    for (size_t n : {size_t{1}, row.setupCount / 2, row.setupCount}) {
        SCOPED_TRACE(n);
        Mark();
        host_.ClearFailures();
        host_.FailNthCall(n, 7);
        EXPECT_EQ(video(row.board).InitVideoSource(nullptr, device(), 0, 0, &properties), kStatusBusFailure);
        ASSERT_EQ(host_.Log().size(), n);  // nothing after the failed write, no properties
        EXPECT_EQ(host_.Log().back().result, 7u);
        EXPECT_THAT(Traces(), IsEmpty());
    }
}

TEST_P(OmniVisionTest, SetUpNeedsTheHostTableAndAPropertySet) {
    const OmniVisionRow& row = GetParam();
    const VideoPropertySet properties = Defaults(row.board);
    Mark();
    EXPECT_EQ(video(row.board).InitVideoSource(nullptr, device(), 0, 0, nullptr), kStatusInvalid);
    host_.RegisterTable(nullptr);
    EXPECT_EQ(video(row.board).InitVideoSource(nullptr, device(), 0, 0, &properties), kStatusBusFailure);
    host_.Register();
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_THAT(Traces(), IsEmpty());
}

TEST_P(OmniVisionTest, CaptureStartNeedsTheDeviceRecordAndIgnoresWriteFailures) {
    const OmniVisionRow& row = GetParam();
    Open(row.board);
    Mark();
    EXPECT_EQ(video(row.board).OnStartCapture(nullptr, nullptr, nullptr), kStatusInvalid);
    EXPECT_THAT(host_.Log(), IsEmpty());
    host_.FailMatching(Service::I2cWrite);
    const size_t timingWrites = row.board == kFinch ? 1 : 2;
    EXPECT_EQ(video(row.board).OnStartCapture(nullptr, device(), nullptr), kStatusSuccess);
    size_t writes = 0;
    for (const BusCall& call : host_.Log()) writes += call.service == Service::I2cWrite;
    EXPECT_EQ(writes, timingWrites);
}

// One table for the picture-property rule of both sensors (flags 1 always).
struct PropertyCase {
    u32 index;
    s32 value;
    std::string write;  // "" when nothing is written
    u32 status;
};

const PropertyCase kPropertyCases[] = {
    {1, 0, "06=00", 0},   {1, 38, "06=60", 0},  {1, 100, "06=FF", 0},  {1, 101, "", 0},    {1, -1, "", 0},
    {5, -50, "04=20", 0}, {5, 0, "04=2F", 0},   {5, 50, "04=3F", 0},   {5, -51, "", 0},    {5, 51, "", 0},
    {7, 0, "03=00", 0},   {7, 64, "03=A3", 0},  {7, 100, "03=FF", 0},  {7, 101, "", 0},    {3, 50, "", 0xFFFFFFFC},
    {0, 0, "", 0xFFFFFFFC}, {9, 50, "", 0xFFFFFFFC}, {0x1002, 1, "", 0xFFFFFFFC},
};

TEST_P(OmniVisionTest, PictureProperties) {
    const OmniVisionRow& row = GetParam();
    for (const PropertyCase& c : kPropertyCases) {
        SCOPED_TRACE(::testing::Message() << c.index << " " << c.value);
        Mark();
        EXPECT_EQ(video(row.board).SetVideoProperty(nullptr, device(), c.index, static_cast<u32>(c.value), 99), c.status);
        std::vector<std::string> bus;
        if (!c.write.empty()) bus.push_back("I2C " + row.address + " W " + c.write + " f1");
        EXPECT_THAT(Bus(), ElementsAreArray(bus));
        EXPECT_EQ(Traces(), std::vector<std::string>{"SetVideoProperty " + std::to_string(static_cast<int>(c.index)) +
                                                     " " + std::to_string(c.value)});
    }
    Mark();
    host_.FailMatching(Service::I2cWrite);
    EXPECT_EQ(video(row.board).SetVideoProperty(nullptr, device(), 1, 50, 0), kStatusSuccess);
    EXPECT_EQ(host_.Log().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Sensors, OmniVisionTest, ::testing::Values(
    OmniVisionRow{kWren, "42", 39}, OmniVisionRow{kWrenII, "42", 39}, OmniVisionRow{kFinch, "C0", 35}),
    [](const auto& info) { return BoardParamName({info.param.board, info.index}); });

}  // namespace
}  // namespace trel::test
