#!/usr/bin/env bash
# Sets up a Debian 12 or 13 machine and runs every test: the behaviour suite and the Qt edition's tests
# (warnings as errors), the Qt edition against the real GNOME Shell, KWin, MATE and Xfce, the behaviour suite again
# under ASan and UBSan, the Win32 edition cross-built with MinGW-w64 and tested under Wine, both
# packages built and tried as a user would, the fuzz targets for a minute each, and clang-tidy.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/deps.sh all

echo "== ci build (warnings as errors)"
cmake --preset ci
cmake --build --preset ci
ctest --preset ci

echo "== real desktops: the Qt edition against GNOME Shell and KWin (and MATE and Xfce on X11 on Debian 12), headless, one at a time"
# As root: Kivano is started in a cgroup scope named after its app id, as a desktop's launcher does.
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
"${as_root[@]}" bash tests/desktop/run.sh
# From Debian 12 the newer desktops are tried too; on Debian 13 itself the stage above already did.
if grep -q '^VERSION_CODENAME=bookworm' /etc/os-release; then
    echo "== the same on Debian 13, in a chroot made with debootstrap"
    "${as_root[@]}" bash tests/desktop/trixie.sh
fi

echo "== sanitizers"
cmake --preset asan
cmake --build --preset asan
ctest --preset asan

echo "== Win32 edition under Wine"
cmake --preset mingw
cmake --build --preset mingw
ctest --preset mingw

echo "== packages: the .deb installed, run and removed; the zip unpacked and run under Wine"
xvfb=(xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp -noreset")
cmake --workflow --preset deb
"${xvfb[@]}" tests/package/deb.sh build/release/kivano_*_amd64.deb build/ci/tests/xpixel build/ci/tests/xclose
cpack --preset zip
"${xvfb[@]}" tests/package/zip.sh build/mingw/Kivano-*-win64.zip "$PWD/build/mingw/wine/zip" \
    "$PWD/build/mingw/tests/win32/driver.exe"

echo "== fuzzing: the settings reader and number texts, a minute each"
tools/fuzz.sh 60

echo "== clang-tidy"
tools/tidy.sh build/ci
