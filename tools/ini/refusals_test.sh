#!/bin/bash
# kal-ini write refuses, with exit 1 and a reason, to store into a settings
# file it cannot read (no permission, larger than 1 MiB, a link to a device):
# the file is left exactly as it was instead of being rebuilt from nothing.
# Usage: refusals_test.sh <kal-ini>
set -u
INI=${1:?usage: refusals_test.sh <kal-ini>}
WORK=$(mktemp -d /tmp/kal-ini-test-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
FAILURES=0
fail() { echo "FAIL: $*"; FAILURES=$((FAILURES + 1)); }

# As root every file is readable: the unreadable case runs as nobody.
as_writer=()
if [ "$(id -u)" = 0 ]; then
  as_writer=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  chown nobody:nogroup "$WORK"
  chmod 0755 "$WORK"
fi

printf '[Section]\r\nmine=1\r\n' >"$WORK/unreadable.ini"
chmod 000 "$WORK/unreadable.ini"
{ printf '[Section]\r\n'; head -c $((2 << 20)) /dev/zero | tr '\0' ';'; printf '\r\n'; } >"$WORK/large.ini"
cases="unreadable.ini large.ini"
if mknod "$WORK/null" c 1 3 2>/dev/null; then
  ln -s null "$WORK/device.ini"
  cases="$cases device.ini"
else
  echo "no device node could be made (not root): the device case is skipped"
fi

for name in $cases; do
  f=$WORK/$name
  before=$(cksum <"$f" 2>/dev/null)
  "${as_writer[@]}" "$INI" write "$f" 300 >"$WORK/out" 2>&1
  code=$?
  [ "$code" = 1 ] || fail "$name: exit code $code, expected 1 ($(cat "$WORK/out"))"
  grep -q "^kal-ini: cannot write $f: ." "$WORK/out" || fail "$name: no reason given: $(cat "$WORK/out")"
  case $name in
    unreadable.ini | large.ini) [ "$(cksum <"$f")" = "$before" ] || fail "$name: the file was changed" ;;
    device.ini) { [ -L "$f" ] && [ -c "$WORK/null" ]; } || fail "$name: the link or the device was replaced" ;;
  esac
  echo "$name: $(cat "$WORK/out")"
done
leftovers=$(find "$WORK" -name '*.tmp-*' | wc -l)
[ "$leftovers" = 0 ] || fail "$leftovers temporary files left"

[ "$FAILURES" = 0 ] || { echo "$FAILURES check(s) failed"; exit 1; }
echo "all checks passed"
