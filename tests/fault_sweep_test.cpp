// Every board's default session with the k-th host call failed, for every k:
// each operation must end as its failure rule says (checked writes stop the
// operation with 0xFFFFFFFD or pass the host's result back; OR-ed writes are
// all made; unchecked writes change nothing about the operation's outcome),
// and nothing may crash, leak, write outside the host's records or break a
// trace message. Also: allocation failure at every OpenBoard, and two devices
// of one decoder board type keeping separate state.
#include <functional>
#include <optional>

#include "test_support.h"

namespace trel::test {
namespace {

// The result the failed call returns: distinct from every status code, so a
// status equal to it can only be the host's result handed back.
constexpr u32 kInjected = 0x00000007;

// One operation of a session and what it made of the host.
struct Step {
    std::string name;
    std::optional<u32> status;  // none for operations without a result
    size_t firstCall = 0;       // host calls [firstCall, endCall), counted from 0
    size_t endCall = 0;
};

struct Session {
    std::vector<Step> steps;
    bool placeholder = false;  // a session operation still answers "not supported" untouched
    bool guardsIntact = true;
};

// The host's default session: open, formats, default properties, video
// initialisation with the first format's standard, every property set to its
// default and read back, both inputs, the tuner's ids, capture at each format,
// close. Runs against `host`, failing its `failAt`-th call (1-based; 0: none).
Session RunSession(SimHost& host, size_t index, size_t failAt) {
    Session session;
    const BoardDescriptor& board = host.Board(index);
    void* device = host.Device();
    host.ClearLog();
    if (failAt != 0) host.FailNthCall(failAt, kInjected);
    auto step = [&](std::string name, const std::function<std::optional<u32>()>& op) {
        Step s{std::move(name), std::nullopt, host.Log().size(), 0};
        s.status = op();
        s.endCall = host.Log().size();
        session.steps.push_back(s);
        return s.status;
    };

    Guarded<BoardInfo> info;
    void* context = nullptr;
    const u32 opened = *step("OpenBoard", [&] { return board.boardOps->OpenBoard(nullptr, &context, info.get()); });
    session.guardsIntact &= info.GuardIntact();
    if (opened != kStatusSuccess) return session;  // camera boards open without a context

    const VideoOps& video = *board.videoOps;
    Guarded<VideoFormat[kMaxVideoFormats]> formats;
    u32 formatCount = kMaxVideoFormats;
    const u32 listed =
        *step("GetVideoFormats", [&] { return video.GetVideoFormats(context, device, &formatCount, *formats.get()); });
    session.placeholder |= listed == kStatusNotSupported;
    if (formatCount > kMaxVideoFormats) formatCount = 0;
    const u32 standard = formatCount != 0 ? (*formats.get())[0].standardMask : 1;

    Guarded<VideoPropertySet> defaults;
    step("GetDefaultVideoProperties", [&] {
        video.GetDefaultVideoProperties(context, device, defaults.get());
        return std::nullopt;
    });
    const u32 init = *step("InitVideoSource",
                           [&] { return video.InitVideoSource(context, device, standard, 0, defaults.get()); });
    session.placeholder |= init == kStatusNotSupported && session.steps.back().endCall == session.steps.back().firstCall;

    for (u32 property = 1; property <= kVideoPropertyCount; ++property) {
        const u32 value = defaults->value[property - 1];
        step("SetVideoProperty " + std::to_string(property),
             [&] { return video.SetVideoProperty(context, device, property, value, 0); });
        Guarded<u32> readBack;
        step("GetVideoProperty " + std::to_string(property),
             [&] { return video.GetVideoProperty(context, device, property, readBack.get()); });
        session.guardsIntact &= readBack.GuardIntact();
    }
    if (board.inputOps != nullptr) {
        for (u32 input : {1u, 0u}) {
            step("Set_Current_Video_InputID " + std::to_string(input),
                 [&] { return board.inputOps->Set_Current_Video_InputID(context, device, input); });
            step("GetVideoInputType", [&] { return board.inputOps->GetVideoInputType(context); });
        }
    }
    if (board.tunerOps != nullptr) {
        for (u32 id = 0; id < 8; ++id) {
            Guarded<u32> value;
            Guarded<u32[kTunerModeCapsFields]> record;
            step("GetTunerProperty " + std::to_string(id),
                 [&] { return board.tunerOps->GetTunerProperty(context, device, id, value.get(), *record.get()); });
            session.guardsIntact &= value.GuardIntact() && record.GuardIntact();
        }
    }
    for (u32 f = 0; f < formatCount; ++f) {
        const VideoFormat& format = (*formats.get())[f];
        Guarded<CaptureConfig> config;
        config->standardMask = format.standardMask;
        config->captureWidth = format.width;
        config->captureHeight = format.height;
        const u32 start = *step("OnStartCapture " + std::to_string(f),
                                [&] { return video.OnStartCapture(context, device, config.get()); });
        session.placeholder |= start == kStatusNotSupported && session.steps.back().endCall == session.steps.back().firstCall;
        session.guardsIntact &= config.GuardIntact();
    }
    session.guardsIntact &= formats.GuardIntact() && defaults.GuardIntact() && host.DeviceGuardIntact();
    step("CloseBoard", [&] { return board.boardOps->CloseBoard(context); });
    host.ClearFailures();
    return session;
}

// How an operation answers a failure of one of its calls.
enum class Rule {
    kUnchecked,   // outcome as without the failure; the operation goes on
    kStop,        // 0xFFFFFFFD, no further call
    kHostResult,  // the host's result handed back, no further call
    kOrBlock,     // the rest of the block is still written, then 0xFFFFFFFD
};

// The calls the boards check, per operation (call numbers within the
// operation, from 0). Calls not listed are held only to the general bounds
// below. Extend as boards land.
struct CheckedCalls {
    size_t board;
    const char* step;
    size_t first;
    size_t last;  // inclusive
    Rule rule;
};
// The SAA7115 decoder boards' InitVideoSource: the set-up table (calls 0 to
// 144) stops at its first failed write; the two source writes go unchecked;
// the twelve standard writes are all made and a failure among them ends the
// operation with 0xFFFFFFFD; Bittern's picture set-up after them goes
// unchecked.
constexpr size_t kSetupLast = 144;
constexpr size_t kSourceFirst = 145;
constexpr size_t kSourceLast = 146;
constexpr size_t kStandardFirst = 147;
constexpr size_t kStandardLast = 158;
constexpr CheckedCalls kCheckedCalls[] = {
    {kHeronI, "InitVideoSource", 0, kSetupLast, Rule::kStop},
    {kHeronI, "InitVideoSource", kSourceFirst, kSourceLast, Rule::kUnchecked},
    {kHeronI, "InitVideoSource", kStandardFirst, kStandardLast, Rule::kOrBlock},
    // Heron I's picture registers hand the host's result back.
    {kHeronI, "SetVideoProperty 1", 0, 0, Rule::kHostResult},
    {kHeronI, "SetVideoProperty 3", 0, 0, Rule::kHostResult},
    {kHeronI, "SetVideoProperty 5", 0, 0, Rule::kHostResult},
    {kHeronI, "SetVideoProperty 7", 0, 0, Rule::kHostResult},
    // Source selection: not checked.
    {kHeronI, "Set_Current_Video_InputID 0", 0, 1, Rule::kUnchecked},
    {kHeronI, "Set_Current_Video_InputID 1", 0, 1, Rule::kUnchecked},
    // Heron I capture start: no bus failure is detected.
    {kHeronI, "OnStartCapture 0", 0, 10000, Rule::kUnchecked},
    {kHeronI, "OnStartCapture 1", 0, 10000, Rule::kUnchecked},
    {kHeronI, "OnStartCapture 2", 0, 10000, Rule::kUnchecked},

    {kBittern, "InitVideoSource", 0, kSetupLast, Rule::kStop},
    {kBittern, "InitVideoSource", kSourceFirst, kSourceLast, Rule::kUnchecked},
    {kBittern, "InitVideoSource", kStandardFirst, kStandardLast, Rule::kOrBlock},
    {kBittern, "InitVideoSource", kStandardLast + 1, 10000, Rule::kUnchecked},
    {kBittern, "Set_Current_Video_InputID 0", 0, 1, Rule::kUnchecked},
    {kBittern, "Set_Current_Video_InputID 1", 0, 1, Rule::kUnchecked},
};

const CheckedCalls* RuleFor(size_t board, const std::string& step, size_t call) {
    for (const CheckedCalls& c : kCheckedCalls)
        if (c.board == board && step == c.step && call >= c.first && call <= c.last) return &c;
    return nullptr;
}

class FaultSweep : public HostTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(FaultSweep, EveryHostCallFailedInTurn) {
    const size_t index = GetParam();
    std::optional<Session> clean;
    std::vector<BusCall> cleanLog;
    {
        SimHost host;
        clean = RunSession(host, index, 0);
        cleanLog = host.Log();
    }
    ASSERT_TRUE(clean->guardsIntact);
    if (clean->placeholder) GTEST_SKIP() << BoardName(index) << ": session operations not written yet";
    // A board whose session makes no host call (Plover) has nothing to fail.
    if (cleanLog.empty()) return;

