#!/usr/bin/env bash
# Runs the benchmarks that `make bench` built (target `benchmarks` of each build), each once:
# the native ones, then the Windows ones of both bitnesses under Wine, on an X server of their
# own when there is no display (the recorder's and the table's need windows). Each prints its
# details; the run ends with one table of the headline figures and their targets (the lines
# a benchmark prints through bench/figure.h).
# 32-bit benchmarks run where 32-bit programs run natively: under emulation their times would
# be the emulator's, not the program's.
# usage: run-bench.sh BUILD_DIR
set -euo pipefail
build="${1:-build}"
top="$(cd "$(dirname "$0")/.." && pwd)"
export PATH=/usr/sbin:/usr/bin:/sbin:/bin
source "$top/tools/wine-env.sh"

figures=$(mktemp)
cleanup() {
  rm -f "$figures"
  wineserver -k >/dev/null 2>&1 || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT

# run PLATFORM PROGRAM [RUNNER...]: its output shown, its figures kept.
run() {
  local platform=$1 program=$2 output status=0
  shift 2
  echo "== $(basename "$program") ($platform)"
  output=$("$@" "$program" 2>&1) || status=$?
  grep -v '^figure|' <<<"$output" || true
  grep '^figure|' <<<"$output" | sed "s/^figure|/$(basename "$program")|$platform|/" >>"$figures" || true
  [ $status -eq 0 ] || { echo "   (it failed: status $status)"; failed+=("$(basename "$program") ($platform)"); }
}
failed=()

natives=("$build"/native/bench/*_bench)
[ -x "${natives[0]}" ] || { echo "No benchmark in $build/native/bench: build them first (make bench)." >&2; exit 1; }
for program in "${natives[@]}"; do run native "$program"; done

if [ -z "${DISPLAY:-}" ]; then
  start_own_display || { echo "Xvfb did not start: the windows' benchmarks need a display." >&2; exit 1; }
fi
"$top/tools/wine-prefix.sh"
wineserver -p >/dev/null 2>&1 || true
$WINE reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 </dev/null || true
for program in "$build"/win64/bin/*_bench.exe; do
  if [ -f "$program" ]; then run "x86_64, Wine" "$program" "$top/tools/wine-run"; fi
done
if ! wine_runs_32bit; then
  echo "== 32-bit benchmarks: not run, this machine cannot run 32-bit programs."
elif wine_emulates_32bit; then
  echo "== 32-bit benchmarks: not run, 32-bit programs run through emulation here and their times would be the emulator's."
else
  for program in "$build"/win32/bin/*_bench.exe; do
    if [ -f "$program" ]; then run "i686, Wine" "$program" "$top/tools/wine-run"; fi
  done
fi

echo
echo "Figures"
printf '%-26s %-13s %-46s %-14s %s\n' benchmark platform figure value target
sort -s -t'|' -k1,1 "$figures" | while IFS='|' read -r program platform what value target; do
  printf '%-26s %-13s %-46s %-14s %s\n' "$program" "$platform" "$what" "$value" "$target"
done
[ ${#failed[@]} -eq 0 ] || { echo "Failed: ${failed[*]}"; exit 1; }
