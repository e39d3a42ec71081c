#!/usr/bin/env bash
# Times vorn against everyday tools on the same generated file and prints the ratios.
# Usage: bench/run.sh [path/to/vorn] [rows]
set -eu
BENCH_DIR=$(cd "$(dirname "$0")" && pwd)
source "$BENCH_DIR/lib.sh"
bench_setup "${1:-}" "${2:-}"

awk_copy='{for(i=1;i<=NF;i++)$i=$i+0;print}'
for awk in mawk gawk; do
    command -v $awk >/dev/null || continue
    compare "--nop (read+print all)" "$awk reformat" "$VORN" -# --nop "$DATA" - -- $awk "$awk_copy" "$DATA"
done
for part in reshape eval reorder budget; do
    BENCH_SOURCED=1 source "$BENCH_DIR/$part.sh"
done
