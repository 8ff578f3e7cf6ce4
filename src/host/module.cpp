// The kit's board module: loaded once per process, the way the kernel loads an
// export driver (imports bound to the kit's kernel services, DllInitialize
// called at load), and kept until the process ends.
#include <cstdio>
#include <cstdlib>

#include "module_loader.h"
#include "sim_host.h"

#ifndef TREL_MODULE_PATH
#error "TREL_MODULE_PATH must name the built board module"
#endif

namespace trel::host {

Module& Module::Get() {
    static Module module;
    return module;
}

std::string Module::FilePath() {
    const char* overridePath = std::getenv("TREL_MODULE");
    return overridePath != nullptr && *overridePath != '\0' ? overridePath : BuiltFilePath(TREL_MODULE_PATH);
}

Module::Module() {
    path = FilePath();
    std::string error;
    const std::optional<LoadedModule> loaded = LoadBoardModule(path, error);
    if (!loaded) {
        // The host stops rather than run without its module.
        std::fflush(stdout);
        std::fprintf(stderr, "trelhostkit: cannot load the board module: %s\n", error.c_str());
        std::fprintf(stderr, "trelhostkit: TREL_MODULE names the module to load instead of %s\n", TREL_MODULE_PATH);
        std::fflush(stderr);
        std::_Exit(kExitModuleRefused);
    }
    DllInitialize = loaded->DllInitialize;
    DllUnload = loaded->DllUnload;
    GetBoardModuleCaps = loaded->GetBoardModuleCaps;
    const int32_t status = DllInitialize(nullptr);
    if (status != 0) {
        std::fprintf(stderr, "trelhostkit: DllInitialize of %s returned 0x%08X\n", path.c_str(),
                     static_cast<unsigned>(status));
    }
}

}  // namespace trel::host
