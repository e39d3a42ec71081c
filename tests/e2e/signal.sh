#!/usr/bin/env bash
# Running averages, windowed-sinc filters, difference and shift, seen from the command line.
source "$(dirname "$0")/lib.bash" "$1"

VERSION_LINE=$("$VORN_BIN" -v | head -1)
# A selected ramp beside an unselected column.
printf '1 10\n2 20\n3 30\n4 40\n5 50\n' > ramp.dat

# --- Running average: the four modes on a window of 3
out_is "mode 0 adds zeros before the first row" -# --running-average=3,0 -e 1 ramp.dat - $'0.333333 10\n1 20\n2 30\n3 40\n4 50\n'
out_is "mode 1 divides by the rows there are" -# --running-avg=3,1 -e 1 ramp.dat - $'1 10\n1.5 20\n2 30\n3 40\n4 50\n'
out_is "mode 2 takes the others from the window's middle" -# --running-mean=3,2 -e 1 ramp.dat - $'2 20\n3 30\n4 40\n'
out_is "mode 3 takes the others from the newest row" -# --running-average=3,3 -e 1 ramp.dat - $'2 30\n3 40\n4 50\n'
out_is "mode 2 is the default" -# --running-average=3 -e 1 ramp.dat - $'2 20\n3 30\n4 40\n'
expect_eq "running average quiet title" $'Vorn: Filter \n' "$ERR"
out_is "mode 2, even window: third row of four" -# --running-average=4,2 -e 1 ramp.dat - $'2.5 30\n3.5 40\n'
for window in 1 0 -3; do
    seq 1 8 | "$VORN_BIN" -# --running-average=$window,3 -e 1 - - > stdout.txt 2> stderr.txt
    expect_file "a window of $window becomes 5" stdout.txt $'3\n4\n5\n6\n'
    expect_contains "a window of $window warns" "Running average window $window is too small. Using 5 instead" \
        "$(cat stderr.txt)"
done
out_is "window as long as the file writes one row" -# --running-average=5,3 -e 1-2 ramp.dat - $'3 30\n'

file_is "running average on the second column" out.dat --running-average=3,0 -e 2 ramp.dat out.dat $'1 3.333333\n2 10\n3 20\n4 30\n5 40\n'
expect_rc "running average status" 0
expect_eq "running average report" $'Apply filter to selected columns\nFound 2 variables.\nFound 5 rows.\nFound 5 rows.\n\n\n'"$VERSION_LINE" "$(printf '%s' "$ERR" | head -7)"

printf '1 10\n2 20\n' > two.dat
run -# --running-average=3 -e 1 two.dat out.dat
expect_rc "window longer than the data" 1
expect_contains "window error quotes the window twice" "Too many filtertaps(=3) for data (filtertaps)(=3) > 2" "$ERR"
expect_file "the window error leaves the earlier output as it was" out.dat $'1 3.333333\n2 10\n3 20\n4 30\n5 40\n'

# An empty selection (a column that does not exist) shows which rows each mode writes.
out_is "empty selection, mode 0 copies" -# --running-average=3,0 -e 9 ramp.dat - $'1 10\n2 20\n3 30\n4 40\n5 50\n'
out_is "empty selection, mode 2" -# --running-average=3,2 -e 9 ramp.dat - $'2 20\n3 30\n4 40\n'
out_is "empty selection, mode 3" -# --running-average=3,3 -e 9 ramp.dat - $'3 30\n4 40\n5 50\n'

printf '# head\n1 10\n# between\n2 20\n3 30\n7\n9 90\n' > ragged.dat
out_is "comments in place; rows after the counted run are not read" -# -a --running-average=2,1 -e 1 ragged.dat - \
    $'# head\n1 10\n# between\n1.5 20\n2.5 30\n'
out_is "windowed modes: comments met while the window fills come first" -# -a --running-average=2,2 -e 1 ragged.dat - \
    $'# head\n# between\n1.5 20\n2.5 30\n'
out_is "line count header" -# --add-line-count --running-average=2,0 -e 1 ramp.dat - $'5\n0.5 10\n1.5 20\n2.5 30\n3.5 40\n4.5 50\n'

