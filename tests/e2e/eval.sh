#!/usr/bin/env bash
# End-to-end runs of vorn --eval: results, new columns, prolog and epilog rows, selections,
# announcements, error output in both modes, and the four listings.
source "$(dirname "$0")/lib.bash"

printf '1 2\n3 4\n5 6\n' > t.dat
printf '# only a header\n# and more\n' > empty.dat
printf '# head\n1 2\n# middle\n3 4\n' > comments.dat

# to_file NAME PROGRAM EXPECTED / to_out NAME PROGRAM EXPECTED: a quiet run of PROGRAM over
# t.dat into out.dat / to standard output, which must then hold exactly EXPECTED.
to_file() { file_is "$1" out.dat -# --eval="$2" t.dat out.dat "$3"; }
to_out() { out_is "$1" -# --eval="$2" t.dat - "$3"; }

# ---- results and new columns ----
rc_is "sum as new column" -# --eval="n[1]=c[1]+c[2]" t.dat out.dat 0
expect_file "sum as new column" out.dat $'1 2 3\n3 4 7\n5 6 11\n'
to_file "replace column 1" "r[1]=c[1]+c[2]" $'3 2\n7 4\n11 6\n'
to_file "n[3] alone adds one column" "n[3]=1" $'1 2 1\n3 4 1\n5 6 1\n'
to_file "new columns in index order" "n[2]=1;n[1]=2" $'1 2 2 1\n3 4 2 1\n5 6 2 1\n'
to_file "previous row and line number" "n[1]=p[1];n[2]=_line" $'1 2 0 1\n3 4 1 2\n5 6 3 3\n'
to_out "an assignment to a temporary changes nothing" "x=1" $'1 2\n3 4\n5 6\n'

# ---- selection leaves input columns out ----
file_is "selected column moves to the end" out.dat -# -e 2 --eval="n[1]=c[2]" t.dat out.dat $'1 2\n3 4\n5 6\n'
file_is "selected column left out" out.dat -# -e 1 --eval="n[1]=c[1]*10" t.dat out.dat $'2 10\n4 30\n6 50\n'

# ---- prolog, globals and the epilog row ----
file_is "running sum" out.dat -# --eval-prolog="g[1]=0" --eval="g[1]=g[1]+c[1];n[1]=g[1]" t.dat out.dat \
    $'1 2 1\n3 4 4\n5 6 9\n'
file_is "epilog row with the product" out.dat -# --eval-begin="g[1]=1" --eval="g[1]=g[1]*c[1]" --eval-end="r[1]=g[1]" \
    t.dat out.dat $'1 2\n3 4\n5 6\n15 0\n'
file_is "epilog sees globals and the last row" out.dat -# --eval="g[2]=c[2]" --eval-epilog="n[1]=g[2]+p[1]" t.dat out.dat \
    $'1 2\n3 4\n5 6\n0 0 11\n'

rm -f out.dat
rc_is "global read before any assignment" -# --eval="g[1]=g[1]+c[1]" t.dat out.dat 1
expect_eq "global read before any assignment: plain" $'SyntaxError\n' "$OUT"
expect_no_file "no output when the first row fails" out.dat

rc_is "epilog has no c[k]" -# --eval="x=1" --eval-epilog="#?r[1]=c[1]" t.dat out.dat 1
expect_contains "epilog has no c[k]" "variable/constant (c[1]) not found" "$ERR"
expect_file "rows before the failing epilog stay" out.dat $'1 2\n3 4\n5 6\n'

rm -f out.dat
rc_is "no data rows" -# --eval="x=1" --eval-epilog="r[1]=1" empty.dat out.dat 0
expect_no_file "no data rows: no output file" out.dat
out_is "comments kept in place" -# -a --eval="n[1]=1" comments.dat - $'# head\n1 2 1\n# middle\n3 4 1\n'

# ---- old names and announcements ----
to_out "old names" "_n1=_c1*2" $'1 2 2\n3 4 6\n5 6 10\n'
expect_contains "old names: deprecation" $'\nMessage: \nVariables of type _n1, _c2  and _r4 are deprecated.\nPlease use       n[1], c[2] and r[4] instead.\n\n' "$ERR"
err_is "quiet announcement" -# --eval="n[1]=1" t.dat - $'Vorn: Apply n[1]=1 \n'
err_has "long announcement with translation" --eval="_n1=1" t.dat - $'Apply this expression (n[1]=1;) to all rows\nFound 2 variables.\n'

# ---- errors ----
rm -f out.dat
rc_is "power after a product" -# --eval="n[1]=2*3^2" t.dat out.dat 1
expect_eq "power after a product: plain" $'SyntaxError\n' "$OUT"
expect_no_file "power after a product: no output" out.dat

err_has "verbose excerpt" -# --eval="#?n[1]=2*3^2" t.dat out.dat $'#?n[1]=2*3^2;\n          ^\nprogram=0x'

rc_is "maths error in a branch not taken" -# --eval="n[1]=c[1]>1 ? sqrt(-c[1]) : 0" t.dat out.dat 1
expect_contains "maths error text" $'eval_func: Numerical argument out of domain\n' "$ERR"
expect_eq "maths error: plain" $'SyntaxError\n' "$OUT"

rc_is "maths error in verbose mode goes on" -# --eval="#?n[1]=sqrt(-1)" t.dat out.dat 0
expect_file "maths error in verbose mode goes on" out.dat $'1 2 -nan\n3 4 -nan\n5 6 -nan\n'
to_out "division by zero is not an error" "n[1]=3/(c[1]-3)" $'1 2 -1.5\n3 4 inf\n5 6 1.5\n'

err_has "unknown symbol" -# --eval="x=\$1" t.dat - 'error: unknown symbol 36 ($) at $1;'
expect_eq "unknown symbol has no SyntaxError" "" "$OUT"
rc_is "non-ASCII byte" -# --eval=$'x=\xc3\xa9' t.dat - 1
expect_contains "non-ASCII byte" "error: unknown symbol 195 (" "$ERR"

for prog in "n[1]=(1" "n[1]=1)" "n[1]=nosuch" "n[1]=nosuch(1)" "+" "n[1]=*" "(" ; do
    run -# --eval="$prog" t.dat -
    expect_rc "bad program $prog" 1
done

to_out "empty program passes rows through" "" $'1 2\n3 4\n5 6\n'
long=$(printf 'x=1;%.0s' $(seq 2500))
to_out "10,000-character program" "${long}n[1]=x" $'1 2 1\n3 4 1\n5 6 1\n'

# ---- debug traces ----
# Every level reports on its way out; the harvest lists the variables newest first: names made by
# this row, the row's r[k] from the last down, then the g-names of earlier runs. "ret" is what
# reading the name as r[index] returns, which for the bare name r is the end-of-input value -1.
printf '5 6\n' > one.dat
run_env "VORN=debug" -# --eval-prolog="g[1]=1" --eval="r=2;g[2]=g[1]+c[1]" one.dat -
expect_rc "debug run" 0
expect_contains "debug: level traces" $'ternary returns 2\nr = 2\nterm returns 1\nterm returns 5\nplus_minus returns 6\nrelationals returns 6\nrelationals_eq returns 6\nlogical_and returns 6\nlogical_or returns 6\nternary returns 6\ng[2] = 6\n' "$ERR"
harvest=$(printf '%s' "$ERR" | grep ':: debug: .*ret=' | sed 's/^.*:: debug: //')
expect_eq "debug: harvest listing" 'g[2] 6 ret=0 idx=0
ret=0 idx=0
ret=0 idx=0
r 2 ret=-1 idx=0
ret=-1 idx=0
ret=-1 idx=0
r[2] 6 ret=1 idx=2
ret=1 idx=2
r[1] 5 ret=1 idx=1
ret=1 idx=1
g[1] 1 ret=0 idx=0
ret=0 idx=0
ret=0 idx=0' "$harvest"

# ---- listings ----
rc_is "operators listing" --eval-operators 0
expect_eq "operators listing" $'Unary operators:\n\t+ -\n\nBinary operators: (in order of precedence\n\t^ **\n\t* / % \\ \n\t+ -\n\t< <= => >\n\t== != <>\n\t&&\n\t||\n\nTertinary operators:\n\t?:\n' "$OUT"
out_is "constants listing" --eval-constants $'_c           Speed of light\n_e           Base of the natural logarithm\n_pi          PI I.e. 3.1415927\n'
run --eval-functions
expect_eq "functions listing: lines" 29 "$(printf '%s' "$OUT" | wc -l)"
expect_contains "functions listing: two arguments" $'atan2(x,y)   arctangent of x/y, returns radians\n' "$OUT"
expect_contains "functions listing: sgn" $'sgn(x)       -1 if x<0, 1 if x>0, 0 if x=0\n' "$OUT"
out_is "examples listing" --eval-examples $'Some examples for --eval:\nIf t.dat is 2 columns & tt.dat the result.\n  vorn --eval="n[1]=c[1]+c[2]" t.dat tt.dat\nwill make a new third column that is the sum of column 1 & 2.\n\n  vorn --eval="r[1]=c[1]+c[2]" t.dat tt.dat\nwill replace the first column with the sum of column 1 & 2\n\n  vorn --eval="r[2]=sin(c[2])" t.dat tt.dat\nwill replace column 2 with the sine of column 2\n\n\'n[1]\' is the first new column. If you use \'n[3]\' without \'n[1]\' & \'n[2]\', \'n[3]\' will be the first column\n\n  vorn --eval-begin="g[1]=1" --eval="g[1]=g[1]*c[1]" --eval-end="r[1]=g[1]"\nwill initialize \'g[1]\' to 1 then multiply all column 1 values and write an extra line with the total product\n'

finish
