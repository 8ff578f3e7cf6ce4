#!/usr/bin/env bash
# The cost report of the current tree: footprint of the module by section,
# writable data, and per operation of every board its module stack, service
# calls and wire time, with the bytes each open board allocates. Builds what
# it needs (plain build in build/, the Windows driver in build/win).
#   scripts/cost-report.sh            print the report
#   scripts/cost-report.sh --write    also write it to docs/cost.md
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build >/dev/null
cmake -S . -B build/win -G Ninja --toolchain cmake/x86_64-w64-mingw32.cmake >/dev/null
cmake --build build/win --target TrelBoard >/dev/null
report() {
  echo "# Cost of the board module"
  echo
  echo "Regenerate with \`scripts/cost-report.sh --write\`."
  echo
  echo "## Footprint"
  echo
  scripts/footprint.sh build/libTrelBoard.so build/win/TrelBoard.sys
  echo
  echo "## Per operation, default session"
  echo
  build/tools/trelhost/trelhost cost
}
if [ "${1:-}" = "--write" ]; then
  mkdir -p docs
  report | tee docs/cost.md
else
  report
fi
