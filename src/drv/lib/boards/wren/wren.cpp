// Wren and Wren II: OmniVision 7640 image sensor at 0x42. The two boards differ
// in revision, board information, how often they read the host's "50Hz" and
// which frame rates their stream format table lists.
#include "chips/omnivision.h"
#include "frame/catalogue.h"

namespace trel {
namespace {

// Shared by all devices of one board type.
u32 g_wren50Hz = 0;
u32 g_wrenII50Hz = 0;
StreamFormatTable g_wrenTable;
StreamFormatTable g_wrenIITable;

// Each board keeps its own copy of these records; the two are alike.
constexpr CameraFormats kOv7640Formats = MakeCameraFormats("Omnivision 7640", kVga, FlagPattern::kOmniVision);

// Brightness 38, contrast 50, hue 0, saturation 64.
constexpr VideoPropertySet kDefaultProperties = {{38, 0, 50, 0, 0, 0, 64, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0}};

// Sensor set-up, identical on both boards. Register 0x12 is written twice
// (0x80 first); 0x2A/0x2B get the 30 fps timing, which capture start replaces.
constexpr RegisterEntry kOv7640Setup[] = {
    {0x12, 0x80}, {0x03, 0xA4}, {0x04, 0x2F}, {0x05, 0x3E}, {0x06, 0x60},
    {0x11, 0x00}, {0x12, 0x54}, {0x13, 0xA3}, {0x14, 0x04}, {0x15, 0x00},
    {0x20, 0xD0}, {0x23, 0xDE}, {0x24, 0x42}, {0x25, 0x80}, {0x26, 0xA2},
    {0x27, 0xE2}, {0x28, 0x20}, {0x2A, 0x90}, {0x2B, 0x5E}, {0x2D, 0x01},
    {0x2F, 0x94}, {0x30, 0x40}, {0x31, 0xA0}, {0x60, 0x06}, {0x61, 0xE0},
    {0x62, 0x88}, {0x63, 0x11}, {0x64, 0x89}, {0x65, 0x00}, {0x67, 0x94},
    {0x68, 0x7A}, {0x69, 0x08}, {0x6C, 0x11}, {0x6D, 0x33}, {0x6E, 0x22},
    {0x6F, 0x00}, {0x74, 0x20}, {0x75, 0x86}, {0x77, 0xA6},
};
static_assert(CountOf(kOv7640Setup) == 39);

// Frame timing at capture start.
constexpr RegisterEntry kOv7640Timing30[] = {{0x2A, 0x90}, {0x2B, 0x5E}};
constexpr RegisterEntry kOv7640Timing25[] = {{0x2A, 0xB0}, {0x2B, 0x06}};
static_assert(CountOf(kOv7640Timing30) == CountOf(kOv7640Timing25));

// Set-up and timing writes carry flags 0 (property writes carry
// kOmniVisionPropertyFlags).
constexpr u32 kOv7640Flags = 0;

// Shared by both boards.
u32 SetVideoProperty(void*, void* device, u32 index, u32 value, u32) {
    return OmniVisionSetVideoProperty(kOv7640Address, device, index, value);
}

void GetDefaultVideoProperties(void*, void*, VideoPropertySet* properties) {
    CopyVideoProperties(properties, kDefaultProperties);
}

// The sensor side of both boards' records.
constexpr OmniVisionBoard WithOv7640(const CameraBoard& camera) {
    return {
        .camera = camera,
        .address = kOv7640Address,
        .flags = kOv7640Flags,
        .setup = kOv7640Setup,
        .setupCount = CountOf(kOv7640Setup),
        .timing30 = kOv7640Timing30,
        .timing25 = kOv7640Timing25,
        .timingCount = CountOf(kOv7640Timing30),
        .setVideoProperty = SetVideoProperty,
    };
}

// Wren reads "50Hz" at open only and lists the frame rates of its flag.
constexpr OmniVisionBoard kWren = WithOv7640({
    .info = {.name = "Wren", .revision = 0x0201, .valueA = 1, .flagsB = 0x00000001},
    .formats = kOv7640Formats,
    .flag50Hz = &g_wren50Hz,
    .reads50HzAtCapture = false,
    .streamTable = &g_wrenTable,
    .frameSizes = &kVgaFrameSizes,
    .frameRates = FrameRateChoice::kByFlag,
});

// Wren II reads "50Hz" at open and at every capture start, and lists both
// pairs of frame rates.
constexpr OmniVisionBoard kWrenII = WithOv7640({
    .info = {.name = "Wren II", .revision = 0x0205, .valueA = 1, .flagsB = 0x00010001},
    .formats = kOv7640Formats,
    .flag50Hz = &g_wrenII50Hz,
    .reads50HzAtCapture = true,
    .streamTable = &g_wrenIITable,
    .frameSizes = &kVgaFrameSizes,
    .frameRates = FrameRateChoice::kBothPairs,
});

// ---- Wren
u32 WrenOpenBoard(void*, void**, BoardInfo* info) { return OpenCameraBoard(kWren.camera, info); }
StreamFormatTable* WrenGetStreamFormatTable() { return BuildStreamFormatTable(kWren.camera); }
u32 WrenGetVideoFormats(void*, void*, u32* count, VideoFormat* formats) {
    return CopyCameraFormat(kWren.camera, count, formats);
}
u32 WrenInitVideoSource(void* context, void* device, u32, u32, const VideoPropertySet* properties) {
    return OmniVisionInitVideoSource(kWren, context, device, properties);
}
u32 WrenOnStartCapture(void*, void* device, CaptureConfig*) { return OmniVisionStartCapture(kWren, device); }

// ---- Wren II
u32 WrenIIOpenBoard(void*, void**, BoardInfo* info) { return OpenCameraBoard(kWrenII.camera, info); }
StreamFormatTable* WrenIIGetStreamFormatTable() { return BuildStreamFormatTable(kWrenII.camera); }
u32 WrenIIGetVideoFormats(void*, void*, u32* count, VideoFormat* formats) {
    return CopyCameraFormat(kWrenII.camera, count, formats);
}
u32 WrenIIInitVideoSource(void* context, void* device, u32, u32, const VideoPropertySet* properties) {
    return OmniVisionInitVideoSource(kWrenII, context, device, properties);
}
u32 WrenIIOnStartCapture(void*, void* device, CaptureConfig*) { return OmniVisionStartCapture(kWrenII, device); }

constexpr BoardOps kWrenBoardOps = {
    WrenOpenBoard,  // OpenBoard
    ZeroStub,       // CloseBoard: no context
};

constexpr BoardOps kWrenIIBoardOps = {
    WrenIIOpenBoard,  // OpenBoard
    ZeroStub,         // CloseBoard: no context
};

constexpr VideoOps kWrenVideoOps = {
    CapabilityMask<0x144>,      // GetVideoSourceCaps
    WrenGetStreamFormatTable,   // GetStreamFormatTable
    WrenGetVideoFormats,        // GetVideoFormats
    GetDefaultVideoProperties,  // GetDefaultVideoProperties
    WrenInitVideoSource,        // InitVideoSource
    ZeroStub,                   // Reserved5
    WrenOnStartCapture,         // OnStartCapture
    ZeroStub,                   // Reserved7
    SetVideoProperty,           // SetVideoProperty
    CameraGetVideoProperty,     // GetVideoProperty
};

constexpr VideoOps kWrenIIVideoOps = {
    CapabilityMask<0x144>,       // GetVideoSourceCaps
    WrenIIGetStreamFormatTable,  // GetStreamFormatTable
    WrenIIGetVideoFormats,       // GetVideoFormats
    GetDefaultVideoProperties,   // GetDefaultVideoProperties
    WrenIIInitVideoSource,       // InitVideoSource
    ZeroStub,                    // Reserved5
    WrenIIOnStartCapture,        // OnStartCapture
    ZeroStub,                    // Reserved7
    SetVideoProperty,            // SetVideoProperty
    CameraGetVideoProperty,      // GetVideoProperty
};

}  // namespace

constexpr BoardDescriptor kWrenDescriptor = {sizeof(BoardDescriptor), 0x1F3B, 0x5100, kWren.camera.info.revision,
                                             &kWrenBoardOps, &kWrenVideoOps, nullptr, nullptr, nullptr};
constexpr BoardDescriptor kWrenIIDescriptor = {sizeof(BoardDescriptor), 0x1F3B, 0x5100, kWrenII.camera.info.revision,
                                               &kWrenIIBoardOps, &kWrenIIVideoOps, nullptr, nullptr, nullptr};

}  // namespace trel
