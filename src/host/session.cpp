// The host's usual sequence, one step per module operation.
#include "session.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

namespace trel::host {
namespace {

std::string Hex32(u32 value) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08X", value);
    return text;
}

template <typename T, size_t Guard>
T Copy(const Guarded<T, Guard>& record) {
    T value;
    std::memcpy(&value, record.bytes, sizeof(T));
    return value;
}

// Kernel-streaming tuner property ids and modes the session uses.
constexpr u32 kTunerPropMode = 2;
constexpr u32 kTunerPropFrequency = 4;
constexpr u32 kTunerPropTvAudioModes = 8;
constexpr u32 kTunerPropTvAudioMode = 10;
constexpr u32 kTunerModeTv = 1;
constexpr u32 kTunerModeFm = 2;

}  // namespace

bool ModuleMayWrite(size_t offset) {
    const auto within = [offset](size_t first, size_t size) { return offset >= first && offset < first + size; };
    return within(offsetof(CaptureConfig, cfgByteA), 1) || within(offsetof(CaptureConfig, cfgByteB), 2) ||
           within(offsetof(CaptureConfig, hOffset), kCaptureConfigTouchedSize - offsetof(CaptureConfig, hOffset));
}

std::string SessionStep::StatusText() const { return status ? Hex32(*status) : "none"; }

Session::Session(SimHost& host, size_t boardIndex, StepObserver observer)
    : host_(host), board_(host.Board(boardIndex)), observer_(std::move(observer)) {}

SessionStep Session::Step(std::string operation, std::string arguments, const Call& call) {
    const Kernel& kernel = Kernel::Get();
    const size_t tracesBefore = kernel.Traces().size();
    const size_t traceErrorsBefore = kernel.TraceErrors().size();
    const size_t poolErrorsBefore = kernel.PoolErrors().size();
    const size_t logBefore = host_.Log().size();
    const bool guardBefore = host_.DeviceGuardIntact();

    SessionStep step;
    step.operation = std::move(operation);
    step.arguments = std::move(arguments);
    step.status = call(step);

    std::vector<uint64_t> traceOrder;
    for (size_t i = tracesBefore; i < kernel.Traces().size(); ++i) {
        step.traces.push_back(kernel.Traces()[i]);
        traceOrder.push_back(kernel.TraceOrder()[i]);
    }
    step.bus.assign(host_.Log().begin() + static_cast<std::ptrdiff_t>(logBefore), host_.Log().end());
    size_t t = 0;
    size_t b = 0;
    while (t < step.traces.size() || b < step.bus.size()) {
        const bool traceFirst =
            b == step.bus.size() || (t < step.traces.size() && traceOrder[t] < step.bus[b].sequence);
        step.events.push_back(traceFirst ? SessionEvent{SessionEvent::Kind::Trace, t++}
                                         : SessionEvent{SessionEvent::Kind::Bus, b++});
    }

    for (size_t i = traceErrorsBefore; i < kernel.TraceErrors().size(); ++i) {
        step.problems.push_back("trace: " + kernel.TraceErrors()[i]);
    }
    for (size_t i = poolErrorsBefore; i < kernel.PoolErrors().size(); ++i) {
        step.problems.push_back("pool: " + kernel.PoolErrors()[i]);
    }
    if (guardBefore && !host_.DeviceGuardIntact()) {
        step.problems.push_back("device record written past its end");
    }
    if (observer_) observer_(step);
    return step;
}

bool Session::Open() {
    if (board_.boardOps == nullptr) return false;
    liveAtOpen_ = Kernel::Get().LiveAllocations().size();
    const SessionStep step =
        Step("OpenBoard", "unused=null, contextOut, info=zero-filled", [this](SessionStep& s) -> std::optional<u32> {
            Guarded<BoardInfo> info;
            void* context = nullptr;
            const u32 status = board_.boardOps->OpenBoard(nullptr, &context, info.get());
            context_ = context;
            s.boardInfo = Copy(info);
            if (!info.GuardIntact()) s.problems.push_back("OpenBoard wrote past the BoardInfo record");
            return status;
        });
    return step.status == kStatusSuccess;
}

