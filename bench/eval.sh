#!/usr/bin/env bash
# Times --eval "n[1]=c[1]+c[2]" against mawk on the same generated file.
# Sourced by bench/run.sh; it also runs on its own: bench/eval.sh [path/to/vorn] [rows]
if [ -z "${BENCH_SOURCED:-}" ]; then
    set -eu
    source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lib.sh"
    bench_setup "${1:-}" "${2:-}"
fi

if command -v mawk >/dev/null; then
    pair "--eval n[1]=c[1]+c[2]" "mawk print \$0, \$1+\$2" 1.3 "$VORN" -# --eval "n[1]=c[1]+c[2]" "$DATA" - -- \
        mawk '{print $0, $1+$2}' "$DATA"
    pair "--eval n[1]=c[1]+c[2]" "mawk reformat+sum" - "$VORN" -# --eval "n[1]=c[1]+c[2]" "$DATA" - -- \
        mawk '{for(i=1;i<=NF;i++)$i=$i+0; print $0, $1+$2}' "$DATA"
fi

[ -n "${BENCH_SOURCED:-}" ] || run_pairs
