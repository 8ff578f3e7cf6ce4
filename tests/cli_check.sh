# The check of trelhost's command-line tests, sourced by them: `trelhost` is
# the array that runs it (an emulator first, where there is one).
failures=0
checks=0

# check EXIT PATTERN ARGS...: trelhost ARGS exits EXIT and its output (stdout
# and stderr, one line each) matches the extended regex PATTERN.
check() {
  local want="$1" pattern="$2" output status
  shift 2
  output=$("${trelhost[@]}" "$@" 2>&1 | tr -d '\r' | tr '\n' '~')
  status=${PIPESTATUS[0]}
  checks=$((checks + 1))
  if [ "$status" != "$want" ] || ! grep -Eq -- "$pattern" <<<"$output"; then
    failures=$((failures + 1))
    echo "FAIL: trelhost $* (exit $status, expected $want; output ${pattern@Q} expected)"
    tr '~' '\n' <<<"$output" | head -20
  fi
}
