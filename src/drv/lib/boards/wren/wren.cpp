// Wren and Wren II: OmniVision 7640 image sensor at 0x42. The two boards differ
// in revision, board information and how often they read the host's "50Hz".
#include "frame/camera.h"
#include "frame/catalogue.h"
#include "frame/unimplemented.h"

namespace trel {
namespace {

constexpr BoardInfoValues kWrenInfo = {"Wren", 0x0201, 1, 0x00000001};
constexpr BoardInfoValues kWrenIIInfo = {"Wren II", 0x0205, 1, 0x00010001};

// Each board keeps its own records; the two sets are alike.
constexpr CameraFormats kWrenFormats = MakeCameraFormats("Omnivision 7640", 640, 480, kFlagsOmniVision);
constexpr CameraFormats kWrenIIFormats = MakeCameraFormats("Omnivision 7640", 640, 480, kFlagsOmniVision);

// Shared by all devices of one board type.
u32 g_wren50Hz = 0;
u32 g_wrenII50Hz = 0;

// Brightness 38, contrast 50, hue 0, saturation 64.
constexpr VideoPropertySet kDefaultProperties = {{38, 0, 50, 0, 0, 0, 64, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0}};

u32 WrenOpenBoard(void*, void**, BoardInfo* info) { return OpenCameraBoard(info, kWrenInfo, &g_wren50Hz); }
u32 WrenIIOpenBoard(void*, void**, BoardInfo* info) { return OpenCameraBoard(info, kWrenIIInfo, &g_wrenII50Hz); }

u32 WrenGetVideoFormats(void*, void*, u32* count, VideoFormat* formats) {
    return CopyCameraFormat(count, formats, kWrenFormats, g_wren50Hz);
}
u32 WrenIIGetVideoFormats(void*, void*, u32* count, VideoFormat* formats) {
    return CopyCameraFormat(count, formats, kWrenIIFormats, g_wrenII50Hz);
}

void GetDefaultVideoProperties(void*, void*, VideoPropertySet* properties) {
    CopyVideoProperties(properties, kDefaultProperties);
}

constexpr BoardOps kWrenBoardOps = {WrenOpenBoard, ZeroStub};
constexpr BoardOps kWrenIIBoardOps = {WrenIIOpenBoard, ZeroStub};

constexpr VideoOps kWrenVideoOps = {
    VideoSourceCaps144,              // GetVideoSourceCaps
    UnimplementedStreamFormatTable,  // GetStreamFormatTable
    WrenGetVideoFormats,             // GetVideoFormats
    GetDefaultVideoProperties,       // GetDefaultVideoProperties
    Unimplemented,                   // InitVideoSource
    ZeroStub,                        // 5
    Unimplemented,                   // OnStartCapture
    ZeroStub,                        // 7
    Unimplemented,                   // SetVideoProperty
    Unimplemented,                   // GetVideoProperty
};

constexpr VideoOps kWrenIIVideoOps = {
    VideoSourceCaps144,              // GetVideoSourceCaps
    UnimplementedStreamFormatTable,  // GetStreamFormatTable
    WrenIIGetVideoFormats,           // GetVideoFormats
    GetDefaultVideoProperties,       // GetDefaultVideoProperties
    Unimplemented,                   // InitVideoSource
    ZeroStub,                        // 5
    Unimplemented,                   // OnStartCapture
    ZeroStub,                        // 7
    Unimplemented,                   // SetVideoProperty
    Unimplemented,                   // GetVideoProperty
};

}  // namespace

constexpr BoardDescriptor kWrenDescriptor = {
    sizeof(BoardDescriptor), 0x1F3B, 0x5100, kWrenInfo.revision, &kWrenBoardOps, &kWrenVideoOps, nullptr, nullptr, nullptr};
constexpr BoardDescriptor kWrenIIDescriptor = {
    sizeof(BoardDescriptor), 0x1F3B, 0x5100, kWrenIIInfo.revision, &kWrenIIBoardOps, &kWrenIIVideoOps, nullptr, nullptr, nullptr};

}  // namespace trel
