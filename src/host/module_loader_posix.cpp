// Loading the Linux build of the board module, libTrelBoard.so. The dynamic
// linker binds its kernel imports to the services the kit exports (the kit is
// a shared library in the process's global scope) and refuses a module with an
// import nobody defines; the module has no initialisers, so nothing in it runs
// before the host calls DllInitialize.
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "module_loader.h"

namespace trel::host {
namespace {

template <typename Function>
bool Resolve(void* handle, const char* name, Function& function, std::string& error) {
    void* symbol = dlsym(handle, name);
    if (symbol == nullptr) {
        error = "it does not export " + std::string(name);
        return false;
    }
    function = reinterpret_cast<Function>(symbol);
    return true;
}

}  // namespace

std::optional<LoadedModule> LoadBoardModule(const std::string& path, std::string& error) {
    const auto refuse = [&](const std::string& why) {
        error = path + ": " + why;
        return std::nullopt;
    };
    std::ifstream stream(path, std::ios::binary);
    if (!stream) {
        if (errno == ENOENT) return refuse("no such file");
        return refuse(std::string("cannot open it (") + std::strerror(errno) + ")");
    }
    char magic[4] = {};
    stream.read(magic, sizeof(magic));
    if (stream.gcount() != sizeof(magic) || std::memcmp(magic, "\x7F" "ELF", sizeof(magic)) != 0) {
        return refuse("not an ELF shared object");
    }
    stream.close();

    // dlopen searches the library path for a name without a slash: this is a file.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        return refuse(std::string("the dynamic linker refused it: ") + (why != nullptr ? why : "unknown error"));
    }
    LoadedModule module;
    module.handle = handle;
    std::string missing;
    if (!Resolve(handle, "DllInitialize", module.DllInitialize, missing) ||
        !Resolve(handle, "DllUnload", module.DllUnload, missing) ||
        !Resolve(handle, "GetBoardModuleCaps", module.GetBoardModuleCaps, missing)) {
        dlclose(handle);
        return refuse(missing);
    }
    return module;
}

void UnloadBoardModule(const LoadedModule& module) {
    if (module.handle != nullptr) dlclose(module.handle);
}

std::string BuiltFilePath(const std::string& path) {
    if (path.empty() || path.front() == '/') return path;
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (length <= 0) return path;
    std::string directory(self, static_cast<size_t>(length));
    return directory.substr(0, directory.find_last_of('/') + 1) + path;
}

}  // namespace trel::host
