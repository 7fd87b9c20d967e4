#!/usr/bin/env bash
# The real desktops on Debian 13 as well: a minimal Debian 13 made with debootstrap, this tree copied
# into it, its packages installed there with tools/deps.sh, the Qt edition built there and run.sh run
# inside the chroot, then the wlroots compositors' end-to-end tests there. Usage: bash tests/desktop/trixie.sh [gnome] [kde]   (as root; needs debootstrap)
# The chroot stays in KIVANO_TRIXIE (default /var/tmp/kivano-trixie) for the next run; remove it to
# start afresh.
set -uo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
root=${KIVANO_TRIXIE:-/var/tmp/kivano-trixie}
# The archive this machine's apt uses, else Debian's.
mirror=$(sed -n -e 's/^URIs: *\(http[^ ]*\/debian\)\/\?$/\1/p' -e 's/^deb \(http[^ ]*\/debian\)\/\? .*/\1/p' \
    /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list 2>/dev/null | head -1)
mirror=${mirror:-http://deb.debian.org/debian}
mounted=()
finish() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -R "${mounted[i]}" 2>/dev/null || umount -l -R "${mounted[i]}"; done
}
trap finish EXIT
trap 'exit 1' INT TERM
took() { echo "== trixie: $1 in $((SECONDS - started)) s"; started=$SECONDS; }

started=$SECONDS
if [ ! -x "$root/usr/bin/apt-get" ]; then
    rm -rf "$root"
    timeout 900 debootstrap --variant=minbase --include=ca-certificates trixie "$root" "$mirror" >/dev/null ||
        { echo "FAIL: trixie: debootstrap from $mirror"; exit 1; }
    took "debootstrap"
fi
for m in proc sys dev dev/pts; do
    mkdir -p "$root/$m"
    if [ "$m" = sys ]; then # with the cgroup trees under it, for the app id's scope
        mount --rbind "/$m" "$root/$m" && mount --make-rslave "$root/$m"
    else
        mount --bind "/$m" "$root/$m"
    fi || { echo "FAIL: trixie: cannot mount /$m in the chroot"; exit 1; }
    mounted+=("$root/$m")
done
# A bind of /dev leaves out the shared-memory mount under it, where wlroots compositors keep their buffers.
mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm" && mounted+=("$root/dev/shm")
cp /etc/resolv.conf "$root/etc/resolv.conf"
# GNOME's shell locks its screen only on a systemd machine, which it knows by this folder: made inside
# the chroot alone, as this machine's own /run is not the chroot's.
mkdir -p "$root/run/systemd/seats"

# This tree as git sees it (uncommitted changes too); the chroot's own build is kept for the next run.
mkdir -p "$root/root/kivano"
find "$root/root/kivano" -mindepth 1 -maxdepth 1 ! -name build -exec rm -rf {} +
(cd "$repo" && git ls-files -z --cached --others --exclude-standard | tar --null -T - -c) | tar -x -C "$root/root/kivano"
chroot "$root" timeout 1800 bash -c 'cd /root/kivano && tools/deps.sh core qt desktop' >"$root/root/deps.log" 2>&1 ||
    { tail -20 "$root/root/deps.log"; echo "FAIL: trixie: packages"; exit 1; }
took "packages"
chroot "$root" timeout 1800 bash -c 'cd /root/kivano && cmake --preset ci &&
    cmake --build --preset ci -j2 --target kivano kivano_qt_support idle_watch pointer_probe' >"$root/root/build.log" 2>&1 ||
    { tail -20 "$root/root/build.log"; echo "FAIL: trixie: the ci build"; exit 1; }
took "build"
chroot "$root" bash /root/kivano/tests/desktop/run.sh "$@"
status=$?
# The wlroots compositors Debian 13 carries (a newer Sway, and labwc), judged by swayidle.
if [ $# -eq 0 ]; then
    chroot "$root" timeout 600 bash -c 'cd /root/kivano && ctest --preset ci -R "qt_(sway|labwc)_e2e" --output-on-failure' ||
        status=1
fi
exit $status
