#!/usr/bin/env bash
# The manual page: it formats without a warning, it names every long option of the program's
# option table and only options that the program accepts, and its examples print what it shows.
# Run as: bash manpage.sh /path/to/vorn BUILD_DIR SOURCE_DIR
SRC=$(cd "$3" && pwd)
source "$(dirname "$0")/../e2e/lib.bash" "$1"
page=$SRC/man/vorn.1
command -v groff >/dev/null 2>&1 || { echo "groff is not installed: skipped"; exit 77; }

expect_eq "groff -ww finds nothing to warn about" "" "$(groff -man -Tutf8 -ww -z "$page" 2>&1)"

# Plain text, long lines (so that no option name is broken), no bold or underline.
text=$(groff -man -Tascii -rLL=5000n -P-c -P-b -P-o -P-u "$page" 2>/dev/null)
expect_contains "the page has its NAME line" "vorn - fast, exact operations on files of numbers" "$text"

# The option table: rows such as {"name", 1, nullptr, 'x'}, wherever the table lives.
table=$(grep -rhoE '\{ *"[A-Za-z0-9_-]+" *, *(0|1|2|no_argument|required_argument|optional_argument) *,' \
    "$SRC/src" | sed -E 's/^\{ *"([^"]+)".*/--\1/' | sort -u)
expect_contains "the option table is found" "--eval-prolog" "$table"
listed=$(grep -oE -- '--[a-z][a-z0-9_-]*' <<<"$text" | sort -u)
missing=$(comm -23 <(echo "$table") <(echo "$listed"))
expect_eq "every long option of the program is in the page" "" "$missing"
unknown=$(comm -13 <(echo "$table") <(echo "$listed") | while read -r o; do grep -q -- "^$o" <<<"$table" || echo "$o"; done)
expect_eq "every long option in the page is in the option table or abbreviates one" "" "$unknown"

# Every option the page lists (the tags of OPERATIONS and OPTIONS, short ones included) is
# accepted: the option parser does not call it unrecognized or invalid.
tags=$(sed -n '/^OPERATIONS/,/^SELECTIONS/p' <<<"$text" | grep -E '^ {7}-' |
    grep -oE -- '(^ +|, )--?[A-Za-z0-9?#][A-Za-z0-9_-]*' | sed -E 's/^[ ,]+//' | sort -u)
expect_contains "short options are among the tags" "-#" "$tags"
refused=
for opt in $tags; do
    timeout 10 "$VORN_BIN" --more "$opt" </dev/null >/dev/null 2>stderr.txt
    grep -qE 'unrecognized option|invalid option' stderr.txt && refused+=" $opt"
done
expect_eq "the program accepts every option the page lists" "" "$refused"

# EXAMPLES: every "$ command" runs in a fresh folder and prints exactly the lines below it.
mkdir examples && cd examples || exit 1
PATH=$(dirname "$VORN_BIN"):$PATH
cmd='' want='' ran=0
check_example() {
    [ -n "$cmd" ] || return 0
    got=$(bash -c "$cmd" 2>/dev/null)
    expect_eq "example: $cmd" "$want" "$got"
    ran=$((ran + 1))
}
while IFS= read -r line; do
    case $line in
    '       $ '*) check_example; cmd=${line#'       $ '} want='' ;;
    '       '*) want+=${want:+$'\n'}${line#'       '} ;;
    esac
done < <(sed -n '/^EXAMPLES/,/^EXIT STATUS/p' <<<"$text" | sed -n '/^ *\$ /,$p' | sed '/^[A-Z]/d;/^$/d')
check_example
[ "$ran" -ge 10 ] && pass || fail "the examples are found ($ran)"
finish
