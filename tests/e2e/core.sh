#!/usr/bin/env bash
# The entry, the options and the data path, seen from the command line.
source "$(dirname "$0")/lib.bash" "$1"

VERSION_LINE=$("$VORN_BIN" -v | head -1)
printf '# head\n1 2 3\n\n4.5 -0.25 1e3\n! c\n7 8\n' > a.dat

# --- The pass-through operation and its announcements
rc_is "nop status" --nop a.dat out.dat 0
expect_file "nop output" out.dat $'1 2 3\n4.5 -0.25 1000\n7 8 0\n'
expect_eq "nop report" $'Do nothing\nFound 3 variables.\n\n'"$VERSION_LINE" "$(printf '%s' "$ERR" | head -4)"
expect_eq "no standard output" "" "$OUT"

err_is "quiet title ends the line" -# --nop a.dat out.dat $'Vorn: nop \n'
out_is "output to -" --quiet --nop a.dat - $'1 2 3\n4.5 -0.25 1000\n7 8 0\n'
out_is "output to stdout" --silence --nop a.dat stdout $'1 2 3\n4.5 -0.25 1000\n7 8 0\n'
out_is "output to STDOUT" --silence --nop a.dat STDOUT $'1 2 3\n4.5 -0.25 1000\n7 8 0\n'
run_env "VORN=debug:quiet" --nop a.dat -
expect_eq "VORN words" $'Vorn: nop \n' "$ERR"
run_env "VORN=Quiet" --nop a.dat -
expect_contains "VORN is case-sensitive" "Do nothing" "$ERR"
run_env "VORN=" --nop a.dat -
expect_contains "empty VORN does nothing" "Do nothing" "$ERR"

# --- Comments
out_is "comments kept in place" -# -a --nop a.dat - $'# head\n1 2 3\n\n4.5 -0.25 1000\n! c\n7 8 0\n'
printf '1 2\r\n# win\r\n3 4\r\n' > crlf.dat
out_is "CRLF: comments lose both characters" -# -a --nop crlf.dat - $'1 2\n# win\n3 4\n'
printf '# only\n# comments\n' > comments.dat
out_is "comments only: nothing is read, so nothing is passed on" -# -a --nop comments.dat - ""
out_is "comments only: prolog and epilog" -# -a --output-latex --nop comments.dat - $'% there are 0 lines in table\n\\begin{tabular}{}\n\\end{tabular}\n'
: > empty.dat
rc_is "empty file runs" -# --nop empty.dat out.dat 0
expect_file "empty file gives empty output" out.dat ""

# --- Reading rules
printf '# head\n1 2\n3 4\n' > skip.dat
out_is "skip-rows counts comment lines too" -# --skip-rows=2 --nop skip.dat - $'3 4\n'
printf '1 2 *\n3 4\n5 6\n' > star.dat
out_is "starred lines do not consume the countdown" -# -s --skip-rows=1 --nop star.dat - $'5 6\n'
printf 'ab 1 2\nab 3 4\n' > skipcol.dat
out_is "skip columns" -# -b 3 --nop skipcol.dat - $'1 2\n3 4\n'
printf '1;2;3\n4;5;6\n' > semi.dat
# Counting and parsing agree on separators. The input delimiter separates columns
# when they are counted too, and commas separate numbers when rows are parsed, as when counted.
printf '1;;2\n3;;;4;\n' > twice.dat
out_is "each input delimiter is a separator of its own" -# --input-delimiter=';' --nop twice.dat - $'1 2\n3 4\n'
out_is "input delimiter counts columns too" -# --input-delimiter=';' --nop semi.dat - $'1 2 3\n4 5 6\n'
printf '1,2,3\n4,5,6\n' > comma.dat
out_is "comma delimiter" -# --input-delimiter=, --nop comma.dat - $'1 2 3\n4 5 6\n'
out_is "commas separate when counting and parsing alike" -# --nop comma.dat - $'1 2 3\n4 5 6\n'
printf '1 2 x 3\n  # 1 2\n5 6 7 8\nx1\n' > ragged.dat
out_is "ragged rows padded or cut" -# --nop ragged.dat - $'1 2\n0 0\n5 6\n0 0\n'
printf '1 2\n3 4' > nofinal.dat
out_is "no final line end" -# --nop nofinal.dat - $'1 2\n3 4\n'
printf '+1 inf -nan 0x10 1e999 -1e999 1e-400 .5 5. 1e 2\n' > odd.dat
out_is "library number forms" -# --nop odd.dat - $'1 inf -nan 16 inf -inf 0 0.5 5 1 2\n'
printf '1 2\0 9 9\n3 4\n' > nul.dat
out_is "a NUL byte ends the line's text" -# --nop nul.dat - $'1 2\n3 4\n'
head -c 300000 /dev/zero | tr '\0' '1' > long.dat; printf ' 2\n3 4\n' >> long.dat
rc_is "line longer than the buffer" -# --nop long.dat - 0
expect_eq "long line read as pieces" 4 "$(printf '%s' "$OUT" | wc -l | tr -d ' ')"
head -c 100000 /dev/urandom > garbage.dat
rc_is "binary garbage does not crash" -# --nop garbage.dat out.dat 0

