#!/usr/bin/env bash
# cmake --install: the program, its manual page, both completion scripts and the documentation
# land under the prefix; an unwritable prefix fails with CMake's own message.
# Run as: bash install.sh /path/to/vorn BUILD_DIR SOURCE_DIR
BUILD=$(cd "$2" && pwd) SRC=$(cd "$3" && pwd)
source "$(dirname "$0")/../e2e/lib.bash" "$1"

cmake --install "$BUILD" --prefix "$PWD/p" >install.log 2>&1
RC=$?
expect_rc "cmake --install into a fresh prefix succeeds" 0
for f in bin/vorn share/man/man1/vorn.1 share/bash-completion/completions/vorn \
    share/zsh/site-functions/_vorn share/doc/vorn/README.md share/doc/vorn/LICENSE \
    share/doc/vorn/examples/signal.dat; do
    [ -f "p/$f" ] && pass || fail "installed: $f"
done
cmp -s p/share/man/man1/vorn.1 "$SRC/man/vorn.1" && pass || fail "the installed page is the page"
[ -x p/bin/vorn ] && pass || fail "the installed program is executable"
expect_contains "the installed program runs" "vorn Version" "$(p/bin/vorn -v 2>&1)"
out=$(cd p/share/doc/vorn/examples && "$OLDPWD/p/bin/vorn" --quiet --get-rows signal.dat 2>/dev/null)
expect_eq "the installed example data is readable" "6" "$out"

touch blocker
cmake --install "$BUILD" --prefix "$PWD/blocker/p" >install.log 2>&1
RC=$?
expect_rc "an unwritable prefix fails" 1
expect_contains "with CMake's own message" "cannot create directory" "$(cat install.log)"
finish
