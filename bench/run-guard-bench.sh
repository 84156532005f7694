#!/usr/bin/env bash
# Builds the guard's benchmarks in Release and runs them: the synthetic ones as they are,
# the ones over real processes and the headless guard's CPU use each in a PID namespace
# of their own, so that the guard can hold or kill nothing but their sleeping children.
# Usage: bench/run-guard-bench.sh [BUILD_DIR]     (default build/bench-guard)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/bench-guard}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BUILD_TESTS=OFF \
    -DQUORVEL_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j 2 --target guard_bench guard_real_bench quorvel-cli

echo "== comparison and handling on synthetic process lists"
"$build/bin/guard_bench"
echo "== one tick over real processes, and reading /proc/PID/stat alone"
scripts/guard-in-namespace.sh "$build/bin/guard_real_bench"
echo "== the headless guard at 250 ms over 1000 processes"
scripts/guard-in-namespace.sh bash bench/guard-cpu.sh "$build/bin/quorvel-cli" 1000 20
