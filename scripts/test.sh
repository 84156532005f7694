#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

# Each step's start, in seconds since the run began, so a slow step shows in CI's log.
step() { echo "test.sh: ${SECONDS}s: $*"; }

step "packages"
bash scripts/install-deps.sh

jobs=$(nproc)
build=build/test
step "native build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_SANITIZE=ON \
    -DQUORVEL_BUILD_TESTS=ON -DQUORVEL_BUILD_BENCH=ON -DQUORVEL_BUILD_GUI=ON
cmake --build "$build" -j "$jobs"

# The Windows build, cross-compiled with mingw-w64 and tested under Wine.
step "Windows build and Wine tests"
if [[ -f scripts/test-windows.sh ]]; then
    bash scripts/test-windows.sh
fi

# Bounded fuzzing runs of every libFuzzer target.
step "fuzzing"
bash scripts/fuzz.sh

# The Debian package: built from a release build and checked without installing it.
step "package"
bash scripts/check-package.sh

step "native tests"
ctest --test-dir "$build" --output-on-failure -j "$jobs"
step "done"
