// Swift: Sharp LZ24BP CCD sensor, programmed over the host's serial link; hue
// and saturation are registers of the TC5100 encoder.
#include "frame/camera.h"
#include "frame/catalogue.h"
#include "frame/unimplemented.h"

namespace trel {
namespace {

constexpr BoardInfoValues kInfo = {"Swift", 0x0207, 1, 0x00010001};
constexpr CameraFormats kFormats = MakeCameraFormats("Sharp LZ24BP CCD", 640, 480, kFlagsCcd);

// Shared by all Swift devices; read once, at open.
u32 g_swift50Hz = 0;

// Brightness (exposure) 75, contrast 50, hue 12, saturation 51.
constexpr VideoPropertySet kDefaultProperties = {{75, 0, 50, 0, 12, 0, 51, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0}};

u32 OpenBoard(void*, void**, BoardInfo* info) { return OpenCameraBoard(info, kInfo, &g_swift50Hz); }

u32 GetVideoFormats(void*, void*, u32* count, VideoFormat* formats) {
    return CopyCameraFormat(count, formats, kFormats, g_swift50Hz);
}

void GetDefaultVideoProperties(void*, void*, VideoPropertySet* properties) {
    CopyVideoProperties(properties, kDefaultProperties);
}

constexpr BoardOps kBoardOps = {OpenBoard, ZeroStub};

constexpr VideoOps kVideoOps = {
    VideoSourceCaps144,              // GetVideoSourceCaps
    UnimplementedStreamFormatTable,  // GetStreamFormatTable
    GetVideoFormats,                 // GetVideoFormats
    GetDefaultVideoProperties,       // GetDefaultVideoProperties
    Unimplemented,                   // InitVideoSource
    ZeroStub,                        // 5
    Unimplemented,                   // OnStartCapture
    ZeroStub,                        // 7
    Unimplemented,                   // SetVideoProperty
    Unimplemented,                   // GetVideoProperty
};

}  // namespace

constexpr BoardDescriptor kSwiftDescriptor = {
    sizeof(BoardDescriptor), 0x1F3B, 0x5100, kInfo.revision, &kBoardOps, &kVideoOps, nullptr, nullptr, nullptr};

}  // namespace trel
