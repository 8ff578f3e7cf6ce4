// TrelBoard host interface: everything TRELCAP.SYS and the board module exchange.
//
// The host stream driver reads and writes these records at fixed byte offsets and
// calls through these tables, so every layout here is pinned by static_assert.
// This header is shared by the module and by hosts (the simulated host, tests,
// trelhost); it holds declarations and constants only.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace trel {

using u8 = uint8_t;
using u16 = uint16_t;
using u32 = uint32_t;
using s32 = int32_t;

// ---------------------------------------------------------------------------
// Status codes returned by board operations.
inline constexpr u32 kStatusSuccess = 0x00000000;
// Missing context or configuration, unrecognised source or input id, value out of range.
inline constexpr u32 kStatusInvalid = 0xFFFFFFFF;
inline constexpr u32 kStatusNoMemory = 0xFFFFFFFE;
// No host services table, or a checked bus transfer failed.
inline constexpr u32 kStatusBusFailure = 0xFFFFFFFD;
// Unrecognised property index, VBI service, tuner request or frequency.
inline constexpr u32 kStatusNotSupported = 0xFFFFFFFC;

// Non-paged pool tag of every allocation: "Tc01" in memory order.
inline constexpr u32 kPoolTag = 0x31306354;
inline constexpr int kNonPagedPool = 0;

// KS_AnalogVideoStandard families.
inline constexpr u32 kStdNtscFamily = 0x00000A07;
inline constexpr u32 kStdPalFamily = 0x000005F0;
inline constexpr u32 kStdSecamFamily = 0x000FF000;
inline constexpr u32 kStdNtscM = 0x00000001;
// Passed as a standard or source: keep the one recorded in the context.
inline constexpr u32 kKeepCurrent = 0xFFFFFFFF;

// Property indexes of SetVideoProperty / GetVideoProperty.
inline constexpr u32 kPropVideoSource = 0;
inline constexpr u32 kPropBrightness = 1;
inline constexpr u32 kPropContrast = 3;
inline constexpr u32 kPropHue = 5;
inline constexpr u32 kPropSaturation = 7;
inline constexpr u32 kPropSharpness = 9;
inline constexpr u32 kPropDecoderStatus0 = 0x1000;
inline constexpr u32 kPropDecoderStatus1 = 0x1001;
inline constexpr u32 kPropTvStandard = 0x1002;
inline constexpr u32 kPropVbiService = 0x1003;

// The host's device record: the module writes one u32 of it (camera capture start).
inline constexpr size_t kDeviceRecordMinSize = 0x23B78;
inline constexpr size_t kDeviceRecordClearOffset = 0x23B74;

// ---------------------------------------------------------------------------
// Host services (the table TRELCAP.SYS hands to GetBoardModuleCaps).
// Every service returns a u32; for bus services 0 means success.
struct HostServices {
    u32 (*I2cWrite)(void* device, u8 address, u32 registerWidth, u16 reg, u8 value, u32 flags);
    u32 (*I2cRead)(void* device, u8 address, u32 registerWidth, u16 reg, u8* value, u32 flags);
    u32 (*I2cWriteBuffer)(void* device, u8 address, u32 zero, u16 zeroRegister, u32 byteCount,
                          const u8* bytes, u32 flags);
    void* reserved3;
    u32 (*I2cWriteSubaddress)(void* device, u32 headerLength, const u8* header, u32 dataLength,
                              const u8* data, u32 flags);
    u32 (*I2cReadSubaddress)(void* device, u32 headerLength, const u8* header, u32 dataLength,
                             u8* data, u32 flags);
    // Fields of 8, 2 and 6 bits, each preceded by its bit count; last argument 0x113.
    u32 (*SerialWrite)(void* device, u32 bits1, u8 field1, u32 bits2, u16 field2, u32 bits3,
                       u16 field3, u32 mode);
    void* reserved7;
    u32 (*DeviceControl)(void* device, u32 request, u32* selector, u32* value, u32 zero);
    void* reserved9;
    u32 (*EncoderWrite)(void* device, u16 encoderRegister, u8 value);
    void* reserved11;
    u32 (*QueryParameter)(const char* name, u32 zero);
};
static_assert(sizeof(HostServices) == 13 * 8, "HostServices: 13 pointer slots");
static_assert(offsetof(HostServices, I2cWrite) == 0 * 8);
static_assert(offsetof(HostServices, I2cRead) == 1 * 8);
static_assert(offsetof(HostServices, I2cWriteBuffer) == 2 * 8);
static_assert(offsetof(HostServices, I2cWriteSubaddress) == 4 * 8);
static_assert(offsetof(HostServices, I2cReadSubaddress) == 5 * 8);
static_assert(offsetof(HostServices, SerialWrite) == 6 * 8);
static_assert(offsetof(HostServices, DeviceControl) == 8 * 8);
static_assert(offsetof(HostServices, EncoderWrite) == 10 * 8);
static_assert(offsetof(HostServices, QueryParameter) == 12 * 8);

