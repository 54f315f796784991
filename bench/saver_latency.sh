#!/bin/bash
# Input-to-exit latency of the native saver: the time from a key press or a
# click, sent through XTEST as xdotool sends them, to the end of the
# `kalvessa /s` process. A measurement, not a test: it prints a table and the
# command line that reproduces it.
#
#   bench/saver_latency.sh [REPETITIONS] [WIDTHxHEIGHT]
#
# Each repetition starts the saver on the same Xvfb, waits until its window is
# viewable plus 1 s (and a random part of one display refresh, so the input
# falls anywhere in the pacer's cycle), then a small helper sends the input
# and waits on a pidfd of the saver: the clock starts when the request leaves
# for the server and stops when the process has exited. With XDOTOOL=1 the
# input comes from `xdotool key space` / `xdotool click 1` instead and the
# exit is polled every millisecond (about 1.5 ms a look, each starts a
# sleep); that figure includes xdotool's own start-up.
#
# With SCR=path/to/Kalvessa.scr the same is measured for the Windows build
# under Wine (a prefix of its own in the scratch folder, settings defaults),
# with openbox running: with no window manager Wine waits 2 s for one before
# it hides a full-screen window. WM=1 runs openbox for the native saver too.
#
# Needs: cc, libx11-dev, libxtst-dev (the helper), xvfb, xdotool; for SCR
# wine and openbox.
# Environment: BUILD (default build/linux), KALVESSA, XPROBE, XDOTOOL, SCR, WM.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/build/linux}
export KALVESSA=${KALVESSA:-$BUILD/app/linux/kalvessa}
export XPROBE=${XPROBE:-$BUILD/tests/tools/xprobe}
XDOTOOL=${XDOTOOL:-0}
SCR=${SCR:-}
WM=${WM:-0}
[ -n "$SCR" ] && WM=1
REPS=${1:-20}
SIZE=${2:-1920x1080}

for f in "$KALVESSA" "$XPROBE"; do
  [ -x "$f" ] || { echo "missing $f (cmake --build --preset linux --target kalvessa xprobe)"; exit 2; }
done

# shellcheck source-path=SCRIPTDIR source=../tests/integration/x11/lib.sh
. "$ROOT/tests/integration/x11/lib.sh"

# The helper: sends one key press (space) or one button-1 press through XTEST
# and reports the milliseconds until the given process has exited; releases
# the key or button afterwards. A pidfd sees the exit of a process that is not
# its child, the moment it happens.
HELPER="$WORK/exit-latency"
cat >"$WORK/exit-latency.c" <<'EOF'
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

int main(int argc, char** argv) {
  if (argc != 4 || (strcmp(argv[1], "key") && strcmp(argv[1], "click"))) {
    fprintf(stderr, "usage: exit-latency key|click PID TIMEOUT_MS\n");
    return 2;
  }
  int key = strcmp(argv[1], "key") == 0;
  pid_t pid = (pid_t)atoi(argv[2]);
  int timeout = atoi(argv[3]);
  int pidfd = (int)syscall(SYS_pidfd_open, pid, 0);
  if (pidfd < 0) { perror("pidfd_open"); return 2; }
  Display* d = XOpenDisplay(NULL);
  if (!d) { fprintf(stderr, "cannot open display\n"); return 2; }
  int ev, er, ma, mi;
  if (!XTestQueryExtension(d, &ev, &er, &ma, &mi)) { fprintf(stderr, "no XTEST\n"); return 2; }
  KeyCode space = XKeysymToKeycode(d, XK_space);
  XSync(d, False);
  if (key) XTestFakeKeyEvent(d, space, True, CurrentTime);
  else XTestFakeButtonEvent(d, 1, True, CurrentTime);
  double t0 = now_ms();
  XFlush(d);
  struct pollfd p = {pidfd, POLLIN, 0};
  int r = poll(&p, 1, timeout);
  double t1 = now_ms();
  if (key) XTestFakeKeyEvent(d, space, False, CurrentTime);
  else XTestFakeButtonEvent(d, 1, False, CurrentTime);
  XSync(d, False);
  XCloseDisplay(d);
  if (r <= 0) { printf("timeout\n"); return 1; }
  printf("%.3f\n", t1 - t0);
  return 0;
}
EOF
cc -O2 -Wall -o "$HELPER" "$WORK/exit-latency.c" -lXtst -lX11 ||
  { echo "cannot build the helper (apt-get install libx11-dev libxtst-dev)"; exit 2; }

