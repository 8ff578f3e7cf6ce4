#!/usr/bin/env bash
# The same module on both platforms: trelhost with libTrelBoard.so and
# trelhost.exe with TrelBoard.sys under Wine must print byte-identical output
# (line endings aside) and exit alike, for the catalogue and for every board's
# default session, as text and as JSON, plain and with the chip state read
# back from the bus (--explain).
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

boards=$("$native" list | wc -l)
[ "$boards" -gt 0 ] || { echo "FAIL: the Linux trelhost lists no board"; exit 1; }
compare list
compare list --json
for ((board = 0; board < boards; board++)); do
  compare run "$board"
  compare run "$board" --json
  compare run "$board" --explain
  compare run "$board" --explain --json
done
echo "$((checks - failures)) passed, $failures failed: trelhost output, libTrelBoard.so against TrelBoard.sys"
[ "$failures" -eq 0 ]
