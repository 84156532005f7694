#!/usr/bin/env bash
# Installs what is needed, builds Quorvel and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BUILD_TESTS=OFF
cmake --build "$build" -j "$(nproc)"

exec "$build/bin/quorvel-cli" guard "$@"
