#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every kind of command line, with and without a display: its exit status and what it
# prints, each refusal one line and the usage line on standard error. The game lies in a
# Wine prefix whose path is not UTF-8 (Latin-1 "Jeux vidéo"), so every row also carries
# that path's bytes, and no row touches a file. A window that does open would wait for a
# player, so the table has no such row; the window tests cover it.
#   commandline_test.sh VARNHOLT
set -uo pipefail
program=$(realpath "$1")
scratch=$(mktemp -d)
trap 'chmod -R u+rwx "$scratch"; rm -rf "$scratch"' EXIT

prefix="$scratch/"$'Jeux vid\xe9o'"/prefix"
mkdir -p "$prefix/drive_c/Program Files/Bullfrog/Populous/levels" "$prefix/dosdevices" "$scratch/home" "$scratch/start"
ln -s ../drive_c "$prefix/dosdevices/c:"
levels="$prefix/drive_c/Program Files/Bullfrog/Populous/levels"
# How the listing and every message show it: its name is no UTF-8, so in the shell's quoting.
shown="\$'${levels//$'\xe9'/\\xe9}'"
for slot in 2080 2100 2120; do
    for extension in dat hdr ver inf; do echo "levl$slot.$extension" >"$levels/levl$slot.$extension"; done
done
snapshot() { find "$scratch" -printf '%p %y %s %m %T@ %l\n' | sort; }
before=$(snapshot)

usage='Usage: varnholt [--levels-folder FOLDER] [--list-levels-folders [--verbose | --null] | --show-slots | --help | --version]'
dash='(a folder whose name begins with a dash is given as --levels-folder=FOLDER)'
bare='is not an option; a levels folder is given with --levels-folder FOLDER'
nodisplay='varnholt: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not set); --list-levels-folders and --show-slots need none'
notbackedup="2080: the game's own map; not backed up yet"
failures=0

# row SETTING STATUS LINE ARGUMENT...: SETTING is the display (none, offscreen, or one
# that cannot be reached) and whether the game is there; LINE is the first line printed,
# on standard output for status 0, else on standard error.
row() {
    local setting=$1 status=$2 line=$3
    shift 3
    local -a environment=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$scratch/home" WINEPREFIX="$prefix")
    case $setting in
    *offscreen*) environment+=(QT_QPA_PLATFORM=offscreen) ;;
    *unreachable*) environment+=(DISPLAY=:32123) ;;
    esac
    [[ $setting == *"no game"* ]] && environment+=(WINEPREFIX="$scratch/none")
    local out err got
    out=$(cd "$scratch/start" && "${environment[@]}" "$program" "$@" 2>"$scratch.err")
    got=$?
    err=$(cat "$scratch.err")
    local printed=$err quiet=$out
    [[ $status == 0 ]] && printed=$out quiet=$err
    local problem=""
    [[ $got == "$status" ]] || problem+=" status $got, not $status;"
    [[ $setting == *unreachable* ]] && printed=$(grep -F "varnholt:" <<<"$printed")
    [[ $(head -n 1 <<<"$printed") == "$line" ]] || problem+=" printed [$(head -n 1 <<<"$printed")];"
    [[ -z $quiet ]] || problem+=" also printed [$quiet];"
    [[ $status != 2 || $err == "$line"$'\n'"$usage" ]] || problem+=" not one line and the usage line: [$err];"
    if [[ -n $problem ]]; then
        echo "FAILED: varnholt $* ($setting):$problem"
        failures=$((failures + 1))
    fi
}

