#!/usr/bin/env bash
# Noise, sort, shuffle, split and the sums, seen from the command line.
source "$(dirname "$0")/lib.bash" "$1"

# --- Sort
printf '3 1 7\n1 2 7\n2 9 7\n1 1 7\n' > s.dat
rc_is "sort status" -q 1,2 s.dat - 0
expect_eq "sort by 1, ties by 2" $'1 1 7\n1 2 7\n2 9 7\n3 1 7\n' "$OUT"
expect_eq "sort report" $'Sorting ascending\nFound 3 variables.\nFound 4 rows.\nFound 4 rows.\nSorting...done' \
    "$(printf '%s' "$ERR" | head -5)"
out_is "sort by 2, equal rows keep their order" -# --sort=2 s.dat - $'3 1 7\n1 1 7\n1 2 7\n2 9 7\n'
expect_eq "quiet sort title" $'Vorn: Sorting asc \n' "$ERR"
out_is "one negative entry makes every column descending" -# --qsort=-1,2 s.dat - $'3 1 7\n2 9 7\n1 2 7\n1 1 7\n'
expect_eq "quiet descending title" $'Vorn: Sorting desc \n' "$ERR"
out_is "pieces without a number are skipped" -# -q 2,x,-1 s.dat - $'2 9 7\n1 2 7\n3 1 7\n1 1 7\n'
out_is "no column at all: every row equal" -# -q x s.dat - $'3 1 7\n1 2 7\n2 9 7\n1 1 7\n'
rc_is "column out of range" -# -q 5 s.dat out.dat 1
expect_contains "range message" $'):\nsorting column 0 out of range ( 1 <= 5 <= 3)' "$ERR"
expect_no_file "a check made before writing creates no output" out.dat
err_has "column 0 refused, position counted from 0" -# -q 1,0 s.dat - "sorting column 1 out of range ( 1 <= 0 <= 3)"
err_has "minus zero is column 0" -# -q -0 s.dat - "( 1 <= 0 <= 3)"
printf '1 2\n3 4\n5\n' > ragged.dat
rc_is "rows beyond the count" -# -q 1 ragged.dat - 1
expect_contains "rows beyond the count message" $'):\nCan\'t read all lines\n' "$ERR"
printf '# head\n2 b\n# mid\n1 a\n' > cs.dat
out_is "comments come ahead of the rows" -# -a -q 1 cs.dat - $'# head\n# mid\n1\n2\n'
printf '%s\n' 0 -1 -0 -3 2 > signs.dat
out_is "negative values sort below zero; -0 and 0 are equal" -# -q 1 signs.dat - $'-3\n-1\n0\n-0\n2\n'
out_is "descending: -0 and 0 keep their order" -# -q -1 signs.dat - $'2\n0\n-0\n-1\n-3\n'
printf '1 nan\n1 2\n1 1\n0 5\n' > nan2.dat
out_is "a NaN in a later sort column compares equal to everything" -# -q 1,2 nan2.dat - $'0 5\n1 nan\n1 1\n1 2\n'
printf '3 0\nnan 0\n1 0\n2 0\n-inf 0\n' > nan.dat
rc_is "not-a-number values do not upset the sort" -# -q 1 nan.dat - 0
expect_eq "every row is written once" $'-inf 0\n1 0\n2 0\n3 0\nnan 0' "$(printf '%s' "$OUT" | sort)"
: > empty.dat
rc_is "empty file" -# -q 1 empty.dat out.dat 1
expect_contains "empty file has no column 1" "( 1 <= 1 <= 0)" "$ERR"

# Larger files against sort(1), stable and numeric: ties, negative zeros, infinities, keys that
# share their leading bytes and keys that differ in the first.
awk 'BEGIN { srand(9); for (i = 0; i < 5000; i++) {
    k = rand(); a = k < 0.1 ? "-0" : k < 0.15 ? "inf" : k < 0.2 ? "-inf" : sprintf("%.2f", rand() * 100 - 50)
    b = rand() < 0.5 ? sprintf("%.4f", rand()) : sprintf("%.3e", rand() * 1e5)
    printf "%d %s %d %s\n", i, a, int(rand() * 4), b } }' > long.dat
"$VORN_BIN" -# --nop long.dat plain.dat 2>/dev/null
for keys in "2:-k2,2" "-2:-r -k2,2" "3,2:-k3,3 -k2,2" "4:-k4,4" "-3,-4:-r -k3,3 -k4,4"; do
    run -# -q "${keys%%:*}" long.dat -
    expect_eq "-q ${keys%%:*} on 5000 rows is a stable numeric sort" "$(LC_ALL=C sort -s -g ${keys#*:} plain.dat)" \
        "$(cat stdout.txt)"
done

