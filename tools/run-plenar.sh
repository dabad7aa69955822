#!/usr/bin/env bash
# Starts PLENAR.exe under Wine in a program folder made from the shipped defaults, with KORVEL
# registered, under an X server of its own when there is no display. It uses a Wine prefix of
# its own (build/wineprefix-run): a test run started meanwhile neither disturbs it nor is
# disturbed by it.
set -euo pipefail
build="${1:-build}"
top="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$top/build/wineprefix-run}"
source "$top/tools/wine-env.sh"
"$top/tools/wine-prefix.sh"
if [ -z "${DISPLAY:-}" ]; then
  start_own_display || { echo "Xvfb did not start." >&2; exit 1; }
  trap 'kill $XVFB_PID 2>/dev/null || true' EXIT
  echo "No display: PLENAR runs on the X server $DISPLAY (a screenshot: DISPLAY=$DISPLAY import -window root shot.png)"
  managed=N
else
  managed=Y
fi
# On a bare X server no window manager takes the windows (Wine would wait for one each time a
# window hides); on a desktop, the user's does.
$WINE reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d $managed /f >/dev/null 2>&1 </dev/null || true
bits=64
wine_runs_32bit && ! wine_emulates_32bit && bits=32
folder="$top/build/program-win$bits"
rm -rf "$folder"
mkdir -p "$folder"
cp "$build/win$bits/bin/KORVEL.dll" "$build/win$bits/bin/PLENAR.exe" "$folder/"
cp -r "$top/scheduler/program_folder/." "$folder/"
system=system32
[ "$bits" = 32 ] && system=syswow64
$WINE "C:\\windows\\$system\\regsvr32.exe" /s "$(windows_path "$folder/KORVEL.dll")" >/dev/null 2>&1 </dev/null
cd "$folder"
echo "PLENAR.exe ($bits-bit) in $folder"
$WINE PLENAR.exe
