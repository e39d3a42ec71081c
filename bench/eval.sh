#!/usr/bin/env bash
# Times --eval "n[1]=c[1]+c[2]" against mawk '{print $0, $1+$2}' on the same generated file.
# Usage: bench/eval.sh [path/to/vorn] [rows] [cols]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
vorn=$(realpath "${1:-$here/../build/vorn}")
rows=${2:-1000000}
cols=${3:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
data=$work/data.dat
bash "$here/gen.sh" "$rows" "$cols" "$data"
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

tv=$(seconds "$vorn" -# --eval "n[1]=c[1]+c[2]" "$data" -)
tm=$(seconds mawk '{print $0, $1+$2}' "$data")
printf 'eval n[1]=c[1]+c[2]  %d rows x %d cols: vorn %ss  mawk %ss  vorn/mawk %s\n' "$rows" "$cols" "$tv" "$tm" \
    "$(awk -v a="$tv" -v b="$tm" 'BEGIN { printf "%.2f", a / b }')"

# memory stays flat as the file grows: peak resident size for the file and for a tenth of it
if command -v /usr/bin/time > /dev/null; then
    head -n $((rows / 10)) "$data" > small.dat
    big=$(/usr/bin/time -f %M "$vorn" -# --eval "n[1]=c[1]+c[2]" "$data" - 2>&1 > /dev/null | tail -1)
    small=$(/usr/bin/time -f %M "$vorn" -# --eval "n[1]=c[1]+c[2]" small.dat - 2>&1 > /dev/null | tail -1)
    printf 'peak memory: %s KiB for %d rows, %s KiB for %d rows\n' "$big" "$rows" "$small" $((rows / 10))
fi
