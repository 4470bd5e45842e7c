#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR and checks the installed tree:
# the files are where they belong, no installed program or library points
# into the build tree, the desktop metadata validates, and programs of
# someone else's build against the installed libraries with pkg-config and
# with find_package(gardolink) and talk to the installed gardosim.
# Usage: install_tree.sh BUILD_DIR SOURCE_DIR PREFIX LIBDIR [CONSUMER_FLAGS]
# (CONSUMER_FLAGS: compiler and linker flags for the consumers, e.g. the
# sanitizers an instrumented build's libraries need.)
set -euo pipefail
build=$1 src=$2 prefix=$3 libdir=$4 consumer_flags=${5:-}
. "$(dirname "$0")/scratch.sh"

root=$scratch/root
DESTDIR=$root cmake --install "$build" >/dev/null
top=$root$prefix
lib=$top/$libdir

# The files, in the usual places; the reduced library in its own folder.
for f in bin/lumotool bin/gardosim \
         "$libdir/libserlink.so.5" "$libdir/libgardolink.so.5" "$libdir/libgardolink.so" \
         "$libdir/gardolink-reduced/libgardolink.so.5" "$libdir/gardolink-reduced/libgardolink.so" \
         include/serlink.h include/gardolink.h \
         "$libdir/pkgconfig/serlink.pc" "$libdir/pkgconfig/gardolink.pc" \
         "$libdir/cmake/gardolink/gardolink-config.cmake" \
         share/lumotool/Saeulenparameter.mdb share/lumotool/Fehlerdiagnose.mdb \
         share/applications/de.mavik.lumotool.desktop share/metainfo/de.mavik.lumotool.metainfo.xml \
         share/icons/hicolor/48x48/apps/lumotool.png share/icons/hicolor/scalable/apps/lumotool.svg \
         share/man/man1/lumotool.1.gz share/man/man1/gardosim.1.gz; do
  [ -e "$top/$f" ] || fail "not installed: $f"
done
# The two configurations really differ: the full one has Read_COM_Handle.
grep -qw Read_COM_Handle <<<"$(nm -D --defined-only "$lib/libgardolink.so.5")" \
  || fail "full gardolink lacks Read_COM_Handle"
if grep -qw Read_COM_Handle <<<"$(nm -D --defined-only "$lib/gardolink-reduced/libgardolink.so.5")"; then
  fail "the reduced gardolink in gardolink-reduced/ is the full one"
fi
[ "$(objdump -p "$lib/libserlink.so.5" | awk '$1 == "SONAME" { print $2 }')" = libserlink.so.5 ] \
  || fail "serlink SONAME"

# No RUNPATH or RPATH into the build tree (only $ORIGIN-relative ones).
while IFS= read -r -d '' f; do
  [[ $(file -b "$f") == ELF* ]] || continue
  paths=$(objdump -p "$f" | awk '$1 == "RUNPATH" || $1 == "RPATH" { print $2 }')
  for p in ${paths//:/ }; do
    case $p in '$ORIGIN'*) ;; *) fail "$f has the library path $p" ;; esac
  done
done < <(find "$root" -type f -print0)

if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$top/share/metainfo/de.mavik.lumotool.metainfo.xml" \
    || fail "appstreamcli rejects the metainfo file"
else
  echo "note: appstreamcli missing (Debian package appstream), metainfo not validated"
fi
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$top/share/applications/de.mavik.lumotool.desktop" || fail "desktop file"
fi

# Someone else's program, built against the installed tree only.
export PKG_CONFIG_LIBDIR=$lib/pkgconfig PKG_CONFIG_SYSROOT_DIR=$root
cc $consumer_flags -o "$scratch/read_ident_pc" "$src/tests/install/consumer/read_ident.c" \
   $(pkg-config --cflags --libs gardolink) || fail "build with pkg-config gardolink"
