#!/bin/bash
# The preview protocol with a real host window (xprobe preview-host): the
# still sits at the host's top-left, black elsewhere, cut by a small host,
# exactly the pixels kal-render --preview draws; it follows the host's size;
# it ends within a second of the host's end, destroyed or killed; handles
# that name no window end at once, quietly; the guard keeps it out.
# Needs KAL_RENDER (kal-render) besides lib.sh's programs.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
: "${KAL_RENDER:?KAL_RENDER must name kal-render}"
start_xvfb 1024x768

# field FILE KEY: the value of "KEY value" in an xprobe report.
field() { awk -v k="$2" '$1 == k { $1 = ""; sub(/^ /, ""); print; exit }' "$1"; }

# host_start W H ARGS...: xprobe hosts `kalvessa ARGS` ({} = the host's id);
# waits for its first report ("ready" or an early end). Report in $WORK/host.out.
host_start() {
  local w=$1 h=$2
  shift 2
  rm -f "$WORK/host.in" "$WORK/host.out"
  mkfifo "$WORK/host.in"
  "$XPROBE" preview-host "$w" "$h" 20 "$@" <"$WORK/host.in" >"$WORK/host.out" 2>"$WORK/host.err" &
  HOST_PID=$!
  STARTED_PIDS+=("$HOST_PID")
  exec 7>"$WORK/host.in"  # the host waits on this for "destroy"
  poll 30 "grep -qE '^(ready|exited_early|shown_ms timeout)' '$WORK/host.out'" || fail "the host reported nothing"
  PREVIEW_PID=$(field "$WORK/host.out" pid)
}

# host_end: destroys the host; the report's exit figures follow.
host_end() {
  echo destroy >&7
  exec 7>&-
  wait "$HOST_PID"
}

# visible_part W H: the part of a W x H host at (20, 20) that lies on the screen.
visible_part() {
  local sw sh
  IFS=x read -r sw sh <<<"$(screen_size)"
  echo "$(($1 < sw - 20 ? $1 : sw - 20))x$(($2 < sh - 20 ? $2 : sh - 20))"
}

# expect_still W H LABEL: the host's area on the screen equals kal-render's preview.
expect_still() {
  local part diff
  part=$(visible_part "$1" "$2")
  "$KAL_RENDER" --preview --width "$1" --height "$2" --png "$WORK/ref.png" || { fail "$3: kal-render failed"; return; }
  convert "$WORK/ref.png" -crop "$part+0+0" +repage "$WORK/ref-part.png"
  screenshot "preview-$3"
  convert "$WORK/preview-$3.png" -crop "$part+20+20" +repage "$WORK/shot-part.png"
  diff=$(compare -metric AE "$WORK/shot-part.png" "$WORK/ref-part.png" null: 2>&1)
  [ "$diff" = 0 ] || fail "$3: the host shows something else than the preview ($diff pixels differ)"
}

for size in 152x112 400x300 100x80 3000x2000; do
  W=${size%x*} H=${size#*x}
  log "a $size host: child sized to it, the still at its top-left, exit when it goes"
  host_start "$W" "$H" -- "$KALVESSA" /p '{}'
  [ "$(field "$WORK/host.out" child_name)" = "Preview Window" ] || fail "$size: no preview child [$(cat "$WORK/host.out")]"
  [ "$(field "$WORK/host.out" child_geometry)" = "${size}+0+0" ] || fail "$size: child geometry $(field "$WORK/host.out" child_geometry)"
  [ "$(field "$WORK/host.out" child_count)" = 1 ] || fail "$size: more than one child"
  expect_still "$W" "$H" "$size"
  if [ "$size" = 400x300 ]; then
    echo "figure: native preview peak memory $(awk '/VmHWM/ { print $2, $3 }' "/proc/$PREVIEW_PID/status")"
  fi
  host_end
  echo "figure: $size host: shown after $(field "$WORK/host.out" shown_ms) ms, ended $(field "$WORK/host.out" exit_ms) ms after the host"
  [ "$(field "$WORK/host.out" exit_code)" = 0 ] || fail "$size: exit [$(cat "$WORK/host.out")]"
  awk '$1 == "exit_ms" && $2 + 0 < 1000 { ok = 1 } END { exit !ok }' "$WORK/host.out" || fail "$size: not ended within 1 s of the host"
done

log "the id in hexadecimal; the host grows and the preview follows"
host_start 152 112 --resize 500 400 -- "$KALVESSA" /p '{x}'
grep -q '^resized_ms [0-9]' "$WORK/host.out" || fail "the preview did not follow the host's size [$(cat "$WORK/host.out")]"
expect_still 500 400 resized
host_end

log "the host's process is killed: the preview ends within 1 s"
host_start 400 300 -- "$KALVESSA" /p '{}'
grep -q '^ready' "$WORK/host.out" || fail "no preview to kill the host of"
START=$(date +%s%N)
kill -9 "$HOST_PID"
# The preview was the host's child: it is reaped elsewhere, so its state is read.
ended() { local s; s=$(awk '{ print $3 }' "/proc/$PREVIEW_PID/stat" 2>/dev/null); [ -z "$s" ] || [ "$s" = Z ]; }
if poll 5 ended; then
  MS=$((($(date +%s%N) - START) / 1000000))
  echo "figure: ended ${MS} ms after the host's process was killed"
  [ "$MS" -lt 1000 ] || fail "ended only after $MS ms"
else
  fail "the preview outlived its killed host"
  kill -9 "$PREVIEW_PID" 2>/dev/null
fi
exec 7>&-

log "handles that name no window end at once, quietly, with no window"
for line in "/p 0" "/p 99999999" "/p" "/p abc" "/p 4294967296" "/p 0x3fffffff"; do
  # shellcheck disable=SC2086  # the words of the line become the arguments
  run_quick $line
  [ "$EXIT_CODE" = 0 ] || fail "\"$line\": exit code $EXIT_CODE"
  [ ! -s "$WORK/quick.out" ] || fail "\"$line\" said: $(head -c 300 "$WORK/quick.out")"
done
[ "$("$XPROBE" count "Preview Window")" = 0 ] || fail "a preview window was left behind"

log "beside our own saver window the preview does nothing"
"$XPROBE" hold "$SAVER_CAPTION" 60 &
STARTED_PIDS+=($!)
"$XPROBE" wait "$SAVER_CAPTION" "$WINDOW_TIMEOUT" || fail "the holder's window did not show"
host_start 152 112 -- "$KALVESSA" /p '{}'
[ "$(field "$WORK/host.out" exited_early)" = 0 ] || fail "the preview ran beside the saver [$(cat "$WORK/host.out")]"
exec 7>&-
finish
