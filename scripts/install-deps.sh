#!/usr/bin/env bash
# Installs, with apt, whatever the build and the tests need and this machine
# lacks. Needs root (or sudo) only when something is missing.
set -euo pipefail

packages=(
    cmake make g++ git
    googletest libgtest-dev libbenchmark-dev
    nlohmann-json3-dev libcli11-dev
    clang-14 libclang-rt-14-dev
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    wine64
    chromium libpng-dev
)
missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
