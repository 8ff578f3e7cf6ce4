// Every board's session with the k-th host call failed, for every k: each
// operation must answer the failure with one of the host's failure policies,
// and which policy, operation by operation, is pinned per board below. Nothing
// may crash, leak, write outside the host's records or break a trace message.
// Also: allocation failure at every OpenBoard, and two devices of one board
// type (decoders keep separate state, cameras share their flag and table).
#include "test_support.h"

namespace trel::test {
namespace {

using host::Op;
using host::SessionStep;
using host::Step;

// The result the failed call returns: distinct from every status code, so a
// status equal to it can only be the host's result handed back.
constexpr u32 kInjected = 0x00000007;

// The session swept: the host's usual session (the set-up with source 0),
// then every property set to its default and read back, both inputs, the
// tuner's properties read and a channel set, a capture at each format, close.
std::vector<Step> SweptSession(size_t b) {
    SimHost host;
    const BoardDescriptor& board = host.Board(b);
    std::vector<Step> steps = host::UsualSession(board, b);
    VideoPropertySet defaults{};
    host::Engine probe(host, [&defaults](const SessionStep& s) { defaults = s.properties.value_or(defaults); });
    probe.RunAll(steps);
    std::erase_if(steps, [](const Step& s) { return s.op == Op::OnStartCapture || s.op == Op::CloseBoard; });
    for (Step& s : steps)
        if (s.op == Op::InitVideoSource) s.args[1] = 0;  // Heron Ascent refuses the keep value
    const auto add = [&](Op op, std::array<u32, 3> args = {}) -> Step& {
        Step& step = steps.emplace_back();
        std::tie(step.op, step.board, step.args) = std::tie(op, b, args);
        return step;
    };
    for (u32 p = 1; board.videoOps != nullptr && p <= kVideoPropertyCount; ++p) {
        add(Op::SetVideoProperty, {p, defaults.value[p - 1], 0});
        add(Op::GetVideoProperty, {p, 0, 0});
    }
    for (u32 input = 2; board.inputOps != nullptr && input-- > 0;) {
        add(Op::SetCurrentVideoInputId, {input, 0, 0});
        add(Op::GetVideoInputType);
    }
    if (board.tunerOps != nullptr) {
        for (u32 id = 0; id <= 10; ++id) add(Op::GetTunerProperty, {id, 0, 0}).records[1].bytes = {1, 0, 0, 0};  // TV
        add(Op::SetTunerProperty, {2, 1, 0});                                                             // TV mode
        add(Op::SetTunerProperty, {4, 0, 0}).records[0].bytes = BytesOf(u32{55'250'000});                 // a channel
    }
    for (const VideoFormat& f : probe.Formats(b)) add(Op::OnStartCapture).capture = {f.standardMask, f.width, f.height};
    add(Op::CloseBoard);
    return steps;
}

// The steps as run, with call `call` (1 = the first) of step `failed` failing.
std::vector<SessionStep> RunSteps(std::vector<Step> steps, size_t failed = 0, size_t call = 0) {
    SimHost host;
    host::Engine engine(host);
    steps[failed].answers.failCall = call;
    steps[failed].answers.failResult = kInjected;
    std::vector<SessionStep> done;
    done.reserve(steps.size());
    for (const Step& step : steps) done.push_back(engine.Run(step));  // on after a failed open, too
    return done;
}

// How an operation answered the failure of its call `j`:
//   U unchecked: the status as without the failure and, after a failed write,
//     the same later calls (after a read or a parameter, later calls may
//     follow the answer);
//   S stop: 0xFFFFFFFD and no later call;
//   H the host's result handed back, no later call;
//   O OR-ed block: the remaining writes to the same chip still made (the
//     calls that followed without the failure, up to the block's end), then
//     0xFFFFFFFD; the block's last write ends it as a stop would;
//   P skipped pair: the status as without the failure, exactly the next call
//     skipped;
//   ? none of these.
char Policy(const SessionStep& clean, const SessionStep& faulty, size_t j, char previous) {
    const auto after = [j](const SessionStep& s) {
        Lines calls;
        for (size_t c = j + 1; c < s.bus.size(); ++c) calls.push_back(s.bus[c].Format());
        return calls;
    };
    const Lines was = after(clean), made = after(faulty);
    const BusCall& failed = faulty.bus[j];
    const bool read = failed.service == Service::I2cRead || failed.service == Service::I2cReadSubaddress ||
                      failed.service == Service::QueryParameter;  // an answer: later calls may follow it
    const bool same = faulty.status == clean.status;
    if (same && (read || made == was)) return 'U';
    if (same && !was.empty() && made == Lines(was.begin() + 1, was.end())) return 'P';
    if (faulty.status == kInjected && made.empty()) return 'H';
    if (faulty.status != kBusFailure) return '?';
    const bool block = made.size() <= was.size() && std::equal(made.begin(), made.end(), was.begin()) &&
                       std::all_of(faulty.bus.begin() + static_cast<long>(j), faulty.bus.end(), [&](const BusCall& c) {
                           return c.service == Service::I2cWrite && c.address == failed.address;
                       });
    if (block && (!made.empty() || previous == 'O')) return 'O';
    return made.empty() ? 'S' : '?';
}

// Per board: each operation that makes host calls, with the policies of each
// of its steps in session order (runs of one policy written once, steps
// separated by blanks). Boards without host calls have an empty entry.
const std::map<std::string, std::string> kPolicies = {
    // "50Hz" is a value, never a failure; the sensor set-up table stops, the
    // properties it applies after it and capture start check nothing.
    {"Wren", "OpenBoard U; InitVideoSource SU; SetVideoProperty U U U; OnStartCapture U"},
    {"Wren II", "OpenBoard U; InitVideoSource SU; SetVideoProperty U U U; OnStartCapture U"},
    {"Finch", "OpenBoard U; InitVideoSource SU; SetVideoProperty U U U; OnStartCapture U"},
    // The device controls before the CCD pass are unchecked; a failed word
    // ends the pass (set-up: 0xFFFFFFFD, capture start: the host's result); a
    // failed first exposure word skips the second; the rest is unchecked.
    {"Swift", "OpenBoard U; InitVideoSource USPU; SetVideoProperty PU U U; OnStartCapture UHU"},
    // SAA7115: the set-up table stops, the source writes are unchecked, the
    // standard list is OR-ed, the picture controls hand the host's result
    // back; audio clock, inputs and capture start check nothing.
    {"Heron I", "InitVideoSource SUOU; InitAudio U; SetVideoProperty H H H H; Set_Current_Video_InputID U U; "
                "OnStartCapture U U U"},
    {"Bittern", "InitVideoSource SUOU; InitAudio U; SetVideoProperty H H H H; Set_Current_Video_InputID U U"},
    // As Heron I, then unchecked TV-audio writes; a failed audio status read
    // ends GetTunerProperty 8 and 9; tuner writes check nothing.
    {"Kestrel", "InitVideoSource SUOU; SetVideoProperty H H H H; Set_Current_Video_InputID U U; "
                "GetTunerProperty S S; SetTunerProperty U U; OnStartCapture U U U"},
    // SAA7113: one checked standard write after the source writes.
    {"Heron II Reprise", "InitVideoSource SUSU; InitAudio U; SetVideoProperty H H H H; "
                         "Set_Current_Video_InputID U U; OnStartCapture U U U"},
    // TW9906: device controls, the table, the source write, the standard
    // write; saturation's first write and sharpness's read are unchecked.
    {"Egret", "InitVideoSource USUSU; InitAudio U; SetVideoProperty H H H UH UH; Set_Current_Video_InputID U U; "
              "OnStartCapture U U U"},
    // TW9903/5: the identity read is unchecked; no standard write.
    {"Heron Ascent", "InitVideoSource USU; InitAudio U; SetVideoProperty H H H UH UH; Set_Current_Video_InputID U U"},
    {"Plover", ""},
};

class FaultSweep : public HostTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(FaultSweep, EveryHostCallFailedInTurn) {
    const auto expected = kPolicies.find(BoardKey(GetParam()));
    ASSERT_NE(expected, kPolicies.end()) << "no failure policies for " << BoardName(GetParam());
    const std::vector<Step> steps = SweptSession(GetParam());
    const std::vector<SessionStep> clean = RunSteps(steps);
    std::string seen, operation;
    for (size_t s = 0; s < steps.size(); ++s) {
        std::string runs;
        for (size_t j = 0; j < clean[s].bus.size(); ++j) {
            SCOPED_TRACE(clean[s].operation + " " + clean[s].arguments + ", call " + clean[s].bus[j].Format());
            const std::vector<SessionStep> faulty = RunSteps(steps, s, j + 1);
            for (const SessionStep& step : faulty) EXPECT_THAT(step.problems, IsEmpty()) << step.operation;
            ASSERT_TRUE(j < faulty[s].bus.size() && faulty[s].bus[j].injected);
            const char policy = Policy(clean[s], faulty[s], j, runs.empty() ? ' ' : runs.back());
            EXPECT_NE(policy, '?') << "status " << faulty[s].StatusText() << ", " << faulty[s].bus.size() << " calls";
            if (runs.empty() || runs.back() != policy) runs += policy;
        }
        if (runs.empty()) continue;
        seen += (clean[s].operation == operation ? " " : (seen.empty() ? "" : "; ") + clean[s].operation + " ") + runs;
        operation = clean[s].operation;
    }
    EXPECT_EQ(seen, expected->second);
}

INSTANTIATE_TEST_SUITE_P(AllBoards, FaultSweep, AllBoards(), BoardParamName);

// Allocation failure at OpenBoard: boards with a context answer 0xFFFFFFFE
// and leave the context pointer and the board information as given; the
// others allocate nothing and open.
class OpenAllocationFailure : public HostTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(OpenAllocationFailure, LeavesEverythingAsGiven) {
    const bool hasContext = Open(GetParam()) != nullptr;
    Mark();
    Kernel::Get().FailAllocation(1);
    Guarded<BoardInfo> info(0x5A);
    void* out = &info;  // a sentinel
    const u32 status = board(GetParam()).boardOps->OpenBoard(nullptr, &out, info.get());
    Kernel::Get().FailAllocation(0);
    EXPECT_EQ(status, hasContext ? 0xFFFFFFFEu : kStatusSuccess);
    EXPECT_EQ(out, &info);  // boards without a context never store one
    if (!hasContext) return;
    EXPECT_TRUE(std::all_of(info.bytes, info.bytes + sizeof(BoardInfo), [](u8 b) { return b == 0x5A; }));
    EXPECT_TRUE(info.GuardIntact());
    EXPECT_THAT(Bus(), IsEmpty());
    EXPECT_THAT(Traces(), IsEmpty());  // Kestrel's open trace comes only after the allocation
}

INSTANTIATE_TEST_SUITE_P(AllBoards, OpenAllocationFailure, AllBoards(), BoardParamName);

// Two devices of one decoder board type (a board with input operations),
// interleaved: each keeps the input and the standard it was given, and each
// one's bus calls carry its own device handle.
TEST_F(HostTest, TwoDecodersShareNoState) {
    std::vector<u8> secondDevice(kDeviceRecordMinSize, 0);
    void* const devices[2] = {device(), secondDevice.data()};
    constexpr u32 kMasks[2] = {kStdNtscM, 0x10};
    for (size_t index = 0; index < CatalogueCount(); ++index) {
        if (board(index).inputOps == nullptr) continue;
        SCOPED_TRACE(BoardName(index));
        const InputOps& inputs = *board(index).inputOps;
        const VideoOps& video = *board(index).videoOps;
        void* const contexts[2] = {Open(index), Open(index)};
        ASSERT_NE(contexts[0], contexts[1]);
        // Device 0 takes input 0 and NTSC-M, device 1 input 1 and PAL-B; then the
        // other way round. Each reads back its own.
        for (u32 round = 0; round < 2; ++round) {
            for (u32 d = 0; d < 2; ++d) {
                Mark();
                ASSERT_EQ(inputs.Set_Current_Video_InputID(contexts[d], devices[d], d ^ round), kStatusSuccess);
                ASSERT_EQ(video.SetVideoProperty(contexts[d], devices[d], kPropTvStandard, kMasks[d ^ round], 0), 0u);
                for (const BusCall& call : host_.Log()) EXPECT_EQ(call.device, devices[d]) << call.Format();
            }
            for (u32 d = 0; d < 2; ++d) {
                SCOPED_TRACE("device " + std::to_string(d) + ", round " + std::to_string(round));
                EXPECT_EQ(inputs.GetVideoInputType(contexts[d]), d ^ round);
                u32 standard = 0;
                EXPECT_EQ(video.GetVideoProperty(contexts[d], devices[d], kPropTvStandard, &standard), kStatusSuccess);
                EXPECT_EQ(standard, kMasks[d ^ round]);
            }
        }
    }
}

// Two devices of one camera board type (a board with a stream format table)
// share the board's 50 Hz flag and its table: opening the second with another
// "50Hz" answer changes what the first hands out. Another camera board keeps
// its own flag and table.
TEST_F(HostTest, TwoCamerasShareTheFlagAndTheTable) {
    std::vector<size_t> cameras;
    for (size_t b = 0; b < CatalogueCount(); ++b)
        if (board(b).videoOps->GetStreamFormatTable() != nullptr) cameras.push_back(b);
    ASSERT_GE(cameras.size(), 2u);
    const auto rate = [this](size_t b) {
        VideoFormat formats[kMaxVideoFormats] = {};
        u32 count = 0;
        EXPECT_EQ(board(b).videoOps->GetVideoFormats(nullptr, device(), &count, formats), kStatusSuccess);
        return count == 1 ? formats[0].frameRate : 0;
    };
    for (size_t i = 0; i < cameras.size(); ++i) {
        const size_t index = cameras[i], other = cameras[(i + 1) % cameras.size()];
        SCOPED_TRACE(BoardName(index) + ", other " + BoardName(other));
        const VideoOps& video = *board(index).videoOps;
        host_.SetParameter("50Hz", 0);
        Open(other);
        Open(index);
        EXPECT_EQ(rate(index), 30030u);
        StreamFormatTable* const table = video.GetStreamFormatTable();
        host_.SetParameter("50Hz", 1);
        Open(index);  // the second device
        EXPECT_EQ(rate(index), 25025u) << "the first device sees the flag the second one's open set";
        ASSERT_TRUE(table != nullptr && video.GetStreamFormatTable() == table) << "one table for every device";
        const std::vector<u8> bytes = BytesOf(*table);
        EXPECT_EQ(rate(other), 30030u) << "another camera board keeps its own flag";
        EXPECT_NE(board(other).videoOps->GetStreamFormatTable(), table);
        EXPECT_TRUE(BytesOf(*table) == bytes) << "untouched by the other board";
    }
}

}  // namespace
}  // namespace trel::test
