#!/usr/bin/env bash
# The Wine environment that the end-to-end tests and scripts/run.sh share:
# a project-local prefix, a generated Japanese locale (Wine takes its ANSI
# code page from LC_ALL, and only from a locale that exists), a private Xvfb
# display when needed and a persistent wineserver.
#
#   wine-env.sh up STATE [WIN_BUILD]   prepare everything in the folder STATE
#                                      (with WIN_BUILD: also hold a tray icon)
#   wine-env.sh down STATE             stop the wineserver and Xvfb again
#   wine-env.sh exec STATE CMD...      run CMD inside the environment
#
# STATE/env.sh, written by `up`, holds the variables; sourcing this file
# gives the functions to other scripts.

ye_die() {
    echo "wine-env: $*" >&2
    exit 1
}

ye_log() {
    echo "wine-env: $*" >&2
}

# Variables of the environment for the state folder $1.
ye_vars() {
    local state=$1
    export WINEPREFIX="$state/wineprefix"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export LOCPATH="$state/locale"
    export YARROW_LC_932=ja_JP.UTF-8
    export YARROW_LC_SBCS=C.UTF-8
    # LC_ALL is handed to Wine's processes only (ye_wine): bash itself would
    # complain about a locale that lives under LOCPATH.
    export YE_LC_ALL=${YARROW_LC_ALL:-$YARROW_LC_932}
}

