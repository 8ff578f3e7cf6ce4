#!/usr/bin/env bash
# The same module on both platforms: trelhost with libTrelBoard.so and
# trelhost.exe with TrelBoard.sys under Wine must print byte-identical output
# (line endings aside) and exit alike, for the catalogue and for every board's
# default session, as text and as JSON, plain and with the chip state read
# back from the bus (--explain); and every board's default session drawn as a
# waveform (--vcd) must give byte-identical files.
# Usage: crosscheck_trelhost.sh <linux trelhost> <wine runner> <trelhost.exe>
set -uo pipefail
native="$1"
wine_run="$2"
windows="$3"
failures=0
checks=0

compare() {
  local expected actual status_native status_windows
  expected=$("$native" "$@" 2>&1)
  status_native=$?
  actual=$("$wine_run" "$windows" "$@" 2>&1 | sed 's/\r$//')
  status_windows=${PIPESTATUS[0]}
  checks=$((checks + 1))
  if [ "$expected" != "$actual" ] || [ "$status_native" != "$status_windows" ]; then
    failures=$((failures + 1))
    echo "DIFFERENT: trelhost $* (exit $status_native on Linux, $status_windows on Windows)"
    diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") | head -40
  fi
}

# compare_vcd ARGS...: both platforms' --vcd files of the session, byte for byte.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
compare_vcd() {
  rm -f "$scratch/linux.vcd" "$scratch/windows.vcd"
  "$native" "$@" --vcd "$scratch/linux.vcd" >/dev/null 2>&1
  "$wine_run" "$windows" "$@" --vcd "$scratch/windows.vcd" >/dev/null 2>&1
  checks=$((checks + 1))
  if [ ! -s "$scratch/linux.vcd" ] || ! cmp -s "$scratch/linux.vcd" "$scratch/windows.vcd"; then
    failures=$((failures + 1))
    echo "DIFFERENT: trelhost $* --vcd (waveform files)"
    cmp "$scratch/linux.vcd" "$scratch/windows.vcd" | head -5
  fi
}

boards=$("$native" list | wc -l)
[ "$boards" -gt 0 ] || { echo "FAIL: the Linux trelhost lists no board"; exit 1; }
compare list
compare list --json
for ((board = 0; board < boards; board++)); do
  compare run "$board"
  compare run "$board" --json
  compare run "$board" --explain
  compare run "$board" --explain --json
  compare_vcd run "$board"
done
compare_vcd run "Heron I" --fail 3 --bus-clock 100k
echo "$((checks - failures)) passed, $failures failed: trelhost output, libTrelBoard.so against TrelBoard.sys"
[ "$failures" -eq 0 ]
