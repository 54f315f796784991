#!/bin/bash
# Runs the X11 backend's own tests (X11Backend_test.cpp) on a private Xvfb.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
: "${BACKEND_TESTS:?BACKEND_TESTS must name the backend test program}"
start_xvfb 1024x768
"$BACKEND_TESTS" "$@"
