#!/usr/bin/env bash
# Builds the bench programs, runs every figure under Wine in a private Xvfb
# and prints, for each, Yarrowmeld's figure, the baseline's figure from the
# same run and their ratio (medians of several runs where a figure is timed).
#
#   bench/run.sh [--win-build DIR] [--native-build DIR] [--wineprefix DIR]
#                [--quick | --full] [--record]
#
#   --win-build DIR     Windows cross build tree (default build/win)
#   --native-build DIR  native build tree, for the INI benchmark (default
#                       build/native)
#   --wineprefix DIR    the bench's Wine prefix (default: bench-prefix in the
#                       Windows build tree; made on the first run, which
#                       takes minutes)
#   --quick             fewer runs, posts and switches: a check, not figures
#   --full              10,000 state switches for the leak figure, as the
#                       figure is defined, and more runs (half an hour under
#                       emulated Wine); the default makes 500
#   --record            write the figures and the machine into
#                       bench/RESULTS.md
#
# Everything Wine runs is pinned to one CPU (taskset -c 0): on a shared
# machine, timings swing widely otherwise. The script starts and ends its
# own Xvfb and the wineserver of its prefix.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
WIN_BUILD=$ROOT/build/win
NATIVE_BUILD=$ROOT/build/native
PREFIX=
MODE=default
RECORD=0
while [ $# -gt 0 ]; do
    case $1 in
        --win-build) WIN_BUILD=$(realpath -m "$2"); shift 2 ;;
        --native-build) NATIVE_BUILD=$(realpath -m "$2"); shift 2 ;;
        --wineprefix) PREFIX=$(realpath -m "$2"); shift 2 ;;
        --quick) MODE=quick; shift ;;
        --full) MODE=full; shift ;;
        --record) RECORD=1; shift ;;
        -h|--help) sed -n '2,26p' "$0"; exit 0 ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done

case $MODE in
    quick) STARTUP_RUNS=3 CALL_ITERATIONS=7 POSTS=100 SWITCHES=100 IDLE_SECONDS=5 ;;
    default) STARTUP_RUNS=5 CALL_ITERATIONS=15 POSTS=1000 SWITCHES=500 IDLE_SECONDS=10 ;;
    full) STARTUP_RUNS=9 CALL_ITERATIONS=31 POSTS=1000 SWITCHES=10000 IDLE_SECONDS=20 ;;
esac

say() { printf '%s\n' "$*" >&2; }
started=$(date +%s)

