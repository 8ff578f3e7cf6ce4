#!/usr/bin/env bash
# Every test: the suite against the plain build (with the binary checks of
# libTrelBoard.so and the cross-built TrelBoard.sys, and the static analysis
# of the module), then the suite again with the module, host kit and tests
# under AddressSanitizer and UndefinedBehaviorSanitizer, then a minute of
# fuzzing the module.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build -j "$jobs" --output-on-failure

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTREL_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan -j "$jobs" --output-on-failure

# The fuzz target (clang, libFuzzer, ASan, UBSan), seeded with each board's
# default session, for a bounded minute.
TREL_JOBS=$jobs scripts/fuzz.sh 60
