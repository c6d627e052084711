#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Start-up and a Change against a real Wine prefix, checked with Wine's own tools: the
# game must see the read-only mark cleared, the new bytes under each slot's name (in
# whatever letter case the name has), and the backups as they were.
#   wineprefix_test.sh CHANGESESSION     (exits 77, skipped, where Wine is missing)
set -euo pipefail
session=$1
wine=$(command -v wine64 || ls /usr/lib/wine/wine64 2>/dev/null || true)
[[ -n $wine ]] || { echo "Wine is not installed: skipped"; exit 77; }

export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINEPREFIX=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
"$wine" wineboot --init >/dev/null 2>&1
run() { "$wine" cmd /c "$@" 2>/dev/null | tr -d '\r'; }

levels='C:\Program Files\Bullfrog\Populous\levels'
# The level files are made by cmd through Windows paths, from a batch file in the prefix.
{
    echo "mkdir \"$levels\""
    for level in 2080 2100 2120 2021; do
        for extension in dat hdr ver inf; do
            name="levl$level.$extension"
            [[ $level == 2080 ]] && name=${name^^} # the game's own files may be in capitals
            echo "echo level $level $extension> \"$levels\\$name\""
        done
    done
    for slot in 2080 2100 2120; do
        echo "attrib +r \"$levels\\levl$slot.*\""
    done
} | sed 's/$/\r/' >"$WINEPREFIX/drive_c/make-levels.bat"
run 'C:\make-levels.bat' >/dev/null
[[ $(run attrib "$levels\\levl2100.dat") == *" R "* ]] # read-only as the game sees it

log=$("$session")
echo "$log"
[[ $log == *"levl2021.dat copied to levl2080.dat"* && $log == *"levl2100.dat restored"* && $log != *FAILED* ]]
[[ $(grep -c 'backed up' <<<"$log") == 12 ]]

for extension in dat hdr ver inf; do
    # The read-only mark is gone, the slot holds level 2021, and its backup the original.
    [[ $(run attrib "$levels\\levl2080.$extension") != *" R "* ]]
    [[ $(run type "$levels\\levl2080.$extension") == "level 2021 $extension" ]]
    [[ $(run type "$levels\\copy of levl2080.$extension") == "level 2080 $extension" ]]
    [[ $(run type "$levels\\levl2100.$extension") == "level 2100 $extension" ]]
done
# Written to the existing entries: no second file beside the capitalised one.
[[ $(run dir /b "$levels\\levl2080.dat") == "LEVL2080.DAT" ]]
echo "Wine sees what the game needs."
