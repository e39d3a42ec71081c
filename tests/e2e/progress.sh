#!/usr/bin/env bash
# The status line of long runs: on a terminal only, erased before the run's own messages and at
# its end; standard output and a standard error that is not a terminal never see it.
source "$(dirname "$0")/lib.bash" "$1"
command -v python3 >/dev/null 2>&1 || { echo "python3 is not installed: skipped"; finish; exit; }

seq 1 20000 | sed 's/.*/& 0.5/' > rows.dat
# Rows arrive, then a pause longer than a second, then more rows: the line is due.
printf 'head -n 10000 rows.dat; sleep 1.2; tail -n 10000 rows.dat\n' > slow.sh
cat > on_terminal.py <<'EOF'
import os, pty, subprocess, sys
m, s = pty.openpty()
p = subprocess.Popen(['bash', '-c', 'bash slow.sh | "$0" "$@"'] + sys.argv[1:], stdin=subprocess.DEVNULL,
                     stdout=open('out.txt', 'wb'), stderr=s)
os.close(s)
data = b''
while True:
    try:
        chunk = os.read(m, 65536)
    except OSError:
        break
    if not chunk:
        break
    data += chunk
p.wait()
open('tty.txt', 'wb').write(data.replace(b'\r\n', b'\n'))
EOF
on_terminal() { env $1 python3 on_terminal.py "$VORN_BIN" "${@:2}"; }

bash slow.sh | "$VORN_BIN" --nop - piped.out 2>piped.err
expect_eq "a standard error that is not a terminal gets no status line" 0 "$(grep -c $'\r\|\e' piped.err)"

on_terminal "" --nop - tty.out
tty=$(cat tty.txt)
expect_contains "on a terminal the line appears after a second" $'\rvorn: reading, ' "$tty"
expect_contains "and is erased before the version lines" $'\e[K\r\e[K\n' "$tty"
# Without the line and its erasing, standard error holds what a pipe gets.
expect_eq "the rest of standard error is unchanged" "$(cat piped.err)" \
    "$(sed -E $'s/\r(vorn: [^\e]*)?\e\\[K//g' tty.txt)"
expect_eq "standard output is untouched" "" "$(cmp piped.out tty.out 2>&1)"

for quiet in "VORN=noprogress" "-#"; do
    if [ "$quiet" = "-#" ]; then on_terminal "" -# --nop - tty.out; else on_terminal "$quiet" --nop - tty.out; fi
    expect_not_contains "$quiet: no status line" "vorn: reading" "$(cat tty.txt)"
done
finish
