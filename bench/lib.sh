# Shared pieces of the benchmark scripts. Source it, call bench_setup [vorn] [rows], register
# comparisons with `pair`, then call run_pairs.
#
# Every registered command runs once per round, all commands of a round one after another, for
# BENCH_ROUNDS rounds (default 3): a machine that is busy for a while slows every command alike.
# Each command's time is the median over the rounds; the ratio of a pair is the peer's median
# over vorn's. Times are processor seconds (user + system) by default, which another process on
# a shared machine disturbs less than wall time; BENCH_CLOCK=wall uses elapsed time instead.

# pair LABEL PEER-LABEL TARGET VORN-CMD... -- PEER-CMD...: one comparison; TARGET is the least
# ratio (peer time / vorn time) aimed at, or - for none.
PAIR_LABELS=(); PAIR_PEERS=(); PAIR_TARGETS=(); PAIR_VORN=(); PAIR_OTHER=()
pair() {
    local label=$1 peer=$2 target=$3; shift 3
    local vcmd="" ocmd="" a
    while [ "$1" != "--" ]; do vcmd+=" $(printf '%q' "$1")"; shift; done
    shift
    for a in "$@"; do ocmd+=" $(printf '%q' "$a")"; done
    PAIR_LABELS+=("$label"); PAIR_PEERS+=("$peer"); PAIR_TARGETS+=("$target")
    PAIR_VORN+=("$vcmd"); PAIR_OTHER+=("$ocmd")
}

# seconds_of COMMAND-STRING: "wall cpu" of one run, output to /dev/null
seconds_of() {
    local TIMEFORMAT='%3R %3U %3S' t
    t=$( { time bash -c "$1" > /dev/null 2>&1; } 2>&1 )
    awk '{ printf "%.3f %.3f", $1, $2 + $3 }' <<< "$t"
}

median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.4f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

run_pairs() {
    local rounds=${BENCH_ROUNDS:-3} column=2 r i w c
    [ "${BENCH_CLOCK:-cpu}" = wall ] && column=1
    local -a vt ot
    for ((r = 1; r <= rounds; r++)); do
        for i in "${!PAIR_LABELS[@]}"; do
            read -r w c <<< "$(seconds_of "${PAIR_VORN[$i]}")"
            [ $column = 1 ] && vt[$i]+=" $w" || vt[$i]+=" $c"
            read -r w c <<< "$(seconds_of "${PAIR_OTHER[$i]}")"
            [ $column = 1 ] && ot[$i]+=" $w" || ot[$i]+=" $c"
        done
    done
    printf '%s seconds, median of %d interleaved rounds; ratio = peer / vorn (higher is better for vorn)\n' \
        "${BENCH_CLOCK:-cpu}" "$rounds"
    printf '%-28s %8s   %-30s %8s %8s %8s\n' operation vorn peer time ratio target
    local tv to ratio mark
    for i in "${!PAIR_LABELS[@]}"; do
        tv=$(median <<< "${vt[$i]}")
        to=$(median <<< "${ot[$i]}")
        ratio=$(awk -v a="$to" -v b="$tv" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "inf" }')
        mark=""
        if [ "${PAIR_TARGETS[$i]}" != - ]; then
            mark=$(awk -v r="$ratio" -v t="${PAIR_TARGETS[$i]}" 'BEGIN { print (r == "inf" || r + 0 >= t + 0) ? "met" : "missed" }')
        fi
        printf '%-28s %8s   %-30s %8s %8s %8s %s\n' "${PAIR_LABELS[$i]}" "$tv" "${PAIR_PEERS[$i]}" "$to" "$ratio" \
            "${PAIR_TARGETS[$i]}" "$mark"
    done
    PAIR_LABELS=(); PAIR_PEERS=(); PAIR_TARGETS=(); PAIR_VORN=(); PAIR_OTHER=()
}

# peak_kib COMMAND...: the peak resident size of one run in KiB (empty without /usr/bin/time)
peak_kib() {
    [ -x /usr/bin/time ] || return 0
    /usr/bin/time -f %M "$@" 2>&1 > /dev/null | tail -1
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

# compare LABEL PEER-LABEL VORN-CMD... -- PEER-CMD...: a pair without a target.
compare() {
    local label=$1 peer=$2; shift 2
    pair "$label" "$peer" - "$@"
}
