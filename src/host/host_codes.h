// The host kit's codes for the operation slots and the host services. Plain
// enumerations, no library: the kernel host driver (tests/drivers/kernel_host)
// uses them as well.
#pragma once

#include <stddef.h>

#include "frame/host_interface.h"

namespace trel::host {

// Every slot of the five operation tables, and GetBoardModuleCaps again.
enum class Op : u8 {
    OpenBoard,
    CloseBoard,
    GetVideoSourceCaps,
    GetStreamFormatTable,
    GetVideoFormats,
    GetDefaultVideoProperties,
    InitVideoSource,
    VideoReserved5,
    OnStartCapture,
    VideoReserved7,
    SetVideoProperty,
    GetVideoProperty,
    GetAudioSourceCaps,
    GetAudioChipconfig,
    InitAudio,
    AudioReserved3,
    GetVideoInputs,
    GetVideoInputType,
    GetAudioInputType,
    SetCurrentVideoInputId,
    SetCurrentAudioInputId,
    GetTunerProperty,
    SetTunerProperty,
    RegisterServices,  // GetBoardModuleCaps with the host's services table
};
inline constexpr size_t kOpCount = static_cast<size_t>(Op::RegisterServices) + 1;

// The host services, in the order of HostServices.
enum class Service {
    I2cWrite,
    I2cRead,
    I2cWriteBuffer,
    I2cWriteSubaddress,
    I2cReadSubaddress,
    SerialWrite,
    DeviceControl,
    EncoderWrite,
    QueryParameter,
};

}  // namespace trel::host
