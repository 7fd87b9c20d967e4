#!/usr/bin/env bash
# The Win32 exe at another scale under Wine: the client area at its layout's place and size, in
# pixels at that DPI (Wine's LogPixels, as Windows' display scale sets it). Run inside xvfb-run.
# Usage: dpi.sh PREFIX-FOLDER KIVANO-EXE DRIVER-EXE DPI
set -uo pipefail
. "$(dirname "$0")/wine-env.sh" "$1"
exe=$2
driver=$3
dpi=$4
trap 'timeout 20 wineserver -k' EXIT
drive() { timeout 30 wine "$driver" "$@" 2>/dev/null | tr -d '\r'; }
px() { echo $((($1 * dpi + 720) / 1440)); }

timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
timeout 30 wineserver -w
(cd "$(dirname "$exe")" && timeout 120 wine "$exe" >/dev/null 2>&1) &
pid=$!
drive wait Kivano >/dev/null
want="client $(px 2760),$(px 3705) $(px 3795)x$(px 2025)"
got=$(drive rect Kivano)
drive close Kivano >/dev/null
timeout 30 tail --pid="$pid" -f /dev/null
if [ "$got" = "$want" ]; then
    echo "ok: at $dpi dpi, $got"
    echo "1 passed, 0 failed"
else
    echo "FAILED: at $dpi dpi: expected [$want], got [$got]"
    echo "0 passed, 1 failed"
    exit 1
fi
