#!/bin/sh
# The English catalogue is complete and current: every text of the sources
# that goes through the translation system has a finished translation, and
# the catalogue keeps no text the sources no longer have.
#   ts_complete.sh SOURCE_DIR TS_FILE LUPDATE LRELEASE
set -eu
src=$1 ts=$2 lupdate=$3 lrelease=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The catalogue as committed compiles without an unfinished entry.
"$lrelease" "$ts" -qm "$work/as_is.qm" >"$work/lrelease.txt" 2>&1 || { cat "$work/lrelease.txt"; fail "lrelease failed"; }
cat "$work/lrelease.txt"
grep -Eq 'Generated [0-9]+ translation\(s\) \([0-9]+ finished and 0 unfinished\)' "$work/lrelease.txt" ||
  fail "the catalogue has unfinished entries"
grep -q 'Ignored [0-9]* untranslated' "$work/lrelease.txt" && fail "the catalogue has untranslated entries"

# The texts found in the sources now, merged into a copy of the catalogue:
# a new text comes in unfinished, a text gone from the sources as vanished.
cp "$ts" "$work/current.ts"
"$lupdate" -silent -locations none -extensions cpp,h -source-language de -target-language en -I "$src/lumotool" \
  "$src/lumotool" -ts "$work/current.ts" >"$work/lupdate.txt" 2>&1 || { cat "$work/lupdate.txt"; fail "lupdate failed"; }
# Silent, lupdate says something only about a text it cannot place (a
# tr() whose class it does not know gets the wrong context).
if [ -s "$work/lupdate.txt" ]; then cat "$work/lupdate.txt"; fail "lupdate could not place every text"; fi

sources=$(grep -c '<source>' "$work/current.ts" || true)
[ "$sources" -ge 50 ] || fail "lupdate found only $sources texts in $src/lumotool"
# The message blocks that carry a mark.
marked() { awk -v mark="$1" '/<message/{b=""} {b=b $0 "\n"} /<\/message>/{if (b ~ mark) printf "%s", b}' "$work/current.ts"; }
missing=$(marked 'type="unfinished"')
gone=$(marked 'type="(vanished|obsolete)"')
[ -z "$missing" ] || { echo "texts without a translation:"; echo "$missing"; }
[ -z "$gone" ] || { echo "texts the sources no longer have:"; echo "$gone"; }
[ -z "$missing$gone" ] || fail "the catalogue does not match the sources (run scripts/update-translations.sh)"
echo "ok: $sources texts, all translated"
