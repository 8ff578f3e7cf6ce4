// The host's default-session call of each operation.
#include "operations.h"

namespace trel::host {
namespace {

constexpr AudioConfig kAudio = {1, 48000, 0, 0};  // PCM, 48 kHz

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

}  // namespace

const std::vector<Operation>& Operations() {
    static const std::vector<Operation> operations = {
        {"OpenBoard", HasBoard,
         [](OperationState& s) { s.board->boardOps->OpenBoard(nullptr, &s.context, &s.info); }},
        {"GetVideoSourceCaps", HasVideo, [](OperationState& s) { s.value = s.board->videoOps->GetVideoSourceCaps(); }},
        {"GetVideoFormats", HasVideo,
         [](OperationState& s) {
             s.board->videoOps->GetVideoFormats(s.context, s.device, &s.count, s.formats.data());
             if (s.count > kMaxVideoFormats) s.count = kMaxVideoFormats;
         }},
        {"GetStreamFormatTable", HasVideo,
         [](OperationState& s) { s.value = s.board->videoOps->GetStreamFormatTable() != nullptr; }},
        {"GetDefaultVideoProperties", HasVideo,
         [](OperationState& s) { s.board->videoOps->GetDefaultVideoProperties(s.context, s.device, &s.properties); }},
        {"InitVideoSource", HasVideo,
         [](OperationState& s) {
             s.board->videoOps->InitVideoSource(s.context, s.device, kKeepCurrent, kKeepCurrent, &s.properties);
         }},
        {"SetVideoProperty", HasVideo,
         [](OperationState& s) {
             s.board->videoOps->SetVideoProperty(s.context, s.device, kPropBrightness, 128, 0);
         }},
        {"GetVideoProperty", HasVideo,
         [](OperationState& s) {
             s.board->videoOps->GetVideoProperty(s.context, s.device, kPropBrightness, &s.value);
         }},
        {"GetAudioSourceCaps", HasAudio, [](OperationState& s) { s.value = s.board->audioOps->GetAudioSourceCaps(); }},
        {"GetAudioChipconfig", HasAudio,
         [](OperationState& s) { s.board->audioOps->GetAudioChipconfig(s.context, s.device, &s.chipConfig, &kAudio); }},
        {"InitAudio", HasAudio, [](OperationState& s) { s.board->audioOps->InitAudio(s.context, s.device, &kAudio); }},
        {"GetVideoInputs", HasInputs, [](OperationState& s) { s.value = s.board->inputOps->GetVideoInputs(); }},
        {"GetVideoInputType", HasInputs,
         [](OperationState& s) { s.value = s.board->inputOps->GetVideoInputType(s.context); }},
        {"GetAudioInputType", HasInputs,
         [](OperationState& s) { s.value = s.board->inputOps->GetAudioInputType(s.context); }},
        {"Set_Current_Video_InputID", HasInputs,
         [](OperationState& s) { s.board->inputOps->Set_Current_Video_InputID(s.context, s.device, 0); }},
        {"Set_Current_Audio_InputID", HasInputs,
         [](OperationState& s) { s.board->inputOps->Set_Current_Audio_InputID(s.context, s.device, 0); }},
        {"GetTunerProperty", HasTuner,
         [](OperationState& s) { s.board->tunerOps->GetTunerProperty(s.context, s.device, 0, &s.value, s.record); }},
        {"SetTunerProperty", HasTuner,
         [](OperationState& s) { s.board->tunerOps->SetTunerProperty(s.context, s.device, 0, 0, s.record); }},
        {"OnStartCapture", HasVideo,
         [](OperationState& s) {
             PrepareCapture(s);
             s.board->videoOps->OnStartCapture(s.context, s.device, &s.capture);
         }},
        {"CloseBoard", HasBoard,
         [](OperationState& s) {
             s.board->boardOps->CloseBoard(s.context);
             s.context = nullptr;
         }},
    };
    return operations;
}

}  // namespace trel::host