    for (size_t k = 1; k <= cleanLog.size(); ++k) {
        SCOPED_TRACE("failing host call " + std::to_string(k) + ": " + cleanLog[k - 1].Format());
        SimHost host;
        const Session faulty = RunSession(host, index, k);
        EXPECT_TRUE(faulty.guardsIntact);
        // Everything before the failed call is as without it.
        size_t s = 0;
        while (s < clean->steps.size() && clean->steps[s].endCall < k) {
            ASSERT_LT(s, faulty.steps.size());
            EXPECT_EQ(faulty.steps[s].status, clean->steps[s].status) << faulty.steps[s].name;
            ++s;
        }
        ASSERT_LT(s, faulty.steps.size());
        const Step& before = clean->steps[s];
        const Step& after = faulty.steps[s];
        ASSERT_EQ(after.name, before.name);
        SCOPED_TRACE(after.name);
        const size_t callInStep = k - 1 - before.firstCall;
        const size_t callsAfterFailure = after.endCall - k;
        const size_t cleanCallsAfter = before.endCall - k;
        const BusCall& failed = host.Log().at(k - 1);
        ASSERT_TRUE(failed.injected);
        const bool isWrite = failed.service != Service::I2cRead && failed.service != Service::I2cReadSubaddress &&
                             failed.service != Service::QueryParameter;

        if (const CheckedCalls* checked = RuleFor(index, after.name, callInStep)) {
            switch (checked->rule) {
                case Rule::kUnchecked:
                    EXPECT_EQ(after.status, before.status);
                    if (isWrite) {
                        EXPECT_EQ(callsAfterFailure, cleanCallsAfter);
                    }
                    break;
                case Rule::kStop:
                    EXPECT_EQ(after.status, kStatusBusFailure);
                    EXPECT_EQ(callsAfterFailure, 0u);
                    break;
                case Rule::kHostResult:
                    EXPECT_EQ(after.status, kInjected);
                    EXPECT_EQ(callsAfterFailure, 0u);
                    break;
                case Rule::kOrBlock:
                    EXPECT_EQ(after.status, kStatusBusFailure);
                    EXPECT_GE(after.endCall, before.firstCall + checked->last + 1) << "the block was cut short";
                    for (size_t c = k; c < after.endCall; ++c)
                        EXPECT_EQ(host.Log()[c].Format(), cleanLog[c].Format());
                    break;
            }
            continue;
        }
        // General bounds for every operation: a failed write either goes
        // unnoticed (same outcome, later calls among those it would make),
        // or ends the operation early with 0xFFFFFFFD or the host's result
        // (the calls it still makes are the first of those it would have
        // made: OR-ed writes are all sent before the operation gives up), or
        // is OR-ed into the result after all writes are made.
        if (!after.status.has_value() || !isWrite) continue;
        const u32 got = *after.status;
        const u32 want = *before.status;
        std::vector<std::string> madeAfter;
        std::vector<std::string> cleanAfter;
        for (size_t c = k; c < after.endCall; ++c) madeAfter.push_back(host.Log()[c].Format());
        for (size_t c = k; c < before.endCall; ++c) cleanAfter.push_back(cleanLog[c].Format());
        if (got == want) {
            // An unreported failure may end a multi-word transfer early, but
            // never adds or alters a call.
            size_t matched = 0;
            for (size_t c = 0; c < cleanAfter.size() && matched < madeAfter.size(); ++c)
                if (cleanAfter[c] == madeAfter[matched]) ++matched;
            EXPECT_EQ(matched, madeAfter.size()) << "an unnoticed failure changed the operation's calls";
        } else if (got == kStatusBusFailure || got == kInjected) {
            ASSERT_LE(madeAfter.size(), cleanAfter.size());
            EXPECT_TRUE(std::equal(madeAfter.begin(), madeAfter.end(), cleanAfter.begin()))
                << "a checked failure changed the calls that follow it";
        } else {
            EXPECT_EQ(got, want | kInjected) << "status outside the failure rules: " << std::hex << got;
            EXPECT_EQ(madeAfter, cleanAfter);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllBoards, FaultSweep, ::testing::Range<size_t>(0, 11), BoardParamName);

// Allocation failure at OpenBoard: boards with a context answer 0xFFFFFFFE
// and leave the context pointer and the board information as given.
class OpenAllocationFailure : public HostTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(OpenAllocationFailure, LeavesEverythingAsGiven) {
    const size_t index = GetParam();
    const size_t before = Kernel::Get().AllocationCount();
    void* context = Open(index);
    const bool hasContext = Kernel::Get().AllocationCount() != before;

    Mark();
    Kernel::Get().FailAllocation(1);
    Guarded<BoardInfo> info(0x5A);
    void* sentinel = reinterpret_cast<void*>(uintptr_t{0x1234});
    void* out = sentinel;
    const u32 status = board(index).boardOps->OpenBoard(nullptr, &out, info.get());
    Kernel::Get().FailAllocation(0);
    if (!hasContext) {
        EXPECT_EQ(status, kStatusSuccess);
        if (out != sentinel) board(index).boardOps->CloseBoard(out);
        return;
    }
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(status, 0xFFFFFFFEu);
    EXPECT_EQ(out, sentinel);
    EXPECT_TRUE(info.GuardIntact());
    for (size_t i = 0; i < sizeof(BoardInfo); ++i) EXPECT_EQ(reinterpret_cast<const u8*>(info.get())[i], 0x5A);
    EXPECT_THAT(Bus(), ::testing::IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(AllBoards, OpenAllocationFailure, ::testing::Range<size_t>(0, 11), BoardParamName);

// Two devices of one decoder board type, interleaved: what one selects the
// other does not see.
class TwoDecoders : public HostTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(TwoDecoders, ShareNoState) {
    const size_t index = GetParam();
    const InputOps* inputs = board(index).inputOps;
    ASSERT_NE(inputs, nullptr);
    void* first = Open(index);
    void* second = Open(index);
    ASSERT_NE(first, second);
    // Input 0 is source 1; a fresh context has source 0.
    if (inputs->Set_Current_Video_InputID(first, device(), 0) == kStatusNotSupported)
        GTEST_SKIP() << BoardName(index) << ": input selection not written yet";
    const u32 fresh = inputs->GetVideoInputType(second);
    const u32 selected = inputs->GetVideoInputType(first);
    EXPECT_NE(fresh, selected);
    EXPECT_EQ(inputs->Set_Current_Video_InputID(second, device(), 0), kStatusSuccess);
    EXPECT_EQ(inputs->Set_Current_Video_InputID(first, device(), 1), kStatusSuccess);
    EXPECT_EQ(inputs->GetVideoInputType(first), fresh);
    EXPECT_EQ(inputs->GetVideoInputType(second), selected);
}

INSTANTIATE_TEST_SUITE_P(DecoderBoards, TwoDecoders,
                         ::testing::Values(kHeronI, kHeronIIReprise, kEgret, kHeronAscent, kBittern, kKestrel),
                         BoardParamName);

}  // namespace
}  // namespace trel::test
