#!/usr/bin/env bash
# Times vorn beside everyday tools and the floor of its pass-through job on the same generated
# file, in interleaved rounds, and prints the ratio of the median times per operation.
# Usage: bench/run.sh [path/to/vorn] [rows]   (BENCH_ROUNDS, BENCH_CLOCK: see lib.sh)
set -eu
BENCH_DIR=$(cd "$(dirname "$0")" && pwd)
source "$BENCH_DIR/lib.sh"
bench_setup "${1:-}" "${2:-}"

# The floor (bench/floor.cpp, built beside vorn) must write the very bytes vorn writes.
FLOOR=$(dirname "$VORN")/vorn_floor
if [ -x "$FLOOR" ]; then
    "$VORN" -# --nop "$DATA" - > nop.out 2> /dev/null
    "$FLOOR" "$DATA" > floor.out
    if cmp -s nop.out floor.out; then
        # The ratio is floor / vorn: 0.87 means vorn takes 1.15 times the floor's time.
        pair "--nop (read+print all)" "floor sketch" 0.87 "$VORN" -# --nop "$DATA" - -- "$FLOOR" "$DATA"
    else
        echo "the floor's output differs from vorn's: no floor comparison"
    fi
    rm -f nop.out floor.out
fi
awk_copy='{for(i=1;i<=NF;i++)$i=$i+0;print}'
command -v mawk > /dev/null && pair "--nop (read+print all)" "mawk reformat" 25 "$VORN" -# --nop "$DATA" - -- mawk "$awk_copy" "$DATA"
command -v gawk > /dev/null && pair "--nop (read+print all)" "gawk reformat" - "$VORN" -# --nop "$DATA" - -- gawk "$awk_copy" "$DATA"
# Inputs that are not regular files: a pipe is copied once, gzip content is decompressed first.
# Strict reading rides on the same pass: within 5 % of the forgiving one.
pair "--strict --nop" "--nop" 0.95 "$VORN" -# --strict --nop "$DATA" - -- "$VORN" -# --nop "$DATA" -
pair "--nop from a pipe" "--nop from the file" - sh -c "cat '$DATA' | '$VORN' -# --nop - -" -- \
    "$VORN" -# --nop "$DATA" -
if command -v gzip >/dev/null; then
    gzip -c "$DATA" > "$DATA.gz"
    pair "--nop from gzip" "zcat, then --nop" - "$VORN" -# --nop "$DATA.gz" - -- \
        sh -c "zcat '$DATA.gz' > /dev/null && '$VORN' -# --nop '$DATA' -"
fi
for part in reshape eval reorder budget stats; do
    BENCH_SOURCED=1 source "$BENCH_DIR/$part.sh"
done
run_pairs

# Streaming operations keep their memory flat as the file grows.
if [ -x /usr/bin/time ]; then
    head -n $((ROWS / 10)) "$DATA" > tenth.dat
    for op in "--nop" "-k -e 2,5" "--eval n[1]=c[1]+c[2]"; do
        # shellcheck disable=SC2086
        printf 'peak memory %-24s %6s KiB for %d rows, %6s KiB for %d rows\n' "$op" \
            "$(peak_kib "$VORN" -# $op "$DATA" -)" "$ROWS" "$(peak_kib "$VORN" -# $op tenth.dat -)" $((ROWS / 10))
    done
fi
