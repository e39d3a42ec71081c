# Helpers for the end-to-end scripts. Each script is run as: bash script.sh /path/to/vorn
# It works in a fresh temporary directory (the run log "logfile" lands there too).
set -u
VORN_BIN=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
E2E_DIR=$(mktemp -d)
trap 'rm -rf "$E2E_DIR"' EXIT
cd "$E2E_DIR" || exit 1
export LC_ALL=C
unset VORN   # the program's own environment variable: tests set it explicitly
e2e_passed=0
e2e_failed=0

# run ARGS...: runs vorn; stdout in $OUT, stderr in $ERR, status in $RC (also files out.txt/err.txt).
run() {
    "$VORN_BIN" "$@" >stdout.txt 2>stderr.txt </dev/null
    RC=$?
    OUT=$(cat stdout.txt; printf x); OUT=${OUT%x}
    ERR=$(cat stderr.txt; printf x); ERR=${ERR%x}
}
# run_env "NAME=value ..." ARGS...: as run, with extra environment.
run_env() {
    local envs=$1; shift
    env $envs "$VORN_BIN" "$@" >stdout.txt 2>stderr.txt </dev/null
    RC=$?
    OUT=$(cat stdout.txt; printf x); OUT=${OUT%x}
    ERR=$(cat stderr.txt; printf x); ERR=${ERR%x}
}
pass() { e2e_passed=$((e2e_passed + 1)); }
fail() { e2e_failed=$((e2e_failed + 1)); printf 'FAIL: %s\n' "$1"; [ $# -gt 1 ] && printf '%s\n' "$2"; }

# expect_eq NAME EXPECTED ACTUAL
# (texts longer than 2000 bytes are reported by their sizes and first difference only).
expect_eq() {
    if [ "$2" == "$3" ]; then pass
    elif [ ${#2} -le 2000 ] && [ ${#3} -le 2000 ]; then
        fail "$1" "$(printf -- '--- expected ---\n%s\n--- actual ---\n%s\n' "$2" "$3")"
    else
        printf '%s' "$2" > expected.cmp; printf '%s' "$3" > actual.cmp
        fail "$1" "expected ${#2} bytes, got ${#3}: $(cmp expected.cmp actual.cmp 2>&1 | head -c 300)"
        rm -f expected.cmp actual.cmp
    fi
}
# expect_file NAME FILE EXPECTED-CONTENT (exact bytes; use $'...' for line ends)
expect_file() {
    if [ ! -e "$2" ]; then fail "$1" "missing file $2"; return; fi
    local got; got=$(cat "$2"; printf x); got=${got%x}
    expect_eq "$1" "$3" "$got"
}
expect_no_file() { if [ -e "$2" ]; then fail "$1" "file $2 should not exist"; else pass; fi; }
# expect_contains NAME NEEDLE HAYSTACK
expect_contains() {
    case "$3" in *"$2"*) pass ;; *) fail "$1" "$(printf -- '--- wanted inside ---\n%s\n--- text ---\n%s\n' "$2" "$3")" ;; esac
}
expect_not_contains() {
    case "$3" in *"$2"*) fail "$1" "$(printf -- '--- unwanted ---\n%s\n--- text ---\n%s\n' "$2" "$3")" ;; *) pass ;; esac
}
expect_rc() { if [ "$RC" -eq "$2" ]; then pass; else fail "$1" "exit status $RC, expected $2; stderr: $ERR"; fi; }
# finish: prints the tally and exits non-zero on any failure.
finish() {
    printf '%d passed, %d failed\n' "$e2e_passed" "$e2e_failed"
    [ "$e2e_failed" -eq 0 ]
}

# One-line cases: NAME, then vorn's arguments, then (last) what is expected. Each runs vorn like
# run and leaves $OUT, $ERR and $RC set for further checks.
# out_is / err_is: standard output / error is exactly it; out_has / err_has: it lies inside;
# rc_is: the exit status; file_is NAME FILE ARGS... EXPECTED: FILE then holds exactly it.
out_is()  { run "${@:2:$#-2}"; expect_eq "$1" "${!#}" "$OUT"; }
out_has() { run "${@:2:$#-2}"; expect_contains "$1" "${!#}" "$OUT"; }
err_is()  { run "${@:2:$#-2}"; expect_eq "$1" "${!#}" "$ERR"; }
err_has() { run "${@:2:$#-2}"; expect_contains "$1" "${!#}" "$ERR"; }
rc_is()   { run "${@:2:$#-2}"; expect_rc "$1" "${!#}"; }
file_is() { run "${@:3:$#-3}"; expect_file "$1" "$2" "${!#}"; }
