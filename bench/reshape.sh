#!/usr/bin/env bash
# Reshaping benchmarks: -k, -t and -c beside the nearest everyday tool on the same file.
# Sourced by bench/run.sh; it also runs on its own: bench/reshape.sh [path/to/vorn] [rows]
if [ -z "${BENCH_SOURCED:-}" ]; then
    set -eu
    source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lib.sh"
    bench_setup "${1:-}" "${2:-}"
fi

if command -v mawk >/dev/null; then
    pair "-k -e 2,5 (drop 2 columns)" "mawk column select" 1 "$VORN" -# -k -e 2,5 "$DATA" - -- \
        mawk '{ print $1, $3, $4, $6, $7, $8, $9, $10 }' "$DATA"
    pair "-k -e 2,5 (drop 2 columns)" "mawk select+reformat" - "$VORN" -# -k -e 2,5 "$DATA" - -- \
        mawk '!/^#/ { print $1+0, $3+0, $4+0, $6+0, $7+0, $8+0, $9+0, $10+0 }' "$DATA"
fi
if command -v datamash >/dev/null; then
    pair "-t (transpose)" "datamash -W transpose" 2.2 "$VORN" -# -t "$DATA" - -- \
        sh -c 'datamash -W -C --no-strict transpose < "$0"' "$DATA"
else
    echo "-t (transpose): datamash not installed, no comparison"
fi
# The ratio is wc / vorn: 0.33 means vorn takes three times as long as wc -l.
pair "-c (columns and rows)" "wc -l" 0.33 "$VORN" -# -c "$DATA" -- wc -l "$DATA"

[ -n "${BENCH_SOURCED:-}" ] || run_pairs
