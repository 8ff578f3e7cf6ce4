// Swift: the CCD programmed over the serial link, exposure by bit-reversed
// serial words, hue and saturation in the encoder.
#include "camera_support.h"

namespace trel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

const std::vector<std::string> kPass = Concat({{"DEVCTL 2=0", "DEVCTL 0=0", "DEVCTL 0=1"}, Lines("SER ",
    "E8/0/20 E8/0/00 D4/0/2B 08/0/08 D7/0/20 94/0/20 D8/0/20 24/0/20 64/0/20 A4/0/00 37/0/00 B7/0/24 77/0/08 "
    "F7/0/04 0F/0/1C 8F/0/20 4F/0/0C CF/0/0C 2F/0/20 AF/0/31 6F/0/00 EF/0/0C 1F/0/0C DF/0/0C 3F/0/0C BF/0/00 "
    "7F/0/00 FF/0/00 00/2/37 80/2/00 40/2/00 C0/2/24 60/2/0C E0/2/0C 10/2/20 90/2/00 3A/2/00 BA/2/31 7A/2/00 "
    "FA/2/38 06/2/20 86/2/0C 46/2/0C C6/2/20 31/2/00 B1/2/00 49/2/0C C9/2/00 19/2/06 99/2/00 79/2/06 F9/2/00 "
    "E1/2/00 11/2/14 71/2/14 29/2/14 59/2/14 91/2/20 F1/2/00 A9/2/20 D9/2/00 61/2/00 4D/2/00 CD/2/00 1D/2/0C "
    "9D/2/00 7D/2/00 FD/2/00 23/2/08 A3/2/10 75/2/14 2D/2/14 5D/2/20 03/2/20 F5/2/20 AD/2/00 DD/2/20 83/2/00 "
    "35/2/00 21/2/0C A1/2/0C 55/2/0C D5/2/0C 02/1/00 36/2/00 B6/2/12 76/2/00 F6/2/20 0E/2/32 8E/2/00 4E/2/00 "
    "8A/1/20 4A/1/25 CA/1/38 2A/1/39 AA/1/04 6A/1/00 EA/1/0E 1A/1/02 9A/1/0A 5A/1/12 A6/1/12 66/1/00 E6/1/00 "
    "16/1/00 96/1/00 56/1/20 F6/1/0F 0E/1/3F 44/0/20 C4/0/20 A5/0/00 65/0/00 E5/0/31 15/0/00 95/0/35 55/0/20 "
    "BD/0/20 7D/0/35 FD/0/20 03/0/37 83/0/20 8E/1/20 4E/1/04 CE/1/20 2E/1/3E AE/1/20 6E/1/04 EE/1/20 1E/1/3E "
    "9E/1/20 5E/1/28 DE/1/10 60/0/24 87/0/20 47/0/20 17/0/20 E0/0/01 10/0/03 90/0/04 50/0/01 40/0/03 C0/0/18 "
    "97/0/01 57/0/37 B1/0/20 71/0/14 F1/0/00 09/0/1E 89/0/00 20/0/00 A0/0/10 78/0/20 18/0/20 D8/0/00 04/0/00")});
constexpr size_t kPassCalls = 3 + 156;

class SwiftTest : public CameraTest {
protected:
    const VideoOps& swift() { return video(kSwift); }
    // Bytes of the capture configuration other than the five Swift fields.
    static bool OnlySwiftFieldsWritten(const Guarded<CaptureConfig>& config, bool written) {
        const std::map<size_t, u8> fields = {{689, 1},  {1408, 1}, {1409, 1}, {1412, 58}, {1413, 0}, {1414, 0},
                                             {1415, 0}, {1416, 20}, {1417, 0}, {1418, 0}, {1419, 0}};
        for (size_t i = 0; i < sizeof(CaptureConfig); ++i) {
            const auto field = fields.find(i);
            const u8 want = written && field != fields.end() ? field->second : 0xCC;
            if (config.bytes[i] != want) return false;
        }
        return config.GuardIntact();
    }
};

