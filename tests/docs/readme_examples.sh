#!/usr/bin/env bash
# Runs the console examples of the README and of the pages in docs/ in examples/ with
# the programs just built, and compares what they print with what the pages show, so
# the documentation never drifts from the programs. A ```console block is a list of
# "$ command" lines, each followed by the lines it prints: standard output, then
# standard error. Timings differ from run to run and are compared as placeholders.
# Blocks that read the shared benchmark lists, which a clone does not have, and blocks
# that build (cmake, cpack) are skipped. A block that differs is reported with its file
# and line.
#
# Usage: readme_examples.sh PAGE... -- EXAMPLES_DIR [PROGRAM_DIR...]
#        readme_examples.sh PAGE EXAMPLES_DIR [PROGRAM_DIR...]
# A PAGE is a markdown file, or a folder whose *.md files are read in name order. All
# blocks run in one copy of EXAMPLES_DIR, in the order of the pages; each PROGRAM_DIR
# goes on the front of the PATH.
set -uo pipefail

pages=()
separated=0
for arg in "$@"; do [[ $arg == -- ]] && separated=1; done
if ((separated)); then
    while (($# > 0)) && [[ $1 != -- ]]; do
        pages+=("$1")
        shift
    done
    shift
else
    pages=("${1-}")
    shift
fi
if ((${#pages[@]} == 0 || $# == 0)); then
    echo "usage: readme_examples.sh PAGE... -- EXAMPLES_DIR [PROGRAM_DIR...]" >&2
    exit 2
fi
examples=$1
shift
# The examples run in another folder: a program folder given relative to this one is
# made absolute first.
for dir in "$@"; do
    if ! absolute=$(cd "$dir" 2>/dev/null && pwd); then
        echo "readme_examples.sh: no program folder '$dir'" >&2
        exit 2
    fi
    PATH="$absolute:$PATH"
done
export PATH
unset TERM

# The markdown files, folders expanded; a page that is missing is an error, not a pass.
files=()
for page in "${pages[@]}"; do
    if [[ -d $page ]]; then
        found=()
        while IFS= read -r file; do found+=("$file"); done < <(find "$page" -maxdepth 1 -type f -name '*.md' | LC_ALL=C sort)
        if ((${#found[@]} == 0)); then
            echo "readme_examples: no .md file in $page" >&2
            exit 2
        fi
        files+=("${found[@]}")
    elif [[ -f $page ]]; then
        files+=("$page")
    else
        echo "readme_examples: no such file or folder: $page" >&2
        exit 2
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The examples run in a copy, so that what they write stays out of the source tree.
cp -R "$examples" "$work/examples"
examples=$work/examples

normalize() {
    sed -E 's/[0-9]+\.[0-9]+ s\b/T s/g; s/[0-9]+(\.[0-9]+)? (puzzles|candidates) per second/N \2 per second/g'
}

passed=0 failed=0 skipped=0
# Runs the block in $block, whose fence is line $start of $file.
run_block() {
    local script="$work/block.sh" expected="$work/expected" actual="$work/actual"
    : >"$script"
    : >"$expected"
    local line
    while IFS= read -r line; do
        if [[ $line == '$ '* ]]; then
            printf '%s\n' "eval $(printf '%q' "${line#\$ }") >\"$work/out\" 2>\"$work/err\"; rc=\$?; echo $(printf '%q' "$line"); cat \"$work/out\" \"$work/err\"; (exit \$rc)" >>"$script"
        fi
        printf '%s\n' "$line" >>"$expected"
    done < <(printf '%s' "$block")
    (cd "$examples" && bash "$script") 2>&1 | normalize >"$actual"
    normalize <"$expected" >"$expected.n"
    if diff -u "$expected.n" "$actual" >"$work/diff"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "$file:$start: example block differs:"
        cat "$work/diff"
    fi
}

for file in "${files[@]}"; do
    number=0 in_block=0 block="" start=0
    while IFS= read -r line || [[ -n $line ]]; do
        number=$((number + 1))
        if ((in_block)); then
            if [[ $line == '```' ]]; then
                in_block=0
                if [[ $block == *shared/* || $block == *'$ cmake '* ]]; then
                    skipped=$((skipped + 1))
                else
                    run_block
                fi
            else
                block+="$line"$'\n'
            fi
        elif [[ $line == '```console' ]]; then
            in_block=1 block="" start=$number
        fi
    done <"$file"
    if ((in_block)); then
        failed=$((failed + 1))
        echo "$file:$start: console block never closed"
    fi
done

echo "$passed passed, $failed failed, $skipped skipped, in ${#files[@]} files"
((failed == 0 && passed > 0))
