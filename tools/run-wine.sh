#!/usr/bin/env bash
# Builds the Windows edition with MinGW-w64 and runs it under Wine (needs a display).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh core win32
cmake --preset mingw
cmake --build --preset mingw --target kivano kivano_win32_support
cd build/mingw/ui/win32
exec wine kivano.exe
