#!/usr/bin/env bash
# Column arithmetic and the smoothing and median filters, end to end: scale and offset, the named
# maths functions, threshold and range row filters, the five-point kernel and the median filter.
source "$(dirname "$0")/lib.bash" "$1"

VERSION_LINE=$("$VORN_BIN" -v | head -1)
printf '1 2 3\n4 49 6\n' > two.dat
printf '1 2 3\n# note\n4 5 6\n' > commented.dat
: > empty.dat

# ---- scale and offset ------------------------------------------------------------------------
run -m 2 -e 2 two.dat out.dat
expect_rc "-m runs" 0
expect_file "-m doubles the selected column only" out.dat $'1 4 3\n4 98 6\n'
expect_eq "-m announcement" $'Multiplies selected columns by 2\nFound 3 variables.\n\n'"$VERSION_LINE" \
    "$(printf '%s' "$ERR" | head -4)"
run -# -m 2 -i -e 2 two.dat -
expect_eq "-i turns the selection round" $'2 2 6\n8 49 12\n' "$OUT"
run -# --multiply=1e308 -e 3 two.dat -
expect_eq "overflow becomes an infinity" $'1 2 inf\n4 49 inf\n' "$OUT"
run -# --divide 4 -e 1 two.dat -
expect_eq "--divide 4 multiplies by 0.25" $'0.25 2 3\n1 49 6\n' "$OUT"
expect_eq "--divide quiet title" $'Vorn: Divide by 4 \n' "$ERR"
run --divide 4 -e 1 two.dat -
expect_contains "--divide long announcement" $'Divides selected columns by 4\n' "$ERR"
run -# --divide 49 -x2 -e 2 two.dat -
expect_eq "division is a product with the rounded reciprocal" $'1 0.0408163265306122416 3\n4 0.999999999999999889 6\n' "$OUT"
run -# -m 2 -e 1 two.dat
expect_rc "-m needs an output name" 1
run -# -m 2 two.dat out.dat
expect_contains "-m needs a selection" "No vornfile name or -e option" "$ERR"
run -# -p -1.5 -e 1,3 two.dat -
expect_eq "-p -1.5 subtracts" $'-0.5 2 1.5\n2.5 49 4.5\n' "$OUT"
expect_eq "-p quiet title" $'Vorn: Add with -1.5 \n' "$ERR"
run -# --divide 2 -i -e 1 two.dat -
expect_eq "-i: every column but the named one is divided" $'1 1 1.5\n4 24.5 3\n' "$OUT"
run -# --add-line-count -m 2 -e 2 two.dat -
expect_eq "--add-line-count: the row count heads the output" $'2\n1 4 3\n4 98 6\n' "$OUT"
run --add=3 -e 1 two.dat -
expect_contains "-p long announcement" $'Adds 3 to selected columns.\nFound 3 variables.\n' "$ERR"
run -# -a -p 1 -e 2 commented.dat -
expect_eq "comments stay in place" $'1 3 3\n# note\n4 6 6\n' "$OUT"
run -# -m 2 -e 1 empty.dat out.dat
expect_rc "empty input runs" 0
expect_file "empty input writes nothing" out.dat ''
run -# -p 1 -e 1 --output-c empty.dat -
expect_eq "empty input: prolog and epilog only" $'double data[][0] = {\n};\n' "$OUT"

