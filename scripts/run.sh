#!/usr/bin/env bash
# Builds Yarrowmeld and shows it at work under Wine: a simulated chat room
# (tools/chatsim, a window of the browser class "IEFrame" titled "Chat room")
# and Yarrowmeld set up for that room with short intervals. The start button
# of Yarrowmeld's settings dialog is pressed for you, so that posts appear in
# the room within seconds; every post is printed here as it arrives.
#
#   scripts/run.sh            runs until Ctrl+C
#   YARROW_RUN_SECONDS=60 scripts/run.sh   stops by itself after 60 s
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
if [ "${1:-}" = --screenshots ]; then
    shift
    exec bash scripts/screenshots.sh "$@"
fi
browser=(--class IEFrame)
if [ "${1:-}" = --chromium ]; then
    shift
    browser=(--chromium)
fi

if [ "${YARROW_SKIP_SETUP:-0}" != 1 ]; then
    bash scripts/setup.sh
fi

echo "== building (build/win)"
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/win -j"${YARROW_JOBS:-2}"

win=$root/build/win
state=$win/run
demo=$state/demo
chatsim=$win/tools/chatsim/chatsim.exe
harness=$win/tests/e2e/harness.exe
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

echo "== preparing Wine in $state (the first time takes a while)"
# A prefix that the tests made already can be copied instead of created.
export YARROW_PREFIX_SEED=$root/build/native/e2e/wineprefix
ye_up "$state" "$win"
# shellcheck disable=SC1091
. "$state/env.sh"

# A fresh demo folder: the program, its settings for the simulated room with
# short intervals, and a Readme.txt for the tray menu's readme viewer.
rm -rf "$demo"
mkdir -p "$demo"
cp "$win/Yarrowmeld.exe" "$demo/"
printf '[Setting]\r\nUpdate=3\r\nNewLine=7\r\nTitle="Chat room"\r\nCharcter="."\r\n' >"$demo/Yarrowmeld.ini"
printf 'Yarrowmeld demo\r\n\r\nThe tray icon toggles the automation; its menu opens the dialogs.\r\n' >"$demo/Readme.txt"

log=$state/chat.log
: >"$log"
if [ -e "$chatsim" ]; then
    echo "== starting the chat-room simulator"
    (cd "$state" && exec wine "$chatsim" "${browser[@]}" --title "Chat room" --log "Z:${log//\//\\}" </dev/null >"$state/chatsim.out" 2>&1) &
else
    echo "== tools/chatsim is not built; the harness plays the chat room instead"
    (cd "$state" && exec wine "$harness" --browser "Chat room" </dev/null >"$log" 2>&1) &
fi
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

echo "== starting Yarrowmeld from $demo"
(cd "$demo" && exec wine Yarrowmeld.exe </dev/null >"$state/yarrowmeld.out" 2>&1) &
pids+=($!)

# The settings dialog comes up first; press its start button as a user would.
echo "== pressing the start button of the settings dialog for you"
wine "$harness" --press-start 600 </dev/null

if [ -z "${YARROW_XVFB_KEEP:-}" ] && [ -e "$state/xvfb.pid" ]; then
    echo "== the windows live on the virtual display $DISPLAY; to look at them:"
    echo "     DISPLAY=$DISPLAY import -window root /tmp/yarrowmeld.png"
fi
echo "== posts in the chat room (Ctrl+C ends the demo):"
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
