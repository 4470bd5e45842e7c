#!/usr/bin/env bash
# Builds the Debian packages with CPack, in build-package/ (or BUILD_DIR):
#   lumotool_<version>_<arch>.deb       the program and its libraries
#   gardosim_<version>_<arch>.deb       the simulator's command-line program
#   gardolink-dev_<version>_<arch>.deb  headers, pkg-config and CMake files
# then checks them with lintian (no errors allowed) and unpacks lumotool's
# to try the installed program. Usage: scripts/package.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-package}

"$here/scripts/setup.sh" "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DLUMO_BUILD_TESTS=OFF -DLUMO_BUILD_BENCH=OFF

# lintian checks the packages; it is needed only here.
if ! command -v lintian >/dev/null; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y \
    --no-install-recommends lintian
fi

cd "$build"
rm -f ./*.deb
cpack -G DEB
lintian --fail-on error ./*.deb
"$here/tests/install/package_test.sh" --deb "$(ls "$build"/lumotool_*.deb)"
echo "Packages:"
ls -l "$build"/*.deb
