#!/usr/bin/env bash
# Reshaping benchmarks: -k, -t and -c beside the nearest everyday tool on the same file.
# Sourced by bench/run.sh (which sets VORN and DATA and defines compare); it also runs on its
# own: bench/reshape.sh [path/to/vorn] [rows]
if ! declare -F compare >/dev/null; then
    set -eu
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    VORN=$(realpath "${1:-$here/../build/vorn}")
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    DATA=$work/data.dat
    bash "$here/gen.sh" "${2:-1000000}" 10 "$DATA"
    seconds() {  # best wall time of three runs, output to /dev/null
        local best="" s e t
        for _ in 1 2 3; do
            s=$(date +%s.%N); "$@" > /dev/null 2>&1; e=$(date +%s.%N)
            t=$(awk -v s="$s" -v e="$e" 'BEGIN { print e - s }')
            if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
        done
        printf '%.3f' "$best"
    }
    compare() {  # compare LABEL OTHER-LABEL VORN-CMD... -- OTHER-CMD...
        local label=$1 olabel=$2; shift 2
        local vcmd=()
        while [ "$1" != "--" ]; do vcmd+=("$1"); shift; done; shift
        local tv to
        tv=$(seconds "${vcmd[@]}"); to=$(seconds "$@")
        printf '%-28s vorn %7ss   %-22s %7ss   %s is %sx vorn\n' "$label" "$tv" "$olabel" "$to" "$olabel" \
            "$(awk -v a="$to" -v b="$tv" 'BEGIN { printf "%.2f", a / b }')"
    }
    echo "file: $(wc -l < "$DATA") lines x 10 columns, $(du -h "$DATA" | cut -f1)"
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
