#!/usr/bin/env bash
# Takes a picture of every window into docs/screenshots/ (German) or
# docs/screenshots/en/ (English): the program against the simulated
# controller under Xvfb with openbox for the title bars.
#   scripts/screenshots.sh [de|en] [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
language=${1:-de}
build=${2:-$here/build}
out=$here/docs/screenshots
[ "$language" = de ] || out=$out/$language
shots=$build/bin/lumo_window_shots
[ -x "$shots" ] || { echo "no $shots: build with -DLUMO_BUILD_TESTS=ON"; exit 1; }
mkdir -p "$out"
work=$(mktemp -d)
cleanup() {
  [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# A display number Xvfb picks itself.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
sleep 1
# The log files the log window writes go to the work folder.
(cd "$work" && QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work "$shots" "$out" --language "$language")
