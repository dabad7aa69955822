#!/usr/bin/env bash
# Photographs PLENAR's five windows (main window, recorder, progress bar, action assistant,
# input box) as a user sees them, at a given DPI, under an X server of its own and in a Wine
# prefix of its own (build/wineprefix-shots), for checking captions, accents and layout.
# usage: window-shots.sh BUILD_DIR DPI OUTPUT_FOLDER      (BUILD_DIR: build/win32 or build/win64)
# The pictures are OUTPUT_FOLDER/<n>-<window>-<DPI>dpi.png.
set -euo pipefail
build="$(cd "$1" && pwd)"
dpi="$2"
mkdir -p "$3"
out="$(cd "$3" && pwd)"
top="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$top/build/wineprefix-shots}"
source "$top/tools/wine-env.sh"
"$top/tools/wine-prefix.sh"

cmake --build "$build" --target window_gallery >/dev/null
work="$(mktemp -d)"
trap 'kill ${XVFB_PID:-} 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$build/bin/window_gallery.exe" "$build/bin/KORVEL.dll" "$top"/scheduler/program_folder/{param.ini,Activitl.ico} "$work/"
# A list with accents and a row of each kind.
printf '%s\r\n' '08:30=C:\Windows\notepad.exe' '09:15=http://intranet.example.com/menu-du-jour.html' \
  '12:00=MACRO=Relevé_matin.txt' '17:45=SHARE=C:\Données partagées' | iconv -f UTF-8 -t CP1252 >"$work/lstplenar.txt"
mkdir "$work/handshake"

# A screen large enough for the windows at twice the usual DPI.
start_own_display 1920x1200x24 || { echo "Xvfb did not start." >&2; exit 1; }
# Wine draws the frames and captions itself: there is no window manager to draw them.
$WINE reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
$WINE reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1

$WINE "$work/window_gallery.exe" "$(windows_path "$work/handshake")" &
gallery=$!
taken=0
while kill -0 "$gallery" 2>/dev/null; do
  for ready in "$work"/handshake/*.ready; do
    [ -e "$ready" ] || continue
    name="$(basename "$ready" .ready)"
    import -window root "$out/$name-${dpi}dpi.png"
    # The windows alone, without the empty screen around them.
    convert "$out/$name-${dpi}dpi.png" -trim +repage "$out/$name-${dpi}dpi.png"
    rm -f "$ready"
    touch "$work/handshake/${name%%-*}.done"
    taken=$((taken + 1))
  done
  sleep 0.2
done
wait "$gallery" || true
$WINE reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true
echo "$taken pictures in $out"
[ "$taken" -eq 5 ]
