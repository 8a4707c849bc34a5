#!/usr/bin/env bash
# Shared by ./play and ./test: installs the missing Debian packages from
# tools/debian-packages.txt, then configures a build folder once.
set -euo pipefail

top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

install_missing_packages() {
    local wanted missing=()
    wanted=$(grep -v '^\s*#' "$top/tools/debian-packages.txt" | sed '/^\s*$/d')
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
