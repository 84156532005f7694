#!/usr/bin/env bash
# Screenshots of the scan panel with a report and of the update window after a finished
# download. For tools/screenshots.sh: source this file and call
#   screenshots_scan_update OUTDIR BUILD_DIR
# with DISPLAY set to an X server (Xvfb). Starts the update tests' HTTP server on
# 127.0.0.1 and ends it by its PID.
screenshots_scan_update() {
    local out=$1 build=$2
    local here
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    local root=$here/../..
    mkdir -p "$out"
    cmake --build "$build" --target scan_update_screens >/dev/null || return 1
    local portfile
    portfile=$(mktemp)
    python3 "$root/tests/update/update_server.py" >"$portfile" &
    local server=$!
    local _
    for _ in $(seq 100); do
        [[ -s "$portfile" ]] && break
        sleep 0.1
    done
    local status=0
    LSAN_OPTIONS=suppressions=$root/tests/gui/lsan.supp QT_QPA_PLATFORM=xcb "$build/bin/scan_update_screens" "$out" \
        "http://127.0.0.1:$(head -n1 "$portfile")" || status=$?
    kill "$server" 2>/dev/null
    wait "$server" 2>/dev/null
    rm -f "$portfile"
    return $status
}

# Run directly: one Xvfb of its own.
if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
    set -euo pipefail
    out=${1:?usage: scan_update.sh OUTDIR [BUILD_DIR]}
    build=${2:-build/test}
    export -f screenshots_scan_update
    xvfb-run -a -s "-screen 0 1280x1024x24" bash -c \
        "source '$(cd "$(dirname "$0")" && pwd)/scan_update.sh'; screenshots_scan_update '$out' '$build'"
fi
