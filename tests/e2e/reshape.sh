# The reshaping operations end to end: remove/keep columns and rows, transpose and flips,
# the file check and counts, cut square and enumerate.
source "$(dirname "$0")/lib.bash" "$1"

printf '1 2 3\n4 5 6\n7 8 9\n' > three.dat
printf '1 2 3\n# note\n4 5 6\n7 8 9\n' > commented.dat
printf '11 12 13 14\n21 22 23 24\n31 32 33 34\n41 42 43 44\n' > square.dat
printf '1 2\n3 4\n5\n6 7\n' > ragged.dat          # a shorter line ends the counted rows
: > empty.dat
printf '# only\n# comments\n\n' > comments.dat
awk 'BEGIN { for (i = 1; i <= 60; i++) print i, i * 2 }' > sixty.dat

# ---- remove/keep columns -----------------------------------------------------------------------
rc_is "-k runs" -k -e 2 three.dat out.dat 0
expect_file "-k removes column 2" out.dat $'1 3\n4 6\n7 9\n'
expect_contains "-k announcement" $'Remove selected columns\nFound 3 variables.\nthree.dat -> out.dat\n' "$ERR"
file_is "--keep-columns keeps column 2" out.dat --keep-columns=2 three.dat out.dat $'2\n5\n8\n'
expect_contains "--keep-columns wording" $'Keep selected columns\n' "$ERR"
file_is "-k -i keeps column 2" out.dat -k -i -e 2 three.dat out.dat $'2\n5\n8\n'
out_is "--remove-columns to standard output" --remove-columns -e 1,3 three.dat - $'2\n5\n8\n'
err_is "-k quiet title only" -# -k -e 2 three.dat out.dat $'Vorn: Remove columns \n'
err_is "--keep-columns quiet title" -# --keep-columns -e 2 three.dat out.dat $'Vorn: Keep columns \n'
out_is "C prolog announces the columns written" -# -k -e 2 --output-c three.dat - $'double data[][2] = {\n{ 1, 3},\n{ 4, 6},\n{ 7, 9},\n};\n'
out_has "C prolog with the row count" -# -k -e 2 --output-c --add-line-count three.dat - $'double data[3][2] = {\n'
out_has "LaTeX prolog announces the columns written" -# -k -e 1 --output-latex three.dat - $'\\begin{tabular}{l l}\n2 & 3 \\\\\n'
out_is "every column removed: empty lines" -# -k -e 1-3 three.dat - $'\n\n\n'
out_is "every column removed, C style" -# -k -e 1-3 --output-c three.dat - $'double data[][0] = {\n{ },\n{ },\n{ },\n};\n'
out_is "columns past the last select nothing" -# -k -e 7,9-12 three.dat - $'1 2 3\n4 5 6\n7 8 9\n'
out_is "keeping only past the last keeps nothing" -# --keep-columns -e 7 three.dat - $'\n\n\n'
out_is "comments in place" -# -k -e 2 --keep-comments commented.dat - $'1 3\n# note\n4 6\n7 9\n'
out_is "comments dropped by default" -# -k -e 2 commented.dat - $'1 3\n4 6\n7 9\n'
printf '2\n' > sel.txt
file_is "selection file" out.dat -# -k three.dat out.dat sel.txt $'1 3\n4 6\n7 9\n'
out_is "ragged rows padded with zeros" -# -k -e 3 ragged.dat - $'1 2\n3 4\n5 0\n6 7\n'
rc_is "empty input runs" -# -k -e 2 empty.dat out.dat 0
expect_file "empty input writes nothing in standard style" out.dat ''
out_is "empty input: prolog and epilog" -# -k -e 2 --output-c empty.dat - $'double data[][0] = {\n};\n'
out_is "comments-only file: nothing written" -# -k -e 2 --keep-comments comments.dat - ''

