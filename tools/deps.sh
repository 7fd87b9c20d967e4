#!/usr/bin/env bash
# Installs the Debian 12 packages a build needs. Usage: tools/deps.sh [core|qt|win32|package|bench|fuzz|all]...
set -euo pipefail

core=(cmake ninja-build g++ googletest libgtest-dev libbenchmark-dev clang-tidy clang-format locales)
qt=(qt6-base-dev qt6-wayland libx11-dev xvfb xauth xdotool xprintidle x11-utils x11-xserver-utils openbox
    dbus-daemon python3-dbus python3-gi weston at-spi2-core python3-pyatspi
    xserver-xorg-core xserver-xorg-video-dummy qt6-base-private-dev libwayland-dev libwayland-bin wayland-protocols
    pkgconf sway swayidle)
package=(dpkg-dev lintian desktop-file-utils appstream)
bench=(valgrind)
fuzz=(clang libclang-rt-14-dev)
win32=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev wine wine64 xvfb xauth xdotool)

packages=()
for set in "${@:-all}"; do
    case "$set" in
    core) packages+=("${core[@]}") ;;
    qt) packages+=("${qt[@]}") ;;
    win32) packages+=("${win32[@]}") ;;
    package) packages+=("${package[@]}") ;;
    bench) packages+=("${bench[@]}") ;;
    fuzz) packages+=("${fuzz[@]}") ;;
    all) packages+=("${core[@]}" "${qt[@]}" "${win32[@]}" "${package[@]}" "${fuzz[@]}") ;;
    *) echo "unknown package set: $set" >&2; exit 2 ;;
    esac
done

# labwc comes with Debian 13; on Debian 12 its end-to-end test is left out.
if [[ " ${packages[*]} " == *" sway "* ]] && apt-cache show labwc >/dev/null 2>&1; then packages+=(labwc); fi

missing=()
# A locale with a decimal comma, for the tests that switch the C library's numeric locale.
want_locale=0
[[ " ${packages[*]} " == *" locales "* ]] && ! locale -a 2>/dev/null | grep -qi '^de_DE.utf-\?8$' && want_locale=1

for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update
    $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
if [ $want_locale -eq 1 ]; then
    $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8 || true
fi
