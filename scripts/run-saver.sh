#!/usr/bin/env bash
# Builds the Linux saver and starts it as a test run (empty command line: the
# cursor stays visible, a key press or a click ends it) on $DISPLAY. Without
# a display it runs on a private Xvfb and saves a screenshot once the swarm is
# well in view (at most KAL_SECONDS seconds, 30 by default).
#
#   KAL_SCREENSHOT  where the screenshot goes (build/kalvessa-screenshot.png)
#   KAL_BUILD_DIR   build folder (build/linux, the linux preset's)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh run

build=${KAL_BUILD_DIR:-build/linux}
# Only the program: no tests, tools or benchmarks, so none of their packages is
# needed. A folder already set up with them keeps them.
testing=OFF
if [ -f "$build/CMakeCache.txt" ]; then
  testing=$(sed -n 's/^BUILD_TESTING:BOOL=//p' "$build/CMakeCache.txt")
  testing=${testing:-ON}
fi
bash scripts/ninja-dir.sh "$build"
cmake --preset linux -B "$build" -DBUILD_TESTING="$testing" >/dev/null
cmake --build "$build" --target kalvessa -j"$(nproc)"
saver=$build/app/linux/kalvessa

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Starting Kalvessa on $DISPLAY: press a key or click to end it."
  exec "$saver"
fi

shot=${KAL_SCREENSHOT:-$PWD/build/kalvessa-screenshot.png}
seconds=${KAL_SECONDS:-30}
work=$(mktemp -d "${TMPDIR:-/tmp}/kalvessa-run-XXXXXX")
xvfb_pid=
saver_pid=
cleanup() {
  if [ -n "$saver_pid" ] && kill -0 "$saver_pid" 2>/dev/null; then
    # A key press ends a test run, as it would for a user.
    xdotool key space 2>/dev/null || true
    for _ in $(seq 30); do kill -0 "$saver_pid" 2>/dev/null || break; sleep 0.1; done
    kill "$saver_pid" 2>/dev/null || true
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# The server picks a free display itself and writes its number to fd 3: a
# display chosen by looking at /tmp can belong to another machine's server
# when /tmp is private but the network is not.
Xvfb -displayfd 3 -screen 0 1280x720x24 -noreset -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
if ! [ -s "$work/display" ]; then
  echo "error: Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
DISPLAY=":$(head -n1 "$work/display")"
export DISPLAY
xdpyinfo >/dev/null 2>&1 || {
  echo "error: Xvfb on $DISPLAY does not answer" >&2
  exit 1
}

"$saver" >"$work/saver.log" 2>&1 &
saver_pid=$!
started=$SECONDS

# Non-black pixels of a picture (optionally of a crop of it).
lit() { convert "$1" "${@:2}" -colorspace gray -threshold 0 -format '%[fx:round(mean*w*h)]' info:; }
# Prints the non-black pixels in the middle three quarters of the screen; true
# when most of the swarm lies there, spread over at least 4 cells of a 6 x 6
# grid: the first frames are black, and the swarm often streams off an edge.
in_view() {
  local all inner cells
  all=$(lit "$1")
  inner=$(lit "$1" -gravity center -crop 75%x75%+0+0 +repage)
  cells=$(convert "$1" -gravity center -crop 75%x75%+0+0 +repage -colorspace gray -threshold 0 \
    -scale '6x6!' -depth 8 txt:- | grep -v '^#' | grep -vc '#000000' || true)
  echo "$inner"
  [ "$all" -ge 500 ] && [ $((inner * 10)) -ge $((all * 8)) ] && [ "$cells" -ge 4 ]
}

# Until the swarm is in view, keep the frame with the most of it in the middle.
best=-1
while [ $((SECONDS - started)) -lt "$seconds" ]; do
  sleep 0.5
  kill -0 "$saver_pid" 2>/dev/null || {
    echo "error: kalvessa ended on its own:" >&2
    cat "$work/saver.log" >&2
    exit 1
  }
  import -window root "$work/shot.png"
  if inner=$(in_view "$work/shot.png"); then
    cp "$work/shot.png" "$shot"
    echo "No display: Kalvessa ran on a private Xvfb ($DISPLAY); screenshot after $((SECONDS - started)) s saved to $shot"
    exit 0
  fi
  if [ "${inner:-0}" -gt "$best" ]; then
    best=$inner
    cp "$work/shot.png" "$shot"
  fi
done
[ "$best" -ge 0 ] || {
  echo "error: no screenshot could be taken in $seconds s" >&2
  exit 1
}
echo "No display: Kalvessa ran on a private Xvfb ($DISPLAY) for $seconds s without the swarm well in view;" \
  "the best screenshot saved to $shot"
