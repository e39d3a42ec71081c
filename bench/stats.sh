#!/usr/bin/env bash
# Summaries beside datamash on the same file: streaming statistics, order statistics, groups.
# Sourced by bench/run.sh; it also runs on its own: bench/stats.sh [path/to/vorn] [rows]
if [ -z "${BENCH_SOURCED:-}" ]; then
    set -eu
    source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lib.sh"
    bench_setup "${1:-}" "${2:-}"
fi

if command -v datamash >/dev/null; then
    pair "--stats count,mean,sstdev,min,max" "datamash the same, 1-10" 3 \
        "$VORN" -# --stats=count,mean,sstdev,min,max "$DATA" - -- \
        sh -c 'datamash -W -C count 1 mean 1-10 sstdev 1-10 min 1-10 max 1-10 < "$0"' "$DATA"
    pair "--stats median,q1,q3" "datamash the same, 1-10" 2 "$VORN" -# --stats=median,q1,q3 "$DATA" - -- \
        sh -c 'datamash -W -C median 1-10 q1 1-10 q3 1-10 < "$0"' "$DATA"
    # 1,000 groups in an unsorted key column.
    awk '!/^#/ { $1 = ($4 % 1000 + 1000) % 1000 } 1' "$DATA" > groups.dat
    pair "--group-by 1 (1,000 groups)" "datamash -s -g 1 the same" 2 \
        "$VORN" -# --group-by=1 --stats=count,mean,sstdev "groups.dat" - -- \
        sh -c 'datamash -W -C -s -g 1 count 2 mean 2-10 sstdev 2-10 < "$0"' groups.dat
else
    echo "--stats: datamash not installed, no comparison"
fi
# Streaming statistics read the file as the column sums do, but write one row per column.
pair "--stats count,mean,sstdev,min,max" "--sum-col" 0.67 "$VORN" -# --stats=count,mean,sstdev,min,max "$DATA" - -- \
    "$VORN" -# --sum-col "$DATA" -

[ -n "${BENCH_SOURCED:-}" ] || run_pairs
