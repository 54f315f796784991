#!/bin/bash
# One saver per display however the display is spelled, and a lock nobody
# else can hold.
#  A  :N, :N.0 and unix:N started together: exactly one saver in each of ten
#     rounds, and one key ends it with no window left; with /c, one dialog in
#     each of three rounds.
#  B  Without XDG_RUNTIME_DIR the lock lives in a folder of the user's own in
#     TMPDIR (a sticky, world-writable folder like /tmp here), made mode 0700.
#     Another user (nobody, through setpriv; root only) holding that folder
#     and the old /tmp-style name first does not keep /s or /c out: the lock
#     is taken in the user's cache folder. The same when the folder is a
#     link or group-writable, whose insides stay untouched. With no safe
#     place at all /s still runs and says so once on stderr.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
start_xvfb 640x480
N=${DISPLAY#:}
DIALOG_CAPTION="Kalvessaの設定"

# running PID...: how many of them still run.
running() {
  local pid n=0
  for pid in "$@"; do kill -0 "$pid" 2>/dev/null && n=$((n + 1)); done
  echo "$n"
}

# ---- A ----

log "A: :$N, :$N.0 and unix:$N started together, ten rounds of /s"
one=0
for round in $(seq 1 10); do
  pids=()
  for d in ":$N" ":$N.0" "unix:$N"; do
    DISPLAY=$d "$KALVESSA" /s >/dev/null 2>&1 &
    pids+=($!)
    STARTED_PIDS+=($!)
  done
  "$XPROBE" wait "$SAVER_CAPTION" "$WINDOW_TIMEOUT" || fail "round $round: no saver at all"
  poll 10 "[ \$(running ${pids[*]}) -le 1 ]"
  sleep 0.5 # a second saver would have its window by now
  seen="$(running "${pids[@]}") running, $("$XPROBE" count "$SAVER_CAPTION") windows"
  xdotool key x
  for pid in "${pids[@]}"; do
    wait_exit "$pid"
    [ "$EXIT_CODE" = 0 ] || fail "round $round: a start ended with $EXIT_CODE"
  done
  left=0
  "$XPROBE" gone "$SAVER_CAPTION" 5 || left=$("$XPROBE" count "$SAVER_CAPTION")
  if [ "$seen" = "1 running, 1 windows" ] && [ "$left" = 0 ]; then
    one=$((one + 1))
  else
    fail "round $round: $seen; $left windows left after one key"
  fi
done
echo "figure: A: exactly one saver in $one of 10 rounds"

log "A: the same three with /c, three rounds"
for round in 1 2 3; do
  pids=()
  for d in ":$N" ":$N.0" "unix:$N"; do
    DISPLAY=$d "$KALVESSA" /c >/dev/null 2>&1 &
    pids+=($!)
    STARTED_PIDS+=($!)
  done
  "$XPROBE" wait "$DIALOG_CAPTION" "$WINDOW_TIMEOUT" || fail "dialog round $round: no dialog at all"
  poll 10 "[ \$(running ${pids[*]}) -le 1 ]"
  sleep 0.5
  seen="$(running "${pids[@]}") running, $("$XPROBE" count "$DIALOG_CAPTION") windows"
  [ "$seen" = "1 running, 1 windows" ] || fail "dialog round $round: $seen"
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  "$XPROBE" gone "$DIALOG_CAPTION" 5 || fail "dialog round $round: a dialog is left"
done

# ---- B ----

unset XDG_RUNTIME_DIR
# A folder like /tmp (sticky, anyone may write) that another user can reach:
# not below the build tree, which may lie in a private folder.
TMPDIR=$(mktemp -d /tmp/kal-lock-test.XXXXXX) || die "cannot make a folder like /tmp"
export TMPDIR
trap 'rm -rf "$TMPDIR"; cleanup' EXIT
chmod 1777 "$TMPDIR"
OWN=$TMPDIR/kalvessa-$(id -u)
LOCK=kalvessa-x11-local-$N.lock
CACHE=$XDG_CACHE_HOME/kalvessa
ELSEWHERE=$WORK/elsewhere
mkdir -p "$ELSEWHERE"
chmod 700 "$ELSEWHERE"

held() { [ -f "$1" ] && ! flock -n "$1" true; }
# The lock in the cache folder (named after this machine) is held.
held_in_cache() {
  local f
  for f in "$CACHE/kalvessa-x11-local-$N@"*.lock; do [ -f "$f" ] && held "$f" && return 0; done
  return 1
}
# up LABEL: /s shows its window; down: a key ends it with exit 0.
up() {
  start_saver /s
  wait_window || fail "$1: no saver ($(head -c 300 "$WORK/saver.out"))"
}
down() {
  xdotool key x
  wait_exit "$SAVER_PID"
  [ "$EXIT_CODE" = 0 ] || fail "$1: exit code $EXIT_CODE"
  "$XPROBE" gone "$SAVER_CAPTION" 5 || fail "$1: a window is left"
}
quiet() { [ ! -s "$WORK/saver.out" ] || fail "$1: it said: $(cat "$WORK/saver.out")"; }

log "B: no runtime folder: a folder of the user's own in TMPDIR"
up plain
[ "$(stat -c '%u %a %F' "$OWN")" = "$(id -u) 700 directory" ] || fail "plain: $OWN is $(stat -c '%u %a %F' "$OWN")"
held "$OWN/$LOCK" || fail "plain: $OWN/$LOCK is not held"
quiet plain
down plain

if [ "$(id -u)" = 0 ]; then
  log "B: another user holds the folder and the old name first"
  rm -rf "$OWN"
  setpriv --reuid=nobody --regid=nogroup --clear-groups bash -c \
    "umask 0; mkdir '$OWN' && exec 8>'$TMPDIR/kalvessa-0-:$N.lock' 9>'$OWN/$LOCK' && flock 8 && flock 9 && exec sleep 120" \
    2>"$WORK/holder.log" &
  HOLDER=$!
  STARTED_PIDS+=("$HOLDER")
  poll 10 "held '$OWN/$LOCK'" || fail "other user: the stand-in does not hold $OWN/$LOCK: $(cat "$WORK/holder.log")"
  up "other user"
  held_in_cache || fail "other user: no lock held in $CACHE ($(ls -A "$CACHE" 2>&1))"
  quiet "other user"
  down "other user"
  start_saver /c
  "$XPROBE" wait "$DIALOG_CAPTION" "$WINDOW_TIMEOUT" || fail "other user: /c shows no dialog ($(cat "$WORK/saver.out"))"
  kill "$SAVER_PID"
  "$XPROBE" gone "$DIALOG_CAPTION" 5 || fail "other user: the dialog is left"
  [ "$(stat -c %U "$OWN") $(ls -A "$OWN")" = "nobody $LOCK" ] || fail "other user: their folder changed: $(ls -lA "$OWN")"
  kill "$HOLDER"
  wait "$HOLDER" 2>/dev/null
else
  log "B: not root, no other user to run: the other-user case is skipped"
fi

log "B: the folder in TMPDIR is a link"
rm -rf "$OWN" "$CACHE"
ln -s "$ELSEWHERE" "$OWN"
up link
held_in_cache || fail "link: no lock held in $CACHE"
[ -z "$(ls -A "$ELSEWHERE")" ] || fail "link: the linked folder got $(ls -A "$ELSEWHERE")"
quiet link
down link

log "B: the folder in TMPDIR is group-writable"
rm -f "$OWN"
mkdir "$OWN"
chmod 770 "$OWN"
up "group-writable"
held_in_cache || fail "group-writable: no lock held in $CACHE"
[ -z "$(ls -A "$OWN")" ] || fail "group-writable: the folder got $(ls -A "$OWN")"
quiet "group-writable"
down "group-writable"

log "B: no safe place at all (the cache folder a link too)"
rm -rf "$CACHE"
mkdir -p "$XDG_CACHE_HOME"
ln -s "$ELSEWHERE" "$CACHE"
up nowhere
said=$(cat "$WORK/saver.out")
log "nowhere: it said: $said"
if [ "$(wc -l <"$WORK/saver.out")" != 1 ] || [[ $said != *"running without it"* ]] || [[ $said != *"$OWN"* ]]; then
  fail "nowhere: not said once: '$said'"
fi
[ -z "$(find "$ELSEWHERE" "$OWN" -mindepth 1)" ] || fail "nowhere: a lock was made in an unsafe folder"
down nowhere
finish
