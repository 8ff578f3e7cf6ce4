#!/usr/bin/env bash
# trelhost run and trelhost script from the command line: strict values, the
# exit status, the host's side, the added steps in the order given, and
# scenario files (a printed session runs alike through `trelhost script`).
# Usage: check_run_options.sh [emulator] <trelhost>
set -uo pipefail
trelhost=("$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/cli_check.sh"

# Values: decimal or 0x hex, never octal; a frequency with k or M; a value
# that does not fit its field is refused naming the form; values the module
# judges reach it unchanged.
check 0 'standard=0x0000000A, source'                run "Heron I" --standard 010
check 0 'record=\{471250000 Hz'                      run Kestrel --tune 0471250000
check 0 'record=\{471250000 Hz'                      run Kestrel --tune 471.25M
check 0 'record=\{100000000 Hz'                      run Kestrel --fm 100M
check 3 '--standard: expected a decimal or 0x hex number from 0 to 4294967295'  run "Heron I" --standard 0x1G
check 3 '--50hz: expected a decimal or 0x hex number from 0 to 4294967295'      run Wren --50hz 4294967296
check 3 '--answer: expected a decimal or 0x hex number from 0 to 255'           run Egret --answer 0x188:1=1
check 3 '--tune: expected a frequency in Hz'         run Kestrel --tune 471.2500001M
check 3 '--size: expected WIDTHxHEIGHT'              run "Heron I" --size 720
check 3 '--fm: a session tunes a TV channel or an FM station, not both' run Kestrel --tune 471.25M --fm 100M
check 3 "--tune: board 'Heron I' has no tuner"       run "Heron I" --tune 471.25M
check 1 'value=101, extra=0~  trace: SetVideoProperty 1 101~== '  run "Heron I" --set-ctrl brightness=101
check 0 'record=\{0 Hz, 0, ...\}~  bus:   BUF C2 W 88 19 00 D6' run Kestrel --fm 0

# Exit status: 1 when an operation whose result is a status failed (capability
# values do not count), 3 for an option the board cannot take.
check 0 'GetVideoSourceCaps -> 0x00000155'           run "Heron I"
check 1 'InitVideoSource -> 0xFFFFFFFF~.*OnStartCapture -> 0x00000000' run "Heron Ascent"
check 1 'OnStartCapture -> 0xFFFFFFFF'               run "Heron I" --size 0x0
check 1 'InitVideoSource -> 0xFFFFFFFC|InitVideoSource -> 0xFFFFFFFF' run "Heron I" --standard 0
check 1 '^== OpenBoard -> 0xFFFFFFFE~  args: [^~]*~  info: [^~]*~== session' run "Heron I" --fail-alloc 1
check 3 "--signal-50hz: board 'Heron I' reads no 50-Hz signal status" run "Heron I" --signal-50hz

# The host's side: the N-th call, calls by service and place, register answers, parameters.
check 1 'InitVideoSource -> 0xFFFFFFFD~  args: [^~]*~  bus:   I2C 40 W 01=08~  bus:   I2C 40 W 02=C9 !1~'   run "Heron I" --fail 2
check 1 'I2C 40 W 09=80~  bus:   I2C 40 W 0A=80 !FFFF~'   run "Heron I" --fail i2c-write:0x40:0x0A=0xFFFF
check 0 'I2C 40 W 0A=80~'                            run "Heron I" --fail i2c-write:0x42:0x0A
check 3 '--fail: one counted failure a session'      run "Heron I" --fail 2 --fail 3
check 3 '--fail: expected a call number or a service' run "Heron I" --fail i2c-poke
check 0 'I2C 88 R 01->01.*vOffset 10'                run Egret --answer 0x88:0x01=0x01 --size 720x288
check 0 'I2C 88 R 01->01.*vOffset 10'                run Egret --signal-50hz --size 720x288
check 0 'PARAM 50Hz=1.*rate 25025'                   run Wren --param 50Hz=1
check 0 'PARAM 50Hz=1.*rate 25025'                   run Wren --50hz 1

# Added steps, in the order given, after the set-up and before capture start.
check 1 'InitAudio.*GetVideoProperty -> 0xFFFFFFFC~  args:  context, device, index=0x00000001.*SetVideoProperty 1 60~  bus:   I2C 40 W 0A=99~.*SetVideoProperty 5 -10~  bus:   I2C 40 W 0D=E6~.*OnStartCapture' \
  run "Heron I" --get-ctrl brightness --set-ctrl brightness=60,hue=-10
check 0 'SetVideoProperty 1 60~  bus:   SER '        run Swift --set-ctrl exposure=60
check 3 "board 'Swift' has no property 'brightness' \(its names: exposure"  run Swift --set-ctrl brightness=60
check 1 'SetVideoProperty -> 0xFFFFFFFC~  args:  context=null, device, index=0x00000003' run Wren --set-ctrl 3=50
check 0 'SetVideoProperty 4099 1~  trace: VBI: CGMS NTSC enable'  run "Heron I" --set-ctrl vbi=1:1
check 0 'index=0x00001002, value=1520.*config=\{standard 0x000005F0, 720x576\}' run "Heron I" --set-standard pal
check 0 'index=0x00001002, value=2567'               run Kestrel --set-standard ntsc
check 0 'index=0x00001002, value=256,'               run Kestrel --set-standard pal-i
check 3 '--set-standard: expected a standard \(ntsc, pal, secam' run Kestrel --set-standard pal-z
check 0 'Set_Current_Video_InputID -> 0x00000000~  args:  context, device, input=1~.*OnStartCapture' run Kestrel --set-input 1
check 0 'index=0x00000000, value=1,'                 run "Heron I" --set-source 1
check 0 'id=10 \(TV-audio mode\), value=0x00000012'                    run Kestrel --tune 471.25M --audio-mode lang-a+stereo
check 0 'id=10, value=0x00000001, record=null'       run Kestrel --set-tuner audio-mode=mono
check 0 'id=2, value=0x00000002, record=null.*id=6, value, record' run Kestrel --set-tuner mode=fm --get-tuner status
check 0 'Set Frequency 88100000.*id=4, value, record~  frequency: 88.100 MHz' run Kestrel --set-tuner frequency=88.1M --get-tuner frequency
check 3 "--set-tuner: board 'Egret' has no tuner"    run Egret --set-tuner mode=tv
check 0 'input=1~(  [^~]*~)*== CloseBoard' run Kestrel --set-input 1 --no-capture

# Scenario files: errors name the line; a printed session runs alike.
printf 'open Heron I\n# a comment\nset-ctrl brightness=60\nset-ctrl loudness=3\n' >"$work/bad.trel"
check 3 'bad.trel:4: set-ctrl: board .Heron I. has no property .loudness.'  script "$work/bad.trel"
printf 'size 720x480\n' >"$work/noopen.trel"
check 3 "noopen.trel:1: expected 'open BOARD' first"  script "$work/noopen.trel"
printf 'open Heron I\nno-capture 1\n' >"$work/flag.trel"
check 3 'flag.trel:2: no-capture takes no value'      script "$work/flag.trel"
check 3 "cannot read the scenario file"              script "$work/missing.trel"

# same [--json] ARGS...: the session printed by `run ARGS --print-script` runs alike.
same() {
  local expected actual status_run status_script output=()
  [ "$1" = --json ] && { output=(--json); shift; }
  "${trelhost[@]}" run "$@" --print-script >"$work/session.trel"
  expected=$("${trelhost[@]}" run "$@" "${output[@]}" 2>&1)
  status_run=$?
  actual=$("${trelhost[@]}" script "$work/session.trel" "${output[@]}" 2>&1)
  status_script=$?
  checks=$((checks + 1))
  if [ "$expected" != "$actual" ] || [ "$status_run" != "$status_script" ] || [ -z "$expected" ]; then
    failures=$((failures + 1))
    echo "DIFFERENT: trelhost run $* and its printed scenario (exit $status_run and $status_script)"
    diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") | head -20
  fi
}
boards=$("${trelhost[@]}" list | wc -l)
for ((board = 0; board < boards; board++)); do same "$board"; done
same Kestrel --tune 471.25M --audio-mode stereo --set-ctrl brightness=60 --get-tuner frequency --fail 40 --no-capture
same --json Kestrel --fm 88.1M
same "Heron I" --set-standard pal --fail i2c-read:0x40 --fail-alloc 2
same Egret --signal-50hz --set-ctrl sharpness=3 --size 720x288

echo "$((checks - failures)) passed, $failures failed: trelhost run and script"
[ "$failures" -eq 0 ]
