# shellcheck shell=bash
# An X server with several monitors at distinct positions, for the monitor
# tests of both targets (sourced after their lib.sh). Xvfb cannot be one: its
# Xinerama heads all sit at (0, 0) and it refuses `xrandr --setmonitor`. Xorg
# with the dummy video driver has sixteen RandR outputs; any of them can be
# given a mode and a place at run time, as a monitor plugged in, and switched
# off again. It runs in the background with a configuration, log and display
# number of its own, away from the virtual terminals.
#
# multihead_start WORKDIR [MODULE]: the server; DISPLAY is set and MULTIHEAD_PID
# is its pid. Exits 77 (the tests' skip code) when no such server can run here.
# MODULE: a video driver (NAME_drv.so, e.g. tests/tools/kaldpms_drv.c: the
# dummy with DPMS) to drive the screen instead of the dummy.
# multihead_layout OUTPUT=WxH+X+Y[*] ...: gives each output that mode and
# place (* makes it the primary), OUTPUT=off switches it off; name every output
# that stays on, as xrandr shifts a layout to start at (0, 0).
# multihead_crop SHOT.png WxH+X+Y OUT.png: that part of a screenshot.

MULTIHEAD_PID=

multihead_start() {
  local dir=$1 module=${2:-}
  local driver=/usr/lib/xorg/modules/drivers/dummy_drv.so name=dummy files=
  if ! command -v Xorg >/dev/null || [ ! -e "$driver" ] || ! command -v xrandr >/dev/null; then
    echo "SKIP: needs Xorg, its dummy video driver and xrandr" \
      "(xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils)"
    exit 77
  fi
  if [ -n "$module" ]; then
    name=$(basename "$module" _drv.so)
    files=$(printf 'Section "Files"\n  ModulePath "%s"\n  ModulePath "/usr/lib/xorg/modules"\nEndSection' \
      "$(dirname "$module")")
  fi
  mkdir -p "$dir/xorg.conf.d"
  # The times at 0: nothing blanks or powers the display down by itself.
  cat >"$dir/xorg.conf" <<EOF
$files
Section "Device"
  Identifier "dummy"
  Driver "$name"
  VideoRam 64000
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
EndSection
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoEnableDevices" "false"
  Option "BlankTime" "0"
  Option "StandbyTime" "0"
  Option "SuspendTime" "0"
  Option "OffTime" "0"
EndSection
EOF
  local fifo="$dir/displayfd"
  : >"$fifo"
  # -noreset: the pointer's position outlives each client.
  Xorg -displayfd 3 -noreset -nolisten tcp -novtswitch -sharevts -config "$dir/xorg.conf" \
    -configdir "$dir/xorg.conf.d" -logfile "$dir/xorg.log" 3>"$fifo" >"$dir/xorg.out" 2>&1 &
  MULTIHEAD_PID=$!
  local _
  for _ in $(seq 1 200); do
    [ -s "$fifo" ] && break
    kill -0 "$MULTIHEAD_PID" 2>/dev/null || break
    sleep 0.05
  done
  if [ ! -s "$fifo" ]; then
    echo "SKIP: Xorg with the dummy driver did not start here:"
    tail -n 15 "$dir/xorg.log" "$dir/xorg.out" 2>/dev/null
    kill "$MULTIHEAD_PID" 2>/dev/null
    exit 77
  fi
  DISPLAY=":$(head -n1 "$fifo")"
  export DISPLAY
  echo "--- Xorg (dummy) on $DISPLAY"
}

multihead_layout() {
  local arg out geometry size pos args=()
  for arg in "$@"; do
    out=${arg%%=*}
    geometry=${arg#*=}
    if [ "$geometry" = off ]; then
      args+=(--output "$out" --off)
      continue
    fi
    args+=(--output "$out")
    case "$geometry" in *"*") args+=(--primary) geometry=${geometry%"*"} ;; esac
    size=${geometry%%+*}
    pos=${geometry#*+}
    # The dummy outputs know only the first output's modes until given one.
    xrandr --addmode "$out" "$size" 2>/dev/null
    args+=(--mode "$size" --pos "${pos/+/x}")
  done
  # One request: xrandr moves a layout whose top-left corner is not (0, 0).
  xrandr "${args[@]}" || return
  # The dummy driver reports an output that had no mode when xrandr probed it
  # as disconnected, and the server keeps that status until the next probe.
  # Readers of the unprobed status (Wine: XRRGetScreenResourcesCurrent) skip
  # disconnected outputs and would see the primary alone. A real monitor's
  # hot-plug brings the same probe about.
  xrandr --query >/dev/null
}

multihead_crop() { convert "$1" -crop "$2" +repage "$3"; }
