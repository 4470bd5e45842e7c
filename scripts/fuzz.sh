#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs them:
#   transact_fuzz  the protocol transactions, for RUNS inputs (default one million);
#   mdb_fuzz       the Access database reading of the lumo-mdb helper, for
#                  MDB_RUNS inputs (default 300000), seeded with the lookup
#                  tests' fixtures. libmdb crashes on some damaged files (the
#                  program contains that in the helper process), so this run
#                  goes on past crashes and counts them; their inputs land in
#                  $build/mdb-crashes/.
# Usage: scripts/fuzz.sh [RUNS [MDB_RUNS]]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-1000000}
mdb_runs=${2:-300000}
build=${FUZZ_BUILD_DIR:-$here/build-fuzz}
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DLUMO_BUILD_FUZZ=ON -DLUMO_BUILD_GUI=OFF -DLUMO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target transact_fuzz mdb_fuzz mdb_fuzz_seeds
"$build/bin/transact_fuzz" -runs="$runs" -max_len=64 -print_final_stats=1

seeds=$build/mdb-seeds
corpus=$build/mdb-corpus
crashes=$build/mdb-crashes
rm -rf "$seeds"
mkdir -p "$seeds" "$corpus" "$crashes"
"$build/bin/mdb_fuzz_seeds" "$seeds"
# One worker process at a time, restarted after a crash; libmdb's warnings
# (stdout, stderr of the target) are silenced, leaks are libmdb's.
# Its exit status tells only that crashes were found; they are judged below.
stamp=$(mktemp)
"$build/bin/mdb_fuzz" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 -timeout=10 \
  -runs="$mdb_runs" -detect_leaks=0 -close_fd_mask=3 -artifact_prefix="$crashes/" \
  "$corpus" "$seeds" >"$build/mdb_fuzz.log" 2>&1 || true
if ! grep -E '^#[0-9]+: cov' "$build/mdb_fuzz.log" | tail -n 1; then
  echo "mdb_fuzz did not run; see $build/mdb_fuzz.log" >&2
  exit 1
fi
# Each new crash is replayed: one inside libmdb is what lumo-mdb contains;
# one without libmdb on the stack is a fault of our own reading code.
found=0
ours=0
while IFS= read -r input; do
  found=$((found + 1))
  report=$("$build/bin/mdb_fuzz" -detect_leaks=0 -timeout=10 "$input" 2>&1 || true)
  if ! grep -q 'in mdb_.*libmdb\.so' <<<"$report"; then
    echo "mdb_fuzz: crash outside libmdb: $input" >&2
    ours=$((ours + 1))
  fi
done < <(find "$crashes" -type f -newer "$stamp")
rm -f "$stamp"
echo "mdb_fuzz: $found new crashing input(s) in $crashes, $ours outside libmdb"
[ "$ours" -eq 0 ]
