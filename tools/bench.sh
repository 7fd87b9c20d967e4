#!/usr/bin/env bash
# Measures both editions and prints figures: the Win32 exe's size, peak memory against an empty window
# built the same way, start-up time, and CPU used over 60 s of moving (also on session buses that offer no
# idle service). Needs the ci and mingw builds.
# Usage: tools/bench.sh [seconds-of-moving]
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-60}
tools/deps.sh core qt win32 bench >/dev/null
cmake --preset ci >/dev/null && cmake --build --preset ci >/dev/null
cmake --preset mingw >/dev/null && cmake --build --preset mingw >/dev/null

cat >/tmp/kivano-bench-inner.sh <<INNER
#!/usr/bin/env bash
set -uo pipefail
seconds=$seconds
root=$root
INNER
cat >>/tmp/kivano-bench-inner.sh <<'INNER'
ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; } # user + system, in ticks
peak() { awk '/VmHWM/ {print $2}' "/proc/$1/status" 2>/dev/null; }      # kB
pidof_exe() { pgrep -n -f "$1" ; }

echo "== Win32 edition under Wine"
. "$root/tests/win32/wine-env.sh" "$root/build/mingw/wine/bench"
wine reg delete 'HKCU\Software\Olberin\Kivano\Settings' /f >/dev/null 2>&1
exe=$root/build/mingw/ui/win32/kivano.exe
echo "exe size (stripped): $(stat -c %s "$exe") bytes"
drive() { timeout 30 wine "$root/build/mingw/tests/win32/driver.exe" "$@" >/dev/null 2>&1; }
(cd "$(dirname "$exe")" && wine kivano.exe >/dev/null 2>&1) &
drive wait Kivano
sleep 3
kpid=$(pidof_exe 'kivano.exe')
drive click Kivano cbStart
sleep 1
c0=$(cpu "$kpid"); s0=$(cpu "$(pgrep -n wineserver)")
sleep "$seconds"
c1=$(cpu "$kpid"); s1=$(cpu "$(pgrep -n wineserver)")
kpeak=$(peak "$kpid")
drive close Kivano
sleep 2
(wine "$root/build/mingw/bench/empty_win32.exe" >/dev/null 2>&1) &
sleep 5
epid=$(pidof_exe 'empty_win32.exe')
epeak=$(peak "$epid")
kill "$epid" 2>/dev/null
wineserver -k
echo "peak RSS: kivano ${kpeak} kB, empty window ${epeak} kB, ratio $(awk "BEGIN {printf \"%.2f\", $kpeak / $epeak}")"
echo "CPU over ${seconds} s moving: kivano $(awk "BEGIN {printf \"%.2f\", ($c1 - $c0) / $ticks}") s, wineserver $(awk "BEGIN {printf \"%.2f\", ($s1 - $s0) / $ticks}") s"

echo "== Qt edition"
export XDG_CONFIG_HOME
XDG_CONFIG_HOME=$(mktemp -d)
launched=0
elapsed=0
startup() { # BINARY TITLE [ARGS...]: sets $elapsed (ms from launch to the first shown window), $launched
    local t0 t1
    t0=$(date +%s%N)
    "$1" "${@:3}" >/dev/null 2>&1 &
    launched=$!
    # Polled every 10 ms: xdotool's own --sync waits half a second between looks.
    until xdotool search --onlyvisible --name "$2" >/dev/null 2>&1; do sleep 0.01; done
    t1=$(date +%s%N)
    elapsed=$(((t1 - t0) / 1000000))
}
median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
startup "$root/build/ci/ui/qt/kivano" '^Kivano$'; kill "$launched"; sleep 0.5 # warm the caches
startup "$root/build/ci/bench/empty_qt" '^Empty$'; kill "$launched"; sleep 0.5
# Alternated, so that both see the same load of the machine; the median shrugs off a stray slow start.
kstarts=(); estarts=(); tstarts=()
for _ in $(seq 1 15); do
    startup "$root/build/ci/ui/qt/kivano" '^Kivano$'; kstarts+=("$elapsed")
    sleep 0.5; kpeak=$(peak "$launched"); kill "$launched"; sleep 0.3
    startup "$root/build/ci/bench/empty_qt" '^Empty$'; estarts+=("$elapsed")
    sleep 0.5; epeak=$(peak "$launched"); kill "$launched"; sleep 0.3
    startup "$root/build/ci/bench/empty_qt" '^Empty$' --text; tstarts+=("$elapsed"); kill "$launched"; sleep 0.3
done
kstart=$(printf '%s\n' "${kstarts[@]}" | median)
estart=$(printf '%s\n' "${estarts[@]}" | median)
tstart=$(printf '%s\n' "${tstarts[@]}" | median)
echo "start to first window (median of 15, warm): kivano ${kstart} ms, empty window ${estart} ms (ratio $(awk "BEGIN {printf \"%.2f\", $kstart / $estart}")), with one line of text ${tstart} ms"
# The same in instructions, which the machine's load does not change: from exec to the window's map.
to_map() {
    rm -f /tmp/kivano-cg.out*
    valgrind --tool=callgrind --dump-before=xcb_map_window --callgrind-out-file=/tmp/kivano-cg.out "$@" >/dev/null 2>&1 &
    local pid=$!
    for _ in $(seq 1 120); do [ -s /tmp/kivano-cg.out.1 ] && break; sleep 0.5; done
    sleep 0.5; kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
    awk '/^summary:/ {printf "%.1f", $2 / 1e6; exit}' /tmp/kivano-cg.out.1
}
ki=$(to_map "$root/build/ci/ui/qt/kivano"); ei=$(to_map "$root/build/ci/bench/empty_qt")
ti=$(to_map "$root/build/ci/bench/empty_qt" --text)
echo "instructions to the first window's map: kivano ${ki} M, empty window ${ei} M, with one line of text ${ti} M"
echo "peak RSS: kivano ${kpeak} kB, empty window ${epeak} kB, ratio $(awk "BEGIN {printf \"%.2f\", $kpeak / $epeak}")"
"$root/build/ci/ui/qt/kivano" >/dev/null 2>&1 &
kpid=$!
xdotool search --sync --onlyvisible --name '^Kivano$' >/dev/null
xdotool mousemove 408 314 click 1
sleep 1
c0=$(cpu "$kpid"); sleep "$seconds"; c1=$(cpu "$kpid")
kill "$kpid"
# The comparison: a shell loop that moves the pointer with xdotool every 0.1 s.
t0=$(awk '{print $14 + $15 + $16 + $17}' /proc/$$/stat)
end=$((SECONDS + seconds))
while [ $SECONDS -lt $end ]; do xdotool mousemove_relative 1 1; sleep 0.1; done
t1=$(awk '{print $14 + $15 + $16 + $17}' /proc/$$/stat)
echo "CPU over ${seconds} s moving: kivano $(awk "BEGIN {printf \"%.3f\", ($c1 - $c0) / $ticks}") s, xdotool loop $(awk "BEGIN {printf \"%.3f\", ($t1 - $t0) / $ticks}") s"
rm -rf "$XDG_CONFIG_HOME"
echo "== Qt edition, idle inhibitor: CPU while moving by what the session bus offers"
"$root/tools/bench-idle-bus.sh" "$root/build/ci/ui/qt/kivano" "$seconds"
INNER
chmod +x /tmp/kivano-bench-inner.sh
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp -noreset" /tmp/kivano-bench-inner.sh
