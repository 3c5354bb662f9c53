#!/usr/bin/env bash
# Builds and runs the consumer project against this build of the library:
#   check.sh installed    BUILD_DIR  WORK_DIR GENERATOR VERSION   (cmake --install, find_package)
#   check.sh subdirectory SOURCE_DIR WORK_DIR GENERATOR VERSION   (add_subdirectory)
#   check.sh shared       SOURCE_DIR WORK_DIR GENERATOR VERSION   (shared libraries built and
#                                                                  installed apart, find_package)
set -euo pipefail
mode=$1 from=$2 work=$3 generator=$4 version=$5
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work" && mkdir -p "$work"

case $mode in
installed)
    cmake --install "$from" --prefix "$work/prefix" >/dev/null
    cmake -S "$here" -B "$work/build" -G "$generator" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
    ;;
subdirectory)
    cmake -S "$here" -B "$work/build" -G "$generator" -DSUDOKU_SOURCE_DIR="$from" >/dev/null
    ;;
shared)
    cmake -S "$from" -B "$work/libraries" -G "$generator" -DBUILD_SHARED_LIBS=ON >/dev/null
    cmake --build "$work/libraries" >/dev/null
    cmake --install "$work/libraries" --prefix "$work/prefix" >/dev/null
    cmake -S "$here" -B "$work/build" -G "$generator" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
    ;;
*)
    echo "check.sh: unknown mode '$mode'" >&2
    exit 2
    ;;
esac
cmake --build "$work/build" >/dev/null

got=$("$work/build/consumer" "2..5.74.6....31.........23.....2....86.31.....45........9...7....695...2..1..6..8")
expected="238597416694231857517864239173429685862315974945678321459182763786953142321746598
unique, same as the reference, sudoku $version
generated 2 puzzles with one solution
rated 2.0 easy direct-hidden-pair 1.2 1.2 with 34 hidden singles
first empty cell r1c2, in box 1"
if [ "$got" != "$expected" ]; then
    printf 'consumer printed:\n%s\nexpected:\n%s\n' "$got" "$expected"
    exit 1
fi

if [ "$mode" = shared ]; then
    # The consumer runs on the shared libraries, each of which exports the API alone:
    # every symbol it defines is in namespace sudoku (or a weak or unique copy of a
    # template or inline function that it uses), and none is a helper of its own.
    libraries=$(find "$work/prefix" -name 'libsudoku_*.so' | sort)
    if [ "$(printf '%s\n' "$libraries" | wc -l)" != 5 ]; then
        printf 'expected five shared libraries, found:\n%s\n' "$libraries"
        exit 1
    fi
    loaded=$(ldd "$work/build/consumer")
    for library in engine io reference logic generate; do
        if ! grep -q "libsudoku_$library\.so" <<<"$loaded"; then
            echo "the consumer does not load libsudoku_$library.so"
            exit 1
        fi
    done
    exported=$(nm -D --defined-only -C $libraries | grep -v -e '^$' -e ':$')
    unwanted=$(printf '%s\n' "$exported" |
        grep -v -E '^[0-9a-f]+ [VWu] ' | grep -v -E '^[0-9a-f]+ [A-Za-z] ((vtable|typeinfo|typeinfo name) for )?sudoku::' ||
        true)
    helpers=$(printf '%s\n' "$exported" |
        grep -E 'sudoku::(.*::)?(detail|portable|fastbits)::|sudoku::.*anonymous namespace' || true)
    if [ -n "$unwanted$helpers" ]; then
        printf 'symbols exported beyond the API:\n%s\n%s\n' "$unwanted" "$helpers"
        exit 1
    fi
fi
echo "consumer ($mode): ok"
