#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real varnholt.exe as a Windows player uses it, under Wine in a new prefix whose
# registry holds the game's key: it finds the game, takes its first backups, puts a level
# in through real key and mouse input, copies the byte-exact log out, puts the original
# back and ends through Exit; its command line prints to the console. It also takes the
# screenshots of both windows as Windows draws them.
#   windows_exe_test.sh VARNHOLT.EXE WINDOWDRIVER.EXE SCREENSHOT-FOLDER
# Exits 77 (skipped) without Wine or without an X display for Wine to draw on.
set -euo pipefail
exe=$1 driver=$2 screenshots=$3
wine=$(command -v wine64 || ls /usr/lib/wine/wine64 2>/dev/null || true)
[[ -n $wine ]] || { echo "Wine is not installed: skipped"; exit 77; }
[[ -n ${DISPLAY:-} ]] || { echo "no X display for Wine to draw on: skipped"; exit 77; }

export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINEPREFIX=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
"$wine" wineboot --init >/dev/null 2>&1
wineserver --wait
reg() { "$wine" reg add "$@" /f >/dev/null 2>&1; }
# One virtual desktop: Wine draws the windows' frames and manages them as Windows does.
reg 'HKCU\Software\Wine\Explorer' /v Desktop /d Default
reg 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768
reg 'HKCU\Control Panel\Desktop' /v FontSmoothing /d 2
reg 'HKCU\Control Panel\Desktop' /v FontSmoothingType /t REG_DWORD /d 2
# The game where the player put it, and its key as a 32-bit installer writes it.
reg 'HKLM\Software\Bullfrog Productions Ltd\Populous: The Beginning' /v InstallPath /d 'C:\Games\Populous' /reg:32
levels=$WINEPREFIX/drive_c/Games/Populous/levels
mkdir -p "$levels"
for level in 2080 2100 2120 2001; do
    for extension in dat hdr ver inf; do
        printf 'level %s %s\r\n' "$level" "$extension" >"$levels/levl$level.$extension"
    done
done

cp "$exe" "$WINEPREFIX/drive_c/varnholt.exe"
cp "$driver" "$WINEPREFIX/drive_c/windowdriver.exe"
drive() { "$wine" 'C:\windowdriver.exe' "$@"; }
fail() { echo "FAILED: $*" >&2; exit 1; }
# The program takes the input in its own time: what it does is waited for, up to 10 s.
eventually() {
    for _ in $(seq 50); do
        "$@" && return 0
        sleep 0.2
    done
    return 1
}
same_slot() { # SLOT-FILE-STEM OTHER-STEM: all four files equal
    for extension in dat hdr ver inf; do cmp -s "$levels/$1.$extension" "$levels/$2.$extension" || return 1; done
}

# The command line reaches the console it was started from.
listed=$("$wine" 'C:\varnholt.exe' --list-levels-folders 2>&1 | tr -d '\r')
[[ $listed == 'C:\Games\Populous\levels' ]] || fail "--list-levels-folders printed: $listed"
[[ $("$wine" 'C:\varnholt.exe' --help 2>&1) == *--levels-folder* ]] || fail "--help printed no options"

# What the clipboard holds after the log is selected and copied, as a player would.
copied_log() {
    drive click Varnholt 232 -155 # into the log
    drive keys Varnholt Ctrl+A Ctrl+C
    drive clipboard 'C:\log.txt'
    cat "$WINEPREFIX/drive_c/log.txt"
}
expected=$'Using the levels folder C:\\Games\\Populous\\levels\r\n'
for slot in 2120 2100 2080; do # the order start-up keeps
    for extension in inf hdr dat ver; do expected+="levl$slot.$extension multiplayer level backed up"$'\r\n'; done
done

"$wine" 'C:\varnholt.exe' 2>"$WINEPREFIX/stderr.txt" &
program=$!
drive wait Varnholt || fail "no main window"
eventually same_slot levl2080 'copy of levl2080' || fail "no backups of levl2080"
mkdir -p "$screenshots"

# Focus rests on the 2-player list: one level down is "1 - The Journey Begins".
drive keys Varnholt Down
drive click Varnholt 600 -130 # Change
expected+="levl2001.dat copied to levl2080.dat"$'\r\n'"levl2001.hdr copied to levl2080.hdr"$'\r\n'
expected+="levl2001.ver copied to levl2080.ver"$'\r\n'"levl2001.inf copied to levl2080.inf"$'\r\n'
for slot in 2100 2120; do
    for extension in dat hdr ver inf; do expected+="levl$slot.$extension restored"$'\r\n'; done
done
expected+=$(printf '%0.s-' {1..100})$'\r\n'
eventually same_slot levl2080 levl2001 || fail "levl2080 is not level 2001"
drive shot Varnholt 'C:\main-window.png' # before the log is selected to copy it
copied_log >"$WINEPREFIX/log-copied.txt"
printf '%s' "$expected" >"$WINEPREFIX/log-expected.txt"
cmp -s "$WINEPREFIX/log-expected.txt" "$WINEPREFIX/log-copied.txt" ||
    fail "the log differs: $(diff <(cat -A "$WINEPREFIX/log-expected.txt") <(cat -A "$WINEPREFIX/log-copied.txt"))"

drive click Varnholt 15 8 # the About menu entry
drive wait 'About Varnholt' || fail "no About window"
drive shot 'About Varnholt' 'C:\about-window.png'
drive keys 'About Varnholt' Return
drive gone 'About Varnholt' || fail "About did not close"

# Back to the original map: the 2-player list clicked open, closed again, one level up.
drive click Varnholt 116 -262
drive keys Varnholt Esc Up
drive click Varnholt 600 -130
eventually same_slot levl2080 'copy of levl2080' || fail "levl2080 not restored"

drive click Varnholt 508 -130 # Exit
wait "$program" || fail "the program ended with status $?"
[[ ! -s $WINEPREFIX/stderr.txt ]] || fail "standard error: $(cat "$WINEPREFIX/stderr.txt")"
cp "$WINEPREFIX/drive_c/main-window.png" "$WINEPREFIX/drive_c/about-window.png" "$screenshots/"
echo "varnholt.exe works under Wine as a player uses it; screenshots in $screenshots"
