// The kit's module loader: a module file that is missing, is not a module for
// this platform, or imports what the kit does not provide is refused with a
// message saying why, and nothing in it runs; the real module is bound to the
// kit's kernel services.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "frame/kernel.h"
#include "module_loader.h"
#include "test_support.h"

#ifndef TREL_BROKEN_MODULE_PATH
#error "TREL_BROKEN_MODULE_PATH must name the module built with a KeBugCheckEx import"
#endif

namespace trel::test {
namespace {

using host::LoadBoardModule;
using host::LoadedModule;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

#ifdef _WIN32
constexpr const char kNotAModule[] = "not a PE image (no MZ header)";
constexpr const char kMzOnly[] = "not a PE image (no PE header)";
constexpr const char kBrokenImport[] =
    "it imports KeBugCheckEx from ntoskrnl.exe, which a board module may not use (the host provides DbgPrint, "
    "ExAllocatePoolWithTag and ExFreePoolWithTag)";
#else
constexpr const char kNotAModule[] = "not an ELF shared object";
constexpr const char kMzOnly[] = "not an ELF shared object";
constexpr const char kBrokenImport[] = "undefined symbol: KeBugCheckEx";
#endif

// A file in the temporary directory, removed with the object.
class TempFile {
public:
    TempFile(const std::string& name, const std::vector<char>& bytes) {
        static int serial = 0;
        path_ = (std::filesystem::temp_directory_path() /
                 ("trel-loader-" + std::to_string(++serial) + "-" + name))
                    .string();
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    ~TempFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

class ModuleLoaderTest : public HostTest {
protected:
    // Loads `path` expecting a refusal; returns the reason. Nothing of the
    // module may have run: no trace, no allocation, no host call.
    std::string Refusal(const std::string& path) {
        Mark();
        const size_t allocations = Kernel::Get().AllocationCount();
        std::string error;
        const std::optional<LoadedModule> loaded = LoadBoardModule(path, error);
        EXPECT_FALSE(loaded.has_value());
        if (loaded) host::UnloadBoardModule(*loaded);
        EXPECT_THAT(Traces(), IsEmpty());
        EXPECT_EQ(Kernel::Get().AllocationCount(), allocations);
        EXPECT_THAT(host_.Log(), IsEmpty());
        return error;
    }
};

struct RefusedFile {
    const char* name;
    std::vector<char> bytes;
    const char* reason;
};

void PrintTo(const RefusedFile& file, std::ostream* os) { *os << file.name; }

class RefusedFileTest : public ModuleLoaderTest, public ::testing::WithParamInterface<RefusedFile> {};

TEST_P(RefusedFileTest, IsRefusedWithItsReason) {
    const TempFile file(GetParam().name, GetParam().bytes);
    EXPECT_EQ(Refusal(file.path()), file.path() + ": " + GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    NotAModule, RefusedFileTest,
    ::testing::Values(RefusedFile{"empty", {}, kNotAModule}, RefusedFile{"text", {'h', 'e', 'l', 'l', 'o', '\n'}, kNotAModule},
                      RefusedFile{"zeros", std::vector<char>(4096, '\0'), kNotAModule},
                      RefusedFile{"mz", {'M', 'Z', '\0', '\0'}, kMzOnly}),
    [](const ::testing::TestParamInfo<RefusedFile>& info) { return std::string(info.param.name); });

TEST_F(ModuleLoaderTest, MissingFileIsRefused) {
    const std::string path = (std::filesystem::temp_directory_path() / "trel-no-such-module").string();
    EXPECT_EQ(Refusal(path), path + ": no such file");
}

TEST_F(ModuleLoaderTest, ModuleWithAForbiddenKernelImportIsRefused) {
    const std::string path = host::BuiltFilePath(TREL_BROKEN_MODULE_PATH);
    const std::string error = Refusal(path);
    EXPECT_THAT(error, ::testing::StartsWith(path + ": "));
    EXPECT_THAT(error, HasSubstr(kBrokenImport));
}

// Loading the kit's module again gives the same entry points, its imports bound
// to the kit's services (where the kit binds them), and runs nothing.
TEST_F(ModuleLoaderTest, RealModuleIsBoundToTheKitsServices) {
    Mark();
    std::string error;
    const std::optional<LoadedModule> loaded = LoadBoardModule(host::Module::Get().path, error);
    ASSERT_TRUE(loaded.has_value()) << error;
    EXPECT_EQ(loaded->DllInitialize, host::Module::Get().DllInitialize);
    EXPECT_EQ(loaded->DllUnload, host::Module::Get().DllUnload);
    EXPECT_EQ(loaded->GetBoardModuleCaps, host::Module::Get().GetBoardModuleCaps);
#ifdef _WIN32
    const std::map<std::string, const void*> services = {
        {"DbgPrint", reinterpret_cast<const void*>(&DbgPrint)},
        {"ExAllocatePoolWithTag", reinterpret_cast<const void*>(&ExAllocatePoolWithTag)},
        {"ExFreePoolWithTag", reinterpret_cast<const void*>(&ExFreePoolWithTag)},
    };
    std::set<std::string> bound;
    for (const LoadedModule::Import& import : loaded->imports) {
        ASSERT_TRUE(services.count(import.name)) << import.name;
        EXPECT_EQ(import.address, services.at(import.name)) << import.name;
        bound.insert(import.name);
    }
    for (const char* name : {"DbgPrint", "ExAllocatePoolWithTag", "ExFreePoolWithTag"}) {
        EXPECT_TRUE(bound.count(name)) << name;
    }
#else
    EXPECT_THAT(loaded->imports, IsEmpty());
#endif
    host::UnloadBoardModule(*loaded);
    EXPECT_THAT(Traces(), IsEmpty());
    // Still loaded for the kit: the module answers.
    EXPECT_EQ(host::Module::Get().DllUnload(), 0);
    EXPECT_THAT(Traces(), ::testing::ElementsAre(kUnloadBanner));
}

std::vector<char> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The kit's module cut short anywhere is refused, and nothing of it runs.
// Under 64 bytes the ELF header itself is cut; from 300 bytes on, the program
// header table or a loadable segment's bytes.
class TruncatedModuleTest : public ModuleLoaderTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(TruncatedModuleTest, IsRefused) {
    std::vector<char> bytes = ReadFile(host::Module::Get().path);
    if (GetParam() >= bytes.size()) GTEST_SKIP() << "the module has " << bytes.size() << " bytes";
    bytes.resize(GetParam());
    const TempFile file("cut-" + std::to_string(GetParam()), bytes);
    const std::string reason = Refusal(file.path());
#ifdef _WIN32
    EXPECT_THAT(reason, ::testing::StartsWith(file.path() + ": "));
#else
    EXPECT_THAT(reason, ::testing::StartsWith(file.path() + ": truncated"));
    if (GetParam() == 40) {
        EXPECT_EQ(reason, file.path() + ": truncated: 40 bytes, less than an ELF header (64 bytes)");
    }
#endif
}

INSTANTIATE_TEST_SUITE_P(Lengths, TruncatedModuleTest, ::testing::Values(5, 40, 300, 1000, 5000, 12000, 20000, 40000));

#ifndef _WIN32
// Fields of the ELF header or of the first program header overwritten, in
// little-endian bytes; "{size}" in a reason stands for the file's size.
struct ElfDamage {
    const char* name;
    std::vector<std::pair<size_t, std::vector<unsigned char>>> patches;  // offset, bytes
    const char* reason;  // nullptr: loads
};

void PrintTo(const ElfDamage& damage, std::ostream* os) { *os << damage.name; }

const std::vector<unsigned char> kHuge = {0xF0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const std::pair<size_t, std::vector<unsigned char>> kOneEntry = {56, {1, 0}};  // e_phnum
constexpr size_t kSegment0 = 64;  // the program header table follows the ELF header
constexpr size_t kStackSegment = SIZE_MAX;

class DamagedElfTest : public ModuleLoaderTest, public ::testing::WithParamInterface<ElfDamage> {};

TEST_P(DamagedElfTest, Load) {
    const ElfDamage& damage = GetParam();
    std::vector<char> bytes = ReadFile(host::Module::Get().path);
    ASSERT_GT(bytes.size(), 0x1000u);
    for (auto [offset, patch] : damage.patches) {
        if (offset == kStackSegment) {  // the program header of the stack flags, wherever it is
            offset = kSegment0;
            while (offset < 0x1000 && std::memcmp(bytes.data() + offset, "\x51\xE5\x74\x64", 4) != 0) offset += 56;
            offset += 8;  // its file offset
        }
        ASSERT_GT(bytes.size(), offset + patch.size());
        std::copy(patch.begin(), patch.end(), bytes.begin() + static_cast<ptrdiff_t>(offset));
    }
    const TempFile file(std::string(damage.name) + ".so", bytes);
    if (damage.reason == nullptr) {
        std::string error;
        const std::optional<LoadedModule> loaded = LoadBoardModule(file.path(), error);
        ASSERT_TRUE(loaded.has_value()) << error;
        host::UnloadBoardModule(*loaded);
        return;
    }
    std::string reason = damage.reason;
    if (const size_t at = reason.find("{size}"); at != std::string::npos) reason.replace(at, 6, std::to_string(bytes.size()));
    EXPECT_EQ(Refusal(file.path()), file.path() + ": " + reason);
}


INSTANTIATE_TEST_SUITE_P(
    Headers, DamagedElfTest,
    ::testing::Values(
        ElfDamage{"Class32", {{4, {1}}}, "not a 64-bit ELF object (class 1)"},
        ElfDamage{"BigEndian", {{5, {2}}}, "not a little-endian ELF object (data encoding 2)"},
        ElfDamage{"Executable", {{16, {2, 0}}}, "not a shared object (ELF type 2)"},
        ElfDamage{"I386", {{18, {3, 0}}}, "not an x86-64 object (machine 3)"},
        ElfDamage{"ShortEntries", {{54, {32, 0}}}, "no program header table of 56-byte entries"},
        ElfDamage{"NoEntries", {{56, {0, 0}}}, "no program header table of 56-byte entries"},
        ElfDamage{"TableOutside", {{32, {0xF0, 0xFF, 0xFF, 0x7F}}, kOneEntry},
                  "truncated or damaged: its program header table (bytes 2147483632 to 2147483688) ends past the "
                  "end of the file ({size} bytes)"},
        ElfDamage{"TableWraps", {{32, kHuge}, kOneEntry},
                  "truncated or damaged: its program header table (bytes 18446744073709551600 to beyond 2^64) ends "
                  "past the end of the file ({size} bytes)"},
        ElfDamage{"SegmentOutside", {{kSegment0 + 32, {0, 0, 0x10, 0}}},
                  "truncated or damaged: its loadable segment 0 (bytes 0 to 1048576) ends past the end of the file "
                  "({size} bytes)"},
        ElfDamage{"SegmentWraps", {{kSegment0 + 8, kHuge}},
                  "truncated or damaged: its loadable segment 0 (bytes 18446744073709551600 to beyond 2^64) ends "
                  "past the end of the file ({size} bytes)"},
        ElfDamage{"SegmentNotLoadable", {{kStackSegment, kHuge}}, nullptr}),
    [](const ::testing::TestParamInfo<ElfDamage>& info) { return std::string(info.param.name); });
#endif  // !_WIN32

#ifdef _WIN32

// Copies of TrelBoard.sys with one thing changed in place: each rule of the
// loader, one case per rule.
struct Patch {
    const char* name;
    std::string find;     // bytes that must occur exactly once
    std::string replace;  // same length
    const char* reason;   // nullptr: loads
};

void PrintTo(const Patch& patch, std::ostream* os) { *os << patch.name; }

std::string Padded(std::string text, size_t size) {
    text.resize(size, '\0');
    return text;
}

std::string Name(const char* text) { return std::string(text) + '\0'; }

// The PE header fields to patch, found in the file.
size_t PeOffset(const std::vector<char>& bytes) {
    int32_t offset = 0;
    std::memcpy(&offset, bytes.data() + 0x3C, sizeof(offset));
    return static_cast<size_t>(offset);
}

class PatchedDriverTest : public ModuleLoaderTest, public ::testing::WithParamInterface<Patch> {
protected:
    std::vector<char> Patched(const Patch& patch) {
        std::vector<char> bytes = ReadFile(host::Module::Get().path);
        const std::string text(bytes.begin(), bytes.end());
        const size_t at = text.find(patch.find);
        EXPECT_NE(at, std::string::npos) << "not in the driver";
        EXPECT_EQ(text.find(patch.find, at + 1), std::string::npos) << "more than once in the driver";
        EXPECT_EQ(patch.find.size(), patch.replace.size());
        if (at != std::string::npos) std::copy(patch.replace.begin(), patch.replace.end(), bytes.begin() + at);
        return bytes;
    }
};

TEST_P(PatchedDriverTest, Load) {
    const Patch& patch = GetParam();
    const TempFile file(std::string(patch.name) + ".sys", Patched(patch));
    if (patch.reason != nullptr) {
        EXPECT_EQ(Refusal(file.path()), file.path() + ": " + patch.reason);
        return;
    }
    std::string error;
    const std::optional<LoadedModule> loaded = LoadBoardModule(file.path(), error);
    ASSERT_TRUE(loaded.has_value()) << error;
    EXPECT_NE(loaded->DllInitialize, host::Module::Get().DllInitialize);  // a second image
    host::UnloadBoardModule(*loaded);
}

const std::string kNtoskrnl = Name("ntoskrnl.exe");
const std::string kDbgPrint = Name("DbgPrint");
const std::string kFreePool = Name("ExFreePoolWithTag");
const std::string kCaps = Name("GetBoardModuleCaps");

INSTANTIATE_TEST_SUITE_P(
    Imports, PatchedDriverTest,
    ::testing::Values(
        Patch{"OtherDll", kNtoskrnl, Padded("hal.dll", kNtoskrnl.size()),
              "it imports from hal.dll; a board module may import from ntoskrnl.exe only"},
        Patch{"OtherFunction", kFreePool, Padded("ExFreePool", kFreePool.size()),
              "it imports ExFreePool from ntoskrnl.exe, which a board module may not use (the host provides "
              "DbgPrint, ExAllocatePoolWithTag and ExFreePoolWithTag)"},
        // A loop the compiler turned into a C memory routine.
        Patch{"Memset", kDbgPrint, Padded("memset", kDbgPrint.size()),
              "it imports memset from ntoskrnl.exe, which a board module may not use (the host provides DbgPrint, "
              "ExAllocatePoolWithTag and ExFreePoolWithTag)"},
        Patch{"MissingExport", kCaps, Name("GetBoardModuleCapz"), "it does not export GetBoardModuleCaps"}),
    [](const ::testing::TestParamInfo<Patch>& info) { return std::string(info.param.name); });

// Header damage, patched at the header offsets.
struct HeaderPatch {
    const char* name;
    size_t (*offset)(const std::vector<char>&);
    std::vector<char> bytes;
    const char* reason;
};

void PrintTo(const HeaderPatch& patch, std::ostream* os) { *os << patch.name; }

class DamagedHeaderTest : public ModuleLoaderTest, public ::testing::WithParamInterface<HeaderPatch> {};

TEST_P(DamagedHeaderTest, IsRefused) {
    const HeaderPatch& patch = GetParam();
    std::vector<char> bytes = ReadFile(host::Module::Get().path);
    ASSERT_GT(bytes.size(), 0x400u);
    std::copy(patch.bytes.begin(), patch.bytes.end(), bytes.begin() + static_cast<ptrdiff_t>(patch.offset(bytes)));
    const TempFile file(std::string(patch.name) + ".sys", bytes);
    EXPECT_EQ(Refusal(file.path()), file.path() + ": " + patch.reason);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, DamagedHeaderTest,
    ::testing::Values(
        HeaderPatch{"NoMz", [](const std::vector<char>&) -> size_t { return 0; }, {'Z', 'M'},
                    "not a PE image (no MZ header)"},
        HeaderPatch{"NoPeSignature", PeOffset, {'P', 'F'}, "not a PE image (no PE header)"},
        HeaderPatch{"PeHeaderOutsideTheFile", [](const std::vector<char>&) -> size_t { return 0x3C; },
                    {'\x00', '\x00', '\x00', '\x7F'}, "not a PE image (no PE header)"},
        HeaderPatch{"I386", [](const std::vector<char>& b) { return PeOffset(b) + 4; }, {'\x4C', '\x01'},
                    "not an x86-64 image (machine 0x014C)"},
        HeaderPatch{"Pe32", [](const std::vector<char>& b) { return PeOffset(b) + 24; }, {'\x0B', '\x01'},
                    "not a PE32+ image"}),
    [](const ::testing::TestParamInfo<HeaderPatch>& info) { return std::string(info.param.name); });
#endif  // _WIN32

}  // namespace
}  // namespace trel::test
