// The rules several boards share, one table per rule across the boards:
// picture controls, status queries, input and source selection, TV standards,
// start-up refusals, and pointers the host left null.
#include "saa7115_support.h"

namespace trel::test {
namespace {

constexpr u32 Bit(size_t board) { return 1u << board; }
const u32 kSaa = Bit(kHeronI) | Bit(kBittern) | Bit(kHeronIIReprise) | Bit(kKestrel);
const u32 kVbi = Bit(kHeronI) | Bit(kKestrel);
const u32 kTw = Bit(kEgret) | Bit(kHeronAscent);
const u32 kOv = Bit(kWren) | Bit(kWrenII) | Bit(kFinch);
const u32 kCameras = kOv | Bit(kSwift);
const u32 kDecoders = kSaa | kTw;
const u32 kAll = (1u << CatalogueCount()) - 1;
const u32 A = Bit(kHeronAscent), E = Bit(kEgret), S = Bit(kSwift), P = Bit(kPlover), K = Bit(kKestrel);

std::vector<size_t> BoardsOf(u32 mask) {
    std::vector<size_t> boards;
    for (size_t b = 0; b < CatalogueCount(); ++b)
        if ((mask & Bit(b)) != 0) boards.push_back(b);
    return boards;
}
std::string MaskName(u32 mask) {
    for (auto [group, name] : {std::pair{kSaa, "Saa"}, {kVbi, "Vbi"}, {kTw, "Tw"}, {kOv, "Ov"}, {kCameras, "Cameras"},
                               {kDecoders, "Decoders"}, {kAll, "All"}})
        if (mask == group) return name;
    std::string name;
    for (size_t b : BoardsOf(mask)) name += NameBoard(b);
    return name;
}

// The chip a board's picture controls and status queries reach, with the
// flags of those calls (Swift and Plover: none, lines written out whole).
struct Chip {
    u8 address;
    const char* suffix;
};
// By board index: Wren, Wren II, Heron I, Heron II Reprise, Egret, Heron Ascent, Bittern, Plover, Kestrel,
// Swift, Finch.
constexpr Chip kChips[kBoardCount] = {{0x42, " f1"}, {0x42, " f1"}, {0x40, ""}, {0x4A, ""}, {0x88, ""}, {0x88, ""},
                                      {0x40, ""},    {0, ""},       {0x40, " f8000"}, {0, ""}, {0xC0, " f1"}};
Chip ChipOf(size_t board) { return kChips[board]; }
Lines OnChip(size_t board, const std::string& list) { return Writes(ChipOf(board).address, list, ChipOf(board).suffix); }

// ---------------------------------------------------------------------------
// SetVideoProperty: index, value (and extra) -> status, bus lines, the trace
// after "SetVideoProperty <index> <value>". Out of range writes nothing.
struct PictureRow {
    u32 boards;
    u32 index;
    s32 value;
    u32 status;
    std::string bus;
    u32 extra = 0;
    const char* trace = nullptr;
};

std::string Wst(const char* value) {  // lines 6 to 22: registers 45 to 55
    std::string list;
    for (u32 reg = 0x45; reg <= 0x55; ++reg) list += NameHex(reg).substr(6) + "=" + value + " ";
    return list;
}

const PictureRow kPictureRows[] = {
    // SAA7115/SAA7113: brightness to 00..FF, contrast and saturation to 00..7F, hue to signed 80..7F.
    {kSaa, 1, 0, 0, "0A=00"}, {kSaa, 1, 60, 0, "0A=99"}, {kSaa, 1, 100, 0, "0A=FF"}, {kSaa, 1, 101, kInvalid, ""},
    {kSaa, 1, -1, kInvalid, ""}, {kSaa, 3, 50, 0, "0B=3F"}, {kSaa, 3, 100, 0, "0B=7F"}, {kSaa, 3, 101, kInvalid, ""},
    {kSaa, 3, -1, kInvalid, ""}, {kSaa, 7, 100, 0, "0C=7F"}, {kSaa, 7, -5, kInvalid, ""}, {kSaa, 7, 101, kInvalid, ""},
    {kSaa, 5, -50, 0, "0D=80"}, {kSaa, 5, -25, 0, "0D=C0"}, {kSaa, 5, -1, 0, "0D=FD"}, {kSaa, 5, 0, 0, "0D=00"},
    {kSaa, 5, 25, 0, "0D=3F"}, {kSaa, 5, 50, 0, "0D=7F"}, {kSaa, 5, 51, kInvalid, ""}, {kSaa, 5, -51, kInvalid, ""},
    {kSaa, 5, 0x7FFFFFFF, kInvalid, ""}, {kSaa, 2, 3, kNotSupported, ""}, {kSaa, 9, 3, kNotSupported, ""},
    {kSaa, 0x1000, 3, kNotSupported, ""}, {kSaa, 0x1004, 3, kNotSupported, ""},
    {Bit(kBittern) | Bit(kHeronIIReprise), 0x1003, 1, kNotSupported, "", 1},
    // VBI services: extra switches them; WST625 writes F1 (Heron I) or 11 (Kestrel) to lines 6..22.
    {kVbi, 0x1003, 1, 0, "53=F5", 1, "VBI: CGMS NTSC enable"}, {kVbi, 0x1003, 1, 0, "53=FF", 0, "VBI: CGMS NTSC disable"},
    {kVbi, 0x1003, 2, 0, "56=F5", 7, "VBI: CGMS PAL enable"}, {kVbi, 0x1003, 3, 0, "54=F4", 1, "VBI: Close Caption enable"},
    {kVbi, 0x1003, 3, 0, "54=FF", 0, "VBI: Close Caption disable"},
    {Bit(kHeronI), 0x1003, 5, 0, Wst("F1"), 1, "VBI: WST625 enable"}, {Bit(kHeronI), 0x1003, 6, 0, Wst("F1"), 1, "VBI: WST625 enable"},
    {K, 0x1003, 5, 0, Wst("11"), 1, "VBI: WST625 enable"}, {kVbi, 0x1003, 6, 0, Wst("FF"), 0, "VBI: WST625 disable"},
    {kVbi, 0x1003, 4, 0, "", 1}, {kVbi, 0x1003, 9, 0, "", 0}, {kVbi, 0x1003, 0, kNotSupported, "", 1},
    {kVbi, 0x1003, 10, kNotSupported, "", 1},
    // TW9903/5 and TW9906: brightness a signed byte round 50; saturation 13 = s + 37 and 14 = s (TW9903/5)
    // or s + 37 (TW9906); sharpness keeps the high bits of 12 (read as A5), low bits x 7 / 100 or / 50.
    {kTw, 1, 0, 0, "10=81"}, {kTw, 1, 50, 0, "10=00"}, {kTw, 1, 100, 0, "10=7F"}, {kTw, 1, 101, kInvalid, ""},
    {kTw, 1, -1, kInvalid, ""}, {kTw, 3, 37, 0, "11=5E"}, {kTw, 3, 100, 0, "11=FF"}, {kTw, 3, -1, kInvalid, ""},
    {kTw, 5, -50, 0, "15=80"}, {kTw, 5, -1, 0, "15=FD"}, {kTw, 5, 50, 0, "15=7F"}, {kTw, 5, 51, kInvalid, ""},
    {kTw, 5, -51, kInvalid, ""}, {A, 7, 100, 0, "13=FF 14=DA"}, {A, 7, 50, 0, "13=92 14=6D"}, {A, 7, 0, 0, "13=25 14=00"},
    {E, 7, 100, 0, "13=FF 14=FF"}, {E, 7, 0, 0, "13=25 14=25"}, {kTw, 7, 101, kInvalid, ""},
    {A, 9, 100, 0, "12->A5 12=A7"}, {A, 9, 14, 0, "12->A5 12=A0"}, {E, 9, 100, 0, "12->A5 12=AE"},
    {E, 9, 8, 0, "12->A5 12=A1"}, {kTw, 9, -1, kInvalid, ""}, {kTw, 9, 101, kInvalid, ""},
    {kTw, 2, 0, kNotSupported, ""}, {kTw, 0x1003, 0, kNotSupported, ""},
    // OmniVision sensors (flags 1): out of range is ignored with success.
    {kOv, 1, 0, 0, "06=00", 99}, {kOv, 1, 38, 0, "06=60"}, {kOv, 1, 100, 0, "06=FF"}, {kOv, 1, 101, 0, ""},
    {kOv, 1, -1, 0, ""}, {kOv, 5, -50, 0, "04=20"}, {kOv, 5, 0, 0, "04=2F"}, {kOv, 5, 50, 0, "04=3F"},
    {kOv, 5, -51, 0, ""}, {kOv, 5, 51, 0, ""}, {kOv, 7, 0, 0, "03=00"}, {kOv, 7, 64, 0, "03=A3"},
    {kOv, 7, 100, 0, "03=FF"}, {kOv, 7, 101, 0, ""}, {kOv, 9, 50, kNotSupported, ""}, {kOv, 0x1002, 1, kNotSupported, ""},
    {kCameras, 3, 50, kNotSupported, ""}, {kCameras, 0, 0, kNotSupported, ""},
    // Swift: exposure as two bit-reversed serial words (n 531 - 5.3 x value), hue and saturation in the encoder.
    {S, 1, 0, 0, "SER_5E/1/32 SER_DE/1/04"}, {S, 1, 50, 0, "SER_5E/1/14 SER_DE/1/08"},
    {S, 1, 75, 0, "SER_5E/1/28 SER_DE/1/10"}, {S, 1, 100, 0, "SER_5E/1/20 SER_DE/1/00"}, {S, 1, 101, 0, ""},
    {S, 5, -50, 0, "ENC_4137=3F"}, {S, 5, -1, 0, "ENC_4137=20"}, {S, 5, 0, 0, "ENC_4137=00"}, {S, 5, 12, 0, "ENC_4137=07"},
    {S, 5, 50, 0, "ENC_4137=1F"}, {S, 5, -51, 0, ""}, {S, 5, 51, 0, ""}, {S, 7, 0, 0, "ENC_4136=00"},
    {S, 7, 51, 0, "ENC_4136=40"}, {S, 7, 100, 0, "ENC_4136=7F"}, {S, 7, 101, 0, ""}, {S, 0x1001, 0, kNotSupported, ""},
    // Plover only traces.
    {P, 1, 60, 0, ""}, {P, 0x1002, -1, 0, "", 3}, {P, 5, -50, 0, ""},
};

class PictureTest : public BoardTest, public ::testing::WithParamInterface<PictureRow> {};

TEST_P(PictureTest, BusStatusAndTrace) {
    const PictureRow& r = GetParam();
    for (size_t b : BoardsOf(r.boards)) {
        SCOPED_TRACE(BoardName(b));
        OpenBoard(b);
        host_.SetReg(0x88, 0x12, 0xA5);
        EXPECT_EQ(Set(r.index, static_cast<u32>(r.value), r.extra), r.status);
        EXPECT_THAT(Bus(), ElementsAreArray(OnChip(b, r.bus)));
        Lines traces = {"SetVideoProperty " + std::to_string(static_cast<int>(r.index)) + " " + std::to_string(r.value)};
        if (r.trace != nullptr) traces.push_back(r.trace);
        EXPECT_THAT(Traces(), ElementsAreArray(traces));
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, PictureTest, ::testing::ValuesIn(kPictureRows), [](const auto& info) {
    const PictureRow& r = info.param;
    return MaskName(r.boards) + "_" + NameHex(r.index).substr(4) + "_" + NameSigned(r.value) + "_" + std::to_string(r.extra);
});

// Source and VBI write results are not reported, and the source is recorded
// whatever the bus answered (a picture control's result is: the fault sweep).
TEST_F(BoardTest, UncheckedWritesStillRecord) {
    for (size_t b : BoardsOf(kDecoders)) {
        SCOPED_TRACE(BoardName(b));
        OpenBoard(b);
        host_.FailMatching(Service::I2cWrite);
        EXPECT_EQ(Set(kPropVideoSource, 1), 0u);
        EXPECT_EQ(Property(kPropVideoSource), 1u);
        if ((kVbi & Bit(b)) != 0) {
            EXPECT_EQ(Set(kPropVbiService, 5, 1), 0u);
            EXPECT_EQ(host_.Log().size(), 2u + 17u);
        }
        host_.ClearFailures();
    }
}

// TW99xx sharpness: a failed read of 12 counts as high bits 0.
TEST_F(BoardTest, SharpnessReadFailureKeepsNoHighBits) {
    for (size_t b : BoardsOf(kTw)) {
        OpenBoard(b);
        host_.FailMatching(Service::I2cRead, 0x88, 0x12);
        EXPECT_EQ(Set(kPropSharpness, 0), 0u);
        EXPECT_THAT(Bus(), ElementsAre("I2C 88 R 12 !1", "I2C 88 W 12=00"));
    }
}

// ---------------------------------------------------------------------------
// GetVideoProperty status queries: the register read (SAA: 1F for both; TW:
// 30 for 0x1000, 01 for 0x1001), the value the host gets (77 before), the
// status and the closing trace "GetVideoProperty return <closing>".
struct StatusRow {
    u32 boards;
    u32 index;
    int reg;  // the register's value; -1: the read fails; -2: no read
    u32 value;
    u32 status;
    const char* closing;  // null: no closing trace
};

const StatusRow kStatusRows[] = {
    // SAA: 0x1000 is bit 1, 0x1001 is "bit 6 clear".
    {kSaa, 0x1000, 0x02, 1, 0, "0"}, {kSaa, 0x1000, 0xFD, 0, 0, "0"}, {kSaa, 0x1000, 0xFF, 1, 0, "0"},
    {kSaa, 0x1001, 0xBF, 1, 0, "0"}, {kSaa, 0x1001, 0x40, 0, 0, "0"}, {kSaa, 0x1001, 0x00, 1, 0, "0"},
    {kSaa, 0x1000, -1, 0, kBusFailure, "-3"}, {kSaa, 0x1001, -1, 0, kBusFailure, "-3"},
    {kSaa, 2, -2, 0, kNotSupported, nullptr},
    // TW: Heron Ascent's closing trace prints the value, Egret's the status.
    {A, 0x1000, 0xE5, 0x60, 0, "96"}, {E, 0x1000, 0xE5, 0x04, 0, "0"}, {A, 0x1001, 0x40, 1, 0, "1"},
    {A, 0x1001, 0xBF, 0, 0, "0"}, {E, 0x1001, 0x40, 0, 0, "0"}, {E, 0x1001, 0xBF, 1, 0, "0"},
    {A, 0x1000, -1, 0, kBusFailure, "0"}, {E, 0x1001, -1, 0, kBusFailure, "-3"},
    {kTw, 0x1003, -2, 0, kNotSupported, nullptr},
    // Cameras and Plover answer without the bus; Plover leaves other values as they were.
    {kCameras | P, 0x1000, -2, 0, 0, "0"}, {kCameras | P, 0x1001, -2, 1, 0, "1"},
    {kCameras, 0x1002, -2, 77, kNotSupported, nullptr}, {kCameras, 1, -2, 77, kNotSupported, nullptr},
    {P, 2, -2, 77, 0, "77"}, {P, 0x1002, -2, 77, 0, "77"}, {P, 0xFFFFFFFF, -2, 77, 0, "77"},
};

class StatusTest : public BoardTest, public ::testing::WithParamInterface<StatusRow> {};

TEST_P(StatusTest, Query) {
    const StatusRow& r = GetParam();
    for (size_t b : BoardsOf(r.boards)) {
        SCOPED_TRACE(BoardName(b));
        OpenBoard(b);
        const u16 reg = (kTw & Bit(b)) == 0 ? 0x1F : r.index == 0x1000 ? 0x30 : 0x01;
        if (r.reg == -1) host_.FailMatching(Service::I2cRead, ChipOf(b).address, reg);
        if (r.reg >= 0) host_.SetReg(ChipOf(b).address, reg, static_cast<u8>(r.reg));
        u32 value = 77;
        EXPECT_EQ(Get(r.index, &value), r.status);
        EXPECT_EQ(value, r.value);
        Lines traces = {"GetVideoProperty " + std::to_string(static_cast<int>(r.index))};
        if (r.closing != nullptr) traces.push_back(std::string("GetVideoProperty return ") + r.closing);
        EXPECT_THAT(Traces(), ElementsAreArray(traces));
        const std::string read = "I2C " + NameHex(ChipOf(b).address).substr(6) + " R " + NameHex(reg).substr(6);
        if (r.reg == -1) {
            EXPECT_THAT(Bus(), ElementsAre(read + ChipOf(b).suffix + " !1"));
        }
        if (r.reg >= 0) {
            EXPECT_THAT(Bus(), ElementsAre(read + "->" + NameHex(static_cast<u32>(r.reg)).substr(6) + ChipOf(b).suffix));
        }
        if (r.reg == -2) {
            EXPECT_THAT(Bus(), IsEmpty());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, StatusTest, ::testing::ValuesIn(kStatusRows), [](const auto& info) {
    return MaskName(info.param.boards) + "_" + NameHex(info.param.index) + "_" + NameSigned(info.param.reg);
});

// ---------------------------------------------------------------------------
// Input selection and the source property (index 0). After open the decoders
// use source 0 (input 1); Kestrel source 2 (input 0), input i being source 2 - i.
struct InputRow {
    u32 boards;
    bool viaSource;  // SetVideoProperty 0 rather than Set_Current_Video_InputID
    s32 value;
    std::string bus;
    u32 status;
    u32 source;  // then recorded
    u32 input;   // then reported by GetVideoInputType
};

const u32 kSaa1 = Bit(kHeronI) | Bit(kBittern) | Bit(kHeronIIReprise);
const InputRow kInputRows[] = {
    {kSaa1, false, 0, "02=C0 09=40", 0, 1, 0}, {kSaa1, false, 1, "02=C9 09=80", 0, 0, 1}, {kSaa1, false, 2, "", kInvalid, 0, 1},
    {kSaa1, true, 1, "02=C0 09=40", 0, 1, 0}, {kSaa1, true, 2, "", kInvalid, 0, 1}, {kSaa1, true, -1, "", kInvalid, 0, 1},
    {E, false, 0, "02=40", 0, 1, 0}, {E, false, 1, "02=55", 0, 0, 1}, {E, true, 1, "02=40", 0, 1, 0},
    {A, false, 0, "02=44", 0, 1, 0}, {A, false, 1, "02=50", 0, 0, 1}, {A, true, 1, "02=44", 0, 1, 0},
    {kTw, false, 2, "", kInvalid, 0, 1}, {kTw, true, -1, "", kInvalid, 0, 1},
    {K, false, 0, "02=C3 09=40", 0, 2, 0}, {K, false, 1, "02=C1 09=40", 0, 1, 1}, {K, false, 2, "02=C8 09=80", 0, 0, 2},
    {K, false, 3, "", kInvalid, 2, 0}, {K, true, 0, "02=C8 09=80", 0, 0, 2}, {K, true, 3, "", kInvalid, 2, 0},
};

class InputTest : public BoardTest, public ::testing::WithParamInterface<InputRow> {};

TEST_P(InputTest, WritesRecordsAndReportsBack) {
    const InputRow& r = GetParam();
    for (size_t b : BoardsOf(r.boards)) {
        SCOPED_TRACE(BoardName(b));
        OpenBoard(b);
        const u32 value = static_cast<u32>(r.value);
        EXPECT_EQ(r.viaSource ? Set(kPropVideoSource, value) : SelectInput(value), r.status);
        EXPECT_THAT(Bus(), ElementsAreArray(OnChip(b, r.bus)));
        Lines traces = {r.viaSource ? "SetVideoProperty 0 " + std::to_string(r.value)
                                    : "Set_Current_Video_InputID " + std::to_string(r.value)};
        if (r.viaSource && r.status != 0) traces.push_back("Error:Unknown Video Source " + std::to_string(r.value) + "!!!");
        EXPECT_THAT(Traces(), ElementsAreArray(traces));
        EXPECT_EQ(Property(kPropVideoSource), r.source);
        EXPECT_EQ(InputType(), r.input);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, InputTest, ::testing::ValuesIn(kInputRows), [](const auto& info) {
    return MaskName(info.param.boards) + (info.param.viaSource ? "_Source" : "_Input") + NameSigned(info.param.value);
});

// ---------------------------------------------------------------------------
// TV standard (0x1002): the line system of the mask picks the list (SAA7115:
// 13 writes, Bittern 12), SAA7113's 0E (01 NTSC or PAL, 50 SECAM) and TW9906's
// 08 (14 or 19); Heron Ascent only records it. The whole mask is recorded;
// 0xFFFFFFFF keeps the recorded one, 0 is refused.
struct StandardRow {
    u32 mask;
    u32 status;
    int lines;             // 525, 625, 0 none
    const char* saa7113;   // register 0E
    bool recorded;
};

const StandardRow kStandardRows[] = {
    {0xA07, 0, 525, "01", true},   {0x1, 0, 525, "01", true},     {0x800, 0, 525, "01", true},
    {0x11, 0, 525, "01", true},    {0x10, 0, 625, "01", true},    {0x400, 0, 625, "01", true},
    {0x5F0, 0, 625, "01", true},   {0x1010, 0, 625, "01", true},  {0x10000, 0, 625, "50", true},
    {0xFF000, 0, 625, "50", true}, {0x80000, 0, 625, "50", true}, {0x100000, 0, 0, "", true},
    {kKeep, 0, 0, "", false},      {0, kInvalid, 0, "", false},
};

Lines StandardWrites(size_t b, int lines, const std::string& saa7113) {
    if (lines == 0) return {};
    if (b == kBittern) return Saa(lines == 525 ? kBittern525 : kBittern625);
    if (b == kHeronIIReprise) return Writes(0x4A, "0E=" + saa7113);
    if (b == kEgret) return Writes(0x88, lines == 525 ? "08=14" : "08=19");
    if (b == kHeronAscent) return {};
    return OnChip(b, lines == 525 ? kHeron525 : kHeron625);
}

class StandardTest : public BoardTest, public ::testing::WithParamInterface<StandardRow> {
protected:
    u32 TunerStandard() {
        u32 value = 0;
        EXPECT_EQ(board(kKestrel).tunerOps->GetTunerProperty(context_, device(), 3, &value, nullptr), 0u);
        return value;
    }
};

TEST_P(StandardTest, ListAndRecord) {
    const StandardRow& r = GetParam();
    for (size_t b : BoardsOf(kDecoders)) {
        SCOPED_TRACE(BoardName(b));
        OpenBoard(b);
        EXPECT_EQ(Set(kPropTvStandard, r.mask), r.status);
        EXPECT_THAT(Bus(), ElementsAreArray(StandardWrites(b, r.lines, r.saa7113)));
        const std::string mask = std::to_string(static_cast<int>(r.mask));
        Lines traces = {"SetVideoProperty 4098 " + mask};
        if (b == kKestrel && r.recorded) traces.push_back("SetTVStandard " + mask);
        EXPECT_THAT(Traces(), ElementsAreArray(traces));
        EXPECT_EQ(Property(kPropTvStandard), r.recorded ? r.mask : 1u);
        if (b == kKestrel) {
            EXPECT_EQ(TunerStandard(), r.recorded ? r.mask : 1u);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Masks, StandardTest, ::testing::ValuesIn(kStandardRows),
                         [](const auto& info) { return "Mask" + NameHex(info.param.mask); });

// A failed write of the list: every write still made, 0xFFFFFFFD, the old standard kept.
TEST_F(StandardTest, FailedWriteKeepsTheOldStandard) {
    for (size_t b : {kHeronI, kBittern, kHeronIIReprise, kEgret, kKestrel}) {
        SCOPED_TRACE(BoardName(b));
        OpenBoard(b);
        Lines expected = StandardWrites(b, 625, "01");
        const size_t failing = std::min<size_t>(2, expected.size());
        expected[failing - 1] += " !55";
        host_.FailNthCall(failing, 0x55);
        EXPECT_EQ(Set(kPropTvStandard, 0x10), kBusFailure);
        EXPECT_THAT(Bus(), ElementsAreArray(expected));
        EXPECT_EQ(Property(kPropTvStandard), 1u);
        if (b == kKestrel) {
            EXPECT_EQ(TunerStandard(), 1u);
        }
    }
}

// ---------------------------------------------------------------------------
// InitVideoSource refused for its standard (after the set-up table and the
// source) or its source (after the table): the status, the calls made, the traces.
struct RefusalRow {
    u32 boards;
    u32 standard;
    u32 source;
    size_t calls;
    const char* traces[2];
};

const RefusalRow kRefusalRows[] = {
    {Bit(kHeronI) | Bit(kBittern), 0, 1, 147, {"SetVideoProperty 0 1", "SetVideoProperty 4098 0"}},
    {Bit(kHeronI) | Bit(kBittern), 0x10, 2, 145, {"SetVideoProperty 0 2", "Error:Unknown Video Source 2!!!"}},
    {Bit(kHeronIIReprise), 0, 0, 69, {"SetVideoProperty 0 0", "SetVideoProperty 4098 0"}},
    {Bit(kHeronIIReprise), 1, 2, 67, {"SetVideoProperty 0 2", "Error:Unknown Video Source 2!!!"}},
    {E, 0, 1, 23, {"SetVideoProperty 0 1", "SetVideoProperty 4098 0"}},
    {E, 1, 2, 22, {"SetVideoProperty 0 2", "Error:Unknown Video Source 2!!!"}},
    {A, 0, 0, 13, {"SetVideoProperty 0 0", "SetVideoProperty 4098 0"}},
    {A, 1, kKeep, 12, {"SetVideoProperty 0 -1", "Error:Unknown Video Source -1!!!"}},  // passed on as it is
    {K, 0, kKeep, 147, {"SetVideoProperty 0 2", "SetVideoProperty 4098 0"}},
    {K, 0x10, 3, 145, {"SetVideoProperty 0 3", "Error:Unknown Video Source 3!!!"}},
};

class RefusalTest : public BoardTest, public ::testing::WithParamInterface<RefusalRow> {};

TEST_P(RefusalTest, StopsBeforeAnyProperty) {
    const RefusalRow& r = GetParam();
    for (size_t b : BoardsOf(r.boards)) {
        SCOPED_TRACE(BoardName(b));
        OpenBoard(b);
        EXPECT_EQ(Init(r.standard, r.source, VideoPropertySet{}), kInvalid);
        EXPECT_EQ(host_.Log().size(), r.calls);
        EXPECT_THAT(Traces(), ElementsAre(r.traces[0], r.traces[1]));
        EXPECT_EQ(Property(kPropTvStandard), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, RefusalTest, ::testing::ValuesIn(kRefusalRows), [](const auto& info) {
    return MaskName(info.param.boards) + "_" + NameHex(info.param.standard) + "_" + NameHex(info.param.source);
});

// ---------------------------------------------------------------------------
// A pointer the operation needs left null: the status (0xFFFFFFFF unless
// noted) and no host call. Void operations just must not touch anything.
struct NullRow {
    u32 boards;
    const char* name;
    u32 (*call)(SimHost& host, const BoardDescriptor& d, void* context, void* device);
    u32 status = kInvalid;
    const char* trace = nullptr;  // the only trace ("": none), where checked
};

u32 g_value = 0;
VideoPropertySet g_properties{};
u32 g_record[kTunerModeCapsFields] = {1};

// A row's call: `host`, the board `d`, its `c`ontext (null for boards without
// one) and the `dev`ice handle.
#define BODY(...)                                                                    \
    [](SimHost & host, const BoardDescriptor& d, void* c, void* dev) -> u32 {        \
        (void)host, (void)d, (void)c, (void)dev;                                     \
        __VA_ARGS__                                                                  \
    }
#define CALL(expr) BODY(return expr;)

const NullRow kNullRows[] = {
    {kDecoders, "SourceWithoutContext", CALL(d.videoOps->SetVideoProperty(nullptr, dev, 0, 1, 0))},
    {kDecoders, "StandardWithoutContext", CALL(d.videoOps->SetVideoProperty(nullptr, dev, 0x1002, 0x10, 0))},
    {kDecoders, "GetWithoutContext", CALL(d.videoOps->GetVideoProperty(nullptr, dev, 0x1002, &g_value))},
    {kDecoders, "GetSourceWithoutValue", CALL(d.videoOps->GetVideoProperty(c, dev, 0, nullptr))},
    {kAll, "GetStatusWithoutValue", CALL(d.videoOps->GetVideoProperty(c, dev, 0x1000, nullptr)), kInvalid, ""},
    {kDecoders, "SelectInputWithoutContext", CALL(d.inputOps->Set_Current_Video_InputID(nullptr, dev, 0))},
    {kDecoders, "InputTypeWithoutContext", CALL(d.inputOps->GetVideoInputType(nullptr))},
    {K, "AudioInputTypeWithoutContext", CALL(d.inputOps->GetAudioInputType(nullptr))},
    {K, "AudioInputWithoutContext", CALL(d.inputOps->Set_Current_Audio_InputID(nullptr, dev, 3))},
    {kDecoders, "InitWithoutContext", CALL(d.videoOps->InitVideoSource(nullptr, dev, 1, 0, &g_properties))},
    {kDecoders | kCameras, "InitWithoutProperties", CALL(d.videoOps->InitVideoSource(c, dev, 1, 0, nullptr))},
    {kDecoders | kCameras, "InitWithoutHostTable",
     BODY(host.RegisterTable(nullptr); const u32 status = d.videoOps->InitVideoSource(c, dev, 1, 0, &g_properties);
          host.Register(); return status;),
     kBusFailure},
    {kDecoders | S, "CaptureWithoutConfig", CALL(d.videoOps->OnStartCapture(c, dev, nullptr)), kInvalid,
     "OnStartCapture video_config == NULL"},
    {Bit(kHeronIIReprise) | E | K, "CaptureWithoutContext",  // and the record untouched
     BODY(Guarded<CaptureConfig> config = HostConfig(0xA07, 720, 480, 0xCC); const Guarded<CaptureConfig> before = config;
          const u32 status = d.videoOps->OnStartCapture(nullptr, dev, config.get());
          return std::memcmp(config.bytes, before.bytes, sizeof config.bytes) == 0 ? status : 0u;)},
    {kOv, "CaptureWithoutDevice", CALL(d.videoOps->OnStartCapture(nullptr, nullptr, nullptr))},
    {kAll, "FormatsWithoutCount", BODY(VideoFormat f[3]; return d.videoOps->GetVideoFormats(c, dev, nullptr, f);)},
    {kAll, "FormatsWithoutRecords",  // and the count left as it was
     BODY(u32 count = 7; const u32 status = d.videoOps->GetVideoFormats(c, dev, &count, nullptr);
          return count == 7 ? status : 0u;)},
    {kAll, "DefaultsWithoutRecord", BODY(d.videoOps->GetDefaultVideoProperties(c, dev, nullptr); return 0;), 0},
    {kAll, "OpenWithoutInfo", BODY(void* out = nullptr; return d.boardOps->OpenBoard(nullptr, &out, nullptr) | (out ? 1 : 0);)},
    {kDecoders, "OpenWithoutContextOut", BODY(BoardInfo info{}; return d.boardOps->OpenBoard(nullptr, nullptr, &info);)},
    {P, "OpenWithoutContextOut", BODY(BoardInfo info{}; return d.boardOps->OpenBoard(nullptr, nullptr, &info);), 0},
    {kAll, "CloseWithoutContext", CALL(d.boardOps->CloseBoard(nullptr)), 0},
    {Bit(kHeronI) | Bit(kBittern) | K, "InitAudioWithoutContext",
     BODY(AudioConfig audio{1, 48000, 0, 0}; return d.audioOps->InitAudio(nullptr, dev, &audio);)},
    {kDecoders & ~K, "InitAudioWithoutConfig", CALL(d.audioOps->InitAudio(c, dev, nullptr))},
    {K | P, "InitAudioWithoutConfig", CALL(d.audioOps->InitAudio(c, dev, nullptr)), 0},
    {kDecoders | P, "ChipConfigWithoutRecord",
     BODY(AudioConfig audio{2, 48000, 1, 1}; d.audioOps->GetAudioChipconfig(c, dev, nullptr, &audio); return 0;), 0},
    // Kestrel's tuner: a value or record the property needs, or the context.
    {K, "TunerValues", BODY(for (u32 id : {0u, 2u, 3u, 5u, 8u, 9u, 10u}) {
         if (const u32 s = d.tunerOps->GetTunerProperty(c, dev, id, nullptr, g_record); s != kInvalid) return s;
     } return kInvalid;)},
    {K, "TunerRecords", BODY(for (u32 id : {1u, 4u, 6u}) {
         if (const u32 s = d.tunerOps->GetTunerProperty(c, dev, id, &g_value, nullptr); s != kInvalid) return s;
     } return d.tunerOps->SetTunerProperty(c, dev, 4, 0, nullptr);)},
    {K, "TunerWithoutContext",
     BODY(const u32 get = d.tunerOps->GetTunerProperty(nullptr, dev, 2, &g_value, nullptr);
          const u32 set = d.tunerOps->SetTunerProperty(nullptr, dev, 2, 1, nullptr);
          const u32 sound = d.tunerOps->SetTunerProperty(nullptr, dev, 10, 0x12, nullptr);
          return get == kInvalid && set == kInvalid ? sound : 0;)},
};

class NullTest : public HostTest, public ::testing::WithParamInterface<NullRow> {};

TEST_P(NullTest, RefusedWithoutHostCalls) {
    const NullRow& r = GetParam();
    for (size_t b : BoardsOf(r.boards)) {
        SCOPED_TRACE(BoardName(b));
        void* context = Open(b);
        Mark();
        EXPECT_EQ(r.call(host_, board(b), context, device()), r.status);
        EXPECT_THAT(host_.Log(), IsEmpty());
        if (r.trace != nullptr) {
            EXPECT_THAT(Traces(), ElementsAreArray(*r.trace == 0 ? Lines{} : Lines{r.trace}));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, NullTest, ::testing::ValuesIn(kNullRows), [](const auto& info) {
    return MaskName(info.param.boards) + "_" + info.param.name;
});

}  // namespace
}  // namespace trel::test
