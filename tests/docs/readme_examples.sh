#!/usr/bin/env bash
# Runs the README's console examples in examples/ with the programs just built and
# compares what they print with what the README shows, so the README never drifts from
# the programs. A ```console block is a list of "$ command" lines, each followed by the
# lines it prints: standard output, then standard error. Timings differ from run to run
# and are compared as placeholders. Blocks that read the shared benchmark lists, which
# a clone does not have, and blocks that build (cmake, cpack) are skipped.
# Usage: readme_examples.sh README.md EXAMPLES_DIR PROGRAM_DIR...
set -uo pipefail
readme=$1 examples=$2
shift 2
for dir in "$@"; do PATH="$dir:$PATH"; done
export PATH
unset TERM

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The examples run in a copy, so that what they write stays out of the source tree.
cp -R "$examples" "$work/examples"
examples=$work/examples

normalize() {
    sed -E 's/[0-9]+\.[0-9]+ s\b/T s/g; s/[0-9]+(\.[0-9]+)? (puzzles|candidates) per second/N \2 per second/g'
}

blocks=0 failed=0 in_block=0 block=""
run_block() {
    local script="$work/block.sh" expected="$work/expected" actual="$work/actual"
    : >"$script"
    : >"$expected"
    local line
    while IFS= read -r line; do
        if [[ $line == '$ '* ]]; then
            printf '%s\n' "eval $(printf '%q' "${line#\$ }") >\"$work/out\" 2>\"$work/err\"; rc=\$?; echo $(printf '%q' "$line"); cat \"$work/out\" \"$work/err\"; (exit \$rc)" >>"$script"
            printf '%s\n' "$line" >>"$expected"
        else
            printf '%s\n' "$line" >>"$expected"
        fi
    done < <(printf '%s' "$block")
    (cd "$examples" && bash "$script") 2>&1 | normalize >"$actual"
    normalize <"$expected" >"$expected.n"
    blocks=$((blocks + 1))
    if ! diff -u "$expected.n" "$actual" >"$work/diff"; then
        failed=$((failed + 1))
        echo "README example block starting at line $start differs:"
        cat "$work/diff"
    fi
}

number=0
while IFS= read -r line; do
    number=$((number + 1))
    if ((in_block)); then
        if [[ $line == '```' ]]; then
            in_block=0
            [[ $block == *shared/* || $block == *'$ cmake '* ]] || run_block
        else
            block+="$line"$'\n'
        fi
    elif [[ $line == '```console' ]]; then
        in_block=1 block="" start=$((number + 1))
    fi
done <"$readme"

echo "$((blocks - failed)) passed, $failed failed"
((failed == 0 && blocks > 0))
