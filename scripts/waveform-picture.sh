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

# A GVariant's serialised bytes as QSettings keeps a byte array in its INI files.
bytes() { printf '"@ByteArray('; for b in "$@"; do printf '\\x%02x' "$b"; done; printf ')"'; }
# The UART's baud rate, 25 times the 100 kHz bus clock: an int64 ('x'), little-endian.
baud=2500000
baud_bytes=()
for ((i = 0; i < 8; i++)); do baud_bytes+=($(((baud >> (8 * i)) & 0xFF))); done

# PulseView's session setup (.pvs, QSettings INI): two decode signals, their
# channels assigned by name and the UART's options; the main view at 0.22 us a
# pixel from the session's start.
cat >"$work/heron-i.pvs" <<EOF
[General]
decode_signals=2
views=1

[decode_signal0]
name=I2C
decoders=1
decoder0\\id=i2c
decoder0\\visible=true
decoder0\\options=0
channels=2
channel0\\name=SCL
channel0\\initial_pin_state=0
channel0\\assigned_signal_name=scl
channel1\\name=SDA
channel1\\initial_pin_state=0
channel1\\assigned_signal_name=sda

[decode_signal1]
name=Operation (UART)
decoders=1
decoder0\\id=uart
decoder0\\visible=true
decoder0\\options=3
decoder0\\option0\\name=baudrate
decoder0\\option0\\type=x
decoder0\\option0\\value=$(bytes "${baud_bytes[@]}")
decoder0\\option1\\name=format
decoder0\\option1\\type=s
decoder0\\option1\\value=$(bytes 0x61 0x73 0x63 0x69 0x69 0)
decoder0\\option2\\name=rx_packet_delim
decoder0\\option2\\type=x
decoder0\\option2\\value=$(bytes 10 0 0 0 0 0 0 0)
channels=2
channel0\\name=RX
channel0\\initial_pin_state=0
channel0\\assigned_signal_name=step_name
channel1\\name=TX
channel1\\initial_pin_state=0

[view0]
scale=2.2e-07
EOF

export HOME="$work"  # PulseView's own settings and restored sessions stay out of the way
xvfb-run -n 97 -s "-screen 0 2000x900x24" bash -c '
  pulseview -c -i "$1/heron-i.vcd" -I vcd -s "$1/heron-i.pvs" -geometry 2000x900+0+0 >/dev/null 2>&1 &
  viewer=$!
  sleep 12
  import -window root "$1/screen.png"
  kill "$viewer"
' _ "$work"
mkdir -p "$root/docs"
convert "$work/screen.png" -crop 2000x640+0+0 +repage "$root/docs/waveform-heron-i.png"
echo "wrote docs/waveform-heron-i.png"
