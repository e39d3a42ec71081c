#!/usr/bin/env bash
# Reshaping benchmarks: -k, -t and -c beside the nearest everyday tool on the same file.
# Sourced by bench/run.sh; it also runs on its own: bench/reshape.sh [path/to/vorn] [rows]
if [ -z "${BENCH_SOURCED:-}" ]; then
    set -eu
    source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lib.sh"
    bench_setup "${1:-}" "${2:-}"
fi

if command -v mawk >/dev/null; then
    compare "-k -e 2,4 (drop 2 columns)" "mawk column select" "$VORN" -# -k -e 2,4 "$DATA" - -- \
        mawk '!/^#/ { print $1, $3, $5, $6, $7, $8, $9, $10 }' "$DATA"
    compare "-k -e 2,4 (drop 2 columns)" "mawk select+reformat" "$VORN" -# -k -e 2,4 "$DATA" - -- \
        mawk '!/^#/ { print $1+0, $3+0, $5+0, $6+0, $7+0, $8+0, $9+0, $10+0 }' "$DATA"
fi
if command -v datamash >/dev/null; then
    compare "-t (transpose)" "datamash transpose" "$VORN" -# -t "$DATA" - -- \
        sh -c 'datamash -W -C --no-strict transpose < "$0"' "$DATA"
else
    echo "-t (transpose)               datamash not installed: no comparison"
fi
compare "-c (columns and rows)" "wc -l" "$VORN" -# -c "$DATA" -- wc -l "$DATA"
