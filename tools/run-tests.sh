#!/usr/bin/env bash
# Runs every suite in one ctest run: native cores, then the Windows builds under Wine with one
# wineserver kept alive for the whole run, under an X server of its own when there is no
# display. Suites that do not share a resource run side by side (ctest -j).
# usage: run-tests.sh BUILD_DIR [ctest arguments...]
set -euo pipefail
build="${1:-build}"
shift || true
top="$(cd "$(dirname "$0")/.." && pwd)"
# Debian's programs only, as under make (a python of pyenv would otherwise serve the tests).
export PATH=/usr/sbin:/usr/bin:/sbin:/bin
source "$top/tools/wine-env.sh"

cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

if [ -z "${DISPLAY:-}" ]; then
  start_own_display || { echo "Xvfb did not start: the window suites need a display." >&2; exit 1; }
fi

"$top/tools/wine-prefix.sh"
wineserver -p >/dev/null 2>&1 || true
# Windows not left to a window manager: there is none on a bare X server, and Wine would wait
# two seconds for one at every window it hides. (This also starts Wine's services, detached
# from any test's output.)
$WINE reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 </dev/null || true
if wine_runs_32bit; then
  wine_emulates_32bit && echo "note: 32-bit programs run through emulation here (about a minute for each start)."
else
  echo "note: this machine cannot run 32-bit programs; the win32 suites will be reported as skipped."
  echo "      Run tools/deps.sh as root once to set up their emulation."
fi

cd "$build/native"
env -u LD_PRELOAD ctest --output-on-failure --timeout 900 -j "${TEST_JOBS:-$(nproc)}" "$@"
