# Shared pieces of the benchmark scripts. Source it, then call bench_setup [vorn] [rows].
# seconds COMMAND...: best wall time of three runs, output to /dev/null
seconds() {
    local best="" s e t
    for _ in 1 2 3; do
        s=$(date +%s.%N)
        "$@" > /dev/null 2>&1
        e=$(date +%s.%N)
        t=$(awk -v s="$s" -v e="$e" 'BEGIN { print e - s }')
        if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
    done
    printf '%.3f' "$best"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# compare LABEL OTHER-LABEL VORN-CMD... -- OTHER-CMD...: both timings and how many times
# longer the other tool takes than vorn.
compare() {
    local label=$1 olabel=$2; shift 2
    local vcmd=()
    while [ "$1" != "--" ]; do vcmd+=("$1"); shift; done
    shift
    local tv to
    tv=$(seconds "${vcmd[@]}")
    to=$(seconds "$@")
    printf '%-30s vorn %7ss   %-22s %7ss   %s is %sx vorn\n' "$label" "$tv" "$olabel" "$to" "$olabel" "$(ratio "$to" "$tv")"
}

# bench_setup [vorn] [rows]: sets VORN, ROWS, DATA (a generated 10-column file) and BENCH_WORK,
# a scratch directory removed at exit, and changes into it.
bench_setup() {
    local here
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    VORN=$(realpath "${1:-$here/../build/vorn}")
    ROWS=${2:-1000000}
    BENCH_WORK=$(mktemp -d)
    trap 'rm -rf "$BENCH_WORK"' EXIT
    DATA=$BENCH_WORK/data.dat
    bash "$here/gen.sh" "$ROWS" 10 "$DATA"
    cd "$BENCH_WORK" || exit 1
    echo "file: $ROWS rows x 10 columns, $(du -h "$DATA" | cut -f1)"
}