# ---- maths functions -------------------------------------------------------------------------
printf '100 -1\n1000 0\n' > logs.dat
run --math=log -e 1 logs.dat -
expect_eq "log is base 10" $'2 -1\n3 0\n' "$OUT"
expect_contains "--math long announcement" $'Apply function log to selected columns\n' "$ERR"
run -# --math=log -e 2 logs.dat out.dat
expect_rc "log of a negative number is fatal" 1
expect_contains "log message" $'Logarithm taken of zero or negative number\nSelect --special-log to replace offenders by log(1e-100).\n' "$ERR"
expect_contains "the error names its module" $'\nError in File:math_columns.cpp(' "$ERR"
expect_file "nothing written before the first offender" out.dat ''
printf '0 1\n' > zero.dat
run -# --math=ln -e 1 zero.dat out.dat
expect_rc "the logarithm of zero is fatal too" 1
expect_contains "ln of zero message" $'Logarithm taken of zero or negative number\n' "$ERR"
printf 'nan 1\n-0 1\n' > nanzero.dat
run -# --math=log2 --special-log -x1 -e 1 nanzero.dat -
expect_eq "a NaN reaches the logarithm; -0 is an offender" $'nan 1\n-332.192809488736259 1\n' "$OUT"
run -# --math=sqrt -e 1 nanzero.dat -
expect_eq "sqrt keeps NaN and -0" $'nan 1\n-0 1\n' "$OUT"
run -# --math=inv -e 1 nanzero.dat out.dat
expect_rc "inv of NaN is fatal" 1
expect_contains "inv of NaN message" $'Division by zero\n' "$ERR"
expect_file "inv stops at the first row" out.dat ''
run -# --math=log --special-log -e 2 logs.dat -
expect_eq "--special-log: log gives -100" $'100 -100\n1000 -100\n' "$OUT"
printf '0.5 -5\n' > ln.dat
run -# --math=ln --special-log -x2 -e 2 ln.dat -
expect_eq "--special-log: ln gives ln(1e-100)" $'0.5 -230.258509299404579\n' "$OUT"
printf '8 0\n' > log2.dat
run -# --math=log2 --special-log -x-1 -e 1-2 log2.dat -
expect_eq "log2 of 8 and of 0" $'3 -332.192809488736259\n' "$OUT"
printf '4 -1\n9 0\n' > roots.dat
run -# --math=sqrt -e 1 roots.dat -
expect_eq "unselected negatives never reach sqrt" $'2 -1\n3 0\n' "$OUT"
run -# --math=sqrt -e 2 roots.dat out.dat
expect_contains "sqrt of a negative number" $'Square root of a negative number\n' "$ERR"
expect_rc "sqrt error status" 1
printf '27 -8\n' > cubes.dat
run -# --math=sqrt3 -e 1-2 cubes.dat -
expect_eq "sqrt3: a negative value gives NaN" $'3 -nan\n' "$OUT"
printf '4\n0\n' > inv.dat
run -# --math=inv -e 1 inv.dat out.dat
expect_rc "inv of zero is fatal" 1
expect_contains "inv message" $'Division by zero\n' "$ERR"
expect_file "rows before the offender are written" out.dat $'0.25\n'
printf '%s\n' '-3 -2 2.5 -2.5' > powers.dat
run -# --math=x2 -e 1 powers.dat -
expect_eq "x2" $'9 -2 2.5 -2.5\n' "$OUT"
run -# --math=x3 -e 2 powers.dat -
expect_eq "x3" $'-3 -8 2.5 -2.5\n' "$OUT"
run -# --math=ceil -e 3-4 powers.dat -
expect_eq "ceil" $'-3 -2 3 -2\n' "$OUT"
run -# --math=fabs -e 1-4 powers.dat -
expect_eq "fabs" $'3 2 2.5 2.5\n' "$OUT"
run -# --math=Sin -e 1-4 powers.dat -
expect_eq "unknown names are the identity" $'-3 -2 2.5 -2.5\n' "$OUT"
expect_eq "the unknown name is shown as given" $'Vorn: Apply Sin \n' "$ERR"
# log10 is ln x / ln 10, which differs from the library base-10 logarithm in the last bits.
printf '0.5 1\n' > named.dat
for pair in 'log10 -0.301029995663981143' 'sinh 0.521095305493747385' 'cosh 1.1276259652063807' \
            'tan 0.546302489843790484' 'asin 0.523598775598298927' 'acos 1.04719755119659785' \
            'floor 0' 'nop 0.5' 'sqrt 0.707106781186547573'; do
    run -# --math="${pair%% *}" -x1 -e 1 named.dat -
    expect_eq "--math=${pair%% *}" "${pair#* } 1"$'\n' "$OUT"
