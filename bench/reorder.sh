#!/usr/bin/env bash
# Sort and sums beside sort(1), datamash and awk on the same file.
# Sourced by bench/run.sh; it also runs on its own: bench/reorder.sh [path/to/vorn] [rows]
if [ -z "${BENCH_SOURCED:-}" ]; then
    set -eu
    source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lib.sh"
    bench_setup "${1:-}" "${2:-}"
fi

pair "-q 2 (sort by column 2)" "sort -g -k2,2" 3.5 "$VORN" -# -q 2 "$DATA" - -- \
    env LC_ALL=C sort -g -k2,2 "$DATA"
if command -v datamash >/dev/null; then
    pair "--sum-col (rows + sum row)" "datamash -W sum 1-10" 1.5 "$VORN" -# --sum-col "$DATA" - -- \
        sh -c 'datamash -W -C sum 1-10 < "$0"' "$DATA"
else
    echo "--sum-col: datamash not installed, no comparison"
fi
if command -v mawk >/dev/null; then
    pair "--sum-row (rows + sum col)" "mawk row sums" - "$VORN" -# --sum-row "$DATA" - -- \
        mawk '!/^#/ { s = 0; for (i = 1; i <= NF; i++) s += $i; print $0, s }' "$DATA"
fi

[ -n "${BENCH_SOURCED:-}" ] || run_pairs
