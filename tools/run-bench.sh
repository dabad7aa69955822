#!/usr/bin/env bash
# Runs the benchmarks and prints their figures (the native ones, then the Windows ones under
# Wine, on an X server of their own when there is no display: the recorder's benchmarks need
# windows).
set -euo pipefail
build="${1:-build}"
top="$(cd "$(dirname "$0")/.." && pwd)"
export PATH=/usr/sbin:/usr/bin:/sbin:/bin
source "$top/tools/wine-env.sh"

cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT

# Each benchmark once, wherever its folder puts it.
find "$build/native" -type f -name '*_bench' -perm -u+x | sort | while read -r program; do
  echo "== $(basename "$program")"
  "$program"
done

if [ -z "${DISPLAY:-}" ]; then
  start_own_display || { echo "Xvfb did not start: the recorder's benchmarks need a display." >&2; exit 1; }
fi
"$top/tools/wine-prefix.sh"
for program in "$build"/win64/bin/*_bench.exe; do
  [ -f "$program" ] && { echo "== $(basename "$program") (x86_64, Wine)"; "$top/tools/wine-run" "$program"; }
done
