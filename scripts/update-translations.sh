#!/usr/bin/env bash
# Brings the English catalogue up to date with the sources: new texts come
# in unfinished (translate them, e.g. with Qt Linguist or by hand), texts
# the sources no longer have are dropped. The build compiles the catalogue;
# the test translations_complete fails while an entry is unfinished.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
lupdate=${LUPDATE:-/usr/lib/qt6/bin/lupdate}
"$lupdate" -locations none -no-obsolete -extensions cpp,h -source-language de -target-language en -I "$here/lumotool" \
  "$here/lumotool" -ts "$here/translations/lumotool_en.ts"
