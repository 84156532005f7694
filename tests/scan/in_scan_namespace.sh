#!/usr/bin/env bash
# Runs a command in a PID namespace with its own /proc and in a mount namespace of its
# own, so the scanner sees only the command's processes and a signature folder mounted
# there stays there. Exits 77 (skip) when the system refuses.
set -uo pipefail
if ! unshare --pid --fork --mount-proc --mount true 2>/dev/null; then
    echo "SKIPPED: unshare refused (the scan test needs root for its namespaces)"
    exit 77
fi
exec unshare --pid --fork --mount-proc --mount env QUORVEL_SCAN_NAMESPACE=1 "$@"
