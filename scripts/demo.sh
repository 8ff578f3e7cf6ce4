#!/usr/bin/env bash
# The main job: build the module and the simulated host, then let trelhost
# drive a board through the host's usual session, showing every host call,
# trace line and bus transaction. Arguments go to `trelhost run` (default:
# the reference board "Heron I").
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target trelhost >/dev/null
if [ $# -eq 0 ]; then set -- "Heron I"; fi
exec build/tools/trelhost/trelhost run "$@"
