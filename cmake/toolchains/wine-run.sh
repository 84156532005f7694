#!/usr/bin/env bash
# Runs a Windows program under Wine for CTest. The caller chooses the prefix
# (scripts/test-windows.sh makes a fresh one per run); Wine's chatter is off by default.
export WINEDEBUG=${WINEDEBUG:--all}
exec wine "$@"
