# shellcheck shell=bash disable=SC2034  # variables are read by the tests that source this file
# Shared by the Wine integration tests (sourced by each test script).
#
# Environment (set by CTest, see CMakeLists.txt):
#   KAL_SCR      the Kalvessa.scr under test        KAL_TEST   kaltest.exe
#   KAL_XPROBE   the X probe (cursor visibility)    KAL_INI    the native INI tool
#   WINEPREFIX   the prefix made by the setup test  KAL_WORK   this test's scratch folder
set -u

export WINEDEBUG=-all
# Japanese system: ANSI code page 932, as the program's users have it.
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
# No Mono / Gecko installation prompts, no menu entries for the desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Never the user's own prefix: the tests delete and kill what they use.
: "${WINEPREFIX:?WINEPREFIX must name the tests\' own Wine prefix}"
export WINEPREFIX
# Wine writes under HOME and the XDG folders (the prefix's links to the user's
# folders, menus, icons) and keeps wineserver's socket folder in TMPDIR: all of
# it beside the prefix, never in the user's home or /tmp. CMakeLists.txt gives
# wine.cleanup the same, so its wineserver -k finds this server.
_wine_root=${WINEPREFIX%/*}
export HOME="$_wine_root/home" TMPDIR="$_wine_root/tmp" XDG_RUNTIME_DIR="$_wine_root/runtime"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
if ! mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$TMPDIR" "$XDG_RUNTIME_DIR" ||
  ! chmod 700 "$XDG_RUNTIME_DIR"; then
  echo "FAIL: cannot make Wine's home beside $WINEPREFIX" >&2
  exit 1
fi

SAVER_CAPTION="Kalvessa_m"
SETTINGS_CAPTION="Kalvessaの設定"

_bg_pids=()
_xvfb_pid=""

log() { echo "[$(date +%T.%3N)] $*"; }
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

need_file() {  # path description
  if [ -z "$1" ] || [ ! -f "$1" ]; then fail "$2 not found: '$1' (build it first)"; fi
}

need_files() {
  need_file "${KAL_SCR:-}" "Kalvessa.scr"
  need_file "${KAL_TEST:-}" "kaltest.exe"
  [ -f "$WINEPREFIX/system.reg" ] || fail "no Wine prefix at $WINEPREFIX (the wine.prefix setup test makes it)"
  fresh_work_dir
}

# This test's scratch folder, emptied: nothing of an earlier run can be mistaken
# for this one's output.
fresh_work_dir() {
  case "${KAL_WORK:-}" in
    "" | /) fail "KAL_WORK is not set to a scratch folder" ;;
  esac
  rm -rf "$KAL_WORK"
  mkdir -p "$KAL_WORK"
}

# Windows path of a Unix path (Wine maps / to drive Z:).
winpath() { printf 'Z:%s' "${1//\//\\}"; }

cleanup() {
  local p
  for p in "${_bg_pids[@]}"; do kill "$p" 2>/dev/null; done
  timeout 15 wineserver -k 2>/dev/null
  if [ -n "$_xvfb_pid" ]; then
    kill "$_xvfb_pid" 2>/dev/null
    wait "$_xvfb_pid" 2>/dev/null
  fi
  return 0
}

# A private X server on a free display: start_xvfb [WIDTHxHEIGHT]
start_xvfb() {
  local geometry=${1:-1024x768} dfile="$KAL_WORK/display"
  rm -f "$dfile"
  # -noreset: the server must keep the pointer position between clients.
  Xvfb -displayfd 3 -screen 0 "${geometry}x24" -noreset -nolisten tcp 3>"$dfile" 2>"$KAL_WORK/xvfb.log" &
  _xvfb_pid=$!
  local _
  for _ in $(seq 1 100); do
    [ -s "$dfile" ] && break
    kill -0 "$_xvfb_pid" 2>/dev/null || fail "Xvfb did not start: $(cat "$KAL_WORK/xvfb.log")"
    sleep 0.1
  done
  [ -s "$dfile" ] || fail "Xvfb gave no display number"
  DISPLAY=":$(head -n1 "$dfile")"
  export DISPLAY
  SCREEN_W=${geometry%x*}
  SCREEN_H=${geometry#*x}
  log "Xvfb on $DISPLAY ($geometry)"
  # A wineserver left from another display must not serve this one.
  timeout 15 wineserver -k 2>/dev/null
  return 0
}

# kaltest with a time limit; output without carriage returns.
kt() { timeout 60 wine "$KAL_TEST" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }

# The number of top-level windows of a caption. A kaltest run that prints no
# number is kaltest's own failure, never a count: it is logged and tried
# again, at most three times.
window_count() {
  local out rc try
  for try in 1 2 3; do
    out=$(kt count "$1")
    rc=$?
    if [ "$rc" = 0 ] && [[ $out =~ ^[0-9]+$ ]]; then
      printf '%s\n' "$out"
      return 0
    fi
    log "kaltest count '$1', try $try: exit $rc, output '$out'" >&2
  done
  return 1
}

# expect_count CAPTION N WHAT: fails with WHAT (and the count seen) otherwise.
expect_count() {
  local n
  n=$(window_count "$1") || fail "$3 (no count)"
  [ "$n" = "$2" ] || fail "$3 ($n windows '$1', $2 expected)"
}

# Starts Kalvessa.scr in the background; its pid (of the timeout wrapper) in SCR_PID.
start_scr() {
  timeout 120 wine "$KAL_SCR" "$@" >"$KAL_WORK/scr.out" 2>&1 &
  SCR_PID=$!
  _bg_pids+=("$SCR_PID")
  log "started Kalvessa.scr $* (pid $SCR_PID)"
}

alive() { kill -0 "$1" 2>/dev/null; }

# Waits up to $2 seconds for pid $1 (a child of this shell) to end; its exit
# status in EXIT_CODE. Fails (returns 1) if it is still running. Must not run
# in a subshell: only this shell can collect its child's status.
wait_exit() {
  local pid=$1 secs=$2 end
  end=$(($(date +%s%N) + secs * 1000000000))
  while alive "$pid" && [ "$(date +%s%N)" -lt "$end" ]; do sleep 0.05; done
  EXIT_CODE=running
  alive "$pid" && return 1
  EXIT_CODE=0
  wait "$pid" || EXIT_CODE=$?
  return 0
}

# wait_exit, then the status must be 0: expect_exit pid secs what
expect_exit() {
  wait_exit "$1" "$2" || fail "$3: the process did not end within $2 s"
  [ "$EXIT_CODE" = 0 ] || fail "$3: the process ended with status $EXIT_CODE"
  log "$3: process ended (status 0)"
}

# Polls (inside Wine) for the saver window; prints kaltest's description of it.
find_window() {  # caption wait-ms
  kt find "$1" "${2:-20000}"
}

# start_dialog_wait OUT: kaltest dialog-wait for the settings dialog, started
# and polling before the dialog is; its report goes to OUT, its pid to WAITER.
start_dialog_wait() {
  timeout 120 wine "$KAL_TEST" dialog-wait "$SETTINGS_CAPTION" 60000 >"$1" 2>&1 &
  WAITER=$!
  _bg_pids+=("$WAITER")
  for _ in $(seq 1 1200); do
    grep -q ready "$1" && return 0
    alive "$WAITER" || break
    sleep 0.05
  done
  grep -q ready "$1"
}

# Field of a "find" line: field "$line" topmost
field() { echo "$1" | tr ' ' '\n' | sed -n "s/^$2=//p"; }

screenshot() {  # file.png
  import -window root "$1" || fail "screenshot failed"
}

# "R,G,B count" lines of the colours in a picture.
colours() {
  convert "$1" -depth 8 -format '%c' histogram:info:- |
    sed -n 's/^ *\([0-9]*\): *(\([0-9]*\),\([0-9]*\),\([0-9]*\)).*/\2,\3,\4 \1/p'
}

