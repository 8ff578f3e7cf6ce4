#!/usr/bin/env bash
# The README's picture of a waveform: the start of the Heron I session (its
# first set-up writes) as trelhost run --vcd draws it at 100 kHz, opened in
# PulseView with sigrok's I2C decoder on scl/sda and its UART decoder on
# step_name, on a virtual X display, screenshot and cropped to
# docs/waveform-heron-i.png. Installs pulseview, xvfb and imagemagick with
# apt-get when they are missing. Not part of the test command.
# Usage: scripts/waveform-picture.sh [build dir (default: build)]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
trelhost="$build/tools/trelhost/trelhost"
[ -x "$trelhost" ] || { echo "no trelhost in $build (build it first)"; exit 1; }

missing=()
for p in pulseview xvfb imagemagick; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$trelhost" run "Heron I" --vcd "$work/heron-i.vcd" --bus-clock 100k >/dev/null

# PulseView's session setup (.pvs, QSettings INI): two decode signals, their
# channels assigned by name and the UART's options; the main view at 0.22 us
# a pixel from the session's start.
# signal N NAME DECODER OPTIONS: a decode signal's group with its one decoder.
signal() { printf '\n[decode_signal%s]\nname=%s\ndecoders=1\ndecoder0\\id=%s\ndecoder0\\visible=true\ndecoder0\\options=%s\n' "$@"; }
# option N NAME TYPE BYTES...: a decoder option, a GVariant of that type
# serialised (little-endian), as QSettings keeps a byte array in its INI files.
option() {
  printf 'decoder0\\option%s\\name=%s\ndecoder0\\option%s\\type=%s\ndecoder0\\option%s\\value="@ByteArray(' "$1" "$2" "$1" "$3" "$1"
  shift 3
  for b in "$@"; do printf '\\x%02x' "$b"; done
  printf ')"\n'
}
# channels NAME=SIGNAL...: the decoder's channels in order, each assigned a signal (or none).
channels() {
  printf 'channels=%s\n' $#
  local n=0
  for c in "$@"; do
    printf 'channel%s\\name=%s\nchannel%s\\initial_pin_state=0\nchannel%s\\assigned_signal_name=%s\n' \
      "$n" "${c%%=*}" "$n" "$n" "${c#*=}"
    n=$((n + 1))
  done
}
baud=2500000  # 25 times the 100 kHz bus clock
{
  printf '[General]\ndecode_signals=2\nviews=1\n'
  signal 0 I2C i2c 0
  channels SCL=scl SDA=sda
  signal 1 "Operation (UART)" uart 3
  option 0 baudrate x $((baud & 0xFF)) $((baud >> 8 & 0xFF)) $((baud >> 16 & 0xFF)) 0 0 0 0 0
  option 1 format s 0x61 0x73 0x63 0x69 0x69 0  # "ascii"
  option 2 rx_packet_delim x 10 0 0 0 0 0 0 0
  channels RX=step_name TX=
  printf '\n[view0]\nscale=2.2e-07\n'
} >"$work/heron-i.pvs"

export HOME="$work"  # PulseView's own settings and restored sessions stay out of the way
xvfb-run -n 97 -s "-screen 0 2000x900x24" bash -c '
  pulseview -c -i "$1/heron-i.vcd" -I vcd -s "$1/heron-i.pvs" -geometry 2000x900+0+0 >/dev/null 2>&1 &
  viewer=$!
  sleep 12
  import -window root "$1/screen.png"
  kill "$viewer"
' _ "$work"
mkdir -p "$root/docs"
convert "$work/screen.png" -crop 2000x640+0+0 +repage -strip "$root/docs/waveform-heron-i.png"
echo "wrote docs/waveform-heron-i.png"
