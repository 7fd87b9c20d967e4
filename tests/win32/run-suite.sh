#!/usr/bin/env bash
# Runs a console test exe under Wine in the build's test prefix.
# Usage: run-suite.sh PREFIX-FOLDER EXE [ARGS...]
set -euo pipefail
. "$(dirname "$0")/wine-env.sh" "$1"
shift
status=0
timeout 300 wine "$@" || status=$?
timeout 60 wineserver -k || true
exit $status
