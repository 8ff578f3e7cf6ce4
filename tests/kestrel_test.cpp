// Kestrel decoder side: inputs, video source, TV standard, start-up with the
// TV-audio reset, and what Kestrel adds to the shared SAA7115 properties (its
// flags, its WST625 value, status bit 1). The shared mappings themselves are
// tested with Heron I.
#include "kestrel_support.h"

namespace trel::test {
namespace {

TEST_F(KestrelTest, InputsAfterOpenAndTheirSelection) {
    EXPECT_EQ(inputs().GetVideoInputs(), 7u);
    EXPECT_EQ(inputs().GetVideoInputType(context_), 0u);  // source 2 is input 0
    EXPECT_EQ(inputs().GetAudioInputType(context_), 3u);
    EXPECT_EQ(VideoValue(kPropVideoSource), 2u);
    EXPECT_EQ(VideoValue(kPropTvStandard), 1u);
    for (u32 input : {1u, 2u, 0u}) {
        Mark();
        EXPECT_EQ(inputs().Set_Current_Video_InputID(context_, device(), input), 0u);
        EXPECT_THAT(Bus(), ElementsAreArray(KSource(2 - input)));
        EXPECT_THAT(Traces(), ElementsAre("Set_Current_Video_InputID " + std::to_string(input)));
        EXPECT_EQ(inputs().GetVideoInputType(context_), input);
    }
    Mark();
    EXPECT_EQ(inputs().Set_Current_Video_InputID(context_, device(), 3), kInvalid);
    EXPECT_EQ(video().SetVideoProperty(context_, device(), kPropVideoSource, 3, 0), kInvalid);
    EXPECT_THAT(Traces(), ElementsAre("Set_Current_Video_InputID 3", "SetVideoProperty 0 3",
                                      "Error:Unknown Video Source 3!!!"));
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_EQ(VideoValue(kPropVideoSource), 2u);
}

// Source writes are not checked.
TEST_F(KestrelTest, SourceIsRecordedWhateverTheBusAnswers) {
    host_.FailMatching(Service::I2cWrite);
    EXPECT_EQ(video().SetVideoProperty(context_, device(), kPropVideoSource, 0, 0), 0u);
    EXPECT_EQ(host_.Log().size(), 2u);
    EXPECT_EQ(VideoValue(kPropVideoSource), 0u);
}

// ---------------------------------------------------------------------------
// TV standard: which list, both standard fields, the trace.
struct StandardRow {
    u32 standard;
    u32 status;
    int list;  // 525, 625, 0 none
    bool recorded;
};
constexpr StandardRow kStandardRows[] = {
    {0x00000001, 0, 525, true}, {0x00000A07, 0, 525, true}, {0x00000011, 0, 525, true},
    {0x00000010, 0, 625, true}, {0x00001000, 0, 625, true}, {0x000FF000, 0, 625, true},
    {0x00100000, 0, 0, true},   {0xFFFFFFFF, 0, 0, false},  {0x00000000, kInvalid, 0, false},
};

class KestrelStandardTest : public KestrelTest, public ::testing::WithParamInterface<StandardRow> {};

TEST_P(KestrelStandardTest, WritesItsListAndRecordsBothStandardFields) {
    const StandardRow& row = GetParam();
    UseStandard(0x20);  // PAL-D beforehand
    EXPECT_EQ(video().SetVideoProperty(context_, device(), kPropTvStandard, row.standard, 0), row.status);
    EXPECT_THAT(Bus(), ElementsAreArray(row.list == 525 ? K525() : row.list == 625 ? K625() : Lines{}));
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
    EXPECT_EQ(video().SetVideoProperty(context_, device(), kPropTvStandard, 0x10, 0), kBusFailure);
    ASSERT_EQ(host_.Log().size(), 13u);
    for (size_t i = 0; i < 13; ++i) EXPECT_EQ(host_.Log()[i].result != 0, i + 1 == GetParam()) << i;
    EXPECT_THAT(Traces(), ElementsAre("SetVideoProperty 4098 16"));
    EXPECT_EQ(VideoValue(kPropTvStandard), 1u);
    EXPECT_EQ(TunerValue(3), 1u);
}

INSTANTIATE_TEST_SUITE_P(EachWrite, KestrelStandardFailureTest, ::testing::Range<size_t>(1, 14),
                         [](const auto& info) { return "Write" + std::to_string(info.param); });

// ---------------------------------------------------------------------------
// Properties through Kestrel's SetVideoProperty: index, value, extra -> status,
// bus lines, the trace after the opening one.
struct PropertyRow {
    const char* name;
    u32 index;
    s32 value;
    u32 extra;
    u32 status;
    const char* bus;
    const char* trace;
};
constexpr PropertyRow kPropertyRows[] = {
    {"Brightness100", 1, 100, 0, 0, "0A=FF", nullptr},
    {"Brightness50", 1, 50, 0, 0, "0A=7F", nullptr},
    {"BrightnessMinus1", 1, -1, 0, kInvalid, "", nullptr},
    {"Contrast50", 3, 50, 0, 0, "0B=3F", nullptr},
    {"Saturation100", 7, 100, 0, 0, "0C=7F", nullptr},
    {"HueMinus25", 5, -25, 0, 0, "0D=C0", nullptr},
    {"Hue51", 5, 51, 0, kInvalid, "", nullptr},
    {"Index2", 2, 10, 0, kNotSupported, "", nullptr},
    {"CaptionOn", 0x1003, 3, 1, 0, "54=F4", "VBI: Close Caption enable"},
    {"CgmsNtscOff", 0x1003, 1, 0, 0, "53=FF", "VBI: CGMS NTSC disable"},
    {"CgmsPalOn", 0x1003, 2, 7, 0, "56=F5", "VBI: CGMS PAL enable"},
    {"Wst625On", 0x1003, 5, 1, 0,
     "45=11 46=11 47=11 48=11 49=11 4A=11 4B=11 4C=11 4D=11 4E=11 4F=11 50=11 51=11 52=11 53=11 54=11 55=11",
     "VBI: WST625 enable"},
    {"Wst625Off", 0x1003, 6, 0, 0,
     "45=FF 46=FF 47=FF 48=FF 49=FF 4A=FF 4B=FF 4C=FF 4D=FF 4E=FF 4F=FF 50=FF 51=FF 52=FF 53=FF 54=FF 55=FF",
     "VBI: WST625 disable"},
    {"Vbi4", 0x1003, 4, 1, 0, "", nullptr},
    {"Vbi10", 0x1003, 10, 1, kNotSupported, "", nullptr},
};

class KestrelPropertyTest : public KestrelTest, public ::testing::WithParamInterface<PropertyRow> {};

TEST_P(KestrelPropertyTest, WritesWithTheBoardsFlags) {
    const PropertyRow& row = GetParam();
    EXPECT_EQ(video().SetVideoProperty(context_, device(), row.index, static_cast<u32>(row.value), row.extra),
              row.status);
    EXPECT_THAT(Bus(), ElementsAreArray(K(row.bus)));
    Lines traces = {"SetVideoProperty " + std::to_string(row.index) + " " + std::to_string(row.value)};
    if (row.trace != nullptr) traces.push_back(row.trace);
    EXPECT_THAT(Traces(), ElementsAreArray(traces));
}

INSTANTIATE_TEST_SUITE_P(Rows, KestrelPropertyTest, ::testing::ValuesIn(kPropertyRows),
                         [](const auto& info) { return std::string(info.param.name); });

// A picture control returns the host's write result; VBI write results are not reported.
TEST_F(KestrelTest, PictureWriteResultPassesBackVbiResultsDoNot) {
    host_.FailNthCall(1, 0x1234);
    EXPECT_EQ(video().SetVideoProperty(context_, device(), kPropContrast, 20, 0), 0x1234u);
    EXPECT_THAT(Bus(), ElementsAre("I2C 40 W 0B=19 f8000 !1234"));
    host_.FailMatching(Service::I2cWrite);
    EXPECT_EQ(video().SetVideoProperty(context_, device(), kPropVbiService, 5, 1), 0u);
}

// Status queries read register 1F: 0x1000 reports bit 1, 0x1001 reports 1
// while bit 6 is clear; a failed read gives 0xFFFFFFFD and 0.
TEST_F(KestrelTest, StatusQueriesReadRegister1F) {
    struct Row {
        u32 index;
        u8 reg;
        u32 value;
    };
    for (const Row& row : {Row{0x1000, 0x02, 1}, Row{0x1000, 0xFD, 0}, Row{0x1001, 0xBF, 1}, Row{0x1001, 0x40, 0}}) {
        Mark();
        host_.ScriptRead(0x40, 0x1F, {row.reg});
        EXPECT_EQ(VideoValue(row.index), row.value);
        EXPECT_THAT(Bus(), ElementsAre("I2C 40 R 1F->" + Hex32(row.reg).substr(8) + " f8000"));
        EXPECT_THAT(Traces(), ElementsAre("GetVideoProperty " + std::to_string(row.index), "GetVideoProperty return 0"));
    }
    Mark();
    host_.FailMatching(Service::I2cRead);
    u32 value = 0xEEEEEEEE;
    EXPECT_EQ(video().GetVideoProperty(context_, device(), 0x1000, &value), kBusFailure);
    EXPECT_EQ(value, 0u);
    EXPECT_THAT(Traces(), ElementsAre("GetVideoProperty 4096", "GetVideoProperty return -3"));
    Mark();
    value = 0xEEEEEEEE;
    EXPECT_EQ(video().GetVideoProperty(context_, device(), 2, &value), kNotSupported);
    EXPECT_EQ(value, 0u);
    EXPECT_THAT(Traces(), ElementsAre("GetVideoProperty 2"));
}

// ---------------------------------------------------------------------------
// Start-up.
Lines TvAudioStart() {
    return K("ctl=8000 ctl=0000 10:0030=2043 10:0040=0001 12:000B=0320 12:000E=4800 10:0020=0001 12:000D=1900 "
             "12:0010=5A00 12:0013=0200");
}

TEST_F(KestrelTest, InitVideoSourceAfterOpenProgramsSourceTwoAndNtscM) {
    VideoPropertySet properties{};
    video().GetDefaultVideoProperties(context_, device(), &properties);
    EXPECT_EQ(video().InitVideoSource(context_, device(), kKeep, kKeep, &properties), 0u);
    const Lines setup = KestrelSetup();
    EXPECT_THAT(setup, ::testing::IsSupersetOf(K("02=C1 09=40 3A=80 54=F4")));
    EXPECT_THAT(Bus(), ElementsAreArray(setup + KSource(2) + K525() + K("0A=7F 0B=3F 0D=00 0C=3F") + TvAudioStart()));
    Lines traces = {"SetVideoProperty 0 2", "SetVideoProperty 4098 1", "SetTVStandard 1"};
    for (u32 i = 1; i <= 17; ++i) traces.push_back("SetVideoProperty " + std::to_string(i) + " " +
                                                   std::to_string(properties.value[i - 1]));
    traces.push_back("*******@@@@@@@@@**************");
    EXPECT_THAT(Traces(), ElementsAreArray(traces));
}

TEST_F(KestrelTest, InitVideoSourceTakesTheGivenSourceStandardAndProperties) {
    VideoPropertySet properties{};
    for (u32 i = 0; i < 17; ++i) properties.value[i] = 100 + i;  // contrast and saturation out of range
    properties.value[4] = static_cast<u32>(-50);
    EXPECT_EQ(video().InitVideoSource(context_, device(), 0x5F0, 0, &properties), 0u);
    EXPECT_THAT(Bus(), ElementsAreArray(KestrelSetup() + KSource(0) + K625() + K("0A=FF 0D=80") + TvAudioStart()));
    EXPECT_EQ(VideoValue(kPropVideoSource), 0u);
    EXPECT_EQ(TunerValue(3), 0x5F0u);
}

// The first failed table write ends start-up; a refused source or standard
// ends it before any property or TV-audio write; later failures are ignored.
TEST_F(KestrelTest, InitVideoSourceFailures) {
    VideoPropertySet properties{};
    for (size_t failing : {1, 73, 145}) {
        Mark();
        host_.FailNthCall(failing);
        EXPECT_EQ(video().InitVideoSource(context_, device(), kKeep, kKeep, &properties), kBusFailure);
        EXPECT_EQ(host_.Log().size(), failing);
        EXPECT_THAT(Traces(), IsEmpty());
    }
    Mark();
    EXPECT_EQ(video().InitVideoSource(context_, device(), 0, kKeep, &properties), kInvalid);
    EXPECT_THAT(Bus(), ElementsAreArray(KestrelSetup() + KSource(2)));
    Mark();
    EXPECT_EQ(video().InitVideoSource(context_, device(), 0x10, 3, &properties), kInvalid);
    EXPECT_THAT(Bus(), ElementsAreArray(KestrelSetup()));
    Mark();
    host_.FailNthCall(145 + 2 + 13);  // the last write of the standard list
    EXPECT_EQ(video().InitVideoSource(context_, device(), 0x10, 1, &properties), kBusFailure);
    EXPECT_EQ(host_.Log().size(), 145u + 2 + 13);
    EXPECT_EQ(VideoValue(kPropTvStandard), 1u);
    Mark();
    host_.FailMatching(Service::I2cWriteSubaddress);
    host_.FailNthCall(145 + 2 + 13 + 1);  // brightness
    EXPECT_EQ(video().InitVideoSource(context_, device(), 1, 2, &properties), 0u);
    EXPECT_EQ(host_.Log().size(), 145u + 2 + 13 + 4 + 10);
}

// ---------------------------------------------------------------------------
// Missing pointers: 0xFFFFFFFF and no bus traffic.
TEST_F(KestrelTest, MissingContextOrRecordIsRefusedWithoutBusTraffic) {
    VideoPropertySet properties{};
    Guarded<CaptureConfig> config = HostConfig(0xA07, 720, 480);
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
    for (u32 id : {0u, 2u, 3u, 5u, 8u, 9u, 10u}) {
        EXPECT_EQ(tuner().GetTunerProperty(context_, device(), id, nullptr, record), kInvalid) << id;
    }
    for (u32 id : {1u, 4u, 6u}) EXPECT_EQ(tuner().GetTunerProperty(context_, device(), id, &value, nullptr), kInvalid);
    EXPECT_EQ(tuner().GetTunerProperty(nullptr, device(), 2, &value, nullptr), kInvalid);
    EXPECT_EQ(tuner().SetTunerProperty(nullptr, device(), 2, 1, nullptr), kInvalid);
    EXPECT_EQ(tuner().SetTunerProperty(nullptr, device(), 10, 0x12, nullptr), kInvalid);
    EXPECT_EQ(tuner().SetTunerProperty(context_, device(), 4, 0, nullptr), kInvalid);
    EXPECT_THAT(host_.Log(), IsEmpty());
    EXPECT_TRUE(config.GuardIntact());
    // Without a host table start-up reports the bus as missing.
    host_.RegisterTable(nullptr);
    EXPECT_EQ(video().InitVideoSource(context_, device(), 1, 2, &properties), kBusFailure);
    host_.Register();
    EXPECT_THAT(host_.Log(), IsEmpty());
}

}  // namespace
}  // namespace trel::test
