#!/usr/bin/env bash
# Compares two builds of sudoku_bench side by side: runs them in turn, ROUNDS times
# each, on the same arguments, and prints the median of each one's puzzles/s (and, for
# --multi, of its count to 2) with the ratio new/old.
#
#   bench/compare.sh OLD_BENCH NEW_BENCH ROUNDS [--first|--multi] FILE [ANSWERS]
#
# OLD_BENCH can be the sudoku_bench of an older commit, built in a git worktree of it
# (git worktree add ../old COMMIT; its own release preset): every version prints the
# line "median: N puzzles/s" that this script reads. Older ones know only the default
# mode (solve and confirm unique).
set -euo pipefail
if [ $# -lt 4 ]; then
    sed -n '2,11s/^# \{0,1\}//p' "$0" >&2
    exit 2
fi
old=$1 new=$2 rounds=$3
shift 3

median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }' || true; }

declare -A rates
for ((round = 1; round <= rounds; round++)); do
    for which in old new; do
        bench=${!which}
        out=$("$bench" "$@" 3)
        rates[$which.solve]+="$(sed -n 's/^median: \([0-9]*\) .*/\1/p' <<<"$out") "
        rates[$which.count]+="$(sed -n 's/^count to 2: \([0-9]*\) .*/\1/p' <<<"$out") "
        guesses=$(sed -n 's/^\(solve \)\{0,1\}guesses: \([0-9.]*\) per puzzle.*/\2/p' <<<"$out" | head -n 1)
        if [ -n "$guesses" ]; then rates[$which.guesses]=$guesses; fi
    done
done

report() {
    local label=$1 key=$2
    local o n
    o=$(median <<<"${rates[old.$key]:-}")
    n=$(median <<<"${rates[new.$key]:-}")
    if [ -n "$o" ] && [ -n "$n" ]; then
        awk -v l="$label" -v o="$o" -v n="$n" 'BEGIN { printf "%s: old %d puzzles/s, new %d puzzles/s, new/old %.2f\n", l, o, n, n / o }'
    fi
}
report "$*" solve
report "count to 2" count
printf 'guesses per puzzle: old %s, new %s\n' "${rates[old.guesses]:-not counted}" "${rates[new.guesses]:-not counted}"
