#!/usr/bin/env bash
# Inputs and outputs: standard input, pipes and devices, compressed content, an output that is
# the input, failed writes, and the remaining guards (directories, argument files, the help
# command, memory for kept comments, the run log).
source "$(dirname "$0")/lib.bash" "$1"

printf '# head\n1 2 3\n4 5 6\n# middle\n7 8 9\n10 11 12\n' > a.dat
a_nop=$'1 2 3\n4 5 6\n7 8 9\n10 11 12\n'
awk 'BEGIN { for (i = 0; i < 100000; i++) print i, i * 2, i % 7 }' > big.dat
asan=0
ldd "$VORN_BIN" 2>/dev/null | grep -q libasan && asan=1

# pipe_run ARGS...: runs vorn with a.dat piped into standard input; like run otherwise.
pipe_run() {
    "$VORN_BIN" "$@" < <(cat a.dat) >stdout.txt 2>stderr.txt
    RC=$?
    OUT=$(cat stdout.txt; printf x); OUT=${OUT%x}
    ERR=$(cat stderr.txt; printf x); ERR=${ERR%x}
}

# ---- Every operation reads a pipe as it reads the file ------------------------------------------
ops=(
    "--nop" "-a --nop" "--output-csv --nop" "-k -e 2" "--keep-columns -e 2" "-r -e 2" "--keep-rows -e 1,3"
    "-t" "-a -t" "--flip-ud" "--flip-lr" "--cut-square=2-3 -e 1" "-y" "-yc" "-m 2 -e 1" "--divide=4 -e 2"
    "-p 1 -e 3" "--math=sqrt -e 1" "--keepgt=4 -e 1" "--removeleq=5 -e 2" "--range-keep=2,8 -e 1"
    "--sum-col" "--sum-row" "--diff -e 1" "-j 1 -e 2" "-f3 -e 1" "--sinc-lp=0.2,2 -e 1" "-u 1 -e 2"
    "--running-avg=2,3 -e 1" "-n 0.5 -e 1" "-q -2" "--eval n[1]=c[1]*c[2]" "-a --eval r[1]=c[3]"
    "--skip-rows=1 --nop" "-x 1 --nop"
)
for op in "${ops[@]}"; do
    # shellcheck disable=SC2086
    run -# $op a.dat -; want_out=$OUT; want_rc=$RC
    # shellcheck disable=SC2086
    pipe_run -# $op - -
    expect_eq "$op from standard input: output" "$want_out" "$OUT"
    expect_eq "$op from standard input: status" "$want_rc" "$RC"
done
for op in -c --get-rows --get-cols; do
    run -# $op a.dat; want=${OUT//a.dat/-    }
    pipe_run -# $op -
    expect_eq "$op from standard input" "$want" "$OUT"
done
"$VORN_BIN" -# --nop big.dat - > want.txt 2>/dev/null
"$VORN_BIN" -# --nop - - < <(cat big.dat) > stdout.txt 2>/dev/null
if cmp -s want.txt stdout.txt; then pass; else fail "a long pipe arrives whole"; fi