done
printf '0 1\n' > trig.dat
run -# --math=cos -e 1 trig.dat -
expect_eq "cos" $'1 1\n' "$OUT"
run -# --math=atan -x-1 -e 2 trig.dat -
expect_eq "atan" $'0 0.785398163397448279\n' "$OUT"

# ---- threshold and range -----------------------------------------------------------------------
printf '4 9\n5 9\n6 9\n' > levels.dat
run --removegt=5 -e 1 levels.dat out.dat
expect_file "--removegt keeps the rows at or below" out.dat $'4 9\n5 9\n'
expect_eq "--removegt announcement and tally" \
    $'Removes rows which have values greater than 5 in the selected columns\nFound 2 variables.\nkept 2 and removed 1 of 3\n\n'"$VERSION_LINE" \
    "$(printf '%s' "$ERR" | head -5)"
run -# --removegt=5 -e 1 levels.dat -
expect_eq "quiet title and the tally" $'Remove > 5. kept 2 and removed 1 of 3\n\n' "$ERR"
run --keepgt=5 -e 1 levels.dat -
expect_eq "--keepgt removes at or below" $'6 9\n' "$OUT"
expect_contains "--keepgt is the removal sentence of leq" $'Removes rows which have values less than or equal 5 in the selected columns\n' "$ERR"
run -# --keeplt=5 -e 1 levels.dat -
expect_eq "--keeplt" $'4 9\n' "$OUT"
expect_contains "--keeplt quiet title" 'Remove >= 5. ' "$ERR"
run -# --removelt=5 -e 1 levels.dat -
expect_eq "--removelt" $'5 9\n6 9\n' "$OUT"
run -# --keepeq=5 -e 1 levels.dat -
expect_eq "--keepeq" $'5 9\n' "$OUT"
printf '1 9 1\n9 1 1\n1 1 9\n' > either.dat
run -# --removegt=5 -e 1,3 either.dat -
expect_eq "either selected column removes the row" $'1 9 1\n' "$OUT"
run -# --removegt=5 -e 2 either.dat -
expect_eq "unselected columns never remove a row" $'9 1 1\n1 1 9\n' "$OUT"
run -# --removegt=5 -i -e 2 either.dat -
expect_eq "-i: the columns not named are tested" $'1 9 1\n' "$OUT"
run -# --add-line-count --removegt=5 -e 1 levels.dat -
expect_eq "--add-line-count announces the rows read, not the rows kept" $'3\n4 9\n5 9\n' "$OUT"

printf '0.30000000000000004 1\n0.3000000000000002 2\n0.3000000000000003 3\n0.3 4\n' > fuzz.dat
run -# --removeeq=0.3 -e 1 fuzz.dat -
expect_eq "equality within the default tolerance, bound included" $'0.3 3\n' "$OUT"
run -# --keepeq=0.3 -e 1 fuzz.dat -
expect_eq "--keepeq is the complement" $'0.3 1\n0.3 2\n0.3 4\n' "$OUT"
run -# --fuzz=1e-12 --removeeq=0.3 -e 1 fuzz.dat -
expect_eq "--fuzz widens the tolerance" '' "$OUT"
expect_eq "tally with every row removed" $'Remove = 0.3. kept 0 and removed 4 of 4\n\n' "$ERR"
printf '1000000.0000000002 1\n1000000 2\n' > big.dat
run -# --removeeq=1e6 -e 1 big.dat -
expect_eq "the tolerance is absolute: near 1e6 equality is exact" $'1000000 1\n' "$OUT"
# The difference inf - inf is NaN, so an infinity is never equal to itself here.
printf 'inf 1\n2 1\n' > inf.dat
run -# --removeeq=inf -e 1 inf.dat -
expect_eq "--removeeq=inf keeps the infinity" $'inf 1\n2 1\n' "$OUT"
run -# --removeneq=inf -e 1 inf.dat -
expect_eq "--removeneq=inf removes the infinity too" '' "$OUT"
run -# --removegeq=inf -e 1 inf.dat -
expect_eq "--removegeq=inf removes it (not less)" $'2 1\n' "$OUT"

