// The operation engine (see engine.h).
#include "engine.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace trel::host {
namespace {

constexpr size_t kGuardBytes = 64;
constexpr u8 kGuardFill = 0xA5;
constexpr AudioConfig kHostAudio = {1, 48000, 0, 0};  // PCM, 48 kHz

// Kernel-streaming tuner property ids whose calls read or fill a record.
constexpr u32 kTunerPropModeCaps = 1;
constexpr u32 kTunerPropFrequency = 4;
constexpr u32 kTunerPropStatus = 6;
constexpr u32 kTunerPropTvAudioModes = 8;

struct SlotInfo {
    Op op;
    const char* name;
};
constexpr SlotInfo kSlots[kOpCount] = {
    {Op::OpenBoard, "OpenBoard"},
    {Op::CloseBoard, "CloseBoard"},
    {Op::GetVideoSourceCaps, "GetVideoSourceCaps"},
    {Op::GetStreamFormatTable, "GetStreamFormatTable"},
    {Op::GetVideoFormats, "GetVideoFormats"},
    {Op::GetDefaultVideoProperties, "GetDefaultVideoProperties"},
    {Op::InitVideoSource, "InitVideoSource"},
    {Op::VideoReserved5, "Reserved5"},
    {Op::OnStartCapture, "OnStartCapture"},
    {Op::VideoReserved7, "Reserved7"},
    {Op::SetVideoProperty, "SetVideoProperty"},
    {Op::GetVideoProperty, "GetVideoProperty"},
    {Op::GetAudioSourceCaps, "GetAudioSourceCaps"},
    {Op::GetAudioChipconfig, "GetAudioChipconfig"},
    {Op::InitAudio, "InitAudio"},
    {Op::AudioReserved3, "AudioReserved3"},
    {Op::GetVideoInputs, "GetVideoInputs"},
    {Op::GetVideoInputType, "GetVideoInputType"},
    {Op::GetAudioInputType, "GetAudioInputType"},
    {Op::SetCurrentVideoInputId, "Set_Current_Video_InputID"},
    {Op::SetCurrentAudioInputId, "Set_Current_Audio_InputID"},
    {Op::GetTunerProperty, "GetTunerProperty"},
    {Op::SetTunerProperty, "SetTunerProperty"},
    {Op::RegisterServices, "GetBoardModuleCaps"},
};

std::string Hex32(u32 value) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08X", value);
    return text;
}

size_t TunerRecordFields(u32 id) {
    switch (id) {
        case kTunerPropModeCaps: return kTunerModeCapsFields;
        case kTunerPropFrequency: return kTunerFrequencyFields;
        case kTunerPropStatus: return kTunerStatusFields;
        default: return kTunerModeCapsFields;  // the largest tuner record
    }
}

// Bytes of the slot's i-th pointer argument; 0: the slot has none.
size_t RecordSize(const Step& step, size_t i) {
    switch (step.op) {
        case Op::OpenBoard: return i == 0 ? sizeof(BoardInfo) : 0;
        case Op::GetVideoFormats: return i == 0 ? sizeof(u32) : sizeof(VideoFormat) * kMaxVideoFormats;
        case Op::GetDefaultVideoProperties:
        case Op::InitVideoSource: return i == 0 ? sizeof(VideoPropertySet) : 0;
        case Op::OnStartCapture: return i == 0 ? sizeof(CaptureConfig) : 0;
        case Op::GetVideoProperty: return i == 0 ? sizeof(u32) : 0;
        case Op::GetAudioChipconfig: return i == 0 ? sizeof(AudioChipConfig) : sizeof(AudioConfig);
        case Op::InitAudio: return i == 0 ? sizeof(AudioConfig) : 0;
        case Op::GetTunerProperty: return i == 0 ? sizeof(u32) : TunerRecordFields(step.args[0]) * sizeof(u32);
        case Op::SetTunerProperty: return i == 0 ? TunerRecordFields(step.args[0]) * sizeof(u32) : 0;
        default: return 0;
    }
}

