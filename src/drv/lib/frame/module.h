// Module-internal frame: the host services pointer, the trace gate, pool
// allocation of board contexts, bus helpers and the handlers shared by boards.
#pragma once

#include "frame/host_interface.h"
#include "frame/kernel.h"
#include "frame/trace.h"

namespace trel {

// ---------------------------------------------------------------------------
// Host services table, set by GetBoardModuleCaps (null until then).
const HostServices* Host();
void SetHost(const HostServices* host);

// ---------------------------------------------------------------------------
// Board contexts: non-paged pool, tag "Tc01".
void* AllocateContext(size_t bytes);
void FreeContext(void* context);

// Contexts of the decoder boards Heron I, Heron II Reprise, Egret, Heron Ascent
// and Bittern.
struct DecoderContext {
    u32 videoSource;
    u32 tvStandard;
};
static_assert(sizeof(DecoderContext) == 8);
static_assert(offsetof(DecoderContext, tvStandard) == 4);

// ---------------------------------------------------------------------------
// Small freestanding helpers (no C runtime in the kernel build).
void CopyBytes(void* to, const void* from, size_t bytes);
void ZeroBytes(void* to, size_t bytes);

// BoardInfo fields an OpenBoard writes.
struct BoardInfoValues {
    const char* name;
    u32 revision;
    u32 valueA;
    u32 flagsB;
};
// Writes the name with its NUL, then A, revision and B; nothing else.
void FillBoardInfo(BoardInfo* info, const BoardInfoValues& values);

// Opens a board whose context is a DecoderContext (source 0, NTSC-M).
u32 OpenDecoderBoard(void** contextOut, BoardInfo* info, const BoardInfoValues& values);

// Writes a board's default property set.
void CopyVideoProperties(VideoPropertySet* properties, const VideoPropertySet& defaults);

// The capture-start rule of the NTSC-family decoder boards: a vOffset still 0
// becomes 4 when the capture's mask is exactly the NTSC family record's 0xA07
// (a single NTSC bit such as 0x1 keeps 0).
void ApplyNtscVOffset(CaptureConfig* config);

// Asks the host for its "50Hz" parameter (0 when there is no host table).
u32 Query50Hz();

// A board's own SetVideoProperty slot, for the shared start-up steps that
// apply a property set through it.
using SetVideoPropertyFn = decltype(VideoOps::SetVideoProperty);

// ---------------------------------------------------------------------------
// GetVideoSourceCaps and GetAudioSourceCaps take nothing and answer the
// board's constant capability mask (what each bit means is the host's): one
// handler per mask, shared by every board that has that mask.
template <u32 kMask>
u32 CapabilityMask() {
    return kMask;
}

// ---------------------------------------------------------------------------
// Common handlers (one function each, pointed to by many tables).
u32 ZeroStub();
u32 ZeroStub(void* context);
u32 ZeroStub(void* context, void* device, u32 standard, u32 source, const VideoPropertySet* properties);
u32 ZeroStub(void* context, void* device, CaptureConfig* config);
u32 ZeroStub(void* context, void* device, const AudioConfig* audioConfig);
u32 ZeroStub(void* context, void* device, u32 inputId);
StreamFormatTable* NullStreamFormatTable();

u32 CommonCloseBoard(void* context);
void CommonGetDefaultVideoProperties(void* context, void* device, VideoPropertySet* properties);
u32 CommonGetVideoInputs();
u32 CommonGetVideoInputType(void* context);
u32 CommonGetAudioInputType(void* context);

// Written by the common GetDefaultVideoProperties: entries 0, 2, 6, 8, 10, 12, 14 are 50.
inline constexpr VideoPropertySet kCommonDefaultProperties = {
    {50, 0, 50, 0, 0, 0, 50, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0}};

}  // namespace trel
