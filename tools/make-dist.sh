#!/usr/bin/env bash
# The release binaries: dist/win32 and dist/win64 each hold KORVEL.dll, PLENAR.exe and the
# files of the program folder; beside them, the Windows Installer packages
# PLENAR-<version>-x64.msi and PLENAR-<version>-x86.msi (tools/make-msi.sh).
set -euo pipefail
build="${1:-build}"
top="$(cd "$(dirname "$0")/.." && pwd)"
for kind in win32 win64; do
  out="$top/dist/$kind"
  rm -rf "$out"
  mkdir -p "$out"
  cp "$build/$kind/bin/KORVEL.dll" "$out/"
  cp "$build/$kind/bin/PLENAR.exe" "$out/"
  if [ -d "$top/scheduler/program_folder" ]; then cp -r "$top/scheduler/program_folder/." "$out/"; fi
  # The builds keep their debugging information; the released files do not need it.
  arch=x86_64
  [ "$kind" = win32 ] && arch=i686
  for binary in "$out"/*.dll "$out"/*.exe; do
    [ -f "$binary" ] && "$arch-w64-mingw32-strip" "$binary"
  done
  echo "dist/$kind:"
  ls -l "$out" | tail -n +2
done

rm -f "$top"/dist/PLENAR-*.msi
"$top/tools/make-msi.sh" "$build" "$top/dist"
