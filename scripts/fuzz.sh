#!/usr/bin/env bash
# Builds the libFuzzer target with clang and runs it for a number of inputs
# (default one million). Usage: scripts/fuzz.sh [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-1000000}
build=${FUZZ_BUILD_DIR:-$here/build-fuzz}
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DLUMO_BUILD_FUZZ=ON -DLUMO_BUILD_GUI=OFF -DLUMO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target transact_fuzz
"$build/bin/transact_fuzz" -runs="$runs" -max_len=64 -print_final_stats=1
