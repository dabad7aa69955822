# Sourced by the script tests: check DESCRIPTION COMMAND... says ok or FAILED for each check and
# counts the failures; a test ends with `[ $failures -eq 0 ]`.
failures=0
check() {
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
