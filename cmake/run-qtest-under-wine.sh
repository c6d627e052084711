#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs a Qt Test program under Wine, as run-under-wine.sh does, and shows its log. Under
# Wine a Qt Test log reaches a file, but neither a pipe nor a terminal, so it is written
# to a file and shown from there.
#   run-qtest-under-wine.sh PREFIX PROGRAM [ARGUMENT...]
set -eu
prefix=$1 program=$2
shift 2
log=$(mktemp)
status=0
"$(dirname "$0")/run-under-wine.sh" "$prefix" "$program" -o "Z:$log,txt" "$@" || status=$?
cat "$log"
rm -f "$log"
exit "$status"
