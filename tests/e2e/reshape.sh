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
run -k -e 2 three.dat out.dat
expect_rc "-k runs" 0
expect_file "-k removes column 2" out.dat $'1 3\n4 6\n7 9\n'
expect_contains "-k announcement" $'Remove selected columns\nFound 3 variables.\nthree.dat -> out.dat\n' "$ERR"
run --keep-columns=2 three.dat out.dat
expect_file "--keep-columns keeps column 2" out.dat $'2\n5\n8\n'
expect_contains "--keep-columns wording" $'Keep selected columns\n' "$ERR"
run -k -i -e 2 three.dat out.dat
expect_file "-k -i keeps column 2" out.dat $'2\n5\n8\n'
run --remove-columns -e 1,3 three.dat -
expect_eq "--remove-columns to standard output" $'2\n5\n8\n' "$OUT"
run -# -k -e 2 three.dat out.dat
expect_eq "-k quiet title only" $'Vorn: Remove columns \n' "$ERR"
run -# --keep-columns -e 2 three.dat out.dat
expect_eq "--keep-columns quiet title" $'Vorn: Keep columns \n' "$ERR"
run -# -k -e 2 --output-c three.dat -
expect_eq "C prolog announces the columns written" $'double data[][2] = {\n{ 1, 3},\n{ 4, 6},\n{ 7, 9},\n};\n' "$OUT"
run -# -k -e 2 --output-c --add-line-count three.dat -
expect_contains "C prolog with the row count" $'double data[3][2] = {\n' "$OUT"
run -# -k -e 1 --output-latex three.dat -
expect_contains "LaTeX prolog announces the columns written" $'\\begin{tabular}{l l}\n2 & 3 \\\\\n' "$OUT"
run -# -k -e 1-3 three.dat -
expect_eq "every column removed: empty lines" $'\n\n\n' "$OUT"
run -# -k -e 1-3 --output-c three.dat -
expect_eq "every column removed, C style" $'double data[][0] = {\n{ },\n{ },\n{ },\n};\n' "$OUT"
run -# -k -e 7,9-12 three.dat -
expect_eq "columns past the last select nothing" $'1 2 3\n4 5 6\n7 8 9\n' "$OUT"
run -# --keep-columns -e 7 three.dat -
expect_eq "keeping only past the last keeps nothing" $'\n\n\n' "$OUT"
run -# -k -e 2 --keep-comments commented.dat -
expect_eq "comments in place" $'1 3\n# note\n4 6\n7 9\n' "$OUT"
run -# -k -e 2 commented.dat -
expect_eq "comments dropped by default" $'1 3\n4 6\n7 9\n' "$OUT"
run -# -k -e 2 --keep-comments --output-csv commented.dat -
expect_eq "CSV never writes comments" $'1, 3\n4, 6\n7, 9\n' "$OUT"
printf '2\n' > sel.txt
run -# -k three.dat out.dat sel.txt
expect_file "selection file" out.dat $'1 3\n4 6\n7 9\n'
run -# -k -e 3 ragged.dat -
expect_eq "ragged rows padded with zeros" $'1 2\n3 4\n5 0\n6 7\n' "$OUT"
run -# -k -e 2 empty.dat out.dat
expect_rc "empty input runs" 0
expect_file "empty input writes nothing in standard style" out.dat ''
run -# -k -e 2 --output-c empty.dat -
expect_eq "empty input: prolog and epilog" $'double data[][0] = {\n};\n' "$OUT"
run -# -k -e 2 --keep-comments comments.dat -
expect_eq "comments-only file: nothing written" '' "$OUT"

# ---- delimiter change --------------------------------------------------------------------------
run -z, three.dat out.dat
expect_file "-z alone rewrites with the separator" out.dat $'1,2,3\n4,5,6\n7,8,9\n'
expect_contains "-z alone is column removal with nothing selected" $'Remove selected columns\n' "$ERR"
run -# '-z\t' --output-c three.dat -
expect_contains "-z with the C style: prolog from the input columns" $'double data[][3] = {\n{ 1, 2, 3},\n' "$OUT"
run -# -k -e 1 -z: three.dat -
expect_eq "-k then -z keeps the column removal" $'2:3\n5:6\n8:9\n' "$OUT"

