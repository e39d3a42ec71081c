#!/usr/bin/env bash
# What a run leaves behind: standard descriptors, outputs taken back, derived names, the run log.
source "$(dirname "$0")/lib.bash" "$1"

seq 1 3000 | awk '{ print ($1 * 7919) % 3001, $1 }' > big.dat
printf '5 6\n7 8\n' > s4.dat
printf '1 2\n3 4\n5 6\n7 8\n9 10\n' > five.dat

# ---- Standard descriptors -----------------------------------------------------------------------
cat s4.dat | "$VORN_BIN" --nop - o.dat 2>&-; RC=$?
expect_rc "closed standard error: the run succeeds" 0
expect_file "closed standard error: nothing lands in the output" o.dat $'5 6\n7 8\n'
"$VORN_BIN" -q 1 five.dat o2.dat >&- 2>&-; RC=$?
expect_file "closed standard output and error: the output holds only rows" o2.dat "$(cat five.dat)"$'\n'
"$VORN_BIN" -# --nop five.dat - >&- 2>stderr.txt; RC=$?
expect_rc "writing to a closed standard output fails" 1
expect_contains "and says so" "Could not write standard output" "$(cat stderr.txt)"

# ---- Outputs taken back ------------------------------------------------------------------------
# Every operation that takes its output back leaves an existing output's bytes and permissions
# as they were when it fails: here the output cannot grow past 1 KiB, after part of it is written.
ops=("-q 1" "--shuffle -e 1" "-t" "--flip-ud" "-f -e 1" "-u 1 -e 1"
    "--running-average=3 -e 1" "--sinc-lp=0.1,4 -e 1" "--diff -e 1" "-j 1 -e 1")
for op in "${ops[@]}"; do
    printf 'old\n' > out.dat; chmod 604 out.dat
    ( trap '' XFSZ; ulimit -f 1; "$VORN_BIN" -# $op big.dat out.dat ) >/dev/null 2>stderr.txt; RC=$?
    expect_rc "$op: a failed write fails the run" 1
    expect_file "$op: the old output is left as it was" out.dat $'old\n'
    expect_eq "$op: with its permissions" 604 "$(stat -c %a out.dat)"
    expect_contains "$op: and says so" "The output file out.dat was left as it was before this run." "$(cat stderr.txt)"
done
expect_eq "no temporary output is left behind" "" "$(ls -A | grep vorn-)"
# Checks made before writing leave an existing output alone and create no new one.
printf 'old\n' > out.dat
for op in "-q 5" "-u 9 -e 1" "--running-average=9 -e 1" "-q 1 VORN_MEMORY=0"; do
    memory=; [[ $op == *VORN_MEMORY=* ]] && memory=${op#*VORN_MEMORY=}
    for target in out.dat new.dat; do
        VORN_MEMORY=$memory "$VORN_BIN" -# ${op% VORN*} s4.dat $target 2>stderr.txt; RC=$?
        expect_rc "$op: refused" 1
    done
    expect_file "$op: leaves the existing output" out.dat $'old\n'
    expect_no_file "$op: and creates no new one" new.dat
done
# A link stays a link: the result replaces the file it points to.
printf 'old\n' > real.dat; ln -s real.dat link.dat
run -# -q 1 big.dat link.dat
expect_eq "the link stays a link" "real.dat" "$(readlink link.dat)"
expect_eq "the file it points to holds the result" "$(sort -n big.dat | head -1)" "$(head -1 real.dat)"
printf 'old\n' > real.dat
( trap '' XFSZ; ulimit -f 1; "$VORN_BIN" -# -q 1 big.dat link.dat ) >/dev/null 2>&1
expect_file "a failure leaves the file behind the link as it was" real.dat $'old\n'
umask 027; rm -f fresh.dat; run -# -q 1 s4.dat fresh.dat; umask 022
expect_eq "a new output gets the permissions of the creation mask" 640 "$(stat -c %a fresh.dat)"
# Appending cuts back to the length before.
printf 'kept\n' > app.dat
( trap '' XFSZ; ulimit -f 1; "$VORN_BIN" -# --append -t big.dat app.dat ) >/dev/null 2>&1
expect_file "an output appended to is cut back" app.dat $'kept\n'
# A signal during the run leaves the old file; no temporary file outlives it. The run waits for
# rows from a FIFO with part of its output written.
mkfifo rows
for sig in INT TERM HUP; do
    printf 'old\n' > out.dat
    env --default-signal=INT "$VORN_BIN" -# --diff -e 1 rows out.dat 2>/dev/null & pid=$!
    exec 3>rows; cat big.dat >&3; sleep 0.3
    kill -s $sig $pid; wait $pid 2>/dev/null; RC=$?; exec 3>&-
    expect_eq "SIG$sig ends the run by the signal" $((128 + $(kill -l $sig))) "$RC"
    expect_file "SIG$sig leaves the old output" out.dat $'old\n'
done
seq 1 400000 | awk '{ print ($1 * 7919) % 400009, $1 }' > large.dat
expect_eq "signals leave no temporary output" "" "$(ls -A | grep vorn-)"
# Two runs writing the same output leave one complete result.
"$VORN_BIN" -# -q 1 large.dat out.dat 2>/dev/null & "$VORN_BIN" -# -q 2 large.dat out.dat 2>/dev/null; wait
expect_eq "two runs on one output leave one whole result" 400000 "$(wc -l < out.dat)"

# ---- Names -------------------------------------------------------------------------------------
cp s4.dat a.dat; cp s4.dat a.txt; cp s4.dat b.dat; cp s4.dat b.out; mkdir run1 2>/dev/null
rm -f a.out
err_has "two inputs with one output name are refused" -# -w --nop a.dat a.txt \
    "Output file a.out of a.txt is also the output file a.out of a.dat"
expect_no_file "before anything is written" a.out
err_has "an output name that is another input is refused" -# -w --nop b.dat b.out \
    "Output file b.out of b.dat would overwrite the input b.out"
expect_file "the input is left as it was" b.out $'5 6\n7 8\n'
rc_is "a split in wildcard mode with colliding names is refused" -# -w -d1 a.dat a.txt 1
cat s4.dat | "$VORN_BIN" -# -d1 - 2>/dev/null
expect_file "standard input splits into stdin.trn" stdin.trn $'5 6\n'
expect_file "and stdin.tst" stdin.tst $'7 8\n'
printf '2\n' > sel.txt
"$VORN_BIN" -# -k five.dat sel.txt - < sel.txt 2>/dev/null; RC=$?
expect_rc "the selection from standard input as the output is refused" 1
"$VORN_BIN" -# -k five.dat - sel.txt >> sel.txt 2>/dev/null; RC=$?
expect_rc "standard output onto the selection file is refused" 1
expect_file "the selection file is left as it was" sel.txt $'2\n'

# ---- The run log -------------------------------------------------------------------------------
rm -f logfile; cp s4.dat logfile
run -# --nop logfile -
expect_eq "an input named logfile is read as it was" $'5 6\n7 8\n' "$OUT"
expect_contains "and gets no log line" "No logfile entry" "$ERR"
rm logfile; ln -s s4.dat logfile
run -# --nop s4.dat -
expect_contains "a link to the input gets no log line" "No logfile entry" "$ERR"
expect_file "the input is left as it was" s4.dat $'5 6\n7 8\n'
rm logfile; mkfifo logfile
run -# --nop s4.dat -
expect_contains "a FIFO named logfile holds nothing up" "No logfile entry" "$ERR"
rm logfile

finish