template <typename T>
T Read(const std::vector<u8>& bytes, size_t offset = 0) {
    T value{};
    if (bytes.size() >= offset + sizeof(T)) std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

template <typename T>
std::vector<u8> BytesOf(const T& value) {
    const auto* p = reinterpret_cast<const u8*>(&value);
    return {p, p + sizeof(T)};
}

std::string ContextText(const Call& call) { return call.context != nullptr ? "context" : "context=null"; }

std::string RecordText(const Call& call, size_t i, const char* name) {
    return call.pointers[i] != nullptr ? name : std::string(name) + "=null";
}

// The arguments as reports show them, for steps that do not name their own.
std::string Describe(const Step& step, const Call& call) {
    const std::string head = ContextText(call) + ", device, ";
    const auto& a = call.args;
    switch (step.op) {
        case Op::OpenBoard:
            return std::string("unused=null, ") + (call.contextOut != nullptr ? "contextOut" : "contextOut=null") +
                   ", info=" + (call.pointers[0] == nullptr ? "null" : "zero-filled");
        case Op::CloseBoard:
        case Op::GetVideoInputType:
        case Op::GetAudioInputType: return ContextText(call);
        case Op::GetVideoFormats:
            return head + RecordText(call, 0, "count") + ", " + RecordText(call, 1, "formats") + "[" +
                   std::to_string(kMaxVideoFormats) + "]";
        case Op::GetDefaultVideoProperties: return head + RecordText(call, 0, "properties");
        case Op::InitVideoSource:
            return head + "standard=" + Hex32(a[0]) + (a[0] == kKeepCurrent ? " (keep)" : "") + ", source=" +
                   Hex32(a[1]) + (a[1] == kKeepCurrent ? " (keep)" : "") + ", " + RecordText(call, 0, "properties");
        case Op::OnStartCapture: {
            if (call.pointers[0] == nullptr) return head + "config=null";
            const auto* config = static_cast<const CaptureConfig*>(call.pointers[0]);
            return head + "config={standard " + Hex32(config->standardMask) + ", " +
                   std::to_string(config->captureWidth) + "x" + std::to_string(config->captureHeight) + "}";
        }
        case Op::SetVideoProperty:
            return head + "index=" + Hex32(a[0]) + ", value=" + std::to_string(static_cast<s32>(a[1])) +
                   ", extra=" + std::to_string(a[2]);
        case Op::GetVideoProperty: return head + "index=" + Hex32(a[0]) + ", " + RecordText(call, 0, "value");
        case Op::GetAudioChipconfig:
            return head + RecordText(call, 0, "chipConfig") + ", " + RecordText(call, 1, "audio");
        case Op::InitAudio: return head + RecordText(call, 0, "audio");
        case Op::SetCurrentVideoInputId:
        case Op::SetCurrentAudioInputId: return head + "input=" + std::to_string(a[0]);
        case Op::GetTunerProperty:
            return head + "id=" + std::to_string(a[0]) + ", " + RecordText(call, 0, "value") + ", " +
                   RecordText(call, 1, "record");
        case Op::SetTunerProperty:
            return head + "id=" + std::to_string(a[0]) + ", value=" + Hex32(a[1]) + ", " +
                   RecordText(call, 0, "record");
        case Op::RegisterServices: return "context=null, services, catalogueOut, countOut";
        default: return "";
    }
}

}  // namespace

const char* OpName(Op op) { return kSlots[static_cast<size_t>(op)].name; }

std::optional<Op> FindOp(std::string_view name) {
    for (const SlotInfo& slot : kSlots)
        if (name == slot.name) return slot.op;
    return std::nullopt;
}

bool HasSlot(const BoardDescriptor& board, Op op) {
    switch (op) {
        case Op::OpenBoard:
        case Op::CloseBoard: return board.boardOps != nullptr;
        case Op::GetAudioSourceCaps:
        case Op::GetAudioChipconfig:
        case Op::InitAudio:
        case Op::AudioReserved3: return board.audioOps != nullptr;
        case Op::GetVideoInputs:
        case Op::GetVideoInputType:
        case Op::GetAudioInputType:
        case Op::SetCurrentVideoInputId:
        case Op::SetCurrentAudioInputId: return board.inputOps != nullptr;
        case Op::GetTunerProperty:
        case Op::SetTunerProperty: return board.tunerOps != nullptr;
        case Op::RegisterServices: return true;
        default: return board.videoOps != nullptr;
    }
}

