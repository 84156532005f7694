#!/usr/bin/env bash
# Runs a command as PID 1 of a new PID namespace with its own /proc, so that a guard it
# starts sees, and can hold or kill, only the command's own processes.
# Exits 77 (the tests' skip code) when the system refuses the namespace.
set -uo pipefail
if ! unshare --pid --fork --mount-proc true 2>/dev/null; then
    echo "SKIPPED: unshare refused (a new PID namespace needs root or user namespaces)"
    exit 77
fi
exec unshare --pid --fork --mount-proc env QUORVEL_PID_NAMESPACE=1 "$@"
