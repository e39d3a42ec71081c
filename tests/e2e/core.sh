#!/usr/bin/env bash
# The entry, the options and the data path, seen from the command line.
source "$(dirname "$0")/lib.bash" "$1"

VERSION_LINE=$("$VORN_BIN" -v | head -1)
printf '# head\n1 2 3\n\n4.5 -0.25 1e3\n! c\n7 8\n' > a.dat

# --- The pass-through operation and its announcements
run --nop a.dat out.dat
expect_rc "nop status" 0
expect_file "nop output" out.dat $'1 2 3\n4.5 -0.25 1000\n7 8 0\n'
expect_eq "nop report" $'Do nothing\nFound 3 variables.\n\n'"$VERSION_LINE" "$(printf '%s' "$ERR" | head -4)"
expect_eq "no standard output" "" "$OUT"

run -# --nop a.dat out.dat
expect_eq "quiet title ends the line" $'Vorn: nop \n' "$ERR"
run --quiet --nop a.dat -
expect_eq "output to -" $'1 2 3\n4.5 -0.25 1000\n7 8 0\n' "$OUT"
run --silence --nop a.dat stdout
expect_eq "output to stdout" $'1 2 3\n4.5 -0.25 1000\n7 8 0\n' "$OUT"
run --silence --nop a.dat STDOUT
expect_eq "output to STDOUT" $'1 2 3\n4.5 -0.25 1000\n7 8 0\n' "$OUT"
run_env "VORN=debug:quiet" --nop a.dat -
expect_eq "VORN words" $'Vorn: nop \n' "$ERR"
run_env "VORN=Quiet" --nop a.dat -
expect_contains "VORN is case-sensitive" "Do nothing" "$ERR"
run_env "VORN=" --nop a.dat -
expect_contains "empty VORN does nothing" "Do nothing" "$ERR"

# --- Comments
run -# -a --nop a.dat -
expect_eq "comments kept in place" $'# head\n1 2 3\n\n4.5 -0.25 1000\n! c\n7 8 0\n' "$OUT"
printf '1 2\r\n# win\r\n3 4\r\n' > crlf.dat
run -# -a --nop crlf.dat -
expect_eq "CRLF: comments lose both characters" $'1 2\n# win\n3 4\n' "$OUT"
printf '# only\n# comments\n' > comments.dat
run -# -a --nop comments.dat -
expect_eq "comments only: nothing is read, so nothing is passed on" "" "$OUT"
run -# -a --output-latex --nop comments.dat -
expect_eq "comments only: prolog and epilog" $'% there are 0 lines in table\n\\begin{tabular}{}\n\\end{tabular}\n' "$OUT"
: > empty.dat
run -# --nop empty.dat out.dat
expect_rc "empty file runs" 0
expect_file "empty file gives empty output" out.dat ""

# --- Reading rules
printf '# head\n1 2\n3 4\n' > skip.dat
run -# --skip-rows=2 --nop skip.dat -
expect_eq "skip-rows counts comment lines too" $'3 4\n' "$OUT"
printf '1 2 *\n3 4\n5 6\n' > star.dat
run -# -s --skip-rows=1 --nop star.dat -
expect_eq "starred lines do not consume the countdown" $'5 6\n' "$OUT"
printf 'ab 1 2\nab 3 4\n' > skipcol.dat
run -# -b 3 --nop skipcol.dat -
expect_eq "skip columns" $'1 2\n3 4\n' "$OUT"
printf '1;2;3\n4;5;6\n' > semi.dat
# Left to us: counting and parsing agree on separators. The input delimiter separates columns
# when they are counted too, and commas separate numbers when rows are parsed, as when counted.
run -# --input-delimiter=';' --nop semi.dat -
expect_eq "input delimiter counts columns too" $'1 2 3\n4 5 6\n' "$OUT"
printf '1,2,3\n4,5,6\n' > comma.dat
run -# --input-delimiter=, --nop comma.dat -
expect_eq "comma delimiter" $'1 2 3\n4 5 6\n' "$OUT"
run -# --nop comma.dat -
expect_eq "commas separate when counting and parsing alike" $'1 2 3\n4 5 6\n' "$OUT"
printf '1 2 x 3\n  # 1 2\n5 6 7 8\nx1\n' > ragged.dat
run -# --nop ragged.dat -
expect_eq "ragged rows padded or cut" $'1 2\n0 0\n5 6\n0 0\n' "$OUT"
printf '1 2\n3 4' > nofinal.dat
run -# --nop nofinal.dat -
expect_eq "no final line end" $'1 2\n3 4\n' "$OUT"
printf '+1 inf -nan 0x10 1e999 -1e999 1e-400 .5 5. 1e 2\n' > odd.dat
run -# --nop odd.dat -
expect_eq "library number forms" $'1 inf -nan 16 inf -inf 0 0.5 5 1 2\n' "$OUT"
printf '1 2\0 9 9\n3 4\n' > nul.dat
run -# --nop nul.dat -
expect_eq "a NUL byte ends the line's text" $'1 2\n3 4\n' "$OUT"
head -c 300000 /dev/zero | tr '\0' '1' > long.dat; printf ' 2\n3 4\n' >> long.dat
run -# --nop long.dat -
expect_rc "line longer than the buffer" 0
expect_eq "long line read as pieces" 4 "$(printf '%s' "$OUT" | wc -l | tr -d ' ')"
head -c 100000 /dev/urandom > garbage.dat
run -# --nop garbage.dat out.dat
expect_rc "binary garbage does not crash" 0

