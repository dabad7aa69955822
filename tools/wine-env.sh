# Sourced by every script that runs Wine: a prefix of the build tree's own (never ~/.wine), a
# HOME of its own (Wine links Desktop and Documents to $HOME), no Mono/Gecko prompts, and no
# menu entries on the host for the shortcuts programs make (winemenubuilder).
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$top/build/wineprefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
export HOME="${WINE_HOME:-$top/build/winehome}"
mkdir -p "$HOME"
# unixODBC, to which Wine's ODBC hands its calls, finds the user's data sources through the
# password database's home directory, not $HOME: point it at the file of our own HOME.
export ODBCINI="$HOME/.odbc.ini"
# Debian's /usr/bin/wine prefers the 32-bit loader whenever it is installed, even on a kernel
# that cannot run 32-bit programs; the 64-bit loader starts 64-bit programs directly and hands
# 32-bit ones over to the 32-bit loader itself.
export WINELOADER=/usr/lib/wine/wine64
export WINE=/usr/lib/wine/wine64

# Where 32-bit programs run through qemu, Wine's processes preload a correction of what qemu does
# differently from the kernel (tools/emulation/map_fixed_noreplace.c): a 32-bit process then
# starts in about a second instead of a minute. The library is found through the library path, which holds a 32-bit and an empty
# 64-bit build of it, so that each process loads the one of its own kind, whatever blanks the
# tree's path holds. Native programs of the test run (the sanitizers want to come first) are
# started without it (tools/run-tests.sh).
emulation_preload() {
  local source="$top/tools/emulation/map_fixed_noreplace.c" folder="$top/build/emulation" arch target
  for arch in i386 x86_64; do
    target="$folder/$arch/libmap_fixed_noreplace.so"
    [ "$target" -nt "$source" ] && continue
    mkdir -p "$folder/$arch"
    clang --target=$arch-linux-gnu -O2 -fPIC -shared -nostdlib -o "$target.$$" "$source" &&
      mv -f "$target.$$" "$target" || { rm -f "$target.$$"; return 1; }
  done
  export LD_PRELOAD=libmap_fixed_noreplace.so
  export LD_LIBRARY_PATH="$folder/i386:$folder/x86_64${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
}

# True when this machine can run the 32-bit Wine loader (some virtual machines' kernels are
# built without 32-bit support).
wine_runs_32bit() {
  /usr/lib/wine/wine --version >/dev/null 2>&1
}

# True when 32-bit programs run through qemu's emulator (set up by tools/deps.sh): correct, but
# about a minute for each process start.
wine_emulates_32bit() {
  grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null
}

# Starts an X server of our own on a free display, which the server picks itself (a fixed
# number may be taken by another run), and exports DISPLAY; its process is XVFB_PID. Its screen
# is $1 (WIDTHxHEIGHTxDEPTH), 1024x768x24 unless given. False when it does not start.
start_own_display() {
  local display_file number screen="${1:-1024x768x24}"
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do
    [ -s "$display_file" ] && break
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  number=$(tr -d '[:space:]' <"$display_file")
  rm -f "$display_file"
  [ -n "$number" ] || return 1
  export DISPLAY=":$number"
}

# True when the Windows program $1 is a 32-bit (i386) one.
is_pe32() {
  local offset machine
  offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$offset" ] || return 1
  machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' ')
  [ "$machine" = "014c" ]
}

# The Windows form of a host path (Wine maps the host's root to drive Z:).
windows_path() {
  local p
  p=$(realpath -m "$1")
  echo "Z:${p//\//\\}"
}

if wine_emulates_32bit && [ "${LD_PRELOAD:-}" != libmap_fixed_noreplace.so ]; then
  emulation_preload || echo "note: the correction for emulated 32-bit programs could not be built: each 32-bit start takes about a minute." >&2
fi
