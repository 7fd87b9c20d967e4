#!/usr/bin/env bash
# The Windows zip as a user meets it: unpack it anywhere, run the exe from there under Wine, and see
# its window and its status page. Run inside an X server (xvfb-run).
# Usage: zip.sh ZIP-FILE PREFIX-FOLDER DRIVER-EXE
set -uo pipefail
zip=$(realpath "$1")
. "$(dirname "$0")/../win32/wine-env.sh" "$2"
driver=$3

. "$(dirname "$0")/../support/checks.sh"
drive() { timeout 30 wine "$driver" "$@" 2>/dev/null | tr -d '\r'; }

unpacked=$(mktemp -d)
trap 'timeout 20 wineserver -k; rm -rf "$unpacked"' EXIT
name=$(basename "$zip" .zip)
expect "the file name carries version and platform" "yes" \
    "$([[ $name =~ ^Kivano-[0-9]+\.[0-9]+\.[0-9]+-win64$ ]] && echo yes)"
(cd "$unpacked" && cmake -E tar xf "$zip")
expect "one folder with the exe and its pages, nothing else" \
    "$name/Support/los.html $name/Support/start.html $name/kivano.exe" \
    "$(cd "$unpacked" && find . -type f | sed 's|^\./||' | sort | tr '\n' ' ' | sed 's/ $//')"
# Nothing to install beside it: the exe imports system DLLs only, no compiler runtime.
imports=$(x86_64-w64-mingw32-objdump -p "$unpacked/$name/kivano.exe" | awk '/DLL Name:/ {print tolower($3)}')
foreign=$(grep -v -x -E 'kernel32|user32|gdi32|advapi32|comctl32|ole32|oleaut32|shell32|wtsapi32|msvcrt|uuid|api-ms-win-.*' \
    <<<"$(sed 's/\.dll$//' <<<"$imports")")
expect "imports only system DLLs" "" "$foreign"

# Wine has no HTML engine to draw the page; its file trace shows the browser pane reading the idle
# page from the unpacked folder.
trace=$unpacked/trace.log
(cd "$unpacked/$name" && WINEDEBUG=trace+file timeout 120 wine ./kivano.exe >/dev/null 2>"$trace") &
pid=$!
expect "the unpacked exe opens its window" "0" "$(drive wait Kivano >/dev/null; echo $?)"
expect "client area 253 x 135" "253x135" "$(drive rect Kivano | awk '{print $3}')"
sleep 1
expect "the idle page is loaded from the unpacked Support folder" "yes" \
    "$(grep -qi "CreateFileW.*$name.*Support.*start\.html\" GENERIC_READ" "$trace" && echo yes)"
drive close Kivano >/dev/null
timeout 30 tail --pid="$pid" -f /dev/null

checks_done
