#!/usr/bin/env bash
# The whole-file operations in memory and spilling to temporary files, on the same file: the
# budget is a quarter of what the file takes in memory, so every run below spills.
# Sourced by bench/run.sh; it also runs on its own: bench/budget.sh [path/to/vorn] [rows]
if [ -z "${BENCH_SOURCED:-}" ]; then
    set -eu
    source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lib.sh"
    bench_setup "${1:-}" "${2:-}"
fi

budget=$(( ROWS * 10 * 8 / 4 ))
for op in "-q 2" "-q 2,3" "-t" "--flip-ud" "--shuffle -e 1"; do
    compare "$op spilling" "$op in memory" env VORN_MEMORY=$budget "$VORN" -# $op "$DATA" - -- \
        "$VORN" -# $op "$DATA" -
done