# ---- delimiter change --------------------------------------------------------------------------
file_is "-z alone rewrites with the separator" out.dat -z, three.dat out.dat $'1,2,3\n4,5,6\n7,8,9\n'
expect_contains "-z alone is column removal with nothing selected" $'Remove selected columns\n' "$ERR"
out_has "-z with the C style: prolog from the input columns" -# '-z\t' --output-c three.dat - $'double data[][3] = {\n{ 1, 2, 3},\n'
out_is "-k then -z keeps the column removal" -# -k -e 1 -z: three.dat - $'2:3\n5:6\n8:9\n'

# ---- remove/keep rows --------------------------------------------------------------------------
printf '1 1\n2 2\n3 3\n4 4\n' > four.dat
file_is "-r removes rows 1 and 3" out.dat -r -e 1,3 four.dat out.dat $'2 2\n4 4\n'
expect_contains "-r announcement" $'Found 2 variables.\nFound 4 rows.\nfour.dat -> out.dat\nRemoves the following rows:\n1 3 \n' "$ERR"
file_is "--keep-rows keeps 2-3" out.dat --keep-rows=2-3 four.dat out.dat $'2 2\n3 3\n'
expect_contains "--keep-rows listing" $'Keeps the following rows:\n2-3 \n' "$ERR"
out_is "-r -i keeps 2-3" -r -i -e 2-3 four.dat - $'2 2\n3 3\n'
err_is "-r quiet lists the rows" -# -r -e 1,3 four.dat - $'Vorn: Removes rows 1 3 \n'
err_is "quiet, over 50 rows written: a lot of rows" -# -r -e 100 sixty.dat out.dat $'Vorn: Removes rows a lot of rows\n'
expect_eq "quiet, nothing selected: every row written" 60 "$(wc -l < out.dat | tr -d ' ')"
err_is "quiet, exactly 50 rows written: the list" -# -r -e 1-10 sixty.dat out.dat $'Vorn: Removes rows 1-10 \n'
err_has "verbose with nothing selected: empty list" -r -e 100 sixty.dat out.dat $'Removes the following rows:\n\n'
out_is "rows past the last select nothing" -r -e 5-9 four.dat - $'1 1\n2 2\n3 3\n4 4\n'
out_is "row count announces the input rows; comments in place" -# -r -e 2 --keep-comments --add-line-count commented.dat - $'3\n1 2 3\n# note\n7 8 9\n'
out_has "C prolog announces the counted input rows" -# -r -e 2 --output-c --add-line-count four.dat - $'double data[4][2] = {\n'
# Rows after a line of another width have no mark: they count as not selected, so removing
# writes them and keeping leaves them out.
out_is "rows past the counted run are written when removing" -# -r -e 1 ragged.dat - $'3 4\n5 0\n6 7\n'
out_is "rows past the counted run are left out when keeping" -# --keep-rows=1 ragged.dat - $'1 2\n'
out_is "a row past the counted run cannot be selected" -# -r -e 4 ragged.dat - $'1 2\n3 4\n5 0\n6 7\n'
rc_is "-r on an empty file" -# -r -e 1 empty.dat - 0
expect_eq "-r on an empty file writes nothing" '' "$OUT"
err_has "-r needs a selection" -r three.dat out.dat "No vornfile name or -e option"