# --- Number forms and formats
printf '0.1 123456789.5 -12345678.5 1e-7 -1e-7 1.5e20\n' > nums.dat
out_is "normal form" -# --nop nums.dat - $'0.1 123456789.5 -12345678.5 0 -0 1.5e+20\n'
out_is "extra precision for column 1" -# -x1 --nop nums.dat - $'0.100000000000000006 123456789.5 -12345678.5 0 -0 1.5e+20\n'
out_has "extra precision everywhere" -# -x-1 --nop nums.dat - "9.99999999999999955e-08 -9.99999999999999955e-08 1.5e+20"
out_is "user format" -# --format=%.2f --nop nums.dat - $'0.10 123456789.50 -12345678.50 0.00 -0.00 150000000000000000000.00\n'
expect_eq "format echo" $'Output format:%.2f\n>12345678.90<\nVorn: nop \n' "$ERR"
rm -f logfile
rc_is "bad format" --format=%d --nop nums.dat - 1
expect_contains "bad format message" $'Invalid format (%d) \n%[flags][width][.precision]{e|f|g}\nMinimum allowed format:      %f\nDefault format:              %f\nExtra precision (-x) format: %.18g' "$ERR"
expect_no_file "option errors come before the run log" logfile
# One number printed with a width or precision of a billion would be more than printf can count.
err_has "a width of a billion is refused" --format=%1000000000f --nop nums.dat - 'Invalid format (%1000000000f)'
expect_rc "refused width status" 1
err_has "a precision of a billion is refused" --format=%.99999999999g --nop nums.dat - 'Invalid format (%.99999999999g)'

# --- Output styles
printf '1 2 3\n4 5 6\n' > six.dat
out_is "C style" -# --output-c --nop six.dat - $'double data[][3] = {\n{ 1, 2, 3},\n{ 4, 5, 6},\n};\n'
out_is "C style with the row count" -# --output-c --add-line-count --nop six.dat - $'double data[2][3] = {\n{ 1, 2, 3},\n{ 4, 5, 6},\n};\n'
out_is "CSV never writes comments" -# --output-csv -a --nop a.dat - $'1, 2, 3\n4.5, -0.25, 1000\n7, 8, 0\n'
out_is "last style wins; LaTeX comments" -# -a --output-csv --output-latex --nop a.dat - $'% there are 0 lines in table\n\\begin{tabular}{l l l}\n% # head\n1 & 2 & 3 \\\\\n% \n4.5 & -0.25 & 1000 \\\\\n% ! c\n7 & 8 & 0 \\\\\n\\end{tabular}\n'
out_is "standard style with the row count" -# --output-c --output-standard --add-line-count --nop six.dat - $'2\n1 2 3\n4 5 6\n'
out_is "row count first, comments in place" -# -a --add-line-count --nop a.dat - $'2\n# head\n1 2 3\n\n4.5 -0.25 1000\n! c\n7 8 0\n'
out_is "tab separator with an operation" -# -z '\t' --nop six.dat - $'1\t2\t3\n4\t5\t6\n'
out_is "unknown escape gives a blank" -# -z '\x' --nop six.dat - $'1 2 3\n4 5 6\n'
expect_contains "unknown escape note" $'\nMessage: Unknown separator\n' "$ERR"

# --- Files
rc_is "missing input" -# --nop missing.dat out.dat 1
expect_contains "missing input message" $'\nError in File:' "$ERR"
expect_contains "missing input text" $'):\nCould not open file missing.dat\n' "$ERR"
rc_is "unwritable output" -# --nop six.dat /nonexistent/dir/out.dat 1
expect_contains "unwritable output message" "Could not open file /nonexistent/dir/out.dat for writing" "$ERR"
err_has "unappendable output message" -# --append --nop six.dat /nonexistent/dir/out.dat "for appending"
printf 'old\n' > app.dat
file_is "append keeps old content" app.dat -# --append --nop six.dat app.dat $'old\n1 2 3\n4 5 6\n'
rc_is "impossible line buffer" -# --maxbuff=0x7fffffffffffff --nop six.dat out.dat 1
expect_contains "allocation failure message" "Could not allocate memory 36028797018963967 bytes" "$ERR"

