#!/usr/bin/env bash
# Fetches a database file written by Access itself, for the test that reads
# one with the program's reading layer: Debian's mrtg-contrib package ships
# Monitor.mdb (Jet 4, table Monitor_Authenticate) among its examples.
#
# Usage: scripts/fetch-sample-mdb.sh DEST_DIR
# Leaves DEST_DIR/Monitor.mdb. Exits 0 without the file when the package
# cannot be downloaded (no network, no apt), so that the reading test skips.
set -u
dest=${1:?usage: $0 DEST_DIR}
mkdir -p "$dest"
target=$dest/Monitor.mdb
if [ -s "$target" ]; then
  exit 0
fi
work=$(mktemp -d "$dest/fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 0
if ! apt-get download mrtg-contrib >download.log 2>&1; then
  echo "fetch-sample-mdb: apt-get download mrtg-contrib failed; the sample file is not available:" >&2
  tail -n 3 download.log >&2
  exit 0
fi
deb=$(ls mrtg-contrib_*.deb 2>/dev/null | head -n 1)
if [ -z "$deb" ] || ! dpkg -x "$deb" unpacked; then
  echo "fetch-sample-mdb: cannot unpack the mrtg-contrib package" >&2
  exit 0
fi
src=unpacked/usr/share/doc/mrtg-contrib/examples/contrib/monitor/Monitor.mdb
if [ ! -f "$src" ]; then
  # Debian may ship it compressed.
  if [ -f "$src.gz" ]; then
    gzip -dc "$src.gz" >"$src"
  else
    echo "fetch-sample-mdb: the package holds no Monitor.mdb" >&2
    exit 0
  fi
fi
cp "$src" "$target.tmp" && mv "$target.tmp" "$target"
echo "fetch-sample-mdb: $target"