# How many pixels differ between two pictures; the third names a picture of the differences.
diff_pixels() { compare -metric AE "$1" "$2" "$3" 2>&1 >/dev/null | sed 's/ .*//'; }

# Fails unless GDI's capture of a window ($2) and, within TRIES half-second
# tries, a screenshot saved to $3 both equal the Canvas reference $1 exactly.
expect_canvas_pixels() {
  local ref=$1 captured=$2 shot=$3 tries=${4:-20} n
  n=$(diff_pixels "$ref" "$captured" "$KAL_WORK/diff-gdi.png")
  log "GDI's view of the window differs from the Canvas in $n pixels"
  [ "$n" = 0 ] || fail "GDI capture differs from the Canvas in $n pixels (see diff-gdi.png)"
  # The screen catches up with what was drawn within a moment.
  for _ in $(seq 1 "$tries"); do
    screenshot "$shot"
    n=$(diff_pixels "$ref" "$shot" "$KAL_WORK/diff-screen.png")
    [ "$n" = 0 ] && break
    sleep 0.5
  done
  log "the screen differs from the Canvas in $n pixels"
  [ "$n" = 0 ] || fail "the screen differs from the Canvas in $n pixels (see $shot, diff-screen.png)"
}

# Succeeds when every pixel is black or one of the saver's trail colours.
only_saver_colours() {
  local allowed="0,0,0 250,250,0 250,200,0 190,160,0 190,150,0 180,140,0 180,130,0 170,120,0 170,100,0 160,90,0 160,80,0"
  local c n bad=0
  while read -r c n; do
    case " $allowed " in
      *" $c "*) ;;
      *) echo "unexpected colour $c ($n pixels)" >&2; bad=1 ;;
    esac
  done < <(colours "$1")
  return $bad
}

