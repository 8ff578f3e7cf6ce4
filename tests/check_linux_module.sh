#!/usr/bin/env bash
# The Linux module as the kernel rules want it: exactly the three entry points
# exported, the three kernel services imported and not defined, no initialiser
# entries of its own, no C++ runtime.
set -euo pipefail
so="$1"
fail() { echo "FAIL: $*"; exit 1; }

defined=$(nm -D --defined-only "$so" | awk '{print $3}' | sort | tr '\n' ' ')
[ "$defined" = "DllInitialize DllUnload GetBoardModuleCaps " ] || fail "exported symbols: $defined"
undefined=$(nm -D --undefined-only "$so" | awk '{print $2}' | sort | tr '\n' ' ')
for s in DbgPrint ExAllocatePoolWithTag ExFreePoolWithTag; do
  grep -qw "$s" <<<"$undefined" || fail "$s is not imported (undefined: $undefined)"
done
sections=$(readelf -SW "$so")
for s in .init_array .preinit_array .ctors .init; do
  if grep -qE "[[:space:]]\\$s[[:space:]]" <<<"$sections"; then fail "module has a $s section"; fi
done
if readelf -dW "$so" | grep -q 'libstdc++'; then fail "module needs libstdc++"; fi
if nm -D --undefined-only "$so" | grep -qE '_Zn|__cxa_|__gxx_personality|_Unwind_'; then
  fail "module imports C++ runtime symbols: $(nm -D --undefined-only "$so" | grep -E '_Zn|__cxa_|__gxx|_Unwind_')"
fi
echo "ok: $(basename "$so") exports: $defined; imports: $undefined"
