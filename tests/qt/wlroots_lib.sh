# Sourced by the wlroots end-to-end scripts (sway_e2e.sh, labwc_e2e.sh) after they set kivano, probe and
# driver: a runtime folder of the test's own, the compositor's user, and the helpers both read with.
idleSeconds=2
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
# wlroots compositors will not run as root (Sway refuses): there they run as nobody, in a runtime
# folder of nobody's.
runas=()
if [ "$(id -u)" = 0 ]; then
    chown 65534:65534 "$work"
    runas=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
chmod 700 "$work"
export XDG_RUNTIME_DIR=$work HOME=$work
unset WAYLAND_DISPLAY SWAYSOCK DISPLAY

. "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"
. "$(dirname "${BASH_SOURCE[0]}")/../support/atspi.sh"
motions() { grep -c '^motion ' "$work/probe.log"; }
positions() { grep '^motion ' "$work/probe.log" | sort -u | wc -l; }
idles() { grep -c '^idle' "$work/idle.log"; }
resumes() { grep -c '^resume' "$work/idle.log"; }
# The judge: a real idle daemon, its idle and resume events logged to idle.log.
start_swayidle() {
    swayidle -w timeout "$idleSeconds" "echo idle >>$work/idle.log" resume "echo resume >>$work/idle.log" \
        >"$work/swayidle.log" 2>&1 &
    pids+=($!)
}
# The closing line; on a failure (or with KIVANO_SHOW_LOGS) the end of every log, the compositor's named.
wlroots_done() {
    if [ "$failed" -gt 0 ] || [ -n "${KIVANO_SHOW_LOGS:-}" ]; then
        for log in probe.err kivano.log "$1" swayidle.log idle.log; do
            echo "--- $log"
            tail -15 "$work/$log"
        done
    fi
    checks_done
}