# ---- ends of steps and ranges, for columns and for rows ----------------------------------------
# ends SELECTION LEFT PICKED: over the five columns of one row (and the five rows of one column),
# removing SELECTION leaves the positions LEFT and keeping it leaves PICKED. (Which positions a
# selection names, inline or from a file, is test_engine's.)
printf '1 2 3 4 5\n' > fivecols.dat
printf '1\n2\n3\n4\n5\n' > fiverows.dat
ends() {
    local sel=$1 left=$2 picked=$3 p left_rows='' picked_rows=''
    for p in $left; do left_rows+=$p$'\n'; done
    for p in $picked; do picked_rows+=$p$'\n'; done
    out_is "-k -e $sel" -# -k -e "$sel" fivecols.dat - "$left"$'\n'
    out_is "--keep-columns -e $sel" -# --keep-columns -e "$sel" fivecols.dat - "$picked"$'\n'
    out_is "-r -e $sel" -# -r -e "$sel" fiverows.dat - "$left_rows"
    out_is "--keep-rows=$sel" -# --keep-rows="$sel" fiverows.dat - "$picked_rows"
}
ends 1:2:5 '2 4' '1 3 5'      # the last position hit exactly
ends 2:2:-1 '1 3 5' '2 4'     # open to the end, which the step passes
ends 4-9 '1 2 3' '4 5'        # a range beyond the end stops there
ends 1-5 '' '1 2 3 4 5'
ends 5 '1 2 3 4' '5'          # the last position alone
printf '11 12 13 14 15\n21 22 23 24 25\n31 32 33 34 35\n41 42 43 44 45\n51 52 53 54 55\n' > five2.dat
out_is "--cut-square with steps ending on the last row and column" -# --cut-square 1:2:5 -e 1:2:5 five2.dat - \
    $'11 13 15\n31 33 35\n51 53 55\n'

# ---- transpose ---------------------------------------------------------------------------------
printf '1 2 3\n4 5 6\n' > two.dat
rc_is "-t runs" -t two.dat out.dat 0
expect_file "-t transposes" out.dat $'1 4\n2 5\n3 6\n'
expect_contains "-t announcement" $'Transposing\nFound 3 variables.\nFound 2 rows.\n' "$ERR"
err_is "-t quiet title" -# -t two.dat - $'Vorn: Transpose \n'
printf '3.14159265358979323 1\n2 5\n' > long.dat
out_is "numbers are read from at most 16 characters" -# -t long.dat - $'3.141593 2\n323 5\n'
out_is "-t writes no comments" -# -t --keep-comments commented.dat - $'1 4 7\n2 5 8\n3 6 9\n'
out_is "-t reads only the counted rows" -# -t ragged.dat - $'1 3\n2 4\n'
# The prolog is written from the input's shape: its column count and its counted rows.
out_is "-t C prolog from the input's shape" -# -t --output-c --add-line-count two.dat - $'double data[2][3] = {\n{ 1, 4},\n{ 2, 5},\n{ 3, 6},\n};\n'
printf '0.1 0.2\n0.3 0.4\n' > tenths.dat
out_is "extra precision on input row 1" -# -t -x1 tenths.dat - $'0.100000000000000006 0.3\n0.200000000000000011 0.4\n'
# Missing numbers (commas count as separators when counting, not when parsing) are 0.
printf '1,2\n3,4\n' > commas.dat
out_is "-t missing values are zero" -# -t commas.dat - $'1 3\n0 0\n'
out_is "-t ignores skipped columns when parsing" -# -t -b 2 -e 1 three.dat - $'1 4 7\n2 5 8\n'
rc_is "-t on an empty file" -# -t empty.dat - 0
expect_eq "-t on an empty file writes nothing" '' "$OUT"
out_is "-t on comments only: prolog and epilog" -# -t --output-c comments.dat - $'double data[][0] = {\n};\n'
# Kept comments met while reading the table have no output to go to: they wait in the reader's
# queue, and the next output opened (the next file's, in wildcard mode) gets them at its head.
printf '# c1\n1 2\n# c2\n3 4\n' > w1.dat; printf '5 6\n' > w2.dat
file_is "-t in wildcard mode, first file" w1.out -# -w -t --keep-comments w1.dat w2.dat $'1 3\n2 4\n'
expect_file "-t in wildcard mode: queued comments head the next output" w2.out $'# c1\n# c2\n5\n6\n'
file_is "-t in wildcard mode without kept comments" w2.out -# -w -t w1.dat w2.dat $'5\n6\n'
file_is "--flip-ud in wildcard mode: queued comments before the prolog" w2.out -# -w --flip-ud --keep-comments --output-c w1.dat w2.dat \
    $'/* # c1 */\n/* # c2 */\ndouble data[][2] = {\n{ 5, 6},\n};\n'
err_has "-t needs an output" -# -t three.dat "No destination filename"

