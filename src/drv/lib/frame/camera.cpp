// Camera boards' shared open and format selection (see camera.h).
#include "frame/camera.h"

namespace trel {

u32 OpenCameraBoard(BoardInfo* info, const BoardInfoValues& values, u32* flag50Hz) {
    if (info == nullptr) return kStatusInvalid;
    FillBoardInfo(info, values);
    *flag50Hz = Query50Hz();
    return kStatusSuccess;
}

u32 CopyCameraFormat(u32* count, VideoFormat* formats, const CameraFormats& records, u32 flag50Hz) {
    return CopyVideoFormats(count, formats, &records.record[flag50Hz != 0 ? 1 : 0], 1);
}

}  // namespace trel
