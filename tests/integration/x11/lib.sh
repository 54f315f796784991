# shellcheck shell=bash disable=SC2034  # variables are read by the tests that source this file
# Shared helpers of the native X11 integration tests. Sourced by each test;
# every test starts its own Xvfb (a free display picked by the server itself)
# and removes everything it started when it ends, whatever way it ends.
#
# Needs: KALVESSA and XPROBE (paths of the programs), Xvfb, xdotool, import/convert.
set -u
# shellcheck source-path=SCRIPTDIR source=../checks.sh
. "$(dirname "${BASH_SOURCE[0]}")/../checks.sh"

: "${KALVESSA:?KALVESSA must name the kalvessa program}"
: "${XPROBE:?XPROBE must name the xprobe tool}"
for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

# Generous limits: a busy 2-core CI machine can be slow to start programs.
WINDOW_TIMEOUT=${WINDOW_TIMEOUT:-30}
EXIT_TIMEOUT=${EXIT_TIMEOUT:-20}
SAVER_CAPTION=Kalvessa_m

# A Wayland session's variable would make the program choose Wayland: these
# tests are about the X11 window system on their own server.
unset WAYLAND_DISPLAY
WORK=$(mktemp -d "${TMPDIR:-/tmp}/kal-x11-test-XXXXXX")
# A home of the test's own, removed with WORK: settings never touch the user's,
# and openbox's log, font caches and the instance lock stay in here.
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data" XDG_CACHE_HOME="$WORK/cache"
export XDG_RUNTIME_DIR="$WORK/runtime"
if ! mkdir -p "$HOME" "$XDG_RUNTIME_DIR" || ! chmod 700 "$XDG_RUNTIME_DIR"; then
  echo "FAIL: cannot make a home in $WORK"
  exit 1
fi
XVFB_PID=
WM_PID=
STARTED_PIDS=()

cleanup() {
  local pid
  for pid in "${STARTED_PIDS[@]}"; do kill -9 "$pid" 2>/dev/null; done
  [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && wait "$XVFB_PID" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT


# start_xvfb [WIDTHxHEIGHT] [more Xvfb arguments...]
start_xvfb() {
  local size=${1:-1024x768}
  shift || true
  local fifo="$WORK/displayfd"
  : >"$fifo"
  # -noreset: the server keeps its state (pointer position) between clients.
  Xvfb -displayfd 3 -screen 0 "${size}x24" -noreset -nolisten tcp "$@" 3>"$fifo" 2>"$WORK/xvfb.log" &
  XVFB_PID=$!
  local _
  for _ in $(seq 1 200); do
    [ -s "$fifo" ] && break
    kill -0 "$XVFB_PID" 2>/dev/null || die "Xvfb did not start: $(cat "$WORK/xvfb.log")"
    sleep 0.05
  done
  [ -s "$fifo" ] || die "Xvfb did not report a display"
  DISPLAY=":$(head -n1 "$fifo")"
  export DISPLAY
  log "Xvfb on $DISPLAY ($size)"
}

start_openbox() {
  command -v openbox >/dev/null || die "openbox is not installed"
  openbox --sm-disable >"$WORK/openbox.log" 2>&1 &
  WM_PID=$!
  # Running is not enough: it must already take new windows into frames.
  "$XPROBE" wm-ready 30 || die "openbox did not come up: $(cat "$WORK/openbox.log")"
  log "openbox running"
}


# start_saver ARGS...: runs kalvessa in the background; its pid in SAVER_PID.
start_saver() {
  "$KALVESSA" "$@" >"$WORK/saver.out" 2>&1 &
  SAVER_PID=$!
  STARTED_PIDS+=("$SAVER_PID")
}

# wait_window: the saver window is up (viewable).
wait_window() {
  "$XPROBE" wait "$SAVER_CAPTION" "$WINDOW_TIMEOUT" || {
    fail "no viewable window \"$SAVER_CAPTION\" within ${WINDOW_TIMEOUT}s"
    # What there is instead, for the log.
    xwininfo -root -tree 2>&1 | head -40
    "$XPROBE" window "$SAVER_CAPTION"
    return 1
  }
}


# still_running PID SECONDS: the process is still there after SECONDS.
still_running() {
  sleep "$2"
  kill -0 "$1" 2>/dev/null
}

# alive PID: the process runs. A zombie is not alive: a program whose parent
# died first waits as one until the system reaps it, which can take a second.
alive() {
  local stat
  stat=$(ps -o stat= -p "$1" 2>/dev/null) && [[ $stat != Z* ]]
}

# run_quick ARGS...: a start that must end by itself; exit code in EXIT_CODE.
run_quick() {
  "$KALVESSA" "$@" >"$WORK/quick.out" 2>&1 &
  local pid=$!
  STARTED_PIDS+=("$pid")
  wait_exit "$pid"
}

screen_size() { "$XPROBE" screen; }

window_field() { "$XPROBE" window "$SAVER_CAPTION" | awk -v k="$1" '$1 == k { $1 = ""; sub(/^ /, ""); print }'; }

# The colours a saver screen may show: black and the trail's golds.
TRAIL_COLOURS="000000 FAFA00 FAC800 BEA000 BE9600 B48C00 B48200 AA7800 AA6400 A05A00 A05000"

# screenshot NAME: the whole screen as $WORK/NAME.png (kept in $KAL_SHOTS when set).
screenshot() {
  import -window root "$WORK/$1.png" || { fail "import failed"; return 1; }
  if [ -n "${KAL_SHOTS:-}" ]; then mkdir -p "$KAL_SHOTS" && cp "$WORK/$1.png" "$KAL_SHOTS/"; fi
}

# colours_of NAME: "RRGGBB count" lines of the screenshot's histogram.
colours_of() {
  convert "$WORK/$1.png" -format %c histogram:info: |
    sed -n 's/^ *\([0-9]*\):.*#\([0-9A-Fa-f]\{6\}\).*/\2 \1/p' | tr 'a-f' 'A-F'
}

# only_saver_colours NAME: every pixel is black or a trail colour.
only_saver_colours() {
  local colour count bad=0
  while read -r colour count; do
    case " $TRAIL_COLOURS " in
      *" $colour "*) ;;
      *) echo "unexpected colour #$colour ($count pixels)"; bad=1 ;;
    esac
  done < <(colours_of "$1")
  return $bad
}

# count_colour NAME RRGGBB: how many pixels have that colour.
count_colour() { colours_of "$1" | awk -v c="$2" '$1 == c { print $2; f = 1 } END { if (!f) print 0 }'; }

# trail_pixels NAME: how many pixels show a trail colour (not black).
trail_pixels() { colours_of "$1" | awk '$1 != "000000" { n += $2 } END { print n + 0 }'; }
