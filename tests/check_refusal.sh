#!/usr/bin/env bash
# trelhost asked to load the broken board module (one that also imports
# KeBugCheckEx): it must stop with the kit's refusal status (4), name the
# forbidden import, and never have called into the module (no load banner).
# Usage: check_refusal.sh <broken module> <trelhost command...>
set -uo pipefail
module="$1"
shift
out=$(TREL_MODULE="$module" "$@" list 2>&1 | tr -d '\r')
status=${PIPESTATUS[0]}
fail() { printf 'FAIL: %s\n--- output:\n%s\n' "$*" "$out"; exit 1; }
[ "$status" -eq 4 ] || fail "exit status $status, not 4"
grep -q "cannot load the board module: .*$module.*KeBugCheckEx" <<<"$out" || fail "no refusal naming KeBugCheckEx"
if grep -q 'Load Board Module' <<<"$out"; then fail "the module was called"; fi
echo "ok: $module refused: $(grep -m1 'cannot load' <<<"$out")"
