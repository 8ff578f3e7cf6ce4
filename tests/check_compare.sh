#!/usr/bin/env bash
# trelhost compare against captures of the session it runs: each board's own
# waveform (trelhost run --vcd, both bus clocks, and as a sigrok session file)
# is identical; captures edited at the bit-slot level (capture_edit.py) diverge
# at the right operation and step with the right summary; reads are answered
# from the capture; captures that cannot be read exit 7 with the reason.
# Usage: check_compare.sh <trelhost>   (sigrok-cli on PATH)
set -uo pipefail
trelhost=("$1")
edit="$(dirname "$0")/capture_edit.py"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/cli_check.sh"
# export FILE CLOCK BOARD [run options]: the session's waveform.
export_vcd() {
  local file="$1" clock="$2"
  shift 2
  "${trelhost[@]}" run "$@" --vcd "$work/$file" --bus-clock "$clock" >/dev/null
}
# Units of the waveform's timescale in one bus bit.
units() { [ "$1" = 100k ] && echo 1000 || echo 250; }

# Each board's own waveform, at the clocks given; Swift's serial link and
# Plover's silence have no I2C to compare.
while read -r board count clocks; do
  for clock in $clocks; do
    export_vcd own.vcd "$clock" "${board//_/ }"
    check 0 "^identical, $count transactions~\$" compare "${board//_/ }" "$work/own.vcd"
  done
done <<'BOARDS'
Wren 44 400k
Wren_II 44 100k
Heron_I 200 400k
Heron_II_Reprise 77 100k
Egret 35 100k 400k
Heron_Ascent 12 400k
Bittern 169 100k
Plover 0 400k
Kestrel 227 100k
Swift 0 100k 400k
Finch 39 400k
BOARDS
export_vcd kestrel.vcd 400k Kestrel --tune 471.25M
check 0 '^identical, 238 transactions~$' compare Kestrel "$work/kestrel.vcd" --tune 471.25M
check 6 'extra, after step 6 InitVideoSource .*summary: 0 missing, 11 extra, 0 changed, 0 not acknowledged' \
  compare Kestrel "$work/kestrel.vcd"
# A sigrok session file of the same.
sigrok-cli -I vcd -i "$work/kestrel.vcd" -o "$work/kestrel.sr"
check 0 '^identical, 238 transactions~$' compare Kestrel "$work/kestrel.sr" --tune 471.25M

# Heron I writes 29-bit transactions: S, address, register, value (9 bits
# each with the acknowledge), P. Transaction n starts at slot 29(n-1).
export_vcd heron.vcd 100k "Heron I"
t() { echo $((29 * ($1 - 1))); }
# #13 (40 W 0D 00): value bit 0 (slot +1+18+7) set.
"$edit" "$work/heron.vcd" "$work/changed.vcd" 1000 "sda:$(($(t 13) + 26))=1"
check 6 '^first divergence: changed, in step 6 InitVideoSource \(its I2C transaction 13\), at 3.485 ms in the capture~.*> 6 InitVideoSource  #13 40 W 0D 00  #13 40 W 0D 01  changed~.*summary: 0 missing, 0 extra, 1 changed, 0 not acknowledged \(200 transactions expected, 200 seen\)~$' \
  compare "Heron I" "$work/changed.vcd"
# #14 dropped.
"$edit" "$work/heron.vcd" "$work/dropped.vcd" 1000 "cut:$(t 14)-$(t 15)"
check 6 '^first divergence: missing, in step 6 InitVideoSource \(its I2C transaction 14\)~.*> 6 InitVideoSource  #14 40 W 0E 03 +missing~    6 InitVideoSource  #15 40 W 0F 2A  #14 40 W 0F 2A~.*summary: 1 missing, 0 extra, 0 changed, 0 not acknowledged \(200 transactions expected, 199 seen\)' \
  compare "Heron I" "$work/dropped.vcd"
# A copy of #1 sent to 0x50 (address bit 4, slot 1+3) before it: traffic to a
# chip the board does not use, which --ignore-address leaves out.
"$edit" "$work/heron.vcd" "$work/foreign.vcd" 1000 "copy:0-29@0" "sda:4=1"
check 6 'first divergence: extra, after step 6 InitVideoSource \(its I2C transaction 1\).*#1 50 W 01 08 +extra.*summary: 0 missing, 1 extra, 0 changed' \
  compare "Heron I" "$work/foreign.vcd"
check 0 '^identical, 200 transactions~$' compare "Heron I" "$work/foreign.vcd" --ignore-address 0x50