# ---- remove/keep rows --------------------------------------------------------------------------
printf '1 1\n2 2\n3 3\n4 4\n' > four.dat
run -r -e 1,3 four.dat out.dat
expect_file "-r removes rows 1 and 3" out.dat $'2 2\n4 4\n'
expect_contains "-r announcement" $'Found 2 variables.\nFound 4 rows.\nfour.dat -> out.dat\nRemoves the following rows:\n1 3 \n' "$ERR"
run --keep-rows=2-3 four.dat out.dat
expect_file "--keep-rows keeps 2-3" out.dat $'2 2\n3 3\n'
expect_contains "--keep-rows listing" $'Keeps the following rows:\n2-3 \n' "$ERR"
run -r -i -e 2-3 four.dat -
expect_eq "-r -i keeps 2-3" $'2 2\n3 3\n' "$OUT"
run -# -r -e 1,3 four.dat -
expect_eq "-r quiet lists the rows" $'Vorn: Removes rows 1 3 \n' "$ERR"
run -# -r -e 100 sixty.dat out.dat
expect_eq "quiet, over 50 rows written: a lot of rows" $'Vorn: Removes rows a lot of rows\n' "$ERR"
expect_eq "quiet, nothing selected: every row written" 60 "$(wc -l < out.dat | tr -d ' ')"
run -# -r -e 1-10 sixty.dat out.dat
expect_eq "quiet, exactly 50 rows written: the list" $'Vorn: Removes rows 1-10 \n' "$ERR"
run -r -e 100 sixty.dat out.dat
expect_contains "verbose with nothing selected: empty list" $'Removes the following rows:\n\n' "$ERR"
run -r -e 5-9 four.dat -
expect_eq "rows past the last select nothing" $'1 1\n2 2\n3 3\n4 4\n' "$OUT"
run -# -r -e 2 --keep-comments --add-line-count commented.dat -
expect_eq "row count announces the input rows; comments in place" $'3\n1 2 3\n# note\n7 8 9\n' "$OUT"
run -# -r -e 2 --output-c --add-line-count four.dat -
expect_contains "C prolog announces the counted input rows" $'double data[4][2] = {\n' "$OUT"
# Rows after a line of another width have no mark: they count as not selected, so removing
# writes them and keeping leaves them out.
run -# -r -e 1 ragged.dat -
expect_eq "rows past the counted run are written when removing" $'3 4\n5 0\n6 7\n' "$OUT"
run -# --keep-rows=1 ragged.dat -
expect_eq "rows past the counted run are left out when keeping" $'1 2\n' "$OUT"
run -# -r -e 4 ragged.dat -
expect_eq "a row past the counted run cannot be selected" $'1 2\n3 4\n5 0\n6 7\n' "$OUT"
run -# -r -e 1 empty.dat -
expect_rc "-r on an empty file" 0
expect_eq "-r on an empty file writes nothing" '' "$OUT"
run -r three.dat out.dat
expect_contains "-r needs a selection" "No vornfile name or -e option" "$ERR"

