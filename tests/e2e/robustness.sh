#!/usr/bin/env bash
# Black-box robustness: random and mutated data files under random command lines drawn from the
# option catalogue. Whatever the input, a run ends with status 0 or 1 within its time limit,
# without a signal (other than SIGPIPE when the reader of its output has gone) and without a
# sanitizer report. Inputs arrive as files, as gzip or zstd data, or through a pipe. A failing run
# prints its command line and keeps its files for replay.
#
# The sequence is fixed by the seed; VORN_ROBUST_SEED and VORN_ROBUST_RUNS change it and its
# length: the test suite makes 60 runs, .ci/run 2000 (VORN_ROBUST_RUNS=5000 searches longer).
source "$(dirname "$0")/lib.bash" "$1"

RANDOM=${VORN_ROBUST_SEED:-7}
runs=${VORN_ROBUST_RUNS:-60}
limit=${VORN_ROBUST_TIMEOUT:-20}
# In the sanitizer build an allocation failure must reach the program's own message.
export ASAN_OPTIONS=${ASAN_OPTIONS:-allocator_may_return_null=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# The helpers below hand their results over in variables, not through command substitution:
# a fork per random choice would make the runs themselves the smaller part of the time.

# pick WORD...: P becomes one of the words, at random.
pick() { local i=$((RANDOM % $#)); shift "$i"; P=$1; }

# --- Data files ----------------------------------------------------------------------------------

# random_bytes N: writes N pseudo-random bytes (every value, NUL included) from the seeded sequence.
random_bytes() {
    local n=$1 i b esc=''
    for ((i = 0; i < n; i++)); do printf -v b '\\%03o' $((RANDOM % 256)); esc+=$b; done
    printf "$esc"
}
# random_number: NUM becomes a number in one of the forms people and programs write, sane or not.
random_number() {
    case $((RANDOM % 14)) in
    0) NUM=$((RANDOM - 16384)) ;;
    1) NUM=$((RANDOM % 1000)).$RANDOM ;;
    2) NUM=-$((RANDOM % 10)).${RANDOM}e$((RANDOM % 40 - 20)) ;;
    3) pick 1e999 -1e999 1e-400 4.9e-324 1.7976931348623157e308; NUM=$P ;;
    4) pick inf -inf nan -nan NaN INFINITY 'nan(12)'; NUM=$P ;;
    5) pick 0x10 0x1p-3 -0x1.8p3 0X; NUM=$P ;;
    6) pick .5 5. - + . 1e 1e+ -.e1; NUM=$P ;;
    7) pick 12345678901234567890123 0.1000000000000000055511151231257827 9007199254740993; NUM=$P ;;
    8) pick 1,5 '1;2' x1 abc 1x; NUM=$P ;;
    *) NUM=$((RANDOM % 100)) ;;
    esac
}
# random_table ROWS COLS: writes rows of numbers, now and then a ragged row or a comment line.
random_table() {
    local r c cols line
    for ((r = 0; r < $1; r++)); do
        case $((RANDOM % 12)) in
        0) printf '# comment %d\n' "$r"; continue ;;
        1) cols=$((RANDOM % ($2 + 3))) ;;
        *) cols=$2 ;;
        esac
        line=''
        for ((c = 0; c < cols; c++)); do
            if [ "$c" -gt 0 ]; then pick ' ' ' ' ' ' $'\t' '  ' ', '; line+=$P; fi
            random_number
            line+=$NUM
        done
        printf '%s\n' "$line"
    done
}

