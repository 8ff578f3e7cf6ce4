// Heron I, and the rules Bittern shares with it (source and input selection,
// standard bookkeeping, picture controls, status queries, start-up order):
// those run on both boards. Expected bytes are transcribed, not computed.
#include "saa7115_support.h"
#include "session.h"

namespace trel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr size_t kBoth = 99;
const VideoPropertySet kDefaults = {{50, 0, 50, 0, 0, 0, 50, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0}};

class HeronTest : public HostTest {
protected:
    static std::vector<size_t> Boards(size_t only) {
        return only == kBoth ? std::vector<size_t>{kHeronI, kBittern} : std::vector<size_t>{only};
    }
    // "<525>" and "<625>" stand for the board's standard list.
    static std::vector<std::string> Expand(size_t b, const std::string& list) {
        std::string text = list;
        for (auto [tag, heron, bittern] : {std::tuple{"<525>", &kHeron525, &kBittern525},
                                           std::tuple{"<625>", &kHeron625, &kBittern625}}) {
            if (const size_t at = text.find(tag); at != std::string::npos) {
                text.replace(at, 5, b == kHeronI ? *heron : *bittern);
            }
        }
        return Writes(text);
    }
    const VideoOps& V(size_t b) { return *board(b).videoOps; }
    u32 Set(size_t b, void* c, u32 index, u32 value, u32 extra = 0) {
        return V(b).SetVideoProperty(c, device(), index, value, extra);
    }
    u32 Get(size_t b, void* c, u32 index) {
        u32 value = 0xDEADBEEF;
        EXPECT_EQ(V(b).GetVideoProperty(c, device(), index, &value), 0u);
        return value;
    }
    u32 Init(size_t b, void* c, u32 standard, u32 source, const VideoPropertySet* p = &kDefaults) {
        return V(b).InitVideoSource(c, device(), standard, source, p);
    }
    std::vector<std::string> Setup(size_t b) { return Writes(b == kHeronI ? kHeronSetup : kBitternSetup); }
};

// ---------------------------------------------------------------------------
// SetVideoProperty: one row per case; after open the board records source 0
// and standard 1.
struct PropertyRow {
    const char* name;
    size_t only;
    u32 index;
    s32 value;
    u32 extra;
    u32 status;
    std::string writes;
    std::vector<std::string> traces;  // after "SetVideoProperty <index> <value>"
    u32 source;
    u32 standard;
};

class HeronPropertyTest : public HeronTest, public ::testing::WithParamInterface<PropertyRow> {};

TEST_P(HeronPropertyTest, BusTracesAndState) {
    const PropertyRow& r = GetParam();
    for (size_t b : Boards(r.only)) {
        SCOPED_TRACE(BoardName(b));
        void* context = Open(b);
        Mark();
        EXPECT_EQ(Set(b, context, r.index, static_cast<u32>(r.value), r.extra), r.status);
        EXPECT_THAT(Bus(), ElementsAreArray(Expand(b, r.writes)));
        std::vector<std::string> traces = {"SetVideoProperty " + std::to_string(r.index) + " " +
                                           std::to_string(r.value)};
        traces.insert(traces.end(), r.traces.begin(), r.traces.end());
        EXPECT_THAT(Traces(), ElementsAreArray(traces));
        EXPECT_EQ(Get(b, context, 0), r.source);
        EXPECT_EQ(Get(b, context, 0x1002), r.standard);
    }
}

