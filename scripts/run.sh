#!/usr/bin/env bash
# Installs what is needed, builds Quorvel and starts it: the desktop window when a display
# is available, otherwise the guard on this terminal.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build=${QUORVEL_BUILD:-build/release}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BUILD_TESTS=OFF \
    -DQUORVEL_BUILD_GUI=ON
cmake --build "$build" -j "$(nproc)"

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
    # The window list and the popup's placement need X11: on Wayland run through XWayland.
    if [[ -n "${WAYLAND_DISPLAY:-}" ]]; then
        export QT_QPA_PLATFORM=xcb
    fi
    exec "$build/bin/quorvel" "$@"
fi

echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): starting the guard on this terminal."
exec "$build/bin/quorvel-cli" guard "$@"
