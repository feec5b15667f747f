#!/usr/bin/env bash
# Installs what is missing, builds both trees and runs every test: unit
# tests natively, the Win32 checks and the end-to-end tests under Wine, and
# the static analysis. Ends with CTest's summary line; exits non-zero when a
# test failed.
#
#   scripts/test.sh [extra ctest arguments, e.g. -R e2e]
#
# Environment: YARROW_SKIP_SETUP=1 skips the installer; YARROW_JOBS sets the
# build parallelism (default 2).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${YARROW_JOBS:-2}

if [ "${YARROW_SKIP_SETUP:-0}" != 1 ]; then
    bash scripts/setup.sh
fi

t0=$SECONDS
echo "== Windows build (build/win)"
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/win -j"$jobs"

echo "== native build (build/native)"
cmake -S . -B build/native -DYARROW_WIN_BUILD="$root/build/win" >/dev/null
cmake --build build/native -j"$jobs"
echo "== built in $((SECONDS - t0)) s"

echo "== tests"
cd build/native
# The Wine tests take turns among themselves (they share one desktop); the
# unit tests run beside them.
exec ctest --output-on-failure -j"$jobs" "$@"
