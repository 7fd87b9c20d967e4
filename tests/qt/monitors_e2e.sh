#!/usr/bin/env bash
# The minimised roam on a real X server with two monitors of unequal size side by side: 1024x768 at
# 0,0 and 1280x1024 at 1024,0, so no monitor covers the area below the first one and the server keeps
# the pointer out of it. Driven, started and minimised from outside with xdotool, under openbox (only a
# window manager minimises); the pointer is sampled while Kivano roams and must not stay pinned at the
# left side of the second monitor beside that area.
# Usage: monitors_e2e.sh KIVANO-BINARY XCLOSE-BINARY   (as root: it starts Xorg with the dummy driver)
set -uo pipefail
kivano=$1
xclose=$2
if [ "$(id -u)" -ne 0 ] || ! command -v Xorg >/dev/null || [ ! -e /usr/lib/xorg/modules/drivers/dummy_drv.so ]; then
    echo "skipped: needs root, Xorg and its dummy video driver"
    exit 77
fi
work=$(mktemp -d)
export XDG_CONFIG_HOME=$work/config
pids=()
cleanup() {
    [ -n "${win:-}" ] && timeout 5 "$xclose" "$win" 2>/dev/null
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null
        timeout 10 tail --pid="${pids[i]}" -f /dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT

. "$(dirname "$0")/../support/checks.sh"

cat >"$work/xorg.conf" <<'EOF'
Section "ServerFlags"
    Option "AutoAddDevices" "false"
    Option "AllowEmptyInput" "true"
EndSection
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 256000
EndSection
Section "Monitor"
    Identifier "monitor"
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual 2304 1024
    EndSubSection
EndSection
EOF

# A display nobody holds; should another server take it first, the next one.
started=
for n in $(seq 40 99); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    timeout 300 Xorg ":$n" -config "$work/xorg.conf" -logfile "$work/Xorg.log" -noreset -nolisten tcp \
        -novtswitch -sharevts >/dev/null 2>&1 &
    xpid=$!
    export DISPLAY=:$n
    for _ in $(seq 1 100); do
        timeout 2 xrandr >/dev/null 2>&1 && break
        kill -0 "$xpid" 2>/dev/null || break
        sleep 0.1
    done
    if timeout 2 xrandr >/dev/null 2>&1; then
        pids+=("$xpid")
        started=$n
        break
    fi
    kill "$xpid" 2>/dev/null
done
[ -n "$started" ] || { echo "FAILED: no Xorg could start"; exit 1; }
echo "Xorg on :$started"

timeout 10 xrandr --output DUMMY0 --mode 1024x768 --pos 0x0
timeout 10 xrandr --newmode K1280x1024 108.00 1280 1328 1440 1688 1024 1025 1028 1066 +hsync +vsync
timeout 10 xrandr --addmode DUMMY1 K1280x1024
timeout 10 xrandr --output DUMMY1 --mode K1280x1024 --pos 1024x0
layout=$(timeout 10 xrandr | awk '/ connected/ {for (i = 3; i <= NF; i++) if ($i ~ /^[0-9]+x[0-9]+\+/) print $i}' | paste -sd' ' -)
expect "two monitors side by side" "1024x768+0+0 1280x1024+1024+0" "$layout"
# The server keeps the pointer off the area below the first monitor: a warp into it from the second
# monitor stays on the second.
xdotool mousemove 1100 900
xdotool mousemove 1021 903
eval "$(xdotool getmouselocation --shell)"
expect "a warp into the missing area stays on the monitor it left" "1024,903" "$X,$Y"

openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

# Moves every other tick, 160 px a step, no random drift: the first moves go 1 px right and down.
mkdir -p "$XDG_CONFIG_HOME/kivano"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Olberin\\Kivano\\Settings]\r\n"Time Delay"="0.1"\r\n"Speed"="160"\r\n"Randomise"="0"\r\n' \
    >"$XDG_CONFIG_HOME/kivano/user.reg"
QT_QPA_PLATFORM=xcb "$kivano" 2>/dev/null &
pids+=($!)
win=$(timeout 15 xdotool search --sync --onlyvisible --name '^Kivano$' | head -1)
[ -n "$win" ] || { echo "FAILED: no Kivano window"; exit 1; }
sleep 0.5
origin=$(xwininfo -id "$win" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {print x "," $NF}')
click() { xdotool mousemove $((${origin%,*} + $1)) $((${origin#*,} + $2)) click 1; } # client pixels
click 224 67  # Start
click 224 100 # V: minimise
sleep 0.5
expect "minimised" "Iconic" "$(xprop -id "$win" WM_STATE | sed -n 's/.*window state: //p')"

# From near the second monitor's right edge the pointer turns left there and crosses to its left side,
# below the first monitor's bottom; 160 px a step makes it come back every dozen moves or so.
xdotool mousemove 2300 900
samples=()
times=()
for _ in $(seq 1 80); do
    sleep 0.1
    eval "$(xdotool getmouselocation --shell)"
    samples+=("$X,$Y")
    times+=("${EPOCHREALTIME/./}")
done

# At the left side beside the missing area: x 1024 with y below 767. The longest stay there, in
# samples, in time from its first sample to its last, and in distinct pointer positions (the pointer
# goes 1 px down at each move), and how often the pointer got there.
longest=0
positions=0
span=0
visits=0
run=0
seen=
left=0
for i in "${!samples[@]}"; do
    s=${samples[i]}
    x=${s%,*} y=${s#*,}
    if [ "$x" -eq 1024 ] && [ "$y" -ge 768 ]; then
        [ "$run" -eq 0 ] && visits=$((visits + 1)) && seen= && since=${times[i]}
        run=$((run + 1))
        case " $seen " in *" $s "*) ;; *) seen="$seen $s" ;; esac
        n=$(wc -w <<<"$seen")
        [ "$run" -gt "$longest" ] && longest=$run
        [ "$n" -gt "$positions" ] && positions=$n
        [ $((times[i] - since)) -gt "$span" ] && span=$((times[i] - since))
    else
        run=0
        [ "$visits" -ge 1 ] && left=1
    fi
done
echo "pointer samples every 0.1 s: ${samples[*]}"
echo "at the missing area's edge: $visits visits, the longest $longest samples over $((span / 1000)) ms" \
    "($positions positions)"
check "the pointer reached the missing area's edge" test "$visits" -ge 1
check "it never stayed there for more than 2 moves ($positions positions)" test "$positions" -le 2
check "it roamed on afterwards" test "$left" -eq 1

checks_done
