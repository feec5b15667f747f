#!/usr/bin/env bash
# Takes pictures of every window of Yarrowmeld under Wine on a private Xvfb
# and writes them, cropped to the window, as PNG files into docs/:
#
#   settings.png   the settings dialog, as it comes up at start
#   status.png     the status window while the program runs
#   about.png      the about dialog
#   readme.png     the readme viewer with the user guide (docs/Readme.txt)
#   tray-menu.png  the tray icon's menu
#
#   scripts/screenshots.sh [OUT_DIR]     (also: scripts/run.sh --screenshots)
#
# The program runs against the chat-room simulator (tools/chatsim), so the
# status window has a room to count down for. YARROW_WIN_BUILD names the
# Windows build to use (default build/win, built here when needed).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=$(mkdir -p "${1:-docs}" && cd "${1:-docs}" && pwd)

win=${YARROW_WIN_BUILD:-$root/build/win}
if [ "${YARROW_SKIP_BUILD:-0}" != 1 ]; then
    echo "== building ($win)"
    cmake -S . -B "$win" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake --no-warn-unused-cli >/dev/null
    cmake --build "$win" -j"${YARROW_JOBS:-2}" --target Yarrowmeld chatsim harness_tools readme
fi
state=$win/shots
demo=$state/demo
harness=$win/tests/e2e/harness_tools.exe
chatsim=$win/tools/chatsim/chatsim.exe
[ -e "$harness" ] || {
    echo "screenshots: $harness is missing" >&2
    exit 1
}

# shellcheck source=../tests/e2e/wine-env.sh
. tests/e2e/wine-env.sh

pids=()
finish() {
    trap - EXIT INT TERM
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    ye_down "$state"
}
trap finish EXIT
trap 'exit 130' INT TERM

# Always a private display: the pictures must not pick up other windows.
export YARROW_XVFB=1
for seed in "$win/run/wineprefix" "$root/build/native/e2e/wineprefix"; do
    if [ -e "$seed/.yarrow-ready" ]; then
        export YARROW_PREFIX_SEED=$seed
        break
    fi
done
ye_up "$state" "$win"
# shellcheck disable=SC1091
. "$state/env.sh"
export LC_ALL=$YE_LC_ALL

rm -rf "$demo"
mkdir -p "$demo"
cp "$win/Yarrowmeld.exe" "$win/Readme.txt" "$demo/"
printf '[Setting]\r\nUpdate=30\r\nNewLine=45\r\nTitle="Chat room"\r\nCharcter="."\r\n' >"$demo/Yarrowmeld.ini"

log=$state/chat.log
: >"$log"
if [ -e "$chatsim" ]; then
    (cd "$state" && exec wine "$chatsim" --class IEFrame --title "Chat room" --log "Z:${log//\//\\}" </dev/null >"$state/chatsim.out" 2>&1) &
else
    (cd "$state" && exec wine "$harness" --browser "Chat room" </dev/null >"$log" 2>&1) &
fi
pids+=($!)
deadline=$((SECONDS + 300))
until grep -qE '^ready|is open' "$log" 2>/dev/null; do
    [ $SECONDS -lt $deadline ] || {
        echo "screenshots: the chat room did not open within 300 s" >&2
        exit 1
    }
    sleep 0.2
done

(cd "$demo" && exec wine Yarrowmeld.exe </dev/null >"$state/yarrowmeld.out" 2>&1) &
pids+=($!)

# Crops the root window to the rectangle of the window that harness --rect
# finds; the X screen and the Windows screen coordinates are the same.
shoot() {
    local name=$1
    shift
    local geom
    geom=$(wine "$harness" --rect "$@" </dev/null | tr -d '\r' | tail -n 1)
    case "$geom" in
    *x*+*+*) ;;
    *)
        echo "screenshots: no window for $name ($geom)" >&2
        exit 1
        ;;
    esac
    import -window root -crop "$geom" +repage "$out/$name.png"
    echo "== $out/$name.png ($geom)"
}
post_main() { wine "$harness" --post-main "$@" </dev/null >/dev/null; }

WM_COMMAND=0x0111
shoot settings '#32770' - 1104
# The start button closes the settings dialog and starts the automation.
wine "$harness" --press-start 300 </dev/null >/dev/null
post_main $WM_COMMAND 261 0 # status window
shoot status '#32770' - 1013
post_main $WM_COMMAND 260 0 # about dialog
shoot about '#32770' - 1110
post_main $WM_COMMAND 1 0 # OK, forwarded to the about dialog
post_main $WM_COMMAND 263 0 # readme viewer
shoot readme '#32770' 'Yarrowmeld - Readme.txt'
# The tray menu opens at the mouse pointer on a right click of the icon.
xdotool mousemove 420 300
post_main 0x8064 0 0x0205 # WM_TRAYNOTIFY, WM_RBUTTONUP
shoot tray-menu '#32768' -
