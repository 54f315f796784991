# shellcheck shell=bash disable=SC2034  # variables are read by the tests that source this file
# Shared helpers of the Wayland integration tests. Sourced by each test; every
# test starts its own headless compositor (sway or weston) with a runtime
# folder of its own inside the test's temporary folder, and removes
# everything it started when it ends, whatever way it ends.
#
# sway refuses to run as root: as root, the compositor and every client run
# as an ordinary user (KAL_TEST_USER, default nobody) through setpriv, with a
# private XDG_RUNTIME_DIR (mode 700, theirs) and copies of the programs they
# run in a folder they can read.
#
# Needs: KAL_WAYLAND_PROBE (the probe program), jq, ImageMagick's convert;
# sway, swaymsg, grim, wtype for start_sway; weston for start_weston.
set -u
# shellcheck source-path=SCRIPTDIR source=../checks.sh
. "$(dirname "${BASH_SOURCE[0]}")/../checks.sh"

: "${KAL_WAYLAND_PROBE:?KAL_WAYLAND_PROBE must name the kal-wayland-probe program}"
for tool in jq convert setpriv; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

# Generous limits: a busy 2-core machine can be slow to start a compositor.
START_TIMEOUT=${START_TIMEOUT:-30}
LINE_TIMEOUT=${LINE_TIMEOUT:-20}
EXIT_TIMEOUT=${EXIT_TIMEOUT:-$LINE_TIMEOUT}

STARTED_PIDS=()
COMPOSITOR_PID=
WAYLAND_SOCKET=
SWAYSOCK=

# A test that cannot run here (no compositor that starts): CTest counts it as skipped.
skip() { echo "SKIP: $*"; exit 77; }

# Who runs the compositor and the clients.
AS_USER=()
TEST_USER=$(id -un)
if [ "$(id -u)" = 0 ]; then
  TEST_USER=${KAL_TEST_USER:-nobody}
  id "$TEST_USER" >/dev/null 2>&1 || skip "no user $TEST_USER to run the compositor as (sway refuses root)"
  AS_USER=(setpriv --reuid="$TEST_USER" --regid="$(id -g "$TEST_USER")" --clear-groups)
fi

