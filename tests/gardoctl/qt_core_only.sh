#!/bin/sh
# gardoctl runs where only Qt Core's runtime is installed (with Qt Serial
# Port, which lists the serial devices and needs Qt Core only): no library of
# the desktop (Qt Gui, Widgets, Print Support, D-Bus, Network, X11, OpenGL)
# may be among its dynamic dependencies, direct or indirect.
set -eu
deps=$(ldd "$1")
printf '%s\n' "$deps"
printf '%s\n' "$deps" | grep -q 'libQt6Core\.so' || { echo "FAIL: Qt Core not found among the dependencies"; exit 1; }
desktop=$(printf '%s\n' "$deps" | grep -E 'libQt6(Gui|Widgets|PrintSupport|DBus|Network|OpenGL)|libX11|libxcb|libEGL|libGL' || true)
if [ -n "$desktop" ]; then
  echo "FAIL: desktop libraries:"
  printf '%s\n' "$desktop"
  exit 1
fi
