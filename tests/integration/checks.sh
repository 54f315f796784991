# shellcheck shell=bash disable=SC2034  # EXIT_CODE and FAILURES are read by the tests
# The checks every integration test's helpers share (x11/lib.sh and
# wayland/lib.sh source this): what a test says, how it fails and ends, and
# how it waits. A test counts its failed checks in FAILURES.
FAILURES=0

log() { echo "--- $*"; }
fail() { echo "FAIL: $*"; FAILURES=$((FAILURES + 1)); }
die() { echo "FAIL: $*"; exit 1; }
# Ends the test: exit code 1 when any check failed.
finish() {
  if [ "$FAILURES" -gt 0 ]; then echo "$FAILURES check(s) failed"; exit 1; fi
  echo "all checks passed"
  exit 0
}

# poll SECONDS COMMAND: true as soon as COMMAND succeeds.
poll() {
  local seconds=$1 cmd=$2
  local end=$((SECONDS + seconds))
  while [ "$SECONDS" -le "$end" ]; do
    eval "$cmd" && return 0
    sleep 0.05
  done
  return 1
}

# wait_exit PID [SECONDS]: waits for the process; its exit code in EXIT_CODE
# (124 when it did not end in time; it is then killed). SECONDS defaults to
# EXIT_TIMEOUT (20).
wait_exit() {
  local pid=$1 seconds=${2:-${EXIT_TIMEOUT:-20}}
  if poll "$seconds" "! kill -0 $pid 2>/dev/null"; then
    wait "$pid"
    EXIT_CODE=$?
  else
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    EXIT_CODE=124
  fi
}
