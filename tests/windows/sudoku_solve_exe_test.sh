#!/usr/bin/env bash
# Runs sudoku-solve.exe under Wine and checks its exact bytes: records and messages end
# in CR LF, input with either line end is read, file names in any script work.
#   sudoku_solve_exe_test.sh PREFIX SUDOKU_SOLVE_EXE
set -euo pipefail
export WINEPREFIX=$(realpath -m "$1")
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
exe=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

puzzle="2..5.74.6....31.........23.....2....86.31.....45........9...7....695...2..1..6..8"
solution="238597416694231857517864239173429685862315974945678321459182763786953142321746598"
unsolvable="12345678.........9..............................................................."
clashing="..7....7........................................................................."
crlf() { printf '%s\r\n' "$@"; }
grid() { # the nine lines of a solution as --grid writes them, on Windows
    local s=$1 r
    for r in 0 1 2 3 4 5 6 7 8; do
        printf '%s \r\n' "$(echo "${s:$((r * 9)):9}" | sed 's/./& /g; s/ $//')"
    done
}

failed=0
# check NAME STATUS EXPECTED_OUT_FILE EXPECTED_ERR_FILE COMMAND...: runs COMMAND with its
# standard output and error captured, and compares all three.
check() {
    local name=$1 status=$2 out=$3 err=$4
    shift 4
    local got=0
    "$@" >got.out 2>got.err || got=$?
    if [ "$got" -ne "$status" ] || ! cmp -s "$out" got.out || ! cmp -s "$err" got.err; then
        echo "FAIL: $name (exit status $got, expected $status)"
        echo "--- expected output"; od -c "$out" | head -n 12
        echo "--- actual output";   od -c got.out | head -n 12
        echo "--- expected errors"; cat "$err"
        echo "--- actual errors";   cat got.err
        failed=1
    else
        echo "ok: $name"
    fi
}
: >none

printf '%s\n' "$puzzle" "$unsolvable" >lf.txt
printf '%s\r\n' "# comment" "$puzzle" >crlf.txt
crlf "$solution" "no solution  exists " "$solution" >expected
check "files with LF and CR LF line ends" 0 expected none wine "$exe" lf.txt crlf.txt

crlf "$solution" "$solution" >expected
check "standard input through a pipe" 0 expected none sh -c "printf '%s\n%s\n' '$puzzle' '$puzzle' | wine '$exe'"

# A puzzle trickling through a pipe is answered before the next one arrives: four
# seconds in, the first answer must be out while the second puzzle is still to come.
( (echo "$puzzle"; sleep 8; echo "$puzzle") | wine "$exe" >piped.out ) &
sleep 4
crlf "$solution" >expected
if cmp -s expected piped.out; then
    echo "ok: a piped puzzle is answered at once"
else
    echo "FAIL: a piped puzzle is answered at once (4 s in, the output holds $(wc -c <piped.out) bytes)"
    failed=1
fi
wait

printf '%s\n' "$puzzle" "12345678x" "$clashing" >bad.txt
crlf "$solution" "invalid puzzle" "invalid puzzle" >expected
crlf "sudoku-solve: bad.txt:2: invalid character 'x' at line 2, cell 9 (a cell is 1 to 9, or 0 or . for an empty cell)" \
     "sudoku-solve: bad.txt:3: givens clash: 7 appears twice in row 1 (r1c3 and r1c8)" >expected.err
check "invalid puzzles: records, file:line messages, status 1" 1 expected expected.err wine "$exe" bad.txt

crlf "$solution" "no solution  exists " >expected
crlf "sudoku-solve: missing.txt: cannot open: No such file or directory" >expected.err
check "a missing file: message, status 1, the rest still solved" 1 expected expected.err wine "$exe" missing.txt lf.txt

mkdir folder
: >expected
crlf "sudoku-solve: folder: cannot open: Is a directory" >expected.err
check "a folder given as a file" 1 expected expected.err wine "$exe" folder

