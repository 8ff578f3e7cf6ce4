// Swift: Sharp LZ24BP CCD sensor, programmed over the host's serial link; hue
// and saturation are registers of the TC5100 encoder. "50Hz" is read at open only.
#include "frame/bus.h"
#include "frame/camera.h"
#include "frame/catalogue.h"
#include "frame/decoder.h"

namespace trel {
namespace {

// Shared by all Swift devices.
u32 g_swift50Hz = 0;
StreamFormatTable g_swiftTable;

// "50Hz" is read at open only.
constexpr CameraBoard kSwift = {
    .info = {.name = "Swift", .revision = 0x0207, .valueA = 1, .flagsB = 0x00010001},
    .formats = MakeCameraFormats("Sharp LZ24BP CCD", kVga, FlagPattern::kCcd),
    .flag50Hz = &g_swift50Hz,
    .reads50HzAtCapture = false,
    .streamTable = &g_swiftTable,
    .frameSizes = &kVgaFrameSizes,
    .frameRates = FrameRateChoice::kByFlag,
};

// Brightness (exposure) 75, contrast 50, hue 12, saturation 51.
constexpr VideoPropertySet kDefaultProperties = {{75, 0, 50, 0, 12, 0, 51, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0}};

// CCD timing-logic words, sent in this order at every programming pass. Some
// addresses are sent twice (E8/0: 0x20, then 0x00). Words 13-14 (77/0, F7/0)
// hold the 30 fps field timing that capture start replaces; words 132-133
// (5E/1, DE/1) the exposure of brightness 75.
constexpr SerialEntry kCcdProgram[] = {
    {0xE8, 0, 0, 0x20}, {0xE8, 0, 0, 0x00}, {0xD4, 0, 0, 0x2B}, {0x08, 0, 0, 0x08}, {0xD7, 0, 0, 0x20},
    {0x94, 0, 0, 0x20}, {0xD8, 0, 0, 0x20}, {0x24, 0, 0, 0x20}, {0x64, 0, 0, 0x20}, {0xA4, 0, 0, 0x00},
    {0x37, 0, 0, 0x00}, {0xB7, 0, 0, 0x24}, {0x77, 0, 0, 0x08}, {0xF7, 0, 0, 0x04}, {0x0F, 0, 0, 0x1C},
    {0x8F, 0, 0, 0x20}, {0x4F, 0, 0, 0x0C}, {0xCF, 0, 0, 0x0C}, {0x2F, 0, 0, 0x20}, {0xAF, 0, 0, 0x31},
    {0x6F, 0, 0, 0x00}, {0xEF, 0, 0, 0x0C}, {0x1F, 0, 0, 0x0C}, {0xDF, 0, 0, 0x0C}, {0x3F, 0, 0, 0x0C},
    {0xBF, 0, 0, 0x00}, {0x7F, 0, 0, 0x00}, {0xFF, 0, 0, 0x00}, {0x00, 0, 2, 0x37}, {0x80, 0, 2, 0x00},
    {0x40, 0, 2, 0x00}, {0xC0, 0, 2, 0x24}, {0x60, 0, 2, 0x0C}, {0xE0, 0, 2, 0x0C}, {0x10, 0, 2, 0x20},
    {0x90, 0, 2, 0x00}, {0x3A, 0, 2, 0x00}, {0xBA, 0, 2, 0x31}, {0x7A, 0, 2, 0x00}, {0xFA, 0, 2, 0x38},
    {0x06, 0, 2, 0x20}, {0x86, 0, 2, 0x0C}, {0x46, 0, 2, 0x0C}, {0xC6, 0, 2, 0x20}, {0x31, 0, 2, 0x00},
    {0xB1, 0, 2, 0x00}, {0x49, 0, 2, 0x0C}, {0xC9, 0, 2, 0x00}, {0x19, 0, 2, 0x06}, {0x99, 0, 2, 0x00},
    {0x79, 0, 2, 0x06}, {0xF9, 0, 2, 0x00}, {0xE1, 0, 2, 0x00}, {0x11, 0, 2, 0x14}, {0x71, 0, 2, 0x14},
    {0x29, 0, 2, 0x14}, {0x59, 0, 2, 0x14}, {0x91, 0, 2, 0x20}, {0xF1, 0, 2, 0x00}, {0xA9, 0, 2, 0x20},
    {0xD9, 0, 2, 0x00}, {0x61, 0, 2, 0x00}, {0x4D, 0, 2, 0x00}, {0xCD, 0, 2, 0x00}, {0x1D, 0, 2, 0x0C},
    {0x9D, 0, 2, 0x00}, {0x7D, 0, 2, 0x00}, {0xFD, 0, 2, 0x00}, {0x23, 0, 2, 0x08}, {0xA3, 0, 2, 0x10},
    {0x75, 0, 2, 0x14}, {0x2D, 0, 2, 0x14}, {0x5D, 0, 2, 0x20}, {0x03, 0, 2, 0x20}, {0xF5, 0, 2, 0x20},
    {0xAD, 0, 2, 0x00}, {0xDD, 0, 2, 0x20}, {0x83, 0, 2, 0x00}, {0x35, 0, 2, 0x00}, {0x21, 0, 2, 0x0C},
    {0xA1, 0, 2, 0x0C}, {0x55, 0, 2, 0x0C}, {0xD5, 0, 2, 0x0C}, {0x02, 0, 1, 0x00}, {0x36, 0, 2, 0x00},
    {0xB6, 0, 2, 0x12}, {0x76, 0, 2, 0x00}, {0xF6, 0, 2, 0x20}, {0x0E, 0, 2, 0x32}, {0x8E, 0, 2, 0x00},
    {0x4E, 0, 2, 0x00}, {0x8A, 0, 1, 0x20}, {0x4A, 0, 1, 0x25}, {0xCA, 0, 1, 0x38}, {0x2A, 0, 1, 0x39},
    {0xAA, 0, 1, 0x04}, {0x6A, 0, 1, 0x00}, {0xEA, 0, 1, 0x0E}, {0x1A, 0, 1, 0x02}, {0x9A, 0, 1, 0x0A},
    {0x5A, 0, 1, 0x12}, {0xA6, 0, 1, 0x12}, {0x66, 0, 1, 0x00}, {0xE6, 0, 1, 0x00}, {0x16, 0, 1, 0x00},
    {0x96, 0, 1, 0x00}, {0x56, 0, 1, 0x20}, {0xF6, 0, 1, 0x0F}, {0x0E, 0, 1, 0x3F}, {0x44, 0, 0, 0x20},
    {0xC4, 0, 0, 0x20}, {0xA5, 0, 0, 0x00}, {0x65, 0, 0, 0x00}, {0xE5, 0, 0, 0x31}, {0x15, 0, 0, 0x00},
    {0x95, 0, 0, 0x35}, {0x55, 0, 0, 0x20}, {0xBD, 0, 0, 0x20}, {0x7D, 0, 0, 0x35}, {0xFD, 0, 0, 0x20},
    {0x03, 0, 0, 0x37}, {0x83, 0, 0, 0x20}, {0x8E, 0, 1, 0x20}, {0x4E, 0, 1, 0x04}, {0xCE, 0, 1, 0x20},
    {0x2E, 0, 1, 0x3E}, {0xAE, 0, 1, 0x20}, {0x6E, 0, 1, 0x04}, {0xEE, 0, 1, 0x20}, {0x1E, 0, 1, 0x3E},
    {0x9E, 0, 1, 0x20}, {0x5E, 0, 1, 0x28}, {0xDE, 0, 1, 0x10}, {0x60, 0, 0, 0x24}, {0x87, 0, 0, 0x20},
    {0x47, 0, 0, 0x20}, {0x17, 0, 0, 0x20}, {0xE0, 0, 0, 0x01}, {0x10, 0, 0, 0x03}, {0x90, 0, 0, 0x04},
    {0x50, 0, 0, 0x01}, {0x40, 0, 0, 0x03}, {0xC0, 0, 0, 0x18}, {0x97, 0, 0, 0x01}, {0x57, 0, 0, 0x37},
    {0xB1, 0, 0, 0x20}, {0x71, 0, 0, 0x14}, {0xF1, 0, 0, 0x00}, {0x09, 0, 0, 0x1E}, {0x89, 0, 0, 0x00},
    {0x20, 0, 0, 0x00}, {0xA0, 0, 0, 0x10}, {0x78, 0, 0, 0x20}, {0x18, 0, 0, 0x20}, {0xD8, 0, 0, 0x00},
    {0x04, 0, 0, 0x00},
};
static_assert(CountOf(kCcdProgram) == 156);

// Exposure: a 12-bit value, sent bit-reversed in two 6-bit halves.
constexpr u8 kExposureHigh = 0x5E;
constexpr u8 kExposureLow = 0xDE;
constexpr u16 kExposurePage = 1;

// Field timing at capture start (page 0); both words are sent whatever the results.
constexpr SerialEntry kFieldTiming30[] = {{0x77, 0, 0, 0x08}, {0xF7, 0, 0, 0x04}};
constexpr SerialEntry kFieldTiming25[] = {{0x77, 0, 0, 0x05}, {0xF7, 0, 0, 0x24}};
static_assert(CountOf(kFieldTiming30) == CountOf(kFieldTiming25));

// Colour controls of the TC5100 encoder.
constexpr u16 kEncoderSaturation = 0x4136;
constexpr u16 kEncoderHue = 0x4137;

// Three device requests prepare the serial link, then the whole table goes
// out. Returns the failing transfer's own result, 0 when all were sent.
u32 ProgramCcd(void* device) {
    Unchecked(BusDeviceControl(device, 2, 0));
    Unchecked(BusDeviceControl(device, 0, 0));
    Unchecked(BusDeviceControl(device, 0, 1));
    return SendSerialUntilFailure(device, kCcdProgram, CountOf(kCcdProgram));
}

// The exposure word goes out least significant bit first: its 12 bits are
// reversed, a nibble at a time.
constexpr u8 kReversedNibble[16] = {0x0, 0x8, 0x4, 0xC, 0x2, 0xA, 0x6, 0xE, 0x1, 0x9, 0x5, 0xD, 0x3, 0xB, 0x7, 0xF};
constexpr u32 Reverse12(u32 n) {
    return static_cast<u32>(kReversedNibble[n & 0xF] << 8) | static_cast<u32>(kReversedNibble[(n >> 4) & 0xF] << 4) |
           kReversedNibble[(n >> 8) & 0xF];
}
constexpr u32 Reverse12Slowly(u32 n) {
    u32 r = 0;
    for (u32 bit = 0; bit < 12; ++bit) {
        if ((n >> bit) & 1) r |= 1u << (11 - bit);
    }
    return r;
}
constexpr bool Reverse12Holds() {
    for (u32 n = 0; n < 0x1000; ++n) {
        if (Reverse12(n) != Reverse12Slowly(n)) return false;
    }
    return true;
}
static_assert(Reverse12Holds());
static_assert(Reverse12(133) == 0xA10 && Reverse12(531) == 0xC84 && Reverse12(1) == 0x800);

// Brightness 0..100 becomes exposure 531 down to 1; a failed first half
// ends the write.
void WriteExposure(void* device, u32 brightness) {
    if (!IsPercent(brightness)) return;
    const u32 lines = (kPercentMax - brightness) * 530 / kPercentMax + 1;
    const u32 r = Reverse12(lines);
    if (BusSerialWrite(device, kExposureHigh, kExposurePage, static_cast<u16>((r >> 6) & 0x3F)) != 0) return;
    Unchecked(BusSerialWrite(device, kExposureLow, kExposurePage, static_cast<u16>(r & 0x3F)));
}

// Sign and magnitude: |hue| * 31 / 50, plus 0x20 when negative.
constexpr u8 EncoderHue(s32 hue) {
    const s32 magnitude = (hue < 0 ? -hue : hue) * 31 / kHueMax;
    return static_cast<u8>(hue < 0 ? magnitude + 0x20 : magnitude);
}
static_assert(EncoderHue(-50) == 0x3F && EncoderHue(-1) == 0x20 && EncoderHue(0) == 0 && EncoderHue(50) == 0x1F &&
              EncoderHue(12) == 0x07);

u32 SetVideoProperty(void*, void* device, u32 index, u32 value, u32) {
    Trace(kTraceSetVideoProperty, index, value);
    switch (index) {
        case kPropBrightness:
            WriteExposure(device, value);
            return kStatusSuccess;
        case kPropHue:
            if (IsHue(value)) Unchecked(BusEncoderWrite(device, kEncoderHue, EncoderHue(static_cast<s32>(value))));
            return kStatusSuccess;
        case kPropSaturation:
            if (IsPercent(value)) Unchecked(BusEncoderWrite(device, kEncoderSaturation, ScalePercent(value, 127)));
            return kStatusSuccess;
        default:
            return kStatusNotSupported;
    }
}

u32 OpenBoard(void*, void**, BoardInfo* info) { return OpenCameraBoard(kSwift, info); }

StreamFormatTable* GetStreamFormatTable() { return BuildStreamFormatTable(kSwift); }

u32 GetVideoFormats(void*, void*, u32* count, VideoFormat* formats) { return CopyCameraFormat(kSwift, count, formats); }

void GetDefaultVideoProperties(void*, void*, VideoPropertySet* properties) {
    CopyVideoProperties(properties, kDefaultProperties);
}

// The field timing is left at the table's 30 fps values until capture start.
u32 InitVideoSource(void* context, void* device, u32, u32, const VideoPropertySet* properties) {
    if (Host() == nullptr) return kStatusBusFailure;
    if (properties == nullptr) return kStatusInvalid;
    if (ProgramCcd(device) != 0) return kStatusBusFailure;
    ApplyVideoProperties(context, device, *properties, SetVideoProperty);
    return kStatusSuccess;
}

// Every capture start reprograms the CCD (exposure goes back to the table's
// value; hue and saturation live in the encoder and stay), sets the field
// timing and tells the host where the picture sits.
u32 OnStartCapture(void*, void* device, CaptureConfig* video_config) {
    if (video_config == nullptr) {
        Trace(kTraceNoCaptureConfig);
        return kStatusInvalid;
    }
    const u32 result = ProgramCcd(device);
    if (result != 0) return result;
    const SerialEntry* timing = Flag50HzAtCapture(kSwift) != 0 ? kFieldTiming25 : kFieldTiming30;
    for (u32 i = 0; i < CountOf(kFieldTiming30); ++i) {
        Unchecked(BusSerialWrite(device, timing[i].address, timing[i].page, timing[i].data));
    }
    video_config->cfgByteA = 1;
    video_config->cfgByteB = 1;
    video_config->hOffset = 58;
    video_config->cfgByteC = 1;
    video_config->vOffset = 20;
    return kStatusSuccess;
}

constexpr BoardOps kBoardOps = {
    OpenBoard,  // OpenBoard
    ZeroStub,   // CloseBoard: no context
};

constexpr VideoOps kVideoOps = {
    CapabilityMask<0x144>,      // GetVideoSourceCaps
    GetStreamFormatTable,       // GetStreamFormatTable
    GetVideoFormats,            // GetVideoFormats
    GetDefaultVideoProperties,  // GetDefaultVideoProperties
    InitVideoSource,            // InitVideoSource
    ZeroStub,                   // Reserved5
    OnStartCapture,             // OnStartCapture
    ZeroStub,                   // Reserved7
    SetVideoProperty,           // SetVideoProperty
    CameraGetVideoProperty,     // GetVideoProperty
};

}  // namespace

constexpr BoardDescriptor kSwiftDescriptor = {
    sizeof(BoardDescriptor), 0x1F3B, 0x5100, kSwift.info.revision, &kBoardOps, &kVideoOps, nullptr, nullptr, nullptr};

}  // namespace trel