# --- Number forms and formats
printf '0.1 123456789.5 -12345678.5 1e-7 -1e-7 1.5e20\n' > nums.dat
run -# --nop nums.dat -
expect_eq "normal form" $'0.1 123456789.5 -12345678.5 0 -0 1.5e+20\n' "$OUT"
run -# -x1 --nop nums.dat -
expect_eq "extra precision for column 1" $'0.100000000000000006 123456789.5 -12345678.5 0 -0 1.5e+20\n' "$OUT"
run -# -x-1 --nop nums.dat -
expect_contains "extra precision everywhere" "9.99999999999999955e-08 -9.99999999999999955e-08 1.5e+20" "$OUT"
run -# --format=%.2f --nop nums.dat -
expect_eq "user format" $'0.10 123456789.50 -12345678.50 0.00 -0.00 150000000000000000000.00\n' "$OUT"
expect_eq "format echo" $'Output format:%.2f\n>12345678.90<\nVorn: nop \n' "$ERR"
rm -f logfile
run --format=%d --nop nums.dat -
expect_rc "bad format" 1
expect_contains "bad format message" $'Invalid format (%d) \n%[flags][width][.precision]{e|f|g}\nMinimum allowed format:      %f\nDefault format:              %f\nExtra precision (-x) format: %.18g' "$ERR"
expect_no_file "option errors come before the run log" logfile

# --- Output styles
printf '1 2 3\n4 5 6\n' > six.dat
run -# --output-c --nop six.dat -
expect_eq "C style" $'double data[][3] = {\n{ 1, 2, 3},\n{ 4, 5, 6},\n};\n' "$OUT"
run -# --output-c --add-line-count --nop six.dat -
expect_eq "C style with the row count" $'double data[2][3] = {\n{ 1, 2, 3},\n{ 4, 5, 6},\n};\n' "$OUT"
run -# --output-csv -a --nop a.dat -
expect_eq "CSV never writes comments" $'1, 2, 3\n4.5, -0.25, 1000\n7, 8, 0\n' "$OUT"
run -# --output-csv --output-latex --nop six.dat -
expect_eq "last style wins" $'% there are 0 lines in table\n\\begin{tabular}{l l l}\n1 & 2 & 3 \\\\\n4 & 5 & 6 \\\\\n\\end{tabular}\n' "$OUT"
run -# --output-c --output-standard --add-line-count --nop six.dat -
expect_eq "standard style with the row count" $'2\n1 2 3\n4 5 6\n' "$OUT"
run -# -a --add-line-count --nop a.dat -
expect_eq "row count first, comments in place" $'2\n# head\n1 2 3\n\n4.5 -0.25 1000\n! c\n7 8 0\n' "$OUT"
run -# -z '\t' --nop six.dat -
expect_eq "tab separator with an operation" $'1\t2\t3\n4\t5\t6\n' "$OUT"
run -# -z '\x' --nop six.dat -
expect_eq "unknown escape gives a blank" $'1 2 3\n4 5 6\n' "$OUT"
expect_contains "unknown escape note" $'\nMessage: Unknown separator\n' "$ERR"