printf 'nan 1\n' > nan.dat
for opt in removegt removelt removeeq; do
    run -# --$opt=1 -e 1 nan.dat -
    expect_eq "NaN survives --$opt" $'nan 1\n' "$OUT"
done
for opt in removegeq removeleq removeneq; do
    run -# --$opt=1 -e 1 nan.dat -
    expect_eq "NaN is removed by --$opt" '' "$OUT"
done
run -# --range-keep=0,2 -e 1 nan.dat -
expect_eq "NaN is out of every range" '' "$OUT"
run -# --range-remove=0,2 -e 1 nan.dat -
expect_eq "NaN is in no range" $'nan 1\n' "$OUT"

printf '0 1\n1 1\n4.5 1\n5 1\n' > range.dat
run --range-remove=1,5 -e 1 range.dat -
expect_eq "--range-remove is half open" $'0 1\n5 1\n' "$OUT"
expect_contains "--range-remove announcement" $'Removes rows which have values in the range [1, 5) in the selected columns\n' "$ERR"
expect_contains "--range-remove tally" $'kept 2 and removed 2 of 4\n' "$ERR"
run -# --range-keep=1,5 -e 1 range.dat -
expect_eq "--range-keep is half open" $'1 1\n4.5 1\n' "$OUT"
expect_eq "--range-keep quiet title" $'Keep [1, 5). kept 2 and removed 2 of 4\n\n' "$ERR"
run -# --range-remove=5,1 -e 1 range.dat -
expect_eq "reversed range removes nothing" $'0 1\n1 1\n4.5 1\n5 1\n' "$OUT"
run -# --range-keep=3,3 -e 1 range.dat -
expect_eq "empty range keeps nothing" '' "$OUT"
run -# --range-keep=3 -e 1 range.dat -
expect_rc "a range needs two numbers" 1
run -# --removegt=1 -e 1 empty.dat -
expect_eq "empty input tally" $'Remove > 1. kept 0 and removed 0 of 0\n\n' "$ERR"
run -# -a --removegt=1 -e 1 commented.dat -
expect_eq "comments stay in place among kept rows" $'1 2 3\n# note\n' "$OUT"

# ---- five-point smoothing filter ------------------------------------------------------------------
printf '0 7\n0 7\n0 7\n0 7\n0 7\n1 7\n0 7\n0 7\n0 7\n0 7\n0 7\n' > spike.dat
run -f -e 1 spike.dat out.dat
expect_rc "-f runs" 0
expect_file "a spike becomes the kernel" out.dat \
    $'0 7\n0 7\n0 7\n0.107 7\n0.179 7\n0.428 7\n0.179 7\n0.107 7\n0 7\n0 7\n0 7\n'
expect_eq "-f report" \
    $'Apply filter to selected columns\nFound 2 variables.\nFound 11 rows.\n1 \nMessage: Filtering...\r\nMessage: Filtering done\n\n\n'"$VERSION_LINE" \
    "$(printf '%s' "$ERR" | head -9)"
run -# -f -e 2 spike.dat -
expect_eq "a constant column stays" "$(cat spike.dat)"$'\n' "$OUT"
expect_eq "-f quiet title lists the selection" $'Vorn: Filter 2 \n' "$ERR"
run -i -f -e 2 spike.dat -
expect_eq "-i filters the columns not named; the listing names the selection" \
    $'0 7\n0 7\n0 7\n0.107 7\n0.179 7\n0.428 7\n0.179 7\n0.107 7\n0 7\n0 7\n0 7\n' "$OUT"
