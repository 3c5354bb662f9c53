#!/usr/bin/env bash
# Builds and runs the consumer project against this build of the library:
#   check.sh installed    BUILD_DIR  WORK_DIR GENERATOR VERSION   (cmake --install, find_package)
#   check.sh subdirectory SOURCE_DIR WORK_DIR GENERATOR VERSION   (add_subdirectory)
set -euo pipefail
mode=$1 from=$2 work=$3 generator=$4 version=$5
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work" && mkdir -p "$work"

if [ "$mode" = installed ]; then
    cmake --install "$from" --prefix "$work/prefix" >/dev/null
    cmake -S "$here" -B "$work/build" -G "$generator" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
else
    cmake -S "$here" -B "$work/build" -G "$generator" -DSUDOKU_SOURCE_DIR="$from" >/dev/null
fi
cmake --build "$work/build" >/dev/null

got=$("$work/build/consumer" "2..5.74.6....31.........23.....2....86.31.....45........9...7....695...2..1..6..8")
expected="238597416694231857517864239173429685862315974945678321459182763786953142321746598
unique, same as the reference, sudoku $version
generated 2 puzzles with one solution
rated 2.6 medium pointing"
if [ "$got" != "$expected" ]; then
    printf 'consumer printed:\n%s\nexpected:\n%s\n' "$got" "$expected"
    exit 1
fi
echo "consumer ($mode): ok"
