#!/usr/bin/env bash
# Files larger than the memory budget: every whole-file operation gives, through its temporary
# files, the bytes it gives in memory; bad budgets and temporary directories fail cleanly, and a
# failed run leaves no output that looks like a result.
source "$(dirname "$0")/lib.bash" "$1"
mkdir spills
export TMPDIR=$PWD/spills

# 3000 rows of 6 columns (144000 bytes as doubles): ties, negative zeros and values that are not
# numbers in the sort columns, comment lines among the rows.
awk 'BEGIN { srand(3); print "# head"
    for (i = 0; i < 3000; i++) {
        if (i % 500 == 250) print "# comment " i
        b = rand() < 0.05 ? "nan" : sprintf("%.2f", rand() * 10 - 5)
        c = rand() < 0.02 ? "-0" : int(rand() * 5)
        printf "%d %d %s %.6e %s %d\n", i, int(rand() * 20), b, rand() * 1e5, c, int(rand() * 3)
    } }' > big.dat

# The sort gives the same order in memory and spilled as long as every sort key is a number.
sed 's/ nan / 0.5 /' big.dat > keys.dat

# same_as_in_memory NAME ARGS...: the run with a 64 KiB budget writes the same output file, the
# same standard error and the same status as the run in memory (on $DATA, big.dat by default).
same_as_in_memory() {
    local name=$1 data=${DATA:-big.dat}; shift
    "$VORN_BIN" "$@" $data mem.out >/dev/null 2>mem.err; local rc1=$?
    env VORN_MEMORY=64K "$VORN_BIN" "$@" $data spill.out >/dev/null 2>spill.err; local rc2=$?
    if [ "$rc1" = 0 ] && [ "$rc2" = 0 ] && cmp -s mem.out spill.out && cmp -s mem.err spill.err; then pass; else
        fail "$name" "status $rc1 and $rc2; $(diff mem.out spill.out | head -5; diff mem.err spill.err | head -5)"; fi
}

for op in "-q 2" "-q 2,3" "-q -3" "-q 3,-2" "-q 5,6,1" "-q x"; do
    DATA=keys.dat same_as_in_memory "$op within a 64K budget" -# $op
done
for op in "-t" "--flip-ud -e 2" "-u 5 -e 2" "-u 2 -e 3,4" \
    "--sinc-lp=0.1,100 -e 2" "--sinc-bs=0.1,0.3,30 -e 2-4" "-f -e 2" "--running-average=4 -e 3" "--diff -e 4" \
    "-j 3 -e 1" "--sum-col -e 5-9" "-r -e 10-2000"; do
    same_as_in_memory "$op within a 64K budget" -# $op
done
for v in "-a" "--add-line-count" "--skip-rows=3" "--output-c" "-x 1"; do
    DATA=keys.dat same_as_in_memory "-q 3 $v within a 64K budget" -# $v -q 3
    for op in "-t" "--flip-ud" "-u 3 -e 2"; do
        same_as_in_memory "$op $v within a 64K budget" -# $v $op
    done
done
DATA=keys.dat same_as_in_memory "sort reports as in memory" -q 3
same_as_in_memory "transpose reports as in memory" -t

# Kept comments wait for the next output in wildcard mode; past the budget they wait in a
# temporary file and still come out whole and in order.
awk 'BEGIN { for (i = 1; i <= 6000; i++) { print "# comment line " i; if (i % 50 == 0) print i, -i } }' > notes.dat
cp notes.dat notes2.dat
"$VORN_BIN" -# -a -w -t notes.dat notes2.dat 2>/dev/null && mv notes2.out notes2.mem
run_env "VORN_MEMORY=64K" -# -a -w -t notes.dat notes2.dat
if cmp -s notes2.mem notes2.out && [ "$(grep -c '^# comment line' notes2.out)" = 6000 ]; then pass; else
    fail "queued comments past the budget come out whole"; fi

# Budgets so small that the sort merges its runs in several passes.
"$VORN_BIN" -# -q 3,2 keys.dat mem.out 2>/dev/null
for budget in 2K 5K 20K; do
    run_env "VORN_MEMORY=$budget" -# -q 3,2 keys.dat small.out
    if cmp -s mem.out small.out; then pass; else fail "sort within $budget"; fi