# ---- flips -------------------------------------------------------------------------------------
printf '1 2\n3 4\n5 6\n' > pairs.dat
file_is "--flip-ud" out.dat --flip-ud pairs.dat out.dat $'5 6\n3 4\n1 2\n'
expect_contains "--flip-ud announcement" $'Transposing\n' "$ERR"
out_is "--flip-ud with a selection" -# --flip-ud -e 1 pairs.dat - $'6\n4\n2\n'
expect_eq "--flip-ud quiet title" $'Vorn: Transpose \n' "$ERR"
out_is "--flip-ud inverted selection" -# --flip-ud -i -e 1 pairs.dat - $'5\n3\n1\n'
out_has "--flip-ud prolog announces the input columns" -# --flip-ud -e 1 --output-c pairs.dat - $'double data[][2] = {\n{ 6},\n'
out_is "--flip-ud writes no comments" -# --flip-ud --keep-comments commented.dat - $'7 8 9\n4 5 6\n1 2 3\n'
out_is "--flip-ud reads only the counted rows" -# --flip-ud ragged.dat - $'3 4\n1 2\n'
file_is "--flip-lr odd width" out.dat --flip-lr three.dat out.dat $'3 2 1\n6 5 4\n9 8 7\n'
expect_contains "--flip-lr announcement" $'Do nothing\n' "$ERR"
out_is "--flip-lr even width" -# --flip-lr square.dat - $'14 13 12 11\n24 23 22 21\n34 33 32 31\n44 43 42 41\n'
expect_eq "--flip-lr quiet title" $'Vorn: nop \n' "$ERR"
out_is "--flip-lr marks name reversed positions" -# --flip-lr -e 1 three.dat - $'2 1\n5 4\n8 7\n'
out_is "--flip-lr passes comments in place" -# --flip-lr --keep-comments commented.dat - $'3 2 1\n# note\n6 5 4\n9 8 7\n'
out_is "--flip-lr reads every row" -# --flip-lr ragged.dat - $'2 1\n4 3\n0 5\n7 6\n'
out_is "--flip-lr honours skipped columns" -# --flip-lr -b 2 three.dat - $'3 2\n6 5\n9 8\n'

# ---- check and counts --------------------------------------------------------------------------
printf '# head\n1 2 3\n4 5 6\n\n7 8\n9 10 11\n1 2 3 4\n' > mixed.dat
rc_is "-c runs" -c mixed.dat 0
expect_eq "-c table" $'File:                           Cols:    Rows:\nmixed.dat                       3        5\n' "$OUT"
expect_contains "-c mismatch lines" $'Warning: Column count mismatch on line 3. Should be 3 but found 2.\nWarning: Column count mismatch on line 5. Should be 3 but found 4.\n' "$ERR"
expect_contains "-c summary" $'Warning: 2 column count mismatches found.\nFirst on line 3\n' "$ERR"
err_is "-c quiet, no mismatch: only the line end" -# -c three.dat $'\n'
out_is "--get-rows" --get-rows mixed.dat $'5\n'
out_is "--get-cols" --get-cols mixed.dat $'3\n'
printf '1 2\n3 4\nx1\n5 6\n' > stops.dat
out_is "a line with no number at its start ends the check" -# -c stops.dat $'File:                           Cols:    Rows:\nstops.dat                       2        2\n'
expect_not_contains "no warning for the line that ends the check" "Warning" "$ERR"
out_is "--get-rows on an empty file" -# --get-rows empty.dat $'0\n'
out_is "-c on comments only" -# -c comments.dat $'File:                           Cols:    Rows:\ncomments.dat                    0        0\n'
expect_not_contains "-c on comments only: no warning" "Warning" "$ERR"
cp three.dat a_very_long_file_name_that_goes_on_and_on.dat
out_has "-c cuts long names to 31 characters" -# -c a_very_long_file_name_that_goes_on_and_on.dat $'\na_very_long_file_name_that_goes 3        3\n'
out_is "-c header once in wildcard mode" -# -c -w three.dat four.dat mixed.dat $'File:                           Cols:    Rows:\nthree.dat                       3        3\nfour.dat                        2        4\nmixed.dat                       3        5\n'
expect_no_file "-c writes no output" three.out
out_is "--get-rows after skipped rows" -# --skip-rows=2 --get-rows three.dat $'1\n'
# The check passes kept comment lines to the reader's queue; the split, which checks the file
# before opening its outputs, so writes them at the head of the training file.
printf '# head\n1 1\n2 2\n# mid\n3 3\n4 4\n' > sp.dat
file_is "comments read by the check head the training file" sp.trn -# --keep-comments -d2 sp.dat $'# head\n# mid\n1 1\n2 2\n'
expect_file "the test file gets no comments" sp.tst $'3 3\n4 4\n'
file_is "without kept comments the check queues nothing" sp.trn -# -d2 sp.dat $'1 1\n2 2\n'
out_has "-c with kept comments still counts" -# -c -w --keep-comments sp.dat three.dat $'sp.dat                          2        4\nthree.dat'