# --- Noise: one draw per selected cell, row by row, left to right, from the same start each run
printf '0 0\n0 0\n' > z.dat
out_is "noise values" -n 1 -e 1-2 z.dat - $'-0.403545 0.430238\n-0.933958 0.748787\n'
expect_eq "noise report" $'Adds noise to the selected columns\nFound 2 variables.' "$(printf '%s' "$ERR" | head -2)"
out_is "unselected columns unchanged" -# --noise=1 -e 2 z.dat - $'0 -0.403545\n0 0.430238\n'
expect_eq "quiet noise title" $'Vorn: Add noise to \n' "$ERR"
out_is "inverted selection" -# -i -n 1 -e 1 z.dat - $'0 -0.403545\n0 0.430238\n'
out_is "level 0 changes nothing" -# -n 0 -e 1-2 s.dat - $'3 1 7\n1 2 7\n2 9 7\n1 1 7\n'
out_is "empty selection copies" -# -n 5 -e '' s.dat - $'3 1 7\n1 2 7\n2 9 7\n1 1 7\n'
seq 1 2000 | sed 's/.*/10 0 20/' > many.dat
run -# -n 0.5 -e 1,3 many.dat -
expect_eq "all rows processed" 2000 "$(printf '%s' "$OUT" | wc -l | tr -d ' ')"
expect_eq "noise within the level" "ok" "$(printf '%s' "$OUT" | awk '$1<9.5||$1>10.5||$2!=0||$3<19.5||$3>20.5{bad=1} END{print bad?"bad":"ok"}')"
first=$OUT
out_is "two runs give the same noise" -# -n 0.5 -e 1,3 many.dat - "$first"
out_is "noise keeps comments in place" -# -a -n 1 -e 1 cs.dat - $'# head\n1.596455\n# mid\n1.430238\n'

# --- Shuffle
seq 1 20 | awk '{print $1, $1+100, $1+200}' > sh.dat
rc_is "shuffle status" --shuffle -e 1,3 sh.dat - 0
expect_eq "shuffle report" $'Shuffling\nFound 3 variables.\nFound 20 rows.\nFound 20 rows.' \
    "$(printf '%s' "$ERR" | head -4)"
expect_eq "column 1 keeps its values" "$(cut -d' ' -f1 sh.dat | sort -n)" "$(printf '%s' "$OUT" | cut -d' ' -f1 | sort -n)"
expect_eq "column 3 keeps its values" "$(cut -d' ' -f3 sh.dat | sort -n)" "$(printf '%s' "$OUT" | cut -d' ' -f3 | sort -n)"
expect_eq "unselected column in input order" "$(cut -d' ' -f2 sh.dat)" "$(printf '%s' "$OUT" | cut -d' ' -f2)"
c1=$(printf '%s' "$OUT" | awk '{print $1}'); c3=$(printf '%s' "$OUT" | awk '{print $3-200}')
if [ "$c1" != "$c3" ]; then pass; else fail "selected columns are permuted independently"; fi
if [ "$c1" != "$(seq 1 20)" ]; then pass; else fail "the column is reordered"; fi
run -# --shuffle -e '' sh.dat -
expect_eq "empty selection leaves the file unchanged" "$(cat sh.dat)" "${OUT%$'\n'}"
expect_eq "quiet shuffle title" $'Vorn: Shuffling \n' "$ERR"
err_has "shuffle: rows beyond the count" -# --shuffle -e 1 ragged.dat - "Can't read all lines"
rc_is "shuffle of an empty file" -# --shuffle -e 1 empty.dat out.dat 0
expect_file "shuffle of an empty file writes nothing" out.dat ""

