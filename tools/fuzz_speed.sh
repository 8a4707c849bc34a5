#!/usr/bin/env bash
# Measures how fast each fuzz target runs: each alone on one core, for a few
# seconds, from an empty scratch folder and its seeds (as ./test runs them),
# and prints the executions a second libFuzzer counted (its start-up
# included), and the executions per second of processor time the run used,
# which other work on the same core does not lower. A target below the floor
# explores little in ./test's few seconds; the script fails when one is.
#
#   tools/fuzz_speed.sh [-b build folder] [-s seconds] [-c cores] [-m floor] [target...]
#
# -b  the build with the fuzz program (default build/test, as ./test makes it)
# -s  seconds per target (default 5)
# -c  cores to pin to, comma separated (default: the last core this process
#     may run on); with several, as many targets run at once, each on a core
#     of its own
# -m  the executions a second below which a target counts as slow (default 1000)
# Without names every target is measured.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"

build="$top/build/test"
seconds=5
cores=""
floor=1000
while getopts "b:s:c:m:" option; do
    case "$option" in
    b) build="$OPTARG" ;;
    s) seconds="$OPTARG" ;;
    c) cores="$OPTARG" ;;
    m) floor="$OPTARG" ;;
    *) sed -n '9,17p' "$0" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
    for fuzzer in "$build"/fuzz_*; do
        [ -x "$fuzzer" ] && names+=("${fuzzer##*/fuzz_}")
    done
fi
[ ${#names[@]} -gt 0 ] || { echo "no fuzz targets in $build (build mosswick_fuzz first)" >&2; exit 2; }
# The cores this process may run on (its affinity, "0-3,6"), one a line.
allowed_cores() {
    local list range
    list="$(sed -n 's/^Cpus_allowed_list:[[:space:]]*//p' /proc/self/status)"
    IFS=, read -r -a ranges <<<"$list"
    for range in "${ranges[@]}"; do
        if [[ "$range" == *-* ]]; then seq "${range%-*}" "${range#*-}"; else echo "$range"; fi
    done
}
mapfile -t allowed < <(allowed_cores)
[ ${#allowed[@]} -gt 0 ] || { echo "cannot read the cores this process may use" >&2; exit 2; }
[ -n "$cores" ] || cores="${allowed[${#allowed[@]} - 1]}"
IFS=, read -r -a core_list <<<"$cores"
for core in "${core_list[@]}"; do
    if ! printf '%s\n' "${allowed[@]}" | grep -qx -- "$core"; then
        echo "core $core is not one this process may use (${allowed[*]})" >&2
        exit 2
    fi
done

export LSAN_OPTIONS="suppressions=$top/tools/lsan.supp"
export ASAN_OPTIONS="intercept_tls_get_addr=0"
export ALSOFT_DRIVERS=null
export MOSSWICK_RESOURCES="$top/resources"

scratch="$(mktemp -d "${TMPDIR:-/tmp}/mosswick-fuzz-speed-XXXXXX")"
trap 'rm -rf "$scratch"' EXIT

# measure <name> <core>: runs one target and leaves its log in the scratch folder.
measure() {
    local name="$1" core="$2"
    local corpora=("$scratch/$name")
    mkdir -p "$scratch/$name"
    [ -d "$top/fuzz/corpus/$name" ] && corpora+=("$top/fuzz/corpus/$name")
    local TIMEFORMAT='%3U %3S'
    { time taskset -c "$core" "$build/fuzz_$name" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
        -artifact_prefix="$scratch/$name-" "${corpora[@]}" >"$scratch/$name.log" 2>&1; } 2>"$scratch/$name.cpu" || true
}

# Runs the targets in batches of one per core.
for ((first = 0; first < ${#names[@]}; first += ${#core_list[@]})); do
    pids=()
    for ((slot = 0; slot < ${#core_list[@]} && first + slot < ${#names[@]}; ++slot)); do
        measure "${names[first + slot]}" "${core_list[slot]}" &
        pids+=("$!")
    done
    for pid in "${pids[@]}"; do wait "$pid"; done
done

slow=0
printf '%-28s %10s %12s\n' target exec/s "exec/cpu s"
for name in "${names[@]}"; do
    # The closing status line ("#N DONE ... exec/s: X") holds the run's rate,
    # "Done N runs in T second(s)" its count.
    rate="$(sed -n 's/^#[0-9]*[[:space:]]*DONE .*exec\/s: \([0-9]*\).*/\1/p' "$scratch/$name.log" | tail -n 1)"
    runs="$(sed -n 's/^Done \([0-9]*\) runs in .*/\1/p' "$scratch/$name.log" | tail -n 1)"
    if [ -z "$rate" ] || [ -z "$runs" ]; then
        printf '%-28s %10s\n' "$name" failed
        tail -n 20 "$scratch/$name.log" >&2
        slow=1
        continue
    fi
    per_cpu="$(awk -v runs="$runs" '{ t = $1 + $2; printf "%d", (t > 0 ? runs / t : 0) }' "$scratch/$name.cpu")"
    mark=""
    if [ "$rate" -lt "$floor" ]; then
        mark="  slow"
        slow=1
    fi
    printf '%-28s %10s %12s%s\n' "$name" "$rate" "$per_cpu" "$mark"
done
exit "$slow"
