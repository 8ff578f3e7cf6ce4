#!/usr/bin/env bash
# Installs, with apt-get, whatever this Debian machine lacks to build and test
# TrelBoard: the native toolchain and test libraries, the mingw-w64 cross
# toolchain (its POSIX-threads compilers, which GoogleTest needs) for
# TrelBoard.sys and the Windows build of the host kit, tests and trelhost, the
# GoogleTest sources they are built from, Wine (64-bit) to run them, the JSON
# and argument libraries of trelhost, the cost report's benchmark library and
# valgrind (callgrind), the static analysers of the module (clang-tidy,
# cppcheck), clang with its sanitizer, fuzzer and coverage runtimes and
# tools for the fuzz target, python3 for the image checks of TrelBoard.sys
# and python3-jsonschema for the check of trelhost's JSON against its schema,
# openssl and osslsigncode to test-sign it (scripts/sign.sh), OpenSSL's
# libcrypto for trelhost --version's SHA-256 of the module, and sigrok-cli
# (its libsigrokdecode4 holds the I2C, UART and SPI decoders) to read back the
# waveforms of trelhost run --vcd.
set -euo pipefail

packages=(
  cmake ninja-build g++ binutils pkg-config
  libgtest-dev libgmock-dev googletest
  nlohmann-json3-dev libcli11-dev
  python3 python3-jsonschema openssl osslsigncode libssl-dev
  g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  wine wine64
  libbenchmark-dev valgrind
  clang-tidy-14 cppcheck clang-14 libclang-rt-14-dev llvm-14
  sigrok-cli
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