done

# A sort key that is not a number compares equal to everything in memory, where the merge sort of
# the rows decides; sorted in spilled runs it comes after all numbers, equal to its like.
printf '3 1\nnan 2\n1 3\n-nan 4\n2 5\n' > nan.dat
out_is "in memory a NaN key compares equal to everything" -# -q 1 nan.dat - $'1 3\n3 1\nnan 2\n-nan 4\n2 5\n'
awk 'BEGIN { for (i = 0; i < 400; i++) print (i % 7 == 3 ? "nan" : 400 - i), i }' > nans.dat
run_env "VORN_MEMORY=2K" -# -q 1 nans.dat -
expect_eq "spilled, NaN keys come last in their input order" \
    "$(awk '$1 != "nan"' nans.dat | sort -g -k1,1; awk '$1 == "nan"' nans.dat)" "${OUT%$'\n'}"

# The shuffle's draws start from the clock: both runs must fall within the same second, so each
# try starts as a new second begins. 1500 rows (72000 bytes as doubles) still spill.
head -n 1500 big.dat > part.dat
shuffled_alike() {
    local tries s
    for tries in 1 2 3 4 5 6 7 8; do
        s=$(date +%s)
        while [ "$(date +%s)" = "$s" ]; do sleep 0.02; done
        s=$(date +%s)
        "$VORN_BIN" -# --shuffle "$@" part.dat mem.out 2>/dev/null
        env VORN_MEMORY=64K "$VORN_BIN" -# --shuffle "$@" part.dat spill.out 2>/dev/null
        [ "$s" = "$(date +%s)" ] || continue
        cmp -s mem.out spill.out
        return
    done
    return 1
}
if shuffled_alike -e 1; then pass; else fail "--shuffle -e 1 within a 64K budget"; fi
if shuffled_alike -e 2-5 -a; then pass; else fail "--shuffle -e 2-5 -a within a 64K budget"; fi

