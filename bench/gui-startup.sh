#!/usr/bin/env bash
# gui-startup.sh QUORVEL RUNS: milliseconds from starting the program to the first paint
# of its main window, on a temporary Data folder; each copy is ended by its PID.
set -uo pipefail
program=$1
runs=${2:-5}
for run in $(seq "$runs"); do
    work=$(mktemp -d)
    mkdir -m 700 "$work/runtime"
    start=$(date +%s%3N)
    XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" \
        QUORVEL_REPORT_FIRST_PAINT=1 "$program" --data "$work" 2>"$work/err" &
    pid=$!
    for _ in $(seq 200); do
        grep -q "first paint at" "$work/err" && break
        sleep 0.05
    done
    painted=$(sed -n 's/^first paint at \([0-9]*\) ms$/\1/p' "$work/err" | head -n1)
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    if [[ -n "$painted" ]]; then
        echo "run $run: $((painted - start)) ms"
    else
        echo "run $run: no paint seen"
        cat "$work/err"
    fi
    rm -rf "$work"
done
