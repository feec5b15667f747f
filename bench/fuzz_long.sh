#!/bin/sh
# Runs the INI fuzz target for longer than the test does.
#   bench/fuzz_long.sh [seconds] [build folder]
# Default: 600 seconds in build/fuzz-long. New inputs collect in
# <build>/fuzz-long-corpus across runs; a crash leaves its input as
# <build>/fuzz-long-crash-*, to be replayed with: <build>/fuzz/ini_fuzz <file>
set -eu
seconds=${1:-600}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$root/build/fuzz-long}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target ini_fuzz -j2
test -x "$build/fuzz/ini_fuzz" || { echo "no fuzz target: clang++ with libFuzzer is needed" >&2; exit 1; }

mkdir -p "$build/fuzz-long-corpus"
exec "$build/fuzz/ini_fuzz" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/fuzz-long-" \
    "$build/fuzz-long-corpus" "$root/fuzz/corpus"
