#!/usr/bin/env bash
# Windows builds of the libraries, checked from Linux: a MinGW-w64 cross-build,
# their export tables, and a Wine prefix in which the Windows build talks to
# the simulator over a pseudo-terminal mapped as COM1.
#
# Usage:
#   scripts/wine-test.sh build   BUILD_DIR            cross-build serlink, both gardolink
#                                                     configurations and the test agent
#   scripts/wine-test.sh exports BUILD_DIR            check the three export tables
#   scripts/wine-test.sh prefix  PREFIX_DIR PORTS_DIR make a fresh Wine prefix whose
#                                                     COM ports point into PORTS_DIR
#   scripts/wine-test.sh stop    PREFIX_DIR           end the prefix's wineserver
#   scripts/wine-test.sh all     [NATIVE_BUILD_DIR]   all of the above, then the Wine tests
#                                                     (wine_serial_tests from the native build)
#
# Exit status 77 means "skipped" (the tool that is needed is not installed);
# the reason is printed on a line starting with "SKIPPED:".
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
arch=${LUMO_MINGW_ARCH:-x86_64}

skip() { echo "SKIPPED: $*"; exit 77; }

find_wine() {
  # Debian's wine64 package puts the loader in /usr/lib/wine without a
  # wrapper on PATH unless the "wine" package is installed too.
  local w
  for w in "${LUMO_WINE:-}" "$(command -v wine64 || true)" /usr/lib/wine/wine64 "$(command -v wine || true)"; do
    if [ -n "$w" ] && [ -x "$w" ]; then echo "$w"; return 0; fi
  done
  return 1
}

find_wineserver() {
  local w
  for w in "$(command -v wineserver || true)" /usr/lib/wine/wineserver; do
    if [ -n "$w" ] && [ -x "$w" ]; then echo "$w"; return 0; fi
  done
  return 1
}

cmd_build() {
  local build=$1
  command -v "$arch-w64-mingw32-g++" >/dev/null || skip "no $arch-w64-mingw32-g++ (package g++-mingw-w64-${arch//_/-})"
  cmake -S "$here" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" -DLUMO_MINGW_ARCH="$arch" \
    -DLUMO_BUILD_GUI=OFF -DLUMO_BUILD_TESTS=OFF -DLUMO_BUILD_BENCH=OFF -DLUMO_BUILD_WINDOWS_AGENT=ON >/dev/null
  cmake --build "$build" -j2 --target serlink gardolink gardolink_reduced lumo_winagent
  ls -l "$build/bin/serlink.dll" "$build/bin/gardolink.dll" "$build/reduced/gardolink.dll" \
        "$build/bin/lumo_winagent.exe" "$build/reduced/lumo_winagent.exe"
}

