#!/usr/bin/env bash
# Creates the Wine prefix of the build tree once (about 10 s) and sets it up for unattended
# runs: no crash dialog that would block a test.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
[ -f "$WINEPREFIX/.ready" ] && exit 0
mkdir -p "$WINEPREFIX"
(
  flock 9
  [ -f "$WINEPREFIX/.ready" ] && exit 0
  $WINE wineboot -i >/dev/null 2>&1 || true
  $WINE reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  touch "$WINEPREFIX/.ready"
) 9>"$WINEPREFIX.lock"
