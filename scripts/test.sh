#!/usr/bin/env bash
# Builds and runs every test: the Linux tests, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, a short chaos soak and a
# minute of fuzzing (the readers and the fixer) under the same sanitizers, and
# the Windows build with its test under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs="$(nproc)"

echo "== Linux build and tests"
cmake --preset linux
cmake --build --preset linux -j "$jobs"
ctest --preset linux -j "$jobs"

echo "== Benchmark, once with the fewest iterations (the figures: scripts/bench.sh)"
scripts/bench.sh --quick --no-baseline

echo "== Sanitizer build and tests"
cmake --preset sanitize
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"

echo "== Chaos soak under the sanitizers (short)"
KORVANE_JOBS="$jobs" scripts/soak.sh 20000

echo "== Fuzzing the readers and the fixer (60 s)"
KORVANE_JOBS="$jobs" scripts/fuzz.sh 60

echo "== Windows build and Wine test"
cmake --preset windows
cmake --build --preset windows -j "$jobs"
cmake --build --preset windows -j "$jobs" --target korvane_package
tests/wine/run_wine_test.sh build/linux build/windows
echo "== All tests passed"
