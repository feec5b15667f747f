#!/usr/bin/env bash
# Runs one Windows test program under Wine in the environment that
# `wine-env.sh up STATE` prepared, with a time-out, and makes sure that
# nothing it started outlives it:
#
#   wine-run.sh STATE[:STATE...] SECONDS PROGRAM.exe [ARGS...]
#
# Several environments (desktops), separated by ':', are taken in turn: the
# run goes to the first that no other run holds, waiting while all are held.
#
# Exits with the program's exit code; with 124 when it ran out of time, and
# with 1 when it passed but left processes behind (they are killed).
set -uo pipefail

states=${1:?state folder}
limit=${2:?time limit in seconds}
shift 2
[ $# -ge 1 ] || {
    echo "usage: $0 STATE[:STATE...] SECONDS PROGRAM.exe [ARGS...]" >&2
    exit 2
}

# A run holds its desktop through a lock that flock keeps (-o): the programs
# of the run do not inherit it, so a service of Wine that one of them started
# cannot keep the desktop held after the run.
if [[ $states == *:* ]]; then
    IFS=: read -r -a desks <<<"$states"
    for d in "${desks[@]}"; do
        [ -e "$d/env.sh" ] || {
            echo "wine-run: $d is not set up; run the e2e.env*.up tests first" >&2
            exit 2
        }
    done
    busy=75
    deadline=$((SECONDS + limit))
    while :; do
        for d in "${desks[@]}"; do
            flock -n -o -E $busy "$d/desktop.lock" bash "$0" "$d" "$limit" "$@"
            rc=$?
            [ $rc -eq $busy ] || exit $rc
        done
        [ $SECONDS -lt $deadline ] || {
            echo "wine-run: no desktop came free within $limit s" >&2
            exit 124
        }
        sleep 0.2
    done
fi
state=$(cd "$states" && pwd)
[ -e "$state/env.sh" ] || {
    echo "wine-run: $state is not set up; run the e2e.env.up test first" >&2
    exit 2
}
# shellcheck disable=SC1091
. "$state/env.sh"
export YARROW_E2E_TMP="$state/tmp"
mkdir -p "$YARROW_E2E_TMP"

# Every process started for this run carries this mark in its environment
# (Wine hands the environment down to the programs that the harness starts),
# which is how leftovers are found afterwards.
mark="yarrow-e2e-$$-$RANDOM$RANDOM"

# Wine's own services of the prefix are shared by all runs and are not
# leftovers, even when a run happened to start one.
is_wine_service() {
    tr '\0' ' ' <"/proc/$1/cmdline" 2>/dev/null | grep -qiE \
        'wineserver|system32\\(explorer|services|winedevice|plugplay|svchost|rpcss|conhost|wineboot)\.exe'
}

# One grep reads every environment: a process started per candidate would
# cost seconds on a busy machine, and this runs after every test.
marked_processes() {
    local f p
    for f in $(grep -slzx "YARROW_E2E_RUN=$mark" /proc/[0-9]*/environ); do
        p=${f#/proc/}
        p=${p%/environ}
        [ "$p" = $$ ] && continue
        is_wine_service "$p" || echo "$p"
    done
}

# The test runner's own time-out is set a little above ours, so that the
# clean-up below always runs.
# YARROW_LC_ALL: a test's own locale (its code page), set by e2e.cmake.
env LC_ALL="${YARROW_LC_ALL:-$YE_LC_ALL}" YARROW_E2E_RUN="$mark" timeout --kill-after=10 "$limit" wine "$@" </dev/null
rc=$?
if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
    echo "wine-run: $* did not finish within $limit s" >&2
    rc=124
fi

# Programs that end on their own, or were just ended, may take a moment to
# be gone; give them a grace period before calling them leftovers.
deadline=$((SECONDS + 10))
left=$(marked_processes)
while [ -n "$left" ] && [ $SECONDS -lt $deadline ]; do
    sleep 0.2
    left=$(marked_processes)
done
report=""
for p in $left; do
    cmd=$(tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null) || continue
    [ -n "$cmd" ] || continue
    report+="  $p: $cmd"$'\n'
    kill -9 "$p" 2>/dev/null
done
if [ -n "$report" ]; then
    echo "wine-run: processes left behind by $*:" >&2
    printf '%s' "$report" >&2
    [ $rc -eq 0 ] && rc=1
fi
exit $rc
