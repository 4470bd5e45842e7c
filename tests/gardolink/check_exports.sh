#!/usr/bin/env bash
# Checks that a shared library exports exactly the expected function names.
# Usage: check_exports.sh LIBRARY NAME...
set -euo pipefail
lib=$1; shift
actual=$(nm -D --defined-only "$lib" | awk '$2 == "T" { print $3 }' | sort)
expected=$(printf '%s\n' "$@" | sort)
if [ "$actual" != "$expected" ]; then
  echo "exports of $lib differ from the expected list:"
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
echo "$lib exports exactly $# names"
