// Slots whose board operations are not written yet. Each such slot points to
// Unimplemented, which touches nothing and answers kStatusNotSupported (the
// stream format table slot: no table). Boards drop their entries as their
// operations land; the last one removes this file.
#pragma once

#include "frame/module.h"

namespace trel {

u32 Unimplemented();
u32 Unimplemented(void* context);
u32 Unimplemented(void* context, void* device, u32 standard, u32 source,
                  const VideoPropertySet* properties);
u32 Unimplemented(void* context, void* device, CaptureConfig* config);
u32 Unimplemented(void* context, void* device, u32 index, u32 value, u32 extra);
u32 Unimplemented(void* context, void* device, u32 index, u32* value);
u32 Unimplemented(void* context, void* device, u32 inputId);
u32 Unimplemented(void* context, void* device, u32 id, u32* value, u32* record);
u32 Unimplemented(void* context, void* device, u32 id, u32 value, u32* record);
StreamFormatTable* UnimplementedStreamFormatTable();

}  // namespace trel
