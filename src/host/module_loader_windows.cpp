// Loading TrelBoard.sys into a Windows program (the tests and trelhost.exe, on
// Windows or under Wine) as the kernel loads an export driver for its importer.
//
// The image is mapped with LoadLibraryExW and DONT_RESOLVE_DLL_REFERENCES, and
// every entry of its import address table is written here. A plain load would
// not do: the user-mode loader would bind ntoskrnl.exe imports to whatever
// ntoskrnl.exe it finds (none on Windows; under Wine, Wine's own kernel
// emulation, with its own DbgPrint and pool, meant for its driver host), and it
// would call the image's entry point as a DllMain, which in a driver is
// DriverEntry. Mapped without resolving, the image gets its sections and its
// relocations (it is based at 0x140000000, where the program itself usually
// sits) and nothing in it runs. The kit then checks the import table, binds
// DbgPrint, ExAllocatePoolWithTag and ExFreePoolWithTag to its own kernel
// services (sim_host.h, Kernel: trace capture, pool accounting, failure
// injection, exactly as on Linux), and finds the three exports in the export
// table. A module imports nothing else: not even the C memory routines. The caller
// calls DllInitialize, as the kernel does after binding.
//
// Refused before anything is bound: a missing file, a file that is not an
// x86-64 PE image, an import from any DLL but ntoskrnl.exe, an import by
// ordinal or of any function but those three, delay-load imports, a missing or
// forwarded export.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "frame/kernel.h"
#include "module_loader.h"

namespace trel::host {
namespace {

constexpr const char kKernelImage[] = "ntoskrnl.exe";
constexpr size_t kMaxHeaderBytes = 4096;

struct KernelService {
    const char* name;
    const void* address;
};

// What the kit provides to a module's ntoskrnl.exe imports.
std::vector<KernelService> KernelServices() {
    return {
        {"DbgPrint", reinterpret_cast<const void*>(&DbgPrint)},
        {"ExAllocatePoolWithTag", reinterpret_cast<const void*>(&ExAllocatePoolWithTag)},
        {"ExFreePoolWithTag", reinterpret_cast<const void*>(&ExFreePoolWithTag)},
    };
}

std::string AllowedList() {
    std::string text;
    const std::vector<KernelService> services = KernelServices();
    for (size_t i = 0; i < services.size(); ++i) {
        text += i == 0 ? "" : i + 1 == services.size() ? " and " : ", ";
        text += services[i].name;
    }
    return text;
}

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%0*X", digits, value);
    return text;
}

std::wstring Wide(const std::string& text) {
    for (const UINT codePage : {static_cast<UINT>(CP_UTF8), static_cast<UINT>(CP_ACP)}) {
        const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
        const int length = MultiByteToWideChar(codePage, flags, text.c_str(), -1, nullptr, 0);
        if (length <= 0) continue;
        std::wstring wide(static_cast<size_t>(length), L'\0');
        MultiByteToWideChar(codePage, flags, text.c_str(), -1, wide.data(), length);
        wide.resize(static_cast<size_t>(length) - 1);
        return wide;
    }
    return std::wstring(text.begin(), text.end());
}

// The headers of the file, read before the loader maps it, so that a file that
// is not an image gets a precise answer. Empty when the headers are sound.
std::string CheckFile(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return "no such file";
        return "cannot open it (error " + std::to_string(code) + ")";
    }
    std::vector<unsigned char> bytes(kMaxHeaderBytes);
    DWORD read = 0;
    const BOOL ok = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    if (!ok) return "cannot read it (error " + std::to_string(GetLastError()) + ")";
    bytes.resize(read);

    IMAGE_DOS_HEADER dos{};
    std::memcpy(&dos, bytes.data(), std::min(bytes.size(), sizeof(dos)));
    if (bytes.size() < sizeof(dos.e_magic) || dos.e_magic != IMAGE_DOS_SIGNATURE) return "not a PE image (no MZ header)";
    if (bytes.size() < sizeof(dos)) return "not a PE image (no PE header)";
    IMAGE_NT_HEADERS64 nt;
    const size_t ntOffset = static_cast<size_t>(dos.e_lfanew);
    if (dos.e_lfanew < 0 || ntOffset + sizeof(nt) > bytes.size()) return "not a PE image (no PE header)";
    std::memcpy(&nt, bytes.data() + ntOffset, sizeof(nt));
    if (nt.Signature != IMAGE_NT_SIGNATURE) return "not a PE image (no PE header)";
    if (nt.FileHeader.Machine != IMAGE_FILE_MACHINE_AMD64) {
        return "not an x86-64 image (machine " + Hex(nt.FileHeader.Machine, 4) + ")";
    }
    if (nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC ||
        nt.OptionalHeader.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT) {
        return "not a PE32+ image";
    }
    return {};
}