# ---- transpose ---------------------------------------------------------------------------------
printf '1 2 3\n4 5 6\n' > two.dat
run -t two.dat out.dat
expect_rc "-t runs" 0
expect_file "-t transposes" out.dat $'1 4\n2 5\n3 6\n'
expect_contains "-t announcement" $'Transposing\nFound 3 variables.\nFound 2 rows.\n' "$ERR"
run -# -t two.dat -
expect_eq "-t quiet title" $'Vorn: Transpose \n' "$ERR"
printf '3.14159265358979323 1\n2 5\n' > long.dat
run -# -t long.dat -
expect_eq "numbers are read from at most 16 characters" $'3.141593 2\n323 5\n' "$OUT"
run -# -t --keep-comments commented.dat -
expect_eq "-t writes no comments" $'1 4 7\n2 5 8\n3 6 9\n' "$OUT"
run -# -t ragged.dat -
expect_eq "-t reads only the counted rows" $'1 3\n2 4\n' "$OUT"
# The prolog is written from the input's shape: its column count and its counted rows.
run -# -t --output-c --add-line-count two.dat -
expect_eq "-t C prolog from the input's shape" $'double data[2][3] = {\n{ 1, 4},\n{ 2, 5},\n{ 3, 6},\n};\n' "$OUT"
printf '0.1 0.2\n0.3 0.4\n' > tenths.dat
run -# -t -x1 tenths.dat -
expect_eq "extra precision on input row 1" $'0.100000000000000006 0.3\n0.200000000000000011 0.4\n' "$OUT"
# Missing numbers (commas count as separators when counting, not when parsing) are 0.
printf '1,2\n3,4\n' > commas.dat
run -# -t commas.dat -
expect_eq "-t missing values are zero" $'1 3\n0 0\n' "$OUT"
run -# -t -b 2 -e 1 three.dat -
expect_eq "-t ignores skipped columns when parsing" $'1 4 7\n2 5 8\n' "$OUT"
run -# -t empty.dat -
expect_rc "-t on an empty file" 0
expect_eq "-t on an empty file writes nothing" '' "$OUT"
run -# -t --output-c comments.dat -
expect_eq "-t on comments only: prolog and epilog" $'double data[][0] = {\n};\n' "$OUT"
# Kept comments met while reading the table have no output to go to: they wait in the reader's
# queue, and the next output opened (the next file's, in wildcard mode) gets them at its head.
printf '# c1\n1 2\n# c2\n3 4\n' > w1.dat; printf '5 6\n' > w2.dat
run -# -w -t --keep-comments w1.dat w2.dat
expect_file "-t in wildcard mode, first file" w1.out $'1 3\n2 4\n'
expect_file "-t in wildcard mode: queued comments head the next output" w2.out $'# c1\n# c2\n5\n6\n'
run -# -w -t w1.dat w2.dat
expect_file "-t in wildcard mode without kept comments" w2.out $'5\n6\n'
run -# -w --flip-ud --keep-comments --output-c w1.dat w2.dat
expect_file "--flip-ud in wildcard mode: queued comments before the prolog" w2.out \
    $'/* # c1 */\n/* # c2 */\ndouble data[][2] = {\n{ 5, 6},\n};\n'
run -# -t three.dat
expect_contains "-t needs an output" "No destination filename" "$ERR"

# ---- flips -------------------------------------------------------------------------------------
printf '1 2\n3 4\n5 6\n' > pairs.dat
run --flip-ud pairs.dat out.dat
expect_file "--flip-ud" out.dat $'5 6\n3 4\n1 2\n'
expect_contains "--flip-ud announcement" $'Transposing\n' "$ERR"
run -# --flip-ud -e 1 pairs.dat -
expect_eq "--flip-ud with a selection" $'6\n4\n2\n' "$OUT"
expect_eq "--flip-ud quiet title" $'Vorn: Transpose \n' "$ERR"
run -# --flip-ud -i -e 1 pairs.dat -
expect_eq "--flip-ud inverted selection" $'5\n3\n1\n' "$OUT"
run -# --flip-ud -e 1 --output-c pairs.dat -
expect_contains "--flip-ud prolog announces the input columns" $'double data[][2] = {\n{ 6},\n' "$OUT"
run -# --flip-ud --keep-comments commented.dat -
expect_eq "--flip-ud writes no comments" $'7 8 9\n4 5 6\n1 2 3\n' "$OUT"
run -# --flip-ud ragged.dat -
expect_eq "--flip-ud reads only the counted rows" $'3 4\n1 2\n' "$OUT"
run --flip-lr three.dat out.dat
expect_file "--flip-lr odd width" out.dat $'3 2 1\n6 5 4\n9 8 7\n'
expect_contains "--flip-lr announcement" $'Do nothing\n' "$ERR"
run -# --flip-lr square.dat -
expect_eq "--flip-lr even width" $'14 13 12 11\n24 23 22 21\n34 33 32 31\n44 43 42 41\n' "$OUT"
expect_eq "--flip-lr quiet title" $'Vorn: nop \n' "$ERR"
run -# --flip-lr -e 1 three.dat -
expect_eq "--flip-lr marks name reversed positions" $'2 1\n5 4\n8 7\n' "$OUT"
run -# --flip-lr --keep-comments commented.dat -
expect_eq "--flip-lr passes comments in place" $'3 2 1\n# note\n6 5 4\n9 8 7\n' "$OUT"
run -# --flip-lr ragged.dat -
expect_eq "--flip-lr reads every row" $'2 1\n4 3\n0 5\n7 6\n' "$OUT"
run -# --flip-lr -b 2 three.dat -
expect_eq "--flip-lr honours skipped columns" $'3 2\n6 5\n9 8\n' "$OUT"