mkdir base && cd base || exit 1
printf '# a header\n1 2 3\n4 5 6\n\n! note\n7 8 9\n10 11 12\n' > plain.dat
printf '1 2\r\n# win\r\n3 4\r\n5 6\r\n' > crlf.dat
printf '1 2\0 9 9\n3 4\n\0\n5 6\n' > nul.dat
{ head -c 300000 /dev/zero | tr '\0' '7'; printf ' 2\n3 4\n5 6\n'; } > huge.dat
printf '1e999 -1e999 2\n1e-400 nan 3\ninf -inf 4\n0x1p3 -0x1.8p3 5\n' > extremes.dat
printf '1 2 3\n4 5\n6\n7 8 9 10\n\n11 12 13\n' > ragged.dat
random_bytes 3000 > binary.dat
: > empty.dat
printf '# only\n# comments\n;here\n!\n' > comments.dat
printf '42' > one.dat
{ for ((i = 1; i <= 1500; i++)); do printf '%d ' "$i"; done; printf '\n'; } > wide.dat
{ for ((i = 1; i <= 1500; i++)); do printf '%d\n' "$((i * 7 % 101))"; done; } > tall.dat
random_table 60 4 > table.dat
random_table 25 9 > table2.dat
printf '1,2,3\n4,5,6\n7,8,9\n' > comma.dat
printf '1;2;3\n4;5;6\n' > semi.dat
printf 'ab 1 2 *\nab 3 4\nab 5 6 *\nab 7 8\n' > starred.dat
printf '1 2\n3 4\n5 6' > nofinal.dat
printf '%s\n' '# columns' '1,2' '5' '2:3:-1' '9-4' > sel.txt
random_bytes 200 > selgarbage.txt
base_files=(plain.dat crlf.dat nul.dat huge.dat extremes.dat ragged.dat binary.dat empty.dat comments.dat one.dat
    wide.dat tall.dat table.dat table2.dat comma.dat semi.dat starred.dat nofinal.dat)
cd .. || exit 1

# mutate FILE SEED: a few bytes of FILE overwritten, inserted or cut, or its head repeated (in one
# process: per-byte shell work would cost more than the runs).
mutate() {
    perl -e '
        my ($file, $seed) = @ARGV;
        srand($seed);
        open(my $f, "<:raw", $file) or die; local $/; my $d = <$f> // ""; close $f;
        my @inserts = ("\r\n", "\0", "1e999", "\n\n", "#", "*", ", ", "\t");
        for (0 .. int(rand(4))) {
            my $at = length($d) ? int(rand(length $d)) : 0;
            my $bytes = join "", map { chr(int(rand(256))) } 0 .. int(rand(8));
            my $how = int(rand(5));
            if ($how == 0) { substr($d, $at, 1, $bytes) }
            elsif ($how == 1) { substr($d, $at, 0, $bytes) }
            elsif ($how == 2) { $d = substr($d, 0, $at) }
            elsif ($how == 3) { substr($d, $at, 0, $inserts[int(rand(@inserts))]) }
            else { $d .= substr($d, 0, $at) }
        }
        open($f, ">:raw", $file) or die; print $f $d; close $f;' "$1" "$2"
}

# --- Command lines -------------------------------------------------------------------------------

