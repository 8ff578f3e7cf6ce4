#!/usr/bin/env bash
# The camera boards' stream format table is built at memory speed: each
# GetStreamFormatTable takes under five times the platform's memset of the
# same 43,952 bytes, the quickest batch of each of the alternating ones trelhost cost
# --memory-speed times (the report gives the figure; the loose bound keeps a
# loaded machine from failing the test). Usage: check_memory_speed.sh TRELHOST
set -euo pipefail
rows=$("$@" cost --memory-speed --tsv)
awk -F'\t' -v limit=5 '
  NR > 1 && $2 == "GetStreamFormatTable" {
    ++tables
    if ($7 + 0 <= 0 || $7 + 0 >= limit) { printf "FAIL: %s GetStreamFormatTable takes %s times memset of %s bytes (limit %s)\n", $1, $7, $4, limit; bad = 1 }
    else printf "ok: %s GetStreamFormatTable %s times memset\n", $1, $7
  }
  END { if (tables < 4) { printf "FAIL: %d stream format tables timed, expected the four camera boards\n", tables; bad = 1 }
        exit bad }' <<<"$rows"
