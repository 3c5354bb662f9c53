#!/usr/bin/env bash
# Runs sudoku-generate.exe under Wine and checks what it writes: CR LF line ends, the
# same puzzles whatever the threads, puzzles that sudoku-solve.exe finds one solution
# for, grids, refusals and their exit statuses.
#   sudoku_generate_exe_test.sh PREFIX SUDOKU_GENERATE_EXE SUDOKU_SOLVE_EXE
set -euo pipefail
export WINEPREFIX=$(realpath -m "$1")
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
exe=$2
solve=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

failed=0
fail() { echo "FAIL: $*"; failed=1; }
ok() { echo "ok: $*"; }

wine "$exe" -n 40 --seed 5 --threads 1 >one.txt
wine "$exe" -n 40 --seed 5 --threads 3 >three.txt
if [ "$(wc -l <one.txt)" -eq 40 ] && ! grep -qv $'^[.1-9]\\{81\\}\r$' one.txt; then
    ok "40 lines of 81 cells, each ending in CR LF"
else
    fail "lines of 81 cells ending in CR LF"; od -c one.txt | head -n 8
fi
cmp -s one.txt three.txt && ok "--threads 3 writes what one thread writes" || fail "--threads 3 differs from one thread"

printf '1\r\n%.0s' $(seq 1 40) >expected
wine "$solve" --count one.txt >counts.txt
cmp -s expected counts.txt && ok "sudoku-solve.exe counts one solution for each" || fail "solution counts: $(sort counts.txt | uniq -c)"

wine "$exe" -n 2 --seed 5 --grid --solution >grid.txt
wine "$solve" grid.txt >solved.txt
grep '^# ' grid.txt | sed 's/^# //' >solutions.txt
if [ "$(wc -l <grid.txt)" -eq 21 ] && cmp -s solutions.txt solved.txt && [ "$(sed -n 11p grid.txt)" = $'\r' ]; then
    ok "--grid --solution reads back into sudoku-solve.exe"
else
    fail "--grid --solution"; cat grid.txt solved.txt
fi

wine "$exe" -n 3 --seed 2 --grade hard --rate >rated.txt
grep '^# ' rated.txt | sed 's/^# //' >notes.txt
wine "$solve" --rate rated.txt >ratings.txt
if [ "$(grep -c ' hard ' ratings.txt)" -eq 3 ] && cmp -s notes.txt ratings.txt; then
    ok "--grade hard --rate: what sudoku-solve.exe --rate says"
else
    fail "--grade hard --rate"; cat rated.txt ratings.txt
fi

# check NAME STATUS MESSAGE_LINE... -- ARGUMENTS...: nothing on standard output, and
# exactly those lines on standard error.
check() {
    local name=$1 status=$2 got=0
    shift 2
    : >expected.err
    while [ "$1" != -- ]; do printf '%s\r\n' "$1" >>expected.err; shift; done
    shift
    wine "$exe" "$@" >got.out 2>got.err || got=$?
    if [ "$got" -ne "$status" ] || [ -s got.out ] || ! cmp -s expected.err got.err; then
        fail "$name (exit status $got, expected $status)"; od -c got.err | head -n 8
    else
        ok "$name"
    fi
}
check "usage error: status 2" 2 "sudoku-generate: unknown symmetry 'spiral' (none, rotate180, rotate90, mirror or diagonal)" \
    "Try 'sudoku-generate --help' for more information." -- --symmetry spiral
check "fewer than 17 givens: status 1" 1 \
    "sudoku-generate: no puzzle with fewer than 17 givens has exactly one solution (asked for 16 givens)" -- --givens 16

status=0
wine "$exe" -n 1000 2>got.err | true || status=${PIPESTATUS[0]}
if [ "$status" -eq 141 ] && [ ! -s got.err ]; then
    ok "a closed pipe: status 141, no message"
else
    fail "a closed pipe: exit status $status, expected 141 and no message"; cat got.err
fi

exit "$failed"