# selection: SEL becomes a selection, sane or not.
selection() {
    case $((RANDOM % 10)) in
    0) pick 1 2 3 1-2 2-1 1,3 "1,3,5-7,10:5:-1" ;;
    1) pick 0 -1 0-3 "5--1" 99999999 "4:1:-1" "10:2:1" ;;
    2) pick "3:0:9" "3:-2:9" "1:1:99999999" "-99999999:1:-1" ;;
    3) pick a1 "" "," "1 3" "1a" "5-" "1:2" ;;
    *) P=$((1 + RANDOM % 4)) ;;
    esac
    SEL=$P
}
# number: NUM becomes an argument for a number option.
number() {
    case $((RANDOM % 8)) in
    0) pick 0 -0 1e999 -1e999 nan inf 1e-400; NUM=$P ;;
    1) pick abc "" 1x 0x10 ",5" 99999999999999999999; NUM=$P ;;
    *) random_number ;;
    esac
}
# count: CNT becomes an argument for a count option.
count() {
    case $((RANDOM % 6)) in
    0) pick 0 -1 -5 99999999 9223372036854775807 -9223372036854775808; CNT=$P ;;
    1) pick abc "" 0x10 7x 2147483648; CNT=$P ;;
    *) CNT=$((1 + RANDOM % 12)) ;;
    esac
}
# repeat CHAR N: REP becomes N copies of CHAR.
repeat() { printf -v REP '%*s' "$2" ''; REP=${REP// /$1}; }
# expression: EXPR becomes a program of the expression language, sane or not.
expression() {
    case $((RANDOM % 12)) in
    0) pick "n[1]=c[1]+c[2]" "r[1]=c[1]*2" "r[2]=sin(c[2])" "n[3]=1" "n[2]=1;n[1]=2" "n[1]=p[1];n[2]=_line"; EXPR=$P ;;
    1) pick "g[1]=g[1]+c[1];n[1]=g[1]" "g[1]=g[1]*c[1]" "a=c[1];n[1]=a^2**0.5" "_n1=_c1*2"; EXPR=$P ;;
    2) pick "n[1]=c[1]/0" "n[1]=fact(c[1])+fact(1e10)+int(-1e300)" "n[1]=log(c[1])+acosh(0.5)" "n[1]=1e999"; EXPR=$P ;;
    3) pick "n[1]=" "n[1]=c[0]" "n[1]=c[99999]" "r[100000]=1" "n[100]=1;n[99]=2" "n[1]=g[1]" "#?n[1]=c[1]+"; EXPR=$P ;;
    4) pick '#?n[1]=$' "n[1]=((((((1))))))" "n[1]=abcdefghijklmnopqrstu[1]" "n[1]=c[x]" "1=2" "n[1]=c[1]?c[2]:c[3]"; EXPR=$P ;;
    5) local depth=$((1 + RANDOM % 6000)); repeat '(' "$depth"; EXPR="n[1]=${REP}1"; repeat ')' "$depth"; EXPR+=$REP ;;
    6) repeat - $((1 + RANDOM % 8000)); EXPR="n[1]=${REP}1" ;;
    7) local b i; EXPR=''
       for ((i = RANDOM % 40; i >= 0; i--)); do printf -v b '\\%03o' $((1 + RANDOM % 255)); printf -v b "$b"; EXPR+=$b; done ;;
    *) pick + - '*' / % ^ '&&' '||' '<' '==' '!='; random_number; EXPR="n[$((RANDOM % 5))]=c[$((RANDOM % 5))]$P$NUM" ;;
    esac
}

