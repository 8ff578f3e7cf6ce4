#!/usr/bin/env bash
# Runs check_json_schema.py with a Python that has the jsonschema validator
# (Debian's python3-jsonschema: /usr/bin/python3 first).
# Usage: check_json_schema.sh <schema> <trelhost command...>
set -uo pipefail
here=$(dirname "$0")
for python in /usr/bin/python3 python3; do
  if "$python" -c 'import jsonschema' 2>/dev/null; then
    exec "$python" "$here/check_json_schema.py" "$@"
  fi
done
echo "FAIL: no python3 with jsonschema (scripts/install-deps.sh installs python3-jsonschema)"
exit 1
