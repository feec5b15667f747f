# shellcheck shell=bash
# The start-up that scripts/run.sh and scripts/screenshots.sh share, sourced
# by both after they set `root` (the repository) and `win` (the Windows
# build):
#
#   demo_build                    builds the exe, the chat-room simulator, the
#                                 harness's helper modes and the user guide
#   demo_up STATE [WIN_BUILD]     the Wine environment in the folder STATE
#                                 (tests/e2e/wine-env.sh), taken down again
#                                 with every process started here when the
#                                 script exits
#   demo_up_begin STATE [WIN_BUILD], demo_up_end
#                                 the same in two halves: the first prepares
#                                 Wine in the background (so that a build can
#                                 go on meanwhile), the second waits for it
#   demo_start UPDATE POST [ROOM_ARGS...] [-- EXTRA...]
#                                 a fresh demo folder STATE/demo with the
#                                 program, the user guide and settings for the
#                                 room "Chat room" with these intervals; opens
#                                 the room (the simulator with ROOM_ARGS, then
#                                 its --title and --log, then EXTRA) and
#                                 starts the program there; returns once the
#                                 room is open
#
# `log` names the room's log once the room is open.

# shellcheck source=../tests/e2e/wine-env.sh
. "$root/tests/e2e/wine-env.sh"

demo_build() {
    cmake -S "$root" -B "$win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
        --no-warn-unused-cli >/dev/null
    # One target over the four, so that make builds them side by side.
    cmake --build "$win" -j"${YARROW_JOBS:-2}" --target demo
}

demo_pids=()
demo_finish() {
    trap - EXIT INT TERM
    for p in "${demo_pids[@]}"; do kill "$p" 2>/dev/null || true; done
    ye_down "$state"
}

demo_up_begin() {
    state=$1
    mkdir -p "$state"
    trap demo_finish EXIT
    trap 'exit 130' INT TERM
    # A prefix that an earlier demo or the tests made can be copied instead
    # of created.
    local seed
    for seed in "$win/run/wineprefix" "$root/build/native/e2e/wineprefix"; do
        if [ -e "$seed/.yarrow-ready" ]; then
            export YARROW_PREFIX_SEED=$seed
            break
        fi
    done
    (ye_up "$state" "${2:-}") </dev/null >"$state/up.log" 2>&1 &
    demo_up_pid=$!
    demo_pids+=("$demo_up_pid")
}

demo_up_end() {
    local rc=0
    wait "$demo_up_pid" || rc=$?
    cat "$state/up.log" >&2
    [ $rc = 0 ] || exit $rc
    # shellcheck disable=SC1091
    . "$state/env.sh"
    # The programs run under code page 932, as on a Japanese Windows. The
    # locale lives under LOCPATH, which bash itself does not look in: its
    # complaint about that is no concern of Wine's.
    { export LC_ALL=$YE_LC_ALL; } 2>/dev/null
}

demo_up() {
    demo_up_begin "$@"
    demo_up_end
}

demo_start() {
    local update=$1 post=$2 room=()
    shift 2
    while [ $# -gt 0 ] && [ "$1" != -- ]; do
        room+=("$1")
        shift
    done
    [ $# -gt 0 ] && shift
    demo=$state/demo
    rm -rf "$demo"
    mkdir -p "$demo"
    cp "$win/Yarrowmeld.exe" "$win/Readme.txt" "$demo/"
    printf '[Setting]\r\nUpdate=%s\r\nNewLine=%s\r\nTitle="Chat room"\r\nCharcter="."\r\n' \
        "$update" "$post" >"$demo/Yarrowmeld.ini"

    log=$state/chat.log
    : >"$log"
    if [ -e "$win/tools/chatsim/chatsim.exe" ]; then
        (cd "$state" && exec wine "$win/tools/chatsim/chatsim.exe" "${room[@]}" --title "Chat room" \
            --log "Z:${log//\//\\}" "$@" </dev/null >"$state/chatsim.out" 2>&1) &
    else
        # The harness's stand-in room prints what it receives.
        (cd "$state" && exec wine "$win/tests/e2e/harness_tools.exe" --browser "Chat room" \
            </dev/null >"$log" 2>&1) &
    fi
    demo_pids+=($!)
    # The program needs the room only when its start button is pressed, so
    # both start at once.
    (cd "$demo" && exec wine Yarrowmeld.exe </dev/null >"$state/yarrowmeld.out" 2>&1) &
    demo_pids+=($!)
    # The room is ready once its first line is logged.
    local deadline=$((SECONDS + 300))
    until grep -qE '^ready|is open' "$log" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || {
            echo "demo: the chat room did not open within 300 s" >&2
            exit 1
        }
        sleep 0.2
    done
}