void Session::QueryVideo() {
    const VideoOps* ops = board_.videoOps;
    if (ops == nullptr) return;
    void* device = host_.Device();
    Step("GetVideoSourceCaps", "", [ops](SessionStep&) -> std::optional<u32> { return ops->GetVideoSourceCaps(); });
    Step("GetVideoFormats", "context, device, count, formats[" + std::to_string(kMaxVideoFormats) + "]",
         [this, ops, device](SessionStep& s) -> std::optional<u32> {
             Guarded<std::array<VideoFormat, kMaxVideoFormats>> records;
             u32 count = 0;
             const u32 status = ops->GetVideoFormats(context_, device, &count, records.get()->data());
             if (!records.GuardIntact()) s.problems.push_back("GetVideoFormats wrote past the host's records");
             if (count > kMaxVideoFormats) {
                 s.problems.push_back("GetVideoFormats reported " + std::to_string(count) + " formats");
                 count = kMaxVideoFormats;
             }
             const auto all = Copy(records);
             formats_.assign(all.begin(), all.begin() + count);
             s.formats = formats_;
             return status;
         });
    QueryStreamFormatTable();
    Step("GetDefaultVideoProperties", "context, device, properties",
         [this, ops, device](SessionStep& s) -> std::optional<u32> {
             Guarded<VideoPropertySet> properties;
             ops->GetDefaultVideoProperties(context_, device, properties.get());
             if (!properties.GuardIntact()) s.problems.push_back("GetDefaultVideoProperties wrote past the record");
             properties_ = Copy(properties);
             s.properties = properties_;
             return std::nullopt;
         });
}

SessionStep Session::QueryStreamFormatTable() {
    const VideoOps* ops = board_.videoOps;
    if (ops == nullptr) return {};
    return Step("GetStreamFormatTable", "", [ops](SessionStep& s) -> std::optional<u32> {
        const StreamFormatTable* table = ops->GetStreamFormatTable();
        s.streamFormatTable = table != nullptr;
        if (table != nullptr) s.streamTable = std::make_shared<const StreamFormatTable>(*table);
        return std::nullopt;
    });
}

void Session::InitVideo(const SessionOptions& options) {
    const VideoOps* ops = board_.videoOps;
    if (ops == nullptr) return;
    void* device = host_.Device();
    const u32 standard = options.standard.value_or(kKeepCurrent);
    Step("InitVideoSource", "context, device, standard=" + Hex32(standard) +
                                (options.standard ? "" : " (keep)") + ", source=" + Hex32(kKeepCurrent) +
                                " (keep), properties=defaults",
         [this, ops, device, standard](SessionStep&) -> std::optional<u32> {
             const VideoPropertySet properties = properties_;
             return ops->InitVideoSource(context_, device, standard, kKeepCurrent, &properties);
         });
}

void Session::InitAudio() {
    const AudioOps* ops = board_.audioOps;
    if (ops == nullptr) return;
    void* device = host_.Device();
    static constexpr AudioConfig kAudio = {1, 48000, 0, 0};  // PCM, 48 kHz
    const std::string audioText = "audio={PCM, 48000 Hz, mode 0, parameter 0}";
    Step("GetAudioSourceCaps", "", [ops](SessionStep&) -> std::optional<u32> { return ops->GetAudioSourceCaps(); });
    Step("GetAudioChipconfig", "context, device, chipConfig, " + audioText,
         [this, ops, device](SessionStep& s) -> std::optional<u32> {
             Guarded<AudioChipConfig> chip;
             ops->GetAudioChipconfig(context_, device, chip.get(), &kAudio);
             if (!chip.GuardIntact()) s.problems.push_back("GetAudioChipconfig wrote past the record");
             s.chipConfig = Copy(chip);
             return std::nullopt;
         });
    Step("InitAudio", "context, device, " + audioText, [this, ops, device](SessionStep&) -> std::optional<u32> {
        return ops->InitAudio(context_, device, &kAudio);
    });
}

void Session::QueryInputs() {
    const InputOps* ops = board_.inputOps;
    if (ops == nullptr) return;
    Step("GetVideoInputs", "", [ops](SessionStep&) -> std::optional<u32> { return ops->GetVideoInputs(); });
    Step("GetVideoInputType", "context",
         [this, ops](SessionStep&) -> std::optional<u32> { return ops->GetVideoInputType(context_); });
}

