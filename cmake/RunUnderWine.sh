#!/usr/bin/env bash
# CTest's emulator for the Windows test programs. Under wine a QtTest
# program's console output goes to the debugger channel, so the report is
# written to a file and printed here; the exit code is the program's.
#   RunUnderWine.sh <program.exe> [arguments...]
set -u
program=$1
shift
# In the working folder, so the Windows program can name it relatively.
report=$(mktemp -p . "$(basename "$program" .exe).XXXXXX")
trap 'rm -f "$report"' EXIT
"${WINE:-/usr/lib/wine/wine64}" "$program" "$@" -o "${report#./},txt"
status=$?
cat "$report"
exit $status
