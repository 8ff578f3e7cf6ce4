#!/usr/bin/env bash
# trelhost's command line: every way it ends has its code from the one table
# (commands.h): the parser's errors are usage errors (3), help is 0, an unknown
# command is named, a bad number names the accepted form and range, output
# that cannot be written is 5 (after 4 and 3), a module cut short is refused
# with 4 and a reason (never a crash), and --version names the module file
# with its size and SHA-256.
# Usage: check_cli.sh <module file> <scratch dir> <trelhost command...>
set -uo pipefail
module="$1"
scratch="$2"
shift 2
trelhost=("$@")
mkdir -p "$scratch"
failures=0
checks=0

# expect EXIT STREAM REGEX [ENV=VALUE...] -- ARGS...: the exit code, and a line
# of stdout or stderr (or "-": nothing asked) matching the extended regex.
# STREAM "full" runs with stdout on /dev/full and matches stderr.
expect() {
  local code="$1" stream="$2" regex="$3"
  shift 3
  local env=()
  while [ "$1" != "--" ]; do env+=("$1"); shift; done
  shift
  local out err status
  if [ "$stream" = full ]; then
    err=$(env "${env[@]}" "${trelhost[@]}" "$@" 2>&1 >/dev/full | tr -d '\r')
    status=${PIPESTATUS[0]}
    out=$err
  else
    out=$(env "${env[@]}" "${trelhost[@]}" "$@" 2>"$scratch/stderr" | tr -d '\r')
    status=${PIPESTATUS[0]}
    err=$(tr -d '\r' <"$scratch/stderr")
  fi
  [ "$stream" = stderr ] && out=$err
  checks=$((checks + 1))
  if [ "$status" != "$code" ] || { [ "$regex" != - ] && ! grep -Eq -- "$regex" <<<"$out"; }; then
    failures=$((failures + 1))
    printf 'FAIL: trelhost %s (%s): exit %s, expected %s and /%s/ on %s\n--- stdout:\n%s\n--- stderr:\n%s\n' \
      "$*" "${env[*]}" "$status" "$code" "$regex" "$stream" "$out" "$err"
  fi
}

# The parser's errors and the commands' own usage errors.
expect 3 stderr "^trelhost: a command is required \(see 'trelhost help'\)$" --
expect 3 stderr "^trelhost: unknown command 'bogus' \(see 'trelhost help'\)$" -- bogus
expect 3 stderr "^trelhost: unknown command 'bogus' \(see 'trelhost help'\)$" -- help bogus
expect 3 stderr "^trelhost: unknown option '--json' before the command \(see 'trelhost help'\)$" -- --json list
expect 3 stderr "^trelhost: list: .*--bogus \(see 'trelhost help list'\)$" -- list --bogus
expect 3 stderr "^trelhost: list: .*: extra \(see 'trelhost help list'\)$" -- list extra
expect 3 stderr "^trelhost: table: board is required" -- table
expect 3 stderr "^trelhost: unknown board 'Nobody' \(see 'trelhost list'\)$" -- table Nobody
expect 3 stderr "^trelhost: table: --50hz: expected a decimal or 0x hex number from 0 to 4294967295, got 'zz'" -- table Egret --50hz zz
expect 3 stderr "got '0x100000000'" -- table Egret --50hz 0x100000000
expect 3 stderr "^trelhost: table: --50hz" -- table Egret --50hz
expect 3 stderr "^trelhost: kernel-record: " -- kernel-record onlyone
# Numbers: decimal (a leading zero too) or 0x hex.
expect 0 stdout '^Egret, "50Hz" = 10: ' -- table Egret --50hz 010
expect 0 stdout '^Egret, "50Hz" = 16: ' -- table Egret --50hz 0x10
# Help.
expect 0 stdout '^  list +List the board catalogue' -- help
expect 0 stdout '^  help +Show the commands' -- --help
expect 0 stdout '^Usage: trelhost table \[OPTIONS\] board$' -- help table
expect 0 stdout '^  --50hz ' -- table --help
# --version: trelhost's version and the module file; a module it cannot read is 4.
digest=$(sha256sum "$module" | cut -d' ' -f1)
size=$(stat -c %s "$module")
expect 0 stdout '^trelhost [0-9]+\.[0-9]+\.[0-9]+$' -- --version
expect 0 stdout "^module: .*$(basename "$module")$" -- --version
expect 0 stdout "^module size: $size bytes$" -- --version
expect 0 stdout "^module SHA-256: $digest$" -- --version
expect 4 stderr "^trelhost: cannot read the board module .*no-such-module$" TREL_MODULE=no-such-module -- --version
# Output that cannot be written: 5, after 4 and 3.
for command in "list" "list --json" "help" "--version" "table Egret" "table Egret --json" "cost --tsv"; do
  # shellcheck disable=SC2086
  expect 5 full "^trelhost: the output could not be written" -- $command
done
expect 3 full "unknown command" -- bogus
expect 4 full "cannot load the board module" TREL_MODULE=no-such-module -- list
expect 5 stderr "^trelhost: cannot write " -- kernel-steps "$scratch/no-such-directory/steps.h"
# The module cut short anywhere is refused with the reason, never a crash.
for length in 10 40 300 1000 4000 12000 20000 30000 40000; do
  head -c "$length" "$module" >"$scratch/cut-$length"
  expect 4 stderr "cannot load the board module: .*cut-$length: " "TREL_MODULE=$scratch/cut-$length" -- list
done

echo "$((checks - failures)) passed, $failures failed: trelhost's command line"
[ "$failures" -eq 0 ]
