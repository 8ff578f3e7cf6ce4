// The host's step lists (see session.h).
#include "session.h"

#include <cctype>
#include <cstdio>
#include <string>
#include <utility>

namespace trel::host {
namespace {

// Kernel-streaming tuner property ids, modes and TV-audio flags the host uses.
constexpr u32 kTunerPropMode = 2;
constexpr u32 kTunerPropFrequency = 4;
constexpr u32 kTunerPropInput = 5;
constexpr u32 kTunerPropTvAudioModes = 8;
constexpr u32 kTunerPropTvAudioMode = 10;
constexpr u32 kTunerModeTv = 1;
constexpr u32 kTunerModeFm = 2;
constexpr u32 kTvAudioStereo = 0x02;
constexpr u32 kStdPalB = 0x10;
constexpr u32 kTunerFrequencyHz = 175'250'000;  // a VHF-high picture carrier

constexpr TunerProperty kTunerProperties[] = {
    {"caps", 0, false},          {"mode-caps", 1, true},        {"mode", kTunerPropMode, false},
    {"standard", 3, false},      {"frequency", kTunerPropFrequency, true}, {"input", kTunerPropInput, false},
    {"status", 6, true},         {"audio-modes-a", kTunerPropTvAudioModes, false}, {"audio-modes-b", 9, false},
    {"audio-mode", kTunerPropTvAudioMode, false},
};

std::string Hex32(u32 value) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08X", value);
    return text;
}

Step MakeStep(Op op, size_t board, std::string arguments = "", std::array<u32, 3> args = {}) {
    Step step;
    step.op = op;
    step.board = board;
    step.arguments = std::move(arguments);
    step.args = args;
    return step;
}

RecordArg Null() {
    RecordArg none;
    none.null = true;
    return none;
}

std::vector<u8> U32Bytes(u32 value) {
    return {static_cast<u8>(value), static_cast<u8>(value >> 8), static_cast<u8>(value >> 16),
            static_cast<u8>(value >> 24)};
}

}  // namespace

std::span<const TunerProperty> TunerProperties() { return kTunerProperties; }

std::vector<Step> UsualSession(const BoardDescriptor& board, size_t b, const SessionOptions& options) {
    std::vector<Step> steps;
    if (board.boardOps == nullptr) return steps;
    steps.push_back(MakeStep(Op::OpenBoard, b, "unused=null, contextOut, info=zero-filled"));
    if (board.videoOps != nullptr) {
        steps.push_back(MakeStep(Op::GetVideoSourceCaps, b, ""));
        steps.push_back(MakeStep(Op::GetVideoFormats, b,
                                 "context, device, count, formats[" + std::to_string(kMaxVideoFormats) + "]"));
        steps.push_back(MakeStep(Op::GetStreamFormatTable, b, ""));
        steps.push_back(MakeStep(Op::GetDefaultVideoProperties, b, "context, device, properties"));
        const u32 standard = options.standard.value_or(kKeepCurrent);
        steps.push_back(MakeStep(Op::InitVideoSource, b,
                                 "context, device, standard=" + Hex32(standard) + (options.standard ? "" : " (keep)") +
                                     ", source=" + Hex32(kKeepCurrent) + " (keep), properties=defaults",
                                 {standard, kKeepCurrent, 0}));
    }
    if (board.audioOps != nullptr) {
        const std::string audio = "audio={PCM, 48000 Hz, mode 0, parameter 0}";
        steps.push_back(MakeStep(Op::GetAudioSourceCaps, b, ""));
        steps.push_back(MakeStep(Op::GetAudioChipconfig, b, "context, device, chipConfig, " + audio));
        steps.push_back(MakeStep(Op::InitAudio, b, "context, device, " + audio));
    }
    if (board.inputOps != nullptr) {
        steps.push_back(MakeStep(Op::GetVideoInputs, b, ""));
        steps.push_back(MakeStep(Op::GetVideoInputType, b, "context"));
    }
    if (board.tunerOps != nullptr && options.UsesTuner()) {
        const bool fm = options.fmFrequency.has_value();
        const std::optional<u32> frequency = fm ? options.fmFrequency : options.tvFrequency;
        if (frequency) {
            Step mode = MakeStep(Op::SetTunerProperty, b,
                                 std::string("context, device, id=2 (mode), value=") + (fm ? "2 (FM radio)" : "1 (TV)"),
                                 {kTunerPropMode, fm ? kTunerModeFm : kTunerModeTv, 0});
            mode.records[0] = Null();
            steps.push_back(mode);
        }
        if (options.tvAudioMode) {
            Step audio = MakeStep(Op::SetTunerProperty, b,
                                  "context, device, id=10 (TV-audio mode), value=" + Hex32(*options.tvAudioMode),
                                  {kTunerPropTvAudioMode, *options.tvAudioMode, 0});
            audio.records[0] = Null();
            steps.push_back(audio);
        }
        if (frequency) {
            Step set = MakeStep(Op::SetTunerProperty, b,
                                "context, device, id=4 (frequency), record={" + std::to_string(*frequency) +
                                    " Hz, 0, ...}",
                                {kTunerPropFrequency, 0, 0});
            set.records[0].bytes = U32Bytes(*frequency);
            steps.push_back(set);
            Step get = MakeStep(Op::GetTunerProperty, b, "context, device, id=4 (frequency), record",
                                {kTunerPropFrequency, 0, 0});
            get.records[0] = Null();
            steps.push_back(get);
        }
        Step modes = MakeStep(Op::GetTunerProperty, b, "context, device, id=8 (TV-audio modes available), value",
                              {kTunerPropTvAudioModes, 0, 0});
        modes.records[1] = Null();
        steps.push_back(modes);
    }
    if (board.videoOps != nullptr) {
        Step capture = MakeStep(Op::OnStartCapture, b);
        capture.capture = {options.standard, options.captureWidth, options.captureHeight};
        steps.push_back(capture);
    }
    steps.push_back(MakeStep(Op::CloseBoard, b));
    return steps;
}