: >expected
crlf "sudoku-solve: unknown option '--fast'" "Try 'sudoku-solve --help' for more information." >expected.err
check "usage error: status 2" 2 expected expected.err wine "$exe" --fast

{ grid "$solution"; crlf ""; crlf "no solution  exists "; } >expected
check "--grid" 0 expected none wine "$exe" --grid lf.txt

crlf 1 0 "2+" >expected
printf '%s\n' "$puzzle" "$unsolvable" "..3456789456789123789123456..4365897365897214897214365531642978642978531978531642" >counts.txt
check "--count" 0 expected none wine "$exe" --count counts.txt

for i in $(seq 1 300); do printf '%s\n%s\n' "$puzzle" "$unsolvable"; done >many.txt
wine "$exe" --threads 1 many.txt >expected
check "--threads 3 writes what one thread writes" 0 expected none wine "$exe" --threads 3 many.txt

# A reader that has gone ends the program without a word, with status 141 as a POSIX
# shell reports SIGPIPE: at once, and in the middle of a file too. `true` is gone long
# before Wine has started the program.
for args in "lf.txt" "--threads 2 many.txt" "--help"; do
    # shellcheck disable=SC2086
    status=0
    wine "$exe" $args 2>got.err | true || status=${PIPESTATUS[0]}
    if [ "$status" -eq 141 ] && [ ! -s got.err ]; then
        echo "ok: a closed pipe ($args): status 141, no message"
    else
        echo "FAIL: a closed pipe ($args): exit status $status, expected 141 and no message"; cat got.err
        failed=1
    fi
done

: >expected
crlf "sudoku-solve: write error: No space left on device" >expected.err
check "a full disk: one message, status 1" 1 expected expected.err sh -c "wine '$exe' lf.txt >/dev/full"

crlf 1 0 "2+" >expected
check "long options by a prefix" 0 expected none wine "$exe" --cou --lim=2 counts.txt

# Ctrl+C mid-file (Wine turns SIGINT into the console's Ctrl+C event) ends the run at
# once: status 130, whole records only (an explanation is many lines), and a message
# saying how many. The signal goes to the program's own process, which Wine starts
# below the one started here.
program_of() { # the process of $exe among the descendants of process $1
    local child
    for child in $(pgrep -P "$1"); do
        if tr '\0' ' ' <"/proc/$child/cmdline" | grep -q "sudoku-solve.exe"; then echo "$child"; fi
        program_of "$child"
    done
}
hard="2.........93....8...6.549...2.5..7.....1.7.....9..2.6...537.6...1....89.........3"
echo "$hard" >hard-one.txt
for i in $(seq 1 3000); do echo "$hard"; done >hard.txt
wine "$exe" --explain hard-one.txt >record.txt
wine "$exe" --explain --threads 2 hard.txt >interrupted.out 2>interrupted.err &
launcher=$!
for i in $(seq 1 600); do [ -s interrupted.out ] && break; sleep 0.1; done
program=$(program_of "$launcher")
kill -INT ${program:-"$launcher"}
status=0
wait "$launcher" || status=$?
made=$(sed -n 's/^sudoku-solve: interrupted after \([0-9]*\) puzzles\r$/\1/p' interrupted.err)
{ cat record.txt; for ((i = 1; i < ${made:-0}; i++)); do printf '\r\n'; cat record.txt; done; } >expected
if [ "$status" -eq 130 ] && [ "${made:-0}" -gt 0 ] && [ "$made" -lt 3000 ] && cmp -s expected interrupted.out; then
    echo "ok: Ctrl+C mid-file: status 130, $made whole records"
else
    echo "FAIL: Ctrl+C mid-file (exit status $status, message: $(cat interrupted.err))"
    failed=1
fi

printf '%s\n' "$puzzle" >"grille-é-数独.txt"
crlf "grille-é-数独.txt:1: $solution" >expected
check "a file name in other scripts, with --label" 0 expected none wine "$exe" --label "grille-é-数独.txt"

exit "$failed"
