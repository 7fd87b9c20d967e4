#!/usr/bin/env bash
# The Debian package as a user meets it: lint it, install it with apt, start the installed `kivano`
# and see its window and its status page, then remove it and check that nothing of it is left.
# Run as root (or with sudo at hand) inside an X server (xvfb-run).
# Usage: deb.sh DEB-FILE XPIXEL-BINARY XCLOSE-BINARY
set -uo pipefail
deb=$(realpath "$1")
xpixel=$2
xclose=$3
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

. "$(dirname "$0")/../support/checks.sh"
quiet() { "$@" >/dev/null 2>&1; }

if dpkg-query -W -f='${Status}' kivano 2>/dev/null | grep -q 'install ok installed'; then
    echo "kivano is installed on this machine already; this check installs and removes it, so it is skipped"
    echo "0 passed, 0 failed, 1 skipped"
    exit 0
fi

lint=$(lintian --no-tag-display-limit "$deb" 2>/dev/null)
echo "$lint"
check "lintian reports no errors" test -z "$(grep '^E:' <<<"$lint")"
check "the file name carries name, version and architecture" \
    grep -qE '/kivano_[0-9]+\.[0-9]+\.[0-9]+_amd64\.deb$' <<<"$deb"
# Without it Qt draws the GTK desktops (GNOME, Xfce, MATE, Cinnamon) in its own colours.
check "it recommends Qt's GTK theme plugin" grep -qx 'qt6-gtk-platformtheme' <<<"$(dpkg-deb -f "$deb" Recommends)"

export DEBIAN_FRONTEND=noninteractive
check "apt installs it" quiet $sudo apt-get install -y --no-install-recommends "$deb"
files=$(dpkg -L kivano)
check "desktop entry valid" quiet desktop-file-validate /usr/share/applications/com.olberin.Kivano.desktop
# AppStream 1.0 (Debian 13) asks for a homepage, which Kivano does not have yet: that one is left to
# the owners to give, every other finding still fails the check.
metainfo_ok() {
    local file=/usr/share/metainfo/com.olberin.Kivano.metainfo.xml
    appstreamcli validate --no-net "$file" ||
        appstreamcli validate --no-net --override=url-homepage-missing=info "$file"
}
check "AppStream metadata valid" quiet metainfo_ok
check "icon in the hicolor theme" test -f /usr/share/icons/hicolor/32x32/apps/kivano.png
check "kivano is on the path" test "$(command -v kivano)" = /usr/bin/kivano

config=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$config"' EXIT
XDG_CONFIG_HOME=$config QT_QPA_PLATFORM=xcb kivano 2>/dev/null &
pid=$!
win=$(timeout 15 xdotool search --sync --onlyvisible --name '^Kivano$' | head -1)
check "the installed kivano opens its window" test -n "$win"
# The idle page's background, drawn in the status pane, shows that the installed pages were found.
origin=$(xwininfo -id "${win:-0}" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {print x, $NF}')
read -r left top <<<"${origin:-0 0}"
colour=""
for _ in $(seq 1 20); do
    colour=$("$xpixel" $((left + 77)) $((top + 119)))
    [ "$colour" = "#eef2f5" ] && break
    sleep 0.25
done
check "the status pane shows the installed idle page ($colour)" test "$colour" = "#eef2f5"
[ -n "$win" ] && "$xclose" "$win"
timeout 10 tail --pid="$pid" -f /dev/null
check "closing stores its settings" grep -q '"Speed"="3"' "$config/kivano/user.reg"

check "apt removes it" quiet $sudo apt-get purge -y kivano
left_over=""
while read -r f; do
    [ -d "$f" ] && [ ! -L "$f" ] && continue
    { [ -e "$f" ] || [ -L "$f" ]; } && left_over+="$f "
done <<<"$files"
check "no file of it is left (${left_over:-none})" test -z "$left_over"
check "its folder is gone" test ! -e /usr/lib/kivano

checks_done