// Reviewed: the pass (three device requests, the 156 words), the defaults
// (brightness 75 gives back the table's exposure 28/10, hue 12 -> 07,
// saturation 51 -> 40), then at capture the whole pass again and the 30 fps
// field timing.
TEST_F(SwiftTest, GoldenDefaultSession) {
    Mark();
    Guarded<CaptureConfig> config(0xCC);
    host_.SetDeviceWord(kDeviceRecordClearOffset, 0x12345678);
    RunDefaultSession(kSwift, config.get());
    EXPECT_THAT(Bus(), ElementsAreArray(Concat({{"PARAM 50Hz=0"}, kPass,
                                                {"SER 5E/1/28", "SER DE/1/10", "ENC 4137=07", "ENC 4136=40"}, kPass,
                                                {"SER 77/0/08", "SER F7/0/04"}})));
    EXPECT_THAT(Traces(), ElementsAreArray(PropertyTraces({75, 0, 50, 0, 12, 0, 51, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0})));
    EXPECT_TRUE(OnlySwiftFieldsWritten(config, true));
    EXPECT_EQ(host_.DeviceWord(kDeviceRecordClearOffset), 0x12345678u);  // the OmniVision boards' word
    for (const BusCall& call : host_.Log()) {
        if (call.service == Service::SerialWrite) {
            ASSERT_EQ(call.constants, (std::vector<u32>{8, 2, 6, 275}));
        } else if (call.service == Service::DeviceControl) {
            ASSERT_EQ(call.constants, (std::vector<u32>{1, 0}));
        }
    }
}

TEST_F(SwiftTest, FiftyHertzFieldTimingAtCaptureStart) {
    OpenWith50Hz(kSwift, 1);
    host_.SetParameter("50Hz", 0);  // not read again
    Mark();
    Guarded<CaptureConfig> config(0xCC);
    EXPECT_EQ(swift().OnStartCapture(nullptr, device(), config.get()), kStatusSuccess);
    EXPECT_THAT(Bus(), ElementsAreArray(Concat({kPass, {"SER 77/0/05", "SER F7/0/24"}})));
}

// A failed word ends the pass: set-up reports 0xFFFFFFFD, capture start the
// host's own result, and nothing is sent or written after it.
TEST_F(SwiftTest, ProgrammingPassStopsAtTheFirstFailedWord) {
    Open(kSwift);
    const VideoPropertySet properties = Defaults(kSwift);
    for (size_t n : {size_t{4}, size_t{3 + 78}, kPassCalls}) {
        SCOPED_TRACE(n);
        Mark();
        host_.ClearFailures();
        host_.FailNthCall(n, 0x1234);
        EXPECT_EQ(swift().InitVideoSource(nullptr, device(), 0, 0, &properties), kStatusBusFailure);
        EXPECT_EQ(host_.Log().size(), n);
        EXPECT_THAT(Traces(), IsEmpty());

        Mark();
        host_.FailNthCall(n, 0x1234);
        Guarded<CaptureConfig> config(0xCC);
        EXPECT_EQ(swift().OnStartCapture(nullptr, device(), config.get()), 0x1234u);
        EXPECT_EQ(host_.Log().size(), n);
        EXPECT_TRUE(OnlySwiftFieldsWritten(config, false));
    }
}

TEST_F(SwiftTest, DeviceRequestAndTimingFailuresAreNotReported) {
    Open(kSwift);
    const VideoPropertySet properties = Defaults(kSwift);
    Mark();
    host_.FailMatching(Service::DeviceControl);
    EXPECT_EQ(swift().InitVideoSource(nullptr, device(), 0, 0, &properties), kStatusSuccess);
    EXPECT_EQ(host_.Log().size(), kPassCalls + 4);
    host_.ClearFailures();
    Mark();
    host_.FailNthCall(kPassCalls + 1);  // first timing word
    Guarded<CaptureConfig> config(0xCC);
    EXPECT_EQ(swift().OnStartCapture(nullptr, device(), config.get()), kStatusSuccess);
    EXPECT_EQ(Bus().back(), "SER F7/0/04");
    EXPECT_TRUE(OnlySwiftFieldsWritten(config, true));
}

