// trelhost --version: trelhost's own version and the module file it would load
// (path, size, SHA-256), so that a bench log names exactly what was driven. The
// digest comes from the platform's library: OpenSSL's libcrypto on Linux,
// Windows' BCrypt in trelhost.exe.
#ifdef _WIN32
#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>
#else
#include <openssl/evp.h>
#endif

#include <array>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>

#include "commands.h"
#include "sim_host.h"

#ifndef TREL_VERSION
#error "TREL_VERSION must give the project's version"
#endif

namespace trelhost {
namespace {

using Digest = std::array<unsigned char, 32>;

// Feeds the whole stream to `update` in blocks; the byte count, or nullopt on a
// read error.
template <typename Update>
std::optional<uint64_t> ReadBlocks(std::istream& in, Update&& update) {
    std::array<char, 65536> block;
    uint64_t size = 0;
    while (in) {
        in.read(block.data(), block.size());
        const auto got = static_cast<size_t>(in.gcount());
        if (got != 0 && !update(reinterpret_cast<const unsigned char*>(block.data()), got)) return std::nullopt;
        size += got;
    }
    if (in.bad()) return std::nullopt;
    return size;
}

#ifdef _WIN32
std::optional<uint64_t> Sha256(std::istream& in, Digest& digest) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) return std::nullopt;
    BCRYPT_HASH_HANDLE hash = nullptr;
    std::optional<uint64_t> size;
    if (BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0))) {
        size = ReadBlocks(in, [&](const unsigned char* bytes, size_t count) {
            return BCRYPT_SUCCESS(BCryptHashData(hash, const_cast<PUCHAR>(bytes), static_cast<ULONG>(count), 0));
        });
        if (size && !BCRYPT_SUCCESS(BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0))) {
            size.reset();
        }
        BCryptDestroyHash(hash);
    }
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return size;
}
#else
std::optional<uint64_t> Sha256(std::istream& in, Digest& digest) {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    if (context == nullptr) return std::nullopt;
    std::optional<uint64_t> size;
    unsigned length = 0;
    if (EVP_DigestInit_ex(context, EVP_sha256(), nullptr) == 1) {
        size = ReadBlocks(in, [&](const unsigned char* bytes, size_t count) {
            return EVP_DigestUpdate(context, bytes, count) == 1;
        });
        if (size && (EVP_DigestFinal_ex(context, digest.data(), &length) != 1 || length != digest.size())) size.reset();
    }
    EVP_MD_CTX_free(context);
    return size;
}
#endif

std::string Hex(const Digest& digest) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const unsigned char byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}

}  // namespace

int PrintVersion() {
    std::cout << "trelhost " << TREL_VERSION << '\n';
    const std::string path = trel::host::Module::FilePath();
    std::ifstream in(path, std::ios::binary);
    Digest digest{};
    const std::optional<uint64_t> size = in ? Sha256(in, digest) : std::nullopt;
    if (!size) {
        std::cout.flush();
        std::cerr << "trelhost: cannot read the board module " << path << '\n';
        return kExitModuleNotLoaded;
    }
    std::cout << "module: " << path << '\n'
              << "module size: " << *size << " bytes\n"
              << "module SHA-256: " << Hex(digest) << '\n';
    return kExitOk;
}

}  // namespace trelhost
