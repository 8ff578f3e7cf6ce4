#!/usr/bin/env bash
# Every test: the suite against the plain build, Release (with the binary
# checks of libTrelBoard.so and of the cross-built TrelBoard.sys, two clean
# builds of TrelBoard.sys compared byte for byte, and the static analysis of
# the module), then, with the Windows host kit, suite and
# trelhost.exe cross-built into build/win, the whole suite against
# TrelBoard.sys under Wine with the cross-check of trelhost's output on both
# platforms, then the suite again with the module, host kit and tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then a minute of fuzzing.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)
phase() { printf '\n=== %s (%ds so far)\n' "$1" "$SECONDS"; }

phase "Linux: libTrelBoard.so, the suite, binary checks of both builds"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build -j "$jobs" --output-on-failure

phase "Windows: TrelBoard.sys, the host kit, the suite and trelhost.exe, cross-built"
cmake --build build -j "$jobs" --target windows

# The Wine prefix lives in build/win/wineprefix, made by the first test.
phase "Windows: TrelBoard.sys under Wine, the suite and the trelhost cross-check"
ctest --test-dir build/win -j "$jobs" --output-on-failure

phase "Linux under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTREL_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan -j "$jobs" --output-on-failure

# Module, host kit and target only, seeded with each board's default session.
phase "The fuzz target (clang, libFuzzer, ASan, UBSan) for a minute"
TREL_JOBS=$jobs scripts/fuzz.sh 60
phase "done"