# The test's folder. That user must be able to reach it: a TMPDIR below a
# private folder (a build tree in /root) cannot be, and then the folder is
# made in /tmp, still under a fresh unique name.
WORK=$(mktemp -d "${TMPDIR:-/tmp}/kal-wayland-test-XXXXXX") || die "cannot make a temporary folder"
chmod 755 "$WORK"
if [ ${#AS_USER[@]} -gt 0 ] && ! "${AS_USER[@]}" test -x "$WORK"; then
  rmdir "$WORK"
  WORK=$(mktemp -d /tmp/kal-wayland-test-XXXXXX) || die "cannot make a temporary folder"
  chmod 755 "$WORK"
fi
# The user's home, runtime folder and programs, all inside WORK.
USER_HOME=$WORK/home
RUNTIME=$WORK/runtime
BIN=$WORK/bin
mkdir -p "$USER_HOME" "$RUNTIME" "$BIN" "$WORK/shots"
chmod 700 "$RUNTIME"
chmod 755 "$BIN"
chmod 777 "$WORK/shots"
if [ ${#AS_USER[@]} -gt 0 ]; then
  chown "$TEST_USER:$(id -g "$TEST_USER")" "$USER_HOME" "$RUNTIME" || die "cannot give $TEST_USER its folders"
fi

cleanup() {
  local pid
  for pid in "${STARTED_PIDS[@]}"; do
    kill -9 "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  done
  if [ -n "$COMPOSITOR_PID" ]; then
    kill "$COMPOSITOR_PID" 2>/dev/null
    # It gets a moment to go: its runtime folder is removed below.
    local _
    for _ in $(seq 1 40); do kill -0 "$COMPOSITOR_PID" 2>/dev/null || break; sleep 0.05; done
    kill -9 "$COMPOSITOR_PID" 2>/dev/null
    wait "$COMPOSITOR_PID" 2>/dev/null
  fi
  rm -rf "$WORK"
}
trap cleanup EXIT

# user_env: the environment of the test user's programs, as env arguments.
user_env() {
  USER_ENV=(PATH=/usr/local/bin:/usr/bin:/bin HOME="$USER_HOME" XDG_RUNTIME_DIR="$RUNTIME" LANG=C.UTF-8)
  [ -n "$WAYLAND_SOCKET" ] && USER_ENV+=(WAYLAND_DISPLAY="$WAYLAND_SOCKET")
  [ -n "$SWAYSOCK" ] && USER_ENV+=(SWAYSOCK="$SWAYSOCK")
  [ -n "${KALVESSA_WAYLAND_SHELL:-}" ] && USER_ENV+=(KALVESSA_WAYLAND_SHELL="$KALVESSA_WAYLAND_SHELL")
  [ -n "${KALVESSA_PLATFORM:-}" ] && USER_ENV+=(KALVESSA_PLATFORM="$KALVESSA_PLATFORM")
  [ -n "${WAYLAND_DEBUG:-}" ] && USER_ENV+=(WAYLAND_DEBUG="$WAYLAND_DEBUG")
  [ -n "${USER_DISPLAY:-}" ] && USER_ENV+=(DISPLAY="$USER_DISPLAY")
  return 0
}

# as_user COMMAND...: runs it as the test user with the test's environment.
as_user() {
  user_env
  env -i "${USER_ENV[@]}" "${AS_USER[@]}" "$@"
}

# install_program PATH: a copy the test user can run; its path on stdout.
install_program() {
  local to
  to=$BIN/$(basename "$1")
  [ "$1" = "$to" ] && { echo "$to"; return 0; }
  { cp "$1" "$to" && chmod 755 "$to"; } || die "cannot copy $1"
  echo "$to"
}


# wait_socket LOG: the compositor's socket appeared in RUNTIME (its name in
# WAYLAND_SOCKET); skips the test when the compositor ended instead.
wait_socket() {
  local log=$1 s end=$((SECONDS + START_TIMEOUT))
  while [ "$SECONDS" -le "$end" ]; do
    for s in "$RUNTIME"/wayland-*; do
      case $s in *.lock) continue ;; esac
      if [ -S "$s" ]; then
        WAYLAND_SOCKET=$(basename "$s")
        return 0
      fi
    done
    kill -0 "$COMPOSITOR_PID" 2>/dev/null || { tail -20 "$log"; skip "the compositor ended at start"; }
    sleep 0.05
  done
  tail -20 "$log"
  skip "the compositor made no socket within ${START_TIMEOUT}s"
}

# start_sway [--xwayland] SIZE...: headless sway with one output per SIZE
# (WIDTHxHEIGHT or WIDTHxHEIGHT@SCALE), placed left to right in that order,
# named HEADLESS-1, HEADLESS-2, ... SWAY_CONFIG_EXTRA: more lines for its
# configuration (a bar, say). Skipped (77) where sway cannot run.
start_sway() {
  local xwayland=disable
  if [ "${1:-}" = --xwayland ]; then xwayland=enable; shift; fi
  [ $# -ge 1 ] || die "start_sway needs at least one output size"
  for tool in sway swaymsg grim; do command -v "$tool" >/dev/null || skip "$tool is not installed"; done
  cat >"$WORK/sway.cfg" <<EOT
# No bar, no borders, no gaps: every output's pixels are the clients'.
default_border none
default_floating_border none
focus_follows_mouse no
xwayland $xwayland
${SWAY_CONFIG_EXTRA:-}
EOT
  chmod 644 "$WORK/sway.cfg"
  (cd "$WORK" && exec env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$USER_HOME" XDG_RUNTIME_DIR="$RUNTIME" \
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    "${AS_USER[@]}" sway -c "$WORK/sway.cfg" >"$WORK/sway.log" 2>&1) &
  COMPOSITOR_PID=$!
  wait_socket "$WORK/sway.log"
  poll 10 find_swaysock || skip "sway made no IPC socket"
  poll 10 'sway_msg -t get_version >/dev/null 2>&1' || skip "sway does not answer on its IPC socket"
  # The first output exists from the start; the others are made.
  local n=1 x=0 size scale w h
  for size in "$@"; do
    [ "$n" -gt 1 ] && { sway_msg create_output >/dev/null || die "swaymsg create_output failed"; }
    scale=1
    case $size in *@*) scale=${size#*@}; size=${size%@*} ;; esac
    w=${size%x*}
    h=${size#*x}
    sway_msg "output HEADLESS-$n resolution ${w}x${h} position $x 0 scale $scale" >/dev/null ||
      die "sway refused the layout of HEADLESS-$n"
    x=$((x + w / scale))
    n=$((n + 1))
  done
  poll 10 "[ \"\$(sway_outputs | wc -l)\" -eq $# ]" || die "sway has not $# outputs: $(sway_outputs)"
  log "sway on $WAYLAND_SOCKET: $(sway_outputs | tr '\n' ';')"
}

# find_swaysock: sway's IPC socket (sway-ipc.UID.PID.sock) in SWAYSOCK.
find_swaysock() {
  local s
  for s in "$RUNTIME"/sway-ipc.*.sock; do
    [ -S "$s" ] && SWAYSOCK=$s && return 0
  done
  return 1
}

# sway_msg ARGS...: swaymsg to the test's sway.
sway_msg() { as_user swaymsg -s "$SWAYSOCK" "$@"; }
# sway_outputs: one line per active output: NAME X Y WIDTH HEIGHT SCALE focused (logical units).
sway_outputs() {
  sway_msg -t get_outputs -r |
    jq -r '.[] | select(.active) | "\(.name) \(.rect.x) \(.rect.y) \(.rect.width) \(.rect.height) \(.scale) \(.focused)"'
}

# start_weston [WIDTH HEIGHT]: headless weston (pixman, --debug for its
# screenshooter), returning once its desktop shell shows the background (the
# shell starts a moment after the socket and restacks what is shown).
# Skipped (77) where weston cannot run.
start_weston() {
  local w=${1:-1280} h=${2:-720}
  command -v weston >/dev/null || skip "weston is not installed"
  (cd "$WORK" && exec env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$USER_HOME" XDG_RUNTIME_DIR="$RUNTIME" \
    "${AS_USER[@]}" weston --backend=headless-backend.so --use-pixman --debug --socket=wayland-weston \
    --width="$w" --height="$h" >"$WORK/weston.log" 2>&1) &
  COMPOSITOR_PID=$!
  wait_socket "$WORK/weston.log"
  local _
  for _ in $(seq 1 50); do
    weston_screenshot weston-start >/dev/null 2>&1 && [ "$(colours_of weston-start | wc -l)" -gt 1 ] && break
    sleep 0.2
  done
  [ "$(colours_of weston-start | wc -l)" -gt 1 ] || die "weston's desktop shell showed nothing within 10s"
  log "weston on $WAYLAND_SOCKET (${w}x$h)"
}

# start_client NAME PROGRAM ARGS...: runs a program (a copy the user can
# read) as the test user against the compositor; output in $WORK/NAME.out,
# its pid in CLIENT_PID.
start_client() {
  local name=$1 prog
  prog=$(install_program "$2")
  shift 2
  user_env
  # exec all the way down: the pid is the program's own, for kill and wait.
  (exec env -i "${USER_ENV[@]}" "${AS_USER[@]}" "$prog" "$@") >"$WORK/$name.out" 2>"$WORK/$name.err" &
  CLIENT_PID=$!
  STARTED_PIDS+=("$CLIENT_PID")
}

# start_pointer: a virtual pointer on sway's seat (it has no input devices
# headless), held until the test ends: without it no client gets a wl_pointer.
start_pointer() {
  : "${KAL_WAYLAND_POINTER:?KAL_WAYLAND_POINTER must name the kal-wayland-pointer program}"
  start_client pointer "$KAL_WAYLAND_POINTER"
  wait_line pointer '^ready$' || die "no virtual pointer: $(cat "$WORK/pointer.err")"
}

# wait_line NAME REGEX [SECONDS]: a line of $WORK/NAME.out matches (extended regex).
wait_line() {
  local name=$1 regex=$2 seconds=${3:-$LINE_TIMEOUT}
  poll "$seconds" "grep -Eq -- '$regex' '$WORK/$name.out'" && return 0
  echo "no line /$regex/ from $name within ${seconds}s; it printed:"
  sed 's/^/  | /' "$WORK/$name.out" | tail -30
  return 1
}


# screenshot NAME [OUTPUT]: grim's picture of the whole layout or of one
# output, as $WORK/shots/NAME.png (copied to $KAL_SHOTS when set).
screenshot() {
  local out=$WORK/shots/$1.png
  if [ -n "${2:-}" ]; then
    as_user grim -o "$2" "$out" || { fail "grim -o $2 failed"; return 1; }
  else
    as_user grim "$out" || { fail "grim failed"; return 1; }
  fi
  keep_shot "$1"
}

# weston_screenshot NAME: weston's own screenshooter (needs --debug), as $WORK/shots/NAME.png.
weston_screenshot() {
  local dir=$WORK/shots/weston-$1 shot
  mkdir -p "$dir" && chmod 777 "$dir"
  (cd "$dir" && as_user weston-screenshooter) || { fail "weston-screenshooter failed"; return 1; }
  for shot in "$dir"/wayland-screenshot-*.png; do break; done
  [ -f "$shot" ] || { fail "weston-screenshooter saved no picture"; return 1; }
  mv "$shot" "$WORK/shots/$1.png"
  keep_shot "$1"
}

keep_shot() {
  if [ -n "${KAL_SHOTS:-}" ]; then mkdir -p "$KAL_SHOTS" && cp "$WORK/shots/$1.png" "$KAL_SHOTS/"; fi
}

# colours_of NAME: "RRGGBB count" lines of the screenshot's histogram (alpha ignored).
colours_of() {
  convert "$WORK/shots/$1.png" -alpha off -format %c histogram:info: |
    sed -n 's/^ *\([0-9]*\):.*#\([0-9A-Fa-f]\{6\}\).*/\2 \1/p' | tr 'a-f' 'A-F'
}
# count_colour NAME RRGGBB: how many pixels have that colour.
count_colour() { colours_of "$1" | awk -v c="$2" '$1 == c { print $2; f = 1 } END { if (!f) print 0 }'; }
# swarm_pixels NAME: how many pixels have a colour of the saver's trails
# (golds and yellows: red from A0, no blue); has_swarm NAME: more than 200.
swarm_pixels() {
  colours_of "$1" | awk 'substr($1, 1, 2) >= "A0" && substr($1, 5, 2) == "00" { n += $2 } END { print n + 0 }'
}
has_swarm() { [ "$(swarm_pixels "$1")" -gt 200 ]; }
# size_of NAME: WIDTHxHEIGHT of the screenshot.
size_of() { convert "$WORK/shots/$1.png" -format %wx%h info:; }

# The probe's pattern, in its buffer's pixels: a 64x64 yellow square and
# three white 3x3 dots.
PATTERN_YELLOW=4096
PATTERN_WHITE=27