// The mapped image, read with bounds checks on every RVA it holds.
class Image {
public:
    explicit Image(HMODULE module) : base_(reinterpret_cast<unsigned char*>(module)) {
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base_);
        nt_ = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base_ + dos->e_lfanew);
    }
    const IMAGE_DATA_DIRECTORY& Directory(int index) const { return nt_->OptionalHeader.DataDirectory[index]; }
    bool Holds(DWORD rva, size_t bytes) const {
        return rva != 0 && rva <= nt_->OptionalHeader.SizeOfImage && bytes <= nt_->OptionalHeader.SizeOfImage - rva;
    }
    template <typename T>
    T* At(DWORD rva) const {
        return Holds(rva, sizeof(T)) ? reinterpret_cast<T*>(base_ + rva) : nullptr;
    }
    // A NUL-terminated name inside the image, or nullptr.
    const char* Name(DWORD rva) const {
        if (!Holds(rva, 1)) return nullptr;
        const size_t room = nt_->OptionalHeader.SizeOfImage - rva;
        const char* name = reinterpret_cast<const char*>(base_ + rva);
        return strnlen(name, room) < room ? name : nullptr;
    }

private:
    unsigned char* base_;
    const IMAGE_NT_HEADERS64* nt_;
};

struct Binding {
    ULONGLONG* slot;
    KernelService service;
};

// Every import of the image, checked; the slots to write when all are allowed.
bool PlanBindings(const Image& image, std::vector<Binding>& bindings, std::vector<std::string>& refusals) {
    if (image.Directory(IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT).Size != 0) {
        refusals.push_back("it has delay-load imports");
    }
    const IMAGE_DATA_DIRECTORY& imports = image.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    if (imports.Size == 0) return refusals.empty();
    const std::vector<KernelService> services = KernelServices();
    for (DWORD rva = imports.VirtualAddress;; rva += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto* descriptor = image.At<const IMAGE_IMPORT_DESCRIPTOR>(rva);
        if (descriptor == nullptr) {
            refusals.push_back("its import table runs outside the image");
            break;
        }
        if (descriptor->Name == 0 && descriptor->FirstThunk == 0) break;
        const char* dll = image.Name(descriptor->Name);
        if (dll == nullptr) {
            refusals.push_back("an import descriptor names no DLL");
            continue;
        }
        if (_stricmp(dll, kKernelImage) != 0) {
            refusals.push_back("it imports from " + std::string(dll) + "; a board module may import from " +
                               kKernelImage + " only");
            continue;
        }
        const DWORD lookup = descriptor->OriginalFirstThunk != 0 ? descriptor->OriginalFirstThunk : descriptor->FirstThunk;
        for (DWORD i = 0;; ++i) {
            const auto* entry = image.At<const ULONGLONG>(lookup + i * sizeof(ULONGLONG));
            auto* slot = image.At<ULONGLONG>(descriptor->FirstThunk + i * sizeof(ULONGLONG));
            if (entry == nullptr || slot == nullptr) {
                refusals.push_back(std::string("its ") + kKernelImage + " import list runs outside the image");
                break;
            }
            if (*entry == 0) break;
            if (IMAGE_SNAP_BY_ORDINAL64(*entry)) {
                refusals.push_back("it imports ordinal " + std::to_string(IMAGE_ORDINAL64(*entry)) + " from " +
                                   kKernelImage);
                continue;
            }
            const auto* byName = image.At<const IMAGE_IMPORT_BY_NAME>(static_cast<DWORD>(*entry));
            const char* name = byName != nullptr ? image.Name(static_cast<DWORD>(*entry) + offsetof(IMAGE_IMPORT_BY_NAME, Name)) : nullptr;
            if (name == nullptr) {
                refusals.push_back(std::string("an import from ") + kKernelImage + " has no name");
                continue;
            }
            const KernelService* service = nullptr;
            for (const KernelService& candidate : services) {
                if (std::strcmp(candidate.name, name) == 0) service = &candidate;
            }
            if (service == nullptr) {
                refusals.push_back("it imports " + std::string(name) + " from " + kKernelImage +
                                   ", which a board module may not use (the host provides " + AllowedList() + ")");
                continue;
            }
            bindings.push_back({slot, *service});
        }
    }
    return refusals.empty();
}

