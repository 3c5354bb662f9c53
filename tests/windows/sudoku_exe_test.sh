#!/usr/bin/env bash
# Runs sudoku.exe under Wine and checks its exact bytes: the nine rows, each ending in
# a space and CR LF, nothing on standard error, exit status 0; and that a closed pipe
# ends it without a word and with status 141, as SIGPIPE would.
#   windows_sudoku_test.sh init PREFIX          create and boot a fresh Wine prefix
#   windows_sudoku_test.sh run PREFIX SUDOKU_EXE run the check in that prefix
set -euo pipefail
mode=$1
export WINEPREFIX=$(realpath -m "$2")   # Wine wants an absolute path
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono/Gecko install dialogs

if [ "$mode" = init ]; then
    # A fresh prefix. Wine has refused a first boot at once, once, and booted on the
    # next try: try three times, and show what it said when it never boots.
    for attempt in 1 2 3; do
        rm -rf "$WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        if wineboot --init >"$WINEPREFIX.log" 2>&1 && wineserver --wait; then
            exit 0
        fi
        wineserver -k >/dev/null 2>&1 || true
        sleep 2
    done
    echo "wineboot failed three times; its output:" >&2
    cat "$WINEPREFIX.log" >&2
    exit 1
fi

exe=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
wine "$exe" some arguments </dev/null >"$work/out" 2>"$work/err" || status=$?

printf '%s \r\n' \
    "2 3 8 5 9 7 4 1 6" "6 9 4 2 3 1 8 5 7" "5 1 7 8 6 4 2 3 9" \
    "1 7 3 4 2 9 6 8 5" "8 6 2 3 1 5 9 7 4" "9 4 5 6 7 8 3 2 1" \
    "4 5 9 1 8 2 7 6 3" "7 8 6 9 5 3 1 4 2" "3 2 1 7 4 6 5 9 8" >"$work/expected"

failed=0
if [ "$status" -ne 0 ]; then
    echo "FAIL: exit status $status, expected 0"
    failed=1
fi
if ! cmp -s "$work/expected" "$work/out"; then
    echo "FAIL: standard output differs from the expected bytes"
    echo "--- expected"; od -c "$work/expected" | head -n 20
    echo "--- actual";   od -c "$work/out" | head -n 20
    failed=1
fi
if [ -s "$work/err" ]; then
    echo "FAIL: standard error is not empty:"
    cat "$work/err"
    failed=1
fi

# `true` is gone long before Wine has started the program.
status=0
wine "$exe" 2>"$work/err" | true || status=${PIPESTATUS[0]}
if [ "$status" -ne 141 ] || [ -s "$work/err" ]; then
    echo "FAIL: a closed pipe: exit status $status, expected 141 and no message:"
    cat "$work/err"
    failed=1
fi
exit "$failed"
