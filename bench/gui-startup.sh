#!/usr/bin/env bash
# gui-startup.sh QUORVEL RUNS: milliseconds from starting the program to the first paint
# of its main window, on a temporary Data folder; each copy is ended by its PID. While the
# program runs only shell builtins run here: the guard would hold any new process. It
# marks no filesystem for exec events (--events none): the figures stay comparable.
set -uo pipefail
program=$1
runs=${2:-5}
for run in $(seq "$runs"); do
    work=$(mktemp -d)
    mkdir -m 700 "$work/runtime"
    mkfifo "$work/err"
    start=${EPOCHREALTIME/./}
    XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" \
        QUORVEL_REGISTRY_HKCU="$work/hkcu" QUORVEL_REGISTRY_HKLM="$work/hklm" \
        QUORVEL_AUTOSTART_DIR="$work/autostart" \
        QUORVEL_REPORT_FIRST_PAINT=1 "$program" --data "$work" --events none 2>"$work/err" &
    pid=$!
    painted=""
    exec 4<"$work/err"
    while IFS= read -r -t 30 line <&4; do
        if [[ $line =~ ^first\ paint\ at\ ([0-9]+)\ ms,\ cpu\ ([0-9]+)\ ms$ ]]; then
            painted=${BASH_REMATCH[1]}
            cpu=${BASH_REMATCH[2]}
            break
        fi
    done
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    exec 4<&-
    if [[ -n "$painted" ]]; then
        echo "run $run: $((painted - start / 1000)) ms ($cpu ms of processor time)"
    else
        echo "run $run: no paint seen"
    fi
    rm -rf "$work"
done