# operation: appends one operation and its parameters to args.
operation() {
    case $((RANDOM % 44)) in
    # the operations without a parameter, each as likely as one of the others
    0 | 2 | 4 | 5 | 6 | 7 | 26 | 27 | 28 | 29 | 31 | 32 | 33)
        pick -k -r -t -c --get-rows --get-cols --shuffle --diff --sum-col --sum-row --nop --flip-ud --flip-lr
        args+=("$P") ;;
    1) selection; args+=("--keep-columns=$SEL") ;;
    3) selection; args+=("--keep-rows=$SEL") ;;
    8) pick '' 50p 80% s p 75ps 100 3 0 100p 5x 0.0001p; args+=("-d$P") ;;
    9) number; args+=(-n "$NUM") ;;
    10) pick 1 2 -1 1,2 -2,1 0 9 abc '' 1,,3 -99999999 2147483648; args+=(-q "$P") ;;
    11) number; args+=(-m "$NUM") ;;
    12) number; args+=(--divide "$NUM") ;;
    13) number; args+=(-p "$NUM") ;;
    14) pick '' 3 4 5 0 -3 9 99999999; args+=("-f$P") ;;
    15) count; args+=(-u "$CNT") ;;
    16) count; pick '' ,0 ,1 ,2 ,3 ,7 ,-1 ,x; args+=("--running-average=$CNT$P") ;;
    17) pick 1 -1 3 -3 0 99999 -99999 9223372036854775807 -9223372036854775808 abc '' 2x; args+=(-j "$P") ;;
    18) pick '' c C x; args+=("-y$P") ;;
    19) pick --removegt --keepleq --removelt --keepgeq --removeeq --keepneq; number; args+=("$P" "$NUM") ;;
    20) pick --keepgt --removeleq --keeplt --removegeq --keepeq --removeneq; number; args+=("$P" "$NUM") ;;
    21) pick --range-keep --range-remove; args+=("$P")
        pick 1,5 5,1 -1e999,1e999 nan,1 1 a,b '' 1,2,3; args+=("$P") ;;
    22) pick nop fabs cos ln log log2 sqrt sqrt3 inv x2 x3 asin floor nosuch ''; args+=(--math "$P") ;;
    23 | 24 | 25) eval_operation ;;
    30) selection; args+=(--cut-square "$SEL") ;;
    34) local f; pick --sinc-lp --sinc-hp; f=$P; pick 0.1 0.25 0.49 0 0.5 -1 nan; f+="=$P"
        pick ,4 ,2 ,0 ,31 ,-2 ,64 ,200000 ,-2147483648 '' ,x; args+=("$f$P") ;;
    35) local f; pick --sinc-bp --sinc-bs; f=$P; pick 0.1,0.3 0.3,0.1 0.2,0.2 0,0.4 0.1; f+="=$P"
        pick ,4 ,8 ,0 ,3 '' ,-4; args+=("$f$P") ;;
    36) pick , '\t' '\n' '\\' '\x' ';' ' '; args+=(-z "$P") ;;
    37) pick 50p 90 1 s 0; args+=("--split=$P") ;;
    38) pick '' =mean,p99.9,mode,mad,sskew =count,nan,sum =median,q1 =bogus =p101; args+=("--stats$P")
        [ $((RANDOM % 2)) -eq 0 ] && { pick 1 2 9 0 x; args+=("--group-by=$P"); } ;;
    39) pick --correlate --correlate=spearman --correlate=cov --histogram=3 --histogram=1,0,1 --histogram=0 --histogram=2,5,1; args+=("$P") ;;
    *) args+=(--nop) ;;
    esac
}
eval_operation() {
    expression
    args+=(--eval "$EXPR")
    if [ $((RANDOM % 3)) -eq 0 ]; then
        expression
        pick --eval-prolog --eval-begin; args+=("$P")
        pick 'g[1]=0' 'g[1]=1' 'g[2]=c[1]' 'a=1' '' "$EXPR"; args+=("$P")
    fi
    if [ $((RANDOM % 3)) -eq 0 ]; then
        expression
        pick --eval-epilog --eval-end; args+=("$P")
        pick 'r[1]=g[1]' 'n[1]=p[1]' 'n[1]=c[1]' '' "$EXPR"; args+=("$P")
    fi
}
# extra_options: appends zero to three reading, writing and run options to args.
extra_options() {
    local n
    for ((n = RANDOM % 4; n > 0; n--)); do
        case $((RANDOM % 24)) in
        0 | 1 | 2 | 3 | 4 | 12 | 13 | 14 | 18)
            pick -# --debug --wait-on-error -a -s --append --add-line-count -i --special-log; args+=("$P") ;;
        5) pick 0 1 3 8 100 abc -1 99999999; args+=(-b "$P") ;;
        6) pick 0 1 2 5 -1 abc 99999999; args+=("--skip-rows=$P") ;;
        7) pick , ';' ' ' x 1 ''; args+=("--input-delimiter=$P") ;;
        8) pick 1 2 -1 0 -2 abc 99999999999999999999; args+=(-x "$P") ;;
        9) pick %f %.3e 'x=%-+#08.3g%%' %d %lf %s %n '%*f' '%f %f' %999f %.300f %1000000000f '%.99999999999g' '' '%%%f'
           args+=("--format=$P") ;;
        10) pick 1000 131072 0x20000 200000 abc 0 -1 0x7fffffffffffffff 18446744073709551615; args+=("--maxbuff=$P") ;;
        11) number; args+=("--fuzz=$NUM") ;;
        15) pick --output-latex --output-c --output-csv --output-standard; args+=("$P") ;;
        17) pick , '\t' ';'; args+=(-z "$P") ;;
        *) selection; args+=(-e "$SEL") ;;
        esac
    done
}

# --- Runs ----------------------------------------------------------------------------------------

