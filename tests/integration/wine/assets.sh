#!/bin/bash
# The Windows build carries every picture as a resource and reads it back
# byte for byte: kaltest (whose resources come from the same assets.rc as the
# program's) lists and copies out what kal::assets::All() finds under Wine,
# and the resource directory of Kalvessa.scr itself holds one RCDATA entry per
# picture with the file's exact bytes, beside the unchanged icon resources.
source "$(dirname "$0")/lib.sh"
need_files
: "${KAL_PICTURES:?KAL_PICTURES must name assets/pictures}"
[ -d "$KAL_PICTURES" ] || fail "no picture folder at $KAL_PICTURES"
OBJDUMP=${KAL_OBJDUMP:-x86_64-w64-mingw32-objdump}
command -v "$OBJDUMP" >/dev/null || fail "$OBJDUMP is not installed (binutils-mingw-w64-x86-64)"

pictures=()
for f in "$KAL_PICTURES"/*; do [ -f "$f" ] && pictures+=("$(basename "$f")"); done
[ "${#pictures[@]}" -ge 10 ] || fail "expected at least ten picture files in $KAL_PICTURES, found ${#pictures[@]}"
log "${#pictures[@]} files in $KAL_PICTURES"

# ---- 1. What the lookup finds at run time, under Wine ----
start_xvfb 640x480
dump=$KAL_WORK/dump
mkdir -p "$dump"
kt assets "$(winpath "$dump")" >"$KAL_WORK/assets.txt" 2>"$KAL_WORK/assets.err" ||
  fail "kaltest assets failed: $(cat "$KAL_WORK/assets.txt" "$KAL_WORK/assets.err")"
cat "$KAL_WORK/assets.txt"

[ "$(sed -n 's/^count //p' "$KAL_WORK/assets.txt")" = "${#pictures[@]}" ] ||
  fail "kaltest found $(sed -n 's/^count //p' "$KAL_WORK/assets.txt") assets, the folder has ${#pictures[@]}"
# Every listed name is a file of the folder, in file-name order (as on Linux).
listed=$(grep -v '^count ' "$KAL_WORK/assets.txt" | cut -d' ' -f1)
[ "$listed" = "$(printf '%s\n' "${pictures[@]}" | LC_ALL=C sort)" ] ||
  fail "the listed names are not the folder's files in order: $(echo $listed)"
for name in "${pictures[@]}"; do
  file=$KAL_PICTURES/$name
  want="$name $(stat -c %s "$file") $(head -c 16 "$file" | od -An -tx1 | tr -d ' \n')"
  grep -qxF "$want" "$KAL_WORK/assets.txt" || fail "listed wrongly: want '$want', got '$(grep "^$name " "$KAL_WORK/assets.txt")'"
  cmp -s "$file" "$dump/$name" || fail "the bytes of $name read from the resources differ from the file"
done
log "all ${#pictures[@]} assets read from kaltest's resources equal the files byte for byte"

# ---- 2. The resource directory of the program itself ----
# Lines "type id offset size" from objdump's dump of the .rsrc directory; the
# data's file offset from its address and the .rsrc section's placement.
"$OBJDUMP" -p "$KAL_SCR" >"$KAL_WORK/objdump-p.txt" || fail "$OBJDUMP -p failed"
"$OBJDUMP" -h "$KAL_SCR" >"$KAL_WORK/objdump-h.txt" || fail "$OBJDUMP -h failed"
base=$(awk '$1 == "ImageBase" { print $2 }' "$KAL_WORK/objdump-p.txt")
read -r rsrc_vma rsrc_off < <(awk '$2 == ".rsrc" { print $4, $6 }' "$KAL_WORK/objdump-h.txt")
[ -n "$base" ] && [ -n "$rsrc_vma" ] || fail "no image base or .rsrc section in $KAL_SCR"
# objdump prints "Entry: ID: 0x00000a," for a type (three blanks in) and a
# name (five), "Leaf: Addr: 0x04dbd0, Size: 0x0003e9," for the data.
: >"$KAL_WORK/resources.txt"
while read -r kind a b; do
  case $kind in
    type) type=$((16#${a#0x})) ;;
    id) id=$((16#${a#0x})) ;;
    leaf)
      echo "$type $id $((16#${a#0x} - (16#$rsrc_vma - 16#$base) + 16#$rsrc_off)) $((16#${b#0x}))" \
        >>"$KAL_WORK/resources.txt"
      ;;
  esac
done < <(sed -n '/The .rsrc Resource Directory section/,/Resources start at offset/p' "$KAL_WORK/objdump-p.txt" |
  sed -n -e 's/^[0-9a-f]*   Entry: ID: \(0x[0-9a-f]*\),.*/type \1/p' \
    -e 's/^[0-9a-f]*     Entry: ID: \(0x[0-9a-f]*\),.*/id \1/p' \
    -e 's/.*Leaf: Addr: \(0x[0-9a-f]*\), Size: \(0x[0-9a-f]*\),.*/leaf \1 \2/p')
[ -s "$KAL_WORK/resources.txt" ] || fail "no resource directory in $OBJDUMP -p's output"
log "resources of Kalvessa.scr (type id offset size):"
cat "$KAL_WORK/resources.txt"

resource_bytes() {  # offset size
  tail -c +$(($1 + 1)) "$KAL_SCR" | head -c "$2"
}
# The icon as it always was: image 30001 (RT_ICON) and group 1 (RT_GROUP_ICON).
for piece in "3 30001 program-icon.rt_icon" "14 1 program-icon.rt_group_icon"; do
  read -r type id name <<<"$piece"
  read -r _ _ offset size < <(awk -v t="$type" -v i="$id" '$1 == t && $2 == i' "$KAL_WORK/resources.txt")
  [ -n "${offset:-}" ] || fail "Kalvessa.scr has no resource type $type id $id"
  cmp -s <(resource_bytes "$offset" "$size") "$KAL_PICTURES/$name" ||
    fail "resource type $type id $id is not $name"
done
[ "$(awk '$1 == 3 || $1 == 14' "$KAL_WORK/resources.txt" | wc -l)" = 2 ] || fail "icon resources besides 30001 and 1"
log "icon group 1 / icon image 30001 are the committed icon pieces"

# Every RCDATA (type 10) entry is exactly one picture, every picture but the
# icon pieces is exactly one entry.
declare -A matched=()
rcdata=0
while read -r type id offset size; do
  [ "$type" = 10 ] || continue
  rcdata=$((rcdata + 1))
  resource_bytes "$offset" "$size" >"$KAL_WORK/rcdata-$id"
  hit=""
  for name in "${pictures[@]}"; do
    cmp -s "$KAL_WORK/rcdata-$id" "$KAL_PICTURES/$name" && hit+="$name "
  done
  [ -n "$hit" ] || fail "RCDATA $id ($size bytes) is none of the pictures"
  for name in $hit; do
    [ -z "${matched[$name]:-}" ] || fail "$name is carried twice (RCDATA ${matched[$name]} and $id)"
    matched[$name]=$id
  done
  log "RCDATA $id = $hit($size bytes)"
done <"$KAL_WORK/resources.txt"
for name in "${pictures[@]}"; do
  case "$name" in *.rt_*) continue ;; esac
  [ -n "${matched[$name]:-}" ] || fail "$name is not an RCDATA resource of Kalvessa.scr"
done
log "Kalvessa.scr carries $rcdata RCDATA resources, one per picture"
log "PASS"
