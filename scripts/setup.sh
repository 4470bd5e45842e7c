#!/usr/bin/env bash
# Installs the Debian packages the project needs (only those missing) and
# configures and builds it. Usage: scripts/setup.sh [BUILD_DIR [extra cmake args...]]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

# Build: compiler, CMake, Ninja; Qt 6 Widgets for the program and Qt's
# serial port information for the port dialog's device list; GoogleTest for
# the tests; clang and its runtime for the fuzz target.
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev libgl-dev libgtest-dev libgmock-dev
          clang libclang-rt-14-dev)
# The English user interface: lrelease compiles the catalogue at build time,
# lupdate checks in a test that it matches the sources.
packages+=(qt6-l10n-tools)
# Access databases (libmdb) and mdbtools' command-line tools, which the tests
# use to check the test fixtures independently.
packages+=(mdbtools mdbtools-dev)
# Printing tests: a CUPS daemon with a PDF queue, and poppler to turn the PDF
# into an image; Xvfb and openbox to print a real window with its title bar.
packages+=(cups printer-driver-cups-pdf poppler-utils xvfb openbox xauth)
# Windows builds of the libraries and their tests under Wine.
packages+=(g++-mingw-w64-x86-64 wine64)
# The install and package tests: appstreamcli validates the AppStream file,
# desktop-file-validate the desktop entry, file finds the installed ELF
# files, dpkg-dev's dpkg-shlibdeps computes the package dependencies.
packages+=(appstream desktop-file-utils file dpkg-dev)
# Remote lines: two serial device servers the tests start on 127.0.0.1,
# ser2net and pyserial's RFC 2217 port manager.
packages+=(ser2net python3-serial)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y \
    --no-install-recommends "${missing[@]}"
fi

build=${1:-$here/build}
shift || true
cmake -S "$here" -B "$build" -G Ninja "$@"
cmake --build "$build" -j"$(nproc)"