// Constant arguments the module passes to the services.
inline constexpr u32 kI2cRegisterWidth = 8;
inline constexpr u32 kSerialFieldBits1 = 8;
inline constexpr u32 kSerialFieldBits2 = 2;
inline constexpr u32 kSerialFieldBits3 = 6;
inline constexpr u32 kSerialMode = 0x113;
inline constexpr u32 kDeviceControlRequest = 1;

// ---------------------------------------------------------------------------
// Records exchanged with the host.

// Filled by OpenBoard; the host hands it in zero-filled.
struct BoardInfo {
    char name[64];
    u32 revision;
    u32 valueA;
    u32 flagsB;
};
static_assert(sizeof(BoardInfo) == 76);
static_assert(offsetof(BoardInfo, name) == 0);
static_assert(offsetof(BoardInfo, revision) == 64);
static_assert(offsetof(BoardInfo, valueA) == 68);
static_assert(offsetof(BoardInfo, flagsB) == 72);

// One capture format as the host lists it; copied byte for byte.
struct VideoFormat {
    char formatName[64];
    char sourceName[256];
    u32 reserved0;
    u32 recordSize;
    u32 standardMask;
    u32 frameRate;  // frames per 1001 seconds
    u32 width;
    u32 height;
    u8 formatFlags[16];
};
static_assert(sizeof(VideoFormat) == 360);
static_assert(offsetof(VideoFormat, formatName) == 0);
static_assert(offsetof(VideoFormat, sourceName) == 64);
static_assert(offsetof(VideoFormat, reserved0) == 320);
static_assert(offsetof(VideoFormat, recordSize) == 324);
static_assert(offsetof(VideoFormat, standardMask) == 328);
static_assert(offsetof(VideoFormat, frameRate) == 332);
static_assert(offsetof(VideoFormat, width) == 336);
static_assert(offsetof(VideoFormat, height) == 340);
static_assert(offsetof(VideoFormat, formatFlags) == 344);
inline constexpr u32 kMaxVideoFormats = 3;

// Picture properties: entry k is property index k + 1.
inline constexpr u32 kVideoPropertyCount = 17;
struct VideoPropertySet {
    u32 value[kVideoPropertyCount];
};
static_assert(sizeof(VideoPropertySet) == 68);

