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
    bool guardsIntact = true;
};

// The host's default session: open, formats, default properties, video
// initialisation with the first format's standard, every property set to its
// default and read back, both inputs, the tuner's properties (read all, then
// TV mode and a channel), capture at each format, close. Runs against `host`,
// failing its `failAt`-th call (1-based; 0: none).
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
    if (opened != kStatusSuccess) return session;

    const VideoOps& video = *board.videoOps;
    Guarded<VideoFormat[kMaxVideoFormats]> formats;
    u32 formatCount = kMaxVideoFormats;
    step("GetVideoFormats", [&] { return video.GetVideoFormats(context, device, &formatCount, *formats.get()); });
    if (formatCount > kMaxVideoFormats) formatCount = 0;
    const u32 standard = formatCount != 0 ? (*formats.get())[0].standardMask : 1;

    Guarded<VideoPropertySet> defaults;
    step("GetDefaultVideoProperties", [&] {
        video.GetDefaultVideoProperties(context, device, defaults.get());
        return std::nullopt;
    });
    step("InitVideoSource", [&] { return video.InitVideoSource(context, device, standard, 0, defaults.get()); });

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
        const TunerOps& tuner = *board.tunerOps;
        for (u32 id = 0; id <= 10; ++id) {
            Guarded<u32> value;
            Guarded<u32[kTunerModeCapsFields]> record;
            (*record.get())[0] = 1;  // mode capabilities of TV reception
            step("GetTunerProperty " + std::to_string(id),
                 [&] { return tuner.GetTunerProperty(context, device, id, value.get(), *record.get()); });
            session.guardsIntact &= value.GuardIntact() && record.GuardIntact();
        }
        step("SetTunerProperty 2", [&] { return tuner.SetTunerProperty(context, device, 2, 1, nullptr); });
        Guarded<u32[kTunerFrequencyFields]> channel;
        (*channel.get())[0] = 55250000;  // a VHF channel
        step("SetTunerProperty 4", [&] { return tuner.SetTunerProperty(context, device, 4, 0, *channel.get()); });
        session.guardsIntact &= channel.GuardIntact();
    }
    for (u32 f = 0; f < formatCount; ++f) {
        const VideoFormat& format = (*formats.get())[f];
        Guarded<CaptureConfig> config;
        config->standardMask = format.standardMask;
        config->captureWidth = format.width;
        config->captureHeight = format.height;
        step("OnStartCapture " + std::to_string(f), [&] { return video.OnStartCapture(context, device, config.get()); });
        session.guardsIntact &= config.GuardIntact();
    }
    session.guardsIntact &= formats.GuardIntact() && defaults.GuardIntact() && host.DeviceGuardIntact();
    step("CloseBoard", [&] { return board.boardOps->CloseBoard(context); });
    host.ClearFailures();
    return session;
}

// How an operation answers a failure of one of its host calls.
enum class Rule {
    kUnchecked,   // the outcome is as without the failure; a failed write changes no later call
    kStop,        // 0xFFFFFFFD, no further call
    kHostResult,  // the host's result handed back, no further call
    kOrBlock,     // every write of the block is still made, then 0xFFFFFFFD, no further call
    kSkipsPair,   // the second write of a pair is skipped; otherwise as without the failure
};

