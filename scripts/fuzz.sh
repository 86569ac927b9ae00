#!/usr/bin/env bash
# Fuzzes the plug-in's three readers (the settings file, the sibling hotkey
# file, the user model-list loader) with libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer, SECONDS in all, a third for each. Besides the
# sanitizers, each input is checked against the readers' invariants
# (fuzz/reader_checks.h). Fails on any finding; the input that caused it is
# kept in build/fuzz/findings/.
#
#   scripts/fuzz.sh SECONDS
#
# The corpus starts from the committed seeds (fuzz/seeds/), the shipped
# settings file and the test fixtures, and grows in build/fuzz/corpus/ from
# run to run.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

seconds="${1:?usage: scripts/fuzz.sh SECONDS}"
jobs="${KORVANE_JOBS:-2}"
each=$((seconds / 3))
if [ "$each" -lt 1 ]; then
    each=1
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
mkdir -p build/fuzz/findings
status=0
for reader in settings sibling model_list; do
    corpus="$root/build/fuzz/corpus/$reader"
    mkdir -p "$corpus"
    seeds=(fuzz/seeds/"$reader"/*)
    if [ "$reader" = settings ]; then
        seeds+=(dist/Korvane.ini tests/config/ini_check/*.ini tests/golden/*.ini sim/scenarios/*.ini)
    fi
    for seed in "${seeds[@]}"; do
        copy="$corpus/seed_$(echo "$seed" | tr / _)"
        [ -e "$copy" ] || cp "$seed" "$copy"
    done
    log="build/fuzz/$reader.log"
    echo "== Fuzzing the $reader reader for $each s"
    if build/fuzz/fuzz_"$reader" "$corpus" -max_total_time="$each" -timeout=20 \
        -rss_limit_mb=4096 -print_final_stats=1 \
        -artifact_prefix="$root/build/fuzz/findings/$reader-" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        size=$(find "$corpus" -type f | wc -l)
        echo "   $runs inputs, no finding; corpus of $size inputs"
    else
        echo "FAILED: the $reader reader has a finding:"
        grep -E -A25 'invariant broken|ERROR: |runtime error:|deadly signal' "$log" | head -60
        ls build/fuzz/findings/"$reader"-* 2>/dev/null || true
        status=1
    fi
done
exit "$status"
