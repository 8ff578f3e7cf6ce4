#!/usr/bin/env bash
# TrelBoard.sys as the Windows kernel loads it: native subsystem, exactly the
# three exports, imports from ntoskrnl.exe only (the three kernel services and
# the C memory routines it exports).
set -euo pipefail
sys="$1"
fail() { echo "FAIL: $*"; exit 1; }
[ -f "$sys" ] || fail "$sys not built"
dump=$(x86_64-w64-mingw32-objdump -p "$sys")
grep -qE '^Subsystem[[:space:]]+00000001' <<<"$dump" || fail "subsystem is not native: $(grep Subsystem <<<"$dump")"
exports=$(awk '/^\[Ordinal\/Name Pointer\] Table/{t=1;next} t&&/^$/{t=0} t{print $NF}' <<<"$dump" | sort | tr '\n' ' ')
[ "$exports" = "DllInitialize DllUnload GetBoardModuleCaps " ] || fail "exports: $exports"
dlls=$(grep -E '^[[:space:]]*DLL Name:' <<<"$dump" | awk '{print $3}' | sort -u | tr '\n' ' ')
[ "$dlls" = "ntoskrnl.exe " ] || fail "imported DLLs: $dlls"
imports=$(awk '/DLL Name: ntoskrnl.exe/{t=1;next} t&&/^[[:space:]]*[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+[^[:space:]]+$/{print $3} t&&/^$/{t=0}' <<<"$dump" | sort | tr '\n' ' ')
for s in $imports; do
  case "$s" in DbgPrint|ExAllocatePoolWithTag|ExFreePoolWithTag|memcpy|memset|memmove|memcmp) ;;
    *) fail "unexpected import $s" ;;
  esac
done
for s in DbgPrint ExAllocatePoolWithTag ExFreePoolWithTag; do
  grep -qw "$s" <<<"$imports" || fail "$s not imported"
done
echo "ok: $(basename "$sys") subsystem native; exports: $exports; imports: $imports"
