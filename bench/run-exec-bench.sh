#!/usr/bin/env bash
# Builds the exec-event benchmarks in Release and runs them as PID 1 of their own PID and
# mount namespace (root): detection, coverage and trusted-exec overhead on a tmpfs of their
# own, then the headless guard's idle CPU over 1000 sleeping processes with the proc
# connector (no fanotify mark at all) and with the timer alone, for comparison.
# Usage: bench/run-exec-bench.sh [BUILD_DIR] [EXECS]   (defaults build/bench-exec, 1000)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/bench-exec}
execs=${2:-1000}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BUILD_TESTS=OFF \
    -DQUORVEL_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j 2 --target exec_events_bench quorvel-cli

echo "== exec events: detection, coverage, trusted-exec overhead"
scripts/guard-in-namespace.sh "$build/bin/exec_events_bench" "$execs"
echo "== idle guard over 1000 processes: proc connector (timer passes skipped while quiet)"
QUORVEL_GUARD_ARGS="--events connector" scripts/guard-in-namespace.sh bash bench/guard-cpu.sh \
    "$build/bin/quorvel-cli" 1000 20
echo "== idle guard over 1000 processes: timer alone"
QUORVEL_GUARD_ARGS="--events none" scripts/guard-in-namespace.sh bash bench/guard-cpu.sh \
    "$build/bin/quorvel-cli" 1000 20
