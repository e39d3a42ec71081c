#!/usr/bin/env bash
# Strict mode: every reading that the forgiving mode would guess at ends the run with one line
# naming the file, line, field and text; the output file is taken back; the same files without
# --strict give what they always gave. Option errors are one line on standard error.
source "$(dirname "$0")/lib.bash" "$1"
nl=$'\n'

# Files the reader reinterprets: NAME|CONTENT|the message after "vorn: NAME.dat, "|--nop without --strict.
files=(
    'header|date,co2\n1,2\n|line 1, field 1: not a number: "date"|'
    'missing|# c\n1 2 3\n4 NA 6\n|line 3, field 2: not a number: "NA"|1 2 3\n4 0 0\n'
    'trailing|1 2 3 x\n4 5 6\n|line 1, field 4: not a number: "x"|1 2 3\n4 5 6\n'
    'glued|1 2 3\n4 5x 6\n|line 2, field 2: not a number: "5x"|1 2 3\n4 5 0\n'
    'short|1 2 3\n\n4 5\n|line 3: 2 numbers, where the first data row has 3: "4 5"|1 2 3\n4 5 0\n'
    'long|1 2 3\n4 5 6 7\n|line 2: 4 numbers, where the first data row has 3: "4 5 6 7"|1 2 3\n4 5 6\n'
    'overflow|1 2 3\n4 1e400 6\n|line 2, field 2: too large for a double: "1e400"|1 2 3\n4 inf 6\n'
)
# One operation of each kind: streaming, counted at opening, whole-file, windowed.
operations=('--nop' '-r -e 1' '-q 1' '-f -e 1')
for row in "${files[@]}"; do
    IFS='|' read -r name content message plain <<<"$row"
    printf "$content" >"$name.dat"
    for op in "${operations[@]}"; do
        rm -f out.dat
        # shellcheck disable=SC2086
        run --strict $op "$name.dat" out.dat
        expect_rc "$name, $op --strict: status 1" 1
        expect_contains "$name, $op --strict: the message" "${nl}vorn: $name.dat, $message$nl" "$nl$ERR"
        expect_no_file "$name, $op --strict: no output file" out.dat
        # shellcheck disable=SC2086
        run $op "$name.dat" out.dat
        expect_not_contains "$name, $op: no refusal without --strict" "vorn: $name.dat" "$ERR"
    done
    plain=$(printf "$plain"; printf x)
    out_is "$name: --nop without --strict reads as it always did" --nop "$name.dat" - "${plain%x}"
done
err_has "the header line gets a hint" --strict --nop header.dat - \
    "vorn: hint: if this line is a header, skip it with --skip-rows=1 or start it with '#'"
err_has "a missing value gets a hint" --strict --nop missing.dat - "vorn: hint: a missing value can be written as nan"
out_is "VORN=strict and --skip-rows=1 read the file after its header" --strict --skip-rows=1 --nop header.dat - "1 2$nl"

# Checks of single operations: ARGS|CONTENT|the message after "vorn: in.dat".
printf '1 2 3\n4 5 6\n' >good.dat
checks=(
    '-t|5.984000000000000341e+01 1\n2 3\n|, line 1, field 1: longer than 16 characters, which -t (--transpose) reads as two numbers: "5.984000000000000341e+01"'
    '--flip-ud|1 2\n3 3.14159265358979323\n|, line 2, field 2: longer than 16 characters, which --flip-ud reads as two numbers: "3.14159265358979323"'
    '-t|1,2\n3,4\n|, line 1, field 1: not a number: "1,2"'
    '-t --input-delimiter=;|1;2\n3;4\n|: -t (--transpose) reads numbers separated by white space from the start of every line: it would ignore --input-delimiter'
    '-b 4 --nop|ab  1\na1\n|, line 2: the line is not longer than the 4 characters skipped at the start of every line (--skip-columns), which would end the rows here: "a1"'
    '-q -2,1|1 2\n3 nan\n|, line 2, field 2: not a number (NaN) in a sort column: "nan"'
    '-k -e 2,4|1 2 3\n|: the selection names column 4, but the file has 3 columns: "4"'
    '--keep-columns=0|1 2 3\n|: the selection names column 0, but columns count from 1: "0"'
    '-r -e 2-5|1\n2\n3\n|: the selection names row 5, but the file has 3 rows: "2-5"'
    '--cut-square=1:1:4 -e 1|1 2\n3 4\n|: the selection names row 4, but the file has 2 rows: "1:1:4"'
    '--math=Sin -e 1|1 2\n|: unknown function for --math: "Sin"'
)
for row in "${checks[@]}"; do
    IFS='|' read -r args content message <<<"$row"
    printf "$content" >in.dat
    rm -f out.dat
    # shellcheck disable=SC2086
    run_env VORN=quiet:strict $args in.dat out.dat
    expect_rc "$args: status 1" 1
    expect_contains "$args: the message" "${nl}vorn: in.dat$message$nl" "$ERR"
    expect_no_file "$args: no output file" out.dat
    # shellcheck disable=SC2086
    run $args in.dat out.dat
    expect_rc "$args: status 0 without strict" 0