bool ReturnsStatus(Op op) {
    return op != Op::GetDefaultVideoProperties && op != Op::GetAudioChipconfig && op != Op::GetStreamFormatTable &&
           op != Op::RegisterServices;
}

bool ModuleMayWrite(size_t offset) {
    const auto within = [offset](size_t first, size_t size) { return offset >= first && offset < first + size; };
    return within(offsetof(CaptureConfig, cfgByteA), 1) || within(offsetof(CaptureConfig, cfgByteB), 2) ||
           within(offsetof(CaptureConfig, hOffset), kCaptureConfigTouchedSize - offsetof(CaptureConfig, hOffset));
}

std::string SessionStep::StatusText() const { return status ? Hex32(*status) : "none"; }

// ---------------------------------------------------------------------------
// The invokers: each forwards the call's fields to the slot and nothing else.
namespace {

template <typename T>
T* As(void* p) {
    return static_cast<T*>(p);
}

#define TREL_INVOKE(body) [](Call& c) -> u32 { body; }
constexpr Invoker kInvokers[kOpCount] = {
    TREL_INVOKE(return c.board->boardOps->OpenBoard(nullptr, c.contextOut, As<BoardInfo>(c.pointers[0]))),
    TREL_INVOKE(return c.board->boardOps->CloseBoard(c.context)),
    TREL_INVOKE(return c.board->videoOps->GetVideoSourceCaps()),
    TREL_INVOKE(c.table = c.board->videoOps->GetStreamFormatTable(); return 0),
    TREL_INVOKE(return c.board->videoOps->GetVideoFormats(c.context, c.device, As<u32>(c.pointers[0]),
                                                          As<VideoFormat>(c.pointers[1]))),
    TREL_INVOKE(c.board->videoOps->GetDefaultVideoProperties(c.context, c.device,
                                                             As<VideoPropertySet>(c.pointers[0]));
                return 0),
    TREL_INVOKE(return c.board->videoOps->InitVideoSource(c.context, c.device, c.args[0], c.args[1],
                                                          As<const VideoPropertySet>(c.pointers[0]))),
    TREL_INVOKE(return c.board->videoOps->Reserved5()),
    TREL_INVOKE(return c.board->videoOps->OnStartCapture(c.context, c.device, As<CaptureConfig>(c.pointers[0]))),
    TREL_INVOKE(return c.board->videoOps->Reserved7()),
    TREL_INVOKE(return c.board->videoOps->SetVideoProperty(c.context, c.device, c.args[0], c.args[1], c.args[2])),
    TREL_INVOKE(return c.board->videoOps->GetVideoProperty(c.context, c.device, c.args[0], As<u32>(c.pointers[0]))),
    TREL_INVOKE(return c.board->audioOps->GetAudioSourceCaps()),
    TREL_INVOKE(c.board->audioOps->GetAudioChipconfig(c.context, c.device, As<AudioChipConfig>(c.pointers[0]),
                                                      As<const AudioConfig>(c.pointers[1]));
                return 0),
    TREL_INVOKE(return c.board->audioOps->InitAudio(c.context, c.device, As<const AudioConfig>(c.pointers[0]))),
    TREL_INVOKE(return c.board->audioOps->Reserved3()),
    TREL_INVOKE(return c.board->inputOps->GetVideoInputs()),
    TREL_INVOKE(return c.board->inputOps->GetVideoInputType(c.context)),
    TREL_INVOKE(return c.board->inputOps->GetAudioInputType(c.context)),
    TREL_INVOKE(return c.board->inputOps->Set_Current_Video_InputID(c.context, c.device, c.args[0])),
    TREL_INVOKE(return c.board->inputOps->Set_Current_Audio_InputID(c.context, c.device, c.args[0])),
    TREL_INVOKE(return c.board->tunerOps->GetTunerProperty(c.context, c.device, c.args[0], As<u32>(c.pointers[0]),
                                                           As<u32>(c.pointers[1]))),
    TREL_INVOKE(return c.board->tunerOps->SetTunerProperty(c.context, c.device, c.args[0], c.args[1],
                                                           As<u32>(c.pointers[0]))),
    TREL_INVOKE(const BoardDescriptor* const* catalogue = nullptr; u32 count = 0;
                Module::Get().GetBoardModuleCaps(nullptr, c.services, &catalogue, &count); return 0),
};
#undef TREL_INVOKE

}  // namespace

