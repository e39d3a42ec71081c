#!/usr/bin/env bash
# Column arithmetic and the smoothing and median filters, end to end: scale and offset, the named
# maths functions, threshold and range row filters, the five-point kernel and the median filter.
source "$(dirname "$0")/lib.bash" "$1"

VERSION_LINE=$("$VORN_BIN" -v | head -1)
printf '1 2 3\n4 49 6\n' > two.dat
printf '1 2 3\n# note\n4 5 6\n' > commented.dat
: > empty.dat

# ---- scale and offset ------------------------------------------------------------------------
rc_is "-m runs" -m 2 -e 2 two.dat out.dat 0
expect_file "-m doubles the selected column only" out.dat $'1 4 3\n4 98 6\n'
expect_eq "-m announcement" $'Multiplies selected columns by 2\nFound 3 variables.\n\n'"$VERSION_LINE" \
    "$(printf '%s' "$ERR" | head -4)"
out_is "-i turns the selection round" -# -m 2 -i -e 2 two.dat - $'2 2 6\n8 49 12\n'
out_is "overflow becomes an infinity" -# --multiply=1e308 -e 3 two.dat - $'1 2 inf\n4 49 inf\n'
out_is "--divide 4 multiplies by 0.25" -# --divide 4 -e 1 two.dat - $'0.25 2 3\n1 49 6\n'
expect_eq "--divide quiet title" $'Vorn: Divide by 4 \n' "$ERR"
err_has "--divide long announcement" --divide 4 -e 1 two.dat - $'Divides selected columns by 4\n'
out_is "division is a product with the rounded reciprocal" -# --divide 49 -x2 -e 2 two.dat - $'1 0.0408163265306122416 3\n4 0.999999999999999889 6\n'
rc_is "-m needs an output name" -# -m 2 -e 1 two.dat 1
err_has "-m needs a selection" -# -m 2 two.dat out.dat "No vornfile name or -e option"
out_is "-p -1.5 subtracts" -# -p -1.5 -e 1,3 two.dat - $'-0.5 2 1.5\n2.5 49 4.5\n'
expect_eq "-p quiet title" $'Vorn: Add with -1.5 \n' "$ERR"
out_is "-i: every column but the named one is divided" -# --divide 2 -i -e 1 two.dat - $'1 1 1.5\n4 24.5 3\n'
out_is "--add-line-count: the row count heads the output" -# --add-line-count -m 2 -e 2 two.dat - $'2\n1 4 3\n4 98 6\n'
err_has "-p long announcement" --add=3 -e 1 two.dat - $'Adds 3 to selected columns.\nFound 3 variables.\n'
out_is "comments stay in place" -# -a -p 1 -e 2 commented.dat - $'1 3 3\n# note\n4 6 6\n'
rc_is "empty input runs" -# -m 2 -e 1 empty.dat out.dat 0
expect_file "empty input writes nothing" out.dat ''
out_is "empty input: prolog and epilog only" -# -p 1 -e 1 --output-c empty.dat - $'double data[][0] = {\n};\n'

