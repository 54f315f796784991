#!/bin/bash
# The Win32 backend declares its features once (platform/win32/Features.h):
# under Wine, every one it leaves out answers "not here", and every one it
# declares answers where that needs no person (kaltest features).
source "$(dirname "$0")/lib.sh"
need_files
start_xvfb 640x480
kt features >"$KAL_WORK/features.txt" 2>&1 || fail "kaltest features: $(cat "$KAL_WORK/features.txt")"
cat "$KAL_WORK/features.txt"
grep -qx '0 mismatches' "$KAL_WORK/features.txt" || fail "the declared features and the answers differ"
grep -qx '\[ \] drawing into another program'"'"'s window' "$KAL_WORK/features.txt" ||
  fail "Win32 should not declare drawing into another program's window"
log "the Win32 backend answers as its checklist says"
log "PASS"
