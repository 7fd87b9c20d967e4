#!/usr/bin/env bash
# Installs the Debian packages a build needs (Debian 12 and 13 alike).
# Usage: tools/deps.sh [core|qt|win32|package|bench|fuzz|desktop|x11|all]...   (all: every set but x11)
set -euo pipefail

core=(cmake ninja-build g++ googletest libgtest-dev libbenchmark-dev clang-tidy clang-format locales)
qt=(qt6-base-dev qt6-wayland libx11-dev libxcb-xtest0-dev xinput xvfb xauth xdotool xprintidle x11-utils x11-xserver-utils openbox
    dbus-daemon python3-dbus python3-dbusmock python3-gi weston at-spi2-core python3-pyatspi
    xserver-xorg-core xserver-xorg-video-dummy qt6-base-private-dev libwayland-dev libwayland-bin wayland-protocols
    pkgconf sway swayidle)
package=(dpkg-dev lintian desktop-file-utils appstream)
bench=(valgrind)
# The default clang and its runtime, whichever version the release carries (14 on Debian 12, 19 on 13).
fuzz=(clang libclang-rt-dev)
# The real desktops the Wayland path is tried against (tests/desktop): GNOME Shell headless under
# gnome-session, KWin virtual with PowerDevil, each with its portal backend; the accessibility bus and
# the bus tools the checks use; python3-dbusmock for logind and GNOME's display manager, which the screen
# lockers need; idle_watch's protocol; debootstrap for the same on Debian 13 in a chroot; Qt's GTK theme
# plugin, which the package recommends, as a user has it.
desktop=(gnome-shell mutter gnome-session-bin gnome-settings-daemon xdg-desktop-portal xdg-desktop-portal-gnome
    xdg-desktop-portal-gtk xwayland libegl-mesa0 libgl1-mesa-dri fonts-cantarell adwaita-icon-theme
    kwin-wayland xdg-desktop-portal-kde powerdevil plasma-workspace
    dbus-daemon dbus-bin libglib2.0-bin at-spi2-core python3-pyatspi python3-dbusmock procps
    libwayland-dev libwayland-bin wayland-protocols pkg-config debootstrap qt6-gtk-platformtheme)
# Plasma 5.27 (Debian 12) draws its portal's dialog with Qt 5's QML, Plasma 6.3 (Debian 13) with Qt 6's.
# On Debian 12 the X11 desktops are tried too: MATE's session, window manager and screen saver (its
# mouse settings' schema lives in the settings daemon's common files), and Xfce with xscreensaver.
if grep -q '^VERSION_CODENAME=bookworm' /etc/os-release 2>/dev/null; then
    desktop+=(qtwayland5 qml-module-org-kde-kirigami2 qml-module-qtquick-controls2
        mate-session-manager marco mate-screensaver mate-settings-daemon-common xfce4-session xfwm4 xscreensaver)
else
    desktop+=(qml6-module-org-kde-kirigami qml6-module-qtquick-controls)
fi
# Cinnamon's row of tests/desktop/x11.sh, not run by default.
x11=(cinnamon cinnamon-session cinnamon-screensaver)
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
    desktop) packages+=("${desktop[@]}") ;;
    x11) packages+=("${x11[@]}") ;;
    all) packages+=("${core[@]}" "${qt[@]}" "${win32[@]}" "${package[@]}" "${fuzz[@]}" "${desktop[@]}") ;;
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
