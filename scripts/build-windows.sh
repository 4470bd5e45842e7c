#!/usr/bin/env bash
# lumotool for 64-bit Windows, cross-built on Debian with MinGW-w64.
#
# Everything that takes long is kept under a cache folder, so that a second
# run (or a run after an interruption) picks up where the last one stopped:
#   $CACHE/src      Debian source packages (apt-get source --download-only)
#   $CACHE/build/*  build folders of Qt and mdbtools (ninja resumes an
#                   interrupted build); the program's own is build-windows/ in
#                   the checkout, so that ccache finds its compiles again
#                   from any checkout (CCACHE_BASEDIR is the checkout)
#   $CACHE/qt6      qtbase (+ qtserialport) for Windows, installed
#   $CACHE/mdbtools mdbtools (libmdb, without glib) for Windows, installed
#   $CACHE/logs     one log per step
#   $CACHE/dist     the folder a technician copies, its zip and the setup program
# CACHE is $LUMO_WIN_CACHE or ~/.cache/lumotool-windows.
#
# Usage:
#   scripts/build-windows.sh sources     fetch and unpack the source packages
#   scripts/build-windows.sh qt          cross-build and install qtbase
#   scripts/build-windows.sh serialport  cross-build and install qtserialport
#   scripts/build-windows.sh mdbtools    cross-build and install libmdb
#   scripts/build-windows.sh app [DIR]   cross-build lumotool.exe, lumo-mdb.exe and
#                                        the two DLLs (default DIR: build-windows/ of
#                                        the checkout)
#   scripts/build-windows.sh dist [DIR]  lay out $CACHE/dist/lumotool, zip it and
#                                        make the setup program beside the zip
#   scripts/build-windows.sh setup       the setup program of the laid-out folder
#   scripts/build-windows.sh all         qt, mdbtools (left out when its source
#                                        cannot be had), app, dist
#   scripts/build-windows.sh check       exit 0 when the cached Qt is complete,
#                                        else print why and exit 1
#
# Every step that builds first installs the Debian packages it lacks (as
# root, or through sudo), as scripts/setup.sh does: g++-mingw-w64-x86-64
# (posix thread model), qt6-base-dev and qt6-base-dev-tools 6.4.2 (the host
# tools of the cross build: moc, rcc, uic), wine64 (the build runs its
# password table generator through Wine), cmake, ninja, ccache (used when
# present; LUMO_WIN_CCACHE=0 builds without it), xz, zip, nsis (the setup
# program) and autoconf, automake, libtool, gettext (its m4 macros), bison,
# flex, gawk, patch (mdbtools).
# The deb-src entries are made from the system's Debian sources in a
# private apt state folder ($CACHE/apt); mdbtools comes from the next
# Debian release's sources ($CACHE/apt-next), its tarball checked against
# the SHA-256 below.
#
# LUMO_WIN_QT_ARCHIVE names a tar.xz of a qt6/ folder made by the qt step
# (with FILE.sha256 beside it): when the cache holds no complete Qt, the qt
# step checks the archive's hash and unpacks it instead of building.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cache=${LUMO_WIN_CACHE:-$HOME/.cache/lumotool-windows}
src=$cache/src
logs=$cache/logs
qtprefix=$cache/qt6
app_build=$here/build-windows
mdbprefix=$cache/mdbtools
jobs=${LUMO_WIN_JOBS:-2}
triple=x86_64-w64-mingw32
toolchain=$here/cmake/mingw-w64-x86_64-posix.cmake
qt_version=6.4.2
# Host Qt of the same version: its moc, rcc and uic run during the cross build.
host_qt=${LUMO_HOST_QT:-/usr}

mkdir -p "$src" "$logs" "$cache/build"

# mdbtools 1.0.1 (Debian's source package 1.0.1-0.1): the orig tarball's
# SHA-256 as listed in the signed Sources index.
mdb_version=1.0.1
mdb_debian_version=1.0.1-0.1
mdb_sha256=750cbf793bf5b7e296fdc359124393a0aef89ee663b7741ba4b1ca2ce30b3b37

log() { echo "[$(date +%H:%M:%S)] $*"; }