row none 2 "varnholt: --levels-folder needs a folder, not '--show-slots' $dash" --levels-folder --show-slots
row none 2 "varnholt: --levels-folder needs a folder, not '-v' $dash" --levels-folder -v
row none 2 "varnholt: --levels-folder needs a folder" --levels-folder
row none 2 "varnholt: --levels-folder needs a folder, not an empty name" --levels-folder ""
row none 2 "varnholt: --levels-folder needs a folder, not an empty name" --levels-folder=
row none 2 "varnholt: '--show-slots' $bare" -- --show-slots
row none 2 "varnholt: $shown $bare" "$levels"
row offscreen 2 "varnholt: $shown $bare" "$levels"
row none 2 "varnholt: \$'\\x1b]0;title\\x07' $bare" $'\e]0;title\a'
row none 2 "varnholt: --null goes with --list-levels-folders" -0 --show-slots
row none 2 "varnholt: --verbose and --null cannot be given together" --list-levels-folders --verbose --null
row none 2 "varnholt: '-' $bare" -
row none 2 "varnholt: '' $bare" ""
row none 2 "varnholt: unknown option '--show-slot'" --show-slot
row offscreen 2 "varnholt: unknown option '--show-slot'" --show-slot
row none 2 "varnholt: unknown option '-hv'" -hv
row none 2 "varnholt: unknown option '--help-all'" --help-all
row offscreen 2 "varnholt: unknown option '-platform'" -platform offscreen
row none 2 "varnholt: --show-slots is given twice" --show-slots --show-slots
row none 2 "varnholt: --levels-folder is given twice" --levels-folder "$levels" --levels-folder=/tmp
row none 2 "varnholt: --list-levels-folders and --show-slots cannot be given together" --list-levels-folders --show-slots
row none 2 "varnholt: --help and --version cannot be given together" --help -v
row none 2 "varnholt: --show-slots takes no value" --show-slots=yes
row none 2 "varnholt: --verbose goes with --list-levels-folders" --verbose --help
row none 2 "varnholt: --verbose goes with --list-levels-folders" --verbose
row none 0 "$usage" --help
row offscreen 0 "$usage" -h --levels-folder "$levels"
row none 0 "Varnholt 4.0" -v
row none 0 "$shown" --list-levels-folders
row none 0 "$shown: found: the default installation" --verbose --list-levels-folders
row none 0 "$notbackedup" --show-slots --levels-folder "$shown"
row none 0 "$notbackedup" --show-slots
row none 0 "$notbackedup" --show-slots --levels-folder="$levels"
row "none, no game" 0 "$notbackedup" --levels-folder "$(cd "$scratch/start" && env HOME="$scratch/home" WINEPREFIX="$prefix" "$program" --list-levels-folders)" --show-slots
row "none, no game" 1 "" --list-levels-folders
row "none, no game" 1 "Error. Can't find Populous levels directory c:\\Program Files\\Bullfrog\\Populous\\levels. Check that you have done more than a minimum install to the default location" --show-slots
row none 1 "Can't find the levels folder ../none given with --levels-folder. No files were changed." --levels-folder ../none --show-slots
row none 1 "${shown%\'}/levl2080.dat' given with --levels-folder is not a folder. No files were changed." --show-slots --levels-folder "$levels/levl2080.dat"
row none 3 "$nodisplay"
row none 3 "$nodisplay" --levels-folder "$levels"
row unreachable 3 "varnholt: no window can be opened: This application failed to start because no Qt platform plugin could be initialized. Reinstalling the application may fix this problem."

# The shell turns a listed line back into the folder's bytes; --null gives them as they are.
eval "unquoted=$shown"
[[ $unquoted == "$levels" ]] || { echo "FAILED: the shell reads $shown as [$unquoted]"; failures=$((failures + 1)); }
if ! env HOME="$scratch/home" WINEPREFIX="$prefix" "$program" -0 --list-levels-folders | cmp -s - <(printf '%s\0' "$levels"); then
    echo "FAILED: --null does not print the folder's bytes, ended by a NUL"
    failures=$((failures + 1))
fi
# What cannot be written is a failure with its reason, whatever printed it.
for options in --help --version --list-levels-folders "--list-levels-folders --verbose" "-0 --list-levels-folders" --show-slots; do
    for output in /dev/full closed; do
        # shellcheck disable=SC2086 # the options are words
        if [[ $output == closed ]]; then
            err=$(env HOME="$scratch/home" WINEPREFIX="$prefix" "$program" $options 2>&1 >&-)
        else
            err=$(env HOME="$scratch/home" WINEPREFIX="$prefix" "$program" $options 2>&1 >"$output")
        fi
        got=$?
        reason="No space left on device"
        [[ $output == closed ]] && reason="Bad file descriptor"
        if [[ $got != 4 || $err != "varnholt: the output could not be written: $reason" ]]; then
            echo "FAILED: varnholt $options to $output: status $got, printed [$err]"
            failures=$((failures + 1))
        fi
    done
done

[[ $(snapshot) == "$before" ]] || { echo "FAILED: a file was touched"; failures=$((failures + 1)); }
rm -f "$scratch.err"
[[ $failures == 0 ]] || exit 1
echo "Every command line answered as it should."
