#!/usr/bin/env bash
# Screenshots of the Win32 edition's three windows under Wine on Xvfb, for a person to look at.
# Usage (inside xvfb-run): tools/screenshots.sh BUILD-FOLDER OUT-FOLDER
set -uo pipefail
build=$(realpath "$1")
out=$2
mkdir -p "$out"
# A window manager draws the dialogs' frames; Wine draws the main window's own.
command -v openbox >/dev/null && { openbox >/dev/null 2>&1 & }
. "$(dirname "$0")/../tests/win32/wine-env.sh" "$build/wine/shots"
drive() { timeout 30 wine "$build/tests/win32/driver.exe" "$@" 2>/dev/null | tr -d '\r'; }
(cd "$build/ui/win32" && timeout 120 wine kivano.exe >/dev/null 2>&1) &
drive wait Kivano >/dev/null
sleep 1
import -window root "$out/main.png"
drive click Kivano cbTimer
drive wait 'Set up Timer' >/dev/null
sleep 1
import -window root "$out/timer.png"
drive click 'Set up Timer' CancelButton
sleep 0.5
drive char Kivano a
drive wait 'About Kivano' >/dev/null
sleep 1
import -window root "$out/about.png"
drive click 'About Kivano' cmdOK
drive close Kivano
timeout 20 wineserver -k
