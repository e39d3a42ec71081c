#!/usr/bin/env bash
# Times --eval "n[1]=c[1]+c[2]" against mawk '{print $0, $1+$2}' on the same generated file.
# Usage: bench/eval.sh [path/to/vorn] [rows] [cols]
if [ -z "${BENCH_SOURCED:-}" ]; then
    set -eu
    source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lib.sh"
    bench_setup "${1:-}" "${2:-}"
fi

if command -v mawk >/dev/null; then
    compare "--eval n[1]=c[1]+c[2]" "mawk print \$0, \$1+\$2" "$VORN" -# --eval "n[1]=c[1]+c[2]" "$DATA" - -- \
        mawk '{print $0, $1+$2}' "$DATA"
    compare "--eval n[1]=c[1]+c[2]" "mawk reformat+sum" "$VORN" -# --eval "n[1]=c[1]+c[2]" "$DATA" - -- \
        mawk '{for(i=1;i<=NF;i++)$i=$i+0; print $0, $1+$2}' "$DATA"
fi

# memory stays flat as the file grows: peak resident size for the file and for a tenth of it
if command -v /usr/bin/time > /dev/null; then
    head -n $((ROWS / 10)) "$DATA" > small.dat
    big=$(/usr/bin/time -f %M "$VORN" -# --eval "n[1]=c[1]+c[2]" "$DATA" - 2>&1 > /dev/null | tail -1)
    small=$(/usr/bin/time -f %M "$VORN" -# --eval "n[1]=c[1]+c[2]" small.dat - 2>&1 > /dev/null | tail -1)
    printf 'eval peak memory: %s KiB for %d rows, %s KiB for %d rows\n' "$big" "$ROWS" "$small" $((ROWS / 10))
fi
