#!/usr/bin/env bash
# Kivano's Qt edition against the real desktops, one after the other (each uses a lot of CPU in
# software rendering). Usage: bash tests/desktop/run.sh [gnome] [kde] [mate] [xfce]   (default: all
# four on Debian 12, gnome and kde elsewhere); the X11 desktops are rows of x11.sh.
# Needs root (a cgroup scope for the app id, /tmp/.X11-unix), `tools/deps.sh desktop` and the ci build.
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 2
if [ "$(id -u)" -ne 0 ]; then
    echo "tests/desktop/run.sh: run it as root" >&2
    exit 2
fi
desktops=("$@")
if [ $# -eq 0 ]; then
    desktops=(gnome kde)
    grep -q '^VERSION_CODENAME=bookworm' /etc/os-release && desktops+=(mate xfce)
fi
status=0
for desktop in "${desktops[@]}"; do
    started=$SECONDS
    # Each script ends all it started; the bound is for a desktop that hangs past every wait.
    script=("tests/desktop/$desktop.sh")
    [ -e "${script[0]}" ] || script=(tests/desktop/x11.sh "$desktop")
    timeout -k 30 600 bash "${script[@]}" || status=1
    echo "== $desktop: $((SECONDS - started)) s"
done
exit $status