// The host's capture configuration; the module touches only the named fields.
struct CaptureConfig {
    u8 hostArea0[328];
    u32 standardMask;
    u8 hostArea1[689 - 332];
    u8 cfgByteA;
    u8 hostArea2[1400 - 690];
    u32 captureWidth;
    u32 captureHeight;
    u8 cfgByteB;
    u8 cfgByteC;
    u8 hostArea3[2];
    u32 hOffset;
    u32 vOffset;
    u8 widthDoubled;
    u8 heightDoubled;
    u8 sizeFlag3;
    u8 hostArea4;
};
static_assert(sizeof(CaptureConfig) == 1424);
static_assert(offsetof(CaptureConfig, standardMask) == 328);
static_assert(offsetof(CaptureConfig, cfgByteA) == 689);
static_assert(offsetof(CaptureConfig, captureWidth) == 1400);
static_assert(offsetof(CaptureConfig, captureHeight) == 1404);
static_assert(offsetof(CaptureConfig, cfgByteB) == 1408);
static_assert(offsetof(CaptureConfig, cfgByteC) == 1409);
static_assert(offsetof(CaptureConfig, hOffset) == 1412);
static_assert(offsetof(CaptureConfig, vOffset) == 1416);
static_assert(offsetof(CaptureConfig, widthDoubled) == 1420);
static_assert(offsetof(CaptureConfig, heightDoubled) == 1421);
static_assert(offsetof(CaptureConfig, sizeFlag3) == 1422);
// The last byte the module may touch is sizeFlag3.
inline constexpr size_t kCaptureConfigTouchedSize = 1423;

// The host's requested audio encoding (read only by the module).
struct AudioConfig {
    u32 formatTag;
    u32 sampleRate;
    u32 modeSelect;
    u32 sampleParameter;
};
static_assert(sizeof(AudioConfig) == 16);
static_assert(offsetof(AudioConfig, formatTag) == 0);
static_assert(offsetof(AudioConfig, sampleRate) == 4);
static_assert(offsetof(AudioConfig, modeSelect) == 8);
static_assert(offsetof(AudioConfig, sampleParameter) == 12);

// The encoder's audio interface configuration, filled by GetAudioChipconfig.
inline constexpr u32 kAudioChipConfigWords = 33;
struct AudioChipConfig {
    u16 word[kAudioChipConfigWords];
};
static_assert(sizeof(AudioChipConfig) == 66);

// ---------------------------------------------------------------------------
// Camera boards' stream format table, built by GetStreamFormatTable and read by
// the host through the returned pointer. The module fills three sections (frame
// sizes, frame rates, stream options); everything else is the host's and stays zero.

// One frame size the camera offers.
struct FrameSizeEntry {
    char name[64];
    char description[256];  // same text as the name
    u32 kind;               // kFrameSizeEntryKind
    u32 entrySize;          // sizeof(FrameSizeEntry)
    u32 reserved0;
    u32 width;
    u32 height;
    u32 sizeFlags;          // kFrameSizeFlags
    u32 reserved1[3];
    u32 upperRateLimit;
    u32 lowerRateLimit;
    u32 reserved2;
};
static_assert(sizeof(FrameSizeEntry) == 368);
static_assert(offsetof(FrameSizeEntry, name) == 0);
static_assert(offsetof(FrameSizeEntry, description) == 64);
static_assert(offsetof(FrameSizeEntry, kind) == 320);
static_assert(offsetof(FrameSizeEntry, entrySize) == 324);
static_assert(offsetof(FrameSizeEntry, reserved0) == 328);
static_assert(offsetof(FrameSizeEntry, width) == 332);
static_assert(offsetof(FrameSizeEntry, height) == 336);
static_assert(offsetof(FrameSizeEntry, sizeFlags) == 340);
static_assert(offsetof(FrameSizeEntry, reserved1) == 344);
static_assert(offsetof(FrameSizeEntry, upperRateLimit) == 356);
static_assert(offsetof(FrameSizeEntry, lowerRateLimit) == 360);
static_assert(offsetof(FrameSizeEntry, reserved2) == 364);
inline constexpr u32 kFrameSizeEntryKind = 0x0E03;
inline constexpr u32 kFrameSizeFlags = 0x00000101;

