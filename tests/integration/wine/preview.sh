#!/bin/bash
# Kalvessa.scr /p <hwnd> in kaltest's host window, as the desktop's settings
# start it: the child has the host's client rectangle, WS_CHILD and no
# caption, at four host sizes (3000 x 2000: no 16-bit overflow); it ends
# within a second of the host's destruction and of the host process's kill.
# A child of another process does not paint on Wine's screen, so the pixels
# are read from the same window placed in kaltest's own process: GDI's view
# and the screen both equal kal-render --preview. Handles that name no window
# and the guard end it at once, quietly.
source "$(dirname "$0")/lib.sh"
need_files
need_file "${KAL_RENDER:-}" "kal-render"
start_xvfb 1024x768
SCR_WIN=$(winpath "$KAL_SCR")

# All of kaltest's report on one line.
host() { kt preview-host "$@" | tr '\n' ' '; }

for size in 152x112 400x300 100x80 3000x2000; do
  W=${size%x*} H=${size#*x}
  line=$(host "$SCR_WIN" "$W" "$H" 300) || fail "$size: $line"
  log "$size: $line"
  [ "$(field "$line" parent_ok)" = yes ] || fail "$size: the preview is not the host's child"
  [ "$(field "$line" child_rect)" = "0,0,$W,$H" ] || fail "$size: child rectangle $(field "$line" child_rect)"
  [ "$(field "$line" host_client)" = "$W,$H" ] || fail "$size: host client $(field "$line" host_client)"
  [ "$(field "$line" child_style)" = yes ] || fail "$size: no WS_CHILD"
  [ "$(field "$line" caption)" = no ] || fail "$size: a caption bar"
  [ "$(field "$line" exit_code)" = 0 ] || fail "$size: exit code $(field "$line" exit_code)"
  ms=$(field "$line" exit_ms)
  awk -v m="$ms" 'BEGIN { exit !(m + 0 < 1000) }' || fail "$size: ended $ms ms after the host"
  echo "figure: $size host: shown $(field "$line" shown_ms) ms after the start, ended $ms ms after the host"
done

log "in-process: the still's pixels as GDI and the screen show them"
for size in 152x112 400x300; do
  W=${size%x*} H=${size#*x}
  "$KAL_RENDER" --preview --width "$W" --height "$H" --png "$KAL_WORK/ref-$size.png" || fail "kal-render failed"
  timeout 60 wine "$KAL_TEST" preview-host inproc "$W" "$H" 0 "$(winpath "$KAL_WORK/gdi-$size.bmp")" \
    >"$KAL_WORK/inproc-$size.out" 2>&1 &
  pid=$!
  _bg_pids+=("$pid")
  for _ in $(seq 1 100); do grep -q loop_ended_ms "$KAL_WORK/inproc-$size.out" && break; sleep 0.1; done
  wait "$pid" || fail "$size in-process: $(tr '\n' ' ' <"$KAL_WORK/inproc-$size.out")"
  line=$(tr -d '\r' <"$KAL_WORK/inproc-$size.out" | tr '\n' ' ')
  log "$size in-process: $line"
  [ "$(field "$line" child_rect)" = "0,0,$W,$H" ] || fail "$size in-process: child rectangle"
  n=$(diff_pixels "$KAL_WORK/ref-$size.png" "$KAL_WORK/gdi-$size.bmp" "$KAL_WORK/diff-$size.png")
  [ "$n" = 0 ] || fail "$size: GDI's view of the host differs from the still in $n pixels"
done
# The screen, while an in-process preview is up.
timeout 60 wine "$KAL_TEST" preview-host inproc 400 300 8000 >/dev/null 2>&1 &
_bg_pids+=($!)
ok=no
for _ in $(seq 1 40); do
  sleep 0.25
  screenshot "$KAL_WORK/screen.png"
  convert "$KAL_WORK/screen.png" -crop 400x300+20+20 +repage "$KAL_WORK/screen-host.png"
  [ "$(diff_pixels "$KAL_WORK/ref-400x300.png" "$KAL_WORK/screen-host.png" "$KAL_WORK/diff-screen.png")" = 0 ] && ok=yes && break
done
[ "$ok" = yes ] || fail "the screen never showed the still in the host (see screen.png)"

log "the host's process is killed: the preview ends within 1 s"
timeout 120 wine "$KAL_TEST" preview-host "$SCR_WIN" 400 300 60000 >"$KAL_WORK/killed.out" 2>&1 &
_bg_pids+=($!)
for _ in $(seq 1 200); do grep -q shown_ms "$KAL_WORK/killed.out" && break; sleep 0.1; done
grep -q 'shown_ms=[0-9]' "$KAL_WORK/killed.out" || fail "no preview: $(cat "$KAL_WORK/killed.out")"
scr_alive() {
  local p s
  for p in $(pgrep -f 'Kalvessa.scr /p'); do
    s=$(awk '{ print $3 }' "/proc/$p/stat" 2>/dev/null)
    [ -n "$s" ] && [ "$s" != Z ] && return 0
  done
  return 1
}
scr_alive || fail "the preview's process is not there"
start=$(date +%s%N)
pkill -9 -f 'kaltest.exe preview-host' || fail "no host process to kill"
while scr_alive && [ $(($(date +%s%N) - start)) -lt 5000000000 ]; do sleep 0.01; done
ms=$((($(date +%s%N) - start) / 1000000))
scr_alive && fail "the preview outlived its killed host by 5 s"
echo "figure: ended $ms ms after the host's process was killed"
[ "$ms" -lt 1000 ] || fail "ended only $ms ms after the host's process was killed"

log "handles that name no window: exit code 0 at once, nothing said"
for args in "/p 0" "/p 99999999" "/p" "/p abc" "/p 4294967296"; do
  # shellcheck disable=SC2086
  code=$(timeout 30 wine "$KAL_SCR" $args >"$KAL_WORK/bad.out" 2>&1; echo $?)
  [ "$code" = 0 ] || fail "'$args' ended with $code"
  [ ! -s "$KAL_WORK/bad.out" ] || fail "'$args' said: $(head -c 300 "$KAL_WORK/bad.out")"
done

log "beside our own saver window the preview does nothing"
timeout 120 wine "$KAL_TEST" window "$SAVER_CAPTION" 60000 >/dev/null 2>&1 &
_bg_pids+=($!)
kt find "$SAVER_CAPTION" 30000 >/dev/null || fail "kaltest's window '$SAVER_CAPTION' did not show"
line=$(host "$SCR_WIN" 152 112 300)
[ "$(field "$line" exited_early)" = 0 ] || fail "the preview ran beside the saver window: $line"
log "PASS"