std::string Wst(const char* value) {
    std::string list;
    for (int line = 6; line <= 22; ++line) {
        char entry[8];
        std::snprintf(entry, sizeof(entry), "%02X=%s ", 0x3F + line, value);
        list += entry;
    }
    return list;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HeronPropertyTest,
    ::testing::Values(
        // Source (index 0).
        PropertyRow{"Source1", kBoth, 0, 1, 0, 0, "02=C0 09=40", {}, 1, 1},
        PropertyRow{"Source0", kBoth, 0, 0, 0, 0, "02=C9 09=80", {}, 0, 1},
        PropertyRow{"Source2", kBoth, 0, 2, 0, kInvalid, "", {"Error:Unknown Video Source 2!!!"}, 0, 1},
        PropertyRow{"SourceMinus1", kBoth, 0, -1, 0, kInvalid, "", {"Error:Unknown Video Source -1!!!"}, 0, 1},
        // TV standard (0x1002): the family list, the whole mask recorded.
        PropertyRow{"NtscFamily", kBoth, 0x1002, 0xA07, 0, 0, "<525>", {}, 0, 0xA07},
        PropertyRow{"NtscM", kBoth, 0x1002, 0x1, 0, 0, "<525>", {}, 0, 0x1},
        PropertyRow{"Pal60", kBoth, 0x1002, 0x800, 0, 0, "<525>", {}, 0, 0x800},
        PropertyRow{"PalB", kBoth, 0x1002, 0x10, 0, 0, "<625>", {}, 0, 0x10},
        PropertyRow{"PalN", kBoth, 0x1002, 0x400, 0, 0, "<625>", {}, 0, 0x400},
        PropertyRow{"SecamK", kBoth, 0x1002, 0x10000, 0, 0, "<625>", {}, 0, 0x10000},
        PropertyRow{"SecamFamily", kBoth, 0x1002, 0xFF000, 0, 0, "<625>", {}, 0, 0xFF000},
        PropertyRow{"NtscAndPal", kBoth, 0x1002, 0x11, 0, 0, "<525>", {}, 0, 0x11},
        PropertyRow{"PalNCombo", kBoth, 0x1002, 0x100000, 0, 0, "", {}, 0, 0x100000},
        PropertyRow{"KeepStandard", kBoth, 0x1002, -1, 0, 0, "", {}, 0, 1},
        PropertyRow{"ZeroStandard", kBoth, 0x1002, 0, 0, kInvalid, "", {}, 0, 1},
        // Picture controls; out of range writes nothing.
        PropertyRow{"Brightness0", kBoth, 1, 0, 0, 0, "0A=00", {}, 0, 1},
        PropertyRow{"Brightness60", kBoth, 1, 60, 0, 0, "0A=99", {}, 0, 1},
        PropertyRow{"Brightness100", kBoth, 1, 100, 0, 0, "0A=FF", {}, 0, 1},
        PropertyRow{"Brightness101", kBoth, 1, 101, 0, kInvalid, "", {}, 0, 1},
        PropertyRow{"BrightnessMinus1", kBoth, 1, -1, 0, kInvalid, "", {}, 0, 1},
        PropertyRow{"Contrast50", kBoth, 3, 50, 0, 0, "0B=3F", {}, 0, 1},
        PropertyRow{"Contrast100", kBoth, 3, 100, 0, 0, "0B=7F", {}, 0, 1},
        PropertyRow{"Contrast101", kBoth, 3, 101, 0, kInvalid, "", {}, 0, 1},
        PropertyRow{"Saturation100", kBoth, 7, 100, 0, 0, "0C=7F", {}, 0, 1},
        PropertyRow{"SaturationMinus5", kBoth, 7, -5, 0, kInvalid, "", {}, 0, 1},
        PropertyRow{"HueMinus50", kBoth, 5, -50, 0, 0, "0D=80", {}, 0, 1},
        PropertyRow{"HueMinus25", kBoth, 5, -25, 0, 0, "0D=C0", {}, 0, 1},
        PropertyRow{"HueMinus1", kBoth, 5, -1, 0, 0, "0D=FD", {}, 0, 1},
        PropertyRow{"Hue0", kBoth, 5, 0, 0, 0, "0D=00", {}, 0, 1},
        PropertyRow{"Hue25", kBoth, 5, 25, 0, 0, "0D=3F", {}, 0, 1},
        PropertyRow{"Hue50", kBoth, 5, 50, 0, 0, "0D=7F", {}, 0, 1},
        PropertyRow{"Hue51", kBoth, 5, 51, 0, kInvalid, "", {}, 0, 1},
        PropertyRow{"HueMinus51", kBoth, 5, -51, 0, kInvalid, "", {}, 0, 1},
        PropertyRow{"HueHuge", kBoth, 5, 0x7FFFFFFF, 0, kInvalid, "", {}, 0, 1},
        // Unknown indexes (the status queries are read only).
        PropertyRow{"Index2", kBoth, 2, 3, 0, kNotSupported, "", {}, 0, 1},
        PropertyRow{"Index9", kBoth, 9, 3, 0, kNotSupported, "", {}, 0, 1},
        PropertyRow{"Index1000", kBoth, 0x1000, 3, 0, kNotSupported, "", {}, 0, 1},
        PropertyRow{"Index1004", kBoth, 0x1004, 3, 0, kNotSupported, "", {}, 0, 1},
        PropertyRow{"BitternVbi", kBittern, 0x1003, 1, 1, kNotSupported, "", {}, 0, 1},
        // Heron I's VBI services (0x1003; extra switches them).
        PropertyRow{"CgmsNtscOn", kHeronI, 0x1003, 1, 1, 0, "53=F5", {"VBI: CGMS NTSC enable"}, 0, 1},
        PropertyRow{"CgmsNtscOff", kHeronI, 0x1003, 1, 0, 0, "53=FF", {"VBI: CGMS NTSC disable"}, 0, 1},
        PropertyRow{"CgmsPalOn", kHeronI, 0x1003, 2, 7, 0, "56=F5", {"VBI: CGMS PAL enable"}, 0, 1},
        PropertyRow{"CaptionOn", kHeronI, 0x1003, 3, 1, 0, "54=F4", {"VBI: Close Caption enable"}, 0, 1},
        PropertyRow{"CaptionOff", kHeronI, 0x1003, 3, 0, 0, "54=FF", {"VBI: Close Caption disable"}, 0, 1},
        PropertyRow{"Wst625On", kHeronI, 0x1003, 5, 1, 0, Wst("F1"), {"VBI: WST625 enable"}, 0, 1},
        PropertyRow{"Wst625Off", kHeronI, 0x1003, 5, 0, 0, Wst("FF"), {"VBI: WST625 disable"}, 0, 1},
        PropertyRow{"Wst625On6", kHeronI, 0x1003, 6, 1, 0, Wst("F1"), {"VBI: WST625 enable"}, 0, 1},
        PropertyRow{"Service4", kHeronI, 0x1003, 4, 1, 0, "", {}, 0, 1},
        PropertyRow{"Service7", kHeronI, 0x1003, 7, 1, 0, "", {}, 0, 1},
        PropertyRow{"Service9", kHeronI, 0x1003, 9, 0, 0, "", {}, 0, 1},
        PropertyRow{"Service0", kHeronI, 0x1003, 0, 1, kNotSupported, "", {}, 0, 1},
        PropertyRow{"Service10", kHeronI, 0x1003, 10, 1, kNotSupported, "", {}, 0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// A failed standard write anywhere in the list: all writes still made, the
// failure reported, the old standard kept.
TEST_F(HeronTest, StandardWriteFailureAtFirstMiddleAndLast) {
    for (size_t b : Boards(kBoth)) {
        const std::vector<std::string> list = Expand(b, "<625>");
        for (size_t failAt : {size_t{1}, size_t{6}, list.size()}) {
            SCOPED_TRACE(BoardName(b) + " write " + std::to_string(failAt));
            void* context = Open(b);
            Mark();
            host_.FailNthCall(failAt, 0x55);
            EXPECT_EQ(Set(b, context, 0x1002, 0x10), kBusFailure);
            std::vector<std::string> expected = list;
            expected[failAt - 1] += " !55";
            EXPECT_THAT(Bus(), ElementsAreArray(expected));
            EXPECT_EQ(Get(b, context, 0x1002), 1u);
        }
    }
}

// Where results are not checked they are not reported; picture writes hand
// back the host's own result.
TEST_F(HeronTest, UncheckedAndPassedBackResults) {
    for (size_t b : Boards(kBoth)) {
        void* context = Open(b);
        Mark();
        host_.FailMatching(Service::I2cWrite, -1, -1, 0x1234);
        EXPECT_EQ(Set(b, context, 1, 10), 0x1234u);
        EXPECT_EQ(board(b).inputOps->Set_Current_Video_InputID(context, device(), 0), 0u);
        if (b == kHeronI) {
            EXPECT_EQ(Set(b, context, 0x1003, 5, 1), 0u);
        }
        EXPECT_EQ(Bus().size(), b == kHeronI ? 20u : 3u);
        EXPECT_EQ(Get(b, context, 0), 1u);
        host_.ClearFailures();
    }
}

TEST_F(HeronTest, InputSelection) {
    struct Row {
        u32 input;
        std::string writes;
        u32 status;
        u32 inputType;  // GetVideoInputType reports the selection back
    };
    for (size_t b : Boards(kBoth)) {
        for (const Row& r : {Row{0, "02=C0 09=40", 0, 0}, Row{1, "02=C9 09=80", 0, 1}, Row{2, "", kInvalid, 1}}) {
            void* context = Open(b);
            Mark();
            EXPECT_EQ(board(b).inputOps->Set_Current_Video_InputID(context, device(), r.input), r.status);
            EXPECT_THAT(Bus(), ElementsAreArray(Writes(r.writes)));
            EXPECT_THAT(Traces(), ElementsAre("Set_Current_Video_InputID " + std::to_string(r.input)));
            EXPECT_EQ(board(b).inputOps->GetVideoInputType(context), r.inputType);
        }
    }
}

// ---------------------------------------------------------------------------
// GetVideoProperty: the status byte (register 1F), source, standard.
TEST_F(HeronTest, StatusQueries) {
    struct Row {
        u8 status;
        u32 bit1;    // 0x1000: bit 1
        u32 locked;  // 0x1001: bit 6 clear
    };
    for (size_t b : Boards(kBoth)) {
        void* context = Open(b);
        for (const Row& r : {Row{0x00, 0, 1}, Row{0x02, 1, 1}, Row{0x40, 0, 0}, Row{0xBD, 0, 1}, Row{0xFF, 1, 0}}) {
            host_.SetReg(0x40, 0x1F, r.status);
            Mark();
            EXPECT_EQ(Get(b, context, 0x1000), r.bit1);
            EXPECT_EQ(Get(b, context, 0x1001), r.locked);
            EXPECT_THAT(Bus(), ElementsAre("I2C 40 R 1F->" + Hex32(r.status).substr(8), "I2C 40 R 1F->" +
                                                                                          Hex32(r.status).substr(8)));
            EXPECT_THAT(Traces(), ElementsAre("GetVideoProperty 4096", "GetVideoProperty return 0",
                                              "GetVideoProperty 4097", "GetVideoProperty return 0"));
        }
        host_.FailMatching(Service::I2cRead);
        for (u32 index : {0x1000u, 0x1001u}) {
            Mark();
            u32 value = 0xDEADBEEF;
            EXPECT_EQ(V(b).GetVideoProperty(context, device(), index, &value), kBusFailure);
            EXPECT_EQ(value, 0u);
            EXPECT_THAT(Traces(), ElementsAre("GetVideoProperty " + std::to_string(index), "GetVideoProperty return -3"));
        }
        host_.ClearFailures();
        Mark();
        EXPECT_EQ(Get(b, context, 0), 0u);
        EXPECT_EQ(Get(b, context, 0x1002), 1u);
        EXPECT_THAT(Traces(), ElementsAre("GetVideoProperty 0", "GetVideoProperty return 0", "GetVideoProperty 4098",
                                          "GetVideoProperty return 0"));
        Mark();
        u32 value = 0xDEADBEEF;
        EXPECT_EQ(V(b).GetVideoProperty(context, device(), 2, &value), kNotSupported);
        EXPECT_EQ(value, 0u);
        EXPECT_THAT(Traces(), ElementsAre("GetVideoProperty 2"));
        EXPECT_THAT(Bus(), IsEmpty());
    }
}

// A null pointer the operation would use is refused, with no traffic.
TEST_F(HeronTest, NullPointersRefusedWithoutTraffic) {
    for (size_t b : Boards(kBoth)) {
        void* context = Open(b);
        Mark();
        EXPECT_EQ(Set(b, nullptr, 0, 1), kInvalid);
        EXPECT_EQ(Set(b, nullptr, 0x1002, 0x10), kInvalid);
        EXPECT_EQ(board(b).inputOps->Set_Current_Video_InputID(nullptr, device(), 0), kInvalid);
        u32 value = 7;
        EXPECT_EQ(V(b).GetVideoProperty(nullptr, device(), 0x1002, &value), kInvalid);
        EXPECT_EQ(V(b).GetVideoProperty(context, device(), 0, nullptr), kInvalid);
        EXPECT_EQ(Init(b, nullptr, kKeep, kKeep), kInvalid);
        EXPECT_EQ(Init(b, context, kKeep, kKeep, nullptr), kInvalid);
        host_.RegisterTable(nullptr);
        EXPECT_EQ(Init(b, context, kKeep, kKeep), kBusFailure);
        host_.Register();
        EXPECT_THAT(Bus(), IsEmpty());
    }
}

// ---------------------------------------------------------------------------
// InitVideoSource on both boards.
TEST_F(HeronTest, InitKeepsSourceAndStandardThenAppliesTheProperties) {
    for (size_t b : Boards(kBoth)) {
        void* context = Open(b);
        Mark();
        EXPECT_EQ(Init(b, context, kKeep, kKeep), 0u);
        EXPECT_THAT(Bus(), ElementsAreArray(Join({Setup(b), Expand(b, "02=C9 09=80 <525> 0A=7F 0B=3F 0D=00 0C=3F")})));
        std::vector<std::string> traces = {"SetVideoProperty 0 0", "SetVideoProperty 4098 1"};
        for (u32 i = 0; i < 17; ++i) {
            traces.push_back("SetVideoProperty " + std::to_string(i + 1) + " " + std::to_string(kDefaults.value[i]));
        }
        EXPECT_THAT(Traces(), ElementsAreArray(traces));
        // Given source and standard are recorded and kept by the next call.
        VideoPropertySet p = kDefaults;
        p.value[0] = 100;                    // brightness
        p.value[4] = static_cast<u32>(-50);  // hue
        p.value[6] = 101;                    // saturation out of range: skipped
        EXPECT_EQ(Init(b, context, 0x1000, 1, &p), 0u);
        Mark();
        EXPECT_EQ(Init(b, context, kKeep, kKeep, &p), 0u);
        EXPECT_THAT(Bus(), ElementsAreArray(Join({Setup(b), Expand(b, "02=C0 09=40 <625> 0A=FF 0B=3F 0D=80")})));
    }
}

// The set-up table stops at its first failed write; nothing follows.
TEST_F(HeronTest, InitTableFailureAtFirstMiddleAndLastEntry) {
    for (size_t b : Boards(kBoth)) {
        for (size_t failAt : {1u, 73u, 145u}) {
            SCOPED_TRACE(BoardName(b) + " entry " + std::to_string(failAt));
            void* context = Open(b);
            Mark();
            host_.FailNthCall(failAt);
            EXPECT_EQ(Init(b, context, 0x10, 1), kBusFailure);
            std::vector<std::string> expected = Setup(b);
            expected.resize(failAt);
            expected.back() += " !1";
            EXPECT_THAT(Bus(), ElementsAreArray(expected));
            EXPECT_THAT(Traces(), IsEmpty());
            EXPECT_EQ(Get(b, context, 0), 0u);
            EXPECT_EQ(Get(b, context, 0x1002), 1u);
        }
    }
}

// A refused source or standard ends start-up with its status before any
// picture property; failed property writes do not.
TEST_F(HeronTest, InitStopsAtSourceOrStandard) {
    for (size_t b : Boards(kBoth)) {
        void* context = Open(b);
        const size_t standardWrites = Expand(b, "<525>").size();
        Mark();
        EXPECT_EQ(Init(b, context, 0, 1), kInvalid);
        EXPECT_THAT(Bus(), ElementsAreArray(Join({Setup(b), Writes("02=C0 09=40")})));
        EXPECT_THAT(Traces(), ElementsAre("SetVideoProperty 0 1", "SetVideoProperty 4098 0"));
        Mark();
        EXPECT_EQ(Init(b, context, 0x10, 2), kInvalid);
        EXPECT_THAT(Bus(), ElementsAreArray(Setup(b)));
        EXPECT_THAT(Traces(), ElementsAre("SetVideoProperty 0 2", "Error:Unknown Video Source 2!!!"));
        Mark();
        host_.FailNthCall(145 + 2 + 3);
        EXPECT_EQ(Init(b, context, kKeep, kKeep), kBusFailure);
        EXPECT_EQ(Bus().size(), 145 + 2 + standardWrites);
        Mark();
        host_.FailNthCall(145 + 2 + standardWrites + 1);  // brightness
        EXPECT_EQ(Init(b, context, kKeep, kKeep), 0u);
        EXPECT_EQ(Bus().size(), 145 + 2 + standardWrites + 4);
    }
}

// ---------------------------------------------------------------------------
// Heron I capture start: the scaler for the requested size.

// The 18 horizontal writes for width w, prescale p, increments s and s2.
std::string Horizontal(u32 w, u32 p, u32 s, u32 s2) {
    char text[160];
    std::snprintf(text, sizeof(text),
                  "9C=%02X 9D=%02X A0=%02X A8=%02X A9=%02X AC=%02X AD=%02X CC=%02X CD=%02X D0=%02X D8=%02X "
                  "D9=%02X DC=%02X DD=%02X A1=01 D1=01 A2=01 D2=01 ",
                  w & 0xFF, w >> 8, p, s & 0xFF, s >> 8, s2 & 0xFF, s2 >> 8, w & 0xFF, w >> 8, p, s & 0xFF, s >> 8,
                  s2 & 0xFF, s2 >> 8);
    return text;
}
// The 12 vertical frame writes for window n and increment y.
std::string Vertical(u32 n, u32 y) {
    char text[96];
    std::snprintf(text, sizeof(text),
                  "9E=%02X 9F=%02X B0=%02X B1=%02X B2=%02X B3=%02X CE=%02X CF=%02X E0=%02X E1=%02X E2=%02X E3=%02X",
                  n & 0xFF, n >> 8, y & 0xFF, y >> 8, y & 0xFF, y >> 8, n & 0xFF, n >> 8, y & 0xFF, y >> 8, y & 0xFF,
                  y >> 8);
    return text;
}
// Single-field settings, as listed for the board.
const std::string kNtsc144 = "9E=96 9F=00 B0=AA B1=06 B2=AA B3=06 CE=96 CF=00 E0=AA E1=06 E2=AA E3=06 ";
const std::string kNtsc240 = "9E=F2 9F=00 B0=00 B1=04 B2=00 B3=04 CE=F2 CF=00 E0=00 E1=04 E2=00 E3=04 ";
const std::string kPal144 = "9E=96 9F=00 B0=00 B1=08 B2=00 B3=08 CE=96 CF=00 E0=00 E1=08 E2=00 E3=08 ";
const std::string kPal288 = "CE=20 CF=01 E0=00 E1=04 E2=00 E3=04 9E=20 9F=01 B0=00 B1=04 B2=00 B3=04 ";
const std::string kFull = Horizontal(720, 1, 0x400, 0x200);

constexpr int kUntouched = -1;

struct CaptureRow {
    const char* name;
    u32 mask;
    u32 width;
    u32 height;
    std::string writes;
    u32 status;
    int heightDoubled;  // kUntouched or the value written
    int vOffset;        // kUntouched or the value written (hOffset, widthDoubled, sizeFlag3: 0 with it)
};

class HeronICaptureTest : public HeronTest, public ::testing::WithParamInterface<CaptureRow> {};

TEST_P(HeronICaptureTest, ScalerAndConfigFields) {
    const CaptureRow& r = GetParam();
    void* context = Open(kHeronI);
    Guarded<CaptureConfig> config = HostConfig(r.mask, r.width, r.height);
    Guarded<CaptureConfig> expected = config;
    if (r.vOffset != kUntouched) {
        expected->hOffset = 0;
        expected->vOffset = static_cast<u32>(r.vOffset);
        expected->widthDoubled = 0;
        expected->sizeFlag3 = 0;
    }
    if (r.heightDoubled != kUntouched) expected->heightDoubled = static_cast<u8>(r.heightDoubled);
    Mark();
    EXPECT_EQ(V(kHeronI).OnStartCapture(context, device(), config.get()), r.status);
    EXPECT_THAT(Bus(), ElementsAreArray(Writes(r.writes)));
    ExpectSameBytes(config, expected);
    EXPECT_THAT(Traces(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HeronICaptureTest,
    ::testing::Values(
        CaptureRow{"Ntsc720x480", 0xA07, 720, 480, kFull + Vertical(0xF2, 0x400), 0, 0, 4},
        CaptureRow{"Ntsc320x240", 0xA07, 320, 240, Horizontal(320, 2, 0x480, 0x240) + kNtsc240, 0, 1, 4},
        CaptureRow{"Pal352x288", 0x5F0, 352, 288, Horizontal(352, 2, 0x417, 0x20B) + kPal288, 0, 1, 0},
        CaptureRow{"NtscMOnly720x480", 0x1, 720, 480, kFull + Vertical(0xF2, 0x400), 0, 0, 0},
        CaptureRow{"Pal720x200", 0x5F0, 720, 200, kFull, 0, kUntouched, 0},
        CaptureRow{"Ntsc640x360", 0xA07, 640, 360, Horizontal(640, 1, 0x480, 0x240) + Vertical(0xB6, 0x555), 0, 0, 4},
        CaptureRow{"Ntsc176x144", 0xA07, 176, 144, Horizontal(176, 4, 0x417, 0x20B) + kNtsc144, 0, 1, 4},
        CaptureRow{"Ntsc720x241", 0xA07, 720, 241, kFull + Vertical(0x7A, 0x7F7), 0, 0, 4},
        CaptureRow{"Pal720x576", 0x5F0, 720, 576, kFull + Vertical(0x120, 0x400), 0, 0, 0},
        CaptureRow{"Secam720x144", 0xFF000, 720, 144, kFull + kPal144, 0, 1, 0},
        // Both families: 625-line figures, the 525-line window, both field tests.
        CaptureRow{"NtscPal720x480", 0x11, 720, 480, kFull + Vertical(0xF2, 0x4CC), 0, 0, 0},
        CaptureRow{"NtscPal720x144", 0x11, 720, 144, kFull + kNtsc144 + kPal144, 0, 1, 0},
        CaptureRow{"NtscPal704x240", 0x11, 704, 240, Horizontal(704, 1, 0x417, 0x20B) + kNtsc240, 0, 1, 0},
        // Width 1: the prescale 720 keeps only its low byte.
        CaptureRow{"Ntsc1x480", 0xA07, 1, 480, Horizontal(1, 0xD0, 0xC00, 0x600) + Vertical(0xF2, 0x400), 0, 0, 4},
        // No family: no line counts, nothing written or changed.
        CaptureRow{"NoFamily", 0x100000, 720, 480, "", 0, kUntouched, kUntouched},
        CaptureRow{"NoFamilyWidth0", 0x100000, 0, 480, "", 0, kUntouched, kUntouched},
        // No prescale ratio for these widths: refused, record untouched.
        CaptureRow{"Width0", 0xA07, 0, 480, "", kInvalid, kUntouched, kUntouched},
        CaptureRow{"Width721", 0x5F0, 721, 576, "", kInvalid, kUntouched, kUntouched}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HeronTest, HeronICaptureIgnoresBusFailuresAndNeedsAConfig) {
    Guarded<CaptureConfig> config = HostConfig(0xA07, 720, 480);
    host_.FailMatching(Service::I2cWrite);
    EXPECT_EQ(V(kHeronI).OnStartCapture(nullptr, device(), config.get()), 0u);
    EXPECT_EQ(host_.Log().size(), 30u);
    EXPECT_EQ(config->vOffset, 4u);
    Mark();
    EXPECT_EQ(V(kHeronI).OnStartCapture(nullptr, device(), nullptr), kInvalid);
    EXPECT_THAT(Traces(), ElementsAre("OnStartCapture video_config == NULL"));
    EXPECT_THAT(Bus(), IsEmpty());
}

// The host's usual sequence (trelhost run) with a chosen standard and size:
// the decoder is programmed for that standard before the capture starts.
TEST_F(HeronTest, HeronIHostSessionWithStandardAndSize) {
    std::vector<host::SessionStep> steps;
    ASSERT_TRUE(host::RunUsualSequence(host_, kHeronI, {352, 288, 0x5F0},
                                       [&](const host::SessionStep& step) { steps.push_back(step); }));
    std::vector<std::string> names;
    for (const host::SessionStep& step : steps) {
        names.push_back(step.operation);
        EXPECT_THAT(step.problems, IsEmpty()) << step.operation;
        if (step.status && step.operation.rfind("Get", 0) != 0) {
            EXPECT_EQ(*step.status, 0u) << step.operation;
        }
        std::vector<std::string> bus;
        for (const BusCall& call : step.bus) bus.push_back(call.Format());
        if (step.operation == "InitVideoSource") {
            EXPECT_THAT(bus, ElementsAreArray(
                                 Join({Setup(kHeronI), Expand(kHeronI, "02=C9 09=80 <625> 0A=7F 0B=3F 0D=00 0C=3F")})));
        }
        if (step.operation == "InitAudio") {  // the audio clock follows the recorded 625-line standard
            EXPECT_THAT(bus, ElementsAreArray(Writes("30=00 31=E0 32=01 34=00 35=00 36=20")));
        }
        if (step.operation == "OnStartCapture") {
            EXPECT_THAT(bus, ElementsAreArray(Writes(Horizontal(352, 2, 0x417, 0x20B) + kPal288)));
            ASSERT_TRUE(step.captureConfig.has_value());
            EXPECT_EQ(step.captureConfig->heightDoubled, 1);
            EXPECT_EQ(step.captureConfig->vOffset, 0u);
        }
    }
    EXPECT_THAT(names, ElementsAre("OpenBoard", "GetVideoSourceCaps", "GetVideoFormats", "GetStreamFormatTable",
                                   "GetDefaultVideoProperties", "InitVideoSource", "GetAudioSourceCaps",
                                   "GetAudioChipconfig", "InitAudio", "GetVideoInputs", "GetVideoInputType",
                                   "OnStartCapture", "CloseBoard"));
}

// The whole default session against the reviewed golden trace.
TEST_F(HeronTest, HeronIGoldenSession) {
    GoldenSession golden(host_);
    Mark();
    golden.Run(kHeronI);
    golden.Check("heron_i_session.txt");
}

}  // namespace
}  // namespace trel::test
