#!/usr/bin/env bash
# The module's fuzz target: builds it with clang-14 (libFuzzer, ASan, UBSan)
# into build-fuzz, writes each board's usual session and operation cases as a
# seed and fuzzes.
#   scripts/fuzz.sh [seconds] [libFuzzer options...]
#       fuzz for `seconds` (default 60) in one process; the corpus grows in
#       build-fuzz/corpus, findings land in build-fuzz/findings.
#   scripts/fuzz.sh coverage [corpus dirs...]
#       replays the seeds and the corpus (default build-fuzz/corpus) on a
#       coverage build (build-fuzz-cov) and prints the coverage of src/drv/lib
#       per file (regions, functions, lines, branches).
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
  shift
  corpora=("$@")
  [ ${#corpora[@]} -ne 0 ] || corpora=(build-fuzz/corpus)
  configure build-fuzz-cov -DTREL_FUZZ_COVERAGE=ON
  profiles=build-fuzz-cov/profiles
  rm -rf "$profiles" && mkdir -p "$profiles" build-fuzz/corpus build-fuzz/seeds
  LLVM_PROFILE_FILE=/dev/null TREL_FUZZ_SEEDS=build-fuzz/seeds build-fuzz-cov/tests/fuzz/module_fuzz
  # %m: the module and the target each write their own profile.
  LLVM_PROFILE_FILE="$profiles/%m.profraw" \
    build-fuzz-cov/tests/fuzz/module_fuzz -runs=0 "${corpora[@]}" build-fuzz/seeds 2>&1 | tail -n 1
  llvm-profdata-14 merge -sparse "$profiles"/*.profraw -o "$profiles/all.profdata"
  llvm-cov-14 report build-fuzz-cov/libTrelBoard.so -instr-profile="$profiles/all.profdata" \
    "$PWD/src/drv/lib" | sed "s|$PWD/||"
  exit 0
fi

seconds=${1:-60}
shift || true
configure build-fuzz
mkdir -p build-fuzz/corpus build-fuzz/seeds build-fuzz/findings
TREL_FUZZ_SEEDS=build-fuzz/seeds build-fuzz/tests/fuzz/module_fuzz
# A small quarantine: the host kit's churn of small blocks would otherwise
# cycle the process through fresh pages (the module allocates only contexts).
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:quarantine_size_mb=1:malloc_context_size=5 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  build-fuzz/tests/fuzz/module_fuzz -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
  -artifact_prefix=build-fuzz/findings/ "$@" build-fuzz/corpus build-fuzz/seeds
