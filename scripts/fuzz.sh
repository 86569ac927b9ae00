#!/usr/bin/env bash
# Fuzzes the plug-in's three readers (the settings file, the sibling hotkey
# file, the user model-list loader) and the settings fixer of
# korvane-ini-check with libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer, SECONDS in all. Besides the sanitizers, each
# input is checked against the readers' invariants (fuzz/reader_checks.h) or
# the fixer's promises (fuzz/fix_checks.h). Fails on any finding; the input
# that caused it is kept in build/fuzz/findings/.
#
#   scripts/fuzz.sh SECONDS
#
# A run of 10 minutes or more first gives the fixer inputs of the largest
# size a settings file is read to (32 MiB), each of which it must finish
# within FIX_BOUND seconds; the rest of SECONDS is shared equally among the
# four targets. A shorter run (the test command's 60 s) fuzzes only.
#
# The corpus starts from the committed seeds (fuzz/seeds/), the shipped
# settings file and the test fixtures, and grows in build/fuzz/corpus/ from
# run to run.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

seconds="${1:?usage: scripts/fuzz.sh SECONDS}"
jobs="${KORVANE_JOBS:-2}"
targets=(settings sibling model_list fix)
# Under both sanitizers, on a busy machine; the plain build takes a few
# seconds for the slowest input.
fix_bound=120

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
mkdir -p build/fuzz/findings
status=0
start=$(date +%s)

if [ "$seconds" -ge 600 ]; then
    # The largest inputs: the worst cases for the fixer's time and memory.
    big="build/fuzz/big"
    mkdir -p "$big"
    size=$((32 * 1024 * 1024))
    if [ ! -e "$big/stray_lines.ini" ]; then
        head -c "$size" /dev/zero | tr '\0' '\n' >"$big/empty_lines.ini"
        yes 'no settings line' | head -c "$size" >"$big/stray_lines.ini"
        yes 'Hotkey = [71]' | head -c "$size" >"$big/repeated_option.ini"
        head -c "$size" /dev/zero | tr '\0' 'x' >"$big/one_long_line.ini"
        { echo 'Use full vehicles list: (275 vehicles max, 5 per line) = [1]:'; yes 'asea, taxi,'; } |
            head -c "$size" >"$big/unterminated_list.ini"
        { cat dist/Korvane.ini; head -c "$size" /dev/zero | tr '\0' ' '; } | head -c "$size" \
            >"$big/trailing_spaces.ini"
    fi
    echo "== The fixer on inputs of 32 MiB, at most $fix_bound s each"
    log="build/fuzz/fix_big.log"
    if build/fuzz/fuzz_fix -timeout="$fix_bound" -rss_limit_mb=4096 \
        -artifact_prefix="$root/build/fuzz/findings/fix-big-" "$big"/*.ini >"$log" 2>&1; then
        echo "   within the bound"
    else
        echo "FAILED: the fixer on a 32 MiB input:"
        grep -E -A25 'invariant broken|ERROR: |runtime error:|deadly signal|timeout' "$log" | head -60
        status=1
    fi
fi

left=$((seconds - ($(date +%s) - start)))
each=$((left / ${#targets[@]}))
if [ "$each" -lt 1 ]; then
    each=1
fi
for target in "${targets[@]}"; do
    corpus="$root/build/fuzz/corpus/$target"
    mkdir -p "$corpus"
    seeds=(fuzz/seeds/"$target"/*)
    if [ "$target" = settings ] || [ "$target" = fix ]; then
        seeds+=(dist/Korvane.ini tests/config/ini_check/*.ini tests/golden/*.ini sim/scenarios/*.ini)
    fi
    if [ "$target" = fix ]; then
        seeds+=(fuzz/seeds/settings/*)
    fi
    for seed in "${seeds[@]}"; do
        copy="$corpus/seed_$(echo "$seed" | tr / _)"
        [ -e "$copy" ] || cp "$seed" "$copy"
    done
    log="build/fuzz/$target.log"
    what="the $target reader"
    [ "$target" = fix ] && what="the fixer"
    echo "== Fuzzing $what for $each s"
    if build/fuzz/fuzz_"$target" "$corpus" -max_total_time="$each" -timeout=20 \
        -rss_limit_mb=4096 -print_final_stats=1 \
        -artifact_prefix="$root/build/fuzz/findings/$target-" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        size=$(find "$corpus" -type f | wc -l)
        echo "   $runs inputs, no finding; corpus of $size inputs"
    else
        echo "FAILED: $what has a finding:"
        grep -E -A25 'invariant broken|ERROR: |runtime error:|deadly signal' "$log" | head -60
        ls build/fuzz/findings/"$target"-* 2>/dev/null || true
        status=1
    fi
done
exit "$status"
