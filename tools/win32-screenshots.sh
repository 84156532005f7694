#!/usr/bin/env bash
# PNGs of every window of the Windows desktop (quorvel.exe) under Wine, on a temporary Data
# folder, in a PID namespace of its own with Xvfb, openbox and trayer:
#
#   tools/win32-screenshots.sh OUTDIR
#
#   QUORVEL_MINGW64_DIR   the 64-bit build folder (default: build/mingw-x86_64)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build64=${QUORVEL_MINGW64_DIR:-$root/build/mingw-x86_64}

if [[ "${1:-}" != --in-namespace ]]; then
    out=$(realpath -m "${1:?usage: tools/win32-screenshots.sh OUTDIR}")
    mkdir -p "$out"
    if [[ ! -f "$build64/CMakeCache.txt" ]]; then
        cmake --preset mingw-x86_64 -B "$build64" >/dev/null
    fi
    cmake --build "$build64" --target quorvel quorvel-driver -j "${QUORVEL_JOBS:-$(nproc)}"
    exec unshare --pid --fork --mount-proc -- env QUORVEL_MINGW64_DIR="$build64" \
        bash "$0" --in-namespace "$out"
fi
out=$2

work=$(mktemp -d /tmp/quorvel-shots.XXXXXX)
export WINEPREFIX=$work/prefix HOME=$work/home WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
mkdir -p "$HOME" "$work/data" "$work/shots"
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
wine "$build64/bin/quorvel.exe" --data "$(wine winepath -w "$work/data" | tr -d '\r')" \
    >"$work/quorvel.log" 2>&1 &
wine "$build64/bin/quorvel-driver.exe" shoot "$(wine winepath -w "$work/shots" | tr -d '\r')"
python3 "$root/tools/bmp2png.py" "$work"/shots/*.bmp
cp "$work"/shots/*.png "$out/"
wine "$build64/bin/quorvel-driver.exe" close || true
echo "screenshots in $out:"
ls "$out"
