#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The manual page lists exactly the options the program's --help lists, and renders
# without a warning.
#   manpage_test.sh VARNHOLT MANPAGE
set -euo pipefail
program=$1
page=$2

from_help=$("$program" --help | grep -oE '(^|[ ,])--?[a-z][a-z-]*' | tr -d ' ,' | sort -u)
from_page=$(sed -n '/^\.SH OPTIONS/,/^\.SH /p' "$page" | grep -E '^\.(B|BI|BR) ' | grep -oE '\\-(\\-)?[a-z][a-z\\-]*' \
    | sed 's/\\-/-/g' | sort -u)
if [[ $from_help != "$from_page" ]]; then
    echo "--help and the manual page list different options:"
    diff <(echo "$from_help") <(echo "$from_page") || true
    exit 1
fi
if command -v man >/dev/null; then
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null || true)
    [[ -z $warnings ]] || { echo "$warnings"; exit 1; }
fi
echo "The manual page and --help agree on $(echo "$from_help" | wc -l) options."