# Heron Ascent reads its identity first: S, 88, 00, Sr, 89, byte, P (39 slots).
# A chip that answered identity 5 (0x28) makes the module write the shorter
# set-up; read back from the capture, the session compares identical without
# the answer, and the read's value changed in the capture (0x28 to 0x00: slots
# 29+2 and 29+4) makes the module write the general set-up instead.
export_vcd ascent.vcd 400k "Heron Ascent" --answer 0x88:0x00=0x28
check 0 '^identical, 8 transactions~$' compare "Heron Ascent" "$work/ascent.vcd"
"$edit" "$work/ascent.vcd" "$work/identity.vcd" 250 sda:31=0 sda:33=0
check 6 '^first divergence: changed, in step 6 InitVideoSource \(its I2C transaction 2\).*#1 88 W 00 / 89 R 00  #1 88 W 00 / 89 R 00~  > 6 InitVideoSource  #2 88 W 06 40 +#2 88 W 06 00 +changed.*summary: 4 missing, 0 extra, 3 changed, 0 not acknowledged \(12 transactions expected, 8 seen\)' \
  compare "Heron Ascent" "$work/identity.vcd"
# The identity read twice.
"$edit" "$work/ascent.vcd" "$work/extra.vcd" 250 copy:0-39@39
check 6 '^first divergence: extra, after step 6 InitVideoSource \(its I2C transaction 1\).*  >  +#2 88 W 00 / 89 R 28  extra~.*summary: 0 missing, 1 extra, 0 changed, 0 not acknowledged \(8 transactions expected, 9 seen\)' \
  compare "Heron Ascent" "$work/extra.vcd"

# A chip that does not acknowledge its address: Wren's last transaction (#44,
# OnStartCapture's second; address acknowledge at slot +9). The module's call
# fails as on the bench, and goes on as the capture does.
export_vcd wren.vcd 400k Wren
"$edit" "$work/wren.vcd" "$work/refused.vcd" 250 "sda:$(($(t 44) + 9))=1"
check 6 '^first divergence: not acknowledged, in step 7 OnStartCapture \(its I2C transaction 2\).*> 7 OnStartCapture +#44 42 W NAK +#44 42 W NAK +not acknowledged~.*summary: 0 missing, 0 extra, 0 changed, 1 not acknowledged \(44 transactions expected, 44 seen\)' \
  compare Wren "$work/refused.vcd"
# The waveform of a session whose host failed every write of register 0x2B
# (InitVideoSource's last, which ends it, and OnStartCapture's second): not
# acknowledged twice, and identical to a session run with that failure.
export_vcd failed.vcd 400k Wren --fail i2c-write:0x42:0x2B
check 6 '^first divergence: not acknowledged, in step 6 InitVideoSource \(its I2C transaction 19\).*summary: 0 missing, 0 extra, 0 changed, 2 not acknowledged \(21 transactions expected, 21 seen\)' \
  compare Wren "$work/failed.vcd"
check 0 '^identical, 21 transactions~$' compare Wren "$work/failed.vcd" --fail i2c-write:0x42:0x2B

# Captures that cannot be read: exit 7 with the reason.
head -c $(($(wc -c <"$work/heron.vcd") / 2)) "$work/heron.vcd" >"$work/cut.vcd"
check 7 "^trelhost: compare: '.*/cut.vcd' ends inside an I2C transaction: the capture is cut short~\$" \
  compare "Heron I" "$work/cut.vcd"
echo "not a waveform" >"$work/text.vcd"
check 7 "^trelhost: compare: '.*/text.vcd' is not a capture sigrok can read" compare "Heron I" "$work/text.vcd"
head -c 300 "$work/kestrel.sr" >"$work/cut.sr"
check 7 "^trelhost: compare: '.*/cut.sr' is not a capture sigrok can read \(sigrok-cli: " compare Kestrel "$work/cut.sr"
check 7 "^trelhost: compare: the capture has no channel 'clk' \(its channels: scl, sda, step, step_name, ser_clk, ser_data, ser_load; name them with --scl and --sda\)~\$" \
  compare "Heron I" "$work/heron.vcd" --scl clk
check 0 '^identical, 200 transactions~$' compare "Heron I" "$work/heron.vcd" --scl scl --sda sda
check 7 "^trelhost: compare: cannot open '$work/none.vcd': No such file or directory" compare "Heron I" "$work/none.vcd"
TREL_SIGROK_CLI="$work/no-sigrok-cli" check 7 "^trelhost: compare: compare needs sigrok-cli \('$work/no-sigrok-cli'\): it is not installed" \
  compare "Heron I" "$work/heron.vcd"

# Usage errors: 3.
check 3 'capture is required' compare "Heron I"
check 3 'unknown board' compare Heron "$work/heron.vcd"
check 3 '--ignore-address: expected a decimal or 0x hex number from 0 to 255' compare "Heron I" "$work/heron.vcd" --ignore-address 0x140
check 3 '--size: expected WIDTHxHEIGHT' compare "Heron I" "$work/heron.vcd" --size 720

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" = 0 ]
