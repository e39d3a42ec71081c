#!/usr/bin/env bash
# The plot beside the pass-through job: --plot to an SVG picture and to a braille drawing, each
# against --nop to /dev/null on the same file (aim: the plot takes at most 1.2 times as long, a
# ratio of 0.83 or more), and the plot's peak memory on the file and on one ten times as long.
# Usage: bench/plot.sh [path/to/vorn] [rows]   (BENCH_ROUNDS, BENCH_CLOCK: see lib.sh)
source "$(dirname "$0")/lib.sh"
bench_setup "$@"

pair "--plot to an SVG picture" "--nop to /dev/null" 0.83 "$VORN" -# --plot "$DATA" out.svg -- \
    "$VORN" -# --nop "$DATA" /dev/null
pair "--plot to a braille drawing" "--nop to /dev/null" 0.83 "$VORN" -# --plot "$DATA" out.txt -- \
    "$VORN" -# --nop "$DATA" /dev/null
run_pairs

for i in 1 2 3 4 5 6 7 8 9 10; do cat "$DATA"; done > long.dat
printf 'peak memory of --plot: %s KiB at %s rows, %s KiB at %s rows\n' \
    "$(peak_kib "$VORN" -# --plot "$DATA" out.svg)" "$ROWS" \
    "$(peak_kib "$VORN" -# --plot long.dat out.svg)" "$((ROWS * 10))"
