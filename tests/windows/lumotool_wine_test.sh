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
#   lumotool_wine_test.sh mdb OUTDIR     lumo-mdb.exe's answers compared byte for byte
#                                        with the Linux reader's; damaged files through
#                                        the program's lookup under its time limit
#   lumotool_wine_test.sh setup OUTDIR   the setup program in a fresh prefix: silent
#                                        install, the installed program, Start-menu
#                                        link, uninstall entry, silent uninstall
#   lumotool_wine_test.sh station OUTDIR the station file's place on Windows and the
#                                        move from the Windows folder
#   lumotool_wine_test.sh ports OUTDIR   the port list from recorded device manager
#                                        values, and from Wine's own
#
# Environment (set by the ctest registration): WINEPREFIX and LUMO_WINE_PORTS
# (from "scripts/wine-test.sh prefix"), LUMO_WINE, LUMO_GARDOSIM,
# LUMO_GARDOCTL and LUMO_MDB (the Linux programs), LUMO_PASSWORD_LIST.
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
  # A Qt for Windows named by LUMO_WIN_QT_ARCHIVE fills an empty cache;
  # without one, an empty cache skips (building Qt takes most of an hour).
  if ! "$here/scripts/build-windows.sh" check >/dev/null; then
    [ -n "${LUMO_WIN_QT_ARCHIVE:-}" ] || skip "$("$here/scripts/build-windows.sh" check)"
    "$here/scripts/build-windows.sh" qt || fail "the Qt archive $LUMO_WIN_QT_ARCHIVE could not be used"
  fi
  "$here/scripts/build-windows.sh" mdbtools || echo "NOTE: no libmdb for Windows: lumo-mdb.exe is not built"
  "$here/scripts/build-windows.sh" app
  "$here/scripts/build-windows.sh" dist
  # The test drivers go beside the program, not into the zip or the setup.
  cp "$here/build-windows/bin/lumo_autopilot.exe" "$here/build-windows/bin/lumo_wincheck.exe" "$dist/"
}

# A run of the Windows console driver in the dist folder; $1: output file.
wincheck() {
  local out=$1; shift
  (cd "$dist" && timeout 120 "$LUMO_WINE" lumo_wincheck.exe "$@") >"$out" 2>"$out.err" ||
    fail "lumo_wincheck.exe $*: exit $? ($(tail -n 3 "$out.err"))"
}