bool Bind(const std::vector<Binding>& bindings, std::string& error) {
    for (const Binding& binding : bindings) {
        DWORD protection = 0;
        if (!VirtualProtect(binding.slot, sizeof(*binding.slot), PAGE_READWRITE, &protection)) {
            error = "cannot write its import address table (error " + std::to_string(GetLastError()) + ")";
            return false;
        }
        *binding.slot = reinterpret_cast<ULONGLONG>(binding.service.address);
        VirtualProtect(binding.slot, sizeof(*binding.slot), protection, &protection);
    }
    return true;
}

// The address of a named export, or nullptr (with the reason in `error`).
const void* FindExport(const Image& image, const char* wanted, std::string& error) {
    const IMAGE_DATA_DIRECTORY& directory = image.Directory(IMAGE_DIRECTORY_ENTRY_EXPORT);
    const auto* exports = image.At<const IMAGE_EXPORT_DIRECTORY>(directory.VirtualAddress);
    if (directory.Size != 0 && exports != nullptr) {
        for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
            const auto* nameRva = image.At<const DWORD>(exports->AddressOfNames + i * sizeof(DWORD));
            const auto* ordinal = image.At<const WORD>(exports->AddressOfNameOrdinals + i * sizeof(WORD));
            const char* name = nameRva != nullptr ? image.Name(*nameRva) : nullptr;
            if (name == nullptr || ordinal == nullptr || std::strcmp(name, wanted) != 0) continue;
            const auto* function = image.At<const DWORD>(exports->AddressOfFunctions + *ordinal * sizeof(DWORD));
            if (function == nullptr || !image.Holds(*function, 1)) break;
            if (*function >= directory.VirtualAddress && *function < directory.VirtualAddress + directory.Size) {
                error = "its export " + std::string(wanted) + " is forwarded to another image";
                return nullptr;
            }
            return image.At<const unsigned char>(*function);
        }
    }
    error = "it does not export " + std::string(wanted);
    return nullptr;
}

template <typename Function>
bool Resolve(const Image& image, const char* name, Function& function, std::string& error) {
    const void* address = FindExport(image, name, error);
    function = reinterpret_cast<Function>(const_cast<void*>(address));
    return address != nullptr;
}

}  // namespace

std::optional<LoadedModule> LoadBoardModule(const std::string& path, std::string& error) {
    const auto refuse = [&](const std::string& why) {
        error = path + ": " + why;
        return std::nullopt;
    };
    const std::wstring widePath = Wide(path);
    if (std::string problem = CheckFile(widePath); !problem.empty()) return refuse(problem);

    const HMODULE handle = LoadLibraryExW(widePath.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (handle == nullptr) {
        return refuse("the Windows loader cannot map it (error " + std::to_string(GetLastError()) + ")");
    }
    const Image image(handle);
    std::vector<Binding> bindings;
    std::vector<std::string> refusals;
    LoadedModule module;
    module.handle = handle;
    std::string problem;
    if (!PlanBindings(image, bindings, refusals)) {
        for (size_t i = 0; i < refusals.size(); ++i) problem += (i == 0 ? "" : "; ") + refusals[i];
    } else if (!Resolve(image, "DllInitialize", module.DllInitialize, problem) ||
               !Resolve(image, "DllUnload", module.DllUnload, problem) ||
               !Resolve(image, "GetBoardModuleCaps", module.GetBoardModuleCaps, problem)) {
        // problem says which export is missing
    } else {
        Bind(bindings, problem);
    }
    if (!problem.empty()) {
        FreeLibrary(handle);
        return refuse(problem);
    }
    for (const Binding& binding : bindings) module.imports.push_back({binding.service.name, binding.service.address});
    return module;
}

void UnloadBoardModule(const LoadedModule& module) {
    if (module.handle != nullptr) FreeLibrary(static_cast<HMODULE>(module.handle));
}

std::string BuiltFilePath(const std::string& path) {
    const bool absolute = (path.size() >= 2 && path[1] == ':') || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
    if (absolute) return path;
    std::vector<wchar_t> self(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
        if (length == 0) return path;
        if (length < self.size()) {
            self.resize(length);
            break;
        }
        self.resize(self.size() * 2);
    }
    std::wstring directory(self.begin(), self.end());
    directory.erase(directory.find_last_of(L"\\/") + 1);
    const int length = WideCharToMultiByte(CP_UTF8, 0, directory.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length > 0 ? length : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, directory.c_str(), -1, narrow.data(), length, nullptr, nullptr);
    narrow.resize(std::strlen(narrow.c_str()));
    return narrow + path;
}

}  // namespace trel::host
