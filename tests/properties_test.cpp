// The rules several boards share, one table per rule across the boards:
// picture controls, status queries, input selection, TV standards, start-up
// refusals, and pointers the host left null. A row names its boards (joined
// by '+') or a group of boards that take the same code.
#include "saa7115_support.h"

namespace trel::test {
namespace {

using host::Op;
using ::testing::PrintToString;

const std::map<std::string, std::string> kGroups = {
    {"Saa", "Heron I+Bittern+Kestrel+Heron II Reprise"}, {"Tw", "Egret+Heron Ascent"}, {"Vbi", "Heron I+Kestrel"},
    {"TwoSources", "Heron I+Bittern+Heron II Reprise+Tw"}, {"Decoders", "Saa+Tw"}, {"Ov", "Wren+Wren II+Finch"},
    {"Cameras", "Ov+Swift"}};

// The boards of a row ("All": every board of the module's catalogue).
std::vector<size_t> BoardsOf(const std::string& names) {
    std::vector<size_t> boards;
    for (size_t b = 0; names == "All" && b < CatalogueCount(); ++b) boards.push_back(b);
    std::istringstream in(names == "All" ? "" : names);
    for (std::string name; std::getline(in, name, '+');) {
        const auto group = kGroups.find(name);
        for (size_t b : group == kGroups.end() ? std::vector<size_t>{Board(name)} : BoardsOf(group->second)) boards.push_back(b);
    }
    return boards;
}

// The chip a board's picture controls, status queries and standard reach, the
// flags of those calls (Swift and Plover: none, lines written out whole), the
// registers of status queries 0x1000 and 0x1001, the board's standard lists
// for NTSC, PAL and SECAM (Heron Ascent only records the standard), and the
// host calls InitVideoSource makes before it applies the source and before
// the standard.
struct Chip {
    const char* board;
    u8 address;
    const char* suffix;
    u16 status[2];
    std::array<std::string, 3> standards;
    size_t startUp[2];
};
const Chip kChips[] = {
    {"Wren", 0x42, " f1", {}, {}, {}}, {"Wren II", 0x42, " f1", {}, {}, {}}, {"Finch", 0xC0, " f1", {}, {}, {}},
    {"Swift", 0, "", {}, {}, {}},      {"Plover", 0, "", {}, {}, {}},        {"Heron Ascent", 0x88, "", {0x30, 0x01}, {}, {12, 13}},
    {"Heron I", 0x40, "", {0x1F, 0x1F}, {kHeron525, kHeron625, kHeron625}, {145, 147}},
    {"Kestrel", 0x40, " f8000", {0x1F, 0x1F}, {kHeron525, kHeron625, kHeron625}, {145, 147}},
    {"Bittern", 0x40, "", {0x1F, 0x1F}, {kBittern525, kBittern625, kBittern625}, {145, 147}},
    {"Heron II Reprise", 0x4A, "", {0x1F, 0x1F}, {"0E=01", "0E=01", "0E=50"}, {67, 69}},
    {"Egret", 0x88, "", {0x30, 0x01}, {"08=14", "08=19", "08=19"}, {22, 23}},
};

class RuleTest : public BoardTest {
protected:
    const Chip& ChipOf(size_t board) {
        static const Chip kNone = {"", 0, "", {}, {}, {}};
        for (const Chip& chip : kChips)
            if (BoardName(board) == chip.board) return chip;
        ADD_FAILURE() << "no chip listed for " << BoardName(board);
        return kNone;
    }
    Lines OnChip(const std::string& list) { return Writes(ChipOf(index_).address, list, ChipOf(index_).suffix); }
    // Opens `board` with the host's answers reset (SCOPED_TRACE names the case).
    void Start(size_t board) {
        host_.ClearFailures();
        OpenBoard(board);
    }
    void ExpectCall(u32 status, u32 expected, const Lines& bus, const Lines& traces) {
        EXPECT_EQ(status, expected);
        EXPECT_THAT(Bus(), ElementsAreArray(bus));
        EXPECT_THAT(Traces(), ElementsAreArray(traces));
    }
    void ExpectStandard(u32 standard) {  // recorded, on the tuner board for the tuner as well
        EXPECT_EQ(Property(kPropTvStandard), standard);
        u32 tuner = 0;
        const TunerOps* ops = board(index_).tunerOps;
        EXPECT_TRUE(ops == nullptr || (ops->GetTunerProperty(context_, device(), 3, &tuner, nullptr) == 0 && tuner == standard));
    }
};

// ---------------------------------------------------------------------------
// SetVideoProperty: each call of a row (index, value, extra) -> the bus lines
// ("!": refused with the row's status, "?": an index the board does not
// know, kNotSupported; nothing written either way), the trace
// "SetVideoProperty <index> <value>" and the VBI service's own, its name and
// "enable" (a non-zero extra) or "disable". kInput:
// Set_Current_Video_InputID instead, the input then reported back by
// GetVideoInputType: input 0 selects source 1 and input 1 source 0 (Kestrel:
// input i is source 2 - i).
constexpr u32 kInput = 0xFFFF0000;

TEST_F(RuleTest, PropertiesAndInputs) {
    const auto Wst = [](const char* v) {  // lines 6 to 22: registers 45 to 55
        std::string list;
        for (u32 reg = 0x45; reg <= 0x55; ++reg) list += NameHex(reg).substr(6) + "=" + v + " ";
        return list;
    };
    struct Call {
        u32 index;
        s32 value;
        std::string bus;
        u32 extra = 0;
        const char* vbi = nullptr;  // the VBI service traced
    };
    const struct {
        const char* boards;
        u32 refused;
        std::vector<Call> calls;
    } rows[] = {
        // SAA7115/SAA7113: brightness to 00..FF, contrast and saturation to 00..7F, hue to signed 80..7F.
        {"Saa", kInvalid, {{1, 0, "0A=00"}, {1, 100, "0A=FF"}, {1, 101, "!"}, {1, -1, "!"}, {3, 100, "0B=7F"}, {3, 101, "!"},
                           {3, -1, "!"}, {7, 100, "0C=7F"}, {7, 101, "!"}, {7, -1, "!"}, {5, -50, "0D=80"}, {5, -1, "0D=FD"},
                           {5, 50, "0D=7F"}, {5, 51, "!"}, {5, -51, "!"}, {2, 3, "?"}, {9, 3, "?"}, {0x1000, 3, "?"}}},
        // VBI services: extra switches them; WST625 writes F1 (Heron I) or 11 (Kestrel) to lines 6..22.
        {"Vbi", kInvalid, {{0x1003, 1, "53=F5", 1, "CGMS NTSC"}, {0x1003, 1, "53=FF", 0, "CGMS NTSC"},
                           {0x1003, 2, "56=F5", 7, "CGMS PAL"}, {0x1003, 3, "54=F4", 1, "Close Caption"},
                           {0x1003, 6, Wst("FF"), 0, "WST625"}, {0x1003, 4, "", 1}, {0x1003, 9, "", 0},
                           {0x1003, 0, "?", 1}, {0x1003, 10, "?", 1}}},
        {"Heron I", kInvalid, {{0x1003, 5, Wst("F1"), 1, "WST625"}}},
        {"Bittern", kInvalid, {{0x1003, 1, "?", 1}}},  // wired like Heron I, but slices no VBI
        {"Kestrel", kInvalid, {{0x1003, 5, Wst("11"), 1, "WST625"}, {kInput, 0, "02=C3 09=40"}, {kInput, 1, "02=C1 09=40"},
                               {kInput, 2, "02=C8 09=80"}, {kInput, 3, "!"}}},
        {"Heron I+Bittern+Heron II Reprise", kInvalid, {{kInput, 0, "02=C0 09=40"}, {kInput, 1, "02=C9 09=80"}}},
        {"TwoSources", kInvalid, {{kInput, 2, "!"}}},
        // TW9903/5 and TW9906: brightness a signed byte round 50; saturation 13 = s + 37 and 14 = s (TW9903/5)
        // or s + 37 (TW9906); sharpness keeps the high bits of 12 (read as A5), low bits x 7 / 100 or / 50.
        {"Tw", kInvalid, {{1, 0, "10=81"}, {1, 100, "10=7F"}, {1, 101, "!"}, {1, -1, "!"}, {3, 100, "11=FF"}, {3, 101, "!"},
                          {3, -1, "!"}, {5, -50, "15=80"}, {5, -1, "15=FD"}, {5, 50, "15=7F"}, {5, 51, "!"}, {5, -51, "!"},
                          {7, 101, "!"}, {9, -1, "!"}, {9, 101, "!"}, {2, 0, "?"}, {0x1003, 0, "?"}}},
        {"Heron Ascent", kInvalid, {{7, 100, "13=FF 14=DA"}, {7, 0, "13=25 14=00"}, {9, 100, "12->A5 12=A7"}, {9, 14, "12->A5 12=A0"},
                                    {kInput, 0, "02=44"}, {kInput, 1, "02=50"}}},
        {"Egret", kInvalid, {{7, 100, "13=FF 14=FF"}, {7, 0, "13=25 14=25"}, {9, 100, "12->A5 12=AE"}, {9, 8, "12->A5 12=A1"},
                             {kInput, 0, "02=40"}, {kInput, 1, "02=55"}}},
        // OmniVision sensors (flags 1): out of range is ignored with success.
        {"Ov", 0, {{1, 0, "06=00"}, {1, 100, "06=FF"}, {1, 101, "!"}, {1, -1, "!"}, {7, 0, "03=00"}, {7, 100, "03=FF"},
                   {7, 101, "!"}, {5, -50, "04=20"}, {5, 50, "04=3F"}, {5, -51, "!"}, {5, 51, "!"}, {9, 50, "?"}, {0x1002, 1, "?"}}},
        {"Cameras", 0, {{3, 50, "?"}, {0, 0, "?"}}},
        // Swift: exposure as two bit-reversed serial words (n 531 - 5.3 x value), hue and saturation in the encoder.
        {"Swift", 0, {{1, 0, "SER_5E/1/32 SER_DE/1/04"}, {1, 50, "SER_5E/1/14 SER_DE/1/08"}, {1, 100, "SER_5E/1/20 SER_DE/1/00"},
                      {1, 101, "!"}, {5, -50, "ENC_4137=3F"}, {5, -1, "ENC_4137=20"}, {5, 50, "ENC_4137=1F"}, {5, -51, "!"},
                      {5, 51, "!"}, {7, 0, "ENC_4136=00"}, {7, 100, "ENC_4136=7F"}, {7, 101, "!"}, {0x1001, 0, "?"}}},
        // Plover only traces.
        {"Plover", 0, {{1, 60, ""}, {0x1002, -1, ""}, {5, -50, ""}}},
    };
    for (const auto& r : rows) {
        for (size_t b : BoardsOf(r.boards)) {
            for (const Call& c : r.calls) {
                SCOPED_TRACE(BoardName(b) + " index " + std::to_string(c.index) + " value " + std::to_string(c.value));
                Start(b);
                host_.SetReg(0x88, 0x12, 0xA5);
                const bool written = c.bus != "!" && c.bus != "?", input = c.index == kInput;
                const u32 value = static_cast<u32>(c.value);
                Lines traces = {input ? Line(kSetVideoInput, c.value) : Line(kSetVideoProperty, c.index, c.value)};
                if (c.vbi != nullptr) traces.push_back(Line(kVbi, c.vbi, c.extra != 0 ? "enable" : "disable"));
                const u32 status = input ? SelectInput(value) : Set(c.index, value, c.extra);
                ExpectCall(status, written ? 0 : c.bus == "!" ? r.refused : kNotSupported, OnChip(written ? c.bus : ""), traces);
                EXPECT_TRUE(!input || InputType() == (written ? value : board(b).tunerOps ? 0 : 1));
            }
        }
    }
}

// Source and VBI write results are not reported, and the source is recorded
// whatever the bus answered (a picture control's result is: the fault sweep).
// TW99xx sharpness: a failed read of 12 counts as high bits 0.
TEST_F(RuleTest, UncheckedWritesAndAFailedSharpnessRead) {
    for (size_t b : BoardsOf("Decoders")) {
        SCOPED_TRACE(BoardName(b));
        Start(b);
        host_.FailMatching(Service::I2cWrite);
        EXPECT_EQ(Set(kPropVideoSource, 1), 0u);
        EXPECT_EQ(Property(kPropVideoSource), 1u);
        Mark();
        const u32 vbi = Set(kPropVbiService, 5, 1);  // WST625 on the VBI boards: 17 writes, all failed
        EXPECT_TRUE(vbi == kNotSupported || (vbi == 0 && host_.Log().size() == 17)) << vbi;
    }
    for (size_t b : BoardsOf("Tw")) {
        Start(b);
        host_.FailMatching(Service::I2cRead, 0x88, 0x12);
        EXPECT_EQ(Set(kPropSharpness, 0), 0u);
        EXPECT_THAT(Bus(), ElementsAre("I2C 88 R 12 !1", "I2C 88 W 12=00"));
    }
}

// ---------------------------------------------------------------------------
// GetVideoProperty status queries: the board's status register read (its
// value; -1: the read fails; -2: no read), the value the host gets (77
// before), the status and the value the closing trace "GetVideoProperty
// return <closing>" prints.
TEST_F(RuleTest, StatusQueries) {
    const struct {
        const char* boards;
        u32 index;
        int byte;
        u32 value, status;
        std::optional<s32> closing = {};  // none: no closing trace
    } rows[] = {
        // SAA: 0x1000 is bit 1, 0x1001 is "bit 6 clear".
        {"Saa", 0x1000, 0x02, 1, 0, 0}, {"Saa", 0x1000, 0xFD, 0, 0, 0}, {"Saa", 0x1001, 0xBF, 1, 0, 0},
        {"Saa", 0x1001, 0x40, 0, 0, 0}, {"Saa", 0x1000, -1, 0, kBusFailure, -3}, {"Saa", 0x1001, -1, 0, kBusFailure, -3},
        {"Saa", 2, -2, 0, kNotSupported}, {"Tw", 0x1003, -2, 0, kNotSupported},
        // TW: Heron Ascent's closing trace prints the value, Egret's the status.
        {"Heron Ascent", 0x1000, 0xE5, 0x60, 0, 96}, {"Heron Ascent", 0x1001, 0x40, 1, 0, 1},
        {"Heron Ascent", 0x1001, 0xBF, 0, 0, 0}, {"Heron Ascent", 0x1000, -1, 0, kBusFailure, 0},
        {"Egret", 0x1000, 0xE5, 0x04, 0, 0}, {"Egret", 0x1001, 0x40, 0, 0, 0}, {"Egret", 0x1001, 0xBF, 1, 0, 0},
        {"Egret", 0x1001, -1, 0, kBusFailure, -3},
        // Cameras and Plover answer without the bus; Plover leaves other values as they were.
        {"Cameras+Plover", 0x1000, -2, 0, 0, 0}, {"Cameras+Plover", 0x1001, -2, 1, 0, 1},
        {"Cameras", 0x1002, -2, 77, kNotSupported}, {"Cameras", 1, -2, 77, kNotSupported},
        {"Plover", 2, -2, 77, 0, 77}, {"Plover", 0x1002, -2, 77, 0, 77}, {"Plover", 0xFFFFFFFF, -2, 77, 0, 77},
    };
    for (const auto& r : rows) {
        for (size_t b : BoardsOf(r.boards)) {
            SCOPED_TRACE(BoardName(b) + " index " + Hex32(r.index) + " byte " + std::to_string(r.byte));
            Start(b);
            const Chip& chip = ChipOf(b);
            const u16 reg = chip.status[r.index == 0x1000 ? 0 : 1];
            if (r.byte == -1) host_.FailMatching(Service::I2cRead, chip.address, reg);
            if (r.byte >= 0) host_.SetReg(chip.address, reg, static_cast<u8>(r.byte));
            u32 value = 77;
            const u32 status = Get(r.index, &value);
            EXPECT_EQ(value, r.value);
            const std::string read = NameHex(reg).substr(6) + (r.byte == -1 ? "" : "->" + NameHex(static_cast<u32>(r.byte)).substr(6));
            const Lines bus = {"I2C " + NameHex(chip.address).substr(6) + " R " + read + chip.suffix + (r.byte == -1 ? " !1" : "")};
            Lines traces = {Line(kGetVideoProperty, r.index)};
            if (r.closing) traces.push_back(Line(kGetVideoPropertyReturn, *r.closing));
            ExpectCall(status, r.status, r.byte == -2 ? Lines{} : bus, traces);
        }
    }
}

// ---------------------------------------------------------------------------
// TV standard (0x1002): the family of the mask picks the board's list (NTSC
// first, then PAL, then SECAM); a mask of no family writes nothing. The whole
// mask is recorded; 0xFFFFFFFF keeps the recorded one, 0 is refused. A failed
// write of the list: the writes up to it made, 0xFFFFFFFD, the old standard kept.
TEST_F(RuleTest, StandardFamilies) {
    // The mask, and the family whose list it writes (0 NTSC, 1 PAL, 2 SECAM, -1 none).
    const std::pair<u32, int> masks[] = {{0xA07, 0},   {0x1, 0},       {0x800, 0},  {0x11, 0},    {0x10, 1},
                                         {0x400, 1},   {0x5F0, 1},     {0x1010, 1}, {0x10000, 2}, {0xFF000, 2},
                                         {0x80000, 2}, {0x100000, -1}, {kKeep, -1}, {0, -1}};
    for (const auto& [mask, family] : masks) {
        const bool recorded = mask != kKeep && mask != 0;
        for (size_t b : BoardsOf("Decoders")) {
            SCOPED_TRACE(BoardName(b) + " mask " + Hex32(mask));
            Start(b);
            Lines traces = {Line(kSetVideoProperty, 4098, mask)};
            if (board(b).tunerOps != nullptr && recorded) traces.push_back(Line(kSetTvStandard, mask));
            ExpectCall(Set(kPropTvStandard, mask), mask == 0 ? kInvalid : 0u,
                       family < 0 ? Lines{} : OnChip(ChipOf(b).standards[family]), traces);
            ExpectStandard(recorded ? mask : 1u);
        }
    }
    for (size_t b : Boards({"Heron I", "Bittern", "Heron II Reprise", "Egret", "Kestrel"})) {
        SCOPED_TRACE(BoardName(b) + " failing");
        Start(b);
        Lines expected = OnChip(ChipOf(b).standards[1]);
        const size_t failing = std::min<size_t>(2, expected.size());
        expected[failing - 1] += " !55";
        host_.FailNthCall(failing, 0x55);
        EXPECT_EQ(Set(kPropTvStandard, 0x10), kBusFailure);
        EXPECT_THAT(Bus(), ElementsAreArray(expected));
        ExpectStandard(1);
    }
}

// ---------------------------------------------------------------------------
// InitVideoSource refused for its standard 0 (after the set-up table and the
// source) or its source (after the table): nothing after it is applied
// (each property would trace), the calls made, the standard left as it was.
TEST_F(RuleTest, StartUpRefusals) {
    for (size_t b : BoardsOf("Decoders")) {
        SCOPED_TRACE(BoardName(b));
        Start(b);
        const u32 source = Property(kPropVideoSource);
        Mark();
        EXPECT_EQ(Init(0, source, VideoPropertySet{}), kInvalid);
        EXPECT_THAT(Traces(), ElementsAre(Line(kSetVideoProperty, 0, source), Line(kSetVideoProperty, 4098, 0)));
        EXPECT_EQ(host_.Log().size(), ChipOf(b).startUp[1]);
        Mark();
        EXPECT_EQ(Init(0x10, 3, VideoPropertySet{}), kInvalid);
        EXPECT_THAT(Traces(), ElementsAre(Line(kSetVideoProperty, 0, 3), Line(kUnknownVideoSource, 3)));
        EXPECT_EQ(host_.Log().size(), ChipOf(b).startUp[0]);
        ExpectStandard(1);
    }
}

// ---------------------------------------------------------------------------
// A pointer the operation needs left null (or the host's services table
// unregistered), through the host's engine: the status (0xFFFFFFFF unless
// noted; operations without a result: 0), no host call, nothing the host
// sees as misuse, no context from OpenBoard, the records handed over left as
// they were (those the module reads hold what the host usually hands over,
// the others 0xCC), and the only trace ("": none) where checked.
enum Missing : u8 { kContext = 1, kFirst = 2, kSecond = 4, kContextOut = 8, kServices = 16 };

TEST_F(HostTest, NullPointersAreRefusedWithoutHostCalls) {
    const struct {
        const char* boards;
        Op op;
        std::vector<u32> firsts;  // the first u32 argument, a call each (none: 0)
        u32 second;
        u8 missing;
        u32 status = kInvalid;
        const char* trace = nullptr;
        bool untouched = true;
    } rows[] = {
        {"Decoders", Op::SetVideoProperty, {0}, 1, kContext}, {"Decoders", Op::SetVideoProperty, {0x1002}, 0x10, kContext},
        {"Decoders", Op::GetVideoProperty, {0x1002}, 0, kContext, kInvalid, nullptr, false},  // the value cleared first
        {"Decoders", Op::GetVideoProperty, {0}, 0, kFirst}, {"All", Op::GetVideoProperty, {0x1000}, 0, kFirst, kInvalid, ""},
        {"Decoders", Op::SetCurrentVideoInputId, {0}, 0, kContext}, {"Decoders", Op::GetVideoInputType, {}, 0, kContext},
        {"Kestrel", Op::GetAudioInputType, {}, 0, kContext}, {"Kestrel", Op::SetCurrentAudioInputId, {3}, 0, kContext},
        {"Decoders", Op::InitVideoSource, {1}, 0, kContext}, {"Decoders+Cameras", Op::InitVideoSource, {1}, 0, kFirst},
        {"Decoders+Cameras", Op::InitVideoSource, {1}, 0, kServices, kBusFailure},
        {"Decoders+Swift", Op::OnStartCapture, {}, 0, kFirst, kInvalid, kNoCaptureConfig},
        {"Plover", Op::OnStartCapture, {}, 0, kFirst, 0, ""}, {"Heron II Reprise+Egret+Kestrel", Op::OnStartCapture, {}, 0, kContext},
        {"All", Op::GetVideoFormats, {}, 0, kFirst}, {"All", Op::GetVideoFormats, {}, 0, kSecond},
        {"All", Op::GetDefaultVideoProperties, {}, 0, kFirst, 0},
        {"All", Op::OpenBoard, {}, 0, kFirst}, {"Decoders", Op::OpenBoard, {}, 0, kContextOut},
        {"Plover", Op::OpenBoard, {}, 0, kContextOut, 0, nullptr, false}, {"All", Op::CloseBoard, {}, 0, kContext, 0},
        {"Heron I+Bittern+Kestrel", Op::InitAudio, {}, 0, kContext}, {"Kestrel+Plover", Op::InitAudio, {}, 0, kFirst, 0},
        {"TwoSources", Op::InitAudio, {}, 0, kFirst}, {"Decoders+Plover", Op::GetAudioChipconfig, {}, 0, kFirst, 0},
        // A missing audio configuration is never read: the variant-2 and -3 boards say so.
        {"Heron I+Bittern+Kestrel+Plover", Op::GetAudioChipconfig, {}, 0, kSecond, 0, ""},
        {"Heron II Reprise+Egret+Heron Ascent", Op::GetAudioChipconfig, {}, 0, kSecond, 0, kNoAudioConfig},
        // Kestrel's tuner: a value or record the property needs, or the context.
        {"Kestrel", Op::GetTunerProperty, {0, 2, 3, 5, 8, 9, 10}, 0, kFirst}, {"Kestrel", Op::GetTunerProperty, {1, 4, 6}, 0, kSecond},
        {"Kestrel", Op::SetTunerProperty, {4}, 0, kFirst}, {"Kestrel", Op::GetTunerProperty, {2}, 0, kContext},
        {"Kestrel", Op::SetTunerProperty, {2}, 1, kContext}, {"Kestrel", Op::SetTunerProperty, {10}, 0x12, kContext},
    };
    const auto handed = [](Op op, size_t i) {
        if (op == Op::OnStartCapture) return BytesOf(*HostConfig(kStdNtscFamily, 720, 480, 0).get());  // vOffset 0: the NTSC rule
        if ((op == Op::InitAudio && i == 0) || (op == Op::GetAudioChipconfig && i == 1)) return BytesOf(AudioConfig{1, 48000, 0, 0});
        return std::vector<u8>{0xCC};
    };
    host::Engine engine(host_);
    for (const auto& r : rows) {
        for (size_t b : BoardsOf(r.boards)) {
            for (u32 first : r.firsts.empty() ? std::vector<u32>{0} : r.firsts) {
                SCOPED_TRACE(BoardName(b) + " " + host::OpName(r.op) + " " + std::to_string(first) + " " + std::to_string(r.missing));
                host::Step step;
                step.board = b;
                engine.Run(step);
                step.op = r.op;
                step.args = {first, r.second, 0};
                step.context = (r.missing & kContext) != 0 ? host::kNullContext : host::kCurrentContext;
                step.contextOut = (r.missing & kContextOut) == 0;
                for (size_t i = 0; i < 2; ++i) step.records[i] = {(r.missing & (i == 0 ? kFirst : kSecond)) != 0, handed(r.op, i), 0xCC};
                if ((r.missing & kServices) != 0) host_.RegisterTable(nullptr);
                const host::SessionStep s = engine.Run(step);
                host_.Register();
                EXPECT_EQ(s.status.value_or(0), r.status);
                EXPECT_THAT(s.bus, IsEmpty());
                EXPECT_THAT(s.problems, IsEmpty());
                EXPECT_TRUE(r.op != Op::OpenBoard || s.context == nullptr);
                for (size_t i = 0; i < 2 && r.untouched; ++i) {
                    std::vector<u8> bytes = step.records[i].bytes;
                    bytes.resize(s.records[i].size(), 0xCC);
                    EXPECT_EQ(s.records[i], bytes) << "record " << i;
                }
                EXPECT_TRUE(r.trace == nullptr || s.traces == (*r.trace == 0 ? Lines{} : Lines{r.trace})) << PrintToString(s.traces);
                engine.CloseAll();
            }
        }
    }
}

}  // namespace
}  // namespace trel::test
