#!/usr/bin/env bash
# Builds the release for Windows users: dist/Yarrowmeld-<version>.zip with
# Yarrowmeld.exe, Readme.txt (the user guide, code page 932 with CR LF) and
# SHA256SUMS of the two. The version is the CMake project's.
#
#   scripts/package.sh
#
# The same commit gives the same bytes wherever and whenever it is packed:
# the exe carries no link time and takes its copyright year from the commit,
# and the zip lists its files in a fixed order with the commit's date
# (SOURCE_DATE_EPOCH, if set, wins). YARROW_SKIP_SETUP=1
# skips the installer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [ "${YARROW_SKIP_SETUP:-0}" != 1 ]; then
    scripts/setup.sh
fi

win=$root/build/win
echo "== building Yarrowmeld.exe and Readme.txt ($win)"
cmake -S . -B "$win" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake --no-warn-unused-cli >/dev/null
cmake --build "$win" -j"${YARROW_JOBS:-2}" --target Yarrowmeld readme

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$win/CMakeCache.txt")
[ -n "$version" ] || {
    echo "package: no project version in $win/CMakeCache.txt" >&2
    exit 1
}
# The date the build took the copyright year from (CMakeLists.txt): the
# commit's, or SOURCE_DATE_EPOCH when set; the zip carries the same.
SOURCE_DATE_EPOCH=$(sed -n 's/^YARROW_SOURCE_EPOCH:INTERNAL=//p' "$win/CMakeCache.txt")
[ -n "$SOURCE_DATE_EPOCH" ] || {
    echo "package: no source date in $win/CMakeCache.txt" >&2
    exit 1
}

stage=$root/dist/Yarrowmeld-$version
zip=$root/dist/Yarrowmeld-$version.zip
rm -rf "$stage" "$zip"
mkdir -p "$stage"
cp "$win/Yarrowmeld.exe" "$win/Readme.txt" "$stage/"
(cd "$stage" && sha256sum Yarrowmeld.exe Readme.txt >SHA256SUMS)

python3 - "$stage" "$zip" "$SOURCE_DATE_EPOCH" <<'PY'
import os, sys, time, zipfile
stage, out, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
# Zip times have two-second steps and start in 1980.
stamp = time.gmtime(max(epoch, 315532800))[:6]
with zipfile.ZipFile(out, "w") as z:
    for name in ("Yarrowmeld.exe", "Readme.txt", "SHA256SUMS"):
        info = zipfile.ZipInfo(name, date_time=stamp)
        info.create_system = 0          # made on "MS-DOS": no Unix owner bits
        info.external_attr = 0x20       # the archive attribute, as Windows sets it
        info.compress_type = zipfile.ZIP_DEFLATED
        with open(os.path.join(stage, name), "rb") as f:
            z.writestr(info, f.read(), compresslevel=9)
PY
rm -rf "$stage"
echo "== $zip ($(stat -c %s "$zip") bytes)"
echo "   sha256 $(sha256sum <"$zip" | cut -d' ' -f1)"