// One frame rate the camera offers.
struct FrameRateEntry {
    char name[64];
    char description[256];  // same text as the name
    u32 kind;               // kFrameRateEntryKind
    u32 entrySize;          // sizeof(FrameRateEntry)
    u32 reserved0;
    u32 frameRate;          // frames per 1001 seconds
    u32 halfRate;           // 1: half the sensor's full rate
    u32 reserved1[2];
};
static_assert(sizeof(FrameRateEntry) == 348);
static_assert(offsetof(FrameRateEntry, name) == 0);
static_assert(offsetof(FrameRateEntry, description) == 64);
static_assert(offsetof(FrameRateEntry, kind) == 320);
static_assert(offsetof(FrameRateEntry, entrySize) == 324);
static_assert(offsetof(FrameRateEntry, reserved0) == 328);
static_assert(offsetof(FrameRateEntry, frameRate) == 332);
static_assert(offsetof(FrameRateEntry, halfRate) == 336);
static_assert(offsetof(FrameRateEntry, reserved1) == 340);
inline constexpr u32 kFrameRateEntryKind = 9;

struct StreamOptionEntry {
    s32 word[5];
};
static_assert(sizeof(StreamOptionEntry) == 20);

inline constexpr u32 kMaxFrameSizeEntries = 30;
inline constexpr u32 kMaxFrameRateEntries = 30;
// The option section runs to the end of the table; 300 entries fit, then 12 spare bytes.
inline constexpr u32 kMaxStreamOptionEntries = 300;

struct StreamFormatTable {
    u8 hostArea[0x4040];
    u32 frameSizeCount;
    FrameSizeEntry frameSizes[kMaxFrameSizeEntries];
    u32 frameRateCount;
    FrameRateEntry frameRates[kMaxFrameRateEntries];
    u32 optionCount;
    StreamOptionEntry options[kMaxStreamOptionEntries];
    u8 tail[12];
};
static_assert(sizeof(StreamFormatTable) == 43952 && sizeof(StreamFormatTable) == 0xABB0);
static_assert(offsetof(StreamFormatTable, frameSizeCount) == 0x4040);
static_assert(offsetof(StreamFormatTable, frameSizes) == 0x4044);
static_assert(offsetof(StreamFormatTable, frameRateCount) == 0x6B64);
static_assert(offsetof(StreamFormatTable, frameRates) == 0x6B68);
static_assert(offsetof(StreamFormatTable, optionCount) == 0x9430);
static_assert(offsetof(StreamFormatTable, options) == 0x9434);
static_assert(offsetof(StreamFormatTable, tail) == 0xABA4);

// Kernel-streaming tuner records (u32 fields, no property header).
inline constexpr u32 kTunerModeCapsFields = 8;
inline constexpr u32 kTunerFrequencyFields = 7;
inline constexpr u32 kTunerStatusFields = 4;

// ---------------------------------------------------------------------------
// Operation tables. A context is whatever OpenBoard returned; device is the
// host's device handle, passed on unchanged to the host services.
struct BoardOps {
    u32 (*OpenBoard)(void* unused, void** contextOut, BoardInfo* info);
    u32 (*CloseBoard)(void* context);
};
static_assert(sizeof(BoardOps) == 2 * 8);
static_assert(offsetof(BoardOps, CloseBoard) == 8);

struct VideoOps {
    u32 (*GetVideoSourceCaps)();
    StreamFormatTable* (*GetStreamFormatTable)();
    u32 (*GetVideoFormats)(void* context, void* device, u32* count, VideoFormat* formats);
    void (*GetDefaultVideoProperties)(void* context, void* device, VideoPropertySet* properties);
    u32 (*InitVideoSource)(void* context, void* device, u32 standard, u32 source,
                           const VideoPropertySet* properties);
    u32 (*Reserved5)();
    u32 (*OnStartCapture)(void* context, void* device, CaptureConfig* config);
    u32 (*Reserved7)();
    u32 (*SetVideoProperty)(void* context, void* device, u32 index, u32 value, u32 extra);
    u32 (*GetVideoProperty)(void* context, void* device, u32 index, u32* value);
};
static_assert(sizeof(VideoOps) == 10 * 8);
static_assert(offsetof(VideoOps, GetStreamFormatTable) == 1 * 8);
static_assert(offsetof(VideoOps, GetVideoFormats) == 2 * 8);
static_assert(offsetof(VideoOps, GetDefaultVideoProperties) == 3 * 8);
static_assert(offsetof(VideoOps, InitVideoSource) == 4 * 8);
static_assert(offsetof(VideoOps, Reserved5) == 5 * 8);
static_assert(offsetof(VideoOps, OnStartCapture) == 6 * 8);
static_assert(offsetof(VideoOps, Reserved7) == 7 * 8);
static_assert(offsetof(VideoOps, SetVideoProperty) == 8 * 8);
static_assert(offsetof(VideoOps, GetVideoProperty) == 9 * 8);

