#!/usr/bin/env bash
# Run as PID 1 of its own PID and mount namespace (run-exec-bench.sh). Starts sleeping
# processes up to TOTAL, runs `quorvel-cli guard` over them watching a tmpfs of its own,
# and runs a program from that tmpfs RATE times a second for SECONDS. Prints the guard's
# CPU time as a share of one core, the exec rate reached and the load average.
# Usage: exec-cpu.sh CLI TOTAL RATE SECONDS trusted|unknown EVENTS
#   trusted: whitelisted, Alert mode; unknown: Just Notify mode.
#   EVENTS: auto (fanotify on the tmpfs) or none (the timer alone), for the baseline.
set -euo pipefail
cli=$1
total=$2
rate=$3
seconds=$4
kind=$5
events=$6

data=$(mktemp -d)
programs=$(mktemp -d)
mount -t tmpfs -o size=16m tmpfs "$programs"
cp /bin/true "$programs/$kind"
ticks_per_second=$(getconf CLK_TCK)
mkfifo "$data/never"
exec 3<>"$data/never"
pause() { read -r -t "$1" -u 3 || true; }
cpu_ticks() {
    local fields
    read -r -a fields <"/proc/$1/stat"
    echo $((fields[13] + fields[14]))
}
now_us() { echo $((${EPOCHREALTIME/./})); }

if [[ $kind == trusted ]]; then
    printf 'kenal|trusted\r\n' >"$data/whitelist.db"
else
    printf '[QUORVEL]\r001-0\r002-1\r' >"$data/main.ini"
fi

sleepers=()
for ((i = 3; i < total; i++)); do
    sleep 3600 &
    sleepers+=($!)
done
watch=()
[[ $events == auto ]] && watch=(--watch "$programs")
"$cli" guard --data "$data" --interval 0.25 --events "$events" "${watch[@]}" </dev/null \
    >"$data/out.txt" 2>&1 &
guard=$!
pause 3

start_ticks=$(cpu_ticks "$guard")
start_us=$(now_us)
period_us=$((1000000 / (rate > 0 ? rate : 1)))
runs=0
end_us=$((start_us + seconds * 1000000))
next_us=$start_us
while :; do
    now=${EPOCHREALTIME/./} # no subshell: a fork would be a process of its own
    ((now < end_us)) || break
    if ((rate > 0 && now >= next_us)); then
        "$programs/$kind"
        runs=$((runs + 1))
        next_us=$((next_us + period_us))
    else
        wait_us=$((rate > 0 ? next_us - now : end_us - now))
        if ((wait_us > 0)); then
            printf -v delay '0.%06d' $((wait_us > 999999 ? 999999 : wait_us))
            pause "$delay"
        fi
    fi
done
used_ms=$((($(cpu_ticks "$guard") - start_ticks) * 1000 / ticks_per_second))
threads=""
for task in /proc/"$guard"/task/*; do
    threads+=" $(<"$task/comm")=$(($(cpu_ticks "$guard/task/${task##*/}") * 1000 / ticks_per_second))ms"
done
wall_ms=$((($(now_us) - start_us) / 1000))

kill -TERM "$guard"
wait "$guard" || true
{
    kill -KILL "${sleepers[@]}"
    wait "${sleepers[@]}"
} 2>/dev/null || true

percent_x100=$((used_ms * 10000 / wall_ms))
decisions=$(grep -c "| $kind |" "$data/out.txt" || true)
printf '%s, %d processes, %s %s at %d.%01d/s (%d runs, %d judged): guard CPU %d ms in %d ms = %d.%02d%% of one core; load %s\n' \
    "$(head -n 1 "$data/out.txt" | sed 's/.*new programs by //; s/; Ctrl-C ends//')" "$total" "$kind" \
    "$([[ $events == auto ]] && echo 'exec events' || echo 'timer only')" \
    $((runs * 1000 / wall_ms)) $((runs * 10000 / wall_ms % 10)) "$runs" "$decisions" \
    "$used_ms" "$wall_ms" $((percent_x100 / 100)) $((percent_x100 % 100)) \
    "$(cut -d' ' -f1-2 /proc/loadavg)"
echo "  per thread since start (engine, events, audit):$threads"
umount "$programs"
rm -rf "$data" "$programs"