Invoker InvokerOf(Op op) { return kInvokers[static_cast<size_t>(op)]; }

// ---------------------------------------------------------------------------

void ReadBack(SessionStep& s, const std::array<u32, 3>& args, const StreamFormatTable* table) {
    const auto& r = s.records;
    const bool ok = s.status == kStatusSuccess;
    switch (s.op) {
        case Op::OpenBoard:
            if (!r[0].empty()) s.boardInfo = Read<BoardInfo>(r[0]);
            break;
        case Op::GetVideoFormats:
            if (!r[1].empty()) {
                u32 count = r[0].empty() ? 0 : Read<u32>(r[0]);
                if (count > kMaxVideoFormats) {
                    s.problems.push_back("GetVideoFormats reported " + std::to_string(count) + " formats");
                    count = kMaxVideoFormats;
                }
                for (u32 f = 0; f < count; ++f) s.formats.push_back(Read<VideoFormat>(r[1], f * sizeof(VideoFormat)));
            }
            break;
        case Op::GetDefaultVideoProperties:
            if (!r[0].empty()) s.properties = Read<VideoPropertySet>(r[0]);
            break;
        case Op::GetStreamFormatTable:
            s.streamFormatTable = table != nullptr;
            if (table != nullptr) s.streamTable = std::make_shared<const StreamFormatTable>(*table);
            break;
        case Op::GetVideoProperty:
            if (ok && !r[0].empty()) s.value = Read<u32>(r[0]);
            break;
        case Op::GetAudioChipconfig:
            if (!r[0].empty()) s.chipConfig = Read<AudioChipConfig>(r[0]);
            break;
        case Op::OnStartCapture:
            if (!r[0].empty()) s.captureConfig = Read<CaptureConfig>(r[0]);
            break;
        case Op::GetTunerProperty:
            if (ok && !r[0].empty()) s.value = Read<u32>(r[0]);
            if (args[0] == kTunerPropFrequency && !r[1].empty())
                s.frequencyRecord = Read<std::array<u32, kTunerFrequencyFields>>(r[1]);
            if (args[0] == kTunerPropTvAudioModes && s.value) s.tvAudioModes = s.value;
            break;
        default:
            break;
    }
}

Engine::Engine(SimHost& host, StepObserver observer) : host_(host), observer_(std::move(observer)) {}

const std::vector<VideoFormat>& Engine::Formats(size_t board) const {
    static const std::vector<VideoFormat> none;
    const auto it = formats_.find(board);
    return it != formats_.end() ? it->second : none;
}

void* Engine::ContextFor(const Step& step) const {
    if (step.context == kNullContext) return nullptr;
    if (step.context >= 0) {
        const auto slot = static_cast<size_t>(step.context);
        return slot < open_.size() ? open_[slot].context : nullptr;
    }
    for (auto it = open_.rbegin(); it != open_.rend(); ++it)
        if (it->board == step.board) return it->context;
    return nullptr;
}

