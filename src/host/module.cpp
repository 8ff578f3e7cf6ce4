// Loading the board module the way the kernel loads an export driver: once per
// process, imports bound to the kit's kernel services, DllInitialize at load.
#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "sim_host.h"

#ifndef TREL_MODULE_PATH
#error "TREL_MODULE_PATH must name the built board module"
#endif

namespace trel::host {
namespace {

[[noreturn]] void LoadFailure(const std::string& path, const char* what, const char* detail) {
    std::fprintf(stderr, "trelhostkit: cannot load the board module %s: %s%s%s\n", path.c_str(), what,
                 detail != nullptr ? ": " : "", detail != nullptr ? detail : "");
    std::fprintf(stderr, "trelhostkit: set TREL_MODULE to the path of libTrelBoard.so\n");
    std::abort();
}

template <typename Function>
void Resolve(void* handle, const std::string& path, const char* name, Function& function) {
    void* symbol = dlsym(handle, name);
    if (symbol == nullptr) LoadFailure(path, "missing export", name);
    function = reinterpret_cast<Function>(symbol);
}

}  // namespace

Module& Module::Get() {
    static Module module;
    return module;
}

Module::Module() {
    const char* overridePath = std::getenv("TREL_MODULE");
    path = overridePath != nullptr && *overridePath != '\0' ? overridePath : TREL_MODULE_PATH;
    // Never closed: the module stays loaded for the life of the process, as
    // the kernel keeps an export driver while its importer runs.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) LoadFailure(path, "dlopen failed", dlerror());
    Resolve(handle, path, "DllInitialize", DllInitialize);
    Resolve(handle, path, "DllUnload", DllUnload);
    Resolve(handle, path, "GetBoardModuleCaps", GetBoardModuleCaps);
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
