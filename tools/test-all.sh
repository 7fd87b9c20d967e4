#!/usr/bin/env bash
# Sets up a Debian 12 machine and runs every test: the behaviour suite (warnings as errors, then under
# ASan and UBSan), clang-tidy, and the real editions' tests where they are built.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/deps.sh all

echo "== ci build (warnings as errors)"
cmake --preset ci
cmake --build --preset ci
ctest --preset ci

echo "== sanitizers"
cmake --preset asan
cmake --build --preset asan
ctest --preset asan

echo "== clang-tidy"
tools/tidy.sh build/ci
