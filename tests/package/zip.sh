#!/bin/bash
# The Windows zip CPack makes from the Windows build: Kalvessa.scr as built,
# README.txt (the README as Windows text) and INSTALL.txt in one folder; the
# .scr's version resource and manifest carry the project's version.
# Needs WINDOWS_BUILD (the Windows build folder), KAL_VERSION, SOURCE; wrestool
# (icoutils).
set -u
: "${WINDOWS_BUILD:?}" "${KAL_VERSION:?}" "${SOURCE:?}"
command -v wrestool >/dev/null || { echo "FAIL: wrestool (icoutils) is not installed"; exit 1; }
WORK=$(mktemp -d "${TMPDIR:-/tmp}/kal-zip-test-XXXXXX")
trap 'rm -rf "$WORK"' EXIT
FAILURES=0
fail() { echo "FAIL: $*"; FAILURES=$((FAILURES + 1)); }

cpack -G ZIP --config "$WINDOWS_BUILD/CPackConfig.cmake" -B "$WORK" >"$WORK/cpack.log" 2>&1 || {
  echo "FAIL: cpack failed: $(cat "$WORK/cpack.log")"
  exit 1
}
name=Kalvessa-$KAL_VERSION-win64
zip=$WORK/$name.zip
[ -f "$zip" ] || { echo "FAIL: no $name.zip: $(ls "$WORK")"; exit 1; }
echo "--- $name.zip: $(stat -c %s "$zip") bytes"
mkdir "$WORK/x"
(cd "$WORK/x" && cmake -E tar xf "$zip") || fail "cannot unpack the zip"
listing=$(cd "$WORK/x" && find . ! -type d | sort | tr '\n' ' ')
[ "$listing" = "./$name/INSTALL.txt ./$name/Kalvessa.scr ./$name/README.txt " ] || fail "the zip holds $listing"
dir=$WORK/x/$name
cmp -s "$dir/Kalvessa.scr" "$WINDOWS_BUILD/Kalvessa.scr" || fail "Kalvessa.scr is not the build's"
# Windows text: every line ends in CR LF, and the text is the README's.
for note in README.txt:README.md INSTALL.txt:packaging/INSTALL.txt; do
  file=$dir/${note%%:*}
  [ "$(grep -c $'\r$' "$file")" = "$(wc -l <"$file")" ] || fail "${note%%:*} has lines without CR LF"
  tr -d '\r' <"$file" | cmp -s - "$SOURCE/${note#*:}" || fail "${note%%:*} is not ${note#*:}"
done

# The version resource: the fixed part's four numbers and the two texts.
IFS=. read -r major minor patch tweak <<<"$KAL_VERSION"
quad="$major.${minor:-0}.${patch:-0}.${tweak:-0}"
read -r -a b <<<"$(wrestool -x --raw -t16 "$dir/Kalvessa.scr" | od -An -tx1 -v | tr -s ' \n' ' ' |
  grep -o 'bd 04 ef fe\( [0-9a-f][0-9a-f]\)\{20\}')"
[ "${#b[@]}" = 24 ] || fail "no version resource (VS_FIXEDFILEINFO) in Kalvessa.scr"
word() { echo $((16#${b[$1 + 1]}${b[$1]})); }  # the little-endian 16 bits at byte $1
file_version="$(word 10).$(word 8).$(word 14).$(word 12)"
product_version="$(word 18).$(word 16).$(word 22).$(word 20)"
echo "--- FILEVERSION $file_version, PRODUCTVERSION $product_version"
[ "$file_version" = "$quad" ] || fail "FILEVERSION $file_version, project $quad"
[ "$product_version" = "$quad" ] || fail "PRODUCTVERSION $product_version, project $quad"
texts=$(wrestool -x --raw -t16 "$dir/Kalvessa.scr" | strings -el)
for key in FileVersion ProductVersion; do
  value=$(awk -v k="$key" 'found { print; exit } $0 == k { found = 1 }' <<<"$texts")
  [ "$value" = "$KAL_VERSION" ] || fail "$key is \"$value\", project $KAL_VERSION"
done
manifest=$(wrestool -x --raw -t24 "$dir/Kalvessa.scr")
grep -q "<assemblyIdentity [^>]*version=\"$quad\"" <<<"$manifest" ||
  fail "the manifest's assemblyIdentity is not version $quad: $(grep -o '<assemblyIdentity[^>]*' <<<"$manifest")"

if [ "$FAILURES" -gt 0 ]; then echo "$FAILURES check(s) failed"; exit 1; fi
echo "all checks passed"
