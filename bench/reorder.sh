#!/usr/bin/env bash
# Sort and sums beside sort(1), datamash and awk on the same file.
# Sourced by bench/run.sh; it also runs on its own: bench/reorder.sh [path/to/vorn] [rows]
if [ -z "${BENCH_SOURCED:-}" ]; then
    set -eu
    source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lib.sh"
    bench_setup "${1:-}" "${2:-}"
fi

compare "-q 2 (sort by column 2)" "sort -g -k2,2" "$VORN" -# -q 2 "$DATA" - -- \
    env LC_ALL=C sort -g -k2,2 "$DATA"
if command -v datamash >/dev/null; then
    compare "--sum-col (rows + sum row)" "datamash sums only" "$VORN" -# --sum-col "$DATA" - -- \
        sh -c 'grep -v "^#" "$0" | datamash -W sum 1 sum 2 sum 3 sum 4 sum 5 sum 6 sum 7 sum 8 sum 9 sum 10' "$DATA"
else
    echo "--sum-col (column sums)        datamash not installed: no comparison"
fi
if command -v mawk >/dev/null; then
    compare "--sum-row (rows + sum col)" "mawk row sums" "$VORN" -# --sum-row "$DATA" - -- \
        mawk '!/^#/ { s = 0; for (i = 1; i <= NF; i++) s += $i; print $0, s }' "$DATA"
fi
