#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs a Windows program under Wine, in a throw-away prefix that is made on first use:
# the emulator through which CTest runs the Windows tests.
#   run-under-wine.sh PREFIX PROGRAM [ARGUMENT...]
set -eu
prefix=$1
shift
# Debian's wine64 alone, without the 32-bit loader, is not on the path.
wine=$(command -v wine64 || { test -x /usr/lib/wine/wine64 && echo /usr/lib/wine/wine64; } || command -v wine)
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINELOADER="$wine"

mkdir -p "$(dirname "$prefix")"
# Tests start in parallel: one makes the prefix while the others wait for it.
(
    flock 9
    if [ ! -e "$prefix/.made" ]; then
        if [ -e "$prefix/.making" ]; then
            # Half-made by a run that was stopped: made anew.
            wineserver --kill >/dev/null 2>&1 || true
            rm -rf "$prefix"
        elif [ -e "$prefix" ]; then
            echo "$prefix is no prefix made here for the tests: not touched" >&2
            exit 1
        fi
        mkdir "$prefix"
        touch "$prefix/.making"
        "$wine" wineboot --init >/dev/null 2>&1
        wineserver --wait
        # Windows drawn on one virtual desktop, whose frames and focus Wine manages itself
        # as Windows does, with no window manager needed on the X display.
        "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
        wineserver --wait
        mv "$prefix/.making" "$prefix/.made"
    fi
) 9>"$prefix.lock"

# The server and Wine's services, started here without the test's output: started by the
# test itself, they would hold that output open, and CTest would wait for them for as
# long as they linger.
wineserver --persistent=30 </dev/null >/dev/null 2>&1 || true
"$wine" wineboot </dev/null >/dev/null 2>&1 || true
exec "$wine" "$@"