cmd_mdb() {
  need_dist
  [ -f "$dist/lumo-mdb.exe" ] || fail "no lumo-mdb.exe in $dist (see the mdbtools step's log in $cache/logs)"
  [ -x "${LUMO_MDB:-}" ] || skip "no Linux lumo-mdb to compare with"
  local work=$1 demo=$here/lumotool/resources/demo-db
  rm -rf "$work" && mkdir -p "$work"
  # Rows with umlauts, names in another case, a key that is not there, a
  # table that is not there, a file that is not there.
  local cases=(
    "Saeulenparameter.mdb|Saeulenparameter|ID-Nummer|0001234567"
    "Saeulenparameter.mdb|Saeulenparameter|ID-Nummer|0000815001"
    "Saeulenparameter.mdb|saeulenparameter|id-nummer|0002004711"
    "Fehlerdiagnose.mdb|Fehlerdiagnose|Diag-Typ|1"
    "Fehlerdiagnose.mdb|Fehlerdiagnose|Diag-Typ|2"
    "Saeulenparameter.mdb|Saeulenparameter|ID-Nummer|9999999999"
    "Saeulenparameter.mdb|Keine|ID-Nummer|1"
    "Fehlt.mdb|Saeulenparameter|ID-Nummer|1")
  local i=0 c f
  for c in "${cases[@]}"; do
    IFS='|' read -r -a f <<<"$c"
    (cd "$demo" && "$LUMO_MDB" "${f[@]}") >"$work/linux.$i" || fail "Linux lumo-mdb ${f[*]}: exit $?"
    (cd "$dist" && timeout 120 "$LUMO_WINE" lumo-mdb.exe "${f[@]}") >"$work/windows.$i" 2>"$work/windows.$i.err" ||
      fail "lumo-mdb.exe ${f[*]}: exit $?"
    cmp "$work/linux.$i" "$work/windows.$i" || fail "lumo-mdb.exe ${f[*]} answers otherwise than on Linux"
    i=$((i + 1))
  done
  grep -q 'Industriestraße 12' "$work/linux.0" && grep -q 'Köln' "$work/linux.1" &&
    grep -q 'Zuleitung prüfen' "$work/linux.3" || fail "the Linux answers lack the umlaut rows"

  # Through the program's own lookup (lumo-mdb.exe started beside it, under
  # the time limit): a good row; the files that crash Debian 12's libmdb
  # 1.0.0 on Linux (1.0.1 reads them as damaged); and a reader that crashes
  # or never answers. Each must come back as a failed lookup with a text,
  # with no debugger started and no process of the prefix left behind.
  wincheck "$work/found.txt" lookup Saeulenparameter.mdb Saeulenparameter ID-Nummer 0001234567
  grep -qx 'status=Found' "$work/found.txt" && grep -qx 'value.2=Industriestraße 12' "$work/found.txt" ||
    fail "the lookup under Wine: $(cat "$work/found.txt")"
  local bad name
  for bad in "$here"/tests/station/crash-mdb/*.mdb crash hang; do
    name=$(basename "$bad")
    if [ -f "$bad" ]; then
      cp "$bad" "$dist/lumo-test-damaged.mdb"
      WINEDEBUG=err+seh wincheck "$work/$name.txt" lookup lumo-test-damaged.mdb Saeulenparameter ID-Nummer 0001234567
      rm -f "$dist/lumo-test-damaged.mdb"
      grep -Eqx 'status=(NotOpened|NoMatch|Failed)' "$work/$name.txt" || fail "$name: $(cat "$work/$name.txt")"
    else
      WINEDEBUG=err+seh wincheck "$work/$name.txt" lookup-with "$bad" Saeulenparameter.mdb Saeulenparameter ID-Nummer 0001234567
      grep -qx 'status=Failed' "$work/$name.txt" && grep -q '^error=.' "$work/$name.txt" ||
        fail "a reader that does $name: $(cat "$work/$name.txt")"
    fi
    ! grep -qi 'debugger' "$work/$name.txt.err" ||
      fail "$name: a debugger was started: $(grep -i debugger "$work/$name.txt.err" | head -n 2)"
    sed "s/^/  $name: /" "$work/$name.txt"
    timeout 60 "$(dirname "$LUMO_WINE")/wineserver" -w || fail "$name: processes of the prefix stayed behind"
  done
  echo "ok: lumo-mdb.exe answered ${#cases[@]} lookups byte for byte as on Linux; damaged files and a crashing or hanging reader failed cleanly"
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

# The setup program in a prefix of its own (a machine that never had the
# program): silent install into a given folder, the installed program's
# version, the Start-menu link, the uninstall entry; a station's own
# databases (one replaced, one added) and the station file survive the
# silent uninstall, everything else of the install goes.
cmd_setup() {
  need_dist
  local version setup
  version=$(sed -n 's/^project(lumotool VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
  setup=$cache/dist/lumotool-$version-setup.exe
  [ -f "$setup" ] || fail "no $setup (the windows.lumotool_build test makes it)"
  local work=$1
  rm -rf "$work" && mkdir -p "$work"
  export WINEPREFIX=$work/prefix
  local wineserver
  wineserver=$(dirname "$LUMO_WINE")/wineserver
  DISPLAY= timeout 300 "$LUMO_WINE" wineboot -i >"$work/wineboot.log" 2>&1 || fail "wineboot: $(tail -n 3 "$work/wineboot.log")"
  "$wineserver" -w
  local target=$WINEPREFIX/drive_c/Mavik/lumotool
  DISPLAY= timeout 300 "$LUMO_WINE" "Z:$setup" /S '/D=C:\Mavik\lumotool' >"$work/install.log" 2>&1 ||
    fail "silent install: exit $? ($(tail -n 3 "$work/install.log"))"
  "$wineserver" -w
  local f
  for f in lumotool.exe gardoctl.exe lumo-mdb.exe serlink.dll gardolink.dll Qt6Core.dll platforms/qwindows.dll \
           Saeulenparameter.mdb Fehlerdiagnose.mdb lumotool.ico uninstall.exe; do
    [ -f "$target/$f" ] || fail "the install lacks $f (it has: $(cd "$target" 2>/dev/null && ls | tr '\n' ' '))"
  done
  for f in lumo_autopilot.exe lumo_wincheck.exe; do
    [ ! -e "$target/$f" ] || fail "the install holds the test driver $f"
  done
  cmp "$dist/lumotool.exe" "$target/lumotool.exe" || fail "the installed lumotool.exe differs from the folder's"
  local got
  got=$(cd "$target" && DISPLAY= timeout 120 "$LUMO_WINE" lumotool.exe --version 2>/dev/null | tr -d '\r')
  [ "$got" = "lumotool $version" ] || fail "the installed lumotool.exe --version printed '$got'"
  local link
  link=$(find "$WINEPREFIX/drive_c" -name 'Mavik Lumo 05.lnk' | head -n 1)
  [ -n "$link" ] || fail "no Start-menu entry 'Mavik Lumo 05'"
  case "$link" in */Start\ Menu/Programs/*) ;; *) fail "the link is not in a Start menu: $link" ;; esac
  local key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Mavik-lumotool'
  "$LUMO_WINE" reg query "$key" >"$work/uninstall-entry.txt" 2>&1 || fail "no uninstall entry $key"
  tr -d '\r' <"$work/uninstall-entry.txt" >"$work/entry.txt"
  for f in "DisplayName.*Mavik Lumo 05" "DisplayVersion.*$version" "Publisher.*Mavik" \
           'DisplayIcon.*C:\\Mavik\\lumotool\\lumotool.ico' 'UninstallString.*uninstall.exe'; do
    grep -q "$f" "$work/entry.txt" || fail "the uninstall entry lacks $f: $(cat "$work/entry.txt")"
  done

  # A station's own files: a replaced parameter database, an added
  # database, the station file in the application data folder.
  cp "$here/tests/station/crash-mdb/bad-usage-map-row.mdb" "$target/Saeulenparameter.mdb"
  printf 'eigene' >"$target/Station2.mdb"
  local appdata
  appdata=$(find "$WINEPREFIX/drive_c/users" -maxdepth 3 -type d -path '*/AppData/Roaming' | head -n 1)
  mkdir -p "$appdata/Mavik" && printf '[ID-Nummer=1;]' >"$appdata/Mavik/MavikDatenbank.txt"
  DISPLAY= timeout 300 "$LUMO_WINE" 'C:\Mavik\lumotool\uninstall.exe' /S >"$work/uninstall.log" 2>&1 ||
    fail "silent uninstall: exit $? ($(tail -n 3 "$work/uninstall.log"))"
  "$wineserver" -w
  got=$(cd "$target" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort | tr '\n' ' ')
  [ "$got" = "Saeulenparameter.mdb Station2.mdb " ] || fail "after the uninstall the folder holds: $got"
  cmp "$here/tests/station/crash-mdb/bad-usage-map-row.mdb" "$target/Saeulenparameter.mdb" ||
    fail "the station's own database was changed"
  [ "$(cat "$appdata/Mavik/MavikDatenbank.txt")" = '[ID-Nummer=1;]' ] || fail "the station file was changed"
  [ ! -e "$link" ] || fail "the Start-menu link stayed: $link"
  ! "$LUMO_WINE" reg query "$key" >/dev/null 2>&1 || fail "the uninstall entry stayed"
  # The demo databases still as installed go with the rest.
  rm -f "$target"/*.mdb && rmdir "$target" || true
  echo "ok: setup /S installed $version (lumotool.exe --version, Start-menu link, uninstall entry); uninstall /S kept the station's files and removed the rest"
}

# The station file's place on Windows: %APPDATA%\Mavik\MavikDatenbank.txt.
# A file only in the Windows folder (where earlier versions kept it) is
# read from there, saved to the new place (the user is told), and left
# as it was.
cmd_station() {
  need_dist
  local work=$1
  rm -rf "$work" && mkdir -p "$work"
  local windir=$WINEPREFIX/drive_c/windows appdata
  appdata=$(find "$WINEPREFIX/drive_c/users" -maxdepth 3 -type d -path '*/AppData/Roaming' | head -n 1)
  [ -d "$appdata" ] || fail "no AppData/Roaming in the prefix"
  rm -rf "$appdata/Mavik"
  local old=$'\r\n[ID-Nummer=0000000123;\r\nTankstelle=T;\r\nStrasse=S;\r\nPLZ=P;\r\nOrt=K\xf6ln;\r\nZS-Marke=M;\r\nZS-Type=Y;\r\nZS-Bj=B;\r\nL-ZS-Nr=L;\r\nR-ZS-Nr=R;\r\nDiag-Typ=1;]\r\n'
  printf '%s' "$old" >"$windir/MavikDatenbank.txt"
  printf '%s' "$old" >"$work/old.expected"
  # The text as read, up to its last "]", with the change.
  local new=${old/K$'\xf6'ln/Bonn}
  printf '%s' "${new%$'\r\n'}" >"$work/new.expected"
  trap "rm -f '$windir/MavikDatenbank.txt'; stop_sim" EXIT
  wincheck "$work/first.txt" station 0000000123 Bonn
  sed 's/^/  first: /' "$work/first.txt"
  grep -q '^path=C:\\users\\.*\\AppData\\Roaming\\Mavik\\MavikDatenbank.txt$' "$work/first.txt" ||
    fail "the station file is not in %APPDATA%\\Mavik"
  grep -qi '^legacy=C:\\windows\\MavikDatenbank.txt$' "$work/first.txt" || fail "the old place is not the Windows folder"
  grep -qx 'read.ort=Köln' "$work/first.txt" || fail "the old file was not read"
  [ "$(grep -c '^message=' "$work/first.txt")" = 1 ] || fail "the move was not told once"
  cmp "$work/old.expected" "$windir/MavikDatenbank.txt" || fail "the old file was changed"
  cmp "$work/new.expected" "$appdata/Mavik/MavikDatenbank.txt" ||
    fail "the new file is not the old one with the change: $(od -c "$appdata/Mavik/MavikDatenbank.txt" | head -n 5)"
  # From now on the new file is read, without a message.
  wincheck "$work/second.txt" station 0000000123 Aachen
  grep -qx 'read.ort=Bonn' "$work/second.txt" && ! grep -q '^message=' "$work/second.txt" ||
    fail "the second run: $(cat "$work/second.txt")"
  rm -rf "$appdata/Mavik"
  echo "ok: the station file lives in %APPDATA%\\Mavik; the Windows folder's file was read once and saved there"
}

