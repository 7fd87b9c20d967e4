#!/usr/bin/env bash
# Sourced by the Wine test scripts: a prefix of the build's own, set up once.
# Usage: . wine-env.sh PREFIX-FOLDER
set -u
export WINEPREFIX=$1 WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/.kivano-ready" ]; then
    mkdir -p "$WINEPREFIX"
    timeout 120 wineboot --init >/dev/null 2>&1
    # Without a window manager every hide of a top-level window would stall for 2 s.
    timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    timeout 60 wineserver -w
    touch "$WINEPREFIX/.kivano-ready"
fi
