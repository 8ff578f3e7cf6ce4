// Heron I (SAA7115 at 0x40, flags 0), and the rules Bittern shares with it:
// source and input selection, standard bookkeeping, picture controls and the
// status queries. Expected register values are transcribed from the board's
// register tables, not computed.
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

// "9E=F2 9F=00" -> {"I2C 40 W 9E=F2", "I2C 40 W 9F=00"}.
std::vector<std::string> Writes(const std::string& list) {
    std::vector<std::string> lines;
    std::istringstream in(list);
    for (std::string entry; in >> entry;) lines.push_back("I2C 40 W " + entry);
    return lines;
}
std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Heron I's decoder set-up table, as listed for the board.
const std::string kHeronSetup =
    "01=08 02=C9 03=20 04=80 05=80 06=EB 07=E0 08=F0 09=80 0A=80 0B=40 0C=40 0D=00 0E=03 0F=2A 10=0E "
    "11=00 12=8D 13=00 14=00 15=11 16=01 17=DA 18=40 19=80 1A=00 1B=42 1C=A9 30=66 31=90 32=01 34=00 "
    "35=00 36=20 38=03 39=20 3A=88 40=00 41=FF 42=FF 43=FF 44=FF 45=FF 46=FF 47=FF 48=FF 49=FF 4A=FF "
    "4B=FF 4C=FF 4D=FF 4E=FF 4F=FF 50=FF 51=FF 52=FF 53=FF 54=FF 55=FF 56=FF 57=FF 58=40 59=47 5A=06 "
    "5B=83 5D=06 5E=00 80=30 81=03 83=00 84=00 85=00 86=45 87=31 88=C0 90=02 91=08 92=09 93=80 94=02 "
    "95=00 96=D0 97=02 98=10 99=00 9A=F2 9B=00 9C=D0 9D=02 9E=F2 9F=00 A0=01 A1=00 A2=00 A4=80 A5=40 "
    "A6=40 A8=00 A9=04 AA=00 AC=00 AD=02 AE=00 B0=00 B1=04 B2=00 B3=04 B4=00 B8=00 BC=00 C0=03 C1=08 "
    "C2=09 C3=80 C4=02 C5=00 C6=D0 C7=02 C8=10 C9=00 CA=F2 CB=00 CC=D0 CD=02 CE=F2 CF=00 D0=01 D1=00 "
    "D2=00 D4=80 D5=40 D6=40 D8=00 D9=04 DA=00 DC=00 DD=02 DE=00 E0=00 E1=04 E2=00 E3=04 E4=00 E8=00 "
    "88=F0";
const std::string kHeronNtsc = "88=C0 98=10 9A=F2 9B=00 9E=F2 9F=00 C8=10 CA=F2 CB=00 CE=F2 CF=00 88=F0 5A=06";
const std::string kHeronPal = "88=C0 98=16 9A=20 9B=01 9E=20 9F=01 C8=16 CA=20 CB=01 CE=20 CF=01 88=F0 5A=03";
const std::string kBitternNtsc = "88=C0 98=10 9A=F2 9B=00 9E=F2 9F=00 C8=10 CA=F2 CB=00 CE=F2 CF=00 88=F0";
const std::string kBitternPal = "88=C0 98=14 9A=20 9B=01 9E=20 9F=01 C8=14 CA=20 CB=01 CE=20 CF=01 88=F0";
const std::string kSource0 = "02=C9 09=80";
const std::string kSource1 = "02=C0 09=40";

std::string StandardList(size_t board, bool ntsc) {
    if (board == kHeronI) return ntsc ? kHeronNtsc : kHeronPal;
    return ntsc ? kBitternNtsc : kBitternPal;
}

class HeronTest : public HostTest {
protected:
    u32 Set(size_t b, void* context, u32 index, u32 value, u32 extra = 0) {
        return board(b).videoOps->SetVideoProperty(context, device(), index, value, extra);
    }
    u32 Get(size_t b, void* context, u32 index, u32* value) {
        return board(b).videoOps->GetVideoProperty(context, device(), index, value);
    }
    u32 GetValue(size_t b, void* context, u32 index) {
        u32 value = 0xDEADBEEF;
        EXPECT_EQ(Get(b, context, index, &value), 0u);
        return value;
    }
    u32 Init(size_t b, void* context, u32 standard, u32 source, const VideoPropertySet* properties) {
        return board(b).videoOps->InitVideoSource(context, device(), standard, source, properties);
    }
};

constexpr size_t kHeronBoards[] = {kHeronI, kBittern};

// ---------------------------------------------------------------------------
// Source selection (property 0) and input selection: one function, two boards.
struct SourceCase {
    const char* name;
    u32 source;
    std::string writes;
    u32 status;
    u32 sourceAfter;
    std::vector<std::string> traces;
};