# ---- maths functions -------------------------------------------------------------------------
printf '100 -1\n1000 0\n' > logs.dat
out_is "log is base 10" --math=log -e 1 logs.dat - $'2 -1\n3 0\n'
expect_contains "--math long announcement" $'Apply function log to selected columns\n' "$ERR"
rc_is "log of a negative number is fatal" -# --math=log -e 2 logs.dat out.dat 1
expect_contains "log message" $'Logarithm taken of zero or negative number\nSelect --special-log to replace offenders by log(1e-100).\n' "$ERR"
expect_contains "the error names its module" $'\nError in File:math_columns.cpp(' "$ERR"
expect_file "nothing written before the first offender" out.dat ''
printf '0 1\n' > zero.dat
rc_is "the logarithm of zero is fatal too" -# --math=ln -e 1 zero.dat out.dat 1
expect_contains "ln of zero message" $'Logarithm taken of zero or negative number\n' "$ERR"
printf 'nan 1\n-0 1\n' > nanzero.dat
out_is "a NaN reaches the logarithm; -0 is an offender" -# --math=log2 --special-log -x1 -e 1 nanzero.dat - $'nan 1\n-332.192809488736259 1\n'
out_is "sqrt keeps NaN and -0" -# --math=sqrt -e 1 nanzero.dat - $'nan 1\n-0 1\n'
rc_is "inv of NaN is fatal" -# --math=inv -e 1 nanzero.dat out.dat 1
expect_contains "inv of NaN message" $'Division by zero\n' "$ERR"
expect_file "inv stops at the first row" out.dat ''
out_is "--special-log: log gives -100" -# --math=log --special-log -e 2 logs.dat - $'100 -100\n1000 -100\n'
printf '0.5 -5\n' > ln.dat
out_is "--special-log: ln gives ln(1e-100)" -# --math=ln --special-log -x2 -e 2 ln.dat - $'0.5 -230.258509299404579\n'
printf '8 0\n' > log2.dat
out_is "log2 of 8 and of 0" -# --math=log2 --special-log -x-1 -e 1-2 log2.dat - $'3 -332.192809488736259\n'
printf '4 -1\n9 0\n' > roots.dat
out_is "unselected negatives never reach sqrt" -# --math=sqrt -e 1 roots.dat - $'2 -1\n3 0\n'
err_has "sqrt of a negative number" -# --math=sqrt -e 2 roots.dat out.dat $'Square root of a negative number\n'
expect_rc "sqrt error status" 1
printf '27 -8\n' > cubes.dat
out_is "sqrt3: a negative value gives NaN" -# --math=sqrt3 -e 1-2 cubes.dat - $'3 -nan\n'
printf '4\n0\n' > inv.dat
rc_is "inv of zero is fatal" -# --math=inv -e 1 inv.dat out.dat 1
expect_contains "inv message" $'Division by zero\n' "$ERR"
expect_file "rows before the offender are written" out.dat $'0.25\n'
printf -- '-4 -0.5\n' > neginv.dat
out_is "inv of negative numbers" -# --math=inv -e 1-2 neginv.dat - $'-0.25 -2\n'
printf '%s\n' '-3 -2 2.5 -2.5' > powers.dat
out_is "x2" -# --math=x2 -e 1 powers.dat - $'9 -2 2.5 -2.5\n'
out_is "x3" -# --math=x3 -e 2 powers.dat - $'-3 -8 2.5 -2.5\n'
out_is "ceil" -# --math=ceil -e 3-4 powers.dat - $'-3 -2 3 -2\n'
out_is "fabs" -# --math=fabs -e 1-4 powers.dat - $'3 2 2.5 2.5\n'
out_is "unknown names are the identity" -# --math=Sin -e 1-4 powers.dat - $'-3 -2 2.5 -2.5\n'
expect_eq "the unknown name is shown as given" $'Vorn: Apply Sin \n' "$ERR"
# log10 is ln x / ln 10, which differs from the library base-10 logarithm in the last bits.
printf '0.5 1\n' > named.dat
for pair in 'log10 -0.301029995663981143' 'sinh 0.521095305493747385' 'cosh 1.1276259652063807' \
            'tan 0.546302489843790484' 'asin 0.523598775598298927' 'acos 1.04719755119659785' \
            'floor 0' 'nop 0.5' 'sqrt 0.707106781186547573'; do
    out_is "--math=${pair%% *}" -# --math="${pair%% *}" -x1 -e 1 named.dat - "${pair#* } 1"$'\n'
done
printf '0 1\n' > trig.dat
out_is "cos" -# --math=cos -e 1 trig.dat - $'1 1\n'
out_is "atan" -# --math=atan -x-1 -e 2 trig.dat - $'0 0.785398163397448279\n'