# ---- check and counts --------------------------------------------------------------------------
printf '# head\n1 2 3\n4 5 6\n\n7 8\n9 10 11\n1 2 3 4\n' > mixed.dat
run -c mixed.dat
expect_rc "-c runs" 0
expect_eq "-c table" $'File:                           Cols:    Rows:\nmixed.dat                       3        5\n' "$OUT"
expect_contains "-c mismatch lines" $'Warning: Column count mismatch on line 3. Should be 3 but found 2.\nWarning: Column count mismatch on line 5. Should be 3 but found 4.\n' "$ERR"
expect_contains "-c summary" $'Warning: 2 column count mismatches found.\nFirst on line 3\n' "$ERR"
run -# -c three.dat
expect_eq "-c quiet, no mismatch: only the line end" $'\n' "$ERR"
run --get-rows mixed.dat
expect_eq "--get-rows" $'5\n' "$OUT"
run --get-cols mixed.dat
expect_eq "--get-cols" $'3\n' "$OUT"
printf '1 2\n3 4\nx1\n5 6\n' > stops.dat
run -# -c stops.dat
expect_eq "a line with no number at its start ends the check" $'File:                           Cols:    Rows:\nstops.dat                       2        2\n' "$OUT"
expect_not_contains "no warning for the line that ends the check" "Warning" "$ERR"
run -# --get-rows empty.dat
expect_eq "--get-rows on an empty file" $'0\n' "$OUT"
run -# -c comments.dat
expect_eq "-c on comments only" $'File:                           Cols:    Rows:\ncomments.dat                    0        0\n' "$OUT"
expect_not_contains "-c on comments only: no warning" "Warning" "$ERR"
cp three.dat a_very_long_file_name_that_goes_on_and_on.dat
run -# -c a_very_long_file_name_that_goes_on_and_on.dat
expect_contains "-c cuts long names to 31 characters" $'\na_very_long_file_name_that_goes 3        3\n' "$OUT"
run -# -c -w three.dat four.dat mixed.dat
expect_eq "-c header once in wildcard mode" $'File:                           Cols:    Rows:\nthree.dat                       3        3\nfour.dat                        2        4\nmixed.dat                       3        5\n' "$OUT"
expect_no_file "-c writes no output" three.out
run -# --skip-rows=2 --get-rows three.dat
expect_eq "--get-rows after skipped rows" $'1\n' "$OUT"
# The check passes kept comment lines to the reader's queue; the split, which checks the file
# before opening its outputs, so writes them at the head of the training file.
printf '# head\n1 1\n2 2\n# mid\n3 3\n4 4\n' > sp.dat
run -# --keep-comments -d2 sp.dat
expect_file "comments read by the check head the training file" sp.trn $'# head\n# mid\n1 1\n2 2\n'
expect_file "the test file gets no comments" sp.tst $'3 3\n4 4\n'
run -# -d2 sp.dat
expect_file "without kept comments the check queues nothing" sp.trn $'1 1\n2 2\n'
run -# -c -w --keep-comments sp.dat three.dat
expect_contains "-c with kept comments still counts" $'sp.dat                          2        4\nthree.dat' "$OUT"