std::unique_ptr<Engine::Prepared> Engine::Prepare(const Step& step) {
    auto p = std::make_unique<Prepared>();
    p->step = step;
    Call& call = p->call;
    call.op = step.op;
    call.board = &host_.Board(step.board);
    call.context = ContextFor(step);
    call.device = host_.Device();
    call.args = step.args;
    call.contextOut = step.contextOut ? &p->contextOut : nullptr;
    call.services = host_.Services();

    for (size_t i = 0; i < 2; ++i) {
        const RecordArg& arg = step.records[i];
        const size_t slotSize = RecordSize(step, i);
        if (slotSize == 0 || arg.null) continue;
        const size_t size = arg.size != 0 ? arg.size : slotSize;
        std::vector<u8> bytes = arg.bytes;
        if (bytes.empty()) {
            if (step.op == Op::InitVideoSource) {
                const auto it = defaults_.find(step.board);
                bytes = BytesOf(it != defaults_.end() ? it->second : VideoPropertySet{});
            } else if ((step.op == Op::GetAudioChipconfig && i == 1) || step.op == Op::InitAudio) {
                bytes = BytesOf(kHostAudio);
            } else if (step.op == Op::OnStartCapture) {
                const std::vector<VideoFormat>& formats = Formats(step.board);
                const VideoFormat* first = formats.empty() ? nullptr : &formats.front();
                if (step.capture.standard) {
                    for (const VideoFormat& format : formats) {
                        if ((format.standardMask & *step.capture.standard) != 0) {
                            first = &format;
                            break;
                        }
                    }
                }
                CaptureConfig config{};
                config.standardMask = step.capture.standard.value_or(first != nullptr ? first->standardMask : kStdNtscM);
                config.captureWidth = step.capture.width.value_or(first != nullptr ? first->width : 720);
                config.captureHeight = step.capture.height.value_or(first != nullptr ? first->height : 480);
                bytes = BytesOf(config);
            }
        }
        bytes.resize(size, arg.fill);
        p->handed[i] = bytes;
        p->sizes[i] = size;
        p->storage[i].assign(size + kGuardBytes, kGuardFill);
        std::memcpy(p->storage[i].data(), bytes.data(), size);
        call.pointers[i] = p->storage[i].data();
    }

    const HostAnswers& answers = step.answers;
    for (const auto& r : answers.registers) host_.SetReg(r.address, r.reg, r.value);
    for (const auto& r : answers.reads) host_.ScriptRead(r.address, r.reg, r.bytes);
    for (const auto& [name, value] : answers.parameters) host_.SetParameter(name, value);
    if (answers.failCall != 0) host_.FailNthCall(answers.failCall, answers.failResult);

    const Kernel& kernel = Kernel::Get();
    p->traces = kernel.Traces().size();
    p->traceErrors = kernel.TraceErrors().size();
    p->poolErrors = kernel.PoolErrors().size();
    p->log = host_.Log().size();
    p->allocations = kernel.AllocationCount();
    p->frees = kernel.FreeCount();
    p->live = kernel.LiveAllocations().size();
    p->deviceGuard = host_.DeviceGuardIntact();
    return p;
}

Call& Engine::CallOf(Prepared& prepared) { return prepared.call; }

void Engine::Refill(Prepared& prepared) {
    for (size_t i = 0; i < 2; ++i) {
        if (prepared.call.pointers[i] != nullptr)
            std::memcpy(prepared.storage[i].data(), prepared.handed[i].data(), prepared.sizes[i]);
    }
    prepared.contextOut = nullptr;
}

