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
# Two sets: at 96 DPI (100 %) into OUT_DIR and at 144 DPI (150 %, Wine's
# LogPixels) into OUT_DIR/144dpi, each from a prefix of its own.
# YARROW_SHOT_DPI=N takes one set at N DPI into OUT_DIR alone.
#
# The program runs against the chat-room simulator (tools/chatsim), so the
# status window has a room to count down for. YARROW_WIN_BUILD names the
# Windows build to use (default build/win, built here when needed).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=$(mkdir -p "${1:-docs}" && cd "${1:-docs}" && pwd)

win=${YARROW_WIN_BUILD:-$root/build/win}
if [ -z "${YARROW_SHOT_DPI:-}" ]; then
    YARROW_SHOT_DPI=96 "$0" "$out"
    YARROW_SKIP_BUILD=1 YARROW_SHOT_DPI=144 "$0" "$out/144dpi"
    exit 0
fi
# shellcheck source=demo-env.sh
. "$root/scripts/demo-env.sh"
if [ "${YARROW_SKIP_BUILD:-0}" != 1 ]; then
    echo "== building ($win)"
    demo_build
fi
harness=$win/tests/e2e/harness_tools.exe
[ -e "$harness" ] || {
    echo "screenshots: $harness is missing" >&2
    exit 1
}

# Always a private display: the pictures must not pick up other windows.
export YARROW_XVFB=1
export YARROW_LOGPIXELS=$YARROW_SHOT_DPI
demo_up "$win/shots-$YARROW_SHOT_DPI" "$win"
demo_start 30 45 --class IEFrame

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
# The program's numbers, from its own list.
for name in IDC_TITLE IDM_STATUS IDC_STATUS_POST_LEFT IDM_ABOUT IDC_ABOUT_VERSION IDM_README \
    WM_TRAYNOTIFY; do
    value=$(sed -n -E "s/^#define $name +([0-9A-Fa-fx]+)\$/\1/p" "$root/src/app/ids.h")
    [ -n "$value" ] || {
        echo "screenshots: $name is not in src/app/ids.h" >&2
        exit 1
    }
    declare "$name=$value"
done
WM_COMMAND=0x0111 WM_RBUTTONUP=0x0205
shoot settings '#32770' - "$IDC_TITLE"
# The start button closes the settings dialog and starts the automation.
wine "$harness" --press-start 300 </dev/null >/dev/null
post_main $WM_COMMAND "$IDM_STATUS" 0
shoot status '#32770' - "$IDC_STATUS_POST_LEFT"
post_main $WM_COMMAND "$IDM_ABOUT" 0
shoot about '#32770' - "$IDC_ABOUT_VERSION"
post_main $WM_COMMAND 1 0 # IDOK, handed on to the about dialog
post_main $WM_COMMAND "$IDM_README" 0
# Once the rich edit shows its text: painted later than the dialog itself.
shoot readme '#32770' 'Yarrowmeld - Readme.txt' RICHEDIT
# The tray menu opens at the mouse pointer on a right click of the icon.
xdotool mousemove 420 300
post_main "$WM_TRAYNOTIFY" 0 $WM_RBUTTONUP
shoot tray-menu '#32768' -
