#!/usr/bin/env bash
# The Windows desktop's start-up under Wine: time from starting quorvel.exe to its main
# window shown, against an empty Win32 dialog program started the same way in the same run
# (the median of N runs of each, interleaved). In a PID namespace of its own, with Xvfb,
# openbox and trayer, in a fresh Wine prefix.
#
#   bench/run-win32-startup-bench.sh [N]      (default 10)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build64=${QUORVEL_MINGW64_DIR:-$root/build/mingw-x86_64}

if [[ "${1:-}" != --in-namespace ]]; then
    runs=${1:-10}
    [[ -f "$build64/CMakeCache.txt" ]] || cmake --preset mingw-x86_64 -B "$build64" >/dev/null
    cmake --build "$build64" --target quorvel quorvel-driver quorvel-empty-dialog \
        -j "${QUORVEL_JOBS:-$(nproc)}"
    echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
    exec unshare --pid --fork --mount-proc -- env QUORVEL_MINGW64_DIR="$build64" \
        bash "$0" --in-namespace "$runs"
fi
runs=$2

work=$(mktemp -d /tmp/quorvel-startup.XXXXXX)
export WINEPREFIX=$work/prefix HOME=$work/home WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
mkdir -p "$HOME" "$work/data"
# shellcheck source=scripts/wine-desktop.sh
source "$root/scripts/wine-desktop.sh"
cleanup() {
    wine_desktop_stop
    rm -rf "$work"
}
trap cleanup EXIT

wine wineboot -i
wineserver -w
wine_desktop_start
cp "$root"/Data/* "$work/data/"
winpath() { wine winepath -w "$1" 2>/dev/null | tr -d '\r'; }
wine "$build64/bin/quorvel-driver.exe" startup "$runs" "$(winpath "$build64/bin/quorvel.exe")" \
    "$(winpath "$work/data")" "$(winpath "$build64/bin/quorvel-empty-dialog.exe")"
