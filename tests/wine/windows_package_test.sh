#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The zip a Windows player downloads: the program, its README, licence and docs, and no
# DLL; the program imports only Windows' own DLLs, and starts under Wine in a new prefix
# with no game in it, where it says so before its window opens.
#   windows_package_test.sh ZIP WINDOWDRIVER.EXE
# Exits 77 (skipped) when the zip has not been made, or without Wine or an X display.
set -euo pipefail
zip=$1 driver=$2
[[ -f $zip ]] || { echo "$zip is not made yet (cpack -G ZIP): skipped"; exit 77; }
wine=$(command -v wine64 || ls /usr/lib/wine/wine64 2>/dev/null || true)
[[ -n $wine && -n ${DISPLAY:-} ]] || { echo "no Wine or no X display: skipped"; exit 77; }
fail() { echo "FAILED: $*" >&2; exit 1; }

export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINEPREFIX=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
mkdir -p "$WINEPREFIX/unzipped"
(cd "$WINEPREFIX/unzipped" && cmake -E tar xf "$zip")
top=$(ls "$WINEPREFIX/unzipped")
contents=$(cd "$WINEPREFIX/unzipped/$top" && find . -maxdepth 1 | sort | tr '\n' ' ')
[[ $contents == ". ./LICENSE ./README.md ./docs ./varnholt.exe " ]] || fail "the zip holds: $contents"
[[ -z $(find "$WINEPREFIX/unzipped" -iname '*.dll') ]] || fail "the zip holds DLLs"
exe=$WINEPREFIX/unzipped/$top/varnholt.exe

# Windows' own DLLs only: nothing of Qt, nor of the compiler's run-time.
imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z' | sort -u)
echo "varnholt.exe imports:" $imports
for dll in $imports; do
    case $dll in
    ADVAPI32.DLL | AUTHZ.DLL | COMDLG32.DLL | DWMAPI.DLL | GDI32.DLL | IMM32.DLL | KERNEL32.DLL | MSVCRT.DLL | NETAPI32.DLL | \
        OLE32.DLL | OLEAUT32.DLL | SETUPAPI.DLL | SHCORE.DLL | SHELL32.DLL | SHLWAPI.DLL | USER32.DLL | USERENV.DLL | UXTHEME.DLL | \
        VERSION.DLL | WINMM.DLL | WS2_32.DLL | WTSAPI32.DLL | D3D9.DLL | D3D11.DLL | DXGI.DLL | DWRITE.DLL | \
        OPENGL32.DLL | API-MS-WIN-*) ;;
    *) fail "varnholt.exe needs $dll, which Windows does not bring" ;;
    esac
done

"$wine" wineboot --init >/dev/null 2>&1
# One virtual desktop, on which Wine manages the windows as Windows does.
"$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
wineserver --wait
cp "$driver" "$WINEPREFIX/drive_c/windowdriver.exe"
drive() { "$wine" 'C:\windowdriver.exe' "$@"; }
[[ $("$wine" "$exe" --version | tr -d '\r') == "Varnholt "* ]] || fail "--version printed nothing"
"$wine" "$exe" 2>/dev/null &
program=$!
drive wait Varnholt || fail "no window"
# First the message that the game is not there, then the window, whose Exit (three Tabs
# from the first list, past the disabled Change) ends it.
# Input the program was not yet ready for is given again, a few times.
for _ in 1 2 3; do
    drive keys Varnholt Return || true
    sleep 1
    drive keys Varnholt Tab Tab Tab Space || true
    for _ in $(seq 25); do
        kill -0 "$program" 2>/dev/null || break 2
        sleep 0.2
    done
done
kill -0 "$program" 2>/dev/null && fail "Exit did not end the program"
wait "$program" || fail "the program ended with status $?"
echo "The zip holds one program that starts under Wine on a new prefix."
