#!/usr/bin/env bash
# Builds the exec-event benchmarks in Release and runs them (root). Every figure comes
# with its baseline from the same run and the load average at the time:
#  - detection, coverage and trusted-exec overhead on a tmpfs, as PID 1 of a PID and
#    mount namespace of their own (exec_events_bench);
#  - what one exec costs the guard at 100, 1,000 and 10,000 processes, beside the pass over
#    a full listing that each exec cost before (exec_cost_bench, same namespace rule);
#  - the headless guard's CPU over 1,000 sleeping processes with 200 execs a second of a
#    whitelisted program (Alert mode) and of an unknown one (Just Notify mode), by exec
#    events and by the timer alone, and idle;
#  - last, the one run in the machine's own PID namespace: the guard with the proc
#    connector alone, Just Notify, empty lists, no exec marks (it holds and kills nothing),
#    idle over 1,000 sleeping processes, beside the timer alone; it reports the execs of
#    the machine it judged meanwhile.
# Usage: bench/run-exec-bench.sh [BUILD_DIR] [EXECS] [RATE] [SECONDS]
#   (defaults build/release, 1000, 200, 20)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
execs=${2:-1000}
rate=${3:-200}
seconds=${4:-20}
load() { cut -d' ' -f1-2 /proc/loadavg; }

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BUILD_TESTS=OFF \
    -DQUORVEL_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j 2 --target exec_events_bench exec_cost_bench quorvel-cli
cli="$build/bin/quorvel-cli"
inns() { scripts/guard-in-namespace.sh "$@"; }

echo "== exec events: detection, coverage, trusted-exec overhead (load $(load))"
inns "$build/bin/exec_events_bench" "$execs"
echo "== cost of one exec by the number of processes (load $(load))"
inns "$build/bin/exec_cost_bench" 300
echo "== guard CPU over 1000 processes, $rate execs a second, each beside the timer alone"
for kind in trusted unknown; do
    inns bash bench/exec-cpu.sh "$cli" 1000 "$rate" "$seconds" "$kind" auto
    inns bash bench/exec-cpu.sh "$cli" 1000 "$rate" "$seconds" "$kind" none
done
inns bash bench/exec-cpu.sh "$cli" 1000 0 "$seconds" trusted auto
echo "== idle guard over 1000 processes in the machine's own PID namespace: proc connector"
echo "   alone, Just Notify, empty lists, no exec marks; then the timer alone"
QUORVEL_JUST_NOTIFY=1 QUORVEL_GUARD_ARGS="--events connector" bash bench/guard-cpu.sh \
    "$cli" 1000 "$seconds"
QUORVEL_JUST_NOTIFY=1 QUORVEL_GUARD_ARGS="--events none" bash bench/guard-cpu.sh \
    "$cli" 1000 "$seconds"