# ---- threshold and range -----------------------------------------------------------------------
printf '4 9\n5 9\n6 9\n' > levels.dat
file_is "--removegt keeps the rows at or below" out.dat --removegt=5 -e 1 levels.dat out.dat $'4 9\n5 9\n'
expect_eq "--removegt announcement and tally" \
    $'Removes rows which have values greater than 5 in the selected columns\nFound 2 variables.\nkept 2 and removed 1 of 3\n\n'"$VERSION_LINE" \
    "$(printf '%s' "$ERR" | head -5)"
err_is "quiet title and the tally" -# --removegt=5 -e 1 levels.dat - $'Remove > 5. kept 2 and removed 1 of 3\n\n'
out_is "--keepgt removes at or below" --keepgt=5 -e 1 levels.dat - $'6 9\n'
expect_contains "--keepgt is the removal sentence of leq" $'Removes rows which have values less than or equal 5 in the selected columns\n' "$ERR"
out_is "--keeplt" -# --keeplt=5 -e 1 levels.dat - $'4 9\n'
expect_contains "--keeplt quiet title" 'Remove >= 5. ' "$ERR"
printf '1 9 1\n9 1 1\n1 1 9\n' > either.dat
out_is "either selected column removes the row" -# --removegt=5 -e 1,3 either.dat - $'1 9 1\n'
out_is "unselected columns never remove a row" -# --removegt=5 -e 2 either.dat - $'9 1 1\n1 1 9\n'
out_is "-i: the columns not named are tested" -# --removegt=5 -i -e 2 either.dat - $'1 9 1\n'
out_is "--add-line-count announces the rows read, not the rows kept" -# --add-line-count --removegt=5 -e 1 levels.dat - $'3\n4 9\n5 9\n'

printf '0.30000000000000004 1\n0.3000000000000002 2\n0.3000000000000003 3\n0.3 4\n' > fuzz.dat
out_is "equality within the default tolerance, bound included" -# --removeeq=0.3 -e 1 fuzz.dat - $'0.3 3\n'
out_is "--keepeq is the complement" -# --keepeq=0.3 -e 1 fuzz.dat - $'0.3 1\n0.3 2\n0.3 4\n'
out_is "--fuzz widens the tolerance" -# --fuzz=1e-12 --removeeq=0.3 -e 1 fuzz.dat - ''
expect_eq "tally with every row removed" $'Remove = 0.3. kept 0 and removed 4 of 4\n\n' "$ERR"
printf '1000000.0000000002 1\n1000000 2\n' > big.dat
out_is "the tolerance is absolute: near 1e6 equality is exact" -# --removeeq=1e6 -e 1 big.dat - $'1000000 1\n'
# The difference inf - inf is NaN, so an infinity is never equal to itself here.
printf 'inf 1\n2 1\n' > inf.dat
out_is "--removeeq=inf keeps the infinity" -# --removeeq=inf -e 1 inf.dat - $'inf 1\n2 1\n'
out_is "--removeneq=inf removes the infinity too" -# --removeneq=inf -e 1 inf.dat - ''
out_is "--removegeq=inf removes it (not less)" -# --removegeq=inf -e 1 inf.dat - $'2 1\n'

