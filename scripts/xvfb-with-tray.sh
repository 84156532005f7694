#!/usr/bin/env bash
# Runs a command on a fresh Xvfb display with a window manager (openbox, where installed)
# and a notification area (trayer), then ends them by their PIDs. Used inside
# scripts/guard-in-namespace.sh, so the X server, the manager and the tray are already
# running when the program under test takes its first snapshot.
set -uo pipefail
for tool in Xvfb trayer xwininfo; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is missing (bash scripts/install-deps.sh installs it)"
        exit 77
    fi
done

work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
    [[ -s "$work/display" ]] && break
    sleep 0.1
done
if [[ ! -s "$work/display" ]]; then
    echo "Xvfb did not start:"
    cat "$work/xvfb.log"
    kill "$xvfb" 2>/dev/null
    exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"

manager=
if command -v openbox >/dev/null; then
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    manager=$!
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
        sleep 0.1
    done
fi

trayer --edge bottom --align right --widthtype pixel --width 160 --height 28 \
    >"$work/trayer.log" 2>&1 &
tray=$!
for _ in $(seq 100); do
    xwininfo -root -tree 2>/dev/null | grep -q '"panel"' && break
    sleep 0.1
done

QT_QPA_PLATFORM=xcb "$@"
status=$?

kill "$tray" $manager "$xvfb" 2>/dev/null
wait "$tray" $manager "$xvfb" 2>/dev/null
rm -rf "$work"
exit "$status"
