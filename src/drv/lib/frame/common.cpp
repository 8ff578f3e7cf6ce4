// Shared frame state and the handlers that several boards' tables point to.
#include "frame/bus.h"
#include "frame/formats.h"
#include "frame/module.h"

namespace trel {
namespace {
const HostServices* g_host = nullptr;
}  // namespace

const HostServices* Host() { return g_host; }
void SetHost(const HostServices* host) { g_host = host; }

void* AllocateContext(size_t bytes) { return ExAllocatePoolWithTag(kNonPagedPool, bytes, kPoolTag); }
void FreeContext(void* context) { ExFreePoolWithTag(context, kPoolTag); }

namespace {

// AddressSanitizer does not see into the string instructions below: in the
// instrumented build each block's last byte is read first, where an overrun
// would begin.
#if defined(__has_feature)  // clang
#if __has_feature(address_sanitizer)
#define TREL_ADDRESS_SANITIZER 1
#endif
#elif defined(__SANITIZE_ADDRESS__)  // GCC
#define TREL_ADDRESS_SANITIZER 1
#endif
#if defined(TREL_ADDRESS_SANITIZER)
void CheckBlockEnd(const void* block, size_t bytes) {
    if (bytes != 0) (void)static_cast<const volatile u8*>(block)[bytes - 1];
}
#else
void CheckBlockEnd(const void*, size_t) {}
#endif

}  // namespace

// The processor's own string instructions: on processors with fast strings
// they move whole cache lines, as quick as a C runtime's memcpy and memset on
// a stream format table, and, being written out here, no compiler turns them
// into a call the kernel would have to export. Both conventions enter a
// function with the direction flag clear.
void CopyBytes(void* to, const void* from, size_t bytes) {
    CheckBlockEnd(to, bytes);
    CheckBlockEnd(from, bytes);
    asm volatile("rep movsb" : "+D"(to), "+S"(from), "+c"(bytes) : : "memory");
}

void ZeroBytes(void* to, size_t bytes) {
    CheckBlockEnd(to, bytes);
    asm volatile("rep stosb" : "+D"(to), "+c"(bytes) : "a"(0) : "memory");
}

void FillBoardInfo(BoardInfo* info, const BoardInfoValues& values) {
    size_t i = 0;
    do {
        info->name[i] = values.name[i];
    } while (values.name[i++] != '\0' && i < sizeof(info->name));
    info->valueA = values.valueA;
    info->revision = values.revision;
    info->flagsB = values.flagsB;
}

u32 OpenDecoderBoard(void** contextOut, BoardInfo* info, const BoardInfoValues& values) {
    if (contextOut == nullptr || info == nullptr) return kStatusInvalid;
    auto* context = static_cast<DecoderContext*>(AllocateContext(sizeof(DecoderContext)));
    if (context == nullptr) return kStatusNoMemory;
    *contextOut = context;
    context->videoSource = 0;
    context->tvStandard = kStdNtscM;
    FillBoardInfo(info, values);
    return kStatusSuccess;
}

namespace {

// The text, then NULs to the end of the field: every byte written once. (The
// copy loops end at a NUL, which no compiler makes a memcpy of.)
void WriteText(char* to, size_t size, const FormatText& text) {
    size_t n = 0;
    for (const char* p = text.head; *p != '\0' && n < size; ++p) to[n++] = *p;
    for (const char* p = text.tail; *p != '\0' && n < size; ++p) to[n++] = *p;
    ZeroBytes(to + n, size - n);
}

// Lays one kept record out as the host's VideoFormat, all 360 bytes of it.
void WriteVideoFormat(VideoFormat* to, const FormatRecord& record) {
    WriteText(to->formatName, sizeof(to->formatName), record.formatName);
    WriteText(to->sourceName, sizeof(to->sourceName), record.sourceName);
    to->reserved0 = 0;
    to->recordSize = sizeof(VideoFormat);
    to->standardMask = record.standardMask;
    to->frameRate = record.frameRate;
    to->width = record.size.width;
    to->height = record.size.height;
    CopyBytes(to->formatFlags, &kFormatFlags[static_cast<size_t>(record.flags)], sizeof(to->formatFlags));
}

}  // namespace

u32 CopyVideoFormats(u32* count, VideoFormat* formats, const FormatRecord* records, u32 recordCount) {
    if (count == nullptr || formats == nullptr) return kStatusInvalid;
    *count = recordCount;
    for (u32 i = 0; i < recordCount; ++i) WriteVideoFormat(&formats[i], records[i]);
    return kStatusSuccess;
}

void CopyVideoProperties(VideoPropertySet* properties, const VideoPropertySet& defaults) {
    if (properties == nullptr) return;
    CopyBytes(properties, &defaults, sizeof(VideoPropertySet));
}

void ApplyNtscVOffset(CaptureConfig* config) {
    if (config->vOffset == 0 && config->standardMask == kStdNtscFamily) config->vOffset = 4;
}

u32 Query50Hz() {
    const HostServices* host = Host();
    if (host == nullptr) return 0;
    return host->QueryParameter("50Hz", 0);
}

// ---------------------------------------------------------------------------
// Bus helpers.
u32 BusWrite(void* device, u8 address, u16 reg, u8 value, u32 flags) {
    const HostServices* host = Host();
    if (host == nullptr) return kStatusBusFailure;
    return host->I2cWrite(device, address, kI2cRegisterWidth, reg, value, flags);
}

u32 BusRead(void* device, u8 address, u16 reg, u8* value, u32 flags) {
    const HostServices* host = Host();
    if (host == nullptr) return kStatusBusFailure;
    return host->I2cRead(device, address, kI2cRegisterWidth, reg, value, flags);
}

u32 BusWriteBuffer(void* device, u8 address, const u8* bytes, u32 count, u32 flags) {
    const HostServices* host = Host();
    if (host == nullptr) return kStatusBusFailure;
    return host->I2cWriteBuffer(device, address, 0, 0, count, bytes, flags);
}

u32 BusWriteSubaddress(void* device, const u8* header, u32 headerLength, const u8* data,
                       u32 dataLength, u32 flags) {
    const HostServices* host = Host();
    if (host == nullptr) return kStatusBusFailure;
    return host->I2cWriteSubaddress(device, headerLength, header, dataLength, data, flags);
}

u32 BusReadSubaddress(void* device, const u8* header, u32 headerLength, u8* data,
                      u32 dataLength, u32 flags) {
    const HostServices* host = Host();
    if (host == nullptr) return kStatusBusFailure;
    return host->I2cReadSubaddress(device, headerLength, header, dataLength, data, flags);
}

u32 BusSerialWrite(void* device, u8 address, u16 page, u16 data) {
    const HostServices* host = Host();
    if (host == nullptr) return kStatusBusFailure;
    return host->SerialWrite(device, kSerialFieldBits1, address, kSerialFieldBits2, page,
                             kSerialFieldBits3, data, kSerialMode);
}

u32 BusDeviceControl(void* device, u32 selector, u32 value) {
    const HostServices* host = Host();
    if (host == nullptr) return kStatusBusFailure;
    return host->DeviceControl(device, kDeviceControlRequest, &selector, &value, 0);
}

u32 BusEncoderWrite(void* device, u16 encoderRegister, u8 value) {
    const HostServices* host = Host();
    if (host == nullptr) return kStatusBusFailure;
    return host->EncoderWrite(device, encoderRegister, value);
}

// The table writers call the host's write directly: a missing table fails
// the first write, as BusWrite would. (The table pointer is read again for
// each write rather than held, which keeps their frames small.)
u32 WriteRegistersUntilFailure(void* device, u8 address, const RegisterEntry* table, u32 count, u32 flags) {
    if (count == 0) return kStatusSuccess;
    if (Host() == nullptr) return kStatusBusFailure;
    for (u32 i = 0; i < count; ++i) {
        if (Host()->I2cWrite(device, address, kI2cRegisterWidth, table[i].reg, table[i].value, flags) != 0) {
            return kStatusBusFailure;
        }
    }
    return kStatusSuccess;
}

u32 WriteRegistersOrResults(void* device, u8 address, const RegisterEntry* table, u32 count, u32 flags) {
    if (count == 0) return 0;
    if (Host() == nullptr) return kStatusBusFailure;
    u32 combined = 0;
    for (u32 i = 0; i < count; ++i) {
        combined |= Host()->I2cWrite(device, address, kI2cRegisterWidth, table[i].reg, table[i].value, flags);
    }
    return combined;
}

u32 SendSerialUntilFailure(void* device, const SerialEntry* table, u32 count) {
    for (u32 i = 0; i < count; ++i) {
        const u32 result = BusSerialWrite(device, table[i].address, table[i].page, table[i].data);
        if (result != 0) return result;
    }
    return kStatusSuccess;
}

// ---------------------------------------------------------------------------
// Common handlers.
u32 ZeroStub() { return 0; }
u32 ZeroStub(void*) { return 0; }
u32 ZeroStub(void*, void*, u32, u32, const VideoPropertySet*) { return 0; }
u32 ZeroStub(void*, void*, CaptureConfig*) { return 0; }
u32 ZeroStub(void*, void*, const AudioConfig*) { return 0; }
u32 ZeroStub(void*, void*, u32) { return 0; }
StreamFormatTable* NullStreamFormatTable() { return nullptr; }

u32 CommonCloseBoard(void* context) {
    if (context != nullptr) FreeContext(context);
    return 0;
}


void CommonGetDefaultVideoProperties(void*, void*, VideoPropertySet* properties) {
    CopyVideoProperties(properties, kCommonDefaultProperties);
}

u32 CommonGetVideoInputs() { return 1; }

// Inverse of the decoder boards' input selection: input 0 selects source 1.
u32 CommonGetVideoInputType(void* context) {
    if (context == nullptr) return kStatusInvalid;
    switch (static_cast<const DecoderContext*>(context)->videoSource) {
        case 0: return 1;
        case 1: return 0;
        default: return kStatusBusFailure;
    }
}

u32 CommonGetAudioInputType(void*) { return 2; }

}  // namespace trel
