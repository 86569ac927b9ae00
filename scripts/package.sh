#!/usr/bin/env bash
# Builds the players' package, build/windows/Korvane-<version>-win64.zip:
# Korvane.asi, Korvane.ini, korvane-ini-check.exe and README.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target korvane_package
ls build/windows/Korvane-*-win64.zip
