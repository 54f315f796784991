#!/bin/bash
# While a window captioned "Kalvessaの設定" exists, every mode ends at once
# without a window. The window is kaltest's, made through the Win32 backend:
# its Japanese caption must reach both the Win32 side (FindWindowW) and the
# X server (_NET_WM_NAME) intact.
source "$(dirname "$0")/lib.sh"
need_files
need_file "${KAL_XPROBE:-}" "xprobe (tests/tools)"
start_xvfb 1024x768
pointer_to 600 400

timeout 120 wine "$KAL_TEST" window "$SETTINGS_CAPTION" 90000 >"$KAL_WORK/window.out" 2>&1 &
_bg_pids+=($!)
kt find "$SETTINGS_CAPTION" 30000 >/dev/null || fail "kaltest's window '$SETTINGS_CAPTION' not found by FindWindowW"
"$KAL_XPROBE" wait "$SETTINGS_CAPTION" 20 >/dev/null || fail "the X server has no window named '$SETTINGS_CAPTION'"
log "the window '$SETTINGS_CAPTION' is up: $("$KAL_XPROBE" window "$SETTINGS_CAPTION" | head -2 | tr '\n' ' ')"

for line in /s /c ""; do
  log "command line '$line'"
  start=$(date +%s%N)
  # shellcheck disable=SC2086
  code=$(timeout 60 wine "$KAL_SCR" $line >/dev/null 2>&1; echo $?)
  ms=$((($(date +%s%N) - start) / 1000000))
  log "ended with $code after $ms ms"
  [ "$code" = 0 ] || fail "'$line' ended with $code"
  expect_count "$SAVER_CAPTION" 0 "'$line' made a saver window"
  expect_count "$SETTINGS_CAPTION" 1 "'$line' made a second settings window"
done
log "PASS"
