#!/usr/bin/env bash
# TrelBoard.sys loaded by Wine's own kernel-driver host, as the dependency of
# the kernel host driver (tests/drivers/kernel_host), in a prefix and with a
# Wine server of this test's own:
#  - installed as a kernel service, started and stopped: the record the driver
#    wrote, printed by the native trelhost with the module's trace lines from
#    the kernel's debug output, equals line for line the native host's
#    transcript of the same sessions, and each session equals its reviewed
#    transcript under tests/golden/;
#  - every pool allocation the module made (relay trace of the two pool
#    services: type 0, tag Tc01) is freed, as Wine's ntoskrnl logs it;
#  - without TrelBoard.sys, and with a module importing what Wine's kernel
#    lacks, the service does not start, with the loader's reason.
# Whatever happens, the services are stopped and deleted and the server killed.
#   check_kernel_host.sh NATIVE_TRELHOST WINE WINESERVER WIN_BUILD_DIR GOLDEN_DIR
set -uo pipefail
trelhost=$1 wine=$2 build=$4 golden=$5
export WINESERVER=$3
work=$(mktemp -d /tmp/trel-kernel-host.XXXXXX)
export WINEPREFIX=$work/prefix WINEDLLOVERRIDES='mscoree,mshtml=' WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY
log=$work/wine.log
services=()
drivers=$WINEPREFIX/drive_c/windows/system32/drivers
start=$SECONDS

