#!/usr/bin/env bash
# Starts PLENAR.exe under Wine in its program folder (build/program-win32, or -win64 where 32-bit
# programs do not run natively), with KORVEL registered, under an X server of its own when there
# is no display. The folder is kept from one run to the next: the binaries are brought up to
# date, and what the user made there (lstplenar.txt, param.ini, macros, the journal) stays;
# the shipped defaults are put only where a file is missing. `make clean` removes it.
# It uses a Wine prefix of its own (build/wineprefix-run): a test run started meanwhile neither
# disturbs it nor is disturbed by it.
# usage: run-plenar.sh BUILD_DIR
set -euo pipefail
build="${1:-build}"
top="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$top/build/wineprefix-run}"
source "$top/tools/wine-env.sh"
"$top/tools/wine-prefix.sh"

# The first port from 5900 on that nothing on this machine listens to.
free_vnc_port() {
  local port
  for port in $(seq 5900 5999); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return 0; }
  done
  return 1
}

if [ -z "${DISPLAY:-}" ]; then
  start_own_display || { echo "Xvfb did not start." >&2; exit 1; }
  trap 'kill $XVFB_PID ${VNC_PID:-} 2>/dev/null || true' EXIT
  echo "No display: PLENAR runs on the X server $DISPLAY."
  echo "  A screenshot:  DISPLAY=$DISPLAY import -window root plenar.png"
  # Watching it live: a VNC server on that display, for this machine only.
  if command -v x11vnc >/dev/null && port=$(free_vnc_port); then
    x11vnc -display "$DISPLAY" -rfbport "$port" -localhost -shared -forever -nopw -quiet \
      >"$build/x11vnc.log" 2>&1 &
    VNC_PID=$!
    echo "  Live:          a VNC viewer on localhost:$port (from another machine: ssh -L $port:localhost:$port this-machine)"
  fi
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
"$top/tools/update-program-folder.sh" "$build/win$bits/bin" "$folder"
system=system32
[ "$bits" = 32 ] && system=syswow64
$WINE "C:\\windows\\$system\\regsvr32.exe" /s "$(windows_path "$folder/KORVEL.dll")" >/dev/null 2>&1 </dev/null
cd "$folder"
echo "PLENAR.exe ($bits-bit) in $folder"
$WINE PLENAR.exe
