#!/usr/bin/env bash
# Builds what the demo needs and shows Yarrowmeld at work under Wine: a
# simulated chat room (tools/chatsim, a window of the browser class "IEFrame"
# titled "Chat room") and Yarrowmeld set up for that room with short
# intervals. The start button of Yarrowmeld's settings dialog is pressed for
# you, so that posts appear in the room within seconds; every post is
# printed here as it arrives.
#
#   scripts/run.sh            runs until Ctrl+C
#   YARROW_RUN_SECONDS=60 scripts/run.sh   stops by itself after 60 s
#   scripts/run.sh -- ARGS    passes ARGS on to the chat-room simulator,
#                             after its own --class, --title and --log
#   YARROW_DEMO_CLASS=NAME    the room's window class (default IEFrame)
#   scripts/run.sh --screenshots   pictures of every window into docs/
#                                  (scripts/screenshots.sh)
#   scripts/run.sh --chromium      the room in a browser of today instead: a
#                                  "Chrome_WidgetWin_1" titled
#                                  "Chat room - Chromium"
#
# Uses the desktop in DISPLAY when there is one, else a private Xvfb (the
# script tells how to take a screenshot of it). YARROW_SKIP_SETUP=1 skips
# the installer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
t0=$SECONDS
chatsim_extra=()
browser=(--class "${YARROW_DEMO_CLASS:-IEFrame}")
while [ $# -gt 0 ]; do
    case "$1" in
    --screenshots)
        shift
        exec scripts/screenshots.sh "$@"
        ;;
    --chromium)
        shift
        browser=(--chromium)
        ;;
    --)
        shift
        chatsim_extra=("$@")
        break
        ;;
    *)
        echo "run: unknown option $1 (see the top of $0)" >&2
        exit 2
        ;;
    esac
done
say() { echo "== [$((SECONDS - t0)) s] $*"; }

if [ "${YARROW_SKIP_SETUP:-0}" != 1 ]; then
    say "checking the packages (scripts/setup.sh; installing them the first time takes minutes)"
    scripts/setup.sh
fi

# Only the three programs of the demo (the harness in its helper-only form,
# which builds in seconds) and the user guide, not the tests and benchmarks
# of the whole tree.
if [ -e build/win/Yarrowmeld.exe ]; then
    say "building Yarrowmeld, the chat-room simulator and a helper (build/win)"
else
    say "building Yarrowmeld, the chat-room simulator and a helper (build/win; the first time about 40 s)"
fi
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake --no-warn-unused-cli >/dev/null
cmake --build build/win -j"${YARROW_JOBS:-2}" --target Yarrowmeld chatsim harness_tools readme

win=$root/build/win
state=$win/run
demo=$state/demo
chatsim=$win/tools/chatsim/chatsim.exe
harness=$win/tests/e2e/harness_tools.exe
mkdir -p "$state"

# shellcheck source=../tests/e2e/wine-env.sh
. tests/e2e/wine-env.sh

pids=()
finish() {
    trap - EXIT INT TERM
    echo
    echo "== stopping"
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    ye_down "$state"
}
trap finish EXIT
trap 'exit 130' INT TERM

# A prefix that the tests made already can be copied instead of created.
export YARROW_PREFIX_SEED=$root/build/native/e2e/wineprefix
if [ -e "$state/wineprefix/.yarrow-ready" ]; then
    say "starting Wine (a few seconds)"
elif [ -e "$YARROW_PREFIX_SEED/.yarrow-ready" ]; then
    say "preparing Wine: copying the tests' Wine prefix into $state"
else
    say "preparing Wine for the first time: creating a Wine prefix in $state"
    echo "   (under a minute, where 32-bit programs run under emulation too; later runs reuse it)"
fi
ye_up "$state"
# shellcheck disable=SC1091
. "$state/env.sh"
# The programs run under code page 932, as on a Japanese Windows.
export LC_ALL=$YE_LC_ALL

# A fresh demo folder: the program, its settings for the simulated room with
# short intervals, and the user guide for the tray menu's readme viewer.
rm -rf "$demo"
mkdir -p "$demo"
cp "$win/Yarrowmeld.exe" "$win/Readme.txt" "$demo/"
printf '[Setting]\r\nUpdate=3\r\nNewLine=7\r\nTitle="Chat room"\r\nCharcter="."\r\n' >"$demo/Yarrowmeld.ini"

log=$state/chat.log
: >"$log"
say "opening the chat room (tools/chatsim ${browser[*]})"
(cd "$state" && exec wine "$chatsim" "${browser[@]}" --title "Chat room" \
    --log "Z:${log//\//\\}" "${chatsim_extra[@]}" </dev/null >"$state/chatsim.out" 2>&1) &
pids+=($!)
# The room is ready once its first line is logged.
deadline=$((SECONDS + 300))
until grep -qE '^ready|is open' "$log" 2>/dev/null; do
    [ $SECONDS -lt $deadline ] || {
        echo "run: the chat room did not open within 300 s" >&2
        exit 1
    }
    sleep 0.2
done

say "starting Yarrowmeld from $demo"
(cd "$demo" && exec wine Yarrowmeld.exe </dev/null >"$state/yarrowmeld.out" 2>&1) &
pids+=($!)

# The settings dialog comes up first; press its start button as a user would.
say "pressing the start button of its settings dialog for you"
wine "$harness" --press-start 600 </dev/null

if [ -z "${YARROW_XVFB_KEEP:-}" ] && [ -e "$state/xvfb.pid" ]; then
    say "the windows live on the virtual display $DISPLAY; to look at them:"
    echo "     DISPLAY=$DISPLAY import -window root /tmp/yarrowmeld.png"
fi
say "posts in the chat room (Ctrl+C ends the demo):"
# The simulator logs every message its page window receives; show the chat
# lines only ("(update)" is a lone Enter).
show_chat() {
    tail -n +1 -f "$log" | grep --line-buffered -E 'chat=|posted|Enter' |
        sed -u -E 's/^t=[0-9]+ chat=(.*) units=.*$/chat: \1/'
}
limit=${YARROW_RUN_SECONDS:-0}
if [ "$limit" -gt 0 ]; then
    timeout "$limit" bash -c "$(declare -f show_chat); log='$log'; show_chat" || true
else
    show_chat
fi