fail() { echo "FAIL: $*"; exit 1; }
cleanup() {
  if [ -d "$WINEPREFIX" ]; then
    for s in "${services[@]}"; do
      "$wine" net stop "$s" >/dev/null 2>&1
      "$wine" sc delete "$s" >/dev/null 2>&1
    done
    "$WINESERVER" -k >/dev/null 2>&1
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# The service's state as `sc query` reports it (RUNNING, STOPPED, ...), or NONE.
state() { "$wine" sc query "$1" 2>/dev/null | tr -d '\r' | awk '/STATE/{print $4; f=1} END{if(!f) print "NONE"}'; }

# Installs TrelKernelHost.sys as service $1 and starts it; net start's output in $work/$1.out.
start_service() {
  services+=("$1")
  "$wine" sc create "$1" type= kernel start= demand binPath= "\\SystemRoot\\System32\\drivers\\TrelKernelHost.sys" \
    >"$work/$1.out" 2>&1 || fail "sc create $1: $(cat "$work/$1.out")"
  "$wine" net start "$1" >>"$work/$1.out" 2>&1
}

# ---- The prefix: a copy of the suite's, else a new one. The first Wine
# process starts the server and Wine's services: it carries the debug
# channels, and its error output is the log.
if [ -f "$build/wineprefix/system.reg" ]; then
  cp -a "$build/wineprefix" "$WINEPREFIX" || fail "cannot copy $build/wineprefix"
  rm -f "$WINEPREFIX"/.update-timestamp.lock
else
  "$wine" wineboot -i >/dev/null 2>&1 || fail "wineboot -i failed"
  "$WINESERVER" -w
fi
# The build that calls TrelBoard.sys's DllInitialize and DllUnload itself, as
# Wine's loader does not.
cp "$build/TrelKernelHostWine.sys" "$drivers/TrelKernelHost.sys" && cp "$build/TrelBoard.sys" "$drivers/" ||
  fail "drivers not built"
"$wine" reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ \
  /d 'ntoskrnl.exe.ExAllocatePoolWithTag;ntoskrnl.exe.ExFreePoolWithTag' /f >/dev/null 2>&1 || fail "reg add failed"
"$WINESERVER" -w
# A persistent server: otherwise it shuts Wine's services down a few seconds
# after the last command, and the next command starts them anew without the
# debug channels and outside the log.
"$WINESERVER" -p || fail "cannot start $WINESERVER"
WINEDEBUG=warn+debugstr,warn+module,+ntoskrnl,+relay "$wine" sc query >/dev/null 2>"$log"

# ---- The sessions.
start_service trelkhost || fail "net start: $(cat "$work/trelkhost.out"; grep -E 'err:(module|ntoskrnl)' "$log")"
[ "$(state trelkhost)" = RUNNING ] || fail "trelkhost is $(state trelkhost) after net start"
"$wine" net stop trelkhost >>"$work/trelkhost.out" 2>&1 || fail "net stop: $(cat "$work/trelkhost.out")"
[ "$(state trelkhost)" = STOPPED ] || fail "trelkhost is $(state trelkhost) after net stop"
record=$WINEPREFIX/drive_c/trel_kernel_host.rec
[ -s "$record" ] || fail "the kernel host wrote no record (DriverUnload not run?)"
"$trelhost" kernel-record "$record" "$log" >"$work/kernel.txt" || fail "trelhost kernel-record failed"
"$trelhost" kernel-sessions >"$work/native.txt" || fail "trelhost kernel-sessions failed"
if ! diff -u "$work/native.txt" "$work/kernel.txt" >"$work/diff.txt"; then
  head -40 "$work/diff.txt"
  fail "the kernel host's record differs from the native host's transcript (above: - native, + kernel)"
fi
traces=$(grep -c '^  > ' "$work/kernel.txt")
[ "$traces" -gt 0 ] || fail "no trace line of the module reached the kernel's debug output"
# Each session against its reviewed transcript.
sessions=0
while read -r file; do
  awk -v f="$file" '/^== session /{on = ($4 == f); next} /^DllUnload/{on=0} on' "$work/kernel.txt" >"$work/session.txt"
  grep -v '^#' "$golden/$file" | grep -v '^$' >"$work/golden.txt"
  diff -u "$work/golden.txt" "$work/session.txt" >"$work/diff.txt" || {
    head -20 "$work/diff.txt"; fail "session $file differs from tests/golden/$file (above: - reviewed, + kernel)"; }
  sessions=$((sessions + 1))
done < <(awk '/^== session /{print $4}' "$work/kernel.txt")
[ "$sessions" -gt 0 ] || fail "no session in the record"

# ---- The pool: each allocation of the module (relay: type 0, tag Tc01) freed
# once, and each one Wine's ntoskrnl logged for the module's thread.
pool=$(awk '
  /:Call ntoskrnl.exe.ExAllocatePoolWithTag\(/ {
    split(substr($0, index($0, "(") + 1), a, /[,)]/); t = substr($1, 1, index($1, ":") - 1)
    if (a[1] != "00000000" || a[3] != "31306354") { print "bad allocation: " $0; bad = 1 }
    pending[t] = 1; thread = t; next }
  /:Ret  ntoskrnl.exe.ExAllocatePoolWithTag\(\)/ {
    t = substr($1, 1, index($1, ":") - 1); if (!pending[t]) next; pending[t] = 0
    match($0, /retval=[0-9a-f]+/); p = tolower(substr($0, RSTART + 7, RLENGTH - 7)); sub(/^0+/, "", p)
    live[p] = 1; all[p] = 1; n++; next }
  /:Call ntoskrnl.exe.ExFreePoolWithTag\(/ {
    split(substr($0, index($0, "(") + 1), a, /[,)]/); p = tolower(a[1]); sub(/^0+/, "", p)
    if (a[2] != "31306354") { print "bad free: " $0; bad = 1 }
    if (!(p in live)) { print "free of " p " not allocated"; bad = 1 } else delete live[p]; f++; next }
  /:trace:ntoskrnl:ExAllocatePoolWithTag / { p = tolower($NF); sub(/^0+/, "", p); logged[p] = 1 }
  /:trace:ntoskrnl:ExFreePoolWithTag / { p = tolower($NF); sub(/^0+/, "", p); loggedFree[p] = 1 }
  END {
    for (p in live) { print "never freed: " p; bad = 1 }
    for (p in all) if (!(p in logged) || !(p in loggedFree)) { print "not in ntoskrnl trace: " p; bad = 1 }
    if (n == 0) { print "no allocation seen"; bad = 1 }
    print (bad ? "BAD " : "ok ") n " allocations, " f " frees"
  }' "$log")
grep -q '^ok ' <<<"$pool" || fail "pool: $pool"

# ---- Bad modules: the loader names the reason, and no service is left running.
#   bad_module SERVICE WHAT REASON(ERE) refuse|stub
# refuse: the service must not start. stub: Wine binds a missing import of a
# built-in DLL to a stub that fails when called, so the service starts; the
# reason must still be in the log, and the service is stopped again.
bad_module() {
  local mark; mark=$(wc -l <"$log")
  local started=0; start_service "$1" && started=1
  # The loading process may still be writing its log when net start returns.
  local reason="" i
  for i in 1 2 3 4 5 6 7 8 9 10; do
    reason=$(tail -n +"$((mark + 1))" "$log" | grep -E "$3" | head -1)
    [ -n "$reason" ] && break
    sleep 0.5
  done
  [ -n "$reason" ] || fail "$2: no reason in the log (expected /$3/): $(tail -n +"$((mark + 1))" "$log" | grep -E 'err:' | head -5)"
  if [ "$4" = refuse ]; then
    [ $started = 0 ] || fail "$2: net start succeeded"
  elif [ $started = 1 ]; then
    "$wine" net stop "$1" >/dev/null 2>&1 || fail "$2: net stop failed"
  fi
  local s; s=$(state "$1")
  [ "$s" = STOPPED ] || fail "$2: service $1 is $s"
  echo "ok: $2: $([ $started = 1 ] && echo "started on a stub, stopped" || echo refused): ${reason#*:*:}"
  "$wine" sc delete "$1" >/dev/null 2>&1
}
rm "$drivers/TrelBoard.sys"
bad_module trelkhostmissing "TrelBoard.sys missing" 'err:module:.*TrelBoard\.sys.*not found' refuse
cp "$build/TrelBoardLookaside.sys" "$drivers/TrelBoard.sys"
bad_module trelkhostlookaside "a module importing ExInitializeLookasideListEx" \
  'module:.*ExInitializeLookasideListEx' stub

echo "ok: $sessions sessions equal the native host's and the reviewed transcripts ($(wc -l <"$work/kernel.txt") lines, $traces of traces); pool: ${pool#ok }; $((SECONDS - start)) s"