ms() { date +%s%N; }
# xdotool_latency key|click PID: the same figure through xdotool, exit polled each millisecond.
xdotool_latency() {
  local pid=$1 t0 t1
  t0=$(ms)
  # In the background: xdotool waits between press and release, the saver need not.
  if [ "$2" = key ]; then xdotool key space & else xdotool click 1 & fi
  while [ -e "/proc/$pid" ] && [ "$(awk '{ print $3 }' "/proc/$pid/stat" 2>/dev/null)" != Z ]; do
    sleep 0.001
    [ $(($(ms) - t0)) -gt 5000000000 ] && { echo timeout; return; }
  done
  t1=$(ms)
  wait $!
  awk -v d=$((t1 - t0)) 'BEGIN { printf "%.3f\n", d / 1e6 }'
}

start_xvfb "$SIZE" >/dev/null
[ "$WM" = 1 ] && start_openbox >/dev/null
PROGRAM="kalvessa /s"
if [ -n "$SCR" ]; then
  [ -f "$SCR" ] || { echo "missing $SCR (cmake --build --preset windows)"; exit 2; }
  PROGRAM="Kalvessa.scr /s under Wine"
  export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wineboot -i >/dev/null 2>&1
  wineserver -w
  cp "$SCR" "$WORK/Kalvessa.scr"
  # The wine loader becomes the Windows process: the pid stays the saver's.
  printf '#!/bin/sh\nexec wine "%s" "$@"\n' "$WORK/Kalvessa.scr" >"$WORK/wine-saver"
  chmod +x "$WORK/wine-saver"
  KALVESSA="$WORK/wine-saver"
fi
echo "# bench/saver_latency.sh $REPS $SIZE  (XDOTOOL=$XDOTOOL)"
echo "# $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load at start $(cut -d' ' -f1-3 /proc/loadavg)"
for kind in key click; do
  : >"$WORK/$kind"
  for i in $(seq 1 "$REPS"); do
    start_saver /s
    wait_window || die "the saver did not show its window"
    sleep "1.$(printf '%03d' $((RANDOM % 17)))"
    if [ "$XDOTOOL" = 1 ]; then
      t=$(xdotool_latency "$SAVER_PID" "$kind")
    else
      t=$("$HELPER" "$kind" "$SAVER_PID" 5000)
    fi
    wait_exit "$SAVER_PID" 5
    STARTED_PIDS=()  # reaped: the clean-up must not signal a pid that may be reused
    [ "$EXIT_CODE" = 0 ] || echo "# $kind $i: exit code $EXIT_CODE"
    echo "$kind $i: $t ms"
    echo "$t" >>"$WORK/$kind"
    "$XPROBE" gone "$SAVER_CAPTION" 5 || die "the saver's window stayed"
  done
done
LOAD_END=$(cut -d' ' -f1-3 /proc/loadavg)

summary() {
  grep -v timeout "$WORK/$1" | sort -g | awk -v n="$(wc -l <"$WORK/$1")" '{ v[NR] = $1 } END {
    if (NR == 0) { printf "no exit within 5 s"; exit }
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%d of %d | %.2f | %.2f | %.2f", NR, n, v[1], m, v[NR] }'
}
echo
echo "Input to exit of $PROGRAM, $SIZE Xvfb$([ "$WM" = 1 ] && echo " with openbox"), milliseconds; load at the end $LOAD_END"
echo
echo "| Input | Exited | Min | Median | Max |"
echo "|---|---|---|---|---|"
echo "| key (space) | $(summary key) |"
echo "| click (button 1) | $(summary click) |"
echo
echo "Reproduce: $([ "$XDOTOOL" = 1 ] && echo "XDOTOOL=1 ")$([ -n "$SCR" ] && echo "SCR=$SCR ")$([ "$WM" = 1 ] && [ -z "$SCR" ] && echo "WM=1 ")bench/saver_latency.sh $REPS $SIZE"
# Wine's own processes go with the scratch prefix.
[ -n "$SCR" ] && timeout 15 wineserver -k 2>/dev/null
exit 0