# --- Windowed-sinc filters
printf '0 1\n0 2\n0 3\n0 4\n1 5\n0 6\n0 7\n0 8\n0 9\n0 10\n' > impulse.dat
out_is "impulse gives the kernel, peak M/2 rows before" -# --sinc-lp=0.1,4 -e 1 impulse.dat - \
    $'-0 1\n0.194401 2\n0.611197 3\n0.194401 4\n-0 5\n0 6\n0 7\n0 8\n0 9\n0 10\n'
expect_eq "sinc quiet title lists the selection" $'Vorn: Filter 1 \n' "$ERR"
out_is "M=2 moves the column up one row; its last row falls to 0" -# --sinc-lp=0.25,2 -e 2 impulse.dat - \
    $'0 2\n0 3\n0 4\n0 5\n1 6\n0 7\n0 8\n0 9\n0 10\n0 -0\n'

for i in 1 2 3 4 5 6 7 8 9 10 11 12; do echo "5 $i"; done > const.dat
out_is "low-pass keeps a constant, falling off over the last M rows" -# --sinc-lp=0.1,4 -e 1 const.dat - \
    "$(printf '5 %d\n' 1 2 3 4 5 6 7 8 9)"$'\n4.027993 10\n0.972007 11\n-0 12\n'
out_is "high-pass removes a constant" -# --sinc-hp=0.2,4 -e 1 const.dat - \
    "$(printf '0 %d\n' 1 2 3 4 5 6 7 8 9)"$'\n0.849445 10\n-0.849445 11\n0 12\n'
run -# --sinc-bp=0.1,0.3,4 -e 1 const.dat -
expect_eq "band-pass removes a constant" "$(printf '0 %d\n' 1 2 3 4 5 6 7 8)" "$(printf '%s' "$OUT" | head -8)"
run -# --sinc-lp=0.1,20 -e 1 const.dat -
expect_eq "fewer rows than M+1: every row cut short" "3.929068 1" "$(printf '%s' "$OUT" | head -1)"
expect_eq "fewer rows than M+1: all rows written" 12 "$(printf '%s' "$OUT" | wc -l)"

run --sinc-lp=0.1,4 -e 1 const.dat out.dat
expect_eq "sinc report" $'Apply filter to selected columns\nFound 2 variables.\nFound 12 rows.\n1 \nMessage: Filtering...\r\nMessage: Filtering done\n\n\n'"$VERSION_LINE" \
    "$(printf '%s' "$ERR" | head -9)"

printf '# head\n0 1\n# mid\n5 2\n5 3\n9\n7 7\n' > sc.dat
out_is "sinc: comments are not written, rows after the counted run are dropped" -# -a --sinc-lp=0.1,2 -e 1 sc.dat - $'5 1\n5 2\n-0 3\n'

# M = 0 (a kernel without a window, whose lone window argument is 0/0) and a negative M (which
# would stand for a kernel of some four billion points) are refused before any file is touched,
# for every filter type.
for opt in --sinc-lp=0.1,0 --sinc-hp=0.1,0 --sinc-bp=0.1,0.3,0 --sinc-bs=0.1,0.3,0 --sinc-lp=0.1,-2 \
    --sinc-bs=0.1,0.3,-2147483648; do
    rm -f out.dat
    run -# "$opt" -e 1 const.dat out.dat
    expect_rc "M=0 refused ($opt)" 1
    expect_contains "M=0 message ($opt)" $'Vorn: Filter \nError in File:' "$ERR"
    expect_contains "M=0 message text ($opt)" $'):\nM should be at least 2\n' "$ERR"
    expect_no_file "M=0 opens no output ($opt)" out.dat
done