done

# An output that had begun is taken back: a new file is removed, an appended one cut back; a
# wildcard pass that completed keeps its output.
printf 'kept\n' >out.dat
run --strict --append --nop short.dat out.dat
expect_file "an appended output is cut back to its length before the run" out.dat "kept$nl"
expect_contains "the cut-back output is named" \
    "The output file out.dat was left incomplete and has been cut back to its length before this run." "$ERR"
run --strict --eval 'n[1]=c[1]' short.dat out2.dat
expect_contains "the removed output is named" "The output file out2.dat was left incomplete and has been removed." "$ERR"
run --strict -w --nop good.dat short.dat
expect_file "a wildcard pass that completed keeps its output" good.out "1 2 3${nl}4 5 6$nl"
expect_no_file "the failed wildcard pass leaves no output" short.out
run --strict --nop short.dat -
expect_eq "standard output keeps the rows written before the failure" "1 2 3$nl" "$OUT"
# A stream read once (beyond the part kept of it) still has its lines counted.
err=$( (seq 400000; echo 1 2) | "$VORN_BIN" --strict --nop - /dev/null 2>&1)
expect_contains "a long pipe names the line" "vorn: -, line 400001: 2 numbers, where the first data row has 1" "$err"

# Option errors: one line on standard error, status 1, nothing on standard output.
options=(
    '--keep-colums=1 good.dat -|unrecognized option '"'"'--keep-colums'"'"
    '--st good.dat -|option '"'"'--st'"'"' is ambiguous'
    '--nop=3 good.dat -|option '"'"'--nop'"'"' doesn'"'"'t allow an argument'
    '--nop --multiply|option '"'"'--multiply'"'"' requires an argument'
    '-l good.dat -|invalid option -- '"'"'l'"'"
    '--nop -m|option requires an argument -- '"'"'m'"'"
    'good.dat -|no operation given'
)
for row in "${options[@]}"; do
    IFS='|' read -r args complaint <<<"$row"
    for how in --strict VORN=strict; do
        # shellcheck disable=SC2086
        if [ $how = --strict ]; then run --strict $args; else run_env $how $args; fi
        expect_eq "$args ($how): one line on standard error" "vorn: $complaint (see vorn --help)$nl" "$ERR"
        expect_eq "$args ($how): nothing on standard output" "" "$OUT"
        expect_rc "$args ($how): status 1" 1
    done
done
rc_is "-? still shows the help text" --strict --more -? 0
expect_contains "the help text names --strict" "${nl}--strict " "$OUT"
out_is "--stri is --strict" --stri --nop good.dat - "1 2 3${nl}4 5 6$nl"
run --strict --eval 'n[1]=c[1]+' good.dat -
expect_eq "SyntaxError goes to standard error" "" "$OUT"
expect_contains "SyntaxError is on standard error" "SyntaxError" "$ERR"
out_is "without --strict, SyntaxError goes to standard output" --eval 'n[1]=c[1]+' good.dat - "SyntaxError$nl"

finish
