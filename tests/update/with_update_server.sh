#!/usr/bin/env bash
# Runs a command with the update tests' HTTP server on 127.0.0.1, telling it where the
# server is in QUORVEL_UPDATE_TEST_URL, and ends the server by its PID afterwards.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
QUORVEL_HTTP_SERVER_SCRIPT="$here/update_server.py" QUORVEL_HTTP_URL_VARIABLE=QUORVEL_UPDATE_TEST_URL \
    exec bash "$here/../platform/contract/with_http_server.sh" "$@"
