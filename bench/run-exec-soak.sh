#!/usr/bin/env bash
# Soak of the guard on exec events: `quorvel-cli guard` in Alert mode, without a terminal
# (every alert is blocked at once), watching a tmpfs of its own, while a launcher starts an
# unknown program there RATE times a second and kills each one HOLD seconds later, as a
# launcher's timeout would. Prints the guard's descriptors, suspend records and resident
# memory every INTERVAL seconds: flat is the goal. Runs as PID 1 of its own PID and mount
# namespace (root), so the guard can hold nothing else.
# Usage: bench/run-exec-soak.sh CLI [MINUTES] [RATE] [INTERVAL]   (defaults 15, 20, 60)
set -euo pipefail
cli=$(realpath "$1")
minutes=${2:-15}
rate=${3:-20}
interval=${4:-60}
hold=0.5

if [ -z "${QUORVEL_SOAK_INSIDE:-}" ]; then
    exec unshare --pid --fork --mount-proc --mount --propagation private \
        env QUORVEL_SOAK_INSIDE=1 bash "$0" "$cli" "$minutes" "$rate" "$interval"
fi

top=$(mktemp -d /tmp/quorvel-soak-XXXXXX)
watched=$top/watched
mkdir -p "$watched" "$top/data" "$top/runtime"
chmod 700 "$top/runtime"
mount -t tmpfs -o size=16m tmpfs "$watched"
cp /usr/bin/sleep "$watched/soakprog"
# What this script itself runs, so that only the launcher's programs are held.
printf 'kenal|bash dash sleep kill env ls wc grep cut cat mawk gawk awk head date mount ps seq\r\n' \
    >"$top/data/whitelist.db"

# ASan keeps freed memory in quarantine: a small one, so that the resident size shows
# what the guard keeps.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=4:detect_leaks=0}
env XDG_RUNTIME_DIR="$top/runtime" "$cli" guard --data "$top/data" --watch "$watched" \
    --interval 0.25 >"$top/guard.log" 2>&1 &
guard=$!
for _ in $(seq 100); do
    grep -q "Ctrl-C ends" "$top/guard.log" 2>/dev/null && break
    sleep 0.1
done
head -1 "$top/guard.log"

report() {
    local fds records rss lines
    fds=$(ls /proc/$guard/fd | wc -l)
    records=$(ls "$top/runtime/quorvel" 2>/dev/null | grep -c '^held-' || true)
    rss=$(awk '/^VmRSS/ {print $2}' /proc/$guard/status)
    lines=$(wc -l <"$top/guard.log")
    printf '%6ss  descriptors %5s  suspend records %5s  RSS %7s kB  log lines %7s  load %s\n' \
        "$1" "$fds" "$records" "$rss" "$lines" "$(cut -d' ' -f1-3 /proc/loadavg)"
}

# Paced by the clock, without a program per step: the forks' own cost does not slow
# the rate.
micros() { local t=${EPOCHREALTIME/./}; echo $((10#$t)); }
launcher() {
    local end=$((SECONDS + minutes * 60))
    local started=0
    local begin
    begin=$(micros)
    while [ $SECONDS -lt $end ]; do
        "$watched/soakprog" 30 &
        local program=$!
        (sleep $hold; kill -9 $program 2>/dev/null) &
        started=$((started + 1))
        local wait=$((begin + started * 1000000 / rate - $(micros)))
        if [ $wait -gt 0 ]; then
            printf -v pause '%d.%06d' $((wait / 1000000)) $((wait % 1000000))
            sleep "$pause"
        fi
    done
    wait
    echo "launcher: $started programs started in $((minutes * 60)) s"
}

report 0
launcher 2>/dev/null &
runner=$!
start=$SECONDS
while kill -0 $runner 2>/dev/null; do
    sleep "$interval" &
    wait $! || true
    kill -0 $runner 2>/dev/null && report $((SECONDS - start))
done
wait $runner || true
sleep 2
report $((SECONDS - start))
echo "after the run: $(grep -c '| Blocked |' "$top/guard.log") blocked, $(grep -c '| Not held |' "$top/guard.log") not held"
kill -TERM $guard
started=$SECONDS
wait $guard || true
echo "guard exited in $((SECONDS - started)) s; still stopped: $(ps -eo stat= | grep -c '^T' || true)"
umount "$watched"
rm -rf "$top"
