// Loading a board module file the way the kernel loads an export driver: its
// kernel imports bound to the kit's services (sim_host.h, Kernel), its three
// entry points found, nothing in it called. A file that is missing, is not a
// module for this platform, or imports anything the kit does not provide is
// refused with a message saying why.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "frame/host_interface.h"

namespace trel::host {

struct LoadedModule {
    int32_t (*DllInitialize)(void* registryPath) = nullptr;
    int32_t (*DllUnload)() = nullptr;
    void (*GetBoardModuleCaps)(void* context, const HostServices* hostServices,
                               const BoardDescriptor* const** catalogueOut, u32* countOut) = nullptr;
    // The module's kernel imports as the kit bound them, in import order: name
    // and address. Filled where the kit binds imports itself (Windows); empty
    // where the dynamic linker binds them (Linux).
    struct Import {
        std::string name;
        const void* address;
    };
    std::vector<Import> imports;
    void* handle = nullptr;  // for UnloadBoardModule
};

// Loads (maps and binds) the module at `path` without calling into it; the
// caller calls DllInitialize. nullopt when refused, with the reason in `error`,
// e.g. "TrelBoardBroken.sys imports KeBugCheckEx from ntoskrnl.exe, which a
// board module may not use (the host provides DbgPrint, ...)".
std::optional<LoadedModule> LoadBoardModule(const std::string& path, std::string& error);

// Unmaps a module loaded by LoadBoardModule (tests' extra loads; the kit's own
// module stays loaded for the life of the process).
void UnloadBoardModule(const LoadedModule& module);

// A path the build recorded: absolute ones as they are; a relative one names a
// file beside the running program (the Windows build puts TrelBoard.sys beside
// the tests and trelhost.exe).
std::string BuiltFilePath(const std::string& path);

}  // namespace trel::host
