#!/usr/bin/env bash
# Footprint of the board module: sizes by section class of libTrelBoard.so and
# TrelBoard.sys, and the writable data of the module by symbol.
#   footprint.sh LIBTRELBOARD_SO [TRELBOARD_SYS]          print the table
#   footprint.sh --check LIBTRELBOARD_SO TRELBOARD_SYS    also enforce the limits:
#     TrelBoard.sys (stripped, as linked) at most 36 KiB on disk; no writable
#     data in the module but the host services pointer, the camera stream
#     format tables and the 50 Hz flags.
# Code: executable sections. Constant: read-only data, relocated constant data
# (read-only once loaded), unwind tables. Writable: .data and .bss.
set -euo pipefail
check=0
if [ "${1:-}" = "--check" ]; then check=1; shift; fi
so="$1"
sys="${2:-}"
fail() { echo "FAIL: $*"; exit 1; }
[ -f "$so" ] || fail "$so not built"

# ELF: name size flags per allocated section.
elf_classes() {
  readelf -SW "$1" | awk '
    function hex(s,  i,n,c){n=0;s=tolower(s);for(i=1;i<=length(s);i++){c=index("0123456789abcdef",substr(s,i,1));n=n*16+c-1}return n}
    /^ *\[ *[0-9]+\]/ {
      sub(/^ *\[ *[0-9]+\] */, "");
      name=$1; size=hex($5); flags=$7;
      if (flags !~ /A/) next;
      if (flags ~ /X/) code+=size;
      else if (name==".data" || name==".bss" || name==".tbss" || name==".tdata") data+=size;
      else if (flags ~ /W/ && name!=".data.rel.ro" && name!=".dynamic" && name!=".got" && name!=".got.plt" && name!=".init_array" && name!=".fini_array") data+=size;
      else if (name==".rodata" || name==".data.rel.ro" || name==".eh_frame" || name==".eh_frame_hdr") rodata+=size;
      else other+=size;
    }
    END { printf "%d %d %d %d\n", code, rodata, data, other }'
}
# PE: .text code; .rdata/.pdata/.xdata constant; .data/.bss writable; the rest
# (import, export, relocation tables) loader data.
pe_classes() {
  x86_64-w64-mingw32-objdump -h "$1" | awk '
    function hex(s,  i,n,c){n=0;s=tolower(s);for(i=1;i<=length(s);i++){c=index("0123456789abcdef",substr(s,i,1));n=n*16+c-1}return n}
    /^ *[0-9]+ / { name=$2; size=hex($3);
      if (name==".text") code+=size;
      else if (name==".rdata" || name==".pdata" || name==".xdata") rodata+=size;
      else if (name==".data" || name==".bss") data+=size;
      else other+=size; }
    END { printf "%d %d %d %d\n", code, rodata, data, other }'
}

printf '| Binary | File bytes | Code | Constant data | Writable data | Loader tables |\n'
printf '|---|---:|---:|---:|---:|---:|\n'
read -r c r d o < <(elf_classes "$so")
stripped=$(mktemp); trap 'rm -f "$stripped"' EXIT
strip -o "$stripped" "$so"
printf '| libTrelBoard.so (stripped) | %d | %d | %d | %d | %d |\n' "$(stat -c %s "$stripped")" "$c" "$r" "$d" "$o"
if [ -n "$sys" ]; then
  [ -f "$sys" ] || fail "$sys not built"
  read -r c r d o < <(pe_classes "$sys")
  sysbytes=$(stat -c %s "$sys")
  printf '| TrelBoard.sys | %d | %d | %d | %d | %d |\n' "$sysbytes" "$c" "$r" "$d" "$o"
fi

# The module's writable data, by symbol, from the unstripped ELF build (the
# same sources as the driver): name and size of every object in .data/.bss.
writable=$(objdump -t -C "$so" | awk '
  function hex(s,  i,n,c){n=0;s=tolower(s);for(i=1;i<=length(s);i++){c=index("0123456789abcdef",substr(s,i,1));n=n*16+c-1}return n}
  $4 == ".data" || $4 == ".bss" { if ($3 != "O") next; size=hex($5); $1=$2=$3=$4=$5=""; sub(/^ +/, ""); printf "%s\t%d\n", $0, size }' | sort)
echo
echo "Writable data of the module (.data, .bss):"
echo
echo "| Symbol | Bytes |"
echo "|---|---:|"
if [ -n "$writable" ]; then
  awk -F'\t' '{ printf "| `%s` | %d |\n", $1, $2 }' <<<"$writable"
fi

if [ "$check" = 1 ]; then
  [ -n "$sys" ] || fail "--check needs TrelBoard.sys"
  limit=$((36 * 1024))
  [ "$sysbytes" -le "$limit" ] || fail "TrelBoard.sys is $sysbytes bytes, limit $limit"
  # Exactly these: the host services pointer, the four camera boards' stream
  # format tables and their four 50 Hz flags.
  expected=$(printf '%s\n' trel::g_host \
    trel::g_wren50Hz trel::g_wrenII50Hz trel::g_swift50Hz trel::g_finch50Hz \
    trel::g_wrenTable trel::g_wrenIITable trel::g_swiftTable trel::g_finchTable | sort)
  names=$(cut -f1 <<<"$writable" | sed 's/(anonymous namespace):://g' | sort)
  if [ "$names" != "$expected" ]; then
    echo "writable data differs from the host pointer, stream format tables and 50 Hz flags:"
    diff <(echo "$expected") <(echo "$names") || true
    fail "unexpected writable data"
  fi
  echo
  echo "ok: TrelBoard.sys $sysbytes bytes (<= $limit); writable data is the host pointer, 4 stream format tables and 4 50 Hz flags"
fi