expect_contains "-i listing" $'Found 11 rows.\n2 \nMessage: ' "$ERR"
printf '1\n9\n1\n9\n' > four.dat
run --add-line-count -f -e 1 four.dat -
expect_eq "--add-line-count with -f" $'4\n1\n9\n1\n9\n' "$OUT"
expect_contains "the rows are counted twice" $'Found 1 variables.\nFound 4 rows.\nFound 4 rows.\n1 \n' "$ERR"
run -# -f3 -e 1 spike.dat a.out; run -# -f99 -e 1 spike.dat b.out
expect_eq "the tap count changes nothing" "$(cat a.out)" "$(cat b.out)"
run -# -f4 -e 1 spike.dat -
expect_contains "an even tap count only warns" "Filtertaps should be odd (4), adjusting uppwards to 5" "$ERR"
printf '1 2\n9 2\n1 2\n9 2\n1 2\n9 2\n' > ends.dat
run -# -f -e 1 ends.dat -
expect_eq "the two rows at each end keep their values" $'1 2\n9 2\n3.864 2\n6.136 2\n1 2\n9 2\n' "$OUT"
printf '1\n9\n1\n9\n' > four.dat
run -# -f -e 1 four.dat -
expect_eq "four rows are written unchanged" $'1\n9\n1\n9\n' "$OUT"
run -# -f -e 5 spike.dat -
expect_eq "an empty selection writes the rows unchanged" "$(cat spike.dat)"$'\n' "$OUT"
printf '0\n0\n# c\n0\n5\n0\n0\n0\n1 2\n3 4\n' > trail.dat
run -# -a -f -e 1 trail.dat -
expect_eq "comments are not written; rows after the counted run are not written" \
    $'0\n0\n0.895\n2.14\n0.895\n0\n0\n' "$OUT"
run -# -f -e 1 empty.dat out.dat
expect_rc "-f on empty input" 0
expect_file "-f on empty input writes nothing" out.dat ''

# ---- median filter --------------------------------------------------------------------------------
printf '1 1\n9 1\n2 1\n8 1\n3 1\n' > med.dat
run -u 1 -e 1 med.dat out.dat
expect_rc "-u runs" 0
expect_file "median of three" out.dat $'1 1\n2 1\n8 1\n3 1\n3 1\n'
expect_eq "-u report" \
    $'Apply filter to selected columns\nFound 2 variables.\nFound 5 rows.\nFound 5 rows.\n\nMessage: Filtering...\r\nMessage: Filtering done\n\n\n'"$VERSION_LINE" \
    "$(printf '%s' "$ERR" | head -10)"
run -# -u 1 -e 1 med.dat -
expect_eq "-u quiet title" $'Vorn: Filter \n' "$ERR"
run -# -u 2 -e 1 med.dat -
expect_eq "a window as long as the data changes the middle row only" $'1 1\n9 1\n3 1\n8 1\n3 1\n' "$OUT"
printf '1\n2\n3\n4\n' > short.dat
run -# -u 2 -e 1 short.dat out.dat
expect_rc "window longer than the data" 1
expect_contains "window message" 'Too many filtertaps(=2) for data (filtertaps*2+1)(=5) > 4' "$ERR"
printf '5\n5\n5\n50\n5\n5\n1\n1\n1\n1\n' > spikestep.dat
run -# -u 1 -e 1 spikestep.dat -
expect_eq "a spike disappears and a step keeps its edge" $'5\n5\n5\n5\n5\n5\n1\n1\n1\n1\n' "$OUT"
printf '1 2\n3 4\n5 6\n7\n8 9\n' > ragged.dat
run -# -u 1 -e 1 ragged.dat out.dat
expect_rc "rows of another width are fatal" 1
expect_contains "ragged message" $'Can\'t read all lines\n' "$ERR"
printf '# head\n1\n9\n# mid\n2\n8\n3\n' > medc.dat
run -# -a -u 1 -e 1 medc.dat -
expect_eq "comments go out ahead of the rows" $'# head\n# mid\n1\n2\n8\n3\n3\n' "$OUT"
printf '1\n9\n2\n8\n3\n# tail\n' > medt.dat
run -# -a --output-c --add-line-count -u 1 -e 1 medt.dat -
expect_eq "a trailing comment follows the prolog, ahead of the rows" \
    $'double data[5][1] = {\n/* # tail */\n{ 1},\n{ 2},\n{ 8},\n{ 3},\n{ 3},\n};\n' "$OUT"
run -# -u 1 -e 1 empty.dat out.dat
expect_contains "empty input is too short for any window" 'Too many filtertaps(=1) for data (filtertaps*2+1)(=3) > 0' "$ERR"

finish
