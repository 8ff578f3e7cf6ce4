// Loading the Linux build of the board module, libTrelBoard.so. The dynamic
// linker binds its kernel imports to the services the kit exports (the kit is
// a shared library in the process's global scope) and refuses a module with an
// import nobody defines; the module has no initialisers, so nothing in it runs
// before the host calls DllInitialize. The file's headers are checked before
// the linker maps it: the linker trusts them, and a file cut short would fault
// inside it (a segment mapped past the end of the file is a bus error on its
// first touch) instead of being refused.
#include <dlfcn.h>
#include <elf.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
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

// What the dynamic linker relies on before it maps the file: the ELF
// identification and class, a program header table inside the file, and every
// loadable segment's bytes inside it. Empty when they are sound.
std::string CheckElfHeaders(std::ifstream& stream) {
    stream.seekg(0, std::ios::end);
    const auto size = static_cast<uint64_t>(stream.tellg());
    stream.seekg(0);
    Elf64_Ehdr header{};
    stream.read(reinterpret_cast<char*>(&header), sizeof(header));
    stream.clear();
    if (size < SELFMAG || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) return "not an ELF shared object";
    if (size < sizeof(header)) {
        return "truncated: " + std::to_string(size) + " bytes, less than an ELF header (" +
               std::to_string(sizeof(header)) + " bytes)";
    }
    const auto number = [](unsigned value) { return std::to_string(value); };
    if (header.e_ident[EI_CLASS] != ELFCLASS64) return "not a 64-bit ELF object (class " + number(header.e_ident[EI_CLASS]) + ")";
    if (header.e_ident[EI_DATA] != ELFDATA2LSB) {
        return "not a little-endian ELF object (data encoding " + number(header.e_ident[EI_DATA]) + ")";
    }
    if (header.e_machine != EM_X86_64) return "not an x86-64 object (machine " + number(header.e_machine) + ")";
    if (header.e_type != ET_DYN) return "not a shared object (ELF type " + number(header.e_type) + ")";
    if (header.e_phentsize != sizeof(Elf64_Phdr) || header.e_phnum == 0) {
        return "no program header table of " + number(sizeof(Elf64_Phdr)) + "-byte entries";
    }
    // Offsets and sizes come from the file: no sum may wrap.
    const auto outside = [size](const std::string& what, uint64_t offset, uint64_t length) -> std::string {
        if (offset <= size && length <= size - offset) return {};
        const std::string end = length <= UINT64_MAX - offset ? std::to_string(offset + length) : "beyond 2^64";
        return "truncated or damaged: its " + what + " (bytes " + std::to_string(offset) + " to " + end +
               ") ends past the end of the file (" + std::to_string(size) + " bytes)";
    };
    if (std::string why = outside("program header table", header.e_phoff, uint64_t{header.e_phnum} * sizeof(Elf64_Phdr));
        !why.empty()) {
        return why;
    }
    stream.seekg(static_cast<std::streamoff>(header.e_phoff));
    for (unsigned i = 0; i < header.e_phnum; ++i) {
        Elf64_Phdr segment{};
        stream.read(reinterpret_cast<char*>(&segment), sizeof(segment));
        if (!stream) return "cannot read its program header table";
        if (segment.p_type != PT_LOAD) continue;
        if (std::string why = outside("loadable segment " + number(i), segment.p_offset, segment.p_filesz); !why.empty()) {
            return why;
        }
    }
    return {};
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
    if (std::string why = CheckElfHeaders(stream); !why.empty()) return refuse(why);
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
