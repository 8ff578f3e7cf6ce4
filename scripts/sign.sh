#!/usr/bin/env bash
# Test-signs drivers for a Windows machine in test-signing mode: makes, once, a
# self-signed code-signing certificate and its key with openssl (kept out of
# the repository, in the certificate directory), then signs a copy of each
# driver with osslsigncode (Authenticode, SHA-256; osslsigncode also sets the
# image checksum). The copy keeps the driver's name, since the kernel binds
# TrelBoard.sys by name; the original is left as it is.
#
#   scripts/sign.sh [--cert-dir DIR] [--out-dir DIR] [FILE.sys...]
#
# FILE.sys defaults to build/win/TrelBoard.sys. --out-dir defaults to a
# directory signed/ beside each driver. --cert-dir defaults to $TREL_SIGN_DIR,
# else ~/.cache/trelboard/test-signing; it holds TrelBoardTest.key (the private
# key), TrelBoardTest.pem (the certificate, for osslsigncode verify -CAfile) and
# TrelBoardTest.cer (the same in DER, to import on the Windows machine).
# $OSSLSIGNCODE names another osslsigncode to use.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cert_dir=${TREL_SIGN_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/trelboard/test-signing}
out_dir=
files=()
while [ $# -gt 0 ]; do
  case "$1" in
    --cert-dir) cert_dir=$2; shift 2 ;;
    --out-dir) out_dir=$2; shift 2 ;;
    -h|--help) sed -n '2,/^set -euo/{/^#/s/^# \{0,1\}//p}' "$0"; exit 0 ;;
    -*) echo "sign.sh: unknown option $1" >&2; exit 2 ;;
    *) files+=("$1"); shift ;;
  esac
done
[ ${#files[@]} -gt 0 ] || files=("$repo/build/win/TrelBoard.sys")
osslsigncode=${OSSLSIGNCODE:-osslsigncode}

key=$cert_dir/TrelBoardTest.key
cert=$cert_dir/TrelBoardTest.pem
if [ ! -f "$key" ] || [ ! -f "$cert" ]; then
  mkdir -p "$cert_dir"
  (umask 077 && openssl req -x509 -newkey rsa:3072 -sha256 -days 3650 -nodes \
     -subj "/CN=TrelBoard Test Signing" \
     -addext "basicConstraints=critical,CA:FALSE" \
     -addext "keyUsage=critical,digitalSignature" \
     -addext "extendedKeyUsage=codeSigning" \
     -keyout "$key.new" -out "$cert.new" 2>/dev/null)
  mv "$key.new" "$key" && mv "$cert.new" "$cert"
  openssl x509 -in "$cert" -outform der -out "$cert_dir/TrelBoardTest.cer"
  echo "made test certificate $cert"
fi

for sys in "${files[@]}"; do
  [ -f "$sys" ] || { echo "sign.sh: $sys: no such driver" >&2; exit 1; }
  dir=${out_dir:-$(dirname "$sys")/signed}
  mkdir -p "$dir"
  signed=$dir/$(basename "$sys")
  rm -f "$signed"
  "$osslsigncode" sign -certs "$cert" -key "$key" -h sha256 -n "TrelBoard test build" \
    -in "$sys" -out "$signed" >/dev/null
  echo "signed $signed"
done
