#!/bin/bash
# Where the X11 saver's covers land under sway's XWayland with two outputs
# (1280x720, 1920x1080 at its right), for each way of making them
# (kal-x11-covers: managed, override, follow, all-override) and with sway's
# focus on either output. Prints one line per run: what each output shows
# (red: the saver window, green: a cover, grey: sway's empty background) and
# whether a key reached the program. A measurement for README.md, not a
# test: the "managed" rows are today's backend and fail by design.
#
#   KAL_X11_COVERS=build/linux/tests/integration/wayland/kal-x11-covers \
#   KAL_WAYLAND_POINTER=build/linux/tests/integration/wayland/kal-wayland-pointer \
#   KAL_WAYLAND_PROBE=unused bash tests/integration/wayland/xwayland_covers.sh [MODE FOCUS]
#
# Xwayland makes its X socket in /tmp/.X11-unix like every X server.
: "${KAL_X11_COVERS:?KAL_X11_COVERS must name the kal-x11-covers program}"
if [ $# -eq 0 ]; then
  for mode in managed override follow all-override; do
    for focus in HEADLESS-1 HEADLESS-2; do bash "$0" "$mode" "$focus" | grep '^result '; done
  done
  exit 0
fi
MODE=$1 FOCUS=$2
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
start_sway --xwayland 1280x720 1920x1080
start_pointer
# Xwayland starts with the first X client: sway's environment names its display.
sway_msg "exec 'echo \$DISPLAY > $WORK/shots/display'" >/dev/null
poll 10 "[ -s '$WORK/shots/display' ]" || die "sway started no Xwayland"
USER_DISPLAY=$(cat "$WORK/shots/display")
sway_msg "focus output $FOCUS" >/dev/null
start_client covers "$KAL_X11_COVERS" "$MODE" --timeout 30
PID=$CLIENT_PID
wait_line covers '^place cover' 10 || die "kal-x11-covers made no covers"
sleep 1
shows() {
  screenshot "$1" "$1"
  case $(colours_of "$1" | sort -k2 -n -r | head -1 | cut -d' ' -f1) in
    FF0000) echo saver ;;
    00FF00) echo cover ;;
    3F3F3F) echo uncovered ;;
    *) echo "other($(colours_of "$1" | head -1))" ;;
  esac
}
ONE=$(shows HEADLESS-1)
TWO=$(shows HEADLESS-2)
sway_msg 'seat seat0 cursor set 1270 300' >/dev/null
sway_msg 'seat seat0 cursor move 20 0' >/dev/null
as_user wtype -s 300 a -s 1000 b
wait_exit "$PID" 5
KEY=no
grep -q '^key ' "$WORK/covers.out" && KEY=yes
echo "result mode=$MODE focus=$FOCUS HEADLESS-1=$ONE HEADLESS-2=$TWO key=$KEY"
