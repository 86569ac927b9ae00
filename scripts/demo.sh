#!/usr/bin/env bash
# Builds the plug-in and the substitute host, then plays twenty minutes of the
# default town scenario: the hotkey switches the plug-in on in the first
# second, and the summary tells what it did to the traffic.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)" --target korvane-sim Korvane
exec build/linux/korvane-sim --scenario sim/scenarios/town.json --frames 72000 --seed 1 "$@"
