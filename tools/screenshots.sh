#!/usr/bin/env bash
# tools/screenshots.sh OUTDIR: PNGs of the desktop program's main window on each panel and
# of its other windows, taken under Xvfb with a notification area, on a temporary Data
# folder, in a PID namespace of its own (the alert shot holds a process the run starts).
# QUORVEL_BUILD names the build folder (default build/release, built when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:?usage: tools/screenshots.sh OUTDIR}")
build=${QUORVEL_BUILD:-build/release}
# A sanitized build would count the system libraries' lifelong allocations as leaks.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}

if [[ ! -d "$build" ]]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BUILD_TESTS=OFF \
        -DQUORVEL_BUILD_GUI=ON
fi
cmake --build "$build" --target quorvel-screenshots -j 2

mkdir -p "$out"
scripts/guard-in-namespace.sh scripts/xvfb-with-tray.sh "$build/bin/quorvel-screenshots" "$out"

# The tool windows need the mingw samples and the scan/update shots the update tests'
# server: both come with a build that has its tests.
if [[ -f "$build/tests/pe/fixtures/hook_program.exe" ]]; then
    cmake --build "$build" --target quorvel-shoot-tool-windows -j 2
    tools/screenshots/shoot-tool-windows.sh "$build" "$out"
else
    echo "screenshots: no mingw samples in $build, analysis and policy windows left out" >&2
fi
if [[ -f "$build/CTestTestfile.cmake" ]]; then
    bash tools/screenshots/scan_update.sh "$out" "$build"
else
    echo "screenshots: $build has no tests, scan and update windows left out" >&2
fi
