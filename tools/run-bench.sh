#!/usr/bin/env bash
# Runs the benchmarks and prints their figures (the native ones, then the Windows ones under
# Wine).
set -euo pipefail
build="${1:-build}"
top="$(cd "$(dirname "$0")/.." && pwd)"
for program in "$build"/native/bench/*/*_bench "$build"/native/*/*/*_bench; do
  [ -x "$program" ] && { echo "== $(basename "$program")"; "$program"; }
done
for program in "$build"/win64/bin/*_bench.exe; do
  [ -f "$program" ] && { echo "== $(basename "$program") (x86_64, Wine)"; "$top/tools/wine-run" "$program"; }
done
