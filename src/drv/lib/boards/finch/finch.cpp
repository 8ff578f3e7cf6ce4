// Finch: OmniVision 6650 image sensor at 0xC0, CIF frames; every sensor write
// carries flags 1. "50Hz" is read at open and again at every capture start.
#include "chips/omnivision.h"
#include "frame/catalogue.h"

namespace trel {
namespace {

// Shared by all Finch devices.
u32 g_finch50Hz = 0;
StreamFormatTable g_finchTable;

// Brightness 44, contrast 50, hue 0, saturation 28.
constexpr VideoPropertySet kDefaultProperties = {{44, 0, 50, 0, 0, 0, 28, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0}};

// Sensor set-up, in the order the sensor needs it (not ascending: 0x29 before
// 0x22, 0x34 before 0x30). Register 0x12 is written twice (0x80 first);
// 0x2B gets the 30 fps timing, which capture start replaces.
constexpr RegisterEntry kOv6650Setup[] = {
    {0x12, 0x80}, {0x01, 0xC0}, {0x02, 0x98}, {0x03, 0x47}, {0x04, 0x2F},
    {0x06, 0x70}, {0x11, 0xC0}, {0x12, 0x42}, {0x13, 0x5F}, {0x14, 0xC3},
    {0x15, 0x00}, {0x16, 0x82}, {0x24, 0x80}, {0x25, 0x70}, {0x26, 0x01},
    {0x27, 0x54}, {0x29, 0x80}, {0x22, 0x80}, {0x23, 0x80}, {0x28, 0x18},
    {0x2B, 0x35}, {0x2C, 0x0B}, {0x2D, 0x08}, {0x34, 0xE4}, {0x30, 0x40},
    {0x32, 0x00}, {0x33, 0x00}, {0x60, 0x42}, {0x61, 0x62}, {0x62, 0x88},
    {0x63, 0x92}, {0x68, 0x04}, {0x6C, 0x11}, {0x6D, 0x01}, {0x6E, 0x90},
};
static_assert(CountOf(kOv6650Setup) == 35);

// Frame timing at capture start: one register.
constexpr RegisterEntry kOv6650Timing30[] = {{0x2B, 0x35}};
constexpr RegisterEntry kOv6650Timing25[] = {{0x2B, 0x95}};
static_assert(CountOf(kOv6650Timing30) == CountOf(kOv6650Timing25));

// Set-up and timing writes carry flags 1, as property writes do.
constexpr u32 kOv6650Flags = 1;

// CIF and QCIF.
constexpr FrameSizePair kCifFrameSizes = {{MakeFrameSizeEntry("CIF", kCif, 4000000, 20000),
                                           MakeFrameSizeEntry("QCIF", kQcif, 1000000, 20000)}};

u32 SetVideoProperty(void*, void* device, u32 index, u32 value, u32) {
    return OmniVisionSetVideoProperty(kOv6650Address, device, index, value);
}

constexpr OmniVisionBoard kFinch = {
    .camera = {.info = {.name = "Finch", .revision = 0x0213, .valueA = 1, .flagsB = 0x00000001},
               .formats = MakeCameraFormats("Omnivision 6650", kCif, FlagPattern::kOmniVision),
               .flag50Hz = &g_finch50Hz,
               .reads50HzAtCapture = true,
               .streamTable = &g_finchTable,
               .frameSizes = &kCifFrameSizes,
               .frameRates = FrameRateChoice::kBothPairs},
    .address = kOv6650Address,
    .flags = kOv6650Flags,
    .setup = kOv6650Setup,
    .setupCount = CountOf(kOv6650Setup),
    .timing30 = kOv6650Timing30,
    .timing25 = kOv6650Timing25,
    .timingCount = CountOf(kOv6650Timing30),
    .setVideoProperty = SetVideoProperty,
};

u32 OpenBoard(void*, void**, BoardInfo* info) { return OpenCameraBoard(kFinch.camera, info); }

StreamFormatTable* GetStreamFormatTable() { return BuildStreamFormatTable(kFinch.camera); }

u32 GetVideoFormats(void*, void*, u32* count, VideoFormat* formats) {
    return CopyCameraFormat(kFinch.camera, count, formats);
}

void GetDefaultVideoProperties(void*, void*, VideoPropertySet* properties) {
    CopyVideoProperties(properties, kDefaultProperties);
}

u32 InitVideoSource(void* context, void* device, u32, u32, const VideoPropertySet* properties) {
    return OmniVisionInitVideoSource(kFinch, context, device, properties);
}

u32 OnStartCapture(void*, void* device, CaptureConfig*) { return OmniVisionStartCapture(kFinch, device); }

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

constexpr BoardDescriptor kFinchDescriptor = {sizeof(BoardDescriptor), 0x1F3B, 0x5100, kFinch.camera.info.revision,
                                              &kBoardOps, &kVideoOps, nullptr, nullptr, nullptr};

}  // namespace trel