# The split writes the same two files.
for op in "-d50" "--split=30p" "--split=100s"; do
    mkdir -p mem spill
    cp big.dat mem/ && cp big.dat spill/
    (cd mem && "$VORN_BIN" -# $op big.dat 2>/dev/null)
    (cd spill && env VORN_MEMORY=64K "$VORN_BIN" -# $op big.dat 2>/dev/null)
    if cmp -s mem/big.trn spill/big.trn && cmp -s mem/big.tst spill/big.tst; then pass; else fail "$op within a 64K budget"; fi
    rm -rf mem spill
done

# Under an address-space limit far below the file's size in memory (the sanitizer's shadow memory
# does not live with such limits, so this runs on plain builds).
if ! ldd "$VORN_BIN" 2>/dev/null | grep -q 'libasan'; then
    awk 'BEGIN { srand(5); for (i = 0; i < 400000; i++) print i, int(rand() * 1000), rand(), i % 7, -i, i, i, i, i, i }' > huge.dat
    for op in "-q 2" "-t" "--flip-ud" "-u 3 -e 2" "--sinc-lp=0.1,20 -e 3"; do
        "$VORN_BIN" -# $op huge.dat mem.out 2>/dev/null
        ( ulimit -v 40000; "$VORN_BIN" -# $op huge.dat limited.out ) >/dev/null 2>stderr.txt
        RC=$?
        expect_rc "$op within 40 MB of address space" 0
        if cmp -s mem.out limited.out; then pass; else fail "$op within 40 MB of address space gives the same output"; fi
    done
    rm -f huge.dat mem.out limited.out
fi

# ---- bad budgets and temporary directories ----------------------------------------------------------
# Which texts are sizes is test_budget's; here the program refuses one that is not.
rm -f out.dat
run_env "VORN_MEMORY=lots" -# -q 1 big.dat out.dat
expect_rc "a budget that is not a size" 1
expect_contains "its message" "VORN_MEMORY=lots is not a memory size: give a number of bytes, optionally followed by K, M or G" "$ERR"
expect_no_file "no output is opened" out.dat
rm -f out.dat
run_env "VORN_MEMORY=20" -# -q 1 big.dat out.dat
expect_rc "a budget smaller than one row" 1
expect_contains "its message" "The memory budget VORN_MEMORY=20 (20 bytes) is smaller than one row of 6 columns with its sort key" "$ERR"
expect_no_file "nothing left that looks like a result" out.dat
run_env "VORN_MEMORY=100" -# -u 20 -e 1 big.dat out.dat
expect_contains "a window larger than the budget" "is smaller than the filter's window of 41 rows of 6 columns" "$ERR"
expect_no_file "no output left by the window refusal" out.dat
# Operations that stream ignore the budget.
rc_is "streaming operations need no budget" -# --nop big.dat out.dat 0
run_env "VORN_MEMORY=lots" -# -k -e 1 big.dat out.dat
expect_rc "not even a bad one" 0

rm -f out.dat
run_env "VORN_MEMORY=64K TMPDIR=$PWD/missing" -# -q 2 big.dat out.dat
expect_rc "a temporary directory that does not exist" 1
expect_contains "its message names it" "Could not create a temporary file in $PWD/missing: No such file or directory" "$ERR"
expect_no_file "no output left" out.dat
run_env "TMPDIR=$PWD/missing" -# -q 2 big.dat out.dat
expect_rc "in memory no temporary file is needed" 0
printf 'x\n' > notadir
rm -f out.dat
run_env "VORN_MEMORY=64K TMPDIR=$PWD/notadir" -# -t big.dat out.dat
expect_contains "a temporary directory that is a file" "Could not create a temporary file in $PWD/notadir: Not a directory" "$ERR"
expect_no_file "no output left by -t" out.dat
# An unwritable directory (root writes anywhere, so only for others).
if [ "$(id -u)" != 0 ]; then
    mkdir ro && chmod 555 ro
    run_env "VORN_MEMORY=64K TMPDIR=$PWD/ro" -# --shuffle -e 1 big.dat out.dat
    expect_contains "an unwritable temporary directory" "Could not create a temporary file in $PWD/ro: Permission denied" "$ERR"
    expect_no_file "no output left by --shuffle" out.dat
    chmod 755 ro
fi
# A spill that cannot be written: a file-size limit stands in for a full disk.
for op in "-q 2" "-t" "--flip-ud" "--shuffle -e 2"; do
    rm -f out.dat
    ( trap '' XFSZ; ulimit -f 100; env VORN_MEMORY=64K "$VORN_BIN" -# $op big.dat out.dat ) >stdout.txt 2>stderr.txt
    RC=$?; ERR=$(cat stderr.txt)
    expect_rc "$op: a temporary file that cannot be written" 1
    expect_contains "$op: its message" "Could not write a temporary file in $PWD/spills: File too large" "$ERR"
    expect_no_file "$op: no output left" out.dat
done
expect_eq "no temporary file is left behind" "" "$(ls -A spills)"

# ---- a failed run takes its output back ------------------------------------------------------------
printf '3 1\n1 2\n2 2 2\n5 5\n' > ragged.dat
rm -f out.dat
run -# -q 1 ragged.dat out.dat
expect_rc "rows beyond the counted ones" 1
expect_eq "the error, found before anything is written, says no more" $'Error in File:X(N):\nCan\'t read all lines' \
    "$(printf '%s' "$ERR" | sed -E 's/Error in File:[^(]*\([0-9]+\)/Error in File:X(N)/' | tail -2)"
expect_no_file "no truncated output" out.dat
printf '# c\n3 1\n1 2\n4 4\n2 2 2\n5 5\n' > ragged.dat
printf 'before\n' > kept.dat
run -# --append -a -u 1 -e 1 ragged.dat kept.dat
expect_rc "the median filter finds the extra row before writing" 1
expect_file "an output appended to is cut back" kept.dat $'before\n'
run -# -q 1 ragged.dat -
expect_not_contains "standard output is left alone" "incomplete" "$ERR"
# Errors found before any data is read leave an existing output as it was.
printf 'old\n' > out.dat
rc_is "a sort column out of range" -# -q 7 big.dat out.dat 1
expect_file "leaves the output as it was" out.dat $'old\n'

finish
