#!/usr/bin/env bash
# Screenshots of the analysis and the registry policy windows under a private Xvfb.
#   tools/screenshots/shoot-tool-windows.sh BUILD_DIR OUT_DIR
# BUILD_DIR is a GUI build with tests (for the mingw samples); the policy window reads a
# throw-away registry with a few values set, never the user's own.
set -euo pipefail
build=$(realpath "$1")
out=$(realpath -m "$2")
shooter="$build/bin/quorvel-shoot-tool-windows"
sample="$build/tests/pe/fixtures/hook_program.exe"
[[ -x $shooter ]] || { echo "build quorvel-shoot-tool-windows first" >&2; exit 1; }
[[ -f $sample ]] || { echo "build pe_fixtures first (needs mingw-w64)" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/hkcu"
printf '%s\n' 'REGEDIT4' '' \
    '[HKEY_CURRENT_USER\SOFTWARE\Microsoft\Windows\CurrentVersion\Policies\System]' \
    '"DisableTaskMgr"=dword:00000001' '"DisableCMD"=dword:00000001' '' \
    '[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\Advanced]' \
    '"Hidden"=dword:00000002' >"$work/hkcu/HKEY_CURRENT_USER.reg"

display=99
while [[ -e /tmp/.X$display-lock ]]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X$display ]] && break; sleep 0.1; done

DISPLAY=":$display" QUORVEL_REGISTRY_HKCU="$work/hkcu" QUORVEL_REGISTRY_HKLM="$work/hklm" \
    QUORVEL_AUTOSTART_DIR="$work/autostart" LSAN_OPTIONS=detect_leaks=0 \
    "$shooter" "$out" "$sample"
echo "saved: $out/frmAnalyze.png $out/frmRegedit.png $out/frmRegedit-network.png"