std::vector<Step> OperationCases(const BoardDescriptor& board, size_t b) {
    std::vector<Step> steps;
    const auto add = [&](Op op, const char* label, std::array<u32, 3> args = {}) -> Step& {
        steps.push_back(MakeStep(op, b, "", args));
        steps.back().label = label;
        return steps.back();
    };
    add(Op::OpenBoard, "");
    add(Op::GetVideoSourceCaps, "");
    add(Op::GetVideoFormats, "");
    add(Op::GetStreamFormatTable, "");
    add(Op::GetDefaultVideoProperties, "");
    add(Op::InitVideoSource, "", {kKeepCurrent, kKeepCurrent, 0});
    add(Op::SetVideoProperty, "source 0", {kPropVideoSource, 0, 0});
    add(Op::SetVideoProperty, "brightness 60", {kPropBrightness, 60, 0});
    add(Op::SetVideoProperty, "hue 10", {kPropHue, 10, 0});
    add(Op::SetVideoProperty, "standard PAL-B", {kPropTvStandard, kStdPalB, 0});
    add(Op::SetVideoProperty, "VBI service 1", {kPropVbiService, 1, 0});
    add(Op::GetVideoProperty, "brightness", {kPropBrightness, 0, 0});
    add(Op::GetVideoProperty, "decoder status", {kPropDecoderStatus0, 0, 0});
    add(Op::GetAudioSourceCaps, "");
    add(Op::GetAudioChipconfig, "");
    add(Op::InitAudio, "");
    add(Op::GetVideoInputs, "");
    add(Op::GetVideoInputType, "");
    add(Op::GetAudioInputType, "");
    add(Op::SetCurrentVideoInputId, "input 1", {1, 0, 0});
    add(Op::SetCurrentVideoInputId, "input 0", {0, 0, 0});
    add(Op::SetCurrentAudioInputId, "input 4", {4, 0, 0});
    add(Op::SetCurrentAudioInputId, "input 3", {3, 0, 0});
    const std::pair<u32, const char*> tunerReads[] = {
        {0, "caps"},  {1, "mode caps"}, {2, "mode"},          {3, "standard"},        {4, "frequency"},
        {5, "input"}, {6, "status"},    {8, "audio modes A"}, {9, "audio modes B"}, {10, "audio mode"},
    };
    for (const auto& [id, label] : tunerReads) add(Op::GetTunerProperty, label, {id, 0, 0});
    add(Op::SetTunerProperty, "mode FM", {kTunerPropMode, kTunerModeFm, 0});
    add(Op::SetTunerProperty, "mode TV", {kTunerPropMode, kTunerModeTv, 0});
    add(Op::SetTunerProperty, "frequency", {kTunerPropFrequency, 0, 0}).records[0].bytes = U32Bytes(kTunerFrequencyHz);
    add(Op::SetTunerProperty, "input 0", {kTunerPropInput, 0, 0});
    add(Op::SetTunerProperty, "audio stereo", {kTunerPropTvAudioMode, kTvAudioStereo, 0});
    add(Op::OnStartCapture, "");
    add(Op::CloseBoard, "");
    std::vector<Step> present;
    for (Step& step : steps)
        if (HasSlot(board, step.op)) present.push_back(std::move(step));
    return present;
}

std::vector<ReviewedSession> ReviewedSessions(const SimHost& host) {
    std::vector<ReviewedSession> sessions;
    for (size_t b = 0; b < host.CatalogueCount(); ++b) {
        std::string name = BoardNames().at(b);
        for (char& c : name) c = c == ' ' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        sessions.push_back({b, name + "_usual_session.txt", {}, {}});
    }
    const auto add = [&](const char* board, const char* file, SessionOptions options, std::vector<u8> status) {
        if (const auto index = FindBoard(board)) sessions.push_back({*index, file, options, std::move(status)});
    };
    SessionOptions pal;  // the 625-line list, audio clock and field settings
    pal.standard = kStdPalFamily;
    pal.captureWidth = 352;
    pal.captureHeight = 288;
    add("Heron I", "heron_i_pal_cif_session.txt", pal, {});
    SessionOptions tv;  // PAL-B/G, 471.25 MHz, language A stereo
    tv.standard = 0x50;
    tv.tvFrequency = 471'250'000;
    tv.tvAudioMode = 0x12;
    add("Kestrel", "kestrel_tv_session.txt", tv, {0x00, 0x40});
    SessionOptions fm;  // 100 MHz, stereo
    fm.fmFrequency = 100'000'000;
    fm.tvAudioMode = kTvAudioStereo;
    add("Kestrel", "kestrel_fm_session.txt", fm, {});
    return sessions;
}

void PrepareHost(SimHost& host, const ReviewedSession& session) {
    if (!session.audioStatus.empty()) host.ScriptSubaddressRead({0x80, 0x11, 0x02, 0x00}, session.audioStatus);
}

bool RunUsualSequence(SimHost& host, size_t boardIndex, const SessionOptions& options, const StepObserver& observer) {
    Engine engine(host, observer);
    return engine.RunAll(UsualSession(host.Board(boardIndex), boardIndex, options));
}

}  // namespace trel::host
