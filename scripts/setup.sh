#!/usr/bin/env bash
# Installs what building, running and testing Yarrowmeld need on Debian 12
# and makes 32-bit Windows programs runnable under Wine. Safe to run again:
# it only asks apt for what is missing. Needs root (or sudo).
set -euo pipefail

log() { echo "setup: $*"; }

SUDO=""
if [ "$(id -u)" != 0 ]; then
    command -v sudo >/dev/null || {
        echo "setup: run as root or install sudo" >&2
        exit 1
    }
    SUDO=sudo
fi
export DEBIAN_FRONTEND=noninteractive

# Build: native tree (unit tests) and the cross build for 32-bit Windows.
PACKAGES=(
    cmake make g++ libgtest-dev
    g++-mingw-w64-i686-posix binutils-mingw-w64-i686
    # Static analysis and the layout check (a test) and the fuzz target of
    # the INI engine.
    cppcheck clang libclang-rt-14-dev clang-format
    # Running under Wine on a virtual display.
    wine wine32:i386 xvfb xauth x11-utils xdotool
    # Japanese texts on screen and the Japanese locale that gives Wine its
    # code page 932.
    fonts-ipafont-gothic locales
    # Faces with the metrics of Times New Roman and Arial, which the dialogs
    # name: Wine's own stand-ins are wider and clip their texts.
    fonts-liberation2
    # Wine's own faces, Marlett among them: Wine draws the caption buttons
    # (close, minimise) as Marlett glyphs, and without it as plain letters.
    fonts-wine
    # The release zip (scripts/package.sh) and the resource check.
    python3
    # Screenshots of the virtual display (scripts/run.sh tells how).
    imagemagick
    # timeout, taskset, procps for the test scripts.
    coreutils util-linux procps
)

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

need_update=0
updated=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    log "enabling the i386 architecture for wine32"
    $SUDO dpkg --add-architecture i386
    need_update=1
fi

missing=()
for p in "${PACKAGES[@]}"; do
    installed "$p" || missing+=("$p")
done

# 32-bit programs (Wine's loader is one) need the kernel's IA-32 support.
# Where the machine has none, they run under qemu's user-mode emulation,
# registered for i386 executables here before wine32 is installed (some
# packages run their programs while they are set up).
binfmt=/proc/sys/fs/binfmt_misc
emulated() {
    [ -e $binfmt/yarrow-i386 ] && grep -qx enabled $binfmt/yarrow-i386
}
# A 93-byte static i386 program that exits with 7: runs or not, whatever
# else is installed.
runs_i386() {
    local probe
    probe=$(mktemp)
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x07\x00\x00\x00\xcd\x80' >"$probe"
    chmod +x "$probe"
    local rc=0
    "$probe" 2>/dev/null || rc=$?
    rm -f "$probe"
    [ $rc = 7 ]
}

if emulated || ! runs_i386; then
    # qemu before 8.1 does not honour the address hints of Wine's memory
    # set-up, so that every Wine process spends minutes in it; Debian 12
    # has a recent qemu in its backports.
    fresh_qemu=0
    v=$(dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null || true)
    if [ -z "$v" ] || dpkg --compare-versions "$v" lt 1:8.1; then
        # shellcheck disable=SC1091
        . /etc/os-release
        target=()
        if [ "${VERSION_CODENAME:-}" = bookworm ]; then
            list=/etc/apt/sources.list.d/yarrow-backports.list
            if [ ! -e $list ]; then
                log "adding bookworm-backports for a recent qemu"
                echo "deb http://deb.debian.org/debian bookworm-backports main" | $SUDO tee $list >/dev/null
            fi
            target=(-t bookworm-backports)
        fi
        $SUDO apt-get update -q
        updated=1
        log "installing qemu-user-static ${target[*]}"
        $SUDO apt-get install -y -q --no-install-recommends "${target[@]}" qemu-user-static
        fresh_qemu=1
    fi
    # Register qemu for 32-bit x86 ELF executables (and shared objects run as
    # programs, such as ld-linux.so.2). F: the interpreter is opened now, so
    # a new qemu needs a new registration; P: argv[0] is kept.
    if [ ! -e $binfmt/register ]; then
        $SUDO mount -t binfmt_misc binfmt_misc $binfmt
    fi
    if [ $fresh_qemu = 1 ] && [ -e $binfmt/yarrow-i386 ]; then
        echo -1 | $SUDO tee $binfmt/yarrow-i386 >/dev/null
    fi
    if [ ! -e $binfmt/yarrow-i386 ]; then
        log "this machine cannot run 32-bit programs natively: registering qemu-i386 for them"
        printf '%s' ':yarrow-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:FP' |
            $SUDO tee $binfmt/register >/dev/null
    fi
    runs_i386 || {
        echo "setup: 32-bit programs still do not run; Wine cannot work here" >&2
        exit 1
    }
    log "32-bit programs run under emulation ($(/usr/bin/qemu-i386-static --version | head -1))"
fi

if [ ${#missing[@]} -gt 0 ]; then
    log "installing: ${missing[*]}"
    [ $updated = 1 ] || $SUDO apt-get update -q
    $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
elif [ $need_update = 1 ]; then
    $SUDO apt-get update -q
else
    log "all packages present"
fi

# GoogleTest: Debian ships the sources and, in libgtest-dev, the libraries.
log "ready: $(i686-w64-mingw32-g++-posix --version | head -1); $(wine --version)"
