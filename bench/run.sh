#!/usr/bin/env bash
# Times vorn against everyday tools on the same generated file and prints the ratios.
# Usage: bench/run.sh [path/to/vorn] [rows]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
vorn=$(realpath "${1:-$here/../build/vorn}")
rows=${2:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
data=$work/data.dat
bash "$here/gen.sh" "$rows" 10 "$data"
cd "$work"

# seconds COMMAND...: best wall time of three runs, output to /dev/null
seconds() {
    local best=""
    for _ in 1 2 3; do
        local s e t
        s=$(date +%s.%N)
        "$@" > /dev/null 2>&1
        e=$(date +%s.%N)
        t=$(awk -v s="$s" -v e="$e" 'BEGIN { print e - s }')
        if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
    done
    printf '%.3f' "$best"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
compare() {  # compare LABEL OTHER-LABEL VORN-CMD... -- OTHER-CMD...
    local label=$1 olabel=$2; shift 2
    local vcmd=() ocmd=()
    while [ "$1" != "--" ]; do vcmd+=("$1"); shift; done; shift
    ocmd=("$@")
    local tv to
    tv=$(seconds "${vcmd[@]}")
    to=$(seconds "${ocmd[@]}")
    printf '%-28s vorn %7ss   %-22s %7ss   %s is %sx vorn\n' "$label" "$tv" "$olabel" "$to" "$olabel" "$(ratio "$to" "$tv")"
}

echo "file: $rows rows x 10 columns, $(du -h "$data" | cut -f1)"
awk_copy='{for(i=1;i<=NF;i++)$i=$i+0;print}'
if command -v mawk >/dev/null; then
    compare "--nop (read+print all)" "mawk reformat" "$vorn" -# --nop "$data" - -- mawk "$awk_copy" "$data"
fi
if command -v gawk >/dev/null; then
    compare "--nop (read+print all)" "gawk reformat" "$vorn" -# --nop "$data" - -- gawk "$awk_copy" "$data"
fi
for extra in "$here"/reshape.sh "$here"/eval.sh; do
    [ -f "$extra" ] && VORN="$vorn" DATA="$data" source "$extra"
done
exit 0
