#!/usr/bin/env bash
# Installs what the build and the tests need, and only what is missing, so that a newcomer on a
# fresh Debian machine (or CI) gets from a clean clone to a green run with one command.
set -euo pipefail

packages=(cmake make g++ python3 libgtest-dev googletest mingw-w64 mingw-w64-tools
          wine wine64 wine32:i386 libwine-dev xvfb x11-utils imagemagick clang libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Run once:  sudo sh -c 'dpkg --add-architecture i386 && apt-get update && apt-get install -y ${missing[*]}'" >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
