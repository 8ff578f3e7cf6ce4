#!/usr/bin/env bash
# scripts/sign.sh as a driver engineer uses it: it makes a test certificate
# once (a second signing keeps it) and signs a copy of the driver, leaving the
# original as it was; osslsigncode verifies the copy against that certificate
# (SHA-256) and the copy still passes every image rule, its new checksum
# included. Verification is shown to mean something: another certificate, the
# unsigned driver and a signed copy with one byte changed are refused.
#   check_signed_driver.sh TrelBoard.sys WORKDIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
sys=$1 work=$2
fail() { echo "FAIL: $*"; exit 1; }
sign() { "$here/../scripts/sign.sh" --cert-dir "$work/cert" --out-dir "$work/signed" "$sys"; }
verify() { "${OSSLSIGNCODE:-osslsigncode}" verify -in "$1" -CAfile "$2" 2>&1; }
digest() { sha256sum <"$1"; }

rm -rf "$work" && mkdir -p "$work"
original=$(digest "$sys")
sign
cert=$work/cert/TrelBoardTest.pem signed=$work/signed/$(basename "$sys")
made=$(digest "$cert")
sign
[ "$(digest "$cert")" = "$made" ] || fail "a second signing made a new certificate"
[ "$(digest "$sys")" = "$original" ] || fail "signing changed $sys"
[ -s "$work/cert/TrelBoardTest.cer" ] || fail "no DER certificate to import on Windows"

out=$(verify "$signed" "$cert") || fail "osslsigncode refuses the signed copy: $out"
grep -qE 'Message digest algorithm *: SHA256' <<<"$out" || fail "not signed with SHA-256: $out"
python3 "$here/check_pe_image.py" "$signed" || fail "the signed copy breaks an image rule"

openssl req -x509 -newkey rsa:2048 -sha256 -days 30 -nodes -subj "/CN=Not TrelBoard" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/other.key" -out "$work/other.pem" 2>/dev/null
if verify "$signed" "$work/other.pem" >/dev/null; then fail "verified against a certificate that did not sign it"; fi
if verify "$sys" "$cert" >/dev/null; then fail "the unsigned driver verifies"; fi
python3 - "$signed" "$work/tampered.sys" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
data[0x400] ^= 0xFF  # first byte of the code
open(sys.argv[2], "wb").write(data)
PY
if verify "$work/tampered.sys" "$cert" >/dev/null; then fail "a signed copy with a changed byte verifies"; fi
echo "ok: $(basename "$sys") signed (SHA-256) and verified against $cert; refused: other certificate, unsigned, tampered"
