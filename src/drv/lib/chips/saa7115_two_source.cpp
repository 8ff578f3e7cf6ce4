// Boards with an SAA7115 and two video sources (see saa7115_two_source.h).
#include "chips/saa7115_two_source.h"

namespace trel::saa7115_two_source {
namespace {


// Source 0 and source 1 reach the decoder on different input pins; each
// needs its own luminance setting.
constexpr RegisterEntry kSource0[] = {{saa7115::kRegAnalogInput, 0xC9}, {saa7115::kRegLumaControl, 0x80}};
constexpr RegisterEntry kSource1[] = {{saa7115::kRegAnalogInput, 0xC0}, {saa7115::kRegLumaControl, 0x40}};
constexpr DecoderSources kSources = {saa7115::kAddress, {{kSource0, CountOf(kSource0)}, {kSource1, CountOf(kSource1)}}};

}  // namespace

u32 SelectVideoSource(DecoderContext* context, void* device, u32 source) {
    return SelectDecoderSource(kSources, context, device, source);
}

u32 SetCurrentVideoInputId(void* context, void* device, u32 inputId) {
    return SelectVideoInput(kSources, context, device, inputId);
}

u32 SetStandard(DecoderContext* context, void* device, u32 standard, const saa7115::StandardLists& lists) {
    if (standard == kKeepCurrent) return kStatusSuccess;
    if (standard == 0 || context == nullptr) return kStatusInvalid;
    if (saa7115::WriteStandardList(device, lists, saa7115::StandardLines(standard), kFlags) != 0) {
        return kStatusBusFailure;
    }
    context->tvStandard = standard;  // the whole mask, as given
    return kStatusSuccess;
}

u32 InitVideoSource(void* context, void* device, u32 standard, u32 source, const VideoPropertySet* properties,
                    const saa7115::DecoderStart& start) {
    if (context == nullptr) return kStatusInvalid;
    if (Host() == nullptr) return kStatusBusFailure;
    if (properties == nullptr) return kStatusInvalid;
    const auto* decoder = static_cast<const DecoderContext*>(context);
    if (standard == kKeepCurrent) standard = decoder->tvStandard;
    if (source == kKeepCurrent) source = decoder->videoSource;
    return saa7115::StartDecoder(context, device, standard, source, *properties, start);
}

u32 GetVideoProperty(void* context, void* device, u32 index, u32* value) {
    return GetDecoderProperty(saa7115::kStatusQueries, context, device, index, value);
}

}  // namespace trel::saa7115_two_source
