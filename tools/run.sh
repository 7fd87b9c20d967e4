#!/usr/bin/env bash
# Sets up a Debian 12 or 13 machine, builds the Qt edition and starts Kivano.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh core qt
cmake --preset release
cmake --build --preset release
exec build/release/ui/qt/kivano "$@"