# ---- cut square --------------------------------------------------------------------------------
run --cut-square 2-3 -e 1,3 square.dat out.dat
expect_file "--cut-square rows 2-3 cols 1,3" out.dat $'21 23\n31 33\n'
expect_contains "--cut-square announcement" $'Keep rows 2-3 cols 1 3 \nsquare.dat -> out.dat\n' "$ERR"
run -# --cut-square 2-3 -e 1,3 square.dat out.dat
expect_eq "--cut-square quiet" $'Vorn: Keep rows 2-3 cols 1 3 \n\n' "$ERR"
run -# -i --cut-square 2-3 -e 1,3 square.dat -
expect_eq "-i before --cut-square leaves the columns out" $'22 24\n32 34\n' "$OUT"
expect_eq "-i before --cut-square lists the columns written" $'Vorn: Keep rows 2-3 cols 2 4 \n\n' "$ERR"
run -# --cut-square 2-3 -e 1,3 --output-c --add-line-count square.dat -
expect_eq "--cut-square C prolog" $'double data[4][2] = {\n{ 21, 23},\n{ 31, 33},\n};\n' "$OUT"
run -# --cut-square 1,3:1:9 -e 2 ragged.dat -
expect_eq "--cut-square never reads past the counted rows" $'2\n' "$OUT"
run -# --cut-square 4,9 -e 2 square.dat -
expect_eq "--cut-square rows past the last" $'42\n' "$OUT"
run -# --cut-square 2 -e 2 --keep-comments commented.dat -
expect_eq "--cut-square comments in place up to the last counted row" $'# note\n5\n' "$OUT"
run -# --cut-square 1 -e 2 empty.dat -
expect_rc "--cut-square on an empty file" 0
run -# --cut-square 2-3 square.dat out.dat
expect_contains "--cut-square needs a column selection" "No vornfile name or -e option" "$ERR"

# ---- enumerate ---------------------------------------------------------------------------------
printf '5 6\n# c\n7 8\n' > en.dat
run -y en.dat out.dat
expect_file "-y numbers the rows" out.dat $'1 5 6\n2 7 8\n'
expect_contains "-y announcement" $'Enumerates.\nFound 2 variables.\n' "$ERR"
run -# -y en.dat -
expect_eq "-y quiet title" $'Vorn: Enumerate \n' "$ERR"
run -# -y --keep-comments en.dat -
expect_eq "-y comments in place, not counted" $'1 5 6\n# c\n2 7 8\n' "$OUT"
run -# -yc --output-c en.dat -
expect_eq "-yc C prolog with rows and the added column" $'double data[2][3] = {\n{ 1, 5, 6},\n{ 2, 7, 8},\n};\n' "$OUT"
run -# -y --output-c en.dat -
expect_contains "-y C prolog without rows" $'double data[][3] = {\n' "$OUT"
run -# -y -e 1 en.dat -
expect_eq "-y selection 1 leaves out the number" $'5 6\n7 8\n' "$OUT"
run -# -y -e 2 en.dat -
expect_eq "-y selection k+1 leaves out input column k" $'1 6\n2 8\n' "$OUT"
run -# -y -e 3 en.dat -
expect_eq "-y the last input column cannot be left out" $'1 5 6\n2 7 8\n' "$OUT"
run -# -y empty.dat -
expect_eq "-y on an empty file" '' "$OUT"

# ---- a table too large for memory --------------------------------------------------------------
# Address-space limits do not mix with the sanitizer's shadow memory, so this runs on plain builds.
if ! ldd "$VORN_BIN" 2>/dev/null | grep -q 'libasan'; then
    awk 'BEGIN { for (i = 0; i < 400000; i++) print i, i, i, i, i, i, i, i, i, i }' > big.dat
    ( ulimit -v 40000; "$VORN_BIN" -# -t big.dat out.dat ) >stdout.txt 2>stderr.txt
    RC=$?; ERR=$(cat stderr.txt)
    expect_rc "-t on a table too large for memory" 1
    expect_contains "-t allocation message" "Could not allocate memory" "$ERR"
    ( ulimit -v 40000; "$VORN_BIN" -# --flip-ud big.dat out.dat ) >stdout.txt 2>stderr.txt
    RC=$?; ERR=$(cat stderr.txt)
    expect_rc "--flip-ud on a table too large for memory" 1
    expect_contains "--flip-ud allocation message" "Could not allocate memory" "$ERR"
fi

finish