# ---- build ----
if [ ! -f "$WIN_BUILD/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$WIN_BUILD" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
fi
say "building the Windows programs in $WIN_BUILD"
cmake --build "$WIN_BUILD" -j2 --target Yarrowmeld chatsim bare_tray bench_calls bench_probe \
    bench_driver >/dev/null
if [ ! -f "$NATIVE_BUILD/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$NATIVE_BUILD" >/dev/null
fi
INI_BENCH=
targets=$(cmake --build "$NATIVE_BUILD" --target help 2>/dev/null || true)
if grep -q '\bini_bench\b' <<<"$targets"; then
    say "building the INI benchmark in $NATIVE_BUILD"
    cmake --build "$NATIVE_BUILD" -j2 --target ini_bench >/dev/null
    INI_BENCH=$(find "$NATIVE_BUILD" -type f -name ini_bench -perm -u+x -print -quit)
fi

BENCH=$WIN_BUILD/bench/win
YARROWMELD=$WIN_BUILD/Yarrowmeld.exe
CHATSIM=$WIN_BUILD/tools/chatsim/chatsim.exe

# The exe runs from a folder of its own: the driver writes its INI file and a
# Readme.txt there.
RUN_DIR=$WIN_BUILD/bench-run
rm -rf "$RUN_DIR"
mkdir -p "$RUN_DIR"
cp "$YARROWMELD" "$RUN_DIR/Yarrowmeld.exe"

winpath() { printf 'Z:%s' "${1//\//\\}"; }

# ---- Wine in a private Xvfb ----
export WINEPREFIX=${PREFIX:-$WIN_BUILD/bench-prefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Code page 932, as on the systems the program is made for, when a Japanese
# locale can be had.
locales=$(locale -a 2>/dev/null || true)
if grep -qi '^ja_JP\.utf-\?8$' <<<"$locales"; then
    export LC_ALL=ja_JP.UTF-8
elif command -v localedef >/dev/null && [ -d /usr/share/i18n/locales ]; then
    mkdir -p "$WIN_BUILD/locale"
    [ -d "$WIN_BUILD/locale/ja_JP.UTF-8" ] ||
        localedef -i ja_JP -f UTF-8 "$WIN_BUILD/locale/ja_JP.UTF-8" 2>/dev/null || true
    if [ -d "$WIN_BUILD/locale/ja_JP.UTF-8" ]; then
        export LOCPATH=$WIN_BUILD/locale
        # (bash itself cannot switch to it and says so; Wine can)
        { export LC_ALL=ja_JP.UTF-8; } 2>/dev/null
    fi
fi

display=
for n in $(seq 87 140); do
    if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then display=$n; break; fi
done
[ -n "$display" ] || { say "no free X display"; exit 1; }
Xvfb :$display -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
export DISPLAY=:$display

cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done

pinned() { taskset -c 0 "$@"; }
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    say "creating the Wine prefix $WINEPREFIX (once; takes a while)"
fi
pinned wineboot -i >/dev/null 2>&1
if [ ! -f "$WINEPREFIX/.bench-unmanaged" ]; then
    # Without a window manager in Xvfb, Wine waits 2 s for one at every
    # hiding of a captioned window (a dialog closing); windows it does not
    # hand to a window manager are hidden at once, as on Windows.
    pinned wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    touch "$WINEPREFIX/.bench-unmanaged"
fi
say "Wine is up on display :$display"

OUT=$(mktemp)
run_wine() { pinned wine "$@" 2>/dev/null | tr -d '\r' | tee -a "$OUT" | grep -v '^RESULT|' >&2 || true; }

# ---- figure 5: size (needs no Wine) ----
size_ours=$(stat -c %s "$YARROWMELD")
size_bare=$(stat -c %s "$BENCH/bare_tray.exe")
verdict=MISSED; [ "$size_ours" -le 65536 ] && verdict=met
echo "RESULT|size|size: the exe in bytes|$size_ours|$size_bare|bytes|$(awk -v a="$size_ours" -v b="$size_bare" 'BEGIN{printf "%.3f", a/b}')|<= 65536 bytes|$verdict" >>"$OUT"

# ---- figures 3 and 4: the program's own finder and send path ----
say "finder"
run_wine "$BENCH/bench_calls.exe" finder $CALL_ITERATIONS 1000
run_wine "$BENCH/bench_calls.exe" finder $CALL_ITERATIONS 1000 inproc
say "sending"
run_wine "$BENCH/bench_calls.exe" send $CALL_ITERATIONS IEFrame "Chat room" \
    "Internet Explorer_Server" "$(winpath "$CHATSIM")"

# ---- figures 1, 2, 6 and 7: the real exe ----
say "start-up, memory, leaks and idle cost of Yarrowmeld.exe"
run_wine "$BENCH/bench_driver.exe" --yarrowmeld "$(winpath "$RUN_DIR/Yarrowmeld.exe")" \
    --bare "$(winpath "$BENCH/bare_tray.exe")" --probe "$(winpath "$BENCH/bench_probe.dll")" \
    --sink "$(winpath "$CHATSIM")" \
    startup=$STARTUP_RUNS memory=$POSTS leaks=$SWITCHES idle=$IDLE_SECONDS

# ---- the INI engine's own benchmark (native) ----
INI_OUT=
if [ -n "$INI_BENCH" ]; then
    say "INI benchmark (native): $INI_BENCH"
    INI_OUT=$("$INI_BENCH" 2>&1 || true)
else
    INI_OUT="(no ini_bench target in $NATIVE_BUILD)"
fi

# ---- report ----
took=$(( $(date +%s) - started ))
TABLE=$(
    echo "| Figure | Yarrowmeld | Baseline | Unit | Ratio | Target | Verdict |"
    echo "|---|---:|---:|---|---:|---|---|"
    grep '^RESULT|' "$OUT" | while IFS='|' read -r _ _key label ours base unit ratio target verdict; do
        echo "| $label | $ours | $base | $unit | $ratio | $target | $verdict |"
    done
)
NOTES=$(grep '^#' "$OUT" | sed 's/^# \{0,1\}/- /' || true)
missing=""
for key in startup mem_private_start mem_ws_start mem_private_posts mem_ws_posts \
    mem_private_growth mem_ws_growth finder send size leak_gdi leak_windows idle_stopped \
    idle_running; do
    grep -q "^RESULT|$key|" "$OUT" || missing="$missing $key"
done

echo
echo "$TABLE"
echo
echo "INI benchmark (native):"
echo "$INI_OUT"
[ -z "$missing" ] || echo "figures not obtained:$missing"
echo "bench run took ${took} s"

if [ $RECORD = 1 ]; then
    machine() {
        echo "- Date: $(date -u '+%Y-%m-%d %H:%M UTC'); commit $(git -C "$ROOT" rev-parse --short HEAD)"
        echo "- CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores visible; Wine pinned to CPU 0"
        echo "- Memory: $(awk '/MemTotal/ {printf "%.1f GiB", $2/1048576}' /proc/meminfo)"
        echo "- System: $(uname -srm); $(. /etc/os-release && echo "$PRETTY_NAME")"
        echo "- Wine: $(wine --version 2>/dev/null); LC_ALL=${LC_ALL:-unset}; Xvfb 1024x768x24 without a window manager, X11 driver Managed=N"
        if grep -qs qemu-i386 /proc/sys/fs/binfmt_misc/* 2>/dev/null; then
            echo "- 32-bit Wine runs under qemu-i386-static user emulation on this machine"
        fi
        echo "- Toolchain: $(i686-w64-mingw32-g++-posix --version | head -n 1)"
        echo "- Mode: $MODE; start-up runs $STARTUP_RUNS, call iterations $CALL_ITERATIONS, posts $POSTS, switches $SWITCHES, idle window $IDLE_SECONDS s; run took $took s"
    }
    RESULTS=$ROOT/bench/RESULTS.md
    GENERATED=$(mktemp)
    {
        echo "<!-- figures: written by bench/run.sh --record -->"
        echo "## Figures of one run"
        echo
        machine
        echo
        echo "$TABLE"
        echo
        echo "Notes printed by the run:"
        echo
        echo "$NOTES"
        echo
        echo "INI benchmark (native):"
        echo
        echo '```'
        echo "$INI_OUT"
        echo '```'
        [ -z "$missing" ] || { echo; echo "Figures not obtained:$missing"; }
        echo "<!-- end of figures -->"
    } >"$GENERATED"
    if [ -f "$RESULTS" ] && grep -q '^<!-- figures:' "$RESULTS"; then
        # Keep the hand-written text around the generated part.
        awk -v gen="$GENERATED" '
            /^<!-- figures:/ { while ((getline line < gen) > 0) print line; skip = 1; next }
            /^<!-- end of figures -->/ { skip = 0; next }
            !skip { print }' "$RESULTS" >"$RESULTS.new"
        mv "$RESULTS.new" "$RESULTS"
    else
        { echo "# Benchmark results"; echo; cat "$GENERATED"; } >"$RESULTS"
    fi
    rm -f "$GENERATED"
    say "figures written to $RESULTS"
fi
rm -f "$OUT"
[ -z "$missing" ]
