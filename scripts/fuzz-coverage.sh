#!/usr/bin/env bash
# The line coverage that the fuzz corpus (build/fuzz/corpus/, grown by
# scripts/fuzz.sh) reaches in the settings reading code (src/config/) and the
# settings checker (sim/checker/): every corpus input is run once through its
# fuzz target built with clang's source-based coverage (the fuzz-coverage
# preset), and llvm-cov reports the lines of those two folders.
#
#   scripts/fuzz-coverage.sh
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="${KORVANE_JOBS:-2}"

cmake --preset fuzz-coverage >/dev/null
cmake --build --preset fuzz-coverage -j "$jobs"

out="$(pwd)/build/fuzz-coverage/profiles"
rm -rf "$out"
mkdir -p "$out"
binaries=()
for target in settings sibling model_list fix; do
    corpus="$(pwd)/build/fuzz/corpus/$target"
    if [ ! -d "$corpus" ]; then
        echo "no corpus for $target: run scripts/fuzz.sh first" >&2
        exit 1
    fi
    LLVM_PROFILE_FILE="$out/$target.profraw" build/fuzz-coverage/fuzz_"$target" -runs=0 \
        -rss_limit_mb=4096 "$corpus" >"$out/$target.log" 2>&1
    binaries+=(-object "build/fuzz-coverage/fuzz_$target")
done
llvm-profdata-14 merge -sparse "$out"/*.profraw -o "$out/corpus.profdata"
llvm-cov-14 report -instr-profile="$out/corpus.profdata" "${binaries[@]:1}" \
    "$(pwd)/src/config" "$(pwd)/sim/checker"