class HeronSourceTest : public HeronTest, public ::testing::WithParamInterface<SourceCase> {};

TEST_P(HeronSourceTest, PropertyZero) {
    const SourceCase& c = GetParam();
    for (size_t b : kHeronBoards) {
        SCOPED_TRACE(BoardName(b));
        void* context = Open(b);
        Set(b, context, 0, 1);  // start from source 1 so that 0 shows
        Mark();
        EXPECT_EQ(Set(b, context, 0, c.source), c.status);
        EXPECT_THAT(Bus(), ElementsAreArray(Writes(c.writes)));
        EXPECT_THAT(Traces(), ElementsAreArray(c.traces));
        EXPECT_EQ(GetValue(b, context, 0), c.sourceAfter);
        for (const BusCall& call : host_.Log()) EXPECT_EQ(call.flags, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeronSourceTest,
    ::testing::Values(SourceCase{"Source0", 0, kSource0, 0, 0, {"SetVideoProperty 0 0"}},
                      SourceCase{"Source1", 1, kSource1, 0, 1, {"SetVideoProperty 0 1"}},
                      SourceCase{"Source2", 2, "", kInvalid, 1,
                                 {"SetVideoProperty 0 2", "Error:Unknown Video Source 2!!!"}},
                      SourceCase{"SourceMinus1", kKeep, "", kInvalid, 1,
                                 {"SetVideoProperty 0 -1", "Error:Unknown Video Source -1!!!"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct InputCase {
    u32 input;
    std::string writes;
    u32 status;
    u32 inputTypeAfter;  // GetVideoInputType reports the selection back
};

class HeronInputTest : public HeronTest, public ::testing::WithParamInterface<InputCase> {};

TEST_P(HeronInputTest, SetCurrentVideoInputId) {
    const InputCase& c = GetParam();
    for (size_t b : kHeronBoards) {
        SCOPED_TRACE(BoardName(b));
        void* context = Open(b);
        Mark();
        EXPECT_EQ(board(b).inputOps->Set_Current_Video_InputID(context, device(), c.input), c.status);
        EXPECT_THAT(Bus(), ElementsAreArray(Writes(c.writes)));
        EXPECT_THAT(Traces(), ElementsAre("Set_Current_Video_InputID " + std::to_string(c.input)));
        EXPECT_EQ(board(b).inputOps->GetVideoInputType(context), c.inputTypeAfter);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, HeronInputTest,
                         ::testing::Values(InputCase{0, kSource1, 0, 0}, InputCase{1, kSource0, 0, 1},
                                           InputCase{2, "", kInvalid, 1}));

TEST_F(HeronTest, InputSelectionIgnoresWriteFailures) {
    for (size_t b : kHeronBoards) {
        void* context = Open(b);
        Mark();
        host_.FailMatching(Service::I2cWrite, 0x40, 0x02);
        EXPECT_EQ(board(b).inputOps->Set_Current_Video_InputID(context, device(), 0), 0u);
        EXPECT_EQ(host_.Log().size(), 2u);
        EXPECT_EQ(board(b).inputOps->GetVideoInputType(context), 0u);
        host_.ClearFailures();
    }
}

// ---------------------------------------------------------------------------
// TV standard (property 0x1002): the list by family, the mask recorded whole.
struct StandardCase {
    const char* name;
    u32 standard;
    int list;  // 1 NTSC list, 2 PAL/SECAM list, 0 none
    u32 status;
    u32 recorded;
};

class HeronStandardTest : public HeronTest, public ::testing::WithParamInterface<StandardCase> {};

TEST_P(HeronStandardTest, WritesTheFamilyListAndRecordsTheMask) {
    const StandardCase& c = GetParam();
    for (size_t b : kHeronBoards) {
        SCOPED_TRACE(BoardName(b));
        void* context = Open(b);
        Mark();
        EXPECT_EQ(Set(b, context, 0x1002, c.standard), c.status);
        EXPECT_THAT(Bus(), ElementsAreArray(c.list == 0 ? std::vector<std::string>{}
                                                        : Writes(StandardList(b, c.list == 1))));
        EXPECT_EQ(GetValue(b, context, 0x1002), c.recorded);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeronStandardTest,
    ::testing::Values(StandardCase{"NtscFamily", 0xA07, 1, 0, 0xA07}, StandardCase{"NtscM", 0x1, 1, 0, 0x1},
                      StandardCase{"Pal60", 0x800, 1, 0, 0x800}, StandardCase{"PalB", 0x10, 2, 0, 0x10},
                      StandardCase{"PalFamily", 0x5F0, 2, 0, 0x5F0}, StandardCase{"PalN", 0x400, 2, 0, 0x400},
                      StandardCase{"SecamB", 0x1000, 2, 0, 0x1000}, StandardCase{"SecamL1", 0x80000, 2, 0, 0x80000},
                      StandardCase{"NtscAndPal", 0x11, 1, 0, 0x11},
                      StandardCase{"PalNCombo", 0x100000, 0, 0, 0x100000},
                      StandardCase{"Keep", kKeep, 0, 0, 1}, StandardCase{"Zero", 0, 0, kInvalid, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// A failing write anywhere in the list: every write is still made, the
// failure is reported, the old standard stays.
class HeronStandardFailureTest : public HeronTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(HeronStandardFailureTest, AllWritesMadeOldStandardKept) {
    for (size_t b : kHeronBoards) {
        SCOPED_TRACE(BoardName(b));
        const size_t count = b == kHeronI ? 13 : 12;
        const size_t failAt = GetParam() == 0 ? count : GetParam();  // 0: the last
        void* context = Open(b);
        Mark();
        host_.FailNthCall(failAt, 0x55);
        EXPECT_EQ(Set(b, context, 0x1002, 0x10), kBusFailure);
        std::vector<std::string> expected = Writes(StandardList(b, false));
        expected[failAt - 1] += " !55";
        EXPECT_THAT(Bus(), ElementsAreArray(expected));
        EXPECT_EQ(GetValue(b, context, 0x1002), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(FirstMiddleLast, HeronStandardFailureTest, ::testing::Values(1, 6, 0));

// ---------------------------------------------------------------------------
// Picture controls: registers 0A, 0B, 0D, 0C; out of range writes nothing.
struct PictureCase {
    u32 index;
    s32 value;
    std::string write;  // empty: nothing written, status kInvalid
};

class HeronPictureTest : public HeronTest, public ::testing::WithParamInterface<PictureCase> {};

TEST_P(HeronPictureTest, Mapping) {
    const PictureCase& c = GetParam();
    for (size_t b : kHeronBoards) {
        SCOPED_TRACE(BoardName(b));
        void* context = Open(b);
        Mark();
        EXPECT_EQ(Set(b, context, c.index, static_cast<u32>(c.value)), c.write.empty() ? kInvalid : 0u);
        EXPECT_THAT(Bus(), ElementsAreArray(Writes(c.write)));
        EXPECT_THAT(Traces(), ElementsAre("SetVideoProperty " + std::to_string(c.index) + " " +
                                          std::to_string(c.value)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeronPictureTest,
    ::testing::Values(PictureCase{1, 0, "0A=00"}, PictureCase{1, 50, "0A=7F"}, PictureCase{1, 60, "0A=99"},
                      PictureCase{1, 100, "0A=FF"}, PictureCase{1, 101, ""}, PictureCase{1, -1, ""},
                      PictureCase{3, 50, "0B=3F"}, PictureCase{3, 100, "0B=7F"}, PictureCase{3, 101, ""},
                      PictureCase{7, 100, "0C=7F"}, PictureCase{7, 50, "0C=3F"}, PictureCase{7, -5, ""},
                      PictureCase{5, -50, "0D=80"}, PictureCase{5, -25, "0D=C0"}, PictureCase{5, -1, "0D=FD"},
                      PictureCase{5, 0, "0D=00"}, PictureCase{5, 25, "0D=3F"}, PictureCase{5, 50, "0D=7F"},
                      PictureCase{5, 51, ""}, PictureCase{5, -51, ""}, PictureCase{5, 0x7FFFFFFF, ""}));

TEST_F(HeronTest, PictureWriteResultIsTheHostsOwn) {
    for (size_t b : kHeronBoards) {
        void* context = Open(b);
        Mark();
        host_.FailNthCall(1, 0x1234);
        EXPECT_EQ(Set(b, context, 1, 10), 0x1234u);
        EXPECT_THAT(Bus(), ElementsAre("I2C 40 W 0A=19 !1234"));
    }
}

TEST_F(HeronTest, UnknownIndexesTraceAndAreNotSupported) {
    for (size_t b : kHeronBoards) {
        void* context = Open(b);
        for (u32 index : {2u, 9u, 17u, 0x1000u, 0x1004u}) {
            Mark();
            EXPECT_EQ(Set(b, context, index, 3), kNotSupported) << index;
            EXPECT_THAT(Bus(), IsEmpty());
            EXPECT_THAT(Traces(), ElementsAre("SetVideoProperty " + std::to_string(index) + " 3"));
        }
    }
}

// A null context is refused by the properties that keep state, with no traffic.
TEST_F(HeronTest, NullContextRefusedWhereTheContextIsUsed) {
    for (size_t b : kHeronBoards) {
        Mark();
        EXPECT_EQ(Set(b, nullptr, 0, 1), kInvalid);
        EXPECT_EQ(Set(b, nullptr, 0x1002, 0x10), kInvalid);
        EXPECT_EQ(board(b).inputOps->Set_Current_Video_InputID(nullptr, device(), 0), kInvalid);
        u32 value = 7;
        EXPECT_EQ(Get(b, nullptr, 0x1002, &value), kInvalid);
        EXPECT_EQ(Get(b, nullptr, 0, nullptr), kInvalid);
        EXPECT_EQ(Init(b, nullptr, kKeep, kKeep, nullptr), kInvalid);
        EXPECT_THAT(Bus(), IsEmpty());
    }
}

// ---------------------------------------------------------------------------
// GetVideoProperty: source, standard, and the status byte (register 1F).
struct StatusCase {
    u8 status;
    u32 bit1;    // property 0x1000
    u32 locked;  // property 0x1001: bit 6 clear
};

class HeronStatusTest : public HeronTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(HeronStatusTest, StatusQueriesReadRegister1F) {
    const StatusCase& c = GetParam();
    for (size_t b : kHeronBoards) {
        SCOPED_TRACE(BoardName(b));
        void* context = Open(b);
        host_.SetReg(0x40, 0x1F, c.status);
        Mark();
        EXPECT_EQ(GetValue(b, context, 0x1000), c.bit1);
        EXPECT_EQ(GetValue(b, context, 0x1001), c.locked);
        ASSERT_EQ(host_.Log().size(), 2u);
        for (const BusCall& call : host_.Log()) {
            EXPECT_EQ(call.service, Service::I2cRead);
            EXPECT_EQ(call.address, 0x40);
            EXPECT_EQ(call.reg, 0x1F);
            EXPECT_EQ(call.flags, 0u);
        }
        EXPECT_THAT(Traces(), ElementsAre("GetVideoProperty 4096", "GetVideoProperty return 0",
                                          "GetVideoProperty 4097", "GetVideoProperty return 0"));
    }
}

INSTANTIATE_TEST_SUITE_P(Bytes, HeronStatusTest,
                         ::testing::Values(StatusCase{0x00, 0, 1}, StatusCase{0x02, 1, 1}, StatusCase{0x40, 0, 0},
                                           StatusCase{0xBD, 0, 1}, StatusCase{0xFF, 1, 0}));

TEST_F(HeronTest, FailedStatusReadGivesBusFailureAndZero) {
    for (size_t b : kHeronBoards) {
        void* context = Open(b);
        host_.SetReg(0x40, 0x1F, 0x02);
        host_.FailMatching(Service::I2cRead);
        for (u32 index : {0x1000u, 0x1001u}) {
            Mark();
            u32 value = 0xDEADBEEF;
            EXPECT_EQ(Get(b, context, index, &value), kBusFailure);
            EXPECT_EQ(value, 0u);
            EXPECT_THAT(Traces(), ElementsAre("GetVideoProperty " + std::to_string(index),
                                              "GetVideoProperty return -3"));
        }
        host_.ClearFailures();
    }
}

TEST_F(HeronTest, SourceStandardAndUnknownIndex) {
    for (size_t b : kHeronBoards) {
        void* context = Open(b);
        Mark();
        EXPECT_EQ(GetValue(b, context, 0), 0u);
        EXPECT_EQ(GetValue(b, context, 0x1002), 1u);
        EXPECT_THAT(Traces(), ElementsAre("GetVideoProperty 0", "GetVideoProperty return 0", "GetVideoProperty 4098",
                                          "GetVideoProperty return 0"));
        Mark();
        u32 value = 0xDEADBEEF;
        EXPECT_EQ(Get(b, context, 2, &value), kNotSupported);
        EXPECT_EQ(value, 0u);
        EXPECT_THAT(Traces(), ElementsAre("GetVideoProperty 2"));
        EXPECT_THAT(Bus(), IsEmpty());
    }
}

// ---------------------------------------------------------------------------
// InitVideoSource, both boards: the rules around the set-up table.
const VideoPropertySet kDefaults = {{50, 0, 50, 0, 0, 0, 50, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0}};

std::vector<std::string> PropertyTraces(const VideoPropertySet& p) {
    std::vector<std::string> traces;
    for (u32 i = 0; i < 17; ++i) {
        traces.push_back("SetVideoProperty " + std::to_string(i + 1) + " " +
                         std::to_string(static_cast<s32>(p.value[i])));
    }
    return traces;
}

class HeronInitTest : public HeronTest {
protected:
    std::vector<std::string> Setup(size_t b) {
        std::vector<std::string> lines = Writes(kHeronSetup);
        if (b == kBittern) {
            lines[36] = "I2C 40 W 3A=80";
            lines[57] = "I2C 40 W 54=F4";
        }
        return lines;
    }
};

TEST_F(HeronInitTest, KeepAfterOpenSelectsSource0AndNtscThenAppliesProperties) {
    for (size_t b : kHeronBoards) {
        SCOPED_TRACE(BoardName(b));
        void* context = Open(b);
        Mark();
        EXPECT_EQ(Init(b, context, kKeep, kKeep, &kDefaults), 0u);
        EXPECT_THAT(Bus(), ElementsAreArray(Join({Setup(b), Writes(kSource0), Writes(StandardList(b, true)),
                                                  Writes("0A=7F 0B=3F 0D=00 0C=3F")})));
        std::vector<std::string> traces = {"SetVideoProperty 0 0", "SetVideoProperty 4098 1"};
        for (const std::string& t : PropertyTraces(kDefaults)) traces.push_back(t);
        EXPECT_THAT(Traces(), ElementsAreArray(traces));
    }
}

TEST_F(HeronInitTest, ExplicitSourceAndStandardAreRecorded) {
    VideoPropertySet p = kDefaults;
    p.value[0] = 100;                     // brightness
    p.value[4] = static_cast<u32>(-50);   // hue
    p.value[6] = 101;                     // saturation out of range: skipped
    for (size_t b : kHeronBoards) {
        SCOPED_TRACE(BoardName(b));
        void* context = Open(b);
        Mark();
        EXPECT_EQ(Init(b, context, 0x1000, 1, &p), 0u);
        EXPECT_THAT(Bus(), ElementsAreArray(Join({Setup(b), Writes(kSource1), Writes(StandardList(b, false)),
                                                  Writes("0A=FF 0B=3F 0D=80")})));
        EXPECT_EQ(GetValue(b, context, 0), 1u);
        EXPECT_EQ(GetValue(b, context, 0x1002), 0x1000u);
        // Later calls with 0xFFFFFFFF re-apply what is recorded.
        Mark();
        EXPECT_EQ(Init(b, context, kKeep, kKeep, &p), 0u);
        const std::vector<std::string> again = Bus();
        ASSERT_GT(again.size(), 145u);
        EXPECT_THAT(std::vector<std::string>(again.begin() + 145, again.end()),
                    ElementsAreArray(Join({Writes(kSource1), Writes(StandardList(b, false)), Writes("0A=FF 0B=3F 0D=80")})));
    }
}

// A failed table write stops at that entry; nothing after it, context unchanged.
TEST_F(HeronInitTest, TableFailureAtFirstMiddleAndLastEntry) {
    for (size_t b : kHeronBoards) {
        for (size_t failAt : {1u, 73u, 145u}) {
            SCOPED_TRACE(BoardName(b) + " entry " + std::to_string(failAt));
            void* context = Open(b);
            Mark();
            host_.FailNthCall(failAt);
            EXPECT_EQ(Init(b, context, 0x10, 1, &kDefaults), kBusFailure);
            std::vector<std::string> expected = Setup(b);
            expected.resize(failAt);
            expected.back() += " !1";
            EXPECT_THAT(Bus(), ElementsAreArray(expected));
            EXPECT_THAT(Traces(), IsEmpty());
            EXPECT_EQ(GetValue(b, context, 0), 0u);
            EXPECT_EQ(GetValue(b, context, 0x1002), 1u);
        }
    }
}

TEST_F(HeronInitTest, StandardZeroStopsAfterTheSource) {
    for (size_t b : kHeronBoards) {
        void* context = Open(b);
        Mark();
        EXPECT_EQ(Init(b, context, 0, 1, &kDefaults), kInvalid);
        EXPECT_THAT(Bus(), ElementsAreArray(Join({Setup(b), Writes(kSource1)})));
        EXPECT_THAT(Traces(), ElementsAre("SetVideoProperty 0 1", "SetVideoProperty 4098 0"));
        EXPECT_EQ(GetValue(b, context, 0x1002), 1u);
    }
}

TEST_F(HeronInitTest, UnknownSourceStopsAfterTheTable) {
    for (size_t b : kHeronBoards) {
        void* context = Open(b);
        Mark();
        EXPECT_EQ(Init(b, context, 0x10, 2, &kDefaults), kInvalid);
        EXPECT_THAT(Bus(), ElementsAreArray(Setup(b)));
        EXPECT_THAT(Traces(), ElementsAre("SetVideoProperty 0 2", "Error:Unknown Video Source 2!!!"));
    }
}

// A failed standard write ends start-up with the bus failure, before any
// picture property; failed property writes are ignored.
TEST_F(HeronInitTest, StandardFailureStopsPropertyFailuresDoNot) {
    for (size_t b : kHeronBoards) {
        void* context = Open(b);
        Mark();
        host_.FailNthCall(145 + 2 + 3);
        EXPECT_EQ(Init(b, context, kKeep, kKeep, &kDefaults), kBusFailure);
        EXPECT_EQ(Bus().size(), 145u + 2 + (b == kHeronI ? 13 : 12));
        Mark();
        host_.FailNthCall(145 + 2 + (b == kHeronI ? 13 : 12) + 1);  // brightness
        EXPECT_EQ(Init(b, context, kKeep, kKeep, &kDefaults), 0u);
        EXPECT_EQ(Bus().size(), 145u + 2 + (b == kHeronI ? 13 : 12) + 4);
    }
}

TEST_F(HeronInitTest, MissingPropertiesOrHostTableMakeNoTraffic) {
    for (size_t b : kHeronBoards) {
        void* context = Open(b);
        Mark();
        EXPECT_EQ(Init(b, context, kKeep, kKeep, nullptr), kInvalid);
        host_.RegisterTable(nullptr);
        EXPECT_EQ(Init(b, context, kKeep, kKeep, &kDefaults), kBusFailure);
        host_.Register();
        EXPECT_THAT(Bus(), IsEmpty());
        EXPECT_THAT(Traces(), IsEmpty());
    }
}

// ---------------------------------------------------------------------------
// Heron I only: VBI services through property 0x1003 (extra switches them).
struct VbiCase {
    const char* name;
    u32 service;
    u32 enable;
    u32 status;
    std::string writes;
    std::vector<std::string> traces;  // after the SetVideoProperty line
};

std::string Wst(const char* value) {
    std::string list;
    for (int reg = 0x45; reg <= 0x55; ++reg) {
        char entry[8];
        std::snprintf(entry, sizeof(entry), "%02X=%s ", reg, value);
        list += entry;
    }
    return list;
}

class HeronIVbiTest : public HeronTest, public ::testing::WithParamInterface<VbiCase> {};

TEST_P(HeronIVbiTest, Service) {
    const VbiCase& c = GetParam();
    void* context = Open(kHeronI);
    Mark();
    EXPECT_EQ(Set(kHeronI, context, 0x1003, c.service, c.enable), c.status);
    EXPECT_THAT(Bus(), ElementsAreArray(Writes(c.writes)));
    std::vector<std::string> traces = {"SetVideoProperty 4099 " + std::to_string(c.service)};
    traces.insert(traces.end(), c.traces.begin(), c.traces.end());
    EXPECT_THAT(Traces(), ElementsAreArray(traces));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeronIVbiTest,
    ::testing::Values(VbiCase{"CgmsNtscOn", 1, 1, 0, "53=F5", {"VBI: CGMS NTSC enable"}},
                      VbiCase{"CgmsNtscOff", 1, 0, 0, "53=FF", {"VBI: CGMS NTSC disable"}},
                      VbiCase{"CgmsPalOn", 2, 7, 0, "56=F5", {"VBI: CGMS PAL enable"}},
                      VbiCase{"CaptionOn", 3, 1, 0, "54=F4", {"VBI: Close Caption enable"}},
                      VbiCase{"CaptionOff", 3, 0, 0, "54=FF", {"VBI: Close Caption disable"}},
                      VbiCase{"Wst625On5", 5, 1, 0, Wst("F1"), {"VBI: WST625 enable"}},
                      VbiCase{"Wst625Off5", 5, 0, 0, Wst("FF"), {"VBI: WST625 disable"}},
                      VbiCase{"Wst625On6", 6, 1, 0, Wst("F1"), {"VBI: WST625 enable"}},
                      VbiCase{"Service4", 4, 1, 0, "", {}}, VbiCase{"Service7", 7, 1, 0, "", {}},
                      VbiCase{"Service9", 9, 0, 0, "", {}}, VbiCase{"Service0", 0, 1, kNotSupported, "", {}},
                      VbiCase{"Service10", 10, 1, kNotSupported, "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HeronTest, HeronIVbiWriteFailuresAreNotReported) {
    void* context = Open(kHeronI);
    Mark();
    host_.FailMatching(Service::I2cWrite);
    EXPECT_EQ(Set(kHeronI, context, 0x1003, 5, 1), 0u);
    EXPECT_EQ(Bus().size(), 17u);
}

// ---------------------------------------------------------------------------
// Heron I capture start: the scaler for the requested size.

// The 18 horizontal writes for width w, prescale p, increments s and s/2.
std::vector<std::string> Horizontal(u32 w, u32 p, u32 s, u32 s2) {
    char text[160];
    std::snprintf(text, sizeof(text),
                  "9C=%02X 9D=%02X A0=%02X A8=%02X A9=%02X AC=%02X AD=%02X "
                  "CC=%02X CD=%02X D0=%02X D8=%02X D9=%02X DC=%02X DD=%02X A1=01 D1=01 A2=01 D2=01",
                  w & 0xFF, w >> 8, p, s & 0xFF, s >> 8, s2 & 0xFF, s2 >> 8, w & 0xFF, w >> 8, p, s & 0xFF, s >> 8,
                  s2 & 0xFF, s2 >> 8);
    return Writes(text);
}
// The 12 vertical frame writes for window n and increment y.
std::vector<std::string> Vertical(u32 n, u32 y) {
    char text[96];
    std::snprintf(text, sizeof(text), "9E=%02X 9F=%02X B0=%02X B1=%02X B2=%02X B3=%02X CE=%02X CF=%02X E0=%02X "
                                      "E1=%02X E2=%02X E3=%02X",
                  n & 0xFF, n >> 8, y & 0xFF, y >> 8, y & 0xFF, y >> 8, n & 0xFF, n >> 8, y & 0xFF, y >> 8, y & 0xFF,
                  y >> 8);
    return Writes(text);
}
// Single-field settings, as listed for the board.
const std::string kNtsc144 = "9E=96 9F=00 B0=AA B1=06 B2=AA B3=06 CE=96 CF=00 E0=AA E1=06 E2=AA E3=06";
const std::string kNtsc240 = "9E=F2 9F=00 B0=00 B1=04 B2=00 B3=04 CE=F2 CF=00 E0=00 E1=04 E2=00 E3=04";
const std::string kPal144 = "9E=96 9F=00 B0=00 B1=08 B2=00 B3=08 CE=96 CF=00 E0=00 E1=08 E2=00 E3=08";
const std::string kPal288 = "CE=20 CF=01 E0=00 E1=04 E2=00 E3=04 9E=20 9F=01 B0=00 B1=04 B2=00 B3=04";

constexpr int kUntouched = -1;

struct CaptureCase {
    const char* name;
    u32 mask;
    u32 width;
    u32 height;
    std::vector<std::string> bus;
    u32 status;
    bool horizontal;    // hOffset, widthDoubled, sizeFlag3 written 0
    int heightDoubled;  // kUntouched or the value written
    int vOffset;        // kUntouched or the value written
};

// The host's record, 0x5A everywhere but the fields it fills.
Guarded<CaptureConfig> HostConfig(u32 mask, u32 width, u32 height) {
    Guarded<CaptureConfig> config(0x5A);
    config->standardMask = mask;
    config->captureWidth = width;
    config->captureHeight = height;
    return config;
}

class HeronICaptureTest : public HeronTest, public ::testing::WithParamInterface<CaptureCase> {};

TEST_P(HeronICaptureTest, ScalerAndConfigFields) {
    const CaptureCase& c = GetParam();
    void* context = Open(kHeronI);
    Guarded<CaptureConfig> config = HostConfig(c.mask, c.width, c.height);
    Guarded<CaptureConfig> expected = config;
    if (c.horizontal) {
        expected->hOffset = 0;
        expected->widthDoubled = 0;
        expected->sizeFlag3 = 0;
    }
    if (c.heightDoubled != kUntouched) expected->heightDoubled = static_cast<u8>(c.heightDoubled);
    if (c.vOffset != kUntouched) expected->vOffset = static_cast<u32>(c.vOffset);
    Mark();
    EXPECT_EQ(board(kHeronI).videoOps->OnStartCapture(context, device(), config.get()), c.status);
    EXPECT_THAT(Bus(), ElementsAreArray(c.bus));
    for (size_t i = 0; i < sizeof(config.bytes); ++i) {
        ASSERT_EQ(config.bytes[i], expected.bytes[i]) << "config byte " << i;
    }
    EXPECT_THAT(Traces(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeronICaptureTest,
    ::testing::Values(
        CaptureCase{"Ntsc720x480", 0xA07, 720, 480, Join({Horizontal(720, 1, 0x400, 0x200), Vertical(0xF2, 0x400)}),
                    0, true, 0, 4},
        CaptureCase{"Ntsc320x240", 0xA07, 320, 240, Join({Horizontal(320, 2, 0x480, 0x240), Writes(kNtsc240)}), 0,
                    true, 1, 4},
        CaptureCase{"Pal352x288", 0x5F0, 352, 288, Join({Horizontal(352, 2, 0x417, 0x20B), Writes(kPal288)}), 0, true,
                    1, 0},
        CaptureCase{"NtscMOnly720x480", 0x1, 720, 480,
                    Join({Horizontal(720, 1, 0x400, 0x200), Vertical(0xF2, 0x400)}), 0, true, 0, 0},
        CaptureCase{"Pal720x200", 0x5F0, 720, 200, Horizontal(720, 1, 0x400, 0x200), 0, true, kUntouched, 0},
        CaptureCase{"Ntsc640x360", 0xA07, 640, 360, Join({Horizontal(640, 1, 0x480, 0x240), Vertical(0xB6, 0x555)}),
                    0, true, 0, 4},
        CaptureCase{"Ntsc176x144", 0xA07, 176, 144, Join({Horizontal(176, 4, 0x417, 0x20B), Writes(kNtsc144)}), 0,
                    true, 1, 4},
        CaptureCase{"Ntsc720x241", 0xA07, 720, 241, Join({Horizontal(720, 1, 0x400, 0x200), Vertical(0x7A, 0x7F7)}),
                    0, true, 0, 4},
        CaptureCase{"Pal720x576", 0x5F0, 720, 576, Join({Horizontal(720, 1, 0x400, 0x200), Vertical(0x120, 0x400)}),
                    0, true, 0, 0},
        CaptureCase{"Secam720x144", 0xFF000, 720, 144, Join({Horizontal(720, 1, 0x400, 0x200), Writes(kPal144)}), 0,
                    true, 1, 0},
        // Both families: 625-line figures, the 525-line window, both field tests.
        CaptureCase{"NtscPal720x480", 0x11, 720, 480, Join({Horizontal(720, 1, 0x400, 0x200), Vertical(0xF2, 0x4CC)}),
                    0, true, 0, 0},
        CaptureCase{"NtscPal720x144", 0x11, 720, 144,
                    Join({Horizontal(720, 1, 0x400, 0x200), Writes(kNtsc144), Writes(kPal144)}), 0, true, 1, 0},
        CaptureCase{"NtscPal704x240", 0x11, 704, 240, Join({Horizontal(704, 1, 0x417, 0x20B), Writes(kNtsc240)}), 0,
                    true, 1, 0},
        // Width 1: prescale 720 keeps only its low byte (0xD0).
        CaptureCase{"Ntsc1x480", 0xA07, 1, 480, Join({Horizontal(1, 0xD0, 0xC00, 0x600), Vertical(0xF2, 0x400)}), 0,
                    true, 0, 4},
        // No family: no line counts, nothing written, nothing changed.
        CaptureCase{"NoFamily", 0x100000, 720, 480, {}, 0, false, kUntouched, kUntouched},
        CaptureCase{"NoFamilyWidth0", 0x100000, 0, 480, {}, 0, false, kUntouched, kUntouched},
        // No prescale ratio for these widths: refused, config untouched.
        CaptureCase{"Width0", 0xA07, 0, 480, {}, kInvalid, false, kUntouched, kUntouched},
        CaptureCase{"Width721", 0x5F0, 721, 576, {}, kInvalid, false, kUntouched, kUntouched}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HeronTest, HeronICaptureAppliesTheOffsetRuleToA07Only) {
    // vOffset already non-zero is first cleared by the scaler, then set to 4.
    Guarded<CaptureConfig> config = HostConfig(0xA07, 720, 480);
    config->vOffset = 9;
    EXPECT_EQ(board(kHeronI).videoOps->OnStartCapture(nullptr, device(), config.get()), 0u);
    EXPECT_EQ(config->vOffset, 4u);
    EXPECT_TRUE(config.GuardIntact());
}

TEST_F(HeronTest, HeronICaptureIgnoresBusFailuresAndNeedsAConfig) {
    Guarded<CaptureConfig> config = HostConfig(0xA07, 720, 480);
    host_.FailMatching(Service::I2cWrite);
    EXPECT_EQ(board(kHeronI).videoOps->OnStartCapture(nullptr, device(), config.get()), 0u);
    EXPECT_EQ(host_.Log().size(), 30u);
    Mark();
    EXPECT_EQ(board(kHeronI).videoOps->OnStartCapture(nullptr, device(), nullptr), kInvalid);
    EXPECT_THAT(Traces(), ElementsAre("OnStartCapture video_config == NULL"));
    EXPECT_THAT(Bus(), IsEmpty());
}

// ---------------------------------------------------------------------------
// The whole default session, against the reviewed golden trace.
TEST_F(HeronTest, HeronIGoldenSession) {
    GoldenSession golden(host_);
    Mark();
    void* context = nullptr;
    BoardInfo info{};
    golden.Step("OpenBoard", board(kHeronI).boardOps->OpenBoard(nullptr, &context, &info));
    ASSERT_NE(context, nullptr);
    VideoPropertySet properties{};
    board(kHeronI).videoOps->GetDefaultVideoProperties(context, device(), &properties);
    golden.Step("GetDefaultVideoProperties", std::nullopt);
    golden.Step("InitVideoSource(0xFFFFFFFF, 0xFFFFFFFF, defaults)",
                Init(kHeronI, context, kKeep, kKeep, &properties));
    for (const auto& [mask, w, h] : {std::tuple{0xA07u, 720u, 480u}, std::tuple{0x5F0u, 352u, 288u}}) {
        Guarded<CaptureConfig> config = HostConfig(mask, w, h);
        config->vOffset = 0;
        config->heightDoubled = 0;
        const u32 status = board(kHeronI).videoOps->OnStartCapture(context, device(), config.get());
        golden.Step("OnStartCapture(" + Hex32(mask) + ", " + std::to_string(w) + "x" + std::to_string(h) + ")",
                    status);
        golden.CaptureFields(*config.get());
    }
    golden.Step("CloseBoard", board(kHeronI).boardOps->CloseBoard(context));
    golden.Check("heron_i_session.txt");
}

}  // namespace
}  // namespace trel::test
