#!/usr/bin/env bash
# Prints the counter readings dialog on real CUPS queues and checks the
# result. Usage: scripts/cups-print-test.sh PATH/TO/print_probe
#
# Installs cups, printer-driver-cups-pdf and poppler-utils when they are
# missing, starts a private cupsd for this run (its own configuration and
# socket in a temporary folder; a system cupsd is left alone), and checks:
#   1. with no printer the dialog shows "Kein Drucker gefunden!" (stop icon);
#   2. with two PDF queues, the first in the list gets the job even though
#      the second is the default;
#   3. the PDF (one page, job name "Mavik-Gardo Zaehlerstaende"), rendered
#      at the printer's resolution, holds the window at margin (2P/7)/2
#      with the integer scale, pixel for pixel;
#   4. when Xvfb and openbox are installed, 2 and 3 again under X11 with a
#      window manager, where the picture includes frame and title bar.
# Exits 77 (skipped) when CUPS cannot be installed or started. Always stops
# its cupsd and removes its queues and files.
set -uo pipefail

probe=${1:?usage: $0 PATH/TO/print_probe}
skip() { echo "SKIPPED: $*"; exit 77; }
die() { echo "FAILED: $*"; exit 1; }

# ---- packages -------------------------------------------------------------
packages=(cups printer-driver-cups-pdf poppler-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo -n true 2>/dev/null || skip "not root and no password-less sudo: cannot run cupsd and lpadmin"
  sudo_cmd=(sudo -n)
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  command -v apt-get >/dev/null || skip "no apt-get to install ${missing[*]}"
  "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 update >/dev/null 2>&1
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y \
    --no-install-recommends "${missing[@]}" >/dev/null 2>&1 ||
    skip "cannot install ${missing[*]}"
fi
for tool in cupsd lpadmin lpstat pdftoppm; do
  command -v "$tool" >/dev/null || [ -x "/usr/sbin/$tool" ] || skip "$tool not found after installing"
done
PATH=$PATH:/usr/sbin
ppd=lsb/usr/cups-pdf/CUPS-PDF_opt.ppd
[ -e /usr/lib/cups/backend/cups-pdf ] || skip "the cups-pdf backend is missing"

# ---- private cupsd --------------------------------------------------------
work=$(mktemp -d /tmp/lumo-cups.XXXXXX)
chmod 0755 "$work"
queue_a=lumotest_a_$$
queue_b=lumotest_b_$$
cupsd_pid=
xvfb_pid=
wm_pid=
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  if [ -n "$cupsd_pid" ]; then
    "${sudo_cmd[@]}" env CUPS_SERVER="$work/cups.sock" lpadmin -x "$queue_a" 2>/dev/null
    "${sudo_cmd[@]}" env CUPS_SERVER="$work/cups.sock" lpadmin -x "$queue_b" 2>/dev/null
    "${sudo_cmd[@]}" kill -TERM "$cupsd_pid" 2>/dev/null
    for _ in $(seq 50); do "${sudo_cmd[@]}" kill -0 "$cupsd_pid" 2>/dev/null || break; sleep 0.1; done
    "${sudo_cmd[@]}" kill -KILL "$cupsd_pid" 2>/dev/null
  fi
  "${sudo_cmd[@]}" rm -f "/etc/cups/cups-pdf-$queue_a.conf" "/etc/cups/cups-pdf-$queue_b.conf"
  "${sudo_cmd[@]}" rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

mkdir -p "$work/spool" "$work/tmp" "$work/cache" "$work/state" "$work/log" "$work/out_a" "$work/out_b"
# Filters run as the lp user and need to write their temporary files.
chmod 1777 "$work/out_a" "$work/out_b" "$work/tmp"
cat >"$work/cupsd.conf" <<CONF
Listen $work/cups.sock
LogLevel warn
Browsing Off
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
cat >"$work/cups-files.conf" <<CONF
ServerRoot $work
RequestRoot $work/spool
TempDir $work/tmp
CacheDir $work/cache
StateDir $work/state
ErrorLog $work/log/error_log
AccessLog $work/log/access_log
PageLog $work/log/page_log
CONF
export CUPS_SERVER=$work/cups.sock

# No cupsd at all: the printer list is empty.
"$probe" noprinter || die "no cupsd: expected \"Kein Drucker gefunden!\" with the stop icon"
echo "ok: no print service -> \"Kein Drucker gefunden!\" (stop icon)"

"${sudo_cmd[@]}" bash -c "cupsd -f -c '$work/cupsd.conf' -s '$work/cups-files.conf' >'$work/log/cupsd.out' 2>&1 & echo \$! >'$work/cupsd.pid'"
cupsd_pid=$(cat "$work/cupsd.pid")
up=
for _ in $(seq 100); do
  lpstat -r 2>/dev/null | grep -q "is running" && { up=1; break; }
  sleep 0.1
done
[ -n "$up" ] || { cat "$work/log/cupsd.out" "$work/log/error_log" 2>/dev/null | tail -5; skip "cupsd did not start"; }
echo "ok: private cupsd running (pid $cupsd_pid, $CUPS_SERVER)"

# ---- 1. a print service without queues ------------------------------------
"$probe" noprinter || die "no queue: expected \"Kein Drucker gefunden!\" with the stop icon"
echo "ok: no queue -> \"Kein Drucker gefunden!\" (stop icon)"

# ---- 2. two queues, the second one the default -----------------------------
for q in a b; do
  name=lumotest_${q}_$$
  printf 'Out %s\nAnonDirName %s\nUserUMask 0000\nLog %s\n' "$work/out_$q" "$work/out_$q" "$work/log" |
    "${sudo_cmd[@]}" tee "/etc/cups/cups-pdf-$name.conf" >/dev/null
  "${sudo_cmd[@]}" env CUPS_SERVER="$CUPS_SERVER" lpadmin -p "$name" -v "cups-pdf:/$name" -m "$ppd" -E \
    2>/dev/null || die "lpadmin -p $name failed"
done
"${sudo_cmd[@]}" env CUPS_SERVER="$CUPS_SERVER" lpadmin -d "$queue_b" || die "lpadmin -d failed"
lpstat -d

# Prints the dialog once with the Qt platform given and checks the job.
# $1: a label for the output, $2: where the probe's files go.
print_and_check() {
  local label=$1 dir=$2 pdf= named= jobs_before
  mkdir -p "$dir"
  "${sudo_cmd[@]}" rm -f "$work"/out_a/*.pdf "$work"/out_b/*.pdf
  jobs_before=$(grep -c "Mavik-Gardo Zaehlerstaende" "$work/log/page_log" 2>/dev/null)
  "$probe" print "$dir" || die "$label: printing the dialog failed"
  sed "s/^/  /" "$dir/info.txt"
  grep -q "^printers $queue_a,$queue_b\$" "$dir/info.txt" || die "$label: queues not listed in the expected order"

  for _ in $(seq 300); do
    pdf=$(ls "$work"/out_a/*.pdf 2>/dev/null | head -n1)
    [ -n "$pdf" ] && break
    sleep 0.1
  done
  [ -n "$pdf" ] || { tail -20 "$work/log/error_log"; die "$label: no PDF from the first queue $queue_a"; }
  sleep 0.5
  ls "$work"/out_b/*.pdf >/dev/null 2>&1 && die "$label: the default queue $queue_b got a job as well"
  # LUMO_PRINT_KEEP=DIR keeps the PDF and the window picture for a look.
  if [ -n "${LUMO_PRINT_KEEP:-}" ]; then
    mkdir -p "$LUMO_PRINT_KEEP/$label" && cp "$pdf" "$dir/window.png" "$LUMO_PRINT_KEEP/$label/"
  fi
  echo "ok: $label: the first queue $queue_a got the job, not the default $queue_b ($(basename "$pdf"))"

  # The job's name as the page log records it.
  for _ in $(seq 50); do
    [ "$(grep -c "^$queue_a .* Mavik-Gardo Zaehlerstaende " "$work/log/page_log" 2>/dev/null)" -gt "${jobs_before:-0}" ] &&
      { named=1; break; }
    sleep 0.1
  done
  [ -n "$named" ] || { cat "$work/log/page_log" 2>/dev/null; die "$label: no job named \"Mavik-Gardo Zaehlerstaende\""; }
  echo "ok: $label: document name \"Mavik-Gardo Zaehlerstaende\""
  if command -v pdfinfo >/dev/null; then
    local pages
    pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
    [ "$pages" = 1 ] || die "$label: $pages pages, expected 1"
  fi

  # The page against the window, rendered at the printer's resolution; only
  # the part around the picture (a whole page at 1200 dpi would be 140
  # million pixels).
  info() { sed -n "s/^$1 //p" "$dir/info.txt"; }
  local res off_x off_y win_w win_h margin scale crop_x crop_y crop_w crop_h
  res=$(info resolution)
  read -r off_x off_y <<<"$(info offset)"
  read -r win_w win_h <<<"$(info window)"
  margin=$(info margin)
  scale=$(info scale)
  [ "${scale:-0}" -gt 0 ] || die "$label: scale 0: the window is too wide for the page"
  crop_x=$((off_x + margin - 20)); crop_y=$((off_y + margin - 20))
  crop_w=$((win_w * scale + 40)); crop_h=$((win_h * scale + 40))
  pdftoppm -r "$res" -x "$crop_x" -y "$crop_y" -W "$crop_w" -H "$crop_h" -png -singlefile "$pdf" "$dir/page" ||
    die "$label: pdftoppm failed"
  "$probe" compare "$dir" "$dir/page.png" "$crop_x" "$crop_y" ||
    die "$label: the printed page does not match the window"
  echo "ok: $label: margin, scale and pixels match the window"
}

# ---- 3. the page against the window, headless (client area) ----------------
QT_QPA_PLATFORM=offscreen print_and_check offscreen "$work/offscreen"

# ---- 4. under X11 with a window manager: frame and title bar included -------
# Only when Xvfb and openbox are installed (packages xvfb, openbox, xauth).
if command -v Xvfb >/dev/null && command -v openbox >/dev/null; then
  Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$work/xdisplay" >"$work/log/xvfb.out" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -s "$work/xdisplay" ] && break; sleep 0.1; done
  [ -s "$work/xdisplay" ] || die "Xvfb did not start"
  display=:$(cat "$work/xdisplay")
  DISPLAY=$display openbox --sm-disable >"$work/log/openbox.out" 2>&1 &
  wm_pid=$!
  sleep 1
  # Sanitizer builds: the session bus library that Qt's xcb platform loads
  # keeps a buffer to the end of the process; that is not ours to report.
  echo "leak:libdbus-1.so" >"$work/lsan.supp"
  DISPLAY=$display QT_QPA_PLATFORM=xcb LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$work/lsan.supp" \
    print_and_check x11 "$work/x11"
  read -r cw ch <<<"$(sed -n 's/^client //p' "$work/x11/info.txt")"
  read -r ww wh <<<"$(sed -n 's/^window //p' "$work/x11/info.txt")"
  [ "$wh" -gt "$ch" ] && [ "$ww" -ge "$cw" ] || die "x11: the picture has no title bar (window $ww x $wh, client $cw x $ch)"
  echo "ok: x11: the picture holds frame and title bar ($ww x $wh around a client area of $cw x $ch)"
else
  echo "note: Xvfb or openbox missing: the capture with frame and title bar was not printed"
fi
echo "PASSED"
