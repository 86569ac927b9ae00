#!/usr/bin/env bash
# Measures the plug-in and the simulator (docs/performance.md explains every
# figure): the plug-in's pass against the floor its own host calls set, its
# allocations, the settings read, the tracked lists' normalisation, and the
# simulator's speed without and with a trace, compared in the same run with
# the korvane-sim of a baseline commit. Prints one table, or with --json one
# JSON object (build output goes to standard error).
#
#   scripts/bench.sh [--json] [--quick] [--baseline COMMIT | --baseline-sim PATH | --no-baseline]
#
#   --quick         one iteration of every timing and short simulator runs,
#                   so that CI keeps the benchmark working
#   --baseline C    compare the simulator with commit C, built once from
#                   `git archive` into build/bench-baseline/C (default: the
#                   last commit before the simulator was made faster)
#   --baseline-sim  compare with a korvane-sim already built
#   --no-baseline   time the simulator alone
set -euo pipefail
cd "$(dirname "$0")/.."

# The last commit before the simulator's speed-up, whose korvane-sim the
# speed-up is measured against.
default_baseline=81d1043

json=()
quick=()
baseline="$default_baseline"
baseline_sim=""
while [ $# -gt 0 ]; do
    case "$1" in
        --json) json=(--json) ;;
        --quick) quick=(--quick) ;;
        --baseline) baseline="$2"; shift ;;
        --baseline-sim) baseline_sim="$2"; baseline=""; shift ;;
        --no-baseline) baseline=""; baseline_sim="" ;;
        *) echo "usage: scripts/bench.sh [--json] [--quick] [--baseline COMMIT | --baseline-sim PATH | --no-baseline]" >&2
           exit 2 ;;
    esac
    shift
done
jobs="$(nproc)"
[ "$jobs" -gt 2 ] && jobs=2

{
    cmake --preset linux
    cmake --build --preset linux -j "$jobs" --target korvane_bench korvane-sim Korvane
} >&2

label=""
if [ -n "$baseline" ]; then
    commit="$(git rev-parse --short "$baseline^{commit}")"
    dir="build/bench-baseline/$commit"
    if [ ! -x "$dir/build/korvane-sim" ]; then
        echo "== Building the baseline korvane-sim of $commit" >&2
        rm -rf "$dir"
        mkdir -p "$dir/src"
        git archive "$commit" | tar -x -C "$dir/src"
        {
            cmake -S "$dir/src" -B "$dir/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_TESTS=OFF
            cmake --build "$dir/build" -j "$jobs" --target korvane-sim
        } >&2
    fi
    baseline_sim="$dir/build/korvane-sim"
    label="$commit"
elif [ -n "$baseline_sim" ]; then
    label="$baseline_sim"
fi

args=("${json[@]}" "${quick[@]}")
if [ -n "$baseline_sim" ]; then
    args+=(--baseline-sim "$baseline_sim" --baseline-label "$label")
fi
exec build/linux/korvane_bench "${args[@]}"
