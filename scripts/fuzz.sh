#!/usr/bin/env bash
# The module's fuzz target: builds it with clang-14 (libFuzzer, ASan, UBSan)
# into build-fuzz, writes each board's default session as a seed and fuzzes.
#   scripts/fuzz.sh [seconds] [libFuzzer options...]
#       fuzz for `seconds` (default 60) in one process; the corpus grows in
#       build-fuzz/corpus, findings land in build-fuzz/findings.
#   scripts/fuzz.sh coverage
#       replays seeds and corpus on a coverage build (build-fuzz-cov) and
#       prints the line coverage of src/drv/lib.
set -euo pipefail
cd "$(dirname "$0")/.."
export CC=clang-14 CXX=clang++-14

configure() {  # <build dir> [cmake options...]
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTREL_FUZZ=ON "$@" >/dev/null
  cmake --build "$dir" -j "${TREL_JOBS:-$(nproc)}" --target module_fuzz
}

if [ "${1:-}" = coverage ]; then
  configure build-fuzz-cov -DTREL_FUZZ_COVERAGE=ON
  profiles=build-fuzz-cov/profiles
  rm -rf "$profiles" && mkdir -p "$profiles" build-fuzz/corpus build-fuzz/seeds
  TREL_FUZZ_SEEDS=build-fuzz/seeds build-fuzz-cov/tests/fuzz/module_fuzz
  # %m: the module and the target each write their own profile.
  LLVM_PROFILE_FILE="$profiles/%m.profraw" \
    build-fuzz-cov/tests/fuzz/module_fuzz -runs=0 build-fuzz/corpus build-fuzz/seeds 2>&1 | tail -n 2
  llvm-profdata-14 merge -sparse "$profiles"/*.profraw -o "$profiles/all.profdata"
  llvm-cov-14 report build-fuzz-cov/libTrelBoard.so -instr-profile="$profiles/all.profdata" \
    "$PWD/src/drv/lib" | tail -n 1
  exit 0
fi

seconds=${1:-60}
shift || true
configure build-fuzz
mkdir -p build-fuzz/corpus build-fuzz/seeds build-fuzz/findings
TREL_FUZZ_SEEDS=build-fuzz/seeds build-fuzz/tests/fuzz/module_fuzz
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  build-fuzz/tests/fuzz/module_fuzz -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
  -artifact_prefix=build-fuzz/findings/ "$@" build-fuzz/corpus build-fuzz/seeds