# A kernel longer than the data is kept only as far as the data goes: ten million points (80 MB)
# on three rows fit in a 60 MB address space. (Address-space limits do not mix with the
# sanitizer's shadow memory, so this runs on plain builds.)
if ! ldd "$VORN_BIN" 2>/dev/null | grep -q 'libasan'; then
    printf '0 1\n1 2\n0 3\n' > three.dat
    ( ulimit -v 60000; "$VORN_BIN" -# --sinc-hp=0.1,10000000 -e 1 three.dat - ) >stdout.txt 2>stderr.txt
    RC=$?; OUT=$(cat stdout.txt)
    expect_rc "a long kernel on short data needs memory for the data only" 0
    expect_eq "a long kernel on short data filters every row" 3 "$(printf '%s\n' "$OUT" | wc -l | tr -d ' ')"
fi

# --- Difference
printf '1 10\n4 20\n9 30\n16 40\n' > sq.dat
file_is "diff of squares" out.dat --diff -e 1 sq.dat out.dat $'0 10\n3 20\n5 30\n7 40\n'
expect_rc "diff status" 0
expect_eq "diff report" $'Differentiating rows\nFound 2 variables.\n\n'"$VERSION_LINE" "$(printf '%s' "$ERR" | head -4)"
out_is "diff with an empty selection copies" -# --diff -e 9 sq.dat - $'1 10\n4 20\n9 30\n16 40\n'
expect_eq "diff quiet title" $'Vorn: Differentiating \n' "$ERR"
out_is "diff honours the inverse option" -# -i --diff -e 2 sq.dat - $'0 10\n3 20\n5 30\n7 40\n'
printf 'inf 1\n2 # x\n' > inf.dat
out_is "diff: an infinite first value gives not-a-number" -# --diff -e 1-2 inf.dat - $'-nan 0\n-inf -1\n'
printf '# a\n1 1\n# b\n3 2\n' > dc.dat
out_is "diff: comments in place" -# -a --diff -e 1 dc.dat - $'# a\n0 1\n# b\n2 2\n'
: > empty.dat
file_is "diff on an empty file writes nothing" out.dat -# --diff -e 1 empty.dat out.dat ""
expect_rc "diff on an empty file" 0

# --- Shift
printf '1 10\n2 20\n3 30\n4 40\n' > sh.dat
out_is "shift up by 2" -# -j 2 -e 2 sh.dat - $'1 30\n2 40\n'
expect_eq "shift quiet title" $'Vorn: Shift 2. \n' "$ERR"
out_is "negative shift moves the other columns up" -# --shift=-2 -e 2 sh.dat - $'3 10\n4 20\n'
out_is "shift by 0 copies" -# -j 0 -e 2 sh.dat - $'1 10\n2 20\n3 30\n4 40\n'
out_is "shift by the row count writes nothing" -# -j 4 -e 2 sh.dat - ""
out_is "inverse option does not change a positive shift" -# -i -j 2 -e 2 sh.dat - $'1 30\n2 40\n'
out_is "line count header matches the shorter output" -# --add-line-count -j 2 -e 2 sh.dat - $'2\n1 30\n2 40\n'
printf '1 10 100\n2 20 200\n3 30 300\n' > sh3.dat
out_is "shift of two columns" -# -j 1 -e 1,3 sh3.dat - $'2 10 200\n3 20 300\n'
printf '# a\n1 10\n# b\n2 20\n3 30\n# c\n4 40\n' > shc.dat
out_is "shift: comments where they are read" -# -a -j 1 -e 2 shc.dat - $'# a\n# b\n1 20\n2 30\n# c\n3 40\n'
file_is "shift output" out.dat -j 1 -e 2 sh.dat out.dat $'1 20\n2 30\n3 40\n'
expect_eq "shift report" $'Found 2 variables.\nsh.dat -> out.dat\n\n'"$VERSION_LINE" "$(printf '%s' "$ERR" | head -4)"
awk 'BEGIN { for (i = 1; i <= 300; i++) print i, -i }' > long.dat
run -# -j 100 -e 1 long.dat -
expect_eq "a shift of 100 pairs row 101 with row 1" "101 -1" "$(printf '%s' "$OUT" | head -1)"
expect_eq "a shift of 100 on 300 rows writes 200" 200 "$(printf '%s' "$OUT" | wc -l | tr -d ' ')"
expect_eq "the last row written pairs row 300 with row 200" "300 -200" "$(printf '%s' "$OUT" | tail -1)"
# A shift longer than the file holds only the rows there are: a billion on three rows runs in a
# 50 MB address space (plain builds only: address-space limits do not mix with the sanitizer).
if ! ldd "$VORN_BIN" 2>/dev/null | grep -q 'libasan'; then
    ( ulimit -v 50000; "$VORN_BIN" -# -j 999999999 -e 2 sh.dat - ) >stdout.txt 2>stderr.txt
    RC=$?; OUT=$(cat stdout.txt)
    expect_rc "a shift longer than the file needs memory for the file only" 0
    expect_eq "a shift longer than the file writes nothing" "" "$OUT"
fi

finish
