#!/usr/bin/env bash
# The desktop program's figures, in Release, each in a PID namespace of its own:
# - a guard tick on the user-interface thread over about 1,000 processes;
# - start-up to the first paint of the main window, under Xvfb.
# Usage: bench/run-gui-bench.sh [BUILD_DIR]     (default build/bench-gui)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/bench-gui}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BUILD_TESTS=OFF \
    -DQUORVEL_BUILD_BENCH=ON -DQUORVEL_BUILD_GUI=ON >/dev/null
cmake --build "$build" -j 2 --target gui_tick_bench quorvel

echo "== a guard tick on the user-interface thread, 1000 processes"
scripts/guard-in-namespace.sh "$build/bin/gui_tick_bench"
echo "== start-up to the first paint of the main window (5 runs)"
scripts/guard-in-namespace.sh scripts/xvfb-with-tray.sh bash bench/gui-startup.sh "$build/bin/quorvel" 5
