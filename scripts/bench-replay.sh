#!/usr/bin/env bash
# Measures what writing the replay page costs: the twenty-minute town run
# (72000 frames, seed 1) with and without --html, alternately, RUNS times
# each (default 5), and the page's size. Prints the fastest of each in CPU
# seconds (user + system, steadier than wall time on a shared machine) and
# in wall seconds, and the overhead.
#
#   scripts/bench-replay.sh [BUILD_DIR]      (default build/linux)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/linux}"
runs="${RUNS:-5}"
sim="$build/korvane-sim"
if [ ! -x "$sim" ]; then
    echo "no $sim: build the linux preset first" >&2
    exit 2
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
args=(--scenario sim/scenarios/town.json --frames 72000 --seed 1 --quiet)

TIMEFORMAT='%R %U %S'
best() {  # fastest "wall cpu" of the lines read
    awk 'NR == 1 || $2 < cpu { wall = $1; cpu = $2 } END { printf "%.2f %.2f\n", wall, cpu }'
}
for ((i = 1; i <= runs; i++)); do
    { time "$sim" "${args[@]}" ; } 2>&1 | awk '{ print $1, $2 + $3 }' >>"$work/plain"
    { time "$sim" "${args[@]}" --html "$work/page.html" ; } 2>&1 |
        awk '{ print $1, $2 + $3 }' >>"$work/html"
done
read -r plain_wall plain_cpu < <(best <"$work/plain")
read -r html_wall html_cpu < <(best <"$work/html")
size="$(wc -c <"$work/page.html")"
echo "without --html: ${plain_cpu} s CPU, ${plain_wall} s wall (fastest of $runs)"
echo "with --html:    ${html_cpu} s CPU, ${html_wall} s wall (fastest of $runs)"
awk -v a="$plain_cpu" -v b="$html_cpu" 'BEGIN { printf "overhead:       %.1f%% of CPU time\n", (b - a) / a * 100 }'
awk -v s="$size" 'BEGIN { printf "page:           %d bytes (%.1f MB)\n", s, s / 1e6 }'
