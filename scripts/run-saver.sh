#!/usr/bin/env bash
# Builds the Linux saver and starts it as a test run (empty command line: the
# cursor stays visible, a key press or a click ends it) on $DISPLAY. Without
# a display it runs on a private Xvfb for a few seconds and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh run
cmake --preset linux >/dev/null
cmake --build --preset linux --target kalvessa -j"$(nproc)"
saver=build/linux/app/linux/kalvessa

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Starting Kalvessa on $DISPLAY: press a key or click to end it."
  exec "$saver"
fi

shot=${KAL_SCREENSHOT:-$PWD/build/kalvessa-screenshot.png}
seconds=${KAL_SECONDS:-5}
n=99
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1280x720x24 -noreset -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$n"
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
"$saver" &
saver_pid=$!
sleep "$seconds"
import -window root "$shot"
xdotool key space || kill "$saver_pid" 2>/dev/null || true
wait "$saver_pid" 2>/dev/null || true
echo "No display: Kalvessa ran on a private Xvfb ($DISPLAY) for $seconds s; screenshot saved to $shot"
