#!/usr/bin/env bash
# Runs the chaos town (sim/scenarios/chaos_town.json) for FRAMES frames with
# the plug-in and the simulator built with AddressSanitizer and
# UndefinedBehaviorSanitizer, and fails on any sanitizer report or host error.
# Prints the frames run, the faults injected by kind, the largest tracked
# lists, the process's memory (sampled while it runs) and the longest pass.
#
#   scripts/soak.sh FRAMES [SEED]
#
# KORVANE_SOAK_NO_BUILD=1 skips the build (the sanitize preset must be built).
set -euo pipefail
cd "$(dirname "$0")/.."

frames="${1:?usage: scripts/soak.sh FRAMES [SEED]}"
seed="${2:-1}"
jobs="${KORVANE_JOBS:-2}"

if [ -z "${KORVANE_SOAK_NO_BUILD:-}" ]; then
    cmake --preset sanitize >/dev/null
    cmake --build --preset sanitize -j "$jobs" --target korvane-sim Korvane
fi

out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
# A small quarantine of freed memory, so that the memory figures show the
# program's own use rather than AddressSanitizer's reserve (256 MB by default).
export ASAN_OPTIONS="${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1:quarantine_size_mb=32}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"

echo "== Soak: chaos town, $frames frames, seed $seed, under the sanitizers"
start=$(date +%s)
build/sanitize/korvane-sim --scenario sim/scenarios/chaos_town.json --frames "$frames" \
    --seed "$seed" >"$out/summary.txt" 2>"$out/stderr.txt" &
pid=$!

# Resident memory every few seconds while it runs: seconds since the start and KiB.
: >"$out/memory.txt"
while kill -0 "$pid" 2>/dev/null; do
    rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
    hwm=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
    if [ -n "$rss" ]; then
        echo "$(($(date +%s) - start)) $rss $hwm" >>"$out/memory.txt"
    fi
    sleep 2
done
status=0
wait "$pid" || status=$?
elapsed=$(($(date +%s) - start))

failed=0
if grep -Eq 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:|SUMMARY: (Address|Undefined|Leak)' \
    "$out/stderr.txt"; then
    echo "FAILED: a sanitizer reported:"
    grep -E -A30 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:' "$out/stderr.txt" | head -60
    failed=1
fi
if grep -q 'HOST ERROR' "$out/stderr.txt" "$out/summary.txt"; then
    echo "FAILED: a host error stopped the run:"
    grep 'HOST ERROR' "$out/stderr.txt" "$out/summary.txt" | head -5
    failed=1
fi
if [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then
    echo "FAILED: korvane-sim exited with status $status"
    tail -20 "$out/stderr.txt"
    failed=1
fi

grep -E '^  (Frames|Script restarts|Deepest script stack|Largest Tracked)' "$out/summary.txt" || true
echo "  Memory samples (s, KiB): $(awk '{printf "%s:%s ", $1, $2}' "$out/memory.txt" | awk '{n = NF; step = n > 12 ? int(n / 12) : 1; for (i = 1; i <= n; i += step) printf "%s ", $i; print $n}')"
sed -n '/^Chaos (rate/,$p' "$out/summary.txt"
awk -v elapsed="$elapsed" '
    { t[NR] = $1; rss[NR] = $2; if ($3 > peak) peak = $3; if ($2 > peak) peak = $2 }
    END {
        if (NR == 0) { print "  Memory                   not sampled (the run was too short)"; exit }
        warm = int(NR / 4); if (warm < 1) warm = 1
        printf "  %-25s%.1f MiB\n", "Peak memory", peak / 1024
        printf "  %-25s%.1f MiB after warm-up (%d s), %.1f MiB at the end (%d s)\n", "Resident memory",
            rss[warm] / 1024, t[warm], rss[NR] / 1024, t[NR]
        printf "  %-25s%d s\n", "Wall time", elapsed
    }' "$out/memory.txt"
# The soak is there to drop the script's fiber mid-pass and refuse its
# allocations; a run that did neither has not tested what it claims.
for kind in "Script restarts" "Allocations refused"; do
    n="$(sed -n '/^Chaos (rate/,$p' "$out/summary.txt" | grep -E "^  $kind " | awk '{ for (i = 1; i <= NF; i++) if ($i ~ /^[0-9]+$/) { print $i; exit } }')"
    if [ -z "$n" ] || [ "$n" -eq 0 ]; then
        echo "FAILED: the soak injected no fault of kind \"$kind\""
        failed=1
    fi
done
if [ "$failed" -ne 0 ]; then
    exit 1
fi
echo "== Soak passed: no sanitizer report, no host error"
