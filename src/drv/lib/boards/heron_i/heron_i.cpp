// Heron I: SAA7115 video decoder at 0x40, two video sources, NTSC/PAL/SECAM,
// audio clocked by the decoder. The reference decoder board: source, input,
// standard, start-up and status operations are those of the two-source
// SAA7115 boards (chips/saa7115_two_source.h), which Bittern shares; the
// scaler is programmed at every capture start.
#include "audio/audio.h"
#include "chips/saa7115.h"
#include "chips/saa7115_two_source.h"
#include "frame/catalogue.h"
#include "frame/module.h"

namespace trel {
namespace {

using saa7115_two_source::kFlags;
constexpr BoardInfoValues kInfo = {"Heron I", 0x0202, 0, 0x3B};

// Heron I runs the shared set-up table as it is.
constexpr saa7115::SetupDelta kSetupDelta = {nullptr, 0};
// Teletext lines sliced as WST625.
constexpr saa7115::VbiValues kVbiValues = {0xF1};

u32 OpenBoard(void*, void** contextOut, BoardInfo* info) { return OpenDecoderBoard(contextOut, info, kInfo); }

[[nodiscard]] u32 SetTVStandard(DecoderContext* context, void* device, u32 standard) {
    return saa7115_two_source::SetStandard(context, device, standard, saa7115::kStandardLists);
}

u32 SetVideoProperty(void* context, void* device, u32 index, u32 value, u32 extra) {
    Trace("SetVideoProperty %d %d", static_cast<s32>(index), static_cast<s32>(value));
    auto* decoder = static_cast<DecoderContext*>(context);
    switch (index) {
        case kPropVideoSource: return saa7115_two_source::SelectVideoSource(decoder, device, value);
        case kPropTvStandard: return SetTVStandard(decoder, device, value);
        case kPropVbiService: return saa7115::SetVbiService(device, value, extra, kVbiValues, kFlags);
        default: return saa7115::SetPictureControl(device, index, value, kFlags);
    }
}

constexpr saa7115::DecoderStart kStart = {&kSetupDelta, SetVideoProperty, kFlags};

u32 InitVideoSource(void* context, void* device, u32 standard, u32 source, const VideoPropertySet* properties) {
    return saa7115_two_source::InitVideoSource(context, device, standard, source, properties, kStart);
}

// The scaler delivers the requested size; the context is not consulted.
u32 OnStartCapture(void*, void* device, CaptureConfig* config) {
    if (config == nullptr) {
        Trace("OnStartCapture video_config == NULL");
        return kStatusInvalid;
    }
    const u32 status = saa7115::ProgramScaler(device, config, kFlags);
    if (status != kStatusSuccess) return status;
    ApplyNtscVOffset(config);
    return kStatusSuccess;
}

constexpr BoardOps kBoardOps = {
    OpenBoard,         // OpenBoard
    CommonCloseBoard,  // CloseBoard
};

constexpr VideoOps kVideoOps = {
    CapabilityMask<0x155>,               // GetVideoSourceCaps
    NullStreamFormatTable,            // GetStreamFormatTable
    saa7115::GetVideoFormats,         // GetVideoFormats
    CommonGetDefaultVideoProperties,  // GetDefaultVideoProperties
    InitVideoSource,                  // InitVideoSource
    ZeroStub,                         // 5
    OnStartCapture,                   // OnStartCapture
    ZeroStub,                         // 7
    SetVideoProperty,                 // SetVideoProperty
    saa7115_two_source::GetVideoProperty,  // GetVideoProperty
};

constexpr AudioOps kAudioOps = {
    CapabilityMask<0x176007>,       // GetAudioSourceCaps
    GetAudioChipconfigSaa7115,  // GetAudioChipconfig
    InitAudioSaa7115Clock,       // InitAudio
    ZeroStub,                    // 3
};

constexpr InputOps kInputOps = {
    CommonGetVideoInputs,           // GetVideoInputs
    CommonGetVideoInputType,        // GetVideoInputType
    CommonGetAudioInputType,        // GetAudioInputType
    saa7115_two_source::SetCurrentVideoInputId,  // Set_Current_Video_InputID
    ZeroStub,                       // Set_Current_Audio_InputID
};

}  // namespace

constexpr BoardDescriptor kHeronIDescriptor = {
    sizeof(BoardDescriptor), 0x1F3B, 0x5100, kInfo.revision, &kBoardOps, &kVideoOps, &kAudioOps, &kInputOps, nullptr};

}  // namespace trel