# --- Split
seq 1 10 | awk '{print $1, $1*10}' > data.txt
rc_is "split status" -d3 data.txt 0
expect_file "training rows" data.trn $'1 10\n2 20\n3 30\n'
expect_file "test rows" data.tst $'4 40\n5 50\n6 60\n7 70\n8 80\n9 90\n10 100\n'
EXPECTED_SPLIT=$'Found 2 variables.\nVariables:2\nRows:10\nSplits file after row 3.\nInfile\t\t: data.txt\trows 10\nTraining file\t: data.trn\trows 3\nTest file\t: data.tst\trows 7\nFound 2 variables.\n\n'
expect_eq "split report" "$EXPECTED_SPLIT" "${ERR:0:${#EXPECTED_SPLIT}}"
expect_eq "split writes no standard output" "" "$OUT"
err_is "quiet split report (the check always reports)" -# --split=3 data.txt $'Vorn: Split Found 2 variables.\nat row 3\n'
run -# -d30p data.txt
expect_eq "30 percent of 10 rows" 3 "$(wc -l < data.trn | tr -d ' ')"
run -# -d25% data.txt
expect_eq "25 percent of 10 rows truncates" $'1 10\n2 20\n' "$(cat data.trn)"$'\n'
expect_eq "the rest is the test file" 8 "$(wc -l < data.tst | tr -d ' ')"
file_is "random training rows, in input order" data.trn -d3s data.txt $'1 10\n3 30\n8 80\n'
expect_file "random test rows, in input order" data.tst $'2 20\n4 40\n5 50\n6 60\n7 70\n9 90\n10 100\n'
expect_contains "random split report" $'Splits the file with 3 rows in the trainingfile\nand 7 rows in the testfile.\n' "$ERR"
err_is "quiet random split report" -# -d50ps data.txt $'Vorn: Split Found 2 variables.\n5 train & 5 test\n'
cat data.trn data.tst | sort -n > union.txt
expect_eq "random split: every row once" "$(cat data.txt)" "$(cat union.txt)"
file_is "split at 0: empty training file" data.trn -# -d0 data.txt ""
expect_eq "split at 0: every row in the test file" "$(cat data.txt)" "$(cat data.tst)"
rm -f data.trn data.tst
rc_is "split at the row count" -# -d10 data.txt 1
expect_contains "split at the row count message" $'):\nAt least 1 and max 10' "$ERR"
expect_no_file "no output before the check" data.trn
file_is "selected column left out of the training file" data.trn -# -d3 -e 2 data.txt $'1\n2\n3\n'
expect_eq "selected column left out of the test file" 7 "$(grep -c '^[0-9]*$' data.tst)"
cp data.txt plain
file_is "name without extension" plain.trn -# -d2 plain $'1 10\n2 20\n'
expect_file "name without extension, test" plain.tst "$(tail -n 8 data.txt)"$'\n'
mkdir -p d.x && cp data.txt d.x/data
file_is "the last dot may lie in a directory name" d.trn -# -d2 d.x/data $'1 10\n2 20\n'
# The file check consumes the --skip-rows countdown; the split's own pass then starts again at
# the first line and skips nothing, reading only as many rows as the check counted.
{ printf '100 100\n'; cat data.txt; } > skip.txt
err_is "skip rows: the check counts the rows after the skipped one" -# --skip-rows=1 -d3 skip.txt $'Vorn: Split Found 2 variables.\nat row 3\n'
expect_file "skip rows: the split's pass does not skip" skip.trn $'100 100\n1 10\n2 20\n'
expect_file "skip rows: only the counted number of rows is read" skip.tst "$(sed -n '3,9p' data.txt)"$'\n'
printf '# head\n1 2\n# mid\n3 4\n5 6\n' > sc.dat
run -# -a -d1 sc.dat
expect_eq "split: the test file gets no comments" $'3 4\n5 6' "$(cat sc.tst)"
file_is "prolog counts per file" sc.tst -# --add-line-count -d1 sc.dat $'2\n3 4\n5 6\n'

# --- Sums
printf '1 2\n3 4\n5 6\n' > v.dat
out_is "vertical sum" --sum-col v.dat - $'1 2\n3 4\n5 6\n9 12\n'
expect_eq "vertical sum report" $'Vertical sum except selected rows\nFound 2 variables.\nFound 3 rows.' "$(printf '%s' "$ERR" | head -3)"
out_is "selected row not summed" -# --sum_vertical -e 2 v.dat - $'1 2\n3 4\n5 6\n6 8\n'
expect_eq "quiet vertical title" $'Vorn: Vertical sum \n' "$ERR"
out_is "inverse does not apply to the vertical sum" -# -i --sum-vertical -e 2 v.dat - $'1 2\n3 4\n5 6\n6 8\n'
out_is "every row selected" -# --sum_col -e 1-3 v.dat - $'1 2\n3 4\n5 6\n0 0\n'
out_is "the prolog counts the sum row" -# --sum-col --add-line-count v.dat - $'4\n1 2\n3 4\n5 6\n9 12\n'
# A row after the counted ones has no mark, so it is summed.
out_is "rows beyond the count are summed" -# --sum-col -e 1 ragged.dat - $'1 2\n3 4\n5 0\n8 4\n'
printf '1\n2\n3\n4\n5\n' > five.dat
out_is "a step range that ends on the last row leaves it out of the sum" -# --sum-col -e 1:2:5 five.dat - $'1\n2\n3\n4\n5\n6\n'
printf '1 2 3\n' > h.dat
out_is "horizontal sum" --sum-row h.dat - $'1 2 3 6\n'
expect_eq "horizontal sum report" $'Horizontal sum except selected columns\nFound 3 variables.' "$(printf '%s' "$ERR" | head -2)"
out_is "selected column written but not summed" -# --sum_row -e 1 h.dat - $'1 2 3 5\n'
expect_eq "quiet horizontal title" $'Vorn: Horizontal sum \n' "$ERR"
out_is "inverse applies to the horizontal sum" -# -i --sum-horizontal -e 1 h.dat - $'1 2 3 1\n'
out_is "the prolog counts the sum column" -# --output-c --sum_horizontal h.dat - $'double data[][4] = {\n{ 1, 2, 3, 6},\n};\n'
out_is "comments in place" -# -a --sum-row cs.dat - $'# head\n2 2\n# mid\n1 1\n'
file_is "no data: no sum row" out.dat -# --sum-col empty.dat out.dat ""
file_is "no data: no sum column" out.dat -# --sum-row empty.dat out.dat ""

finish
