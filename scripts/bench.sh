#!/usr/bin/env bash
# Builds (if needed) and runs every benchmark program; each prints its own
# figures. Usage: scripts/bench.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
[ -d "$build" ] || "$here/scripts/setup.sh" "$build" -DLUMO_BUILD_BENCH=ON
cmake --build "$build" -j"$(nproc)" --target serlink_wait gardolink_read_bench trace_overhead_bench app_startup log_files_bench print_render fleet_logs_bench remote_line_bench
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 0700 "$XDG_RUNTIME_DIR"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
for b in serlink_wait gardolink_read_bench trace_overhead_bench app_startup log_files_bench print_render fleet_logs_bench remote_line_bench; do
  echo
  echo "== $b"
  "$build/bin/$b"
done
