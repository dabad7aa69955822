#!/usr/bin/env bash
# Fails when a program that the build or the tests start does not come from a package that
# tools/deps.sh installs (or from what those packages depend on, or from Debian's essential
# set). A package installed by hand on one machine would otherwise hide a missing install step
# until the first run on a new machine.
#
# The programs: every tool recorded in the CMake caches of the three builds (compilers,
# resource compiler, binary tools, widl, python, clang, cmake and ctest themselves), the
# programs the test scripts start, and the emulator that runs 32-bit programs where one is
# registered.
# usage: check-tool-packages.sh BUILD_DIR
set -uo pipefail
build=$(cd "${1:-build}" && pwd)
top="$(cd "$(dirname "$0")/.." && pwd)"

mapfile -t listed < <("$top/tools/deps.sh" --list)
# What the listed packages bring with them. Recommends are not followed: deps.sh installs
# without them.
allowed=$(apt-cache depends --recurse --installed --no-recommends --no-suggests --no-conflicts \
            --no-breaks --no-replaces --no-enhances "${listed[@]}" 2>/dev/null |
          grep -v '^ ' | sed 's/:amd64$//' | sort -u)

programs=()
for cache in "$build"/{native,win32,win64}/CMakeCache.txt; do
  [ -f "$cache" ] || continue
  while IFS= read -r path; do programs+=("$path"); done < <(
    sed -n -e 's/^[A-Za-z0-9_]*:FILEPATH=\(\/.*\)$/\1/p' \
           -e 's/^CMAKE_\(COMMAND\|CTEST_COMMAND\|CPACK_COMMAND\):INTERNAL=\(.*\)$/\2/p' "$cache")
done
# Started by the test scripts and the suites, by `make run` (x11vnc), and where 32-bit programs
# are emulated (clang builds their start-up correction).
for name in wineserver Xvfb python3 import flock wixl msiinfo msibuild msiextract clang x11vnc tinyproxy; do
  programs+=("$(command -v "$name" || echo "$name")")
done
programs+=(/usr/lib/wine/wine64 /usr/lib/wine/wine)
emulator=/proc/sys/fs/binfmt_misc/qemu-i386
if grep -qx enabled "$emulator" 2>/dev/null; then
  programs+=("$(sed -n 's/^interpreter //p' "$emulator")")
fi

# The package that owns a file: the file as named, or any link on the way to the real file
# (/usr/bin/wine leads through /etc/alternatives, which no package owns).
owner_of() {
  local path=$1 hop owner
  for hop in 1 2 3 4 5 6 7 8; do
    owner=$(dpkg-query -S "$path" 2>/dev/null | head -n 1 | sed 's/: .*//')
    # A merged /usr: dpkg may know the file by its other name.
    [ -z "$owner" ] && [[ $path == /usr/* ]] && owner=$(dpkg-query -S "${path#/usr}" 2>/dev/null | head -n 1 | sed 's/: .*//')
    if [ -n "$owner" ] && [[ $owner != diversion* ]]; then
      echo "$owner"
      return 0
    fi
    [ -L "$path" ] || break
    local target
    target=$(readlink "$path")
    [[ $target == /* ]] || target="$(dirname "$path")/$target"
    path=$target
  done
  return 1
}

failures=0
declare -A seen
for program in "${programs[@]}"; do
  [ -n "$program" ] || continue
  [ -n "${seen[$program]:-}" ] && continue
  seen[$program]=1
  if [[ $program != /* ]]; then
    echo "MISSING  $program: not on the PATH"
    failures=$((failures + 1))
    continue
  fi
  # Caches also name files that are not programs (the toolchain files).
  [ -f "$program" ] && [ -x "$program" ] || continue
  if ! owners=$(owner_of "$program"); then
    echo "UNOWNED  $program: no Debian package owns it (installed by hand?)"
    failures=$((failures + 1))
    continue
  fi
  ok=false
  for owner in ${owners//,/ }; do
    owner=${owner%:amd64}
    if grep -qx -- "$owner" <<<"$allowed" ||
       [ "$(dpkg-query -W -f='${Essential}' "$owner" 2>/dev/null)" = yes ]; then
      ok=true
    fi
  done
  if $ok; then
    echo "ok       $program ($owners)"
  else
    echo "NOT INSTALLED BY tools/deps.sh  $program comes from $owners: add it to the package list of tools/deps.sh"
    failures=$((failures + 1))
  fi
done

if [ "$failures" -gt 0 ]; then
  echo "$failures program(s) would be missing on a new machine."
  exit 1
fi
echo "Every program the build and the tests start comes from a package that tools/deps.sh installs."
