#!/usr/bin/env bash
# Checks the lumotool Debian package: unpacked into a scratch root, the
# installed lumotool prints its version and starts offscreen against its
# built-in simulator, with only the package's libraries (none of the build
# tree). Exit 77 (skip) when dpkg-deb is missing.
# Usage: package_test.sh BUILD_DIR       build the packages with cpack first
#        package_test.sh --deb DEB_FILE  check a package built before
set -euo pipefail
if ! command -v dpkg-deb >/dev/null; then
  echo "SKIP: dpkg-deb is missing (Debian package dpkg), the package cannot be unpacked"
  exit 77
fi
. "$(dirname "$0")/scratch.sh"

if [ "$1" = --deb ]; then
  deb=$2
else
  build=$1
  # The packages as scripts/package.sh makes them, below /usr.
  (cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/pkg" \
      -D CPACK_PACKAGING_INSTALL_PREFIX=/usr >"$scratch/cpack.log" 2>&1) \
    || { cat "$scratch/cpack.log"; fail "cpack"; }
  deb=$(ls "$scratch"/pkg/lumotool_*.deb)
fi
name=$(basename "$deb")
[[ $name =~ ^lumotool_[0-9.]+_[a-z0-9]+\.deb$ ]] || fail "package file name $name"
echo "package: $name"
dpkg-deb -f "$deb" Depends | tee "$scratch/depends"
grep -q 'libqt6widgets6' "$scratch/depends" || fail "no Qt dependency computed"
[ -z "$(dpkg-deb -c "$deb" | grep -E 'bin/gardosim$')" ] || fail "gardosim is in the lumotool package"

root=$scratch/root
dpkg-deb -x "$deb" "$root"
libdir=$(dirname "$(find "$root" -name 'libgardolink.so.5' -not -path '*gardolink-reduced*')")
# Only the package's libraries: the library folder of the unpacked root.
export LD_LIBRARY_PATH=$libdir
linked=$(ldd "$root/usr/bin/lumotool")
for l in libgardolink.so.5 libserlink.so.5; do
  grep -q "$l => $libdir/" <<<"$linked" || fail "$l not taken from the package"
done

version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/lumotool" --version)
echo "$version"
[[ $version =~ ^lumotool\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version printed '$version'"

# An offscreen start with the built-in simulator: it is up when it holds the
# single-instance lock (taken once Qt is running, before the login shows).
runtime=$scratch/run
mkdir -m 0700 "$runtime"
HOME=$scratch XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=offscreen \
  "$root/usr/bin/lumotool" --simulator >"$scratch/app.log" 2>&1 &
bg_pid=$!
for _ in $(seq 600); do
  compgen -G "$runtime/*.lock" >/dev/null && break
  kill -0 "$bg_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$bg_pid" 2>/dev/null || { cat "$scratch/app.log"; fail "lumotool ended at start"; }
compgen -G "$runtime/*.lock" >/dev/null || { cat "$scratch/app.log"; fail "lumotool did not come up"; }
grep -q 'simulated controller at COM1' "$scratch/app.log" || fail "no simulator"
echo "offscreen start OK: $(head -n 1 "$scratch/app.log")"
