#!/usr/bin/env bash
# The Debian package: the files of cmake --install under /usr, its run-time libraries declared,
# and a program that runs from the unpacked package.
# Run as: bash package.sh /path/to/vorn BUILD_DIR SOURCE_DIR
BUILD=$(cd "$2" && pwd)
source "$(dirname "$0")/../e2e/lib.bash" "$1"
for tool in cpack dpkg-deb; do
    command -v $tool >/dev/null 2>&1 || { echo "$tool is not installed: skipped"; exit 77; }
done

cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$PWD/pkg" >cpack.log 2>&1
RC=$?
expect_rc "cpack builds the package" 0
deb=$(ls pkg/vorn_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] && pass || { fail "a vorn_*.deb is made" "$(cat cpack.log)"; finish; exit; }

contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
for f in ./usr/bin/vorn ./usr/share/man/man1/vorn.1 ./usr/share/bash-completion/completions/vorn \
    ./usr/share/zsh/site-functions/_vorn ./usr/share/doc/vorn/README.md \
    ./usr/share/doc/vorn/LICENSE ./usr/share/doc/vorn/examples/signal.dat; do
    expect_contains "the package holds $f" "$f"$'\n' "$contents"$'\n'
done
expect_not_contains "nothing outside /usr" $'\n./etc' $'\n'"$contents"
expect_contains "the program is executable" "rwxr-xr-x root/root" "$(dpkg-deb -c "$deb" | grep ' ./usr/bin/vorn$')"

depends=$(dpkg-deb -f "$deb" Depends)
expect_contains "the C library is declared" "libc6" "$depends"
expect_contains "the C++ library is declared" "libstdc++6" "$depends"
expect_eq "the package is named vorn" "vorn" "$(dpkg-deb -f "$deb" Package)"

dpkg-deb -x "$deb" root
expect_contains "the packaged program runs" "vorn Version" "$(root/usr/bin/vorn -v 2>&1)"
finish