# --- Files
run -# --nop missing.dat out.dat
expect_rc "missing input" 1
expect_contains "missing input message" $'\nError in File:' "$ERR"
expect_contains "missing input text" $'):\nCould not open file missing.dat\n' "$ERR"
run -# --nop six.dat /nonexistent/dir/out.dat
expect_rc "unwritable output" 1
expect_contains "unwritable output message" "Could not open file /nonexistent/dir/out.dat for writing" "$ERR"
run -# --append --nop six.dat /nonexistent/dir/out.dat
expect_contains "unappendable output message" "for appending" "$ERR"
printf 'old\n' > app.dat
run -# --append --nop six.dat app.dat
expect_file "append keeps old content" app.dat $'old\n1 2 3\n4 5 6\n'
run -# --maxbuff=0x7fffffffffffff --nop six.dat out.dat
expect_rc "impossible line buffer" 1
expect_contains "allocation failure message" "Could not allocate memory 36028797018963967 bytes" "$ERR"

# --- Command line rules
rm -f logfile
run
expect_rc "no arguments shows help" 0
expect_contains "help through the pager" "Usage:" "$OUT"
run --output-csv
expect_contains "options only: help" "Usage:" "$OUT"
expect_no_file "no operation, no run log" logfile
run --eval-prolog=x a.dat b.dat
expect_contains "prolog alone selects nothing" "Usage:" "$OUT"
run -k six.dat out.dat
expect_rc "selection required" 1
expect_contains "selection message" "No vornfile name or -e option" "$ERR"
expect_eq "run log written before names are checked" 1 "$(wc -l < logfile | tr -d ' ')"
run -k
expect_contains "no source" $'No source filename\n' "$ERR"
run --nop six.dat
expect_rc "an output is needed" 1
expect_contains "destination message" "No destination filename" "$ERR"
# Left to us: an operation chosen after -c cleared the output requirement is refused without
# an output name instead of running against a missing output.
run -c -k -e 1 six.dat
expect_rc "cleared requirement still refuses a missing output" 1
expect_contains "cleared requirement message" "No destination filename" "$ERR"
run -# -K -T six.dat out.dat
expect_rc "-K then -T transposes without a selection" 0
printf '1\n' > extra.sel
run -# --nop six.dat out.dat extra.sel fourth
expect_rc "a fourth argument is ignored" 0
run -# -g --nop six.dat -
expect_contains "unhandled letter" "?? getopt returned character code 0147 ??" "$ERR"
run -# --more -g --nop six.dat -
expect_not_contains "--more silences the note" "getopt returned" "$ERR"
run --bogus-option six.dat out.dat
expect_contains "unknown option shows help" "Usage:" "$OUT"

