#!/usr/bin/env bash
# Reads the export table of KORVEL.dll without running it (so it checks the 32-bit library on
# machines that cannot run it): exactly the four entry points, undecorated, ordinals 1 to 4.
set -euo pipefail
objdump=$1 library=$2
table=$("$objdump" -p "$library")
names=$(echo "$table" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -E '^\s+\[' | sed 's/^.*\] //' | tr '\n' ' ')
expected="DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer "
[ "$names" = "$expected" ] || { echo "exports: '$names', expected '$expected'"; exit 1; }
grep -q 'Ordinal Base.*1' <<< "$table" || { echo "ordinal base is not 1"; exit 1; }
for n in 1 2 3 4; do
  grep -Eq "\+base\[ +$n\]" <<< "$table" || { echo "no export with ordinal $n"; exit 1; }
done
count=$(grep -Ec '\+base\[ +[0-9]+\]' <<< "$table")
[ "$count" = 4 ] || { echo "$count exports, expected 4"; exit 1; }
echo "exports of $(basename "$library"): $names(ordinals 1-4)"
