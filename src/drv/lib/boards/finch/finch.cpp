// Finch: OmniVision 6650 image sensor at 0xC0, CIF frames; every sensor write
// carries flags 1.
#include "frame/camera.h"
#include "frame/catalogue.h"
#include "frame/unimplemented.h"

namespace trel {
namespace {

constexpr BoardInfoValues kInfo = {"Finch", 0x0213, 1, 0x00000001};
constexpr CameraFormats kFormats = MakeCameraFormats("Omnivision 6650", 352, 288, kFlagsOmniVision);

// Shared by all Finch devices; read at open and at every capture start.
u32 g_finch50Hz = 0;

// Brightness 44, contrast 50, hue 0, saturation 28.
constexpr VideoPropertySet kDefaultProperties = {{44, 0, 50, 0, 0, 0, 28, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0}};

u32 OpenBoard(void*, void**, BoardInfo* info) { return OpenCameraBoard(info, kInfo, &g_finch50Hz); }

u32 GetVideoFormats(void*, void*, u32* count, VideoFormat* formats) {
    return CopyCameraFormat(count, formats, kFormats, g_finch50Hz);
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

constexpr BoardDescriptor kFinchDescriptor = {
    sizeof(BoardDescriptor), 0x1F3B, 0x5100, kInfo.revision, &kBoardOps, &kVideoOps, nullptr, nullptr, nullptr};

}  // namespace trel