# The locale that gives Wine code page 932 (C.UTF-8, which gives 1252, is
# always there).
ye_locale() {
    local dir=$LOCPATH
    mkdir -p "$dir"
    local pair
    for pair in ja_JP:ja_JP.UTF-8; do
        local src=${pair%%:*} name=${pair#*:}
        if [ ! -e "$dir/$name/LC_CTYPE" ]; then
            # localedef returns 1 for mere warnings; judge by the result.
            localedef -i "$src" -f UTF-8 "$dir/$name" >/dev/null 2>&1 || true
            [ -e "$dir/$name/LC_CTYPE" ] || ye_die "cannot generate the locale $name in $dir"
        fi
    done
}

# Starts a private Xvfb unless DISPLAY names a working one (or YARROW_XVFB=1
# asks for a private one anyway); writes DISPLAY and the pid into the state.
ye_display() {
    local state=$1
    if [ -n "${DISPLAY:-}" ] && [ "${YARROW_XVFB:-0}" != 1 ] && xdpyinfo >/dev/null 2>&1; then
        echo "$DISPLAY" >"$state/display"
        rm -f "$state/xvfb.pid"
        return 0
    fi
    command -v Xvfb >/dev/null || ye_die "Xvfb is missing (run scripts/setup.sh)"
    rm -f "$state/display.num"
    # -displayfd lets Xvfb pick a free display number and tell it.
    Xvfb -displayfd 7 -screen 0 1024x768x24 -nolisten tcp -noreset \
        7>"$state/display.num" >"$state/xvfb.log" 2>&1 &
    local pid=$!
    echo "$pid" >"$state/xvfb.pid"
    local deadline=$((SECONDS + 30))
    while [ ! -s "$state/display.num" ]; do
        kill -0 "$pid" 2>/dev/null || ye_die "Xvfb did not start: $(cat "$state/xvfb.log")"
        [ $SECONDS -lt $deadline ] || ye_die "Xvfb did not report its display within 30 s"
        sleep 0.1
    done
    echo ":$(tr -dc 0-9 <"$state/display.num")" >"$state/display"
    export DISPLAY
    DISPLAY=$(cat "$state/display")
    until xdpyinfo >/dev/null 2>&1; do
        [ $SECONDS -lt $deadline ] || ye_die "Xvfb on $DISPLAY does not answer"
        sleep 0.1
    done
    ye_log "Xvfb runs on $DISPLAY (pid $pid)"
}

# Runs a command with the locale that sets Wine's code page.
ye_wine() {
    env LC_ALL="$YE_LC_ALL" "$@"
}

# Whether this machine runs 32-bit x86 programs, which wine32 needs.
ye_can_run_i386() {
    [ -x /usr/lib/wine/wine ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

ye_write_env() {
    local state=$1
    {
        echo "export WINEPREFIX='$WINEPREFIX'"
        echo "export WINEDEBUG='$WINEDEBUG'"
        echo "export WINEDLLOVERRIDES='$WINEDLLOVERRIDES'"
        echo "export LOCPATH='$LOCPATH'"
        echo "export YE_LC_ALL='$YE_LC_ALL'"
        echo "export YARROW_LC_932='$YARROW_LC_932'"
        echo "export YARROW_LC_SBCS='$YARROW_LC_SBCS'"
        echo "export DISPLAY='$DISPLAY'"
    } >"$state/env.sh"
}

# Creates the prefix once; later runs reuse it.
ye_prefix() {
    local state=$1
    # Every Wine process started here writes into files: one that held the
    # caller's pipes (CTest's among them) would keep the caller waiting.
    if [ -e "$WINEPREFIX/.yarrow-ready" ]; then
        wineserver -p </dev/null >/dev/null 2>&1
        return 0
    fi
    rm -rf "$WINEPREFIX"
    # A ready prefix elsewhere in the build trees (YARROW_PREFIX_SEED) is
    # copied rather than created anew: creating one is slow.
    local seed=${YARROW_PREFIX_SEED:-}
    if [ -n "$seed" ] && [ -e "$seed/.yarrow-ready" ]; then
        ye_log "copying the Wine prefix from $seed"
        cp -a "$seed" "$WINEPREFIX"
        rm -f "$WINEPREFIX/wineserver"
        wineserver -p </dev/null >/dev/null 2>&1
        return 0
    fi
    ye_log "creating the Wine prefix $WINEPREFIX (takes a while the first time)"
    # The server needs the folder; wineboot fills it.
    mkdir -p "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1
    local t0=$SECONDS
    ye_wine wineboot -i </dev/null >"$state/wineboot.log" 2>&1 || {
        cat "$state/wineboot.log" >&2
        ye_die "wineboot failed"
    }
    touch "$WINEPREFIX/.yarrow-ready"
    ye_log "prefix ready after $((SECONDS - t0)) s"
}

# The dialogs ask for Japanese faces that Wine does not have; without a
# substitute Wine picks faces whose glyphs are wider, which cuts the labels,
# or which lack the kana, which shows boxes. The installed IPA fonts stand in
# for them. The Western faces the dialogs name get the Liberation faces,
# which have their metrics (Wine's own stand-ins are wider and clip texts
# such as the about dialog's version line). Runs once per prefix (a copied
# prefix brings its mark along); the mark's name changes with the list, so
# that older prefixes get the new entries.
YE_FONTS_MARK=.yarrow-fonts-liberation
ye_fonts() {
    local state=$1
    [ -e "$WINEPREFIX/$YE_FONTS_MARK" ] && return 0
    local reg="$state/tmp/font-substitutes.reg"
    # A version-5 file is UTF-16, so the names do not depend on the code page.
    printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
        '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]' \
        '"ＭＳ Ｐゴシック"="IPAPGothic"' '"ＭＳ ゴシック"="IPAGothic"' \
        '"MS PGothic"="IPAPGothic"' '"MS Gothic"="IPAGothic"' \
        '"Times New Roman"="Liberation Serif"' '"Arial"="Liberation Sans"' \
        '"Courier New"="Liberation Mono"' '' |
        { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$reg"
    ye_wine wine regedit /S "Z:${reg//\//\\}" \
        </dev/null >"$state/fonts.log" 2>&1 || {
        ye_log "could not add the font substitutes (see $state/fonts.log)"
        return 0
    }
    touch "$WINEPREFIX/$YE_FONTS_MARK"
}

# Wine draws the caption buttons (close, minimise, maximise) as glyphs of
# the symbol face Marlett, and without it as the plain letters of another
# face ("r" for the close box). Debian ships Wine's faces apart (fonts-wine)
# and this Wine does not look for them there, so the face goes into the
# prefix's own font folder, where every Wine process finds it.
YE_SYMBOL_FONT=/usr/share/wine/fonts/marlett.ttf
ye_symbol_font() {
    local dir="$WINEPREFIX/drive_c/windows/Fonts"
    [ -e "$dir/marlett.ttf" ] && return 0
    if [ ! -e "$YE_SYMBOL_FONT" ]; then
        ye_log "no $YE_SYMBOL_FONT (package fonts-wine): caption buttons show letters"
        return 0
    fi
    mkdir -p "$dir"
    cp "$YE_SYMBOL_FONT" "$dir/marlett.ttf"
}

# Without a window manager on the display, Wine waits for one (seconds) at
# every hiding of a window it handed to it, which is every dialog closing.
# On our own Xvfb, where none runs, Wine keeps all windows to itself (and
# draws their frames) and hides them at once, as Windows does; on a desktop
# given in DISPLAY the window manager keeps them. The setting is read from
# the prefix's own file rather than from a mark, since a prefix copied from
# a running session may not hold yet what a mark would claim (and a new one
# has no file until its server writes it out).
ye_managed() {
    local state=$1 want=Y have
    [ -e "$state/xvfb.pid" ] && want=N
    have=$(awk '/^\[/ { key = index($0, "[Software\\\\Wine\\\\X11 Driver]") == 1 }
                key && /^"Managed"="N"/ { n = 1 }
                END { print n ? "N" : "Y" }' "$WINEPREFIX/user.reg" 2>/dev/null) || have=unknown
    [ "$have" = "$want" ] && return 0
    ye_wine wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$want" /f \
        </dev/null >"$state/managed.log" 2>&1 || ye_die "cannot set Managed=$want (see $state/managed.log)"
    YE_REG_CHANGED=1
}

# The screen's DPI (Wine's LogPixels, 96 at 100 %, 144 at 150 %), set only
# when YARROW_LOGPIXELS asks for one, as the screenshots do for each of their
# sets; the tests keep the prefix's own. The programs read it when they start,
# so a change restarts the server (YE_REG_CHANGED).
ye_dpi() {
    local state=$1 want=${YARROW_LOGPIXELS:-} have
    [ -n "$want" ] || return 0
    case "$want" in
    *[!0-9]* | '') ye_die "YARROW_LOGPIXELS must be a number of dots per inch, not '$want'" ;;
    esac
    have=$(awk '/^\[/ { key = index($0, "[Control Panel\\\\Desktop]") == 1 }
                key && /^"LogPixels"=dword:/ { sub(/^"LogPixels"=dword:/, ""); print }' \
        "$WINEPREFIX/user.reg" 2>/dev/null | tr -d '\r') || have=
    [ -n "$have" ] && [ $((16#$have)) = "$want" ] && return 0
    ye_wine wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$want" /f \
        </dev/null >"$state/dpi.log" 2>&1 || ye_die "cannot set LogPixels=$want (see $state/dpi.log)"
    YE_REG_CHANGED=1
}

# One tray icon held from `up` to `down` by `harness.exe --hold-tray`: when
# the last icon of the tray goes, Wine's explorer stalls for seconds, and a
# test's program or harness would otherwise often remove the last one. The
# holder reports the code page first, which shows that the locale came
# through. It is started detached and without the mark of a test run, so
# that neither the caller (CTest waits for every holder of its pipes) nor
# wine-run.sh's search for leftovers takes it for its own.
ye_hold_tray() {
    local state=$1 harness=$2
    rm -f "$state/tray.log"
    env -u YARROW_E2E_RUN LC_ALL="$YE_LC_ALL" setsid wine "$harness" --hold-tray \
        </dev/null >"$state/tray.log" 2>&1 &
    local pid=$!
    echo "$pid" >"$state/tray.pid"
    local deadline=$((SECONDS + 300))
    until grep -q '^holding' "$state/tray.log" 2>/dev/null; do
        kill -0 "$pid" 2>/dev/null || ye_die "the tray holder ended: $(tr -d '\r' <"$state/tray.log")"
        [ $SECONDS -lt $deadline ] || ye_die "the tray holder did not report within 300 s"
        sleep 0.1
    done
    local info
    info=$(tr -d '\r' <"$state/tray.log" | head -n 1)
    ye_log "harness reports: $info"
    case "$info" in
    *acp=932*) ;;
    *) ye_die "Wine did not take code page 932 from LC_ALL=$YE_LC_ALL (LOCPATH=$LOCPATH)" ;;
    esac
}

ye_up() {
    local state=$1 win_build=${2:-}
    mkdir -p "$state" "$state/tmp"
    state=$(cd "$state" && pwd)
    command -v wine >/dev/null || ye_die "wine is missing (run scripts/setup.sh)"
    ye_can_run_i386 || ye_die "this machine cannot run 32-bit programs (run scripts/setup.sh)"
    ye_vars "$state"
    ye_locale
    # A wineserver left from an earlier run may be tied to a display that is
    # gone; start from a clean one.
    wineserver -k >/dev/null 2>&1 || true
    ye_down_display "$state"
    ye_display "$state"
    ye_write_env "$state"
    ye_prefix "$state"
    local had_fonts=0
    [ -e "$WINEPREFIX/$YE_FONTS_MARK" ] && had_fonts=1
    ye_fonts "$state"
    ye_symbol_font
    YE_REG_CHANGED=0
    ye_managed "$state"
    ye_dpi "$state"
    if [ "$YE_REG_CHANGED" = 1 ] || { [ $had_fonts = 0 ] && [ -e "$WINEPREFIX/$YE_FONTS_MARK" ]; }; then
        # Other environments copy this prefix (YARROW_PREFIX_SEED) while its
        # session runs: the server writes the registry out when it ends, so
        # that a copy holds what its marks claim.
        wineserver -k </dev/null >/dev/null 2>&1 || true
        wineserver -w </dev/null >/dev/null 2>&1 || true
        wineserver -p </dev/null >/dev/null 2>&1
    fi
    if [ -n "$win_build" ] && [ -e "$win_build/tests/e2e/harness.exe" ]; then
        ye_hold_tray "$state" "$win_build/tests/e2e/harness.exe"
    fi
}

ye_down_display() {
    local state=$1 pid
    if [ -e "$state/xvfb.pid" ]; then
        pid=$(cat "$state/xvfb.pid")
        if kill -0 "$pid" 2>/dev/null && grep -q Xvfb "/proc/$pid/cmdline" 2>/dev/null; then
            kill "$pid" 2>/dev/null
            local deadline=$((SECONDS + 10))
            while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
            kill -9 "$pid" 2>/dev/null || true
        fi
        rm -f "$state/xvfb.pid"
    fi
}

ye_down() {
    local state=$1
    [ -d "$state" ] || return 0
    state=$(cd "$state" && pwd)
    ye_vars "$state"
    if [ -e "$state/env.sh" ]; then
        # Ends the tray holder with everything else of the session.
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
    fi
    local pid
    if pid=$(cat "$state/tray.pid" 2>/dev/null) && grep -qa -- --hold-tray "/proc/$pid/cmdline" 2>/dev/null; then
        kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$state/tray.pid"
    ye_down_display "$state"
    rm -f "$state/env.sh"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -euo pipefail
    cmd=${1:-}
    state=${2:-}
    [ -n "$cmd" ] && [ -n "$state" ] || ye_die "usage: $0 up|down|exec STATE [...]"
    case "$cmd" in
    up) ye_up "$state" "${3:-}" ;;
    down) ye_down "$state" ;;
    exec)
        shift 2
        [ -e "$state/env.sh" ] || ye_die "$state is not set up (run: $0 up $state)"
        # shellcheck disable=SC1091
        . "$state/env.sh"
        exec env LC_ALL="$YE_LC_ALL" "$@"
        ;;
    *) ye_die "unknown command $cmd" ;;
    esac
fi