# The port dialog's list on Windows, from recorded device manager values
# (Wine has no USB serial devices) and from Wine's own ports.
cmd_ports() {
  need_dist
  local work=$1
  rm -rf "$work" && mkdir -p "$work"
  printf '%s\n' \
    $'COM3\tUSB Serial Port (COM3)\tFTDI\tFTDIBUS\\COMPORT&VID_0403&PID_6001\tFTDIBUS\\VID_0403+PID_6001+A12345A\\0000' \
    $'COM1\tKommunikationsanschluss (COM1)\t(Standardanschlusstypen)\tACPI\\PNP0501\tACPI\\PNP0501\\1' \
    $'COM12\tProlific USB-to-Serial Comm Port (COM12)\tProlific\tUSB\\VID_067B&PID_2303&REV_0300\tUSB\\VID_067B&PID_2303\\5&2A3B4C&0&1' \
    $'COM4\tUSB-SERIAL CH340 (COM4)\twch.cn\tUSB\\VID_1A86&PID_7523\tUSB\\VID_1A86&PID_7523\\SN0042' \
    $'LPT1\tDruckeranschluss (LPT1)\t(Standardanschlusstypen)\tACPI\\PNP0401\tACPI\\PNP0401\\0' \
    $'map\tCOM3' $'map\tCOM7' >"$work/recorded.txt"
  wincheck "$work/recorded.out" ports "Z:$work/recorded.txt"
  tr -d '\r' <"$work/recorded.out" >"$work/list.txt"
  local expected
  expected=$(printf '%s\n' 'list=Gefundene Schnittstellen:' 'COM1 = Kommunikationsanschluss (COM1)' \
    'COM3 = USB Serial Port (COM3), FTDI, A12345A' 'COM4 = USB-SERIAL CH340 (COM4), wch.cn, SN0042' \
    'COM7' 'COM12 = Prolific USB-to-Serial Comm Port (COM12), Prolific')
  [ "$(cat "$work/list.txt")" = "$expected" ] || fail "the list from recorded values: $(cat "$work/list.txt")"
  wincheck "$work/wine.out" ports
  sed 's/^/  Wine'"'"'s own: /' "$work/wine.out"
  grep -q '^list=' "$work/wine.out" || fail "no list from Wine's device manager"
  echo "ok: the port list names COM ports with friendly name, maker and USB serial number"

  # The Windows build carries the English catalogue: the display language
  # chooses (Wine's follows LANG), --language overrides it.
  local en de
  en=$(cd "$dist" && LANG=en_US.UTF-8 timeout 60 "$LUMO_WINE" gardoctl.exe --port COM9 --wait 100 ident 2>&1) || true
  de=$(cd "$dist" && LANG=en_US.UTF-8 timeout 60 "$LUMO_WINE" gardoctl.exe --language de --port COM9 --wait 100 ident \
    2>&1) || true
  [[ $en == *"Device COM9 does not exist."* ]] || fail "no English message under an English Windows: $en"
  [[ $de == *"COM9 ist nicht vorhanden."* ]] || fail "--language de did not choose German: $de"
  echo "ok: the messages in Windows' display language, or in the one --language names"
}

main() {
  case "${1:-}" in
    build) cmd_build ;;
    start) cmd_start "$2" ;;
    logs) cmd_logs "$2" ;;
    mdb) cmd_mdb "$2" ;;
    setup) cmd_setup "$2" ;;
    station) cmd_station "$2" ;;
    ports) cmd_ports "$2" ;;
    *) sed -n '2,30p' "$0"; exit 2 ;;
  esac
}

# The whole file is read before a step runs.
main "$@"; exit $?