# ---- cut square --------------------------------------------------------------------------------
file_is "--cut-square rows 2-3 cols 1,3" out.dat --cut-square 2-3 -e 1,3 square.dat out.dat $'21 23\n31 33\n'
expect_contains "--cut-square announcement" $'Keep rows 2-3 cols 1 3 \nsquare.dat -> out.dat\n' "$ERR"
err_is "--cut-square quiet" -# --cut-square 2-3 -e 1,3 square.dat out.dat $'Vorn: Keep rows 2-3 cols 1 3 \n\n'
out_is "-i before --cut-square leaves the columns out" -# -i --cut-square 2-3 -e 1,3 square.dat - $'22 24\n32 34\n'
expect_eq "-i before --cut-square lists the columns written" $'Vorn: Keep rows 2-3 cols 2 4 \n\n' "$ERR"
out_is "--cut-square C prolog" -# --cut-square 2-3 -e 1,3 --output-c --add-line-count square.dat - $'double data[4][2] = {\n{ 21, 23},\n{ 31, 33},\n};\n'
out_is "--cut-square never reads past the counted rows" -# --cut-square 1,3:1:9 -e 2 ragged.dat - $'2\n'
out_is "--cut-square rows past the last" -# --cut-square 4,9 -e 2 square.dat - $'42\n'
out_is "--cut-square comments in place up to the last counted row" -# --cut-square 2 -e 2 --keep-comments commented.dat - $'# note\n5\n'
rc_is "--cut-square on an empty file" -# --cut-square 1 -e 2 empty.dat - 0
err_has "--cut-square needs a column selection" -# --cut-square 2-3 square.dat out.dat "No vornfile name or -e option"

# ---- enumerate ---------------------------------------------------------------------------------
printf '5 6\n# c\n7 8\n' > en.dat
file_is "-y numbers the rows" out.dat -y en.dat out.dat $'1 5 6\n2 7 8\n'
expect_contains "-y announcement" $'Enumerates.\nFound 2 variables.\n' "$ERR"
err_is "-y quiet title" -# -y en.dat - $'Vorn: Enumerate \n'
out_is "-y comments in place, not counted" -# -y --keep-comments en.dat - $'1 5 6\n# c\n2 7 8\n'
out_is "-yc C prolog with rows and the added column" -# -yc --output-c en.dat - $'double data[2][3] = {\n{ 1, 5, 6},\n{ 2, 7, 8},\n};\n'
out_has "-y C prolog without rows" -# -y --output-c en.dat - $'double data[][3] = {\n'
out_is "-y selection 1 leaves out the number" -# -y -e 1 en.dat - $'5 6\n7 8\n'
out_is "-y selection k+1 leaves out input column k" -# -y -e 2 en.dat - $'1 6\n2 8\n'
out_is "-y the last input column cannot be left out" -# -y -e 3 en.dat - $'1 5 6\n2 7 8\n'
out_is "-y on an empty file" -# -y empty.dat - ''

finish
