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
#   scripts/run.sh --firefox       the room in today's Firefox instead: a
#                                  "MozillaWindowClass" titled
#                                  "Chat room — Mozilla Firefox"
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
    --firefox)
        shift
        browser=(--firefox)
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

# shellcheck source=demo-env.sh
. "$root/scripts/demo-env.sh"

# Wine is prepared in the background while the build runs: neither needs
# the other.
win=$root/build/win
state=$win/run
if [ -e "$state/wineprefix/.yarrow-ready" ]; then
    say "starting Wine in the background (a few seconds)"
elif [ -e "$root/build/native/e2e/wineprefix/.yarrow-ready" ]; then
    say "preparing Wine in the background: copying the tests' Wine prefix into $state"
else
    say "preparing Wine for the first time in the background: creating a Wine prefix in $state"
    echo "   (under a minute, where 32-bit programs run under emulation; later runs reuse it)"
fi
demo_up_begin "$state"

# Only the three programs of the demo (the harness in its helper-only form,
# which builds in seconds) and the user guide, not the tests and benchmarks
# of the whole tree.
if [ -e "$win/Yarrowmeld.exe" ]; then
    say "building Yarrowmeld, the chat-room simulator and a helper (build/win)"
else
    say "building Yarrowmeld, the chat-room simulator and a helper (build/win; the first time about 40 s)"
fi
demo_build
say "waiting for Wine"
demo_up_end

# Short intervals, so that posts show within seconds.
say "opening the chat room (tools/chatsim ${browser[*]}) and starting Yarrowmeld from $state/demo"
demo_start 3 7 "${browser[@]}" -- "${chatsim_extra[@]}"

# The settings dialog comes up first; press its start button as a user would.
say "pressing the start button of its settings dialog for you"
wine "$win/tests/e2e/harness_tools.exe" --press-start 600 </dev/null

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