struct AudioOps {
    u32 (*GetAudioSourceCaps)();
    void (*GetAudioChipconfig)(void* context, void* device, AudioChipConfig* chipConfig,
                               const AudioConfig* audioConfig);
    u32 (*InitAudio)(void* context, void* device, const AudioConfig* audioConfig);
    u32 (*Reserved3)();
};
static_assert(sizeof(AudioOps) == 4 * 8);
static_assert(offsetof(AudioOps, GetAudioChipconfig) == 1 * 8);
static_assert(offsetof(AudioOps, InitAudio) == 2 * 8);
static_assert(offsetof(AudioOps, Reserved3) == 3 * 8);

struct InputOps {
    u32 (*GetVideoInputs)();
    u32 (*GetVideoInputType)(void* context);
    u32 (*GetAudioInputType)(void* context);
    u32 (*Set_Current_Video_InputID)(void* context, void* device, u32 inputId);
    u32 (*Set_Current_Audio_InputID)(void* context, void* device, u32 inputId);
};
static_assert(sizeof(InputOps) == 5 * 8);
static_assert(offsetof(InputOps, GetVideoInputType) == 1 * 8);
static_assert(offsetof(InputOps, GetAudioInputType) == 2 * 8);
static_assert(offsetof(InputOps, Set_Current_Video_InputID) == 3 * 8);
static_assert(offsetof(InputOps, Set_Current_Audio_InputID) == 4 * 8);

struct TunerOps {
    u32 (*GetTunerProperty)(void* context, void* device, u32 id, u32* value, u32* record);
    u32 (*SetTunerProperty)(void* context, void* device, u32 id, u32 value, u32* record);
};
static_assert(sizeof(TunerOps) == 2 * 8);
static_assert(offsetof(TunerOps, SetTunerProperty) == 8);

// One catalogue entry.
struct BoardDescriptor {
    u32 size;  // always sizeof(BoardDescriptor)
    u32 vendorId;
    u32 productId;
    u32 revision;
    const BoardOps* boardOps;
    const VideoOps* videoOps;
    const AudioOps* audioOps;  // null: no audio path
    const InputOps* inputOps;  // null: no input selection
    const TunerOps* tunerOps;  // null: no tuner
};
static_assert(sizeof(BoardDescriptor) == 0x38);
static_assert(offsetof(BoardDescriptor, vendorId) == 4);
static_assert(offsetof(BoardDescriptor, productId) == 8);
static_assert(offsetof(BoardDescriptor, revision) == 12);
static_assert(offsetof(BoardDescriptor, boardOps) == 16);
static_assert(offsetof(BoardDescriptor, videoOps) == 24);
static_assert(offsetof(BoardDescriptor, audioOps) == 32);
static_assert(offsetof(BoardDescriptor, inputOps) == 40);
static_assert(offsetof(BoardDescriptor, tunerOps) == 48);

}  // namespace trel

// ---------------------------------------------------------------------------
// The module's exports.
extern "C" {
// The kernel's load notification for an export driver; the registry path is not used.
int32_t DllInitialize(void* registryPath);
int32_t DllUnload(void);
// The host's entry: records the services table, hands out the catalogue and its count.
void GetBoardModuleCaps(void* context, const trel::HostServices* hostServices,
                        const trel::BoardDescriptor* const** catalogueOut, trel::u32* countOut);
}
