#!/usr/bin/env bash
# The Linux module as the kernel rules want it: exactly the three entry points
# exported; exactly the three kernel services imported, nothing else (no C
# library, no C++ runtime), and no shared library needed; no initialiser
# entries of its own.
set -euo pipefail
so="$1"
fail() { echo "FAIL: $*"; exit 1; }
symbols() { nm -D "$1" "$so" | awk '{print $NF}' | sort | paste -sd' '; }

defined=$(symbols --defined-only)
[ "$defined" = "DllInitialize DllUnload GetBoardModuleCaps" ] || fail "exports: $defined"
undefined=$(symbols --undefined-only)
[ "$undefined" = "DbgPrint ExAllocatePoolWithTag ExFreePoolWithTag" ] ||
  fail "imports: $undefined, expected exactly DbgPrint ExAllocatePoolWithTag ExFreePoolWithTag"
needed=$(readelf -dW "$so" | awk -F'[][]' '/\(NEEDED\)/{print $2}' | paste -sd' ')
[ -z "$needed" ] || fail "needed libraries: $needed (the module may need none)"
sections=$(readelf -SW "$so")
for s in .init_array .preinit_array .ctors .init; do
  if grep -qE "[[:space:]]\\$s[[:space:]]" <<<"$sections"; then fail "initialisers: module has a $s section"; fi
done
echo "ok: $(basename "$so") exports: $defined; imports: $undefined; needs no library"