void Session::Tune(const SessionOptions& options) {
    const TunerOps* ops = board_.tunerOps;
    if (ops == nullptr) return;
    void* device = host_.Device();
    const bool fm = options.fmFrequency.has_value();
    const std::optional<u32> frequency = fm ? options.fmFrequency : options.tvFrequency;
    if (frequency) {
        const u32 mode = fm ? kTunerModeFm : kTunerModeTv;
        Step("SetTunerProperty", std::string("context, device, id=2 (mode), value=") + (fm ? "2 (FM radio)" : "1 (TV)"),
             [this, ops, device, mode](SessionStep&) -> std::optional<u32> {
                 return ops->SetTunerProperty(context_, device, kTunerPropMode, mode, nullptr);
             });
    }
    if (options.tvAudioMode) {
        const u32 flags = *options.tvAudioMode;
        Step("SetTunerProperty", "context, device, id=10 (TV-audio mode), value=" + Hex32(flags),
             [this, ops, device, flags](SessionStep&) -> std::optional<u32> {
                 return ops->SetTunerProperty(context_, device, kTunerPropTvAudioMode, flags, nullptr);
             });
    }
    if (frequency) {
        const u32 hz = *frequency;
        Step("SetTunerProperty", "context, device, id=4 (frequency), record={" + std::to_string(hz) + " Hz, 0, ...}",
             [this, ops, device, hz](SessionStep& s) -> std::optional<u32> {
                 Guarded<std::array<u32, kTunerFrequencyFields>> record;
                 (*record.get())[0] = hz;
                 const u32 status = ops->SetTunerProperty(context_, device, kTunerPropFrequency, 0, record->data());
                 if (!record.GuardIntact()) s.problems.push_back("SetTunerProperty wrote past the frequency record");
                 return status;
             });
        Step("GetTunerProperty", "context, device, id=4 (frequency), record",
             [this, ops, device](SessionStep& s) -> std::optional<u32> {
                 Guarded<std::array<u32, kTunerFrequencyFields>> record;
                 const u32 status = ops->GetTunerProperty(context_, device, kTunerPropFrequency, nullptr, record->data());
                 if (!record.GuardIntact()) s.problems.push_back("GetTunerProperty wrote past the frequency record");
                 s.frequencyRecord = Copy(record);
                 return status;
             });
    }
    Step("GetTunerProperty", "context, device, id=8 (TV-audio modes available), value",
         [this, ops, device](SessionStep& s) -> std::optional<u32> {
             u32 modes = 0;
             const u32 status = ops->GetTunerProperty(context_, device, kTunerPropTvAudioModes, &modes, nullptr);
             if (status == kStatusSuccess) s.tvAudioModes = modes;
             return status;
         });
}

void Session::StartCapture(const SessionOptions& options) {
    const VideoOps* ops = board_.videoOps;
    if (ops == nullptr) return;
    void* device = host_.Device();
    const VideoFormat* first = formats_.empty() ? nullptr : &formats_.front();
    if (options.standard) {
        for (const VideoFormat& format : formats_) {
            if ((format.standardMask & *options.standard) != 0) {
                first = &format;
                break;
            }
        }
    }
    const u32 standard = options.standard.value_or(first != nullptr ? first->standardMask : kStdNtscM);
    const u32 width = options.captureWidth.value_or(first != nullptr ? first->width : 720);
    const u32 height = options.captureHeight.value_or(first != nullptr ? first->height : 480);
    Step("OnStartCapture",
         "context, device, config={standard " + Hex32(standard) + ", " + std::to_string(width) + "x" +
             std::to_string(height) + "}",
         [this, ops, device, standard, width, height](SessionStep& s) -> std::optional<u32> {
             Guarded<CaptureConfig> config;
             config->standardMask = standard;
             config->captureWidth = width;
             config->captureHeight = height;
             const auto before = Copy(config);
             const u32 status = ops->OnStartCapture(context_, device, config.get());
             if (!config.GuardIntact()) s.problems.push_back("OnStartCapture wrote past the CaptureConfig");
             const auto* was = reinterpret_cast<const u8*>(&before);
             for (size_t i = 0; i < sizeof(CaptureConfig); ++i) {
                 if (config.bytes[i] != was[i] && !ModuleMayWrite(i)) {
                     s.problems.push_back("OnStartCapture wrote CaptureConfig byte " + std::to_string(i) +
                                          ", a field it may not touch");
                 }
             }
             s.captureConfig = Copy(config);
             return status;
         });
}

void Session::Close() {
    if (board_.boardOps == nullptr) return;
    Step("CloseBoard", context_ != nullptr ? "context" : "context=null",
         [this](SessionStep& s) -> std::optional<u32> {
             const u32 status = board_.boardOps->CloseBoard(context_);
             context_ = nullptr;
             const size_t live = Kernel::Get().LiveAllocations().size();
             if (live > liveAtOpen_) {
                 s.problems.push_back(std::to_string(live - liveAtOpen_) + " allocation(s) still live after CloseBoard");
             }
             return status;
         });
}

bool RunUsualSequence(SimHost& host, size_t boardIndex, const SessionOptions& options, const StepObserver& observer) {
    Session session(host, boardIndex, observer);
    if (!session.Open()) return false;
    session.QueryVideo();
    session.InitVideo(options);
    session.InitAudio();
    session.QueryInputs();
    if (options.UsesTuner()) session.Tune(options);
    session.StartCapture(options);
    session.Close();
    return true;
}

}  // namespace trel::host
