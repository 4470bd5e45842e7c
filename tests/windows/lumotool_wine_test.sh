#!/usr/bin/env bash
# The Windows build of the program (scripts/build-windows.sh) under Wine,
# against the simulator on a pty that the test prefix maps as COM1.
#
#   lumotool_wine_test.sh build          cross-build the program against the cached
#                                        Qt for Windows and lay out the folder
#   lumotool_wine_test.sh start OUTDIR   start-up to the main dialog (login, port 1,
#                                        identification, first refresh): offscreen,
#                                        then on a display (Xvfb) with the system
#                                        menu's About entry and the window picture
#   lumotool_wine_test.sh logs OUTDIR    both log files written under Wine, compared
#                                        byte for byte with the Linux program's
#
# Environment (set by the ctest registration): WINEPREFIX and LUMO_WINE_PORTS
# (from "scripts/wine-test.sh prefix"), LUMO_WINE, LUMO_GARDOSIM and
# LUMO_GARDOCTL (the Linux programs), LUMO_PASSWORD_LIST.
# Exit status 77 with a "SKIPPED: reason" line when the cached Qt for Windows
# (or Wine, or the folder) is missing, so that a fresh machine's test run
# does not build Qt.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
cache=${LUMO_WIN_CACHE:-$HOME/.cache/lumotool-windows}
dist=$cache/dist/lumotool

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }

need_dist() {
  "$here/scripts/build-windows.sh" check >/dev/null || skip "$("$here/scripts/build-windows.sh" check)"
  [ -f "$dist/lumotool.exe" ] && [ -f "$dist/lumo_autopilot.exe" ] ||
    skip "no Windows build in $dist (the windows.lumotool_build test makes it)"
  [ -n "${LUMO_WINE:-}" ] && [ -x "$LUMO_WINE" ] || skip "no wine64 (package wine64)"
  [ -f "${WINEPREFIX:-}/system.reg" ] || skip "no Wine prefix (the windows.prefix test makes it)"
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
}

# The simulator as COM1 of the prefix, commands from the fifo $work/sim.in.
sim_pid=
start_sim() {
  local work=$1
  rm -f "$work/sim.in" && mkfifo "$work/sim.in"
  "$LUMO_GARDOSIM" --port COM1 --ports-dir "$LUMO_WINE_PORTS" <"$work/sim.in" >"$work/sim.out" 2>"$work/sim.err" &
  sim_pid=$!
  exec 7>"$work/sim.in"
  local i
  for i in $(seq 50); do [ -L "$LUMO_WINE_PORTS/COM1" ] && return 0; sleep 0.1; done
  fail "the simulator did not come up: $(cat "$work/sim.err")"
}
stop_sim() {
  [ -n "$sim_pid" ] || return 0
  echo quit >&7 || true
  exec 7>&-
  wait "$sim_pid" 2>/dev/null || true
  sim_pid=
}
trap stop_sim EXIT

first_password() {
  grep -v '^#' "${LUMO_PASSWORD_LIST:-$here/lumotool/resources/passwords.txt}" | head -n 1
}

cmd_build() {
  "$here/scripts/build-windows.sh" check >/dev/null || skip "$("$here/scripts/build-windows.sh" check)"
  "$here/scripts/build-windows.sh" app
  "$here/scripts/build-windows.sh" dist
  # The test driver goes beside the program, not into the technicians' zip.
  cp "$cache/build/app/bin/lumo_autopilot.exe" "$dist/"
}

# One start-up run; $1: Qt platform, $2: output file, further: driver
# options. Each run on a virtual display of its own: Qt's event dispatcher
# on Windows needs a (hidden) window for its timers even on the offscreen
# platform, and Wine creates no window at all without a display driver.
run_autopilot() {
  local platform=$1 out=$2; shift 2
  local launcher=(xvfb-run -a -s "-screen 0 1024x768x24")
  # Each run its own wineserver: Wine's desktop process keeps the display
  # it was started with.
  "$(dirname "$LUMO_WINE")/wineserver" -k 2>/dev/null || true
  # The platform as Qt's own option: QT_* variables do not reach the
  # Windows side here (neither through xvfb-run nor through Wine).
  (cd "$dist" && timeout 120 "${launcher[@]}" "$LUMO_WINE" lumo_autopilot.exe -platform "$platform" \
     --password "$(first_password)" --port 1 --out "Z:$out" "$@") || true
  "$(dirname "$LUMO_WINE")/wineserver" -k 2>/dev/null || true
  [ -f "$out" ] || fail "the driver wrote nothing ($platform)"
  sed "s/^/  $platform: /" "$out"
}

