#!/usr/bin/env bash
# Runs a command holding the build tree's lock, so that two commands started at once in one
# tree take turns instead of building over each other. The lock is held by flock itself, not
# by the command: programs the command leaves running (Wine's server, an X server) do not keep
# it. A lock left by a command that was killed goes with its process.
# usage: locked.sh BUILD_DIR COMMAND...
set -euo pipefail
build=$1
shift
mkdir -p "$build"
lock="$build/.lock"
if ! flock -n -o "$lock" true; then
  echo "Another make command is running in this tree ($build is locked); waiting for it to finish..."
fi
exec flock -o "$lock" "$@"
