// The kit's board module: loaded once per process, the way the kernel loads an
// export driver (imports bound to the kit's kernel services, DllInitialize
// called at load), and kept until the process ends.
#include <algorithm>
#include <cctype>
#include <charconv>
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

Module::Module() {
    const char* overridePath = std::getenv("TREL_MODULE");
    path = overridePath != nullptr && *overridePath != '\0' ? overridePath : BuiltFilePath(TREL_MODULE_PATH);
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

const std::vector<std::string>& BoardNames() {
    static const std::vector<std::string> names = {
        "Wren",    "Wren II", "Heron I", "Heron II Reprise", "Egret", "Heron Ascent",
        "Bittern", "Plover",  "Kestrel", "Swift",            "Finch",
    };
    return names;
}

std::optional<size_t> FindBoard(std::string_view nameOrIndex) {
    const auto& names = BoardNames();
    const bool numeric = !nameOrIndex.empty() &&
                         std::all_of(nameOrIndex.begin(), nameOrIndex.end(),
                                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
    if (numeric) {
        size_t index = 0;
        const auto [end, error] = std::from_chars(nameOrIndex.data(), nameOrIndex.data() + nameOrIndex.size(), index);
        if (error != std::errc() || end != nameOrIndex.data() + nameOrIndex.size() || index >= names.size()) {
            return std::nullopt;
        }
        return index;
    }
    const auto sameIgnoringCase = [](std::string_view a, std::string_view b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
               });
    };
    for (size_t i = 0; i < names.size(); ++i) {
        if (sameIgnoringCase(names[i], nameOrIndex)) return i;
    }
    return std::nullopt;
}

}  // namespace trel::host
