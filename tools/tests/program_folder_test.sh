#!/usr/bin/env bash
# `make run` keeps the user's work: from one run to the next the binaries are the build's, and
# the list, the settings, macros and the journal the user left in the folder stay as they are.
# usage: program_folder_test.sh   (run by ctest)
set -uo pipefail
top="$(cd "$(dirname "$0")/../.." && pwd)"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
source "$top/tools/tests/check.sh"
binaries="$scratch/bin" folder="$scratch/program"
mkdir -p "$binaries"
echo "first PLENAR" >"$binaries/PLENAR.exe"
echo "first KORVEL" >"$binaries/KORVEL.dll"

"$top/tools/update-program-folder.sh" "$binaries" "$folder"
for file in "$top"/scheduler/program_folder/*; do
  check "a first run puts the shipped $(basename "$file")" cmp -s "$file" "$folder/$(basename "$file")"
done

# What a user leaves between two runs, and a new build.
printf '07:45=C:\\Windows\\notepad.exe\r\n' >"$folder/lstplenar.txt"
printf '[PARAM]\r\nDELAI=45\r\n' >"$folder/param.ini"
printf '1,1\r\n0,0,0,0,0,0,0,0\r\n' >"$folder/Macro_01.txt"
echo "a journal line" >"$folder/journal.txt"
for file in lstplenar.txt param.ini Macro_01.txt journal.txt; do cp "$folder/$file" "$scratch/$file.kept"; done
rm "$folder/Activitl.ico"
echo "second PLENAR" >"$binaries/PLENAR.exe"
echo "second KORVEL" >"$binaries/KORVEL.dll"

"$top/tools/update-program-folder.sh" "$binaries" "$folder"
for file in lstplenar.txt param.ini Macro_01.txt journal.txt; do
  check "the next run keeps the user's $file" cmp -s "$scratch/$file.kept" "$folder/$file"
done
check "the next run brings PLENAR.exe up to date" cmp -s "$binaries/PLENAR.exe" "$folder/PLENAR.exe"
check "the next run brings KORVEL.dll up to date" cmp -s "$binaries/KORVEL.dll" "$folder/KORVEL.dll"
check "a shipped file the user removed comes back" test -f "$folder/Activitl.ico"
check "nothing else is left in the folder" \
  test "$(ls -A "$folder" | sort | tr '\n' ' ')" = "Activitl.ico KORVEL.dll Macro_01.txt PLENAR.exe journal.txt lstplenar.txt param.ini plenar.html "

[ $failures -eq 0 ]
