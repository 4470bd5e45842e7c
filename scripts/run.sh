#!/usr/bin/env bash
# Installs what is missing, builds, and starts lumotool against the
# simulated controller (an in-process simulator entered as COM1).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" "$here/build" -DLUMO_BUILD_TESTS=OFF -DLUMO_BUILD_BENCH=OFF
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No desktop display found (DISPLAY/WAYLAND_DISPLAY unset): lumotool is a desktop program." >&2
  echo "Run this from a desktop session, or set QT_QPA_PLATFORM (e.g. vnc or offscreen)." >&2
  exit 1
fi
exec "$here/build/bin/lumotool" --simulator "$@"