cmd_start() {
  need_dist
  command -v xvfb-run >/dev/null || skip "no xvfb-run (package xvfb): Wine makes no window without a display"
  local work=$1
  rm -rf "$work" && mkdir -p "$work"
  start_sim "$work"
  # An identification no other test uses, so that it can only have come
  # from this simulator: 0x075BCD15 = 123456789.
  echo "poke program 1680 21 205 91 7" >&7
  local expected=0123456789

  run_autopilot offscreen "$work/offscreen.txt"
  grep -qx "platform=offscreen" "$work/offscreen.txt" || fail "the offscreen platform was not used"
  grep -qx "ident=$expected" "$work/offscreen.txt" || fail "offscreen: the main dialog did not read ident $expected"
  ! grep -q '^message=' "$work/offscreen.txt" || fail "offscreen: a message box came up"

  # The windows platform: Wine's own windows, the real system menu, the
  # screen read of the window capture. Without a window manager on the
  # virtual display Wine draws the frames itself ("Managed" off), so the
  # picture has the title bar.
  "$LUMO_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
  run_autopilot windows "$work/windows.txt" --shot "Z:$work/main-dialog.png"
  grep -qx "platform=windows" "$work/windows.txt" || fail "the windows platform was not used"
  grep -qx "ident=$expected" "$work/windows.txt" || fail "windows: the main dialog did not read ident $expected"
  grep -q '^sysmenu.about=Inf&o über' "$work/windows.txt" || fail "windows: no About entry in the system menu"
  grep -qx 'about=shown' "$work/windows.txt" || fail "windows: the system menu entry did not open the About box"
  [ -s "$work/main-dialog.png" ] || fail "windows: no window picture"
  echo "ok: start-up to the main dialog under Wine read ident $expected (offscreen and windows)"
}

cmd_logs() {
  need_dist
  [ -x "${LUMO_GARDOCTL:-}" ] || skip "no Linux gardoctl to compare with"
  [ -f "$dist/gardoctl.exe" ] || skip "no gardoctl.exe in $dist"
  local work=$1
  rm -rf "$work" && mkdir -p "$work/linux" "$work/windows" "$work/home"
  start_sim "$work"
  # The same simulator, read by both: the Linux program first, then the
  # Windows one. Neither has a station file (a fresh home, a fresh prefix).
  HOME=$work/home XDG_DATA_HOME=$work/home/share SERLINK_PORTS_DIR=$LUMO_WINE_PORTS \
    "$LUMO_GARDOCTL" --port 1 logs --out "$work/linux" >"$work/linux.out" 2>&1 ||
    fail "Linux gardoctl logs: $(cat "$work/linux.out")"
  (cd "$dist" && timeout 300 "$LUMO_WINE" gardoctl.exe --port 1 logs --out "Z:$work/windows") \
    >"$work/windows.out" 2>&1 || fail "gardoctl.exe logs under Wine: $(cat "$work/windows.out")"
  local n=0 f
  for f in "$work/linux"/*.log; do
    [ -f "$work/windows/$(basename "$f")" ] || fail "Windows wrote no $(basename "$f") (it wrote: $(ls "$work/windows"))"
    cmp "$f" "$work/windows/$(basename "$f")" || fail "$(basename "$f") differs between Linux and Windows"
    n=$((n + 1))
  done
  [ "$n" = 2 ] || fail "expected two log files from Linux, found $n"
  echo "ok: both log files ($(cd "$work/linux" && ls | tr '\n' ' ')) are byte for byte the same under Wine"
}

case "${1:-}" in
  build) cmd_build ;;
  start) cmd_start "$2" ;;
  logs) cmd_logs "$2" ;;
  *) sed -n '2,19p' "$0"; exit 2 ;;
esac
