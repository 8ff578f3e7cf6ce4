// Kestrel decoder side: inputs, video source, TV standard, start-up with the
// TV-audio reset, picture controls, VBI services and status queries.
#include "kestrel_support.h"

namespace trel::test {
namespace {

TEST_F(KestrelTest, InputsAfterOpen) {
    EXPECT_EQ(inputs().GetVideoInputs(), 7u);
    EXPECT_EQ(inputs().GetVideoInputType(context_), 0u);  // source 2 is input 0
    EXPECT_EQ(inputs().GetAudioInputType(context_), 3u);
    EXPECT_EQ(VideoValue(kPropVideoSource), 2u);
    EXPECT_EQ(VideoValue(kPropTvStandard), 1u);
    EXPECT_EQ(TunerValue(3), 1u);
    EXPECT_THAT(host_.Log(), IsEmpty());
}

// Video input id -> decoder source, and back.
TEST_F(KestrelTest, VideoInputSelectsItsSourceAndReportsItBack) {
    for (u32 input : {1u, 2u, 0u}) {
        const u32 source = 2 - input;
        Mark();
        EXPECT_EQ(inputs().Set_Current_Video_InputID(context_, device(), input), 0u);
        EXPECT_THAT(Bus(), ElementsAreArray(Source(source)));
        EXPECT_THAT(Traces(), ElementsAre("Set_Current_Video_InputID " + std::to_string(input)));
        EXPECT_EQ(inputs().GetVideoInputType(context_), input);
        EXPECT_EQ(VideoValue(kPropVideoSource), source);
    }
    Mark();
    EXPECT_EQ(inputs().Set_Current_Video_InputID(context_, device(), 3), 0xFFFFFFFFu);
    EXPECT_THAT(Traces(), ElementsAre("Set_Current_Video_InputID 3"));
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_EQ(inputs().GetVideoInputType(context_), 0u);
}

TEST_F(KestrelTest, SourcePropertySelectsTheDecoderInputWhateverTheBusAnswers) {
    for (u32 source : {0u, 1u, 2u}) {
        Mark();
        host_.FailMatching(Service::I2cWrite);
        EXPECT_EQ(video().SetVideoProperty(context_, device(), kPropVideoSource, source, 0), 0u);
        host_.ClearFailures();
        EXPECT_EQ(host_.Log().size(), 2u);
        EXPECT_EQ(host_.Log()[0].reg, 0x02);
        EXPECT_EQ(VideoValue(kPropVideoSource), source);
    }
    Mark();
    EXPECT_EQ(video().SetVideoProperty(context_, device(), kPropVideoSource, 3, 0), 0xFFFFFFFFu);
    EXPECT_THAT(Traces(), ElementsAre("SetVideoProperty 0 3", "Error:Unknown Video Source 3!!!"));
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_EQ(VideoValue(kPropVideoSource), 2u);
}

// ---------------------------------------------------------------------------
// TV standard: which list, what is recorded, the trace.
struct StandardRow {
    u32 standard;
    u32 status;
    int list;  // 525, 625, 0 none
    bool recorded;
};
constexpr StandardRow kStandardRows[] = {
    {0x00000001, 0, 525, true},  {0x00000A07, 0, 525, true},  {0x00000011, 0, 525, true},
    {0x00000010, 0, 625, true},  {0x000005F0, 0, 625, true},  {0x00001000, 0, 625, true},
    {0x000FF000, 0, 625, true},  {0x00100000, 0, 0, true},    {0xFFFFFFFF, 0, 0, false},
    {0x00000000, 0xFFFFFFFF, 0, false},
};

class KestrelStandardTest : public KestrelTest, public ::testing::WithParamInterface<StandardRow> {};

TEST_P(KestrelStandardTest, WritesItsListAndRecordsBothStandardFields) {
    const StandardRow& row = GetParam();
    UseStandard(0x20);  // PAL-D beforehand
    EXPECT_EQ(video().SetVideoProperty(context_, device(), kPropTvStandard, row.standard, 0), row.status);
    EXPECT_THAT(Bus(), ElementsAreArray(row.list == 525 ? Standard525() : row.list == 625 ? Standard625() : Lines{}));
    Lines traces = {"SetVideoProperty 4098 " + std::to_string(static_cast<s32>(row.standard))};
    if (row.recorded) traces.push_back("SetTVStandard " + std::to_string(static_cast<s32>(row.standard)));
    EXPECT_THAT(Traces(), ElementsAreArray(traces));
    const u32 expected = row.recorded ? row.standard : 0x20;
    EXPECT_EQ(VideoValue(kPropTvStandard), expected);
    EXPECT_EQ(TunerValue(3), expected);
}

INSTANTIATE_TEST_SUITE_P(Standards, KestrelStandardTest, ::testing::ValuesIn(kStandardRows),
                         [](const auto& info) { return "Std" + HexName(info.param.standard); });

// A failed write anywhere in the list: all thirteen still go out, then
// 0xFFFFFFFD with both fields unchanged.
class KestrelStandardFailureTest : public KestrelTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(KestrelStandardFailureTest, EveryWriteIsMadeAndTheStandardIsKept) {
    host_.FailNthCall(GetParam());
    EXPECT_EQ(video().SetVideoProperty(context_, device(), kPropTvStandard, 0x10, 0), 0xFFFFFFFDu);
    ASSERT_EQ(host_.Log().size(), 13u);
    for (size_t i = 0; i < 13; ++i) EXPECT_EQ(host_.Log()[i].result != 0, i + 1 == GetParam()) << i;
    EXPECT_THAT(Traces(), ElementsAre("SetVideoProperty 4098 16"));
    EXPECT_EQ(VideoValue(kPropTvStandard), 1u);
    EXPECT_EQ(TunerValue(3), 1u);
}

INSTANTIATE_TEST_SUITE_P(EachWrite, KestrelStandardFailureTest, ::testing::Range<size_t>(1, 14),
                         [](const auto& info) { return "Write" + std::to_string(info.param); });

// ---------------------------------------------------------------------------
// Picture controls: index, value -> status and the register written.
struct PictureRow {
    u32 index;
    s32 value;
    u32 status;
    int reg;  // -1: nothing written
    u8 byte;
};
constexpr PictureRow kPictureRows[] = {
    {1, 100, 0, 0x0A, 0xFF},         {1, 50, 0, 0x0A, 0x7F},          {1, 0, 0, 0x0A, 0x00},
    {1, 101, 0xFFFFFFFF, -1, 0},     {1, -1, 0xFFFFFFFF, -1, 0},      {3, 100, 0, 0x0B, 0x7F},
    {3, 50, 0, 0x0B, 0x3F},          {3, 101, 0xFFFFFFFF, -1, 0},     {7, 100, 0, 0x0C, 0x7F},
    {7, 50, 0, 0x0C, 0x3F},          {7, -100, 0xFFFFFFFF, -1, 0},    {5, -50, 0, 0x0D, 0x80},
    {5, -25, 0, 0x0D, 0xC0},         {5, -1, 0, 0x0D, 0xFD},          {5, 0, 0, 0x0D, 0x00},
    {5, 50, 0, 0x0D, 0x7F},          {5, 51, 0xFFFFFFFF, -1, 0},      {5, -51, 0xFFFFFFFF, -1, 0},
    {2, 10, 0xFFFFFFFC, -1, 0},      {9, 10, 0xFFFFFFFC, -1, 0},      {0x1000, 1, 0xFFFFFFFC, -1, 0},
    {0x1004, 1, 0xFFFFFFFC, -1, 0},
};

class KestrelPictureTest : public KestrelTest, public ::testing::WithParamInterface<PictureRow> {};

TEST_P(KestrelPictureTest, WritesTheScaledByteOrRefuses) {
    const PictureRow& row = GetParam();
    EXPECT_EQ(video().SetVideoProperty(context_, device(), row.index, static_cast<u32>(row.value), 1), row.status);
    EXPECT_THAT(Bus(), ElementsAreArray(row.reg < 0 ? Lines{} : Lines{Dec(static_cast<u32>(row.reg), row.byte)}));
    EXPECT_THAT(Traces(), ElementsAre("SetVideoProperty " + std::to_string(static_cast<s32>(row.index)) + " " +
                                      std::to_string(row.value)));
}

INSTANTIATE_TEST_SUITE_P(Values, KestrelPictureTest, ::testing::ValuesIn(kPictureRows), [](const auto& info) {
    return "Index" + HexName(info.param.index) + "Value" + SignedName(info.param.value);
});

TEST_F(KestrelTest, PictureControlPassesTheHostsWriteResultBack) {
    host_.FailNthCall(1, 0x1234);
    EXPECT_EQ(video().SetVideoProperty(context_, device(), kPropContrast, 20, 0), 0x1234u);
    EXPECT_THAT(Bus(), ElementsAre(Dec(0x0B, 25) + " !1234"));
}

// ---------------------------------------------------------------------------
// VBI services: service, switch -> trace and registers.
struct VbiRow {
    u32 service;
    u32 enable;
    const char* trace;  // null: none
    u32 firstReg;
    u32 lastReg;
    u8 byte;
    u32 status;
};
constexpr VbiRow kVbiRows[] = {
    {1, 1, "VBI: CGMS NTSC enable", 0x53, 0x53, 0xF5, 0},
    {1, 0, "VBI: CGMS NTSC disable", 0x53, 0x53, 0xFF, 0},
    {2, 7, "VBI: CGMS PAL enable", 0x56, 0x56, 0xF5, 0},
    {2, 0, "VBI: CGMS PAL disable", 0x56, 0x56, 0xFF, 0},
    {3, 1, "VBI: Close Caption enable", 0x54, 0x54, 0xF4, 0},
    {3, 0, "VBI: Close Caption disable", 0x54, 0x54, 0xFF, 0},
    {5, 1, "VBI: WST625 enable", 0x45, 0x55, 0x11, 0},
    {6, 1, "VBI: WST625 enable", 0x45, 0x55, 0x11, 0},
    {5, 0, "VBI: WST625 disable", 0x45, 0x55, 0xFF, 0},
    {4, 1, nullptr, 1, 0, 0, 0},
    {7, 1, nullptr, 1, 0, 0, 0},
    {9, 1, nullptr, 1, 0, 0, 0},
    {0, 1, nullptr, 1, 0, 0, 0xFFFFFFFC},
    {10, 1, nullptr, 1, 0, 0, 0xFFFFFFFC},
};

class KestrelVbiTest : public KestrelTest, public ::testing::WithParamInterface<VbiRow> {};

TEST_P(KestrelVbiTest, SwitchesTheLineRegisters) {
    const VbiRow& row = GetParam();
    EXPECT_EQ(video().SetVideoProperty(context_, device(), kPropVbiService, row.service, row.enable), row.status);
    Lines expected;
    for (u32 reg = row.firstReg; reg <= row.lastReg; ++reg) expected.push_back(Dec(reg, row.byte));
    EXPECT_THAT(Bus(), ElementsAreArray(expected));
    Lines traces = {"SetVideoProperty 4099 " + std::to_string(row.service)};
    if (row.trace != nullptr) traces.push_back(row.trace);
    EXPECT_THAT(Traces(), ElementsAreArray(traces));
}

INSTANTIATE_TEST_SUITE_P(Services, KestrelVbiTest, ::testing::ValuesIn(kVbiRows), [](const auto& info) {
    return "Service" + std::to_string(info.param.service) + (info.param.enable != 0 ? "On" : "Off");
});

TEST_F(KestrelTest, VbiWriteFailuresAreNotReported) {
    host_.FailMatching(Service::I2cWrite);
    EXPECT_EQ(video().SetVideoProperty(context_, device(), kPropVbiService, 5, 1), 0u);
    EXPECT_EQ(host_.Log().size(), 17u);
}

// ---------------------------------------------------------------------------
// Status queries read register 1F: 0x1000 reports bit 1, 0x1001 reports 1
// while bit 6 is clear.
struct StatusRow {
    u32 index;
    u8 reg1F;
    u32 value;
};
constexpr StatusRow kStatusRows[] = {
    {0x1000, 0x02, 1}, {0x1000, 0xFD, 0}, {0x1000, 0x00, 0}, {0x1000, 0xFF, 1},
    {0x1001, 0x00, 1}, {0x1001, 0x40, 0}, {0x1001, 0xBF, 1}, {0x1001, 0xFF, 0},
};

class KestrelStatusTest : public KestrelTest, public ::testing::WithParamInterface<StatusRow> {};

TEST_P(KestrelStatusTest, ReportsItsBitOfRegister1F) {
    const StatusRow& row = GetParam();
    host_.ScriptRead(0x40, 0x1F, {row.reg1F});
    u32 value = 0xEEEEEEEE;
    EXPECT_EQ(video().GetVideoProperty(context_, device(), row.index, &value), 0u);
    EXPECT_EQ(value, row.value);
    EXPECT_THAT(Bus(), ElementsAre(DecRead(0x1F, row.reg1F)));
    EXPECT_THAT(Traces(), ElementsAre("GetVideoProperty " + std::to_string(row.index), "GetVideoProperty return 0"));
}

TEST_P(KestrelStatusTest, AFailedReadGivesBusFailureAndValueZero) {
    host_.ScriptRead(0x40, 0x1F, {0xFF});
    host_.FailMatching(Service::I2cRead, 0x40, 0x1F);
    u32 value = 0xEEEEEEEE;
    EXPECT_EQ(video().GetVideoProperty(context_, device(), GetParam().index, &value), 0xFFFFFFFDu);
    EXPECT_EQ(value, 0u);
    EXPECT_THAT(Traces(), ElementsAre("GetVideoProperty " + std::to_string(GetParam().index), "GetVideoProperty return -3"));
}

INSTANTIATE_TEST_SUITE_P(Register1F, KestrelStatusTest, ::testing::ValuesIn(kStatusRows), [](const auto& info) {
    return "Index" + HexName(info.param.index) + "Reg" + HexName(info.param.reg1F);
});

TEST_F(KestrelTest, GetVideoPropertyOfAnUnknownIndexZeroesTheValueAndStopsAfterTheFirstTrace) {
    u32 value = 0xEEEEEEEE;
    EXPECT_EQ(video().GetVideoProperty(context_, device(), 2, &value), 0xFFFFFFFCu);
    EXPECT_EQ(value, 0u);
    EXPECT_THAT(Traces(), ElementsAre("GetVideoProperty 2"));
    EXPECT_EQ(video().GetVideoProperty(context_, device(), 0x1003, &value), 0xFFFFFFFCu);
    EXPECT_THAT(host_.Log(), IsEmpty());
    Mark();
    EXPECT_EQ(video().GetVideoProperty(context_, device(), kPropTvStandard, &value), 0u);
    EXPECT_EQ(value, 1u);
    EXPECT_THAT(Traces(), ElementsAre("GetVideoProperty 4098", "GetVideoProperty return 0"));
}

// ---------------------------------------------------------------------------
// Start-up.
Lines SetupTable() {
    // The shared SAA7115 table with this board's four values: 02=C1, 09=40, 3A=80, 54=F4.
    constexpr u8 kTable[][2] = {
        {0x01, 0x08}, {0x02, 0xC1}, {0x03, 0x20}, {0x04, 0x80}, {0x05, 0x80}, {0x06, 0xEB}, {0x07, 0xE0},
        {0x08, 0xF0}, {0x09, 0x40}, {0x0A, 0x80}, {0x0B, 0x40}, {0x0C, 0x40}, {0x0D, 0x00}, {0x0E, 0x03},
        {0x0F, 0x2A}, {0x10, 0x0E}, {0x11, 0x00}, {0x12, 0x8D}, {0x13, 0x00}, {0x14, 0x00}, {0x15, 0x11},
        {0x16, 0x01}, {0x17, 0xDA}, {0x18, 0x40}, {0x19, 0x80}, {0x1A, 0x00}, {0x1B, 0x42}, {0x1C, 0xA9},
        {0x30, 0x66}, {0x31, 0x90}, {0x32, 0x01}, {0x34, 0x00}, {0x35, 0x00}, {0x36, 0x20}, {0x38, 0x03},
        {0x39, 0x20}, {0x3A, 0x80}, {0x40, 0x00}, {0x41, 0xFF}, {0x42, 0xFF}, {0x43, 0xFF}, {0x44, 0xFF},
        {0x45, 0xFF}, {0x46, 0xFF}, {0x47, 0xFF}, {0x48, 0xFF}, {0x49, 0xFF}, {0x4A, 0xFF}, {0x4B, 0xFF},
        {0x4C, 0xFF}, {0x4D, 0xFF}, {0x4E, 0xFF}, {0x4F, 0xFF}, {0x50, 0xFF}, {0x51, 0xFF}, {0x52, 0xFF},
        {0x53, 0xFF}, {0x54, 0xF4}, {0x55, 0xFF}, {0x56, 0xFF}, {0x57, 0xFF}, {0x58, 0x40}, {0x59, 0x47},
        {0x5A, 0x06}, {0x5B, 0x83}, {0x5D, 0x06}, {0x5E, 0x00}, {0x80, 0x30}, {0x81, 0x03}, {0x83, 0x00},
        {0x84, 0x00}, {0x85, 0x00}, {0x86, 0x45}, {0x87, 0x31}, {0x88, 0xC0}, {0x90, 0x02}, {0x91, 0x08},
        {0x92, 0x09}, {0x93, 0x80}, {0x94, 0x02}, {0x95, 0x00}, {0x96, 0xD0}, {0x97, 0x02}, {0x98, 0x10},
        {0x99, 0x00}, {0x9A, 0xF2}, {0x9B, 0x00}, {0x9C, 0xD0}, {0x9D, 0x02}, {0x9E, 0xF2}, {0x9F, 0x00},
        {0xA0, 0x01}, {0xA1, 0x00}, {0xA2, 0x00}, {0xA4, 0x80}, {0xA5, 0x40}, {0xA6, 0x40}, {0xA8, 0x00},
        {0xA9, 0x04}, {0xAA, 0x00}, {0xAC, 0x00}, {0xAD, 0x02}, {0xAE, 0x00}, {0xB0, 0x00}, {0xB1, 0x04},
        {0xB2, 0x00}, {0xB3, 0x04}, {0xB4, 0x00}, {0xB8, 0x00}, {0xBC, 0x00}, {0xC0, 0x03}, {0xC1, 0x08},
        {0xC2, 0x09}, {0xC3, 0x80}, {0xC4, 0x02}, {0xC5, 0x00}, {0xC6, 0xD0}, {0xC7, 0x02}, {0xC8, 0x10},
        {0xC9, 0x00}, {0xCA, 0xF2}, {0xCB, 0x00}, {0xCC, 0xD0}, {0xCD, 0x02}, {0xCE, 0xF2}, {0xCF, 0x00},
        {0xD0, 0x01}, {0xD1, 0x00}, {0xD2, 0x00}, {0xD4, 0x80}, {0xD5, 0x40}, {0xD6, 0x40}, {0xD8, 0x00},
        {0xD9, 0x04}, {0xDA, 0x00}, {0xDC, 0x00}, {0xDD, 0x02}, {0xDE, 0x00}, {0xE0, 0x00}, {0xE1, 0x04},
        {0xE2, 0x00}, {0xE3, 0x04}, {0xE4, 0x00}, {0xE8, 0x00}, {0x88, 0xF0},
    };
    static_assert(sizeof(kTable) / sizeof(kTable[0]) == 145);
    Lines lines;
    for (const auto& entry : kTable) lines.push_back(Dec(entry[0], entry[1]));
    return lines;
}

Lines TvAudioStart() {
    return {TvCtl(0x8000),          TvCtl(0x0000),          Tv(0x10, 0x0030, 0x2043), Tv(0x10, 0x0040, 0x0001),
            Tv(0x12, 0x000B, 0x0320), Tv(0x12, 0x000E, 0x4800), Tv(0x10, 0x0020, 0x0001), Tv(0x12, 0x000D, 0x1900),
            Tv(0x12, 0x0010, 0x5A00), Tv(0x12, 0x0013, 0x0200)};
}

Lines PropertyTraces(const VideoPropertySet& properties) {
    Lines traces;
    for (u32 i = 1; i <= 17; ++i) {
        traces.push_back("SetVideoProperty " + std::to_string(i) + " " +
                         std::to_string(static_cast<s32>(properties.value[i - 1])));
    }
    return traces;
}

TEST_F(KestrelTest, InitVideoSourceAfterOpenProgramsTheTunerInputAndNtscM) {
    VideoPropertySet properties{};
    video().GetDefaultVideoProperties(context_, device(), &properties);
    EXPECT_EQ(video().InitVideoSource(context_, device(), 0xFFFFFFFF, 0xFFFFFFFF, &properties), 0u);
    // Defaults: brightness 50, contrast 50, hue 0, saturation 50.
    EXPECT_THAT(Bus(), ElementsAreArray(SetupTable() + Source(2) + Standard525() +
                                        Lines{Dec(0x0A, 0x7F), Dec(0x0B, 0x3F), Dec(0x0D, 0x00), Dec(0x0C, 0x3F)} +
                                        TvAudioStart()));
    EXPECT_THAT(Traces(), ElementsAreArray(Lines{"SetVideoProperty 0 2", "SetVideoProperty 4098 1", "SetTVStandard 1"} +
                                           PropertyTraces(properties) + Lines{"*******@@@@@@@@@**************"}));
    EXPECT_THAT(host_.Log(), ::testing::Each(::testing::Field(&BusCall::flags, 0x8000u)));
}

TEST_F(KestrelTest, InitVideoSourceTakesTheGivenSourceStandardAndProperties) {
    VideoPropertySet properties{};
    for (u32 i = 0; i < 17; ++i) properties.value[i] = 100 + i;
    properties.value[4] = static_cast<u32>(-50);  // hue
    properties.value[0] = 100;
    EXPECT_EQ(video().InitVideoSource(context_, device(), 0x5F0, 0, &properties), 0u);
    // Contrast 102 and saturation 106 are out of range and write nothing.
    EXPECT_THAT(Bus(), ElementsAreArray(SetupTable() + Source(0) + Standard625() +
                                        Lines{Dec(0x0A, 0xFF), Dec(0x0D, 0x80)} + TvAudioStart()));
    EXPECT_EQ(VideoValue(kPropVideoSource), 0u);
    EXPECT_EQ(TunerValue(3), 0x5F0u);
}

TEST_F(KestrelTest, InitVideoSourceStopsAtTheFirstFailedTableWrite) {
    VideoPropertySet properties{};
    for (size_t failing : {1, 73, 145}) {
        Mark();
        host_.FailNthCall(failing);
        EXPECT_EQ(video().InitVideoSource(context_, device(), 0xFFFFFFFF, 0xFFFFFFFF, &properties), 0xFFFFFFFDu);
        EXPECT_EQ(host_.Log().size(), failing);
        EXPECT_THAT(Traces(), IsEmpty());
    }
}

// A refused source or standard ends start-up before any property or TV-audio write.
TEST_F(KestrelTest, InitVideoSourceReturnsARefusedSourceOrStandard) {
    VideoPropertySet properties{};
    EXPECT_EQ(video().InitVideoSource(context_, device(), 0, 0xFFFFFFFF, &properties), 0xFFFFFFFFu);
    EXPECT_THAT(Bus(), ElementsAreArray(SetupTable() + Source(2)));
    Mark();
    EXPECT_EQ(video().InitVideoSource(context_, device(), 0x10, 3, &properties), 0xFFFFFFFFu);
    EXPECT_THAT(Bus(), ElementsAreArray(SetupTable()));
    Mark();
    host_.FailNthCall(145 + 2 + 13);  // the last write of the standard list
    EXPECT_EQ(video().InitVideoSource(context_, device(), 0x10, 1, &properties), 0xFFFFFFFDu);
    EXPECT_EQ(host_.Log().size(), 145u + 2 + 13);
    EXPECT_EQ(VideoValue(kPropTvStandard), 1u);
}

TEST_F(KestrelTest, InitVideoSourceIgnoresFailedPropertyAndTvAudioWrites) {
    VideoPropertySet properties{};
    host_.FailMatching(Service::I2cWriteSubaddress);
    host_.FailNthCall(145 + 2 + 13 + 1);  // brightness
    EXPECT_EQ(video().InitVideoSource(context_, device(), 1, 2, &properties), 0u);
    EXPECT_EQ(host_.Log().size(), 145u + 2 + 13 + 4 + 10);
}

// ---------------------------------------------------------------------------
// Missing pointers: 0xFFFFFFFF and no bus traffic.
TEST_F(KestrelTest, MissingContextOrRecordIsRefusedWithoutBusTraffic) {
    VideoPropertySet properties{};
    Guarded<CaptureConfig> config;
    config->standardMask = 0xA07;
    config->captureWidth = 720;
    config->captureHeight = 480;
    u32 value = 0;
    u32 record[8] = {1};
    EXPECT_EQ(video().InitVideoSource(nullptr, device(), 1, 2, &properties), kInvalid);
    EXPECT_EQ(video().InitVideoSource(context_, device(), 1, 2, nullptr), kInvalid);
    EXPECT_EQ(video().OnStartCapture(nullptr, device(), config.get()), kInvalid);
    EXPECT_EQ(video().SetVideoProperty(nullptr, device(), kPropVideoSource, 1, 0), kInvalid);
    EXPECT_EQ(video().SetVideoProperty(nullptr, device(), kPropTvStandard, 1, 0), kInvalid);
    EXPECT_EQ(video().GetVideoProperty(nullptr, device(), kPropVideoSource, &value), kInvalid);
    EXPECT_EQ(video().GetVideoProperty(context_, device(), 0x1000, nullptr), kInvalid);
    EXPECT_EQ(inputs().GetVideoInputType(nullptr), kInvalid);
    EXPECT_EQ(inputs().GetAudioInputType(nullptr), kInvalid);
    EXPECT_EQ(inputs().Set_Current_Video_InputID(nullptr, device(), 0), kInvalid);
    EXPECT_EQ(inputs().Set_Current_Audio_InputID(nullptr, device(), 3), kInvalid);
    EXPECT_EQ(tuner().GetTunerProperty(nullptr, device(), 2, &value, nullptr), kInvalid);
    EXPECT_EQ(tuner().GetTunerProperty(context_, device(), 0, nullptr, nullptr), kInvalid);
    EXPECT_EQ(tuner().GetTunerProperty(context_, device(), 1, nullptr, nullptr), kInvalid);
    EXPECT_EQ(tuner().GetTunerProperty(context_, device(), 4, nullptr, nullptr), kInvalid);
    EXPECT_EQ(tuner().GetTunerProperty(context_, device(), 6, nullptr, nullptr), kInvalid);
    EXPECT_EQ(tuner().GetTunerProperty(context_, device(), 8, nullptr, record), kInvalid);
    EXPECT_EQ(tuner().SetTunerProperty(nullptr, device(), 2, 1, nullptr), kInvalid);
    EXPECT_EQ(tuner().SetTunerProperty(nullptr, device(), 10, 0x12, nullptr), kInvalid);
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 4, 0, nullptr), kInvalid);
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_TRUE(config.GuardIntact());
    // Without a host table start-up reports the bus as missing.
    host_.RegisterTable(nullptr);
    EXPECT_EQ(video().InitVideoSource(context_, device(), 1, 2, &properties), 0xFFFFFFFDu);
    host_.Register();
    EXPECT_THAT(host_.Log(), IsEmpty());
}

}  // namespace
}  // namespace trel::test
