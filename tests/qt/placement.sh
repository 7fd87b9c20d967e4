#!/usr/bin/env bash
# Where the Qt edition's windows land on a real desktop: the main window's client area at its layout's
# place and size (twips at the screen's DPI) whether or not a window manager frames it, the Timer
# dialog centred on it, and V still minimising. Checked from outside with xwininfo and xprop.
# Usage: placement.sh KIVANO-BINARY XCLOSE-BINARY DPI openbox|bare   (inside an X server: xvfb-run)
set -uo pipefail
kivano=$1
xclose=$2
dpi=$3
wm=$4
export XDG_CONFIG_HOME
XDG_CONFIG_HOME=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$XDG_CONFIG_HOME"' EXIT

. "$(dirname "$0")/../support/checks.sh"
px() { echo $((($1 * dpi + 720) / 1440)); } # twips to pixels, to the nearest
client() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                                    /Width:/ {w=$NF} /Height:/ {print x "," y " " w "x" $NF}'; }
extents() { # left right top bottom of the frame, 0 0 0 0 without a window manager
    local e
    e=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | tr -d ',')
    echo "${e:-0 0 0 0}"
}
click() { # at a control's centre, given in twips from the client area's corner
    local origin
    origin=$(client "$win" | cut -d' ' -f1)
    xdotool mousemove $((${origin%,*} + $(px "$1"))) $((${origin#*,} + $(px "$2"))) click 1
}

echo "Xft.dpi: $dpi" | xrdb -merge
if [ "$wm" = openbox ]; then
    openbox >/dev/null 2>&1 &
    pids+=($!)
    sleep 1
fi

QT_QPA_PLATFORM=xcb "$kivano" 2>/dev/null &
pid=$!
pids+=("$pid")
win=$(timeout 15 xdotool search --sync --onlyvisible --name '^Kivano$' | head -1)
sleep 0.5
expect "main window's client area at $dpi dpi, $wm" \
    "$(px 2760),$(px 3705) $(px 3795)x$(px 2025)" "$(client "$win")"

# Timer... (its centre at 3367,525 twips) opens the set-up dialog centred, frame and all, on the main window.
click 3367 525
dialog=$(timeout 10 xdotool search --sync --onlyvisible --name '^Set up Timer$' | head -1)
sleep 0.5
read -r ml mr mt mb <<<"$(extents "$win")"
read -r dl dr dt db <<<"$(extents "$dialog")"
IFS=', x' read -r mx my mw mh <<<"$(client "$win")"
IFS=', x' read -r dx dy dw dh <<<"$(client "$dialog")"
expect "dialog's client size" "$(px 4065)x$(px 1695)" "${dw}x${dh}"
main_centre="$(((2 * mx - ml + mw + mr) / 2)),$(((2 * my - mt + mh + mb) / 2))"
dialog_centre="$(((2 * dx - dl + dw + dr) / 2)),$(((2 * dy - dt + dh + db) / 2))"
within() { # two x,y points no more than 1 pixel apart on each axis
    local ax=${1%,*} ay=${1#*,} bx=${2%,*} by=${2#*,}
    [ $((ax - bx)) -le 1 ] && [ $((bx - ax)) -le 1 ] && [ $((ay - by)) -le 1 ] && [ $((by - ay)) -le 1 ]
}
expect "dialog centred on the main window ($dialog_centre on $main_centre)" yes \
    "$(within "$dialog_centre" "$main_centre" && echo yes)"
"$xclose" "$dialog"
sleep 0.5

if [ "$wm" = openbox ]; then
    # V (its centre at 3367,1507 twips) minimises; only a window manager can do that.
    click 3367 1507
    sleep 1
    expect "V minimises" "Iconic" "$(xprop -id "$win" WM_STATE | sed -n 's/.*window state: //p')"
fi
"$xclose" "$win"
timeout 10 tail --pid="$pid" -f /dev/null

checks_done