TEST_F(SwiftTest, MissingHostTablePropertySetOrCaptureConfig) {
    const VideoPropertySet properties = Defaults(kSwift);
    Mark();
    EXPECT_EQ(swift().InitVideoSource(nullptr, device(), 0, 0, nullptr), kStatusInvalid);
    EXPECT_EQ(swift().OnStartCapture(nullptr, device(), nullptr), kStatusInvalid);
    EXPECT_THAT(Traces(), ElementsAre("OnStartCapture video_config == NULL"));
    host_.RegisterTable(nullptr);
    EXPECT_EQ(swift().InitVideoSource(nullptr, device(), 0, 0, &properties), kStatusBusFailure);
    host_.Register();
    EXPECT_THAT(host_.Log(), IsEmpty());
}

struct SwiftPropertyCase {
    u32 index;
    s32 value;
    std::vector<std::string> bus;
    u32 status;
};

TEST_F(SwiftTest, ExposureHueAndSaturation) {
    const SwiftPropertyCase cases[] = {
        {1, 0, {"SER 5E/1/32", "SER DE/1/04"}, 0},    // n 531, reversed 0xC84
        {1, 50, {"SER 5E/1/14", "SER DE/1/08"}, 0},   // n 266, reversed 0x508
        {1, 75, {"SER 5E/1/28", "SER DE/1/10"}, 0},   // n 133, reversed 0xA10
        {1, 100, {"SER 5E/1/20", "SER DE/1/00"}, 0},  // n 1, reversed 0x800
        {1, 101, {}, 0},
        {5, -50, {"ENC 4137=3F"}, 0}, {5, -1, {"ENC 4137=20"}, 0}, {5, 0, {"ENC 4137=00"}, 0},
        {5, 12, {"ENC 4137=07"}, 0},  {5, 50, {"ENC 4137=1F"}, 0}, {5, -51, {}, 0}, {5, 51, {}, 0},
        {7, 0, {"ENC 4136=00"}, 0},   {7, 51, {"ENC 4136=40"}, 0}, {7, 100, {"ENC 4136=7F"}, 0}, {7, 101, {}, 0},
        {3, 50, {}, 0xFFFFFFFC}, {0, 0, {}, 0xFFFFFFFC}, {0x1001, 0, {}, 0xFFFFFFFC},
    };
    for (const SwiftPropertyCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.index << " " << c.value);
        Mark();
        EXPECT_EQ(swift().SetVideoProperty(nullptr, device(), c.index, static_cast<u32>(c.value), 0), c.status);
        EXPECT_THAT(Bus(), ElementsAreArray(c.bus));
        EXPECT_THAT(Traces(), ElementsAre("SetVideoProperty " + std::to_string(static_cast<int>(c.index)) + " " +
                                          std::to_string(c.value)));
    }
}

TEST_F(SwiftTest, AFailedFirstExposureWordEndsTheWrite) {
    Mark();
    host_.FailMatching(Service::SerialWrite, 0x5E);
    EXPECT_EQ(swift().SetVideoProperty(nullptr, device(), 1, 0, 0), kStatusSuccess);
    EXPECT_THAT(Bus(), ElementsAre("SER 5E/1/32 !1"));
    host_.ClearFailures();
    Mark();
    host_.FailMatching(Service::SerialWrite, 0xDE);
    EXPECT_EQ(swift().SetVideoProperty(nullptr, device(), 1, 0, 0), kStatusSuccess);
    EXPECT_THAT(Bus(), ElementsAre("SER 5E/1/32", "SER DE/1/04 !1"));
}

}  // namespace
}  // namespace trel::test
