# Sourced by the scripts that drive Kivano through the accessibility bus: one way to press its buttons
# and read its window. `driver` may name tests/qt/atspi.py beforehand; it is found beside this file else.
: "${driver:=$(cd "$(dirname "${BASH_SOURCE[0]}")/../qt" && pwd)/atspi.py}"
atspi() { timeout 30 /usr/bin/python3 "$driver" "$@"; }
press() { atspi press "$1"; }
labels() { atspi labels; }
# No label says TEXT, read from a window the reader does see (its fixed "Time delay:" label among
# them): a reader that sees nothing fails this instead of passing it.
no_label() {
    local all
    all=$(labels) && grep -qx 'Time delay:' <<<"$all" && ! grep -q -- "$1" <<<"$all"
}
