// Wren and Wren II: OmniVision 7640 image sensor at 0x42. The two boards differ
// in revision, board information, how often they read the host's "50Hz" and
// which frame rates their stream format table lists.
#include "chips/omnivision.h"
#include "frame/catalogue.h"

namespace trel {
namespace {

constexpr BoardInfoValues kWrenInfo = {"Wren", 0x0201, 1, 0x00000001};
constexpr BoardInfoValues kWrenIIInfo = {"Wren II", 0x0205, 1, 0x00010001};

constexpr u8 kOv7640Address = 0x42;

// Each board keeps its own records; the two sets are alike.
constexpr CameraFormats kWrenFormats = MakeCameraFormats("Omnivision 7640", 640, 480, kFlagsOmniVision);
constexpr CameraFormats kWrenIIFormats = MakeCameraFormats("Omnivision 7640", 640, 480, kFlagsOmniVision);

// Shared by all devices of one board type. Wren reads "50Hz" at open only,
// Wren II at open and at every capture start.
u32 g_wren50Hz = 0;
u32 g_wrenII50Hz = 0;
StreamFormatTable g_wrenTable;
StreamFormatTable g_wrenIITable;

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

// Shared by both boards.
u32 SetVideoProperty(void*, void* device, u32 index, u32 value, u32) {
    return OmniVisionSetVideoProperty(kOv7640Address, device, index, value);
}

void GetDefaultVideoProperties(void*, void*, VideoPropertySet* properties) {
    CopyVideoProperties(properties, kDefaultProperties);
}

constexpr OmniVisionBoard kWrenSensor = {
    kOv7640Address, 0, kOv7640Setup, CountOf(kOv7640Setup), kOv7640Timing30, kOv7640Timing25,
    CountOf(kOv7640Timing30), &g_wren50Hz, false, SetVideoProperty};
constexpr OmniVisionBoard kWrenIISensor = {
    kOv7640Address, 0, kOv7640Setup, CountOf(kOv7640Setup), kOv7640Timing30, kOv7640Timing25,
    CountOf(kOv7640Timing30), &g_wrenII50Hz, true, SetVideoProperty};

constexpr StreamFormatRecipe kWrenStream = {&g_wrenTable, &kVgaFrameSizes, FrameRateChoice::kByFlag, &g_wren50Hz};
constexpr StreamFormatRecipe kWrenIIStream = {&g_wrenIITable, &kVgaFrameSizes, FrameRateChoice::kBothPairs,
                                              &g_wrenII50Hz};

// ---- Wren
u32 WrenOpenBoard(void*, void**, BoardInfo* info) { return OpenCameraBoard(info, kWrenInfo, &g_wren50Hz); }
StreamFormatTable* WrenGetStreamFormatTable() { return BuildStreamFormatTable(kWrenStream); }
u32 WrenGetVideoFormats(void*, void*, u32* count, VideoFormat* formats) {
    return CopyCameraFormat(count, formats, kWrenFormats, g_wren50Hz);
}
u32 WrenInitVideoSource(void* context, void* device, u32, u32, const VideoPropertySet* properties) {
    return OmniVisionInitVideoSource(kWrenSensor, context, device, properties);
}
u32 WrenOnStartCapture(void*, void* device, CaptureConfig*) { return OmniVisionStartCapture(kWrenSensor, device); }

// ---- Wren II
u32 WrenIIOpenBoard(void*, void**, BoardInfo* info) { return OpenCameraBoard(info, kWrenIIInfo, &g_wrenII50Hz); }
StreamFormatTable* WrenIIGetStreamFormatTable() { return BuildStreamFormatTable(kWrenIIStream); }
u32 WrenIIGetVideoFormats(void*, void*, u32* count, VideoFormat* formats) {
    return CopyCameraFormat(count, formats, kWrenIIFormats, g_wrenII50Hz);
}
u32 WrenIIInitVideoSource(void* context, void* device, u32, u32, const VideoPropertySet* properties) {
    return OmniVisionInitVideoSource(kWrenIISensor, context, device, properties);
}
u32 WrenIIOnStartCapture(void*, void* device, CaptureConfig*) {
    return OmniVisionStartCapture(kWrenIISensor, device);
}

constexpr BoardOps kWrenBoardOps = {WrenOpenBoard, ZeroStub};
constexpr BoardOps kWrenIIBoardOps = {WrenIIOpenBoard, ZeroStub};

constexpr VideoOps kWrenVideoOps = {
    CapabilityMask<0x144>,         // GetVideoSourceCaps
    WrenGetStreamFormatTable,   // GetStreamFormatTable
    WrenGetVideoFormats,        // GetVideoFormats
    GetDefaultVideoProperties,  // GetDefaultVideoProperties
    WrenInitVideoSource,        // InitVideoSource
    ZeroStub,                   // 5
    WrenOnStartCapture,         // OnStartCapture
    ZeroStub,                   // 7
    SetVideoProperty,           // SetVideoProperty
    CameraGetVideoProperty,     // GetVideoProperty
};

constexpr VideoOps kWrenIIVideoOps = {
    CapabilityMask<0x144>,          // GetVideoSourceCaps
    WrenIIGetStreamFormatTable,  // GetStreamFormatTable
    WrenIIGetVideoFormats,       // GetVideoFormats
    GetDefaultVideoProperties,   // GetDefaultVideoProperties
    WrenIIInitVideoSource,       // InitVideoSource
    ZeroStub,                    // 5
    WrenIIOnStartCapture,        // OnStartCapture
    ZeroStub,                    // 7
    SetVideoProperty,            // SetVideoProperty
    CameraGetVideoProperty,      // GetVideoProperty
};

}  // namespace

constexpr BoardDescriptor kWrenDescriptor = {
    sizeof(BoardDescriptor), 0x1F3B, 0x5100, kWrenInfo.revision, &kWrenBoardOps, &kWrenVideoOps, nullptr, nullptr, nullptr};
constexpr BoardDescriptor kWrenIIDescriptor = {
    sizeof(BoardDescriptor), 0x1F3B, 0x5100, kWrenIIInfo.revision, &kWrenIIBoardOps, &kWrenIIVideoOps, nullptr, nullptr, nullptr};

}  // namespace trel
