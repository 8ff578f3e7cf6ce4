#!/usr/bin/env bash
# TrelBoard.sys is reproducible: built twice from clean, in two scratch build
# trees of different path lengths, it comes out the same byte for byte (no
# link timestamp, no build path, nothing else that varies from one build to
# the next). Only the driver is built; the trees go when the check passes.
# Usage: check_reproducible_driver.sh <source dir> <scratch dir> [cmake options...]
set -euo pipefail
src="$1" scratch="$2"
shift 2
fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$scratch"
trees=("$scratch/a" "$scratch/second-tree")
for tree in "${trees[@]}"; do
  cmake -S "$src" -B "$tree" -G Ninja --toolchain "$src/cmake/x86_64-w64-mingw32.cmake" \
        -DTREL_BUILD_TESTS=OFF "$@" >/dev/null
  cmake --build "$tree" --target TrelBoard >/dev/null
done
one="${trees[0]}/TrelBoard.sys" two="${trees[1]}/TrelBoard.sys"
if ! cmp -s "$one" "$two"; then
  echo "offset (decimal), then the differing bytes (octal):"
  cmp -l "$one" "$two" | head -20 || true  # cmp -l exits 1 on a difference
  fail "two clean builds of TrelBoard.sys differ (kept in $scratch)"
fi
size=$(stat -c %s "$one")
rm -rf "$scratch"
echo "ok: TrelBoard.sys built twice from clean, the same $size bytes"
