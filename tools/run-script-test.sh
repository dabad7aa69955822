#!/usr/bin/env bash
# Runs script clients (VBScript .vbs, JScript .js) against KORVEL.dll with the matching Wine
# cscript: registers the library with regsvr32 (as a user installs it), then runs every client in
# one script host (tools/script-clients.js), and passes when the last line says that no check
# failed (cscript exits 0 even after a script error).
# Files other than scripts are stand-ins for programs the library starts: they go into a folder
# with a copy of cscript, which runs from there, so that the platform's program search (the
# host's own folder first) finds them before the real programs. The system's own programs
# (rundll32.exe, sndvol32.exe), which the library starts by their full path in the system
# folder, take the place of the prefix's copies there for the run and are put back after it.
# Each client gets the stand-ins' folder as its first argument, and "emulated" as its second
# where 32-bit programs are emulated.
# usage: run-script-test.sh 32|64 KORVEL.dll (CLIENT.vbs | CLIENT.js | STAND-IN)...
set -uo pipefail
bits=$1 library=$2
shift 2
source "$(dirname "$0")/wine-env.sh"
if [ "$bits" = 32 ] && ! wine_runs_32bit; then
  echo "skipped: this machine's kernel cannot run 32-bit programs, so 32-bit cscript cannot start"
  exit 77
fi
"$(dirname "$0")/wine-prefix.sh"
# Nobody answers a message box here: the library shows none (README, "Unattended use"). The
# samples set this variable themselves, but Wine's script host cannot set a process variable
# (its WshEnvironment refuses Item assignments), so it comes from here.
export KORVEL_SANS_MESSAGES=1
# Wine takes its own build of a program of the system folder unless told to take the file there.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;rundll32.exe,sndvol32.exe=n,b"
system=system32
[ "$bits" = 32 ] && system=syswow64
folder=$(mktemp -d)
system_folder=$WINEPREFIX/drive_c/windows/$system
# Puts back what a system program's stand-in replaced (also what a run cut short left aside).
restore_system_programs() {
  local name
  for name in rundll32.exe sndvol32.exe; do
    rm -f "$system_folder/$name.log"
    if [ -e "$system_folder/$name.korvel-original" ]; then
      mv -f "$system_folder/$name.korvel-original" "$system_folder/$name"
    elif [ -e "$system_folder/$name.korvel-added" ]; then
      rm -f "$system_folder/$name" "$system_folder/$name.korvel-added"
    fi
  done
}
restore_system_programs
trap 'restore_system_programs; rm -rf "$folder"' EXIT
clients=() stand_ins=()
for file in "$@"; do
  case "$file" in
  *.vbs | *.js) clients+=("$(windows_path "$file")") ;;
  *) stand_ins+=("$file") ;;
  esac
done
cp "$WINEPREFIX/drive_c/windows/$system/cscript.exe" "${stand_ins[@]}" "$folder/" ||
  { echo "cannot copy the stand-ins"; exit 1; }
for stand_in in "${stand_ins[@]}"; do
  name=$(basename "$stand_in")
  case "$name" in rundll32.exe | sndvol32.exe) ;; *) continue ;; esac
  if [ -e "$system_folder/$name" ]; then
    mv -f "$system_folder/$name" "$system_folder/$name.korvel-original"
  else
    : >"$system_folder/$name.korvel-added"
  fi
  cp "$stand_in" "$system_folder/$name" || { echo "cannot place the stand-in $name"; exit 1; }
done
# Output goes through a file: a pipe inherited by Wine's services would never close.
$WINE "C:\\windows\\$system\\regsvr32.exe" /s "$(windows_path "$library")" >/dev/null 2>&1 </dev/null ||
  { echo "regsvr32 failed"; exit 1; }
passed=0 failed=0
# run_clients CLIENT...: one script host for them; their counts added to the totals.
run_clients() {
  local counts
  $WINE "$(windows_path "$folder/cscript.exe")" //nologo "$(windows_path "$(dirname "$0")/script-clients.js")" \
    "$(windows_path "$folder")" "$mode" "$@" >"$folder/output.txt" 2>&1 </dev/null
  cat "$folder/output.txt"
  counts=$(tail -n 1 "$folder/output.txt" | tr -d '\r' | sed -nE 's/^([0-9]+) passed, ([0-9]+) failed$/\1 \2/p')
  [ -n "$counts" ] || counts="0 1"
  passed=$((passed + ${counts% *})) failed=$((failed + ${counts#* }))
}
mode=native
if [ "$bits" = 32 ] && wine_emulates_32bit; then
  # One script host per client: the emulator breaks the thread state of a 32-bit program now
  # and then (see tools/wine-run), and a host of its own keeps that to the client that met it.
  mode=emulated
  for client in "${clients[@]}"; do run_clients "$client"; done
else
  run_clients "${clients[@]}"
fi
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