# --- Option values
run --divide=0 six.dat out.dat
expect_contains "divide by zero" "Can't divide by ZERO" "$ERR"
run -x0 --nop six.dat out.dat
expect_contains "-x0 refused" "Argument to -x/--xtra must be larger than zero or equal to -1 (all columns)" "$ERR"
run -x-2 --nop six.dat out.dat
expect_rc "-x-2 refused" 1
run -xq --nop six.dat out.dat
expect_contains "-x needs a number" $'Can\'t convert q to a number\n' "$ERR"
run --maxbuff=abc --nop six.dat out.dat
expect_contains "maxbuff needs a number" "Can't convert abc to a number" "$ERR"
run -# --maxbuff=1000 --nop six.dat out.dat
expect_contains "small maxbuff warning" $'\nWarning: maxbuff=1000 is to small. Reseting to 131072\n\nContinue [y/N]:' "$ERR"
expect_rc "small maxbuff goes on" 0
run -# --maxbuff=0x20000 --nop six.dat out.dat
expect_eq "hexadecimal maxbuff accepted silently" $'Vorn: nop \n' "$ERR"
run -d5x six.dat
expect_contains "split characters" "invalid characters in option argument for option -d: 5x." "$ERR"
run --split=100p six.dat
expect_contains "split percent" "Percent must be between 0% and 100% (100.000000)" "$ERR"
run --sinc-lp=0.5,32 six.dat out.dat -e 1
expect_contains "sinc cutoff" "Cutoff frequency out of range (0 - 0.5)" "$ERR"
run --sinc-bp=0.3,0.6,32 six.dat out.dat -e 1
expect_contains "sinc band cutoff" "Cutoff frequencies out of range (0 - 0.5)" "$ERR"
run --sinc-lp=0.1,31 six.dat out.dat -e 1
expect_contains "sinc odd M" "M should be even" "$ERR"
run --sinc-lp=0.1 six.dat out.dat -e 1
expect_contains "sinc parameter count" "Wrong number of parameters" "$ERR"
run --range-keep=1 six.dat out.dat -e 1
expect_rc "range needs two values" 1
expect_contains "range message" ":: error: Need 2 values in the format lower,upper" "$ERR"
run -f0 six.dat out.dat -e 1
expect_contains "no taps" "Filtertaps can't be less than zero (0)" "$ERR"
run -u 0 six.dat out.dat -e 1
expect_contains "no median taps" "Filtertaps can't be negative (0)" "$ERR"
run -# -f4 six.dat out.dat -e 1
expect_contains "even taps warn" "Filtertaps should be odd (4), adjusting uppwards to 5" "$ERR"
run -# --running-average=3,7 six.dat out.dat -e 1
expect_contains "running average mode" $'Unknown running average mode.\nReseting to "2 - PMA"' "$ERR"
run --running-average=x six.dat out.dat -e 1
expect_contains "running average number" "Can't convert x to a number" "$ERR"
run -jx six.dat out.dat -e 1
expect_contains "shift number" "Can't convert x to a number" "$ERR"
run -# -j -9223372036854775808 --nop six.dat out.dat
expect_rc "the most negative shift has a magnitude too" 0
run -m abc six.dat out.dat -e 1
expect_contains "number options" 'Unable to convert "abc" to a number' "$ERR"
run -# -m 1e999 six.dat out.dat -e 1
expect_contains "range error reported, run goes on" "get_double: " "$ERR"
expect_rc "range error is not fatal" 0
run -e a1 --nop six.dat out.dat
expect_contains "selection characters" "invalid characters in option argument for option -e: a1." "$ERR"

# --- Fatal errors and the wait
printf 'ab' | "$VORN_BIN" --wait-on-error --nop missing.dat out.dat >stdout.txt 2>stderr.txt
RC=$?; ERR=$(cat stderr.txt)
expect_rc "wait on error still fails" 1
expect_contains "wait prompt" $'Press enter to continue' "$ERR"
run -# --nop six.dat out.dat -e '3:0:9'
expect_contains "step below one" ":: error: Error: step can't be less than 1: 0" "$ERR"
expect_rc "step below one is fatal" 1
run -# --nop six.dat out.dat -e 0
expect_contains "invalid index" $'invalid index=0\n' "$ERR"
expect_rc "invalid index goes on" 0
run -# --nop six.dat out.dat missing.sel
expect_contains "missing selection file" "Could not open vorn file: missing.sel" "$ERR"

# Left to us: a selection file's lines neither use up the skip-rows countdown nor join the data
# file's comments in the output.
printf '# which columns\n2\n' > cols.sel
printf '# data head\n1 2 3\n4 5 6\n' > sel.dat
run -# -a --skip-rows=2 --nop sel.dat - cols.sel
expect_eq "selection file is not data" $'# data head\n1 2 3\n4 5 6\n' "$OUT"

# --- Wildcard mode
printf '1 2\n' > w1.dat; printf '3 4\n' > w2.txt
run -# -w --nop w1.dat w2.txt
expect_file "wildcard output 1" w1.out $'1 2\n'
expect_file "wildcard output 2" w2.out $'3 4\n'
run -# --wildcard=.res --nop w1.dat
expect_file "wildcard extension" w1.res $'1 2\n'
run -# -w --nop w1.dat w2.txt
expect_eq "quiet titles of two passes" $'Vorn: nop Vorn: nop \n' "$ERR"

finish
