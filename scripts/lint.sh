#!/usr/bin/env bash
# Static analysis of the program's sources with cppcheck: warnings,
# performance and portability findings fail the run. The style class is left
# out on purpose: it objects to the C-style casts and the lstr* calls that
# this code base uses by design. Suppressions, each with its reason, live in
# .cppcheck-suppressions.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
command -v cppcheck >/dev/null || {
    echo "lint: cppcheck is missing (run scripts/setup.sh)" >&2
    exit 1
}

# The includes run one way. The platform seam, the text rules and the INI
# engine stand below the program's folders and include nothing from them;
# window-free code (every file not named *_win.*) includes neither
# <windows.h> nor a Win32 file.
upward=$(grep -nE '#include "(app|automation|ui)/' src/platform/* src/text/* src/ini/* || true)
windowed=$(find src -type f ! -name '*_win.*' -print0 |
    xargs -0 grep -nE '#include[[:space:]]*(<windows\.h>|"[^"]*_win\.[a-z]+")' || true)
if [ -n "$upward$windowed" ]; then
    echo "lint: includes against the direction of the layers:" >&2
    printf '%s\n' "$upward" "$windowed" | sed '/^$/d' >&2
    exit 1
fi

# Every handle field of the Settings record has one owning file, listed in
# scripts/handle_owners.txt; an assignment elsewhere in src/ fails.
stray=""
while read -r field owner; do
    case "$field" in '' | '#'*) continue ;; esac
    [ -f "$owner" ] || {
        echo "lint: scripts/handle_owners.txt names a missing file: $owner" >&2
        exit 1
    }
    write="(\bg\.$field\b(\.[A-Za-z_]+)*[[:space:]]*([-+*/|&^]?=[^=]|\+\+|--)|(\+\+|--|&)[[:space:]]*g\.$field\b)"
    found=$(grep -rnE "$write" src --include='*.cpp' --include='*.h' | grep -v "^$owner:" || true)
    [ -z "$found" ] || stray+="$found (g.$field belongs to $owner)"$'\n'
done <scripts/handle_owners.txt
if [ -n "$stray" ]; then
    echo "lint: handle fields assigned outside their owning file:" >&2
    printf '%s' "$stray" >&2
    exit 1
fi

# One layout for the C++ of the program, its tests and its tools, the one
# .clang-format describes: a file that clang-format would change fails.
command -v clang-format >/dev/null || {
    echo "lint: clang-format is missing (run scripts/setup.sh)" >&2
    exit 1
}
unformatted=$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'tools/*.cpp' 'tools/*.h' |
    xargs clang-format --dry-run 2>&1 | grep -oE '^[^:]+:[0-9]+' | sort -u || true)
if [ -n "$unformatted" ]; then
    echo "lint: clang-format would change these lines (clang-format -i to fix):" >&2
    printf '%s\n' "$unformatted" >&2
    exit 1
fi

cppcheck --version
# Both platform halves are checked (the POSIX one lives with the tests): the
# Win32 files as 32-bit Windows ANSI code, the rest as they are.
cppcheck --quiet --std=c++17 --language=c++ --platform=win32A --library=windows \
    --enable=warning,performance,portability --inline-suppr \
    --suppressions-list=.cppcheck-suppressions --error-exitcode=1 \
    -DWINVER=0x0501 -D_WIN32_WINNT=0x0501 -D_WIN32_IE=0x0501 \
    -I src src tests/support
echo "lint: no findings"
