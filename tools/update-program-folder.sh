#!/usr/bin/env bash
# Brings PLENAR's program folder up to date for `make run`: the binaries and the icon are
# replaced by the build's, and the shipped defaults (scheduler/program_folder/) are put only
# where a file is missing, so that what the user made there (lstplenar.txt, param.ini, macros,
# the journal) stays from one run to the next.
# usage: update-program-folder.sh BINARIES_FOLDER PROGRAM_FOLDER
set -euo pipefail
binaries=$1 folder=$2
defaults="$(cd "$(dirname "$0")/.." && pwd)/scheduler/program_folder"
mkdir -p "$folder"
# Each through a new file renamed over the old one: a PLENAR still running from the folder keeps
# the binaries it mapped.
for file in "$binaries/KORVEL.dll" "$binaries/PLENAR.exe" "$defaults/Activitl.ico" "$defaults/plenar.html"; do
  cp "$file" "$folder/.new.$$"
  mv -f "$folder/.new.$$" "$folder/$(basename "$file")"
done
for file in "$defaults"/*; do
  [ -e "$folder/$(basename "$file")" ] || cp "$file" "$folder/"
done
