// The host's calls of each operation.
#include "operations.h"

namespace trel::host {
namespace {

constexpr AudioConfig kAudio = {1, 48000, 0, 0};  // PCM, 48 kHz
constexpr u32 kStdPalB = 0x10;
constexpr u32 kTunerModeTv = 1;
constexpr u32 kTunerModeFm = 2;
constexpr u32 kTvAudioStereo = 0x02;
constexpr u32 kTunerFrequencyHz = 175'250'000;  // a VHF-high picture carrier

bool HasBoard(const BoardDescriptor& b) { return b.boardOps != nullptr; }
bool HasVideo(const BoardDescriptor& b) { return b.videoOps != nullptr; }
bool HasAudio(const BoardDescriptor& b) { return b.audioOps != nullptr; }
bool HasInputs(const BoardDescriptor& b) { return b.inputOps != nullptr; }
bool HasTuner(const BoardDescriptor& b) { return b.tunerOps != nullptr; }

void PrepareCapture(OperationState& s) {
    s.capture = CaptureConfig{};
    const VideoFormat& first = s.formats[0];
    s.capture.standardMask = s.count > 0 ? first.standardMask : kStdNtscM;
    s.capture.captureWidth = s.count > 0 ? first.width : 720;
    s.capture.captureHeight = s.count > 0 ? first.height : 480;
}

void PrepareFrequency(OperationState& s) {
    for (u32& field : s.record) field = 0;
    s.record[0] = kTunerFrequencyHz;
}

void ClampFormatCount(OperationState& s) {
    if (s.count > kMaxVideoFormats) s.count = kMaxVideoFormats;
}

// One GetTunerProperty row per property id (7 is not a tuner property).
#define TREL_GET_TUNER(id, label)                                                                    \
    {"GetTunerProperty", label, HasTuner, nullptr,                                                    \
     [](OperationState& s) { s.board->tunerOps->GetTunerProperty(s.context, s.device, id, &s.value, s.record); }, \
     nullptr}

}  // namespace

const std::vector<Operation>& Operations() {
    static const std::vector<Operation> operations = {
        {"OpenBoard", "", HasBoard, nullptr,
         [](OperationState& s) { s.board->boardOps->OpenBoard(nullptr, &s.context, &s.info); }, nullptr},
        {"GetVideoSourceCaps", "", HasVideo, nullptr,
         [](OperationState& s) { s.board->videoOps->GetVideoSourceCaps(); }, nullptr},
        {"GetVideoFormats", "", HasVideo, nullptr,
         [](OperationState& s) { s.board->videoOps->GetVideoFormats(s.context, s.device, &s.count, s.formats.data()); },
         ClampFormatCount},
        {"GetStreamFormatTable", "", HasVideo, nullptr,
         [](OperationState& s) { s.board->videoOps->GetStreamFormatTable(); }, nullptr},
        {"GetDefaultVideoProperties", "", HasVideo, nullptr,
         [](OperationState& s) { s.board->videoOps->GetDefaultVideoProperties(s.context, s.device, &s.properties); },
         nullptr},
        {"InitVideoSource", "", HasVideo, nullptr,
         [](OperationState& s) {
             s.board->videoOps->InitVideoSource(s.context, s.device, kKeepCurrent, kKeepCurrent, &s.properties);
         },
         nullptr},
        {"SetVideoProperty", "source 0", HasVideo, nullptr,
         [](OperationState& s) { s.board->videoOps->SetVideoProperty(s.context, s.device, kPropVideoSource, 0, 0); },
         nullptr},
        {"SetVideoProperty", "brightness 60", HasVideo, nullptr,
         [](OperationState& s) { s.board->videoOps->SetVideoProperty(s.context, s.device, kPropBrightness, 60, 0); },
         nullptr},
        {"SetVideoProperty", "hue 10", HasVideo, nullptr,
         [](OperationState& s) { s.board->videoOps->SetVideoProperty(s.context, s.device, kPropHue, 10, 0); },
         nullptr},
        {"SetVideoProperty", "standard PAL-B", HasVideo, nullptr,
         [](OperationState& s) {
             s.board->videoOps->SetVideoProperty(s.context, s.device, kPropTvStandard, kStdPalB, 0);
         },
         nullptr},
        {"SetVideoProperty", "VBI service 1", HasVideo, nullptr,
         [](OperationState& s) { s.board->videoOps->SetVideoProperty(s.context, s.device, kPropVbiService, 1, 0); },
         nullptr},
        {"GetVideoProperty", "brightness", HasVideo, nullptr,
         [](OperationState& s) {
             s.board->videoOps->GetVideoProperty(s.context, s.device, kPropBrightness, &s.value);
         },
         nullptr},
        {"GetVideoProperty", "decoder status", HasVideo, nullptr,
         [](OperationState& s) {
             s.board->videoOps->GetVideoProperty(s.context, s.device, kPropDecoderStatus0, &s.value);
         },
         nullptr},
        {"GetAudioSourceCaps", "", HasAudio, nullptr, [](OperationState& s) { s.board->audioOps->GetAudioSourceCaps(); },
         nullptr},
        {"GetAudioChipconfig", "", HasAudio, nullptr,
         [](OperationState& s) { s.board->audioOps->GetAudioChipconfig(s.context, s.device, &s.chipConfig, &kAudio); },
         nullptr},
        {"InitAudio", "", HasAudio, nullptr,
         [](OperationState& s) { s.board->audioOps->InitAudio(s.context, s.device, &kAudio); }, nullptr},
        {"GetVideoInputs", "", HasInputs, nullptr, [](OperationState& s) { s.board->inputOps->GetVideoInputs(); },
         nullptr},
        {"GetVideoInputType", "", HasInputs, nullptr,
         [](OperationState& s) { s.board->inputOps->GetVideoInputType(s.context); }, nullptr},
        {"GetAudioInputType", "", HasInputs, nullptr,
         [](OperationState& s) { s.board->inputOps->GetAudioInputType(s.context); }, nullptr},
        {"Set_Current_Video_InputID", "input 1", HasInputs, nullptr,
         [](OperationState& s) { s.board->inputOps->Set_Current_Video_InputID(s.context, s.device, 1); }, nullptr},
        {"Set_Current_Video_InputID", "input 0", HasInputs, nullptr,
         [](OperationState& s) { s.board->inputOps->Set_Current_Video_InputID(s.context, s.device, 0); }, nullptr},
        {"Set_Current_Audio_InputID", "input 4", HasInputs, nullptr,
         [](OperationState& s) { s.board->inputOps->Set_Current_Audio_InputID(s.context, s.device, 4); }, nullptr},
        {"Set_Current_Audio_InputID", "input 3", HasInputs, nullptr,
         [](OperationState& s) { s.board->inputOps->Set_Current_Audio_InputID(s.context, s.device, 3); }, nullptr},
        TREL_GET_TUNER(0, "caps"),
        TREL_GET_TUNER(1, "mode caps"),
        TREL_GET_TUNER(2, "mode"),
        TREL_GET_TUNER(3, "standard"),
        TREL_GET_TUNER(4, "frequency"),
        TREL_GET_TUNER(5, "input"),
        TREL_GET_TUNER(6, "status"),
        TREL_GET_TUNER(8, "audio modes A"),
        TREL_GET_TUNER(9, "audio modes B"),
        TREL_GET_TUNER(10, "audio mode"),
        {"SetTunerProperty", "mode FM", HasTuner, nullptr,
         [](OperationState& s) { s.board->tunerOps->SetTunerProperty(s.context, s.device, 2, kTunerModeFm, s.record); },
         nullptr},
        {"SetTunerProperty", "mode TV", HasTuner, nullptr,
         [](OperationState& s) { s.board->tunerOps->SetTunerProperty(s.context, s.device, 2, kTunerModeTv, s.record); },
         nullptr},
        {"SetTunerProperty", "frequency", HasTuner, PrepareFrequency,
         [](OperationState& s) { s.board->tunerOps->SetTunerProperty(s.context, s.device, 4, 0, s.record); },
         nullptr},
        {"SetTunerProperty", "input 0", HasTuner, nullptr,
         [](OperationState& s) { s.board->tunerOps->SetTunerProperty(s.context, s.device, 5, 0, s.record); },
         nullptr},
        {"SetTunerProperty", "audio stereo", HasTuner, nullptr,
         [](OperationState& s) {
             s.board->tunerOps->SetTunerProperty(s.context, s.device, 10, kTvAudioStereo, s.record);
         },
         nullptr},
        {"OnStartCapture", "", HasVideo, PrepareCapture,
         [](OperationState& s) { s.board->videoOps->OnStartCapture(s.context, s.device, &s.capture); }, nullptr},
        {"CloseBoard", "", HasBoard, nullptr, [](OperationState& s) { s.board->boardOps->CloseBoard(s.context); },
         [](OperationState& s) { s.context = nullptr; }},
    };
    return operations;
}

}  // namespace trel::host
