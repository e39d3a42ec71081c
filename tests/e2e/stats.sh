#!/usr/bin/env bash
# Summaries seen from the command line: statistics worked out by hand, against exact rational
# arithmetic and sorted arrays, in memory and spilled, per group, related columns and in bins.
source "$(dirname "$0")/lib.bash" "$1"

# --- Worked by hand: ties, even and odd counts, one row, no numbers, infinities.
printf '1 5 7 nan\n2 5 inf nan\n2 1 -inf nan\n9 3 1 nan\n' > h.dat
out_is "every statistic of a small column" -# -e 1 --stats=count,nan,sum,min,max,range,absmin,absmax,mean,geomean,harmmean,median,q1,q3,iqr,p0,p100,p90,mode,antimode,pvar,svar,pstdev,sstdev,mad,sem h.dat - \
    $'# column count nan sum min max range absmin absmax mean geomean harmmean median q1 q3 iqr p0 p100 p90 mode antimode pvar svar pstdev sstdev mad sem\n1 4 0 14 1 9 8 1 9 3.5 2.44949 1.894737 2 1.75 3.75 2 1 9 6.9 2 1 10.25 13.666667 3.201562 3.696846 0.5 1.848423\n'
out_is "skewness and kurtosis" -# -e 2 --stats=pskew,sskew,pkurt,skurt h.dat - \
    $'# column pskew sskew pkurt skurt\n2 -0.493382 -0.854563 -1.371901 -1.289256\n'
out_is "infinities take part; no numbers gives count 0 and nan" -# -e 3,4 --stats=count,nan,sum,mean,min,max,median,sstdev h.dat - \
    $'# column count nan sum mean min max median sstdev\n3 4 0 nan nan -inf inf 4 nan\n4 0 4 nan nan nan nan nan nan\n'
printf '5\n' > one.dat
out_is "one row: no sample variance" -# --stats=count,median,svar,pvar,mode one.dat - $'# column count median svar pvar mode\n1 1 5 nan 0 5\n'
printf '2 -1\n4 0\n' > neg.dat
out_is "geometric and harmonic means need values above 0" -# --stats=geomean,harmmean neg.dat - \
    $'# column geomean harmmean\n1 2.828427 2.666667\n2 nan nan\n'
out_is "without a list: the default set" -# --stats one.dat - $'# column count mean sstdev min q1 median q3 max\n1 1 5 nan 5 5 5 5 5\n'
out_is "names as the first row in CSV" -# --output-csv --stats=count one.dat - $'column, count\n1, 1\n'
out_is "names as the first row in LaTeX" -# --output-latex --stats=count one.dat - \
    $'% there are 0 lines in table\n\\begin{tabular}{l l}\ncolumn & count \\\\\n1 & 1 \\\\\n\\end{tabular}\n'
out_is "names in a comment in C" -# --output-c --add-line-count --stats=count one.dat - $'double data[1][2] = {\n/* # column count */\n{ 1, 1},\n};\n'

# --- Bad input: a message, status 1, nothing written.
for bad in "--stats=mean,bogus|Unknown statistic bogus; the statistics are: count nan" "--stats=p100.5|Percentile p100.5 is outside 0 to 100" \
    "--stats -e 5|The selection 5 names column 5, beyond the 4 columns of h.dat" "--group-by=7|The key column 7 is beyond the 4 columns" \
    "--histogram=0|The number of bins must be at least 1" "--histogram=3,2,1|The lower edge must be below the upper edge" \
    "--correlate=kendall|Unknown kind kendall for --correlate"; do
    # shellcheck disable=SC2086
    run -# ${bad%%|*} h.dat out.dat
    expect_rc "${bad%%|*} is refused" 1
    expect_contains "${bad%%|*} says why" "${bad#*|}" "$ERR"
    expect_no_file "${bad%%|*} writes nothing" out.dat
done

# --- Against exact rational arithmetic and sorted arrays, in memory and spilled.
if command -v python3 >/dev/null; then
    python3 -c '
import random
random.seed(7)
for i in range(3000):
    print(1e9 + random.randint(0, 99) / 8, repr(random.uniform(-1, 1) * 10 ** random.randint(-30, 30)),
          random.choice([1e16, -1e16, 1.0, 3e-5, 7.25]), random.randint(0, 9))' > r.dat
    cat > ref.py <<'PY'
