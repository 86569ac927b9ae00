#!/usr/bin/env bash
# Makes the README's picture of the replay page: the twenty-minute town run,
# written with --html and photographed by headless Chromium part-way through.
#
#   scripts/replay-screenshot.sh [OUTPUT.png]     (default docs/replay-page.png)
#
# KORVANE_SHOT_SCENARIO, KORVANE_SHOT_FRAMES and KORVANE_SHOT_VIEW (the page's
# #frame=N&zoom=Z) change what is shown.
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-docs/replay-page.png}"
scenario="${KORVANE_SHOT_SCENARIO:-sim/scenarios/town.json}"
frames="${KORVANE_SHOT_FRAMES:-72000}"
view="${KORVANE_SHOT_VIEW:-frame=69780&zoom=1.6}"

scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux -j2 --target korvane-sim Korvane >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
build/linux/korvane-sim --scenario "$scenario" --frames "$frames" --seed 1 --quiet \
    --html "$work/page.html"
# As root on a machine without network: no sandbox, no background fetches.
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --hide-scrollbars --user-data-dir="$work/profile" \
    --window-size=1280,760 --force-device-scale-factor=0.8 --virtual-time-budget=5000 \
    --screenshot="$work/shot.png" "file://$work/page.html#$view" >/dev/null 2>&1
if command -v optipng >/dev/null; then
    optipng -quiet -o2 "$work/shot.png"
fi
mkdir -p "$(dirname "$out")"
cp "$work/shot.png" "$out"
echo "$out: $(wc -c <"$out") bytes"