# The Debian packages the steps need, installed when missing.
install_needs() {
  local packages=(g++-mingw-w64-x86-64 qt6-base-dev qt6-base-dev-tools wine64 cmake ninja-build
                  pkg-config make xz-utils zip nsis autoconf automake libtool gettext bison flex gawk patch)
  [ "${LUMO_WIN_CCACHE:-1}" = 0 ] || packages+=(ccache)
  local missing=() p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  log "installing: ${missing[*]}"
  local sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y \
    --no-install-recommends "${missing[@]}"
}

# The compiler launcher arguments of every CMake configure: ccache when it
# is there (and not switched off), else none.
launcher=()
set_launcher() {
  launcher=()
  if [ "${LUMO_WIN_CCACHE:-1}" != 0 ] && command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
}
set_launcher

# Runs a step's command with its output in $logs/NAME.log; on failure shows
# the log's end.
logged() {
  local name=$1; shift
  log "$name: $* (log: $logs/$name.log)"
  if ! "$@" >>"$logs/$name.log" 2>&1; then
    echo "FAILED: $name; last lines of $logs/$name.log:"
    tail -n 40 "$logs/$name.log"
    return 1
  fi
}

# apt-get source --download-only into $src. The deb-src entries are derived
# from the system's own Debian sources in a private apt state folder, so the
# system's apt configuration stays as it is. $1: the state folder's name,
# $2: the suite to use instead of the system's (empty: the system's own).
apt_src() {
  local name=$1 state=$cache/$1 suite=$2; shift 2
  local opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$state/sources"
              -o Dir::State::Lists="$state/lists" -o Dir::Cache="$state/cache")
  if [ ! -f "$state/updated" ]; then
    mkdir -p "$state/sources" "$state/lists/partial" "$state/cache/archives/partial"
    local f=/etc/apt/sources.list.d/debian.sources
    if [ -z "$suite" ]; then
      sed 's/^Types: deb$/Types: deb-src/' "$f" >"$state/sources/debian.sources"
    else
      # The main archive (the system's mirror), the one suite.
      local uri
      uri=$(awk '$1 == "URIs:" { print $2 }' "$f" 2>/dev/null | grep -v -- '-security' | head -n 1)
      printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n' \
        "${uri:-http://deb.debian.org/debian}" "$suite" /usr/share/keyrings/debian-archive-keyring.gpg \
        >"$state/sources/debian.sources"
    fi
    apt-get "${opts[@]}" update >"$logs/$name-update.log" 2>&1 && touch "$state/updated"
  fi
  (cd "$src" && apt-get "${opts[@]}" source --download-only "$@")
}

fetch_source() {
  local package=$1 dir=$2
  [ -d "$src/$dir" ] && return 0
  if ! ls "$src/${package}_"*.orig.tar.* >/dev/null 2>&1; then
    apt_src apt "" "$package" >>"$logs/apt-source.log" 2>&1 ||
      { echo "FAILED: apt-get source --download-only $package:"; grep -E '^(E|W):' "$logs/apt-source.log" | tail -n 4; return 1; }
  fi
  local tarball
  tarball=$(ls "$src/${package}_"*.orig.tar.* | head -n 1)
  log "unpacking $tarball"
  tar -C "$src" -xf "$tarball"
  [ -d "$src/$dir" ] || { echo "FAILED: $tarball did not hold $dir"; return 1; }
}

cmd_sources() {
  fetch_source qt6-base qtbase-everywhere-src-$qt_version
  fetch_source qt6-serialport qtserialport-everywhere-src-$qt_version || true
  fetch_mdbtools || true
}

check_host_qt() {
  local v
  v=$(sed -n 's/^set(PACKAGE_VERSION "\(.*\)")/\1/p' \
        "$host_qt/lib/$(uname -m)-linux-gnu/cmake/Qt6/Qt6ConfigVersionImpl.cmake" 2>/dev/null || true)
  [ "$v" = "$qt_version" ] ||
    { echo "FAILED: the host Qt must be $qt_version (qt6-base-dev, qt6-base-dev-tools), found '${v:-none}'"; return 1; }
}

