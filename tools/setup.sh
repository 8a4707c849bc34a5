#!/usr/bin/env bash
# Shared by ./play and ./test: installs the missing Debian packages from
# tools/debian-packages.txt, then configures a build folder once.
set -euo pipefail

top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# The compiler cache serves every clone of the tree alike: paths inside it are
# hashed relative to the build folder, and the folder's own place is left out.
export CCACHE_BASEDIR="$top" CCACHE_NOHASHDIR=1

# install_missing_packages [package...]: the named packages, or without names
# those of tools/debian-packages.txt.
install_missing_packages() {
    local wanted missing=()
    if [ $# -gt 0 ]; then
        wanted="$*"
    else
        wanted=$(grep -v '^\s*#' "$top/tools/debian-packages.txt" | sed '/^\s*$/d')
    fi
    for pkg in $wanted; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# ./test's formatting tests switch to a German locale to prove numbers keep
# their point; Debian's "locales" package ships its source but builds none.
# Built once here, since building it in every test run takes seconds.
have_test_locale() { locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; }
install_test_locale() {
    have_test_locale && return 0
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8 >/dev/null 2>&1 || true
    have_test_locale || echo "Could not build the de_DE.UTF-8 locale; the formatting test builds its own each run."
}

# build_quietly <cmake --build args...>: builds, showing its progress on one
# line: rewritten in place on a terminal, a line at each tenth of the steps
# elsewhere; the compiler's messages pass through. A build with nothing to do
# prints nothing. A failed build fails the caller (set -o pipefail).
build_quietly() {
    local tty=0
    [ -t 1 ] && tty=1
    NINJA_STATUS="[%f/%t] " cmake --build "$@" 2>&1 | awk -v tty="$tty" '
        /^ninja: no work to do\.$/ || /^\[0\/[0-9]+\] Re-checking globbed directories\.\.\.$/ { next }
        match($0, /^\[[0-9]+\/[0-9]+\] /) {
            split(substr($0, 2, RLENGTH - 3), n, "/")
            if (tty) { printf "\r\033[Kbuilding: %d of %d steps", n[1], n[2]; shown = 1; fflush() }
            else if (int(10 * n[1] / n[2]) > tenth || n[1] == n[2]) {
                tenth = int(10 * n[1] / n[2]); printf "building: %d of %d steps\n", n[1], n[2]; fflush()
            }
            next
        }
        { if (shown) { printf "\n"; shown = 0 } print; fflush() }
        END { if (shown) printf "\r\033[K" }'
}

# configure <build dir> <cmake args...>: runs cmake only when the folder is new
# or the arguments changed, so a second run does no work.
configure() {
    local dir="$1"; shift
    local stamp="$dir/.configure-args"
    local args="$*"
    if [ -f "$dir/build.ninja" ] && [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$args" ]; then
        return 0
    fi
    cmake -S "$top" -B "$dir" -G Ninja "$@" >/dev/null
    echo "$args" > "$stamp"
}

# Parallel build and test jobs (a name of its own: "jobs" is a shell builtin).
job_count() { nproc 2>/dev/null || echo 2; }
