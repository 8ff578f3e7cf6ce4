// Rules the TV-decoder boards share (see decoder.h).
#include "frame/decoder.h"

namespace trel {

u32 SelectDecoderSource(const DecoderSources& sources, DecoderContext* context, void* device, u32 source) {
    if (source > 1) {
        Trace(kTraceUnknownVideoSource, source);
        return kStatusInvalid;
    }
    if (context == nullptr) return kStatusInvalid;
    context->videoSource = source;
    const RegisterList& settings = sources.source[source];
    // The source takes effect whatever the bus says; nothing here checks it.
    Unchecked(WriteRegistersOrResults(device, sources.address, settings.entries, settings.count, kNoI2cFlags));
    return kStatusSuccess;
}

u32 SetDecoderStandard(const StandardRegister* settings, DecoderContext* context, void* device, u32 standard) {
    if (standard == kKeepCurrent) return kStatusSuccess;
    if (standard == 0 || context == nullptr) return kStatusInvalid;
    if (settings != nullptr) {
        u8 value = 0;
        if ((standard & kStdNtscFamily) != 0) {
            value = settings->ntsc;
        } else if ((standard & kStdPalFamily) != 0) {
            value = settings->pal;
        } else if ((standard & kStdSecamFamily) != 0) {
            value = settings->secam;
        } else {
            context->tvStandard = standard;  // no family: nothing to program
            return kStatusSuccess;
        }
        if (BusWrite(device, settings->address, settings->reg, value, kNoI2cFlags) != 0) return kStatusBusFailure;
    }
    context->tvStandard = standard;
    return kStatusSuccess;
}

u32 ReadDecoderStatus(const DecoderStatus& status, void* device, u32 index, u32* value, u32 flags) {
    const StatusQuery& query = status.query[index == kPropDecoderStatus0 ? 0 : 1];
    u8 byte = 0;
    if (BusRead(device, status.address, query.reg, &byte, flags) != 0) return kStatusBusFailure;
    const u32 field = static_cast<u32>(byte & query.mask) >> query.shift;
    *value = query.inverted ? (field == 0 ? 1 : 0) : field;
    return kStatusSuccess;
}

u32 GetDecoderProperty(const DecoderStatus& status, void* context, void* device, u32 index, u32* value) {
    if (value == nullptr) return kStatusInvalid;
    *value = 0;
    Trace(kTraceGetVideoProperty, index);
    const auto* decoder = static_cast<const DecoderContext*>(context);
    u32 result = kStatusSuccess;
    switch (index) {
        case kPropVideoSource:
        case kPropTvStandard:
            if (decoder == nullptr) {
                result = kStatusInvalid;
            } else {
                *value = index == kPropVideoSource ? decoder->videoSource : decoder->tvStandard;
            }
            break;
        case kPropDecoderStatus0:
        case kPropDecoderStatus1: result = ReadDecoderStatus(status, device, index, value, kNoI2cFlags); break;
        default: return kStatusNotSupported;
    }
    Trace(kTraceGetVideoPropertyReturn, status.traceReturnsValue ? *value : result);
    return result;
}

u32 SelectVideoInput(const DecoderSources& sources, void* context, void* device, u32 inputId) {
    Trace(kTraceSetVideoInput, inputId);
    if (inputId > 1 || context == nullptr) return kStatusInvalid;
    return SelectDecoderSource(sources, static_cast<DecoderContext*>(context), device, inputId == 0 ? 1 : 0);
}

u32 ApplyVideoSettings(SetVideoPropertyFn set, void* context, void* device, u32 source, u32 standard,
                       const VideoPropertySet& properties) {
    // The fifth argument only switches a VBI service; start-up passes it off.
    constexpr u32 kNoExtra = 0;
    u32 status = set(context, device, kPropVideoSource, source, kNoExtra);
    if (status != kStatusSuccess) return status;
    status = set(context, device, kPropTvStandard, standard, kNoExtra);
    if (status != kStatusSuccess) return status;
    for (u32 index = 1; index <= kVideoPropertyCount; ++index) {
        Unchecked(set(context, device, index, properties.value[index - 1], kNoExtra));
    }
    return kStatusSuccess;
}

}  // namespace trel