# Qt 6.4.2 builds its DirectWrite font engine and font database into QtGui
# only together with Direct2D (src/gui/CMakeLists.txt), but PrintSupport and
# the windows platform plugin use them whenever DirectWrite is on: with
# Direct2D off they fail to link (undefined QWindowsFontEngineDirectWrite::
# createHFONT). Guard those uses the way QtGui guards the code; the paths
# are dead without the engine anyway.
patch_qtbase() {
  local dir=$src/qtbase-everywhere-src-$qt_version
  local f=$dir/src/printsupport/platform/windows/qprintengine_win.cpp
  grep -q 'QT_CONFIG(directwrite) && QT_CONFIG(direct2d)' "$f" ||
    sed -i 's/^#if QT_CONFIG(directwrite)$/#if QT_CONFIG(directwrite) \&\& QT_CONFIG(direct2d)/' "$f"
  f=$dir/src/plugins/platforms/windows/qwindowsintegration.cpp
  grep -q 'QT_CONFIG(directwrite3) && QT_CONFIG(direct2d)' "$f" ||
    sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' "$f"
}

# Unpacks a Qt made by this step earlier (a tar.xz holding the one folder
# qt6/) into $qtprefix, after checking its SHA-256 against FILE.sha256. The
# archive is unpacked beside the cache's qt6/ and renamed into place, so
# that an interrupted unpack never looks like a complete Qt; one unpack at
# a time (the tests may ask at once).
qt_from_archive() {
  local archive=$1
  [ -f "$archive" ] || { echo "FAILED: LUMO_WIN_QT_ARCHIVE names no file: $archive"; return 1; }
  [ -f "$archive.sha256" ] || { echo "FAILED: no $archive.sha256 beside the archive"; return 1; }
  exec 8>"$cache/qt6.lock"
  flock 8
  if cmd_check >/dev/null; then exec 8>&-; log "qt: installed in $qtprefix"; return 0; fi
  local want got
  want=$(awk 'NR == 1 { print $1 }' "$archive.sha256")
  got=$(sha256sum "$archive" | cut -d' ' -f1)
  [ -n "$want" ] && [ "$want" = "$got" ] ||
    { echo "FAILED: $archive has SHA-256 $got, $archive.sha256 says ${want:-nothing}"; return 1; }
  # Only qt6/ and below, no absolute paths, no "..", no links that lead out.
  local bad
  bad=$(tar -tvJf "$archive" | awk '{ name = $6; if (name !~ /^qt6(\/|$)/ || name ~ /(^|\/)\.\.(\/|$)/ ||
          ($1 ~ /^l/ && ($8 ~ /^\// || $8 ~ /(^|\/)\.\.(\/|$)/))) print name }' | head -n 3)
  [ -z "$bad" ] || { echo "FAILED: $archive holds more than a qt6/ folder: $bad"; return 1; }
  local tmp
  tmp=$(mktemp -d "$cache/qt6.unpack.XXXXXX")
  log "qt: unpacking $archive (SHA-256 checked) into $qtprefix"
  tar -C "$tmp" -xJf "$archive" --no-same-owner
  rm -rf "$qtprefix"
  mv "$tmp/qt6" "$qtprefix"
  rmdir "$tmp"
  exec 8>&-
  cmd_check
}

# A minimal shared qtbase: Core, Gui, Widgets, PrintSupport, Network; the
# windows and offscreen platform plugins; zlib, pcre2, freetype, harfbuzz,
# libpng and libjpeg from qtbase's own 3rdparty folder.
cmd_qt() {
  cmd_check >/dev/null && { log "qt: installed in $qtprefix"; return 0; }
  if [ -n "${LUMO_WIN_QT_ARCHIVE:-}" ]; then
    qt_from_archive "$LUMO_WIN_QT_ARCHIVE"
    return
  fi
  fetch_source qt6-base qtbase-everywhere-src-$qt_version
  check_host_qt
  patch_qtbase
  local build=$cache/build/qtbase
  # Debian's repacked source lacks src/3rdparty/wintab (tablet events) and,
  # without OpenGL, 6.4.2's windows plugin still needs dynamicgl switched off.
  local args=(-S "$src/qtbase-everywhere-src-$qt_version" -B "$build" -G Ninja
    -DCMAKE_TOOLCHAIN_FILE="$toolchain"
    -DQT_HOST_PATH="$host_qt"
    -DQT_HOST_PATH_CMAKE_DIR="$host_qt/lib/$(uname -m)-linux-gnu/cmake"
    -DCMAKE_INSTALL_PREFIX="$qtprefix"
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=ON
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_dynamicgl=OFF -DFEATURE_vulkan=OFF
    -DFEATURE_tabletevent=OFF
    -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_testlib=OFF
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
    -DFEATURE_ssl=OFF -DINPUT_openssl=no -DFEATURE_schannel=OFF
    -DFEATURE_icu=OFF -DFEATURE_glib=OFF -DFEATURE_zstd=OFF -DFEATURE_brotli=OFF
    -DFEATURE_direct2d=OFF -DFEATURE_sspi=OFF -DFEATURE_libproxy=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
    -DFEATURE_freetype=ON -DFEATURE_harfbuzz=ON
    "${launcher[@]}")
  # Configure again only when the options changed; ninja resumes the rest.
  if [ ! -f "$build/build.ninja" ] || [ "$(cat "$build/lumo-configure-args" 2>/dev/null)" != "${args[*]}" ]; then
    logged qt-configure cmake "${args[@]}"
    echo "${args[*]}" >"$build/lumo-configure-args"
  fi
  local start=$SECONDS
  logged qt-build nice -n 10 cmake --build "$build" -j"$jobs"
  log "qt: built in $(( (SECONDS - start) / 60 )) min this run"
  logged qt-install cmake --install "$build"
}

# qtserialport is not built: Debian's mirror answers 404 for its source, and
# lumotool's Windows build lists ports from the system's device map instead
# (lumotool/core/port_info_win.cpp). The step stays for a machine that has it.
cmd_serialport() {
  [ -f "$qtprefix/lib/cmake/Qt6SerialPort/Qt6SerialPortConfig.cmake" ] && { log "serialport: installed"; return 0; }
  fetch_source qt6-serialport qtserialport-everywhere-src-$qt_version
  local build=$cache/build/qtserialport
  logged serialport-configure cmake -S "$src/qtserialport-everywhere-src-$qt_version" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$qtprefix/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$toolchain" -DQT_HOST_PATH="$host_qt" \
    -DCMAKE_INSTALL_PREFIX="$qtprefix" -DCMAKE_BUILD_TYPE=Release \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
  logged serialport-build nice -n 10 cmake --build "$build" -j"$jobs"
  logged serialport-install cmake --install "$build"
}

# mdbtools 1.0.1 from the next Debian release's sources (Debian 12's own
# 1.0.0 tarballs are not served). apt-get fetches the orig tarball and then
# fails on the .dsc, so the tarball is taken on its own SHA-256, never on
# apt's word.
fetch_mdbtools() {
  local dir=$src/mdbtools-$mdb_version tarball=$src/mdbtools_$mdb_version.orig.tar.gz
  [ -f "$dir/configure.ac" ] && return 0
  if [ ! -f "$tarball" ]; then
    log "mdbtools: fetching $mdb_debian_version from Debian's trixie sources"
    apt_src apt-next trixie "mdbtools=$mdb_debian_version" >>"$logs/apt-source.log" 2>&1 || true
  fi
  [ -f "$tarball" ] ||
    { echo "FAILED: no $(basename "$tarball"):"; grep -E '^(E|W):' "$logs/apt-source.log" | tail -n 4; return 1; }
  local got
  got=$(sha256sum "$tarball" | cut -d' ' -f1)
  if [ "$got" != "$mdb_sha256" ]; then
    echo "FAILED: $tarball has SHA-256 $got, expected $mdb_sha256 (removed)"
    rm -f "$tarball"
    return 1
  fi
  rm -rf "$dir" && tar -C "$src" -xzf "$tarball" --no-same-owner
  [ -f "$dir/configure.ac" ] || { echo "FAILED: $tarball did not hold mdbtools-$mdb_version"; return 1; }
}

# libmdb without glib (mdbtools' own small replacement) and without iconv,
# static, for the Access reader lumo-mdb.exe. Mends for MinGW: the header's
# locale type and the UTF-8 text on Windows (the patch in packaging/windows
# says why); and configure adds -D_spawnv=spawnv to CFLAGS for mingw, which
# breaks MinGW's process.h, so libmdb is made with CFLAGS of its own. (--without-unixodbc is not given:
# configure takes any value of it as a path and then demands odbcinst.)
cmd_mdbtools() {
  [ -f "$mdbprefix/lib/pkgconfig/libmdb.pc" ] && [ -f "$mdbprefix/lib/libmdb.a" ] &&
    { log "mdbtools: installed in $mdbprefix"; return 0; }
  fetch_mdbtools || return 1
  local build=$cache/build/mdbtools
  rm -rf "$build" && cp -a "$src/mdbtools-$mdb_version" "$build" || return 1
  (
    set -e
    cd "$build"
    logged mdbtools-patch patch -p1 -i "$here/packaging/windows/mdbtools-1.0.1-mingw.patch"
    [ -x configure ] || logged mdbtools-autoreconf autoreconf -fi
    logged mdbtools-configure ./configure --host=$triple --prefix="$mdbprefix" \
      --disable-glib --disable-shared --enable-static --disable-man --disable-iconv
    logged mdbtools-build nice -n 10 make -C src/libmdb -j"$jobs" CFLAGS="-O2 -Wall"
    logged mdbtools-install make -C src/libmdb install CFLAGS="-O2 -Wall"
    logged mdbtools-install make -C include install
    mkdir -p "$mdbprefix/lib/pkgconfig"
    cp libmdb.pc "$mdbprefix/lib/pkgconfig/"
  )
}

wine_loader() {
  local w=${LUMO_WINE:-$(command -v wine64 || echo /usr/lib/wine/wine64)}
  [ -x "$w" ] && echo "$w"
}

# The build runs one of its own programs (the password table generator):
# through Wine, with the MinGW runtime DLLs on Wine's PATH.
write_wine_runner() {
  local wine runner=$cache/wine-run
  wine=$(wine_loader) || { echo "FAILED: the build runs a Windows program and needs wine64"; return 1; }
  cat >"$runner" <<EOS
#!/bin/sh
export WINEPREFIX="$cache/wine-build" WINEDEBUG=-all DISPLAY= WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPATH="Z:$mingw_gcc_dir;Z:/usr/$triple/lib"
exec "$wine" "\$@"
EOS
  chmod +x "$runner"
  echo "$runner"
}

mingw_gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name 2>/dev/null || echo /usr/lib/gcc/$triple/12-posix/x)")

# lumotool.exe, gardoctl.exe, lumo-mdb.exe (with mdbtools), serlink.dll,
# gardolink.dll and the Wine test driver, against the cached Qt. The two
# DLLs carry their C/C++ runtime inside, as in the libraries' own Windows
# build (they export a C interface only); the programs share Qt's runtime
# DLLs.
cmd_app() {
  local build=${1:-$app_build}
  [ -f "$qtprefix/lib/cmake/Qt6/qt.toolchain.cmake" ] || { echo "FAILED: no Qt for Windows in $qtprefix (run: $0 qt)"; return 1; }
  # A build folder made for another checkout of the sources starts afresh
  # (ccache keeps the compiles).
  if [ -f "$build/CMakeCache.txt" ] && ! grep -qx "CMAKE_HOME_DIRECTORY:INTERNAL=$here" "$build/CMakeCache.txt"; then
    rm -rf "$build"
  fi
  local runner
  runner=$(write_wine_runner)
  # pkg-config must not offer the host's libmdb to the Windows build.
  export PKG_CONFIG_LIBDIR=$mdbprefix/lib/pkgconfig PKG_CONFIG_PATH=
  export CCACHE_BASEDIR=$here CCACHE_NOHASHDIR=true
  logged app-configure cmake -S "$here" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$qtprefix/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$toolchain" -DQT_HOST_PATH="$host_qt" \
    -DQT_HOST_PATH_CMAKE_DIR="$host_qt/lib/$(uname -m)-linux-gnu/cmake" \
    -DLUMO_WIN_PREFIXES="$mdbprefix" \
    -DCMAKE_USER_MAKE_RULES_OVERRIDE="$here/cmake/windows-dll-names.cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$runner" \
    -DCMAKE_SHARED_LINKER_FLAGS="-static-libgcc -static-libstdc++ -static" \
    -DCMAKE_BUILD_TYPE=Release -DLUMO_BUILD_GUI=ON -DLUMO_BUILD_TESTS=OFF -DLUMO_BUILD_BENCH=OFF \
    -DLUMO_BUILD_WINDOWS_AGENT=ON \
    "${launcher[@]}"
  local targets=(lumotool gardoctl serlink gardolink lumo_autopilot lumo_wincheck)
  grep -q '^lumo-mdb:' <(ninja -C "$build" -t targets all 2>/dev/null | sed 's/^bin\///') && targets+=(lumo-mdb)
  logged app-build nice -n 10 cmake --build "$build" -j"$jobs" --target "${targets[@]}"
  ls -l "$build"/bin/*.exe "$build"/bin/*.dll
}

# The folder a technician copies: the programs, the two libraries, Qt's
# DLLs and plugins, the MinGW runtime and the demo databases; and its zip.
cmd_dist() {
  local build=${1:-$app_build}
  local version
  version=$(sed -n 's/^project(lumotool VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
  local dist=$cache/dist/lumotool
  rm -rf "$dist" && mkdir -p "$dist"
  local f
  for f in lumotool.exe gardoctl.exe lumo-mdb.exe serlink.dll gardolink.dll; do
    [ -f "$build/bin/$f" ] && cp "$build/bin/$f" "$dist/"
  done
  [ -f "$dist/lumo-mdb.exe" ] || echo "NOTE: no lumo-mdb.exe (mdbtools for Windows missing): the Access lookups report the reader missing"
  for f in Core Gui Widgets PrintSupport Network; do cp "$qtprefix/bin/Qt6$f.dll" "$dist/"; done
  local plugins
  for plugins in platforms styles imageformats; do
    [ -d "$qtprefix/plugins/$plugins" ] && cp -r "$qtprefix/plugins/$plugins" "$dist/"
  done
  cp "$mingw_gcc_dir/libstdc++-6.dll" "$mingw_gcc_dir/libgcc_s_seh-1.dll" "/usr/$triple/lib/libwinpthread-1.dll" "$dist/"
  cp "$here/lumotool/resources/demo-db/Saeulenparameter.mdb" "$here/lumotool/resources/demo-db/Fehlerdiagnose.mdb" "$dist/"
  # Without their symbol tables the DLLs are a third of the size.
  find "$dist" \( -name '*.exe' -o -name '*.dll' \) -exec $triple-strip --strip-unneeded {} +
  # Every DLL a program or DLL of the folder imports is in the folder or
  # is one of Windows' own.
  local missing=0 dll file
  while IFS= read -r file; do
    for dll in $($triple-objdump -p "$file" | awk '/DLL Name:/ { print $3 }'); do
      case "${dll,,}" in
        qt6*|lib*|serlink.dll|gardolink.dll)
          if [ ! -f "$dist/$dll" ]; then echo "MISSING: $file needs $dll"; missing=1; fi ;;
      esac
    done
  done < <(find "$dist" -name '*.exe' -o -name '*.dll')
  [ $missing = 0 ] || return 1
  local zipfile=$cache/dist/lumotool-$version-windows-x86_64.zip
  rm -f "$zipfile"
  (cd "$cache/dist" && zip -qr "$zipfile" lumotool)
  log "dist: $dist ($(du -sh "$dist" | cut -f1)), $zipfile ($(du -h "$zipfile" | cut -f1))"
  cmd_setup
}

# A Windows icon file of PNG pictures (what Windows reads since Vista): the
# six-byte header, one 16-byte entry a picture, the pictures. $1: output,
# further: PNG files of at most 256 pixels square.
write_ico() {
  local out=$1; shift
  byte() { printf "\\$(printf '%03o' $(($1 & 255)))"; }
  le16() { byte "$1"; byte $(($1 >> 8)); }
  le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16)); }
  local offset=$((6 + 16 * $#)) png size
  {
    le16 0; le16 1; le16 $#
    for png in "$@"; do
      # Width and height from the PNG's IHDR (bytes 16 and 20, big-endian;
      # 256 is written as 0).
      byte "$(od -An -tu1 -j19 -N1 "$png")"
      byte "$(od -An -tu1 -j23 -N1 "$png")"
      byte 0; byte 0; le16 1; le16 32
      size=$(stat -c %s "$png")
      le32 "$size"; le32 "$offset"
      offset=$((offset + size))
    done
    cat "$@"
  } >"$out"
}

# The setup program lumotool-<version>-setup.exe beside the zip, made by
# makensis from the dist folder (packaging/windows/lumotool.nsi): the File
# and Delete lines come from the folder's contents.
cmd_setup() {
  local dist=$cache/dist/lumotool version
  version=$(sed -n 's/^project(lumotool VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
  [ -f "$dist/lumotool.exe" ] || { echo "FAILED: no $dist/lumotool.exe (run: $0 dist)"; return 1; }
  command -v makensis >/dev/null || { echo "FAILED: no makensis (package nsis)"; return 1; }
  local work=$cache/build/setup
  rm -rf "$work" && mkdir -p "$work"
  write_ico "$dist/lumotool.ico" "$here"/packaging/icons/lumotool_{16,32,48,256}.png
  local rel winrel dir
  : >"$work/files.nsh"
  : >"$work/unfiles.nsh"
  # Folders first, so that the Delete lines can be followed by RMDir
  # deepest first.
  while IFS= read -r rel; do
    winrel=${rel//\//\\}
    case "$rel" in
      Saeulenparameter.mdb|Fehlerdiagnose.mdb|lumotool.ico|lumo_autopilot.exe) continue ;;
    esac
    dir=$(dirname "$rel")
    if [ "$dir" = . ]; then
      printf 'SetOutPath "$INSTDIR"\nFile "%s\\%s"\n' "$dist" "$winrel" >>"$work/files.nsh"
    else
      printf 'SetOutPath "$INSTDIR\\%s"\nFile "%s\\%s"\n' "${dir//\//\\}" "$dist" "$winrel" >>"$work/files.nsh"
    fi
    printf 'Delete "$INSTDIR\\%s"\n' "$winrel" >>"$work/unfiles.nsh"
  done < <(cd "$dist" && find . -type f -printf '%P\n' | LC_ALL=C sort)
  while IFS= read -r rel; do
    printf 'RMDir "$INSTDIR\\%s"\n' "${rel//\//\\}" >>"$work/unfiles.nsh"
  done < <(cd "$dist" && find . -mindepth 1 -type d -printf '%P\n' | LC_ALL=C sort -r)
  local out=$cache/dist/lumotool-$version-setup.exe size_kb
  size_kb=$(du -sk "$dist" | cut -f1)
  rm -f "$out"
  logged setup makensis -V2 -DVERSION="$version" -DDIST="$dist" -DFILES="$work/files.nsh" \
    -DUNFILES="$work/unfiles.nsh" -DOUTFILE="$out" -DSIZE_KB="$size_kb" "$here/packaging/windows/lumotool.nsi"
  log "setup: $out ($(du -h "$out" | cut -f1))"
}

# Whether the cached Qt is complete enough for the program (the Wine tests
# ask this before they build anything).
cmd_check() {
  local f
  for f in lib/cmake/Qt6/qt.toolchain.cmake lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake \
           lib/cmake/Qt6PrintSupport/Qt6PrintSupportConfig.cmake lib/cmake/Qt6Network/Qt6NetworkConfig.cmake \
           bin/Qt6Widgets.dll plugins/platforms/qwindows.dll plugins/platforms/qoffscreen.dll; do
    [ -f "$qtprefix/$f" ] || { echo "no Qt for Windows in $qtprefix (missing $f; run scripts/build-windows.sh qt)"; return 1; }
  done
}

cmd_all() {
  local start=$SECONDS
  # The qt and mdbtools steps fetch the sources they build from (Qt's not
  # at all when the cache or LUMO_WIN_QT_ARCHIVE has one).
  cmd_qt
  cmd_mdbtools || echo "NOTE: mdbtools for Windows not built; lumo-mdb.exe is left out"
  cmd_app "$@"
  cmd_dist "$@"
  log "all: $(( (SECONDS - start) / 60 )) min"
}

main() {
  # Every step but check (which the tests ask often) first installs what is
  # missing.
  case "${1:-}" in
    sources|qt|serialport|mdbtools|app|dist|setup|all)
      install_needs
      set_launcher
      mingw_gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)") ;;
  esac
  case "${1:-}" in
    sources) cmd_sources ;;
    qt) cmd_qt ;;
    serialport) cmd_serialport ;;
    mdbtools) cmd_mdbtools ;;
    app) cmd_app "${2:-}" ;;
    dist) cmd_dist "${2:-}" ;;
    setup) cmd_setup ;;
    check) cmd_check ;;
    all) cmd_all "${@:2}" ;;
    *) sed -n '2,/^set -euo/p' "$0" | sed '$d'; exit 2 ;;
  esac
}

# The whole file is read before the first step runs (the script may be
# changed while a long build runs).
main "$@"; exit $?