kept=''
mkdir work && cd work || exit 1
for ((run_no = 1; run_no <= runs; run_no++)); do
    # Every run starts in an empty folder: what it writes (outputs, derived names, the run log)
    # goes with it.
    rm -f -- ./*
    # the input: a base file as it is, or mutated
    input=${base_files[RANDOM % ${#base_files[@]}]}
    cp "../base/$input" ../base/sel.txt ../base/selgarbage.txt .
    [ $((RANDOM % 2)) -eq 0 ] && mutate "$input" "$RANDOM"
    # How the input arrives: a file read in place, gzip or zstd data, or standard input from a pipe.
    stdin_from=/dev/null
    case $((RANDOM % 8)) in
    0) gzip -c -- "$input" > in.gz && input=in.gz ;;
    1) command -v zstd >/dev/null && zstd -q -c -- "$input" > in.zst && input=in.zst ;;
    2 | 3) stdin_from=$input; input=- ;;
    esac
    if [ $((RANDOM % 40)) -eq 0 ]; then pick . nosuch.dat; input=$P; fi

    args=()
    [ $((RANDOM % 3)) -eq 0 ] && extra_options
    operation
    extra_options
    if [ $((RANDOM % 12)) -eq 0 ]; then pick '' txt .res; args+=("-w$P"); fi
    pick out.dat out.dat - - stdout /dev/null
    output=$P
    args+=("$input" "$output")
    case $((RANDOM % 6)) in
    0) args+=(sel.txt) ;;
    1) args+=(selgarbage.txt) ;;
    2) args+=(nosuch.txt) ;;
    esac
    pick '' '' '' quiet debug quiet:debug
    env_value=$P
    # Debug traces of a program nested thousands deep run to hundreds of megabytes on a long
    # file: slow by their volume alone. Such programs run without them.
    for a in "${args[@]}"; do
        if [ ${#a} -gt 1000 ]; then
            env_value=${env_value/debug/}
            for i in "${!args[@]}"; do [ "${args[i]}" = --debug ] && unset 'args[i]'; done
            args=("${args[@]}")
            break
        fi
    done

    piped=0
    [ "$output" = - ] && [ $((RANDOM % 4)) -eq 0 ] && piped=1
    if [ "$piped" -eq 1 ]; then
        VORN=$env_value timeout -k 5 "$limit" "$VORN_BIN" "${args[@]}" 2>err.txt < <(cat -- "$stdin_from") | head -c 10 >/dev/null
        rc=${PIPESTATUS[0]}
    else
        VORN=$env_value timeout -k 5 "$limit" "$VORN_BIN" "${args[@]}" >stdout.txt 2>err.txt < <(cat -- "$stdin_from")
        rc=$?
    fi

    problem=''
    if grep -qaE 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:|SUMMARY: UndefinedBehaviorSanitizer' err.txt; then
        problem='sanitizer report'
    elif [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
        problem="no end within ${limit}s"
    elif [ "$rc" -eq 141 ] && [ "$piped" -eq 1 ]; then
        problem=''
    elif [ "$rc" -gt 1 ]; then
        problem="exit status $rc"
    fi
    if [ -n "$problem" ]; then
        [ -n "$kept" ] || kept=$(mktemp -d "${TMPDIR:-/tmp}/vorn-robustness.XXXXXX")
        cp -r . "$kept/run$run_no"
        {
            printf 'export ASAN_OPTIONS=%q UBSAN_OPTIONS=%q\n' "$ASAN_OPTIONS" "$UBSAN_OPTIONS"
            printf 'VORN=%q' "$env_value"
            printf ' %q' "$VORN_BIN" "${args[@]}"
            printf ' < <(cat -- %q)\n' "$stdin_from"
        } > "$kept/run$run_no/replay.sh"
        shown=()
        for a in "${args[@]}"; do [ ${#a} -gt 200 ] && a="${a:0:100}...(${#a} characters)"; shown+=("$a"); done
        fail "run $run_no: $problem" "$(
            printf 'replay: cd %s/run%d && bash replay.sh\n  VORN=%q' "$kept" "$run_no" "$env_value"
            printf ' %q' "$VORN_BIN" "${shown[@]}"
            printf '\n'
            grep -aE 'ERROR|runtime error|SUMMARY|#[0-9] ' err.txt | head -12
        )"
    else
        pass
    fi
done
cd "$E2E_DIR" || exit 1
printf 'robustness: %d runs, seed %s\n' "$runs" "${VORN_ROBUST_SEED:-7}"
finish
