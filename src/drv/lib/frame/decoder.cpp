// Rules the TV-decoder boards share (see decoder.h).
#include "frame/decoder.h"

namespace trel {

u32 SelectDecoderSource(const DecoderSources& sources, DecoderContext* context, void* device, u32 source) {
    if (source > 1) {
        Trace("Error:Unknown Video Source %d!!!", static_cast<int>(source));
        return kStatusInvalid;
    }
    if (context == nullptr) return kStatusInvalid;
    context->videoSource = source;
    const SourceSettings& settings = sources.source[source];
    // The source takes effect whatever the bus says; nothing here checks it.
    Unchecked(WriteRegistersOrResults(device, sources.address, settings.entries, settings.count, 0));
    return kStatusSuccess;
}

u32 SetStandardRegister(const StandardRegister& settings, DecoderContext* context, void* device, u32 standard) {
    if (standard == kKeepCurrent) return kStatusSuccess;
    if (standard == 0 || context == nullptr) return kStatusInvalid;
    u8 value = 0;
    if ((standard & kStdNtscFamily) != 0) {
        value = settings.ntsc;
    } else if ((standard & kStdPalFamily) != 0) {
        value = settings.pal;
    } else if ((standard & kStdSecamFamily) != 0) {
        value = settings.secam;
    } else {
        context->tvStandard = standard;  // no family: nothing to program
        return kStatusSuccess;
    }
    if (BusWrite(device, settings.address, settings.reg, value, 0) != 0) return kStatusBusFailure;
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
    Trace("GetVideoProperty %d", static_cast<int>(index));
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
        case kPropDecoderStatus1: result = ReadDecoderStatus(status, device, index, value, 0); break;
        default: return kStatusNotSupported;
    }
    Trace("GetVideoProperty return %d", static_cast<int>(status.traceReturnsValue ? *value : result));
    return result;
}

u32 SelectVideoInput(const DecoderSources& sources, void* context, void* device, u32 inputId) {
    Trace("Set_Current_Video_InputID %d", static_cast<int>(inputId));
    if (inputId > 1 || context == nullptr) return kStatusInvalid;
    return SelectDecoderSource(sources, static_cast<DecoderContext*>(context), device, inputId == 0 ? 1 : 0);
}

u32 ApplyVideoSettings(SetVideoPropertyFn set, void* context, void* device, u32 source, u32 standard,
                       const VideoPropertySet& properties) {
    u32 status = set(context, device, kPropVideoSource, source, 0);
    if (status != kStatusSuccess) return status;
    status = set(context, device, kPropTvStandard, standard, 0);
    if (status != kStatusSuccess) return status;
    for (u32 index = 1; index <= kVideoPropertyCount; ++index) set(context, device, index, properties.value[index - 1], 0);
    return kStatusSuccess;
}

}  // namespace trel
