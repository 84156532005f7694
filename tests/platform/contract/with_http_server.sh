#!/usr/bin/env bash
# Runs a command with the contract tests' HTTP server on 127.0.0.1, telling it where the
# server is in QUORVEL_TEST_HTTP_URL, and ends the server by its PID afterwards. Other
# tests name their own server and variable in QUORVEL_HTTP_SERVER_SCRIPT and
# QUORVEL_HTTP_URL_VARIABLE.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
portfile=$(mktemp)
python3 "${QUORVEL_HTTP_SERVER_SCRIPT:-$here/http_server.py}" >"$portfile" &
server=$!
cleanup() {
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    rm -f "$portfile"
}
trap cleanup EXIT
for _ in $(seq 100); do
    [[ -s "$portfile" ]] && break
    sleep 0.1
done
port=$(head -n1 "$portfile")
[[ -n "$port" ]] || { echo "with_http_server: the server did not start" >&2; exit 1; }
export "${QUORVEL_HTTP_URL_VARIABLE:-QUORVEL_TEST_HTTP_URL}=http://127.0.0.1:$port"
"$@"
