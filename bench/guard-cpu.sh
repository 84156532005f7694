#!/usr/bin/env bash
# Run as PID 1 of its own PID namespace (see run-guard-bench.sh). Starts sleeping processes
# up to TOTAL, runs `quorvel-cli guard` at 250 ms over them for SECONDS and prints the CPU
# time it used (utime + stime from /proc/PID/stat) as a share of one core.
# Usage: guard-cpu.sh CLI [TOTAL] [SECONDS]
set -euo pipefail
cli=$1
total=${2:-1000}
seconds=${3:-20}

data=$(mktemp -d)
# QUORVEL_JUST_NOTIFY=1: Just Notify mode, which only announces (holds and kills nothing).
[[ ${QUORVEL_JUST_NOTIFY:-0} == 1 ]] && printf '[QUORVEL]\r001-0\r002-1\r' >"$data/main.ini"
ticks_per_second=$(getconf CLK_TCK)
mkfifo "$data/never"
exec 3<>"$data/never"
# Waits without starting a process: the guard would hold any new one.
pause() { read -r -t "$1" -u 3 || true; }
cpu_ticks() {
    local fields
    read -r -a fields <"/proc/$1/stat"
    echo $((fields[13] + fields[14]))
}
now_ms() { local t=${EPOCHREALTIME/./}; echo $((t / 1000)); }

sleepers=()
for ((i = 2; i < total; i++)); do
    sleep 3600 &
    sleepers+=($!)
done
# QUORVEL_GUARD_ARGS picks the event source (default: none, the timer alone).
# shellcheck disable=SC2086
"$cli" guard --data "$data" --interval 0.25 ${QUORVEL_GUARD_ARGS:---events none} </dev/null >"$data/out.txt" 2>&1 &
guard=$!
pause 3

start_ticks=$(cpu_ticks "$guard")
start_ms=$(now_ms)
pause "$seconds"
used_ms=$((($(cpu_ticks "$guard") - start_ticks) * 1000 / ticks_per_second))
# Per thread, since the guard started: the engine, the events' thread, the audit's writer.
threads=""
for task in /proc/"$guard"/task/*; do
    threads+=" $(<"$task/comm")=$(($(cpu_ticks "$guard/task/${task##*/}") * 1000 / ticks_per_second))ms"
done
wall_ms=$(($(now_ms) - start_ms))

kill -TERM "$guard"
wait "$guard" || true
{
    kill -KILL "${sleepers[@]}"
    wait "${sleepers[@]}"
} 2>/dev/null || true

head -n 1 "$data/out.txt"
percent_x100=$((used_ms * 10000 / wall_ms))
# Decision lines while measured and after: the programs the guard judged meanwhile.
judged=$(grep -c '^[0-9].* | .* | [0-9]* | ' "$data/out.txt" || true)
printf 'guard CPU: %d ms in %d ms = %d.%02d%% of one core; %d programs judged (%d.%01d/s); load %s\n' \
    "$used_ms" "$wall_ms" $((percent_x100 / 100)) $((percent_x100 % 100)) "$judged" \
    $((judged * 1000 / wall_ms)) $((judged * 10000 / wall_ms % 10)) "$(cut -d' ' -f1-2 /proc/loadavg)"
echo "  per thread since start (engine, events, audit):$threads"
rm -rf "$data"
