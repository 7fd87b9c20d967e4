#!/usr/bin/env bash
# Runs clang-tidy over the portable sources with the given build folder's compile commands.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/ci}
files=$(git ls-files --cached --others --exclude-standard 'app/*.cpp' 'settings/*.cpp' 'timer/*.cpp' 'about/*.cpp' 'resources/*.cpp' 'ui/headless/*.cpp' 'ui/qt/*.cpp')
# shellcheck disable=SC2086
clang-tidy -p "$build" --quiet --warnings-as-errors='*' $files 2>&1 | grep -v -E '^[0-9]+ warnings? generated' || true
clang-tidy -p "$build" --quiet --warnings-as-errors='*' $files >/dev/null 2>&1