# Pixels of one colour "R,G,B" in a picture (0 if absent).
colour_count() {
  colours "$1" | awk -v c="$2" '$1 == c { n = $2 } END { print n + 0 }'
}

cursor_state() {
  if [ -z "${KAL_XPROBE:-}" ] || [ ! -x "$KAL_XPROBE" ]; then
    fail "X probe not found: '${KAL_XPROBE:-}' (tests/tools xprobe)"
  fi
  "$KAL_XPROBE" cursor
}

# Polls until the X cursor shows the expected state ("visible"/"hidden") or $2 seconds pass.
expect_cursor() {
  local want=$1 secs=${2:-10} end state
  end=$(($(date +%s%N) + secs * 1000000000))
  while :; do
    state=$(cursor_state)
    [ "$state" = "$want" ] && { log "cursor $state"; return 0; }
    [ "$(date +%s%N)" -ge "$end" ] && fail "cursor is '$state', expected '$want'"
    sleep 0.2
  done
}

# Waits for the saver window to cover the screen, topmost and visible (it is
# shown first and made topmost a moment later: poll until both hold).
expect_saver_window() {
  local line end
  end=$(($(date +%s%N) + 30 * 1000000000))
  line=$(find_window "$SAVER_CAPTION" 30000) || fail "no window '$SAVER_CAPTION' appeared"
  while :; do
    if [ "$(field "$line" rect)" = "0,0,$SCREEN_W,$SCREEN_H" ] && [ "$(field "$line" topmost)" = yes ] &&
      [ "$(field "$line" visible)" = yes ]; then
      break
    fi
    [ "$(date +%s%N)" -ge "$end" ] && fail "the saver window does not cover the screen topmost and visible: $line"
    sleep 0.1
    line=$(find_window "$SAVER_CAPTION" 0) || fail "the saver window disappeared"
  done
  log "saver window: $line"
  SAVER_LINE=$line
}

# Polls screenshots until the screen is the saver's (black + trail colours only,
# mostly black) or $2 seconds pass.
expect_saver_screen() {
  local shot=$1 secs=${2:-15} end black total
  end=$(($(date +%s%N) + secs * 1000000000))
  total=$((SCREEN_W * SCREEN_H))
  while :; do
    screenshot "$shot"
    black=$(colour_count "$shot" 0,0,0)
    if only_saver_colours "$shot" 2>/dev/null && [ "$black" -ge $((total * 9 / 10)) ]; then
      log "screen is the saver's: $black of $total pixels black"
      return 0
    fi
    [ "$(date +%s%N)" -ge "$end" ] && { only_saver_colours "$shot"; fail "screen is not the saver's ($shot)"; }
    sleep 0.3
  done
}

# The pointer somewhere inside the screen, away from the corner the trails start in.
pointer_to() { xdotool mousemove "$1" "$2" || fail "xdotool mousemove failed"; }

trap cleanup EXIT
