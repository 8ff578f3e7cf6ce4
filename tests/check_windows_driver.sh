#!/usr/bin/env bash
# TrelBoard.sys as the Windows kernel loads it and memory integrity (HVCI)
# accepts it: valid checksum, native subsystem, NX, no writable code, sections
# on pages, relocations, no TLS, exactly the three exports, and imports exactly
# DbgPrint, ExAllocatePoolWithTag and ExFreePoolWithTag from ntoskrnl.exe. The
# rules live in check_pe_image.py.
set -euo pipefail
[ -f "$1" ] || { echo "FAIL: $1 not built"; exit 1; }
exec python3 "$(dirname "$0")/check_pe_image.py" "$1"