// Which host calls each operation checks, per board: calls [first, last] of
// the operation (numbered from 0 within it) follow `rule`. `operation` names a
// session step, or every step whose name starts with it and a space
// ("OnStartCapture" covers each format). First match wins; every call of
// every session must be covered.
struct CallRule {
    size_t board;
    const char* operation;
    size_t first;
    size_t last;  // inclusive
    Rule rule;
};
constexpr size_t kAll = ~size_t{0};
const CallRule kCallRules[] = {
    // Camera boards: the "50Hz" answer at open is a value, never a failure.
    {kWren, "OpenBoard", 0, kAll, Rule::kUnchecked}, {kWrenII, "OpenBoard", 0, kAll, Rule::kUnchecked},
    {kSwift, "OpenBoard", 0, kAll, Rule::kUnchecked}, {kFinch, "OpenBoard", 0, kAll, Rule::kUnchecked},

    // OmniVision cameras: the 39-entry (Wren) or 35-entry (Finch) sensor
    // set-up table stops at its first failure, before the properties; the
    // property writes, capture start and SetVideoProperty are unchecked.
    {kWren, "InitVideoSource", 0, 38, Rule::kStop}, {kWren, "InitVideoSource", 39, kAll, Rule::kUnchecked},
    {kWren, "SetVideoProperty", 0, kAll, Rule::kUnchecked}, {kWren, "OnStartCapture", 0, kAll, Rule::kUnchecked},
    {kWrenII, "InitVideoSource", 0, 38, Rule::kStop}, {kWrenII, "InitVideoSource", 39, kAll, Rule::kUnchecked},
    {kWrenII, "SetVideoProperty", 0, kAll, Rule::kUnchecked}, {kWrenII, "OnStartCapture", 0, kAll, Rule::kUnchecked},
    {kFinch, "InitVideoSource", 0, 34, Rule::kStop}, {kFinch, "InitVideoSource", 35, kAll, Rule::kUnchecked},
    {kFinch, "SetVideoProperty", 0, kAll, Rule::kUnchecked}, {kFinch, "OnStartCapture", 0, kAll, Rule::kUnchecked},

    // Swift: a programming pass is three device controls (unchecked) and the
    // 156 serial writes, the first failure ending the pass: 0xFFFFFFFD from
    // InitVideoSource, the host's result from OnStartCapture. The exposure
    // and timing writes after the pass are unchecked.
    {kSwift, "InitVideoSource", 0, 2, Rule::kUnchecked}, {kSwift, "InitVideoSource", 3, 158, Rule::kStop},
    // A failed first exposure write skips the second; nothing is reported.
    {kSwift, "InitVideoSource", 159, 159, Rule::kSkipsPair}, {kSwift, "InitVideoSource", 160, kAll, Rule::kUnchecked},
    {kSwift, "SetVideoProperty 1", 0, 0, Rule::kSkipsPair}, {kSwift, "SetVideoProperty", 0, kAll, Rule::kUnchecked},
    {kSwift, "OnStartCapture", 0, 2, Rule::kUnchecked}, {kSwift, "OnStartCapture", 3, 158, Rule::kHostResult},
    {kSwift, "OnStartCapture", 159, kAll, Rule::kUnchecked},

    // Heron I: the 145-entry set-up table stops at its first failure; the two
    // source writes are unchecked; the thirteen standard writes are all made
    // and OR-ed; the picture writes of the property set-up are unchecked.
    // Picture controls hand the host's result back; input selection and
    // capture start check nothing.
    {kHeronI, "InitVideoSource", 0, 144, Rule::kStop}, {kHeronI, "InitVideoSource", 145, 146, Rule::kUnchecked},
    {kHeronI, "InitVideoSource", 147, 159, Rule::kOrBlock}, {kHeronI, "InitVideoSource", 160, kAll, Rule::kUnchecked},
    {kHeronI, "SetVideoProperty", 0, 0, Rule::kHostResult},
    {kHeronI, "Set_Current_Video_InputID", 0, kAll, Rule::kUnchecked},
    {kHeronI, "OnStartCapture", 0, kAll, Rule::kUnchecked},

    // Kestrel: as Heron I for the decoder (a 13-write standard list), then
    // ten unchecked TV-audio writes. Capture start checks nothing (the failed
    // read of the audio standard result is ignored); tuner writes are
    // unchecked; a failed read of the audio status register ends
    // GetTunerProperty 8 and 9 with 0xFFFFFFFD.
    {kKestrel, "InitVideoSource", 0, 144, Rule::kStop}, {kKestrel, "InitVideoSource", 145, 146, Rule::kUnchecked},
    {kKestrel, "InitVideoSource", 147, 159, Rule::kOrBlock},
    {kKestrel, "InitVideoSource", 160, kAll, Rule::kUnchecked},
    {kKestrel, "SetVideoProperty", 0, 0, Rule::kHostResult},
    {kKestrel, "Set_Current_Video_InputID", 0, kAll, Rule::kUnchecked},
    {kKestrel, "GetTunerProperty 8", 0, 0, Rule::kStop}, {kKestrel, "GetTunerProperty 9", 0, 0, Rule::kStop},
    {kKestrel, "SetTunerProperty", 0, kAll, Rule::kUnchecked},
    {kKestrel, "OnStartCapture", 0, kAll, Rule::kUnchecked},

    // Heron II Reprise: 67-entry set-up table, two unchecked source writes,
    // one checked standard write, unchecked property set-up.
    {kHeronIIReprise, "InitVideoSource", 0, 66, Rule::kStop},
    {kHeronIIReprise, "InitVideoSource", 67, 68, Rule::kUnchecked},
    {kHeronIIReprise, "InitVideoSource", 69, 69, Rule::kStop},
    {kHeronIIReprise, "InitVideoSource", 70, kAll, Rule::kUnchecked},
    {kHeronIIReprise, "SetVideoProperty", 0, 0, Rule::kHostResult},
    {kHeronIIReprise, "Set_Current_Video_InputID", 0, kAll, Rule::kUnchecked},
    {kHeronIIReprise, "OnStartCapture", 0, kAll, Rule::kUnchecked},

    // Egret: two unchecked device controls, the 20-entry set-up table, an
    // unchecked source write, one checked standard write, unchecked property
    // set-up. Saturation's first write and sharpness's read are unchecked,
    // the last write's result is handed back. Capture start: a failed read of
    // register 0x01 counts as a 60-Hz signal; scaler writes are unchecked.
    {kEgret, "InitVideoSource", 0, 1, Rule::kUnchecked}, {kEgret, "InitVideoSource", 2, 21, Rule::kStop},
    {kEgret, "InitVideoSource", 22, 22, Rule::kUnchecked}, {kEgret, "InitVideoSource", 23, 23, Rule::kStop},
    {kEgret, "InitVideoSource", 24, kAll, Rule::kUnchecked}, {kEgret, "SetVideoProperty 7", 0, 0, Rule::kUnchecked},
    {kEgret, "SetVideoProperty 7", 1, 1, Rule::kHostResult}, {kEgret, "SetVideoProperty 9", 0, 0, Rule::kUnchecked},
    {kEgret, "SetVideoProperty 9", 1, 1, Rule::kHostResult}, {kEgret, "SetVideoProperty", 0, 0, Rule::kHostResult},
    {kEgret, "Set_Current_Video_InputID", 0, kAll, Rule::kUnchecked},
    {kEgret, "OnStartCapture", 0, kAll, Rule::kUnchecked},

    // Heron Ascent: the identity read chooses the set-up table (11 entries
    // for the identity the simulated decoder answers); one unchecked source
    // write; no standard write; unchecked property set-up. Picture controls
    // as Egret's.
    {kHeronAscent, "InitVideoSource", 0, 0, Rule::kUnchecked}, {kHeronAscent, "InitVideoSource", 1, 11, Rule::kStop},
    {kHeronAscent, "InitVideoSource", 12, kAll, Rule::kUnchecked},
    {kHeronAscent, "SetVideoProperty 7", 0, 0, Rule::kUnchecked},
    {kHeronAscent, "SetVideoProperty 7", 1, 1, Rule::kHostResult},
    {kHeronAscent, "SetVideoProperty 9", 0, 0, Rule::kUnchecked},
    {kHeronAscent, "SetVideoProperty 9", 1, 1, Rule::kHostResult},
    {kHeronAscent, "SetVideoProperty", 0, 0, Rule::kHostResult},
    {kHeronAscent, "Set_Current_Video_InputID", 0, kAll, Rule::kUnchecked},

    // Bittern: as Heron I with twelve OR-ed standard writes.
    {kBittern, "InitVideoSource", 0, 144, Rule::kStop}, {kBittern, "InitVideoSource", 145, 146, Rule::kUnchecked},
    {kBittern, "InitVideoSource", 147, 158, Rule::kOrBlock},
    {kBittern, "InitVideoSource", 159, kAll, Rule::kUnchecked},
    {kBittern, "SetVideoProperty", 0, 0, Rule::kHostResult},
    {kBittern, "Set_Current_Video_InputID", 0, kAll, Rule::kUnchecked},
};