SessionStep Engine::Finish(std::unique_ptr<Prepared> prepared, u32 status) {
    Prepared& p = *prepared;
    const Step& step = p.step;
    const Call& call = p.call;
    if (step.answers.failCall != 0) host_.ClearFailures();

    SessionStep s;
    s.op = step.op;
    s.board = step.board;
    s.operation = OpName(step.op);
    s.label = step.label;
    s.arguments = step.arguments.empty() ? Describe(step, call) : step.arguments;
    s.args = call.args;
    if (ReturnsStatus(step.op)) s.status = status;
    s.context = call.context;

    const Kernel& kernel = Kernel::Get();
    std::vector<uint64_t> traceOrder;
    for (size_t i = p.traces; i < kernel.Traces().size(); ++i) {
        s.traces.push_back(kernel.Traces()[i]);
        traceOrder.push_back(kernel.TraceOrder()[i]);
    }
    s.bus.assign(host_.Log().begin() + static_cast<std::ptrdiff_t>(p.log), host_.Log().end());
    for (size_t t = 0, b = 0; t < s.traces.size() || b < s.bus.size();) {
        const bool traceFirst = b == s.bus.size() || (t < s.traces.size() && traceOrder[t] < s.bus[b].sequence);
        s.events.push_back(traceFirst ? SessionEvent{SessionEvent::Kind::Trace, t++}
                                      : SessionEvent{SessionEvent::Kind::Bus, b++});
    }
    for (size_t i = p.traceErrors; i < kernel.TraceErrors().size(); ++i)
        s.problems.push_back("trace: " + kernel.TraceErrors()[i]);
    for (size_t i = p.poolErrors; i < kernel.PoolErrors().size(); ++i)
        s.problems.push_back("pool: " + kernel.PoolErrors()[i]);
    if (p.deviceGuard && !host_.DeviceGuardIntact()) s.problems.push_back("device record written past its end");
    const size_t allocated = kernel.AllocationCount() - p.allocations;
    const size_t freed = kernel.FreeCount() - p.frees;
    if (step.op != Op::OpenBoard && allocated != 0) s.problems.push_back("allocation outside OpenBoard");
    if (step.op == Op::OpenBoard && allocated > 1) s.problems.push_back("OpenBoard allocated more than once");
    if (step.op != Op::CloseBoard && freed != 0) s.problems.push_back("free outside CloseBoard");

    for (size_t i = 0; i < 2; ++i) {
        if (call.pointers[i] == nullptr) continue;
        const std::vector<u8>& storage = p.storage[i];
        s.records[i].assign(storage.begin(), storage.begin() + static_cast<std::ptrdiff_t>(p.sizes[i]));
        if (!std::all_of(storage.begin() + static_cast<std::ptrdiff_t>(p.sizes[i]), storage.end(),
                         [](u8 b) { return b == kGuardFill; }))
            s.problems.push_back(s.operation + " wrote past the host's record" + (i == 1 ? " (second record)" : ""));
    }

    ReadBack(s, step.args, call.table);
    switch (step.op) {
        case Op::OpenBoard:
            s.context = p.contextOut;
            if (p.contextOut != nullptr) {
                std::vector<void*> made;
                for (size_t i = p.live; i < kernel.LiveAllocations().size(); ++i)
                    made.push_back(kernel.LiveAllocations()[i].pointer);
                open_.push_back({step.board, p.contextOut, std::move(made)});
            }
            break;
        case Op::CloseBoard: {
            const auto it = std::find_if(open_.begin(), open_.end(),
                                         [&](const Open& o) { return o.context == call.context; });
            if (it == open_.end()) break;
            size_t left = 0;
            for (void* allocation : it->allocations) {
                for (const Kernel::Allocation& live : kernel.LiveAllocations()) left += live.pointer == allocation;
            }
            if (left != 0) s.problems.push_back(std::to_string(left) + " allocation(s) still live after CloseBoard");
            open_.erase(it);
            break;
        }
        case Op::GetVideoFormats:
            if (!s.records[1].empty()) formats_[step.board] = s.formats;
            break;
        case Op::GetDefaultVideoProperties:
            if (s.properties) defaults_[step.board] = *s.properties;
            break;
        case Op::OnStartCapture:
            if (!s.records[0].empty()) {
                for (size_t i = 0; i < sizeof(CaptureConfig); ++i) {
                    if (s.records[0][i] != p.handed[0][i] && !ModuleMayWrite(i))
                        s.problems.push_back("OnStartCapture wrote CaptureConfig byte " + std::to_string(i) +
                                             ", a field it may not touch");
                }
            }
            break;
        default:
            break;
    }
    if (observer_) observer_(s);
    return s;
}

SessionStep Engine::Run(const Step& step, const Maker& make) {
    std::unique_ptr<Prepared> prepared = Prepare(step);
    const Invoker invoker = InvokerOf(step.op);
    const u32 status = make ? make(invoker, prepared->call) : invoker(prepared->call);
    return Finish(std::move(prepared), status);
}

bool Engine::RunAll(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        const SessionStep done = Run(step);
        if (step.op == Op::OpenBoard && done.status != kStatusSuccess) return false;
    }
    return true;
}

void Engine::CloseAll() {
    while (!open_.empty()) {
        Step close;
        close.op = Op::CloseBoard;
        close.board = open_.back().board;
        close.context = static_cast<int>(open_.size() - 1);
        const size_t before = open_.size();
        Run(close);
        if (open_.size() == before) open_.pop_back();  // the engine forgets it all the same
    }
}

}  // namespace trel::host