# --- Command line rules
rm -f logfile
out_has "no arguments: help through the pager" "Usage:"
expect_rc "no arguments shows help" 0
out_has "options only: help" --output-csv "Usage:"
expect_no_file "no operation, no run log" logfile
out_has "prolog alone selects nothing" --eval-prolog=x a.dat b.dat "Usage:"
rc_is "selection required" -k six.dat out.dat 1
expect_contains "selection message" "No vornfile name or -e option" "$ERR"
expect_eq "run log written before names are checked" 1 "$(wc -l < logfile | tr -d ' ')"
err_has "no source" -k $'No source filename\n'
rc_is "an output is needed" --nop six.dat 1
expect_contains "destination message" "No destination filename" "$ERR"
# An operation chosen after -c cleared the output requirement is refused without
# an output name instead of running against a missing output.
rc_is "cleared requirement still refuses a missing output" -c -k -e 1 six.dat 1
expect_contains "cleared requirement message" "No destination filename" "$ERR"
rc_is "-K then -T transposes without a selection" -# -K -T six.dat out.dat 0
printf '1\n' > extra.sel
rc_is "a fourth argument is ignored" -# --nop six.dat out.dat extra.sel fourth 0
err_has "unhandled letter" -# -g --nop six.dat - "?? getopt returned character code 0147 ??"
run -# --more -g --nop six.dat -
expect_not_contains "--more silences the note" "getopt returned" "$ERR"
out_has "unknown option shows help" --bogus-option six.dat out.dat "Usage:"

# --- Option values
err_has "divide by zero" --divide=0 six.dat out.dat "Can't divide by ZERO"
err_has "-x0 refused" -x0 --nop six.dat out.dat "Argument to -x/--xtra must be larger than zero or equal to -1 (all columns)"
rc_is "-x-2 refused" -x-2 --nop six.dat out.dat 1
err_has "-x needs a number" -xq --nop six.dat out.dat $'Can\'t convert q to a number\n'
err_has "maxbuff needs a number" --maxbuff=abc --nop six.dat out.dat "Can't convert abc to a number"
err_has "small maxbuff warning" -# --maxbuff=1000 --nop six.dat out.dat $'\nWarning: maxbuff=1000 is to small. Reseting to 131072\n\nContinue [y/N]:'
expect_rc "small maxbuff goes on" 0
err_is "hexadecimal maxbuff accepted silently" -# --maxbuff=0x20000 --nop six.dat out.dat $'Vorn: nop \n'
err_has "split characters" -d5x six.dat "invalid characters in option argument for option -d: 5x."
err_has "split percent" --split=100p six.dat "Percent must be between 0% and 100% (100.000000)"
err_has "sinc cutoff" --sinc-lp=0.5,32 six.dat out.dat -e 1 "Cutoff frequency out of range (0 - 0.5)"
err_has "sinc band cutoff" --sinc-bp=0.3,0.6,32 six.dat out.dat -e 1 "Cutoff frequencies out of range (0 - 0.5)"
err_has "sinc odd M" --sinc-lp=0.1,31 six.dat out.dat -e 1 "M should be even"
err_has "sinc parameter count" --sinc-lp=0.1 six.dat out.dat -e 1 "Wrong number of parameters"
rc_is "range needs two values" --range-keep=1 six.dat out.dat -e 1 1
expect_contains "range message" ":: error: Need 2 values in the format lower,upper" "$ERR"
err_has "no taps" -f0 six.dat out.dat -e 1 "Filtertaps can't be less than zero (0)"
err_has "no median taps" -u 0 six.dat out.dat -e 1 "Filtertaps can't be negative (0)"
err_has "running average mode" -# --running-average=3,7 six.dat out.dat -e 1 $'Unknown running average mode.\nReseting to "2 - PMA"'
err_has "running average number" --running-average=x six.dat out.dat -e 1 "Can't convert x to a number"
err_has "shift number" -jx six.dat out.dat -e 1 "Can't convert x to a number"
rc_is "the most negative shift has a magnitude too" -# -j -9223372036854775808 --nop six.dat out.dat 0
err_has "number options" -m abc six.dat out.dat -e 1 'Unable to convert "abc" to a number'
err_has "range error reported, run goes on" -# -m 1e999 six.dat out.dat -e 1 "get_double: "
expect_rc "range error is not fatal" 0
err_has "selection characters" -e a1 --nop six.dat out.dat "invalid characters in option argument for option -e: a1."

# --- Fatal errors and the wait
printf 'ab' | "$VORN_BIN" --wait-on-error --nop missing.dat out.dat >stdout.txt 2>stderr.txt
RC=$?; ERR=$(cat stderr.txt)
expect_rc "wait on error still fails" 1
expect_contains "wait prompt" $'Press enter to continue' "$ERR"
err_has "step below one" -# --nop six.dat out.dat -e '3:0:9' ":: error: Error: step can't be less than 1: 0"
expect_rc "step below one is fatal" 1
err_has "invalid index" -# --nop six.dat out.dat -e 0 $'invalid index=0\n'
expect_rc "invalid index goes on" 0
err_has "missing selection file" -# --nop six.dat out.dat missing.sel "Could not open vorn file: missing.sel"

# A selection file's lines neither use up the skip-rows countdown nor join the data
# file's comments in the output.
printf '# which columns\n2\n' > cols.sel
printf '# data head\n1 2 3\n4 5 6\n' > sel.dat
out_is "selection file is not data" -# -a --skip-rows=2 --nop sel.dat - cols.sel $'# data head\n1 2 3\n4 5 6\n'

# --- Wildcard mode
printf '1 2\n' > w1.dat; printf '3 4\n' > w2.txt
err_is "quiet titles of two passes" -# -w --nop w1.dat w2.txt $'Vorn: nop Vorn: nop \n'

finish
