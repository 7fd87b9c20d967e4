#!/usr/bin/env bash
# Sets up a Debian 12 machine and runs every test: the behaviour suite and the Qt edition's tests
# (warnings as errors), the behaviour suite again under ASan and UBSan, the Win32 edition cross-built
# with MinGW-w64 and tested under Wine, and clang-tidy.
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

echo "== Win32 edition under Wine"
cmake --preset mingw
cmake --build --preset mingw
ctest --preset mingw

echo "== clang-tidy"
tools/tidy.sh build/ci
