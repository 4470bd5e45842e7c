#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# Usage: scripts/test.sh            (normal build in build/)
#        scripts/test.sh --sanitize (address and undefined-behaviour sanitizers, in build-asan/)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" = "--sanitize" ]; then
  build=$here/build-asan
  "$here/scripts/setup.sh" "$build" -DLUMO_SANITIZE=address,undefined -DLUMO_BUILD_TESTS=ON -DLUMO_BUILD_BENCH=OFF
else
  build=$here/build
  "$here/scripts/setup.sh" "$build" -DLUMO_SANITIZE= -DLUMO_BUILD_TESTS=ON -DLUMO_BUILD_BENCH=ON
fi
# A short run of the fuzz targets (clang's libFuzzer): the protocol and the
# Access database reading; the long run is scripts/fuzz.sh with its defaults.
if [ "${1:-}" != "--sanitize" ]; then
  FUZZ_BUILD_DIR=$here/build-fuzz "$here/scripts/fuzz.sh" 200000 20000 2>&1 | tail -n 5
fi
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 0700 "$XDG_RUNTIME_DIR"
cd "$build"
ctest --output-on-failure -j2 --timeout 600
