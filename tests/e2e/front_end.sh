#!/usr/bin/env bash
# Front end: help and version texts, argument files, the run log, wildcard output names.
source "$(dirname "$0")/lib.bash" "$1"

printf '1 2 3\n4 5 6\n' > in.dat
nl=$'\n'

# ---- Version block and help text -----------------------------------------------------------
rc_is "-v exits 0" -v 0
version_block=$OUT
version_line=${OUT%%"$nl"*}
# Three strings: the version line, the notice (two lines) and the contact line.
expect_eq "-v prints the version, notice and contact lines" 4 "$(printf '%s' "$OUT" | wc -l)"
expect_contains "version line names the program" "vorn Version " "$version_line"
expect_eq "-v writes nothing to stderr" "" "$ERR"

rc_is "--more -? exits 0" --more -? 0
help=$OUT
expect_eq "help begins with the version line" "$version_line" "${help%%"$nl"*}"
# The options this vorn adds follow the version block.
prescribed=${help%"${nl}Added options:${nl}"*}
expect_eq "help's own text ends with the version block" "$version_block" "${prescribed: -${#version_block}}"
expect_contains "the additions list the summaries" "${nl}--stats[=list]       - statistics" "${help#"$prescribed"}"
expect_contains "Usage line with the bare program name" \
    "${nl}${nl}Usage: vorn -options infile outfile [vornfile] [-e \"string\"]${nl}infile               - original file$nl" "$help"
expect_contains "-w line shows .out" \
    "-w, --wildcard[=ext] - use wildcards in filenames and replace/add .ext$nl                       to filenames (default ext: .out)$nl" "$help"
expect_contains "fuzz line" \
    "--fuzz=epsilon       - Make the comparisons in --keep/remove a bit fuzzy$nl                       adds +/-epsilon to level (default: 2.22045e-16)$nl" "$help"
expect_contains "maxbuff line" "--maxbuff=#          - make buffers # bytes instead of 131072 bytes.$nl" "$help"
expect_contains "eval line" "assigning to n[#] (# max 100). c[#] are treated$nl" "$help"
expect_contains "tab escape kept literally" "                       -z\\t gives tab between numbers$nl" "$help"
expect_contains "last option lines" "-v, --version        - show version of program$nl$nl$version_line" "$help"

run -wcsv --more -?   # an optional argument is attached to its option
expect_contains "-wcsv changes the extension shown" "(default ext: .csv)$nl" "$OUT"
run --wildcard=.res --fuzz=0.5 --more -?
expect_contains "--wildcard=.res changes the extension shown" "(default ext: .res)$nl" "$OUT"
expect_contains "--fuzz changes the value shown" "(default: 0.5)$nl" "$OUT"

mkdir -p "tool dir"; cp "$VORN_BIN" "tool dir/vorn.bin"
"./tool dir/vorn.bin" --more -? > stdout.txt 2>/dev/null; RC=$?
expect_rc "help through a path with an extension exits 0" 0
expect_contains "Usage line drops directories and extension" "Usage: vorn -options" "$(cat stdout.txt)"

long_name=$(printf 'x%.0s' {1..300})
(exec -a "$long_name" "$VORN_BIN" --more -?) >stdout.txt 2>stderr.txt; RC=$?
expect_rc "a base name too long for its buffer still shows the help" 0
expect_eq "a base name too long for its buffer is reported" "usage: File name too long" "$(cat stderr.txt)"
expect_contains "the cut base name is shown" "Usage: ${long_name:0:255} -options" "$(cat stdout.txt)"

if command -v more >/dev/null; then
    run -?
    expect_rc "-? through the pager exits 0" 0
    expect_eq "-? through the pager shows the same text" "$help" "$OUT"
    printf '#only a comment\n' > empty.args
    run @empty.args
    expect_eq "an argument file expanding to nothing shows the help text" "$help" "$OUT"
else
    echo "note: no pager 'more' on this machine; pager checks skipped"
fi
expect_no_file "help and version runs write no run log" logfile

# ---- Argument files --------------------------------------------------------------------------
# The same run given on the command line, through @file and through $file (how argument files
# expand, nest and take comments is test_support's).
printf -- '-k\n-e\n1,2\nin.dat\nout.dat\n' > args
for how in "-k -e 1,2 in.dat out.dat" @args '$args'; do
    rm -f out.dat
    # shellcheck disable=SC2086
    file_is "$how removes columns 1 and 2" out.dat $how $'3\n6\n'
    expect_rc "$how runs" 0
done
rc_is "an unreadable @name is a literal input name" --nop @missing.dat out2.dat 1
expect_no_file "no output for an unreadable @name" out2.dat

# ---- Run log -----------------------------------------------------------------------------------
cp "$VORN_BIN" ./vorn
rm -f logfile
date_re='[0-9][0-9]/[0-9][0-9]/[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'
./vorn in.dat o.dat --nop '--eval=r[1] = c[1]*2' >/dev/null 2>&1
./vorn @args >/dev/null 2>&1
expect_eq "run log has one line per run" 2 "$(wc -l < logfile)"
line() { sed -n "$1p" logfile; }
if [[ "$(line 1)" =~ ^$date_re' ./vorn --nop --eval="r[1] = c[1]*2" in.dat o.dat'$ ]]; then pass
else fail "run log: options before file names, --name=\"value\"" "$(line 1)"; fi
if [[ "$(line 2)" =~ ^$date_re' ./vorn -k -e "1,2" in.dat out.dat'$ ]]; then pass
else fail "run log: date, then the expanded argument file, 1,2 quoted" "$(line 2)"; fi

mkdir logdir && (cd logdir && mkdir logfile && cp ../in.dat . && "$VORN_BIN" --nop in.dat o.dat >../stdout.txt 2>../stderr.txt)
RC=$?; ERR=$(cat stderr.txt)
expect_rc "an unwritable run log does not stop the run" 0
expect_contains "an unwritable run log is reported" "No logfile entry$nl" "$ERR$nl"
expect_file "an unwritable run log does not stop the run" logdir/o.dat $'1 2 3\n4 5 6\n'

# ---- Wildcard output names ---------------------------------------------------------------------
cp in.dat a.dat; cp in.dat b.dat
for how in -w:out --wildcard=.res:res -wcsv:csv; do
    rc_is "${how%:*} runs" "${how%:*}" --nop a.dat b.dat 0
    for f in a b; do expect_file "${how%:*}: $f.dat -> $f.${how#*:}" "$f.${how#*:}" $'1 2 3\n4 5 6\n'; done
done

finish
