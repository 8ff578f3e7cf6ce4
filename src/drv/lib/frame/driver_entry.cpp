// An export driver still carries a driver entry point; the kernel loads this
// module as a dependency of the host driver and calls DllInitialize instead.
#include "frame/host_interface.h"

extern "C" int32_t DriverEntry(void* /*driverObject*/, void* /*registryPath*/) { return 0; }
