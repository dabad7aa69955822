#!/usr/bin/env bash
# Starts PLENAR.exe under Wine in a program folder made from the shipped defaults, under Xvfb
# when there is no display. Until the scheduler is built, it registers KORVEL and runs the
# sample script that uses it, so that the library can be seen at work.
set -euo pipefail
build="${1:-build}"
top="$(cd "$(dirname "$0")/.." && pwd)"
source "$top/tools/wine-env.sh"
"$top/tools/wine-prefix.sh"
if [ -z "${DISPLAY:-}" ]; then
  echo "No display: starting Xvfb on :99 (screenshots with: DISPLAY=:99 import -window root shot.png)"
  Xvfb :99 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  export DISPLAY=:99
fi
bits=64
wine_runs_32bit && bits=32
folder="$top/build/program-win$bits"
rm -rf "$folder"
mkdir -p "$folder"
cp "$build/win$bits/bin/KORVEL.dll" "$folder/"
[ -d "$top/scheduler/program_folder" ] && cp -r "$top/scheduler/program_folder/." "$folder/"
system=system32
[ "$bits" = 32 ] && system=syswow64
$WINE "C:\\windows\\$system\\regsvr32.exe" /s "$(windows_path "$folder/KORVEL.dll")"
if [ -f "$build/win$bits/bin/PLENAR.exe" ]; then
  cp "$build/win$bits/bin/PLENAR.exe" "$folder/"
  cd "$folder"
  exec $WINE PLENAR.exe
fi
echo "PLENAR.exe is not part of this build yet; KORVEL.dll is registered in the Wine prefix."
echo "Running samples/korvel-demo.vbs with cscript:"
$WINE "C:\\windows\\$system\\cscript.exe" //nologo "$(windows_path "$top/samples/korvel-demo.vbs")" "$(windows_path "$folder")"
