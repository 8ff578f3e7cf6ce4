#!/usr/bin/env bash
# Every example of the README's trelhost section runs as written: each line of
# a ```sh block there that starts with "trelhost " is run from the repository
# root with the built trelhost, and must exit 0, or N where the line ends with
# the comment "# exit N".
# Usage: check_readme_examples.sh <README.md> <trelhost>
set -uo pipefail
readme="$1"
trelhost="$2"
cd "$(dirname "$readme")" || exit 1
failures=0
checks=0
section=0
block=0
while IFS= read -r line; do
  case "$line" in
    "## trelhost"*) section=1; continue ;;
    "## "*) section=0; continue ;;
  esac
  [ "$section" -eq 1 ] || continue
  if [[ "$line" =~ ^\`\`\` ]]; then
    if [ "$block" -eq 0 ] && [ "$line" = '```sh' ]; then block=1; else block=0; fi
    continue
  fi
  [ "$block" -eq 1 ] && [[ "$line" == "trelhost "* ]] || continue
  expected=0
  if [[ "$line" =~ \#\ exit\ ([0-9]+)$ ]]; then expected=${BASH_REMATCH[1]}; fi
  checks=$((checks + 1))
  output=$(TRELHOST="$trelhost" bash -c 'trelhost() { "$TRELHOST" "$@"; }; '"$line" 2>&1)
  status=$?
  if [ "$status" != "$expected" ]; then
    failures=$((failures + 1))
    printf 'FAIL: %s\n  exit %s, expected %s\n%s\n' "$line" "$status" "$expected" "$(head -20 <<<"$output")"
  fi
done <"$readme"
[ "$checks" -gt 0 ] || { echo "FAIL: no trelhost example in $readme"; exit 1; }
echo "$((checks - failures)) passed, $failures failed: the README's trelhost examples"
[ "$failures" -eq 0 ]
