#!/usr/bin/env bash
# Builds the Debian package from a release build with the desktop program:
# build/package/quorvel_VERSION_amd64.deb.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build=build/package-release
out="$PWD/build/package"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BUILD_GUI=ON \
    -DQUORVEL_BUILD_TESTS=OFF -DQUORVEL_BUILD_BENCH=OFF -DQUORVEL_PACKAGE=ON
cmake --build "$build" -j "$(nproc)"

mkdir -p "$out"
rm -f "$out"/quorvel_*.deb
cpack --config "$build/CPackConfig.cmake" -B "$out"
rm -rf "$out/_CPack_Packages"
ls "$out"/quorvel_*.deb