(printf '1'; sleep .2; printf ' 2\n3 4\n') | "$VORN_BIN" -# --nop - - > stdout.txt 2>/dev/null
expect_file "a pipe whose first byte arrives alone" stdout.txt $'1 2\n3 4\n'
printf '1 2\n3 4\n' | "$VORN_BIN" -# --nop /dev/stdin - > stdout.txt 2>/dev/null
expect_file "/dev/stdin keeps the line the column count read" stdout.txt $'1 2\n3 4\n'
"$VORN_BIN" -# --sum-col <(cat a.dat) - > stdout.txt 2>/dev/null
expect_file "a process substitution is summed" stdout.txt $'1 2 3\n4 5 6\n7 8 9\n10 11 12\n22 26 30\n'
mkfifo fifo.dat
(cat a.dat > fifo.dat &)
"$VORN_BIN" -# -d2 fifo.dat 2>/dev/null
expect_file "a FIFO is read twice by the split" fifo.trn $'1 2 3\n4 5 6\n'
expect_file "a FIFO is read twice by the split (test file)" fifo.tst $'7 8 9\n10 11 12\n'
cat a.dat | "$VORN_BIN" -# -d1 - 2>/dev/null
expect_file "standard input is read twice by the split, into stdin.tst" stdin.tst $'4 5 6\n7 8 9\n10 11 12\n'
printf '2\n' > sel.txt
"$VORN_BIN" -# -k a.dat - - < sel.txt > stdout.txt 2>/dev/null
expect_file "the selection file - is standard input" stdout.txt $'1 3\n4 6\n7 9\n10 12\n'
printf '1 2 3\n' | "$VORN_BIN" -# -k - - /dev/stdin > stdout.txt 2>/dev/null
expect_file "data and selection from one standard input share its copy" stdout.txt $'2 3\n'
mkdir dash && printf '5 6\n' > dash/- && (cd dash && printf '1 2\n' | "$VORN_BIN" -# --nop - -) > stdout.txt 2>/dev/null
expect_file "a file named - is read as a file" stdout.txt $'5 6\n'
"$VORN_BIN" -# -k -e 1 <(cat a.dat) - > stdout.txt 2>stderr.txt </dev/null
expect_file "a process substitution with an inline selection" stdout.txt $'2 3\n5 6\n8 9\n11 12\n'

# ---- Compressed content -------------------------------------------------------------------------
# How content is recognised and decoded, and how damage is named, is test_input's; here the
# program reads through it and fails cleanly on it.
gzip -c a.dat > a.dat.gz
# A build without zlib or libzstd refuses that content by name; its tests are skipped.
gz_ok=1 zst_ok=1
"$VORN_BIN" -# --nop a.dat.gz - > /dev/null 2> stderr.txt
if grep -q "this vorn was built without zlib" stderr.txt; then
    gz_ok=0
    expect_contains "gzip content this build cannot read" \
        "a.dat.gz is gzip-compressed; this vorn was built without zlib (zlib1g-dev)" "$(cat stderr.txt)"
    echo "this vorn reads no gzip content: gzip input skipped"
fi
printf '\x28\xb5\x2f\xfd' > magic.zst
if "$VORN_BIN" -# --nop magic.zst - 2>&1 >/dev/null | grep -q "built without zstd (libzstd-dev)"; then
    zst_ok=0
    echo "this vorn reads no zstd content: zstd input skipped"
fi
if [ $gz_ok = 1 ]; then
    out_is "gzip file" -# --nop a.dat.gz - "$a_nop"
    out_is "gzip file read twice (-t counts, then reads)" -# -t a.dat.gz - $'1 4 7 10\n2 5 8 11\n3 6 9 12\n'
    "$VORN_BIN" -# --nop - - < a.dat.gz > stdout.txt 2>/dev/null
    expect_file "gzip through standard input" stdout.txt "$a_nop"
    (head -c 1 a.dat.gz; sleep .2; tail -c +2 a.dat.gz) | "$VORN_BIN" -# --nop - - > stdout.txt 2>/dev/null
    expect_file "a gzip pipe whose first byte arrives alone" stdout.txt "$a_nop"
    head -c 40 a.dat.gz > cut.gz
    rc_is "truncated gzip fails" -# --nop cut.gz out.dat 1
    expect_contains "truncated gzip message" $'Error in File:' "$ERR"
    expect_contains "truncated gzip message" $'\nTruncated gzip data in cut.gz: unexpected end of the data\n' "$ERR"
    expect_no_file "truncated gzip writes no output" out.dat
fi
if [ $zst_ok = 1 ] && command -v zstd >/dev/null; then
    zstd -q -c a.dat > a.dat.zst
    out_is "zstd file" -# --nop a.dat.zst - "$a_nop"
    cat a.dat.zst | "$VORN_BIN" -# -q 1 - - > stdout.txt 2>/dev/null
    expect_file "zstd through a pipe" stdout.txt "$a_nop"
fi
if [ $zst_ok = 1 ]; then
    # "1 2\n3 4\n" as one zstd frame, after an 8-byte skippable frame as parallel writers put first;
    # then the same frame asking for a 2 GiB window.
    zframe='\x41\x00\x00\x31\x20\x32\x0a\x33\x20\x34\x0a\x8a\x81\x17\xcf'
    printf '\x50\x2a\x4d\x18\x04\x00\x00\x00skip\x28\xb5\x2f\xfd\x24\x08'"$zframe" > skip.zst
    out_is "zstd after a skippable frame" -# --nop skip.zst - $'1 2\n3 4\n'
    printf '\x28\xb5\x2f\xfd\x04\xa8'"$zframe" > wide.zst
    out_is "zstd with a 2 GiB window" -# --nop wide.zst - $'1 2\n3 4\n'
fi
# (The sanitizer's shadow memory does not fit under an address-space limit.)
if [ $zst_ok = 1 ] && [ "$asan" -eq 0 ]; then
    (ulimit -v 1000000; "$VORN_BIN" -# --nop - - < wide.zst >stdout.txt 2>stderr.txt); RC=$?
    expect_rc "a window larger than memory allows fails" 1
    expect_contains "a window larger than memory allows names the need" \
        "Could not decompress standard input: its zstd data needs 2048 MiB of memory, more than the " "$(cat stderr.txt)"
fi
# A fatal error while a pipe or compressed input still has buffered data ends with status 1,
# never with a crash in the exit-time clean-up of the input stream.
{ echo "4 1"; echo "-1 2"; seq 1 30000; } > neg.dat
for i in 1 2 3; do
    cat neg.dat | "$VORN_BIN" -# --math=sqrt -e 1 - /dev/null 2>/dev/null; RC=$?
    expect_rc "fatal error on a piped input ends cleanly ($i)" 1
    "$VORN_BIN" -# --nop - - < neg.dat > /dev/full 2>/dev/null; RC=$?
    expect_rc "write error with standard input open ends cleanly ($i)" 1
    if [ $gz_ok = 1 ]; then
        gzip -c neg.dat > neg.dat.gz
        "$VORN_BIN" -# --math=sqrt -e 1 neg.dat.gz /dev/null 2>/dev/null; RC=$?
        expect_rc "fatal error on a gzip input ends cleanly ($i)" 1
    fi
done
if [ $gz_ok = 1 ]; then
    cp a.dat b.dat
    run -# -w --nop b.dat a.dat.gz
    expect_file "wildcard mode: plain input" b.out "$a_nop"
    expect_file "wildcard mode: compressed input" a.dat.out "$a_nop"
    mkdir many; for i in $(seq 1 12); do printf '%d 1\n' "$i" | gzip > many/f$i.gz; done
    (ulimit -n 9; "$VORN_BIN" -# -w --nop many/*.gz) >/dev/null 2>&1; RC=$?
    expect_rc "wildcard mode lets each input's copy go when its turn ends" 0
    expect_file "wildcard mode: the last of many compressed inputs" many/f12.out $'12 1\n'
fi

# ---- Copies that cannot be made -----------------------------------------------------------------
cat big.dat big.dat > big2.dat
TMPDIR=$PWD/nowhere "$VORN_BIN" -# --nop - - < a.dat > stdout.txt 2>stderr.txt
expect_file "a short stream is held in memory" stdout.txt "$a_nop"
TMPDIR=$PWD/nowhere "$VORN_BIN" -# --sum-col - - < big2.dat > stdout.txt 2>stderr.txt; RC=$?
expect_rc "no temporary directory fails" 1
expect_contains "no temporary directory message" "Could not create a temporary file in $PWD/nowhere for standard input: No such file or directory" "$(cat stderr.txt)"
( trap "" XFSZ; ulimit -f 100; "$VORN_BIN" -# --sum-col - /dev/null < <(cat big2.dat) ) >stdout.txt 2>stderr.txt; RC=$?
expect_rc "a copy that cannot be written fails" 1
expect_contains "a copy that cannot be written names the reason" "Could not copy standard input to a temporary file in " "$(cat stderr.txt)"
expect_contains "a copy that cannot be written names the reason" ": File too large" "$(cat stderr.txt)"

# Operations that read their rows once keep only the lines before the first row: the rest of a
# pipe flows through without room for a copy (here 100 KiB for a 1.3 MB pipe), byte for byte as
# from the file.
for op in "--nop" "-k -e 2" "--eval n[1]=c[1]*c[2]" "-m 2 -e 1" "--removegt=3 -e 3" "--diff -e 1" "-j 1 -e 2" "-y" \
    "-a --range-keep=2,8 -e 3"; do
    # shellcheck disable=SC2086
    "$VORN_BIN" -# $op big.dat - > want.txt 2>/dev/null
    # shellcheck disable=SC2086
    ( trap "" XFSZ; ulimit -f 100; "$VORN_BIN" -# $op - - < <(cat big.dat) ) 2>stderr.txt | cmp -s - want.txt
    expect_eq "$op streams a pipe without a copy" "0 0" "$? $(grep -c 'Could not' stderr.txt)"
done
{ for i in $(seq 1 3000); do echo "# note $i"; done; cat big.dat; } > notes.dat
"$VORN_BIN" -# -a --nop notes.dat - > want.txt 2>/dev/null
"$VORN_BIN" -# -a --nop - - < <(cat notes.dat) 2>/dev/null | cmp -s - want.txt && pass || fail "lines before the first row are kept for the rows' pass"
printf '# only\n# comments\n' > comments.dat
run -# --nop comments.dat -; want_out=$OUT want_err=$ERR
"$VORN_BIN" -# --nop - - < <(cat comments.dat) > stdout.txt 2> stderr.txt
expect_file "a stream that ends before its first row" stdout.txt "$want_out"
got=$(cat stderr.txt; printf x)
expect_eq "a stream that ends before its first row: messages" "$want_err" "${got%x}"
# A live stream: each row goes out before the next is waited for.
mkfifo in.fifo out.fifo
"$VORN_BIN" -# --nop in.fifo - > out.fifo 2>/dev/null &
exec 4<out.fifo 3>in.fifo
echo "1 2" >&3
IFS= read -r -t 20 first <&4
expect_eq "a row from a live stream goes out before the next arrives" "1 2" "${first-}"
echo "3 4" >&3
exec 3>&-
IFS= read -r -t 20 second <&4
expect_eq "the next row follows" "3 4" "${second-}"
exec 4<&-
wait

# A fatal error while a copy is open still releases it (the sanitizer build checks for leaks).
"$VORN_BIN" -# -q 99 - /dev/null < a.dat > /dev/null 2>&1; RC=$?
expect_rc "a fatal error with a copied input open" 1

# ---- An output that is the input ----------------------------------------------------------------
cp a.dat x.dat; ln x.dat hard.dat; ln -s x.dat sym.dat
for target in hard.dat sym.dat ./x.dat "$PWD/x.dat"; do
    err_has "output $target is the input" -# -k -e 2 x.dat "$target" \
        $'\nOutput file '"$target"$' is the same file as the input x.dat\n'
    expect_rc "output $target is refused" 1
done
rc_is "append onto the input is refused" -# --append --nop x.dat x.dat 1
rc_is "a link as input, the file as output is refused" -# -q 2 sym.dat x.dat 1
cp a.dat.gz xz.gz
rc_is "a compressed input is not overwritten either" -# --nop xz.gz xz.gz 1
"$VORN_BIN" -# --nop x.dat - >> x.dat 2>stderr.txt; RC=$?
expect_rc "standard output appended to the input is refused" 1
expect_contains "standard output onto the input message" "Standard output is the same file as the input x.dat" "$(cat stderr.txt)"
"$VORN_BIN" -# --nop - - < x.dat >> x.dat 2>/dev/null; RC=$?
expect_rc "standard input and output on one file is refused" 1
expect_file "the refused runs left the input untouched" x.dat "$(cat a.dat)"$'\n'
printf '2\n' > keep.sel; ln -s keep.sel keep.link
err_has "an output onto the selection file is refused" -# -k x.dat keep.link keep.sel \
    $'\nOutput file keep.link is the same file as the selection file keep.sel\n'
expect_rc "an output onto the selection file fails" 1
expect_file "the refused run left the selection file untouched" keep.sel $'2\n'
cp a.dat w.out
rc_is "wildcard output name equal to the input is refused" -# -w --nop w.out 1
expect_file "wildcard refusal leaves the input" w.out "$(cat a.dat)"$'\n'
cp a.dat s.tst
rc_is "split test file equal to the input is refused" -# -d1 s.tst 1
expect_no_file "split refused before the training file is opened" s.trn
expect_file "split refusal leaves the input" s.tst "$(cat a.dat)"$'\n'
out_is "a different file with the same content is fine" -# --nop a.dat - "$a_nop"

# ---- Failed writes --------------------------------------------------------------------------------
err_has "/dev/full as output file" -# --nop a.dat /dev/full $'\nCould not write /dev/full: No space left on device\n'
expect_rc "/dev/full as output file fails" 1
for args in "-# --nop a.dat -" "-# -c a.dat" "-# --get-rows a.dat" "--eval-examples" "-v" "--more -?"; do
    # shellcheck disable=SC2086
    "$VORN_BIN" $args > /dev/full 2>stderr.txt; RC=$?
    expect_rc "$args onto a full disk fails" 1
    expect_contains "$args onto a full disk" "Could not write standard output: No space left on device" "$(cat stderr.txt)"
done
env --ignore-signal=PIPE "$VORN_BIN" -# --nop big.dat - 2>stderr.txt | true; RC=${PIPESTATUS[0]}
expect_rc "a closed pipe with SIGPIPE ignored fails" 1
expect_contains "closed pipe message" "Could not write standard output: Broken pipe" "$(cat stderr.txt)"
env --default-signal=PIPE "$VORN_BIN" -# --nop big.dat - 2>stderr.txt | head -1 >/dev/null; RC=${PIPESTATUS[0]}
expect_rc "a closed pipe kills as before" 141
expect_not_contains "a closed pipe stays silent" "Error" "$(cat stderr.txt)"

# ---- Other guards -----------------------------------------------------------------------------------
mkdir adir
err_has "a directory is not an input" -# --nop adir out.dat $'\nCould not open file adir\n'
expect_rc "a directory is not an input: status" 1

printf '@s.txt\n@s.txt\n@s.txt\n' > s.txt
timeout 20 "$VORN_BIN" --nop a.dat - @s.txt >stdout.txt 2>stderr.txt; RC=$?
expect_rc "an argument file naming itself three times is refused" 1
expect_contains "argument-file bound message" "Argument files expand too far: more than 1000 files to open" "$(cat stderr.txt)"

if command -v more >/dev/null; then
    bad='v";echo INJECTED;"'
    ln -s "$VORN_BIN" "$bad"
    "./$bad" -h > stdout.txt 2>&1 </dev/null
    expect_not_contains "the help command runs nothing from the name" $'\nINJECTED\n' "$(cat stdout.txt)"
    expect_contains "the help command runs the program under its name" "Usage: $bad -options" "$(cat stdout.txt)"
    ln -s "$VORN_BIN" 'v$(echo INJ)`echo INJ`'
    './v$(echo INJ)`echo INJ`' -h > stdout.txt 2>&1 </dev/null
    expect_contains "dollar and backquote stay literal" 'Usage: v$(echo INJ)`echo INJ` -options' "$(cat stdout.txt)"
fi

# Kept comment lines that wait for the output go to a temporary file beyond the memory budget, so
# a million of them fit in a small address space.
if [ "$asan" -eq 0 ]; then
    ( yes '# a comment line long enough to be kept on the heap by the queue' | head -n 1000000; echo '1 2' ) > c.dat
    for op in "--eval n[1]=c[1]" -t --flip-ud; do
        # shellcheck disable=SC2086
        ( ulimit -v 100000; "$VORN_BIN" -# -a $op c.dat out.dat ) >stdout.txt 2>stderr.txt
        RC=$?
        expect_rc "$op with a million kept comments in a small address space" 0
    done
    ( ulimit -v 100000; "$VORN_BIN" -# -a --eval 'n[1]=c[1]' c.dat out.dat ) 2>/dev/null
    expect_eq "the queued comments all reach the output" "1000000 1 2 1" "$(grep -c '^# a comment' out.dat) $(tail -n 1 out.dat)"
    rm -f c.dat out.dat
fi

# Parallel runs each append one whole log line, however long.
rm -f logfile
long_selection=$(seq -s, 2000)
for i in 1 2 3 4 5 6 7 8; do "$VORN_BIN" -# --nop -e "$long_selection" a.dat "o$i" 2>/dev/null & done
wait
expect_eq "eight log lines" 8 "$(wc -l < logfile)"
expect_eq "every log line whole" 8 "$(grep -c "^.* -# --nop -e \"$long_selection\" a.dat o[1-8]\$" logfile)"

finish
