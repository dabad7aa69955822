#!/usr/bin/env bash
# Runs every suite in one ctest run: native cores, then the Windows builds under Wine with one
# wineserver kept alive for the whole run, under Xvfb when there is no display.
set -euo pipefail
build="${1:-build}"
top="$(cd "$(dirname "$0")/.." && pwd)"
source "$top/tools/wine-env.sh"

if [ -z "${DISPLAY:-}" ]; then
  display=":$((90 + RANDOM % 100))"
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY="$display"
fi
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT

"$top/tools/wine-prefix.sh"
wineserver -p >/dev/null 2>&1 || true
# Start Wine's services now, detached from any test's output.
$WINE cmd /c exit >/dev/null 2>&1 </dev/null || true
wine_runs_32bit || echo "note: this machine's kernel cannot run 32-bit programs; the win32 suites will be reported as skipped"

cd "$build/native"
ctest --output-on-failure --timeout 600
