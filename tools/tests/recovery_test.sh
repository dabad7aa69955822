#!/usr/bin/env bash
# What an interrupted or failed earlier command leaves behind must not break the next one:
# a configuration that failed is configured again (even when its cache is the fault), a Wine
# prefix left unfinished or made without 32-bit support is made again, and a second command
# in a locked tree waits for the first one.
# usage: recovery_test.sh   (run by ctest; needs the packages of tools/deps.sh)
set -uo pipefail
top="$(cd "$(dirname "$0")/../.." && pwd)"
scratch=$(mktemp -d)
trap 'WINEPREFIX="$scratch/prefix" wineserver -k >/dev/null 2>&1; rm -rf "$scratch"' EXIT
source "$top/tools/tests/check.sh"

# A configuration that failed leaves a cache naming a compiler that does not exist; the next
# command, with the right settings, must finish the configuration all the same.
build="$scratch/build"
make -C "$top" --no-print-directory TOLVARE_LOCKED=1 BUILD="$build" \
  CMAKE_FLAGS="-DCMAKE_CXX_COMPILER=/nonexistent/g++" "$build/native/.configured" >"$scratch/first.log" 2>&1
check "a failed configuration leaves no finished mark" test ! -e "$build/native/.configured"
check "the failed configuration left its cache" test -f "$build/native/CMakeCache.txt"
make -C "$top" --no-print-directory TOLVARE_LOCKED=1 BUILD="$build" "$build/native/.configured" \
  >"$scratch/second.log" 2>&1
check "the next command configures again and finishes" test -f "$build/native/.configured"
check "it said it started from nothing" grep -q "again from nothing" "$scratch/second.log"

# An unfinished prefix (no mark), then one made without 32-bit support where 32-bit programs
# now run: both are made again.
export WINEPREFIX="$scratch/prefix" WINE_HOME="$scratch/home"
mkdir -p "$WINEPREFIX/drive_c"
echo "left by an interrupted run" >"$WINEPREFIX/system.reg"
"$top/tools/wine-prefix.sh" >"$scratch/prefix1.log" 2>&1
check "an unfinished prefix is made again" grep -q "left it unfinished" "$scratch/prefix1.log"
check "the remade prefix is marked ready" test -s "$WINEPREFIX/.tolvare-ready"
check "the remade prefix has its system" test -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll"
source "$top/tools/wine-env.sh"
if wine_runs_32bit; then
  check "the remade prefix has its 32-bit system" test -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll"
  echo "wow64=no" >"$WINEPREFIX/.tolvare-ready"
  "$top/tools/wine-prefix.sh" >"$scratch/prefix2.log" 2>&1
  check "a prefix made without 32-bit support is made again" grep -q "could not run 32-bit" "$scratch/prefix2.log"
  check "and marked as made with it" grep -qx "wow64=yes" "$WINEPREFIX/.tolvare-ready"
fi
"$top/tools/wine-prefix.sh" >"$scratch/prefix3.log" 2>&1
check "a ready prefix is left as it is" test ! -s "$scratch/prefix3.log"

# A second command in a locked tree says it waits, and runs once the first one is over.
flock -o "$scratch/.lock" sh -c "sleep 2; touch '$scratch/first-done'" &
sleep 0.3
"$top/tools/locked.sh" "$scratch" sh -c "test -e '$scratch/first-done' && echo after || echo overlapped" \
  >"$scratch/lock.log" 2>&1
wait
check "the second command says it waits" grep -q "waiting for it to finish" "$scratch/lock.log"
check "and runs after the first one" grep -qx "after" "$scratch/lock.log"

[ "$failures" -eq 0 ] || { echo "--- logs"; tail -n 5 "$scratch"/*.log; exit 1; }
