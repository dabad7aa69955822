#!/usr/bin/env bash
# Runs a VBScript client test against KORVEL.dll with the matching Wine cscript: registers the
# library with regsvr32 (as a user installs it), runs the script, and passes when the script's
# last line says nothing failed (cscript exits 0 even after a script error).
# Files named after the script are stand-ins for programs the library starts: they go into the
# script's folder with a copy of cscript, which runs from there, so that the platform's program
# search (the host's own folder first) finds them before the real programs. The script gets
# that folder as its first argument, and "emulated" as its second where 32-bit programs are
# emulated (a minute for each program started).
# usage: run-script-test.sh 32|64 KORVEL.dll SCRIPT.vbs [STAND-IN...]
set -uo pipefail
bits=$1 library=$2 script=$3
shift 3
source "$(dirname "$0")/wine-env.sh"
if [ "$bits" = 32 ] && ! wine_runs_32bit; then
  echo "skipped: this machine's kernel cannot run 32-bit programs, so 32-bit cscript cannot start"
  exit 77
fi
"$(dirname "$0")/wine-prefix.sh"
system=system32
[ "$bits" = 32 ] && system=syswow64
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
# Output goes through a file: a pipe inherited by Wine's services would never close.
$WINE "C:\\windows\\$system\\regsvr32.exe" /s "$(windows_path "$library")" >/dev/null 2>&1 </dev/null ||
  { echo "regsvr32 failed"; exit 1; }
host="C:\\windows\\$system\\cscript.exe"
if [ $# -gt 0 ]; then
  cp "$WINEPREFIX/drive_c/windows/$system/cscript.exe" "$@" "$folder/" || { echo "cannot copy the stand-ins"; exit 1; }
  host=$(windows_path "$folder/cscript.exe")
fi
mode=native
[ "$bits" = 32 ] && wine_emulates_32bit && mode=emulated
$WINE "$host" //nologo "$(windows_path "$script")" "$(windows_path "$folder")" "$mode" \
  >"$folder/output.txt" 2>&1 </dev/null
output=$(cat "$folder/output.txt")
echo "$output"
echo "$output" | tail -n 1 | grep -Eq '^[0-9]+ passed, 0 failed'
