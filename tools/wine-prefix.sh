#!/usr/bin/env bash
# Makes the Wine prefix ($WINEPREFIX, by default the build tree's) ready for unattended runs,
# once: about 15 s. A prefix left half-made by an interrupted run, or made while this machine
# could not run 32-bit programs (it then has no working SysWOW64) although it can now, is made
# again from nothing. Safe to start several times at once: one makes the prefix, the others wait.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"

# What the prefix was made with, written last: its absence means the prefix is unfinished.
marker="$WINEPREFIX/.tolvare-ready"
wanted="wow64=$(wine_runs_32bit && echo yes || echo no)"
# Drive C:'s volume serial number, which Wine reads when a session starts: one of 0x80000000 or
# above, so that the tests see the library give such a serial as a negative number.
give_drive_c_a_serial() {
  if [ -d "$WINEPREFIX/drive_c" ] && [ ! -e "$WINEPREFIX/drive_c/.windows-serial" ]; then
    echo 8badf00d >"$WINEPREFIX/drive_c/.windows-serial"
  fi
}
if [ -f "$marker" ] && [ "$(cat "$marker")" = "$wanted" ]; then
  give_drive_c_a_serial
  exit 0
fi

mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  [ -f "$marker" ] && [ "$(cat "$marker")" = "$wanted" ] && exit 0
  if [ -e "$WINEPREFIX" ]; then
    if [ -f "$marker" ]; then
      echo "Making the Wine prefix $WINEPREFIX again: it was made when this machine could not run 32-bit programs."
    else
      echo "Making the Wine prefix $WINEPREFIX again: an earlier run left it unfinished."
    fi
    wineserver -k >/dev/null 2>&1 || true
    timeout 60 wineserver -w >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
  fi
  echo "Making the Wine prefix $WINEPREFIX (about 15 s)."
  # Output goes to a file: Wine's services inherit it and would hold a pipe open.
  log="$WINEPREFIX.wineboot.log"
  $WINE wineboot -i >"$log" 2>&1 </dev/null || true
  # No crash dialog: a crashing program must end, not wait for a click. No debugger either:
  # under emulation a debugger attached to a crashed 32-bit program can spin for ever.
  $WINE reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >>"$log" 2>&1 </dev/null
  aedebug='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
  for view in 64 32; do
    $WINE reg add "$aedebug" /v Auto /t REG_SZ /d 1 /f /reg:$view >>"$log" 2>&1 </dev/null
    $WINE reg add "$aedebug" /v Debugger /t REG_SZ /d "" /f /reg:$view >>"$log" 2>&1 </dev/null
  done
  # The registry reaches its files when the server ends.
  timeout 60 wineserver -w >/dev/null 2>&1 || true
  system="$WINEPREFIX/drive_c/windows/system32/kernel32.dll"
  wow64="$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll"
  if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -f "$system" ] || { [ "$wanted" = wow64=yes ] && [ ! -f "$wow64" ]; }; then
    echo "wineboot could not make the Wine prefix $WINEPREFIX; its output is in $log." >&2
    exit 1
  fi
  give_drive_c_a_serial
  echo "$wanted" > "$marker"
) 9>"$WINEPREFIX.lock"
