// What the camera boards (Wren, Wren II, Swift, Finch) share: opening with the
// host's "50Hz" parameter and handing out the format record it selects.
#pragma once

#include "frame/formats.h"
#include "frame/module.h"

namespace trel {

// Fills BoardInfo, then stores the host's "50Hz" value in the board's flag.
// Camera boards keep no context: contextOut is never written.
u32 OpenCameraBoard(BoardInfo* info, const BoardInfoValues& values, u32* flag50Hz);

// Hands out one record: the 30 fps one while the flag is 0, else the 25 fps one.
u32 CopyCameraFormat(u32* count, VideoFormat* formats, const CameraFormats& records, u32 flag50Hz);

}  // namespace trel