cmake -S "$src/tests/install/consumer" -B "$scratch/consumer" -DCMAKE_PREFIX_PATH="$top" \
      -DCMAKE_C_FLAGS="$consumer_flags" -DCMAKE_EXE_LINKER_FLAGS="$consumer_flags" >/dev/null \
  || fail "configure with find_package(gardolink)"
cmake --build "$scratch/consumer" >/dev/null || fail "build with find_package(gardolink)"

# The installed gardosim as COM7 of the ports folder $scratch/ports-STATION.
start_sim() {  # STATION
  ports=$scratch/ports-$1
  mkdir -p "$ports"
  rm -f "$scratch/sim.out"  # the poll below must see this run's first line
  LD_LIBRARY_PATH=$lib "$top/bin/gardosim" --port COM7 --ports-dir "$ports" --station "$1" \
    </dev/null >"$scratch/sim.out" 2>/dev/null &
  bg_pid=$!
  for _ in $(seq 200); do [ -s "$scratch/sim.out" ] && break; sleep 0.1; done
  [ -s "$scratch/sim.out" ] || fail "gardosim did not start"
}
stop_sim() { kill "$bg_pid"; wait "$bg_pid" 2>/dev/null || true; bg_pid=; }

# Runs the installed gardosim with a station byte and a program against it.
run_against_sim() {  # STATION PROGRAM LD_LIBRARY_PATH
  start_sim "$1"
  local out
  out=$(SERLINK_PORTS_DIR=$ports LD_LIBRARY_PATH=$3 "$2" COM7:) || fail "$2 against station $1"
  stop_sim
  [ "$out" = 0001234567 ] || fail "$2 read '$out'"
  echo "$(basename "$2") against station $1: $out"
}
run_against_sim 0xC1 "$scratch/read_ident_pc" "$lib"
run_against_sim 0xC1 "$scratch/consumer/read_ident_full" "$lib"
# Station 0xB1 answers the reduced library only: the private folder first.
run_against_sim 0xB1 "$scratch/consumer/read_ident_reduced" "$lib/gardolink-reduced:$lib"

# The nightly service and its timer: installed, enabled nowhere, valid for
# systemd, and the service's command collects both log files of the listed
# dispensers into logs/<date>/ of its state folder (run here with the list
# and the state folder in the scratch folder).
units=$top/lib/systemd/system
for u in lumotool-logs.service lumotool-logs.timer; do
  [ -e "$units/$u" ] || fail "not installed: lib/systemd/system/$u"
done
[ -z "$(find "$root" -path '*.wants/*')" ] || fail "a unit is enabled"
if command -v systemd-analyze >/dev/null; then
  verify=$(systemd-analyze verify --man=no "$units/lumotool-logs.service" "$units/lumotool-logs.timer" 2>&1) \
    || fail "systemd-analyze verify: $verify"
  [ -z "$verify" ] || fail "systemd-analyze verify: $verify"
fi
command=$(sed -n 's/^ExecStart=//p' "$units/lumotool-logs.service" | sed 's/%%/%/g; s/\$\$/$/g')
command=${command//"$prefix/bin/gardoctl"/"$top/bin/gardoctl"}
command=${command//\/etc\/lumotool\/dispensers/"$scratch/dispensers"}
printf '# the test station\n7   Zapfsaeule-7\n' >"$scratch/dispensers"
start_sim 0xC1
STATE_DIRECTORY=$scratch/state SERLINK_PORTS_DIR=$ports XDG_DATA_HOME=$scratch/data eval "$command" \
  || fail "the service's command: $command"
stop_sim
for side in L R; do
  f=$(find "$scratch/state/logs" -name "0001234567_$side.log")
  [ -n "$f" ] && [ "$(stat -c %s "$f")" -gt 3000 ] || fail "the service wrote no log file $side"
done
echo "service command OK: $(cd "$scratch/state" && find logs -type f | sort | tr '\n' ' ')"
echo "installed tree OK"
