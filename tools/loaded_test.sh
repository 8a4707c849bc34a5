#!/usr/bin/env bash
# Runs ./test on a machine loaded to three times its cores, to show that no
# test leans on a quiet machine: stress-ng keeps 3 x nproc workers busy beside
# the whole run (build, fuzzing and tests) and stops when it ends. The
# arguments go to stress-ng's --cpu-method (default: all). Exits with ./test's
# status. stress-ng is installed here, the only place that uses it.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
source "$top/tools/setup.sh"
install_missing_packages stress-ng

workers=$((3 * $(nproc)))
stress-ng --cpu "$workers" --cpu-method "${1:-all}" --quiet &
stress=$!
trap 'kill "$stress" 2>/dev/null || true; wait "$stress" 2>/dev/null || true' EXIT
echo "loaded: $workers stress-ng workers on $(nproc) cores"
"$top/test"
