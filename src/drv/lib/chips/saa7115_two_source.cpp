// Boards with an SAA7115 and two video sources (see saa7115_two_source.h).
#include "chips/saa7115_two_source.h"

namespace trel::saa7115_two_source {
namespace {

constexpr DecoderSources kSources = saa711x::TwoInputSources(saa7115::kAddress);

}  // namespace

u32 SelectVideoSource(DecoderContext* context, void* device, u32 source) {
    return SelectDecoderSource(kSources, context, device, source);
}

u32 SetCurrentVideoInputId(void* context, void* device, u32 inputId) {
    return SelectVideoInput(kSources, context, device, inputId);
}

u32 SetTVStandard(const Board& board, DecoderContext* context, void* device, u32 standard) {
    if (standard == kKeepCurrent) return kStatusSuccess;
    if (standard == 0 || context == nullptr) return kStatusInvalid;
    if (saa7115::WriteStandardList(device, board.standards, saa7115::StandardLines(standard), kFlags) != 0) {
        return kStatusBusFailure;
    }
    context->tvStandard = standard;  // the whole mask, as given
    return kStatusSuccess;
}

u32 InitVideoSource(const Board& board, void* context, void* device, u32 standard, u32 source,
                    const VideoPropertySet* properties) {
    if (context == nullptr) return kStatusInvalid;
    if (Host() == nullptr) return kStatusBusFailure;
    if (properties == nullptr) return kStatusInvalid;
    const auto* decoder = static_cast<const DecoderContext*>(context);
    if (standard == kKeepCurrent) standard = decoder->tvStandard;
    if (source == kKeepCurrent) source = decoder->videoSource;
    return saa7115::StartDecoder(context, device, standard, source, *properties, board.start);
}

u32 OnStartCapture(const Board& board, void* device, CaptureConfig* config) {
    if (config == nullptr) {
        Trace(kTraceNoCaptureConfig);
        return kStatusInvalid;
    }
    if (board.scalesAtCaptureStart) {
        const u32 status = saa7115::ProgramScaler(device, config, kFlags);
        if (status != kStatusSuccess) return status;
    }
    ApplyNtscVOffset(config);
    return kStatusSuccess;
}

u32 SetVideoProperty(const Board& board, void* context, void* device, u32 index, u32 value, u32 extra) {
    Trace(kTraceSetVideoProperty, index, value);
    auto* decoder = static_cast<DecoderContext*>(context);
    switch (index) {
        case kPropVideoSource: return SelectVideoSource(decoder, device, value);
        case kPropTvStandard: return SetTVStandard(board, decoder, device, value);
        case kPropVbiService:
            if (!board.slicesVbi) return kStatusNotSupported;
            return saa7115::SetVbiService(device, value, extra, board.vbi, kFlags);
        default: return saa7115::SetPictureControl(device, index, value, kFlags);
    }
}

u32 GetVideoProperty(void* context, void* device, u32 index, u32* value) {
    return GetDecoderProperty(saa7115::kStatusQueries, context, device, index, value);
}

}  // namespace trel::saa7115_two_source