bool Names(const char* operation, const std::string& step) {
    const std::string name = operation;
    return step == name || (step.size() > name.size() && step.compare(0, name.size(), name) == 0 &&
                            step[name.size()] == ' ');
}

const CallRule* RuleFor(size_t board, const std::string& step, size_t call) {
    for (const CallRule& c : kCallRules)
        if (c.board == board && Names(c.operation, step) && call >= c.first && call <= c.last) return &c;
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
    for (const Step& step : clean->steps) {
        for (size_t c = step.firstCall; c < step.endCall; ++c)
            EXPECT_NE(RuleFor(index, step.name, c - step.firstCall), nullptr)
                << "no failure rule for call " << c - step.firstCall << " of " << step.name << ": "
                << cleanLog[c].Format();
    }

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
        const BusCall& failed = host.Log().at(k - 1);
        ASSERT_TRUE(failed.injected);
        const bool isWrite = failed.service != Service::I2cRead && failed.service != Service::I2cReadSubaddress &&
                             failed.service != Service::QueryParameter;
        const CallRule* rule = RuleFor(index, after.name, k - 1 - before.firstCall);
        ASSERT_NE(rule, nullptr);
        // The calls the operation still made after the failed one, and those
        // it made after it without the failure.
        std::vector<std::string> madeAfter;
        std::vector<std::string> cleanAfter;
        for (size_t c = k; c < after.endCall; ++c) madeAfter.push_back(host.Log()[c].Format());
        for (size_t c = k; c < before.endCall; ++c) cleanAfter.push_back(cleanLog[c].Format());
        switch (rule->rule) {
            case Rule::kUnchecked:
                EXPECT_EQ(after.status, before.status);
                if (isWrite) {
                    EXPECT_EQ(madeAfter, cleanAfter);
                }
                break;
            case Rule::kStop:
                EXPECT_EQ(after.status, kStatusBusFailure);
                EXPECT_THAT(madeAfter, ::testing::IsEmpty());
                break;
            case Rule::kHostResult:
                EXPECT_EQ(after.status, kInjected);
                EXPECT_THAT(madeAfter, ::testing::IsEmpty());
                break;
            case Rule::kSkipsPair:
                EXPECT_EQ(after.status, before.status);
                ASSERT_FALSE(cleanAfter.empty());
                EXPECT_EQ(madeAfter, std::vector<std::string>(cleanAfter.begin() + 1, cleanAfter.end()));
                break;
            case Rule::kOrBlock: {
                EXPECT_EQ(after.status, kStatusBusFailure);
                const size_t blockEnd = before.firstCall + rule->last + 1;
                ASSERT_LE(blockEnd, before.endCall);
                EXPECT_EQ(madeAfter, std::vector<std::string>(cleanAfter.begin(),
                                                              cleanAfter.begin() + static_cast<long>(blockEnd - k)))
                    << "the rest of the block, and nothing after it";
                break;
            }
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
    EXPECT_THAT(Traces(), ::testing::IsEmpty());  // Kestrel's open trace comes only after the allocation
}

INSTANTIATE_TEST_SUITE_P(AllBoards, OpenAllocationFailure, ::testing::Range<size_t>(0, 11), BoardParamName);

// Two devices of one decoder board type, interleaved: each keeps the input
// and the standard it was given, and each one's bus calls carry its own
// device handle.
class TwoDecoders : public HostTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(TwoDecoders, ShareNoState) {
    const size_t index = GetParam();
    const InputOps& inputs = *board(index).inputOps;
    const VideoOps& video = *board(index).videoOps;
    std::vector<u8> secondDevice(kDeviceRecordMinSize, 0);
    void* const devices[2] = {device(), secondDevice.data()};
    void* const contexts[2] = {Open(index), Open(index)};
    ASSERT_NE(contexts[0], contexts[1]);

    // Device 0 takes input 0 and NTSC-M, device 1 input 1 and PAL-B; then the
    // other way round. Each reads back its own.
    constexpr u32 kStandards[2] = {kStdNtscM, 0x10};
    for (u32 round = 0; round < 2; ++round) {
        for (u32 d = 0; d < 2; ++d) {
            Mark();
            const u32 input = d ^ round;
            ASSERT_EQ(inputs.Set_Current_Video_InputID(contexts[d], devices[d], input), kStatusSuccess);
            ASSERT_EQ(video.SetVideoProperty(contexts[d], devices[d], kPropTvStandard, kStandards[input], 0),
                      kStatusSuccess);
            for (const BusCall& call : host_.Log()) EXPECT_EQ(call.device, devices[d]) << call.Format();
        }
        for (u32 d = 0; d < 2; ++d) {
            const u32 input = d ^ round;
            EXPECT_EQ(inputs.GetVideoInputType(contexts[d]), input) << "device " << d << ", round " << round;
            u32 standard = 0;
            EXPECT_EQ(video.GetVideoProperty(contexts[d], devices[d], kPropTvStandard, &standard), kStatusSuccess);
            EXPECT_EQ(standard, kStandards[input]) << "device " << d << ", round " << round;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(DecoderBoards, TwoDecoders,
                         ::testing::Values(kHeronI, kHeronIIReprise, kEgret, kHeronAscent, kBittern, kKestrel),
                         BoardParamName);

// Two devices of one camera board type share the board's 50 Hz flag and its
// stream format table: opening the second with another "50Hz" answer changes
// what the first hands out. Other camera boards keep their own flag and table.
class TwoCameras : public HostTest, public ::testing::WithParamInterface<size_t> {
protected:
    u32 FrameRate(size_t index) {
        Guarded<VideoFormat[kMaxVideoFormats]> formats;
        u32 count = 0;
        EXPECT_EQ(board(index).videoOps->GetVideoFormats(nullptr, device(), &count, *formats.get()), kStatusSuccess);
        EXPECT_EQ(count, 1u);
        return (*formats.get())[0].frameRate;
    }
};

TEST_P(TwoCameras, ShareTheFlagAndTheTable) {
    const size_t index = GetParam();
    const size_t other = index == kFinch ? kWren : kFinch;
    const VideoOps& video = *board(index).videoOps;
    host_.SetParameter("50Hz", 0);
    Open(other);
    Open(index);
    const u32 rate30 = FrameRate(index);
    StreamFormatTable* const table = video.GetStreamFormatTable();
    ASSERT_NE(table, nullptr);
    const u32 firstRate30 = table->frameRates[0].frameRate;

    host_.SetParameter("50Hz", 1);
    Open(index);  // the second device
    const u32 rate25 = FrameRate(index);
    EXPECT_EQ(rate30, 30030u);
    EXPECT_EQ(rate25, 25025u) << "the first device sees the flag the second one's open set";
    EXPECT_EQ(video.GetStreamFormatTable(), table) << "one table for every device of the board";
    // Wren II and Finch list both rate pairs whatever the flag.
    const bool tableFollowsFlag = index == kWren || index == kSwift;
    if (tableFollowsFlag) {
        EXPECT_EQ(firstRate30, 30030u);
        EXPECT_EQ(table->frameRates[0].frameRate, 25025u);
    }
    EXPECT_EQ(FrameRate(other), 30030u) << "another camera board keeps its own flag";
    StreamFormatTable* const otherTable = board(other).videoOps->GetStreamFormatTable();
    EXPECT_NE(otherTable, table);
    if (tableFollowsFlag) {
        EXPECT_EQ(table->frameRates[0].frameRate, 25025u) << "untouched by the other board";
    }
}

INSTANTIATE_TEST_SUITE_P(CameraBoards, TwoCameras, ::testing::Values(kWren, kWrenII, kSwift, kFinch),
                         BoardParamName);

}  // namespace
}  // namespace trel::test
