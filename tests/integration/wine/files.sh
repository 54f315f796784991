#!/bin/bash
# The Win32 backend's file operations with wide paths: an atomic replace that
# creates missing folders (Japanese names, blanks), leaves no temporary file,
# and fails cleanly (no crash, target untouched) where it cannot write.
source "$(dirname "$0")/lib.sh"
need_files
start_xvfb 640x480

base=$KAL_WORK/files
rm -rf "$base"
mkdir -p "$base"
target="$base/設定 フォルダ/深い/Kalvessa.ini"

out=$(kt write-file "$(winpath "$target")" "[Section]") || fail "first write: $out"
[ -f "$target" ] || fail "the file was not created with its folders"
[ "$(cat "$target")" = "[Section]" ] || fail "first write left '$(cat "$target")'"
out=$(kt write-file "$(winpath "$target")" "second") || fail "overwrite: $out"
[ "$(cat "$target")" = "second" ] || fail "overwrite left '$(cat "$target")'"
left=$(ls -A "$(dirname "$target")")
[ "$left" = Kalvessa.ini ] || fail "files beside the target: $left"
[ "$(kt read-file "$(winpath "$target")")" = second ] || fail "ReadFile does not give the written text"
log "write, overwrite and read back through wide paths"

out=$(kt read-file "$(winpath "$base/none.ini")") && fail "a missing file was read: $out"
[ "$out" = missing ] || fail "a missing file gave '$out'"

echo keep >"$base/blocker"
out=$(kt write-file "$(winpath "$base/blocker")\\x.ini" "text") && fail "wrote below a plain file: $out"
[ "$out" = failed ] || fail "writing below a plain file gave '$out'"
[ "$(cat "$base/blocker")" = keep ] || fail "the file in the way was changed"

mkdir -p "$base/a folder"
out=$(kt write-file "$(winpath "$base/a folder")" "text") && fail "replaced a folder: $out"
[ -d "$base/a folder" ] || fail "the folder was replaced"
[ "$(ls -A "$base" | grep -c tmp)" = 0 ] || fail "temporary files left: $(ls -A "$base")"

out=$(kt write-file 'Q:\nowhere\x.ini' "text") && fail "wrote to a missing drive: $out"
log "failures reported cleanly"
log "PASS"
