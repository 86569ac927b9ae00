#!/usr/bin/env bash
# Builds the plug-in and the substitute host, then plays twenty minutes of the
# default town scenario: the hotkey switches the plug-in on in the first
# second, the summary tells what it did to the traffic, and a replay page
# shows it in a browser.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)" --target korvane-sim Korvane
page="$PWD/build/linux/town-replay.html"
status=0
build/linux/korvane-sim --scenario sim/scenarios/town.json --frames 72000 --seed 1 \
    --html "$page" "$@" || status=$?
if [ -s "$page" ]; then
    echo
    echo "Replay page: $page"
    echo "Open it in a browser: file://$page"
fi
exit "$status"
