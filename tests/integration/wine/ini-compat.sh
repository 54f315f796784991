#!/bin/bash
# Our INI code (kal-ini, the native build of it) against the system's profile
# API (GetPrivateProfileStringA / WritePrivateProfileStringA under Wine with
# the Japanese ANSI code page 932), with the particle-count key as Shift-JIS.
source "$(dirname "$0")/lib.sh"
need_files
need_file "${KAL_INI:-}" "kal-ini (tools/ini)"
start_xvfb 640x480

KEY=$'\xCA\xDF\xB0\xC3\xA8\xB8\xD9\x82\xCC\x90\x94'
has_key_bytes() { LC_ALL=C grep -q "^$KEY *=" "$1"; }
ours_read() { "$KAL_INI" read "$1"; }
peer_read() { kt ini-read "$(winpath "$1")"; }

log "our writer, the system's reader"
f=$KAL_WORK/ours.ini
rm -f "$f"
"$KAL_INI" write "$f" " 300" || fail "kal-ini write failed"
has_key_bytes "$f" || fail "our file lacks the Shift-JIS key: $(od -c "$f" | head)"
v=$(peer_read "$f")
[ "$v" = 300 ] || fail "GetPrivateProfileStringA read '$v' from our file, expected '300'"

log "the system's writer, our reader"
g=$KAL_WORK/peer.ini
rm -f "$g"
kt ini-write "$(winpath "$g")" 275 || fail "WritePrivateProfileStringA failed"
has_key_bytes "$g" || fail "the system's file lacks the Shift-JIS key: $(od -c "$g" | head)"
v=$(ours_read "$g")
[ "$v" = 275 ] || fail "kal-ini read '$v' from the system's file, expected '275'"

log "each overwrites the other's file"
"$KAL_INI" write "$g" " 410" || fail "kal-ini write failed"
v=$(peer_read "$g")
[ "$v" = 410 ] || fail "GetPrivateProfileStringA read '$v' after our overwrite, expected '410'"
kt ini-write "$(winpath "$f")" 120 || fail "WritePrivateProfileStringA failed"
v=$(ours_read "$f")
[ "$v" = 120 ] || fail "kal-ini read '$v' after the system's overwrite, expected '120'"
[ "$(LC_ALL=C grep -c "^$KEY" "$f")" = 1 ] || fail "the key is duplicated: $(od -c "$f" | head -20)"

log "hand-written files: both readers must give the same value"
i=0
while IFS= read -r content; do
  i=$((i + 1))
  h=$KAL_WORK/hand$i.ini
  printf "${content//KEY/$KEY}" >"$h"
  ours=$(ours_read "$h")
  peer=$(peer_read "$h")
  log "case $i: ours [$ours], system [$peer]"
  [ "$ours" = "$peer" ] || fail "case $i differs: ours [$ours], system [$peer], file: $content"
done <<'CASES'
[Section]\nKEY=250\n
[section]\r\n  KEY  =  " 250 "  \r\n
[SECTION]\nKEY='abc\n
[Section]\nKEY=1\nKEY=2\n
[Section]\nKEY=abc ; x\n
[Other]\nKEY=9\n[Section]\nkey2=1\nKEY=7\n
;[Section]\n[Section]\n;KEY=5\nKEY=6\n
[Section]\n\tKEY\t=\t250.7\t\n
[Section]\nKEY=\n
[Section]\nKEY="1000'\n
[Other]\nKEY=9\n
[Section]\r\nKEY= 40000\r\n[Section]\r\nKEY=1\r\n
CASES
log "PASS"
