#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Starts Varnholt under Xvfb with the AT-SPI accessibility bus, in a home where the game
# is the GOG.com edition in ~/.wine, and lets a screen-reader client check what it finds.
#   screenreader_test.sh VARNHOLT       (exits 77, skipped, where the tools are missing)
set -euo pipefail
program=$1
here=$(dirname "$0")
for tool in xvfb-run dbus-run-session /usr/libexec/at-spi-bus-launcher; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: skipped"; exit 77; }
done
/usr/bin/python3 -c "import pyatspi" 2>/dev/null || { echo "pyatspi is missing: skipped"; exit 77; }

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
demo=$("$here/../../tools/make-demo-prefix" "$home/demo")
mkdir -p "$home/.wine/dosdevices" "$home/.wine/drive_c/GOG Games/Populous - The Beginning"
ln -s ../drive_c "$home/.wine/dosdevices/c:"
mv "$demo" "$home/.wine/drive_c/GOG Games/Populous - The Beginning/levels"
unset WINEPREFIX
export HOME=$home LEVELS="$home/.wine/drive_c/GOG Games/Populous - The Beginning/levels"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 PROGRAM=$program CHECK=$here/screenreader_check.py
xvfb-run -a -s "-screen 0 1024x768x24" dbus-run-session -- bash -c '
    /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
    QT_QPA_PLATFORM=xcb "$PROGRAM" >/dev/null 2>&1 &
    program=$!
    status=0
    timeout 60 /usr/bin/python3 "$CHECK" 2>&1 || status=$?
    kill "$program" 2>/dev/null || true
    exit "$status"
' 2>/dev/null