import sys
from fractions import Fraction as F
from collections import Counter
cols = list(zip(*[map(float, l.split()) for l in open("r.dat")]))
def q(x, p):
    h = (len(x) - 1) * p; j = int(h); f = h - j
    if f == 0: return x[j]
    d = x[j + 1] - x[j]
    return x[j] + d * f if f < 0.5 else x[j + 1] - d * (1 - f)
for c, x in enumerate(cols, 1):
    x = sorted(x); n = len(x); s = sum(map(F, x)); m = s / n; ss = sum((F(v) - m) ** 2 for v in x)
    k = Counter(x); most = max(k.values()); least = min(k.values()); med = q(x, .5)
    print(" ".join("%.17g" % v for v in [c, s, m, ss / (n - 1), ss / n, q(x, .25), med, q(x, 99.9 / 100), x[0], x[-1],
        min(v for v in k if k[v] == most), min(v for v in k if k[v] == least), q(sorted(abs(v - med) for v in x), .5)]))
PY
    list=sum,mean,svar,pvar,q1,median,p99.9,p0,p100,mode,antimode,mad
    python3 ref.py > want.txt
    for memory in "" 64K; do
        run_env "VORN_MEMORY=$memory" -# --format=%.17g --stats=$list r.dat -
        expect_eq "exact sums and variances, order statistics (VORN_MEMORY=$memory)" "$(cat want.txt)" "$(tail -n +2 <<<"$OUT")"
    done
    run_env "VORN_MEMORY=64K" -# --group-by=4 --stats=count,$list r.dat -
    spilled=$OUT
    out_is "groups spilled and in memory agree" -# --group-by=4 --stats=count,$list r.dat - "$spilled"
else
    echo "python3 is not installed: no comparison with exact arithmetic"
fi
naive=$(awk '{ s += $1; q += $1 * $1 } END { n = NR; printf "%.6f", (q - s * s / n) / (n - 1) }' <<<$'1000000001\n1000000002\n1000000003')
out_is "1e9 + small values: the variance the naive formula misses ($naive)" -# --stats=svar <(printf '1000000001\n1000000002\n1000000003\n') - $'# column svar\n1 1\n'

# --- Groups in order of first appearance; related columns; bins.
printf '7 1 10\n3 2 20\n7 3 30\n-0 4 40\n0 5 nan\n' > g.dat
out_is "groups in order of first appearance, -0 and 0 one group" -# --group-by=1 --stats=count,sum g.dat - \
    $'# key column count sum\n7 2 2 4\n7 3 2 40\n3 2 1 2\n3 3 1 20\n0 2 2 9\n0 3 1 40\n'
out_is "a selection may name the key" -# --group-by=1 --stats=mean -e 1 g.dat - $'# key column mean\n7 1 7\n3 1 3\n0 1 0\n'
printf '1 2 9\n2 4 8\n3 6 7\n4 9 nan\n' > p.dat
out_is "pearson, rows with nan left out" -# --correlate p.dat - $'# column 1 2 3\n1 1 1 -1\n2 1 1 -1\n3 -1 -1 1\n'
out_is "sample covariance; only the selected columns decide which rows take part" -# --correlate=cov -e 1,2 p.dat - \
    $'# column 1 2\n1 1.666667 3.833333\n2 3.833333 8.916667\n'
out_is "spearman on ranks" -# --correlate=spearman -e 1-2 <(printf '1 1\n2 10\n3 100\n') - $'# column 1 2\n1 1 1\n2 1 1\n'
out_is "bins from least to greatest; the last holds its upper edge" -# --histogram=2 -e 3 p.dat - \
    $'# column lower upper count\n3 7 8 1\n3 8 9 2\n# column 3: 0 below, 0 above, 1 not a number\n'
out_is "bins over a given range count what falls outside" -# --histogram=1,2,4 -e 1 p.dat - \
    $'# column lower upper count\n1 2 4 3\n# column 1: 1 below, 0 above, 0 not a number\n'

# --- The new options leave the abbreviations of the old ones as they were.
out_is "--co still means --columns" -# --co -e 2 p.dat - $'1 9\n2 8\n3 7\n4 nan\n'
rc_is "--h still means --help" --more --h 0
out_is "--cor is --correlate" -# --cor=cov -e 1 p.dat - $'# column 1\n1 1.666667\n'
rc_is "--p still means --plot" -# --p p.dat plot.svg 0
expect_contains "--p drew a picture" "<svg" "$(cat plot.svg)"
finish