# Signs: negative levels and values, zero and negative zero, NaN (which survives the removals of
# greater, less and equal, and is in no range). Each row holds a value and its row number;
# kept_rows NAME OPTION FILE NUMBERS checks which rows OPTION keeps.
kept_rows() { run -# "$2" -e 1 "$3" -; expect_eq "$1" "$4" "$(printf '%s' "$OUT" | cut -d' ' -f2 | tr '\n' ' ')"; }
printf '%s\n' '-3 1' '-1 2' '-0 3' '0 4' '2 5' 'nan 6' > signs.dat
for case in 'removegt keepleq|1 2 6 ' 'removelt keepgeq|2 3 4 5 6 ' 'removeeq keepneq|1 3 4 5 6 ' \
            'removeleq keepgt|3 4 5 ' 'removegeq keeplt|1 ' 'removeneq keepeq|2 '; do
    for opt in ${case%|*}; do kept_rows "--$opt=-1 on signed values" "--$opt=-1" signs.dat "${case#*|}"; done
done
printf '%s\n' '-0.5 1' '-0 2' '0 3' '0.5 4' > zeros.dat
for case in 'removelt=0|2 3 4 ' 'removelt=-0|2 3 4 ' 'removegt=0|1 2 3 ' 'removegt=-0|1 2 3 ' 'removeeq=0|1 4 ' \
            'removeneq=-0|2 3 ' 'removegeq=0|1 ' 'removeleq=-0|4 '; do
    kept_rows "--${case%|*}: -0 and 0 are equal" "--${case%|*}" zeros.dat "${case#*|}"
done
printf '%s\n' '-3 1' '-2 2' '-1.5 3' '-1 4' '-0 5' 'nan 6' > negrange.dat
for case in 'range-remove=-2,-1|1 4 5 6 ' 'range-keep=-2,-1|2 3 ' 'range-keep=-1,0|4 ' 'range-remove=-1,-0|1 2 3 5 6 '; do
    kept_rows "--${case%|*}: half open with negative ends" "--${case%|*}" negrange.dat "${case#*|}"
done

printf '0 1\n1 1\n4.5 1\n5 1\n' > range.dat
out_is "--range-remove is half open" --range-remove=1,5 -e 1 range.dat - $'0 1\n5 1\n'
expect_contains "--range-remove announcement" $'Removes rows which have values in the range [1, 5) in the selected columns\n' "$ERR"
expect_contains "--range-remove tally" $'kept 2 and removed 2 of 4\n' "$ERR"
out_is "--range-keep is half open" -# --range-keep=1,5 -e 1 range.dat - $'1 1\n4.5 1\n'
expect_eq "--range-keep quiet title" $'Keep [1, 5). kept 2 and removed 2 of 4\n\n' "$ERR"
out_is "reversed range removes nothing" -# --range-remove=5,1 -e 1 range.dat - $'0 1\n1 1\n4.5 1\n5 1\n'
out_is "empty range keeps nothing" -# --range-keep=3,3 -e 1 range.dat - ''
rc_is "a range needs two numbers" -# --range-keep=3 -e 1 range.dat - 1
err_is "empty input tally" -# --removegt=1 -e 1 empty.dat - $'Remove > 1. kept 0 and removed 0 of 0\n\n'
out_is "comments stay in place among kept rows" -# -a --removegt=1 -e 1 commented.dat - $'1 2 3\n# note\n'

# ---- five-point smoothing filter ------------------------------------------------------------------
printf '0 7\n0 7\n0 7\n0 7\n0 7\n1 7\n0 7\n0 7\n0 7\n0 7\n0 7\n' > spike.dat
rc_is "-f runs" -f -e 1 spike.dat out.dat 0
expect_file "a spike becomes the kernel" out.dat $'0 7\n0 7\n0 7\n0.107 7\n0.179 7\n0.428 7\n0.179 7\n0.107 7\n0 7\n0 7\n0 7\n'
expect_eq "-f report" \
    $'Apply filter to selected columns\nFound 2 variables.\nFound 11 rows.\n1 \nMessage: Filtering...\r\nMessage: Filtering done\n\n\n'"$VERSION_LINE" \
    "$(printf '%s' "$ERR" | head -9)"
out_is "a constant column stays" -# -f -e 2 spike.dat - "$(cat spike.dat)"$'\n'
expect_eq "-f quiet title lists the selection" $'Vorn: Filter 2 \n' "$ERR"
out_is "-i filters the columns not named; the listing names the selection" -i -f -e 2 spike.dat - \
    $'0 7\n0 7\n0 7\n0.107 7\n0.179 7\n0.428 7\n0.179 7\n0.107 7\n0 7\n0 7\n0 7\n'
expect_contains "-i listing" $'Found 11 rows.\n2 \nMessage: ' "$ERR"
printf '1\n9\n1\n9\n' > four.dat
out_is "--add-line-count with -f" --add-line-count -f -e 1 four.dat - $'4\n1\n9\n1\n9\n'
expect_contains "the rows are counted twice" $'Found 1 variables.\nFound 4 rows.\nFound 4 rows.\n1 \n' "$ERR"
run -# -f3 -e 1 spike.dat a.out; run -# -f99 -e 1 spike.dat b.out
expect_eq "the tap count changes nothing" "$(cat a.out)" "$(cat b.out)"
err_has "an even tap count only warns" -# -f4 -e 1 spike.dat - "Filtertaps should be odd (4), adjusting uppwards to 5"
printf '1 2\n9 2\n1 2\n9 2\n1 2\n9 2\n' > ends.dat
out_is "the two rows at each end keep their values" -# -f -e 1 ends.dat - $'1 2\n9 2\n3.864 2\n6.136 2\n1 2\n9 2\n'
out_is "four rows are written unchanged" -# -f -e 1 four.dat - $'1\n9\n1\n9\n'
out_is "an empty selection writes the rows unchanged" -# -f -e 5 spike.dat - "$(cat spike.dat)"$'\n'
printf '0\n0\n# c\n0\n5\n0\n0\n0\n1 2\n3 4\n' > trail.dat
out_is "comments are not written; rows after the counted run are not written" -# -a -f -e 1 trail.dat - \
    $'0\n0\n0.895\n2.14\n0.895\n0\n0\n'
rc_is "-f on empty input" -# -f -e 1 empty.dat out.dat 0
expect_file "-f on empty input writes nothing" out.dat ''

# ---- median filter --------------------------------------------------------------------------------
printf '1 1\n9 1\n2 1\n8 1\n3 1\n' > med.dat
rc_is "-u runs" -u 1 -e 1 med.dat out.dat 0
expect_file "median of three" out.dat $'1 1\n2 1\n8 1\n3 1\n3 1\n'
expect_eq "-u report" \
    $'Apply filter to selected columns\nFound 2 variables.\nFound 5 rows.\nFound 5 rows.\n\nMessage: Filtering...\r\nMessage: Filtering done\n\n\n'"$VERSION_LINE" \
    "$(printf '%s' "$ERR" | head -10)"
err_is "-u quiet title" -# -u 1 -e 1 med.dat - $'Vorn: Filter \n'
out_is "a window as long as the data changes the middle row only" -# -u 2 -e 1 med.dat - $'1 1\n9 1\n3 1\n8 1\n3 1\n'
printf '1\n2\n3\n4\n' > short.dat
rc_is "window longer than the data" -# -u 2 -e 1 short.dat out.dat 1
expect_contains "window message" 'Too many filtertaps(=2) for data (filtertaps*2+1)(=5) > 4' "$ERR"
printf '5\n5\n5\n50\n5\n5\n1\n1\n1\n1\n' > spikestep.dat
out_is "a spike disappears and a step keeps its edge" -# -u 1 -e 1 spikestep.dat - $'5\n5\n5\n5\n5\n5\n1\n1\n1\n1\n'
printf '1 2\n3 4\n5 6\n7\n8 9\n' > ragged.dat
rc_is "rows of another width are fatal" -# -u 1 -e 1 ragged.dat out.dat 1
expect_contains "ragged message" $'Can\'t read all lines\n' "$ERR"
printf '# head\n1\n9\n# mid\n2\n8\n3\n' > medc.dat
out_is "comments go out ahead of the rows" -# -a -u 1 -e 1 medc.dat - $'# head\n# mid\n1\n2\n8\n3\n3\n'
printf '1\n9\n2\n8\n3\n# tail\n' > medt.dat
out_is "a trailing comment follows the prolog, ahead of the rows" -# -a --output-c --add-line-count -u 1 -e 1 medt.dat - \
    $'double data[5][1] = {\n/* # tail */\n{ 1},\n{ 2},\n{ 8},\n{ 3},\n{ 3},\n};\n'
err_has "empty input is too short for any window" -# -u 1 -e 1 empty.dat out.dat 'Too many filtertaps(=1) for data (filtertaps*2+1)(=3) > 0'

finish
