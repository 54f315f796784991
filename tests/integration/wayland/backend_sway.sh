#!/bin/bash
# Runs the Wayland backend's own tests (WaylandBackend_test.cpp) on headless
# sway with HEADLESS-1 1280x720 and HEADLESS-2 1920x1080 at its right.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
: "${BACKEND_TESTS:?BACKEND_TESTS must name the backend test program}"
start_sway 1280x720 1920x1080
start_client tests "$BACKEND_TESTS" "$@"
wait_exit "$CLIENT_PID" 120
cat "$WORK/tests.out" "$WORK/tests.err"
exit "$EXIT_CODE"
