#!/usr/bin/env bash
# Installs what the build and the tests need, and only what is missing, so that a newcomer on a
# fresh Debian machine (or CI) gets from a clean clone to a green run with one command; then
# makes sure that 32-bit Windows programs can run, setting up emulation where the kernel cannot
# run i386 code itself.
#
# usage: deps.sh            install what is missing (as root), or say what to run
#        deps.sh --list     print every package this script may install, one per line
#        deps.sh --emulate-32bit
#                           run 32-bit programs through emulation even where the kernel could
#                           run them: how the slow path of other machines is measured here
set -euo pipefail

# Every program the build or the tests start comes from one of these packages or from what
# they depend on; tools/check-tool-packages.sh holds the tests to that.
packages=(cmake make g++ python3 libgtest-dev googletest
          mingw-w64 mingw-w64-tools wine64-tools libwine-dev
          wine wine64 wine32:i386 xvfb x11-utils imagemagick
          x11vnc       # x11vnc: `make run` on a machine without a display, watched live
          clang libclang-rt-14-dev msitools wixl
          zlib1g-dev   # zlib1g-dev: the native inflater tests compare with zlib
          libicu-dev   # libicu-dev: the French number benchmark compares with ICU (never the deliverables)
          # Wine's ODBC hands every call to the host's unixODBC driver manager, of the calling
          # program's bitness; the SQLite driver gives the data sources of the ODBC tests a driver.
          libodbc2 libodbc2:i386 libsqliteodbc libsqliteodbc:i386
          # Wine's TLS (Schannel) is GnuTLS, which Wine only recommends: needed in both bitnesses.
          libgnutls30 libgnutls30:i386
          # The https download tests: certificates made by the test, a real proxy in front.
          python3-cryptography tinyproxy)
# Only where the kernel cannot run i386 programs.
emulation_packages=(qemu-user-static)

if [ "${1:-}" = --list ]; then
  printf '%s\n' "${packages[@]}" "${emulation_packages[@]}"
  exit 0
fi
force_emulation=false
[ "${1:-}" = --emulate-32bit ] && force_emulation=true

is_root() { [ "$(id -u)" -eq 0 ]; }

missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || echo "$p"
  done
}

install() {
  echo "Installing: $*"
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  # A mirror caught in the middle of a sync serves index files of the wrong size: try again a
  # little later, and at worst install from the indexes that did arrive.
  local try
  for try in 1 2 3; do
    apt-get update -qq && break
    [ $try = 3 ] && echo "apt-get update failed three times; installing from the indexes it has" >&2
    sleep 30
  done
  apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

mapfile -t missing < <(missing_of "${packages[@]}")
if [ ${#missing[@]} -gt 0 ]; then
  if ! is_root; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Run once:  sudo sh -c 'dpkg --add-architecture i386 && apt-get update && apt-get install -y --no-install-recommends ${missing[*]}'" >&2
    echo "then run this command again." >&2
    exit 1
  fi
  install "${missing[@]}"
fi

# 32-bit programs. Wine's 32-bit loader is an i386 Linux program: some kernels are built
# without i386 support, and on those binfmt_misc can hand i386 programs to qemu's user-mode
# emulator instead (slow: about a minute for each 32-bit process start, but exact).
loader32=/usr/lib/wine/wine
binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/qemu-i386
runs_32bit() { "$loader32" --version >/dev/null 2>&1; }

if $force_emulation || ! runs_32bit; then
  if [ -f "$entry" ] && grep -qx enabled "$entry" && runs_32bit; then
    exit 0
  fi
  if ! is_root; then
    # Everything else builds and runs; the 32-bit suites report themselves as skipped.
    echo "This machine cannot run 32-bit programs: the 32-bit suites will be skipped. Run once" >&2
    echo "  sudo $0 $*" >&2
    echo "to set up their emulation (qemu-user-static through binfmt_misc)." >&2
    exit 0
  fi
  mapfile -t missing < <(missing_of "${emulation_packages[@]}")
  [ ${#missing[@]} -eq 0 ] || install "${missing[@]}"
  if [ ! -e "$binfmt/register" ]; then
    mount -t binfmt_misc binfmt_misc "$binfmt"
    echo "Mounted binfmt_misc on $binfmt."
  fi
  # A stale or disabled entry is replaced by ours.
  [ -f "$entry" ] && echo -1 > "$entry"
  # i386 ELF executables (e_machine 3); F: the emulator is opened now, so it serves programs in
  # any mount namespace and any later chroot.
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  echo ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" > "$binfmt/register"
  if ! runs_32bit; then
    echo "32-bit programs still cannot run after registering qemu-i386-static with binfmt_misc." >&2
    exit 1
  fi
  echo "32-bit programs now run through qemu-i386-static (registered with binfmt_misc as $entry)."
  echo "Expect about a minute for each 32-bit process start."
fi