# The names in a DLL's export name table, one a line, sorted.
dll_exports() {
  "$arch-w64-mingw32-objdump" -p "$1" | awk '
    /^\[Ordinal\/Name Pointer\] Table/ { inside = 1; next }
    inside && /^\t\[/ { print $NF; next }
    inside { inside = 0 }' | sort
}

check_exports() {
  local dll=$1; shift
  local expected actual
  expected=$(printf '%s\n' "$@" | sort)
  actual=$(dll_exports "$dll")
  if [ "$expected" != "$actual" ]; then
    echo "FAIL: exports of $dll differ from the expected $# names (< expected, > actual):"
    diff <(echo "$expected") <(echo "$actual") || true
    return 1
  fi
  echo "ok: $dll exports exactly $# names"
}

cmd_exports() {
  local build=$1
  command -v "$arch-w64-mingw32-objdump" >/dev/null || skip "no $arch-w64-mingw32-objdump (package binutils-mingw-w64-${arch//_/-})"
  for f in bin/serlink.dll bin/gardolink.dll reduced/gardolink.dll; do
    [ -f "$build/$f" ] || skip "no cross-build in $build (run: $0 build $build)"
  done
  local reduced=(InitCommunication CloseCommunication Start Stop Apply_Program Activate_Test
    Retention AutoRun PKeys_State InputDebounds DST RemoteMode Read_Program Read_ProzessData
    Read_Clock Read_RemoteDisplay GetRemoteValues Write_Program Write_ProzessData Write_Clock
    Write_RemoteDisplay SetRemoteValues)
  local full=("${reduced[@]}" Change_Wait_Time Read_COM_Handle _Write_COM_Handle@4)
  local serlink=(Init_Serlink Exit_Serlink Get_COM_Handle Set_COM_Handle Set_Wait_Time
    IsDataAvailable IsBufferEmpty ReadByte WriteByte)
  local rc=0
  check_exports "$build/bin/gardolink.dll" "${full[@]}" || rc=1
  check_exports "$build/reduced/gardolink.dll" "${reduced[@]}" || rc=1
  check_exports "$build/bin/serlink.dll" "${serlink[@]}" || rc=1
  # Nothing but system DLLs (Winsock for remote lines) and serlink may be imported, or Wine (and a
  # Windows PC) would need the MinGW runtime DLLs beside the libraries.
  local dll imports
  for dll in "$build/bin/serlink.dll" "$build/bin/gardolink.dll" "$build/reduced/gardolink.dll"; do
    imports=$("$arch-w64-mingw32-objdump" -p "$dll" | awk '/DLL Name:/ { print tolower($3) }' |
              grep -vE '^(kernel32|msvcrt|user32|advapi32|ws2_32|serlink)\.dll$|^api-ms-win-' || true)
    if [ -n "$imports" ]; then
      echo "FAIL: $dll imports runtime DLLs: $imports"
      rc=1
    fi
  done
  return $rc
}

cmd_prefix() {
  local prefix=$1 ports=$2
  local wine wineserver
  wine=$(find_wine) || skip "no wine64 (package wine64)"
  wineserver=$(find_wineserver) || skip "no wineserver (package wine64)"
  export WINEPREFIX=$prefix WINEDEBUG=-all DISPLAY= WINEDLLOVERRIDES="mscoree,mshtml="
  # A fresh prefix every time; stop a server still running on an old one.
  # Wait until that server and its programs are gone: they may still write
  # into the prefix while it is being removed.
  if [ -d "$prefix" ]; then
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w 2>/dev/null || true
    rm -rf "$prefix" 2>/dev/null || { sleep 2; rm -rf "$prefix"; }
  fi
  mkdir -p "$ports"
  "$wine" wineboot -i >/dev/null 2>&1 || true
  "$wineserver" -w
  [ -f "$prefix/system.reg" ] || { echo "FAIL: wineboot made no prefix in $prefix"; return 1; }
  # COM ports go to links in the ports folder, which the tests point at the
  # simulator's pty. A link in dosdevices alone would not do: Wine rewrites
  # it from this key (or to /dev/ttyS*) at every start.
  local port
  for port in COM1 COM2 COM12; do
    "$wine" reg add 'HKLM\Software\Wine\Ports' /v "$port" /t REG_SZ /d "$ports/$port" /f >/dev/null 2>&1
  done
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w
  grep -q '"COM1"=' "$prefix/system.reg" || { echo "FAIL: the port mapping did not reach the registry"; return 1; }
  echo "ok: prefix $prefix, COM1/COM2/COM12 -> $ports/COMn"
}

cmd_stop() {
  local wineserver
  wineserver=$(find_wineserver) || exit 0
  WINEPREFIX=$1 "$wineserver" -k 2>/dev/null || true
}

cmd_all() {
  local native=${1:-$here/build}
  local build=$native/mingw-$arch prefix=$native/wine/prefix ports=$native/wine/ports
  cmd_build "$build"
  cmd_exports "$build"
  cmd_prefix "$prefix" "$ports"
  cmake --build "$native" -j2 --target wine_serial_tests
  local rc=0
  for config in full reduced; do
    LUMO_WIN_BUILD=$build WINEPREFIX=$prefix LUMO_WINE_PORTS=$ports LUMO_WINE=$(find_wine) \
      "$native/bin/wine_serial_tests" --config=$config || rc=$?
  done
  cmd_stop "$prefix"
  return $rc
}

case "${1:-}" in
  build) cmd_build "$2" ;;
  exports) cmd_exports "$2" ;;
  prefix) cmd_prefix "$2" "$3" ;;
  stop) cmd_stop "$2" ;;
  all) cmd_all "${2:-}" ;;
  *) sed -n '2,20p' "$0"; exit 2 ;;
esac
