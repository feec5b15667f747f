#!/usr/bin/env bash
# Builds Yarrowmeld.exe from two copies of the sources in two folders of
# different names and depths and fails unless the two files are the same
# bytes: a link time, a build path or any other trace of where and when it
# was built would tell them apart.
#
#   build_twice.sh SOURCE_DIR WORK_DIR
set -euo pipefail
src=$(cd "$1" && pwd)
work=$2
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
# The copies have no .git: they get the commit's date as a build from a
# tarball would, so that both take the copyright year of the commit.
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && epoch=$(git -C "$src" log -1 --format=%ct 2>/dev/null); then
    export SOURCE_DATE_EPOCH=$epoch
fi

build() {
    local dir=$1
    mkdir -p "$dir/src"
    # Everything that a clone holds, without build trees and packages.
    tar -C "$src" --exclude=./.git --exclude='./build*' --exclude=./dist -cf - . |
        tar -C "$dir/src" -xf -
    cmake -S "$dir/src" -B "$dir/out" -DCMAKE_TOOLCHAIN_FILE="$dir/src/cmake/mingw-i686.cmake" >"$dir/configure.log" 2>&1 ||
        { cat "$dir/configure.log"; return 1; }
    # One job: this runs beside the Wine tests.
    cmake --build "$dir/out" --target Yarrowmeld -j1 >"$dir/build.log" 2>&1 ||
        { cat "$dir/build.log"; return 1; }
}

build "$work/a"
build "$work/second/copy"
a=$work/a/out/Yarrowmeld.exe
b=$work/second/copy/out/Yarrowmeld.exe
if cmp "$a" "$b"; then
    echo "same bytes: $(sha256sum <"$a" | cut -d' ' -f1) ($(stat -c %s "$a") bytes)"
    rm -rf "$work"
else
    echo "the two builds differ (kept in $work):"
    cmp -l "$a" "$b" | head -n 20
    exit 1
fi
