#!/bin/bash
# Saves killed at random moments: `kal-ini write` of a 512 KiB settings file
# (mode 0600) is killed with SIGKILL after a random delay up to the time an
# undisturbed save takes, RUNS times, then one save runs to its end. Counts
# the settings files found damaged after a kill (not exactly one of the
# whole versions a save can leave), the temporary files left beside it (most
# at once, and at the end), and those readable by other users. A
# measurement, not a test.
#
#   bench/ini_kill.sh [RUNS]          (default 1000)
#
# Environment: KAL_INI (default build/linux/tools/kal-ini).
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
KAL_INI=${KAL_INI:-$ROOT/build/linux/tools/kal-ini}
RUNS=${1:-1000}
[ -x "$KAL_INI" ] || { echo "no kal-ini at $KAL_INI (set KAL_INI)" >&2; exit 1; }
WORK=$(mktemp -d "${TMPDIR:-/tmp}/kal-ini-kill-XXXXXX")
trap 'rm -rf "$WORK"' EXIT
umask 022
F=$WORK/Kalvessa.ini

# The base file: a key under [Section] and 512 KiB of other lines.
{
  printf '[Section]\r\n'
  for i in $(seq 1 8000); do printf '; line %05d of notes kept by every save, padded out to 64 b\r\n' "$i"; done
} >"$WORK/base.ini"
# The whole versions: the base with each of ten values saved into it.
valid=" "
for v in 0 1 2 3 4 5 6 7 8 9; do
  cp "$WORK/base.ini" "$WORK/v$v.ini"
  "$KAL_INI" write "$WORK/v$v.ini" " 10$v" || { echo "kal-ini write failed" >&2; exit 1; }
  valid="$valid$(cksum <"$WORK/v$v.ini" | cut -d' ' -f1) "
done
cp "$WORK/v0.ini" "$F"
chmod 600 "$F"

# How long an undisturbed save takes (the mean of 20), in microseconds.
start=$(date +%s%N)
for i in $(seq 1 20); do "$KAL_INI" write "$F" " 10$((i % 10))"; done
save_us=$((($(date +%s%N) - start) / 20000))
rm -f "$WORK"/*.tmp-*  # none expected; a clean start all the same

names() { find "$WORK" -maxdepth 1 -name 'Kalvessa.ini.tmp-*' -printf '%f\n' | sort; }
temps() { names | wc -l; }
damaged=0 most=0 killed_mid=0 before=
for i in $(seq 1 "$RUNS"); do
  delay=$((RANDOM * 32768 + RANDOM))
  delay=$((delay % save_us))
  "$KAL_INI" write "$F" " 10$((i % 10))" 2>/dev/null &
  pid=$!
  sleep "$(printf '0.%06d' "$delay")"
  kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  sum=$(cksum <"$F" | cut -d' ' -f1)
  case $valid in *" $sum "*) ;; *) damaged=$((damaged + 1)) ;; esac
  now=$(names)
  [ -n "$(comm -13 <(echo "$before") <(echo "$now"))" ] && killed_mid=$((killed_mid + 1))
  count=$(echo -n "$now" | grep -c .)
  [ "$count" -gt "$most" ] && most=$count
  before=$now
done
open_to_others=$(find "$WORK" -maxdepth 1 -name 'Kalvessa.ini.tmp-*' -perm /044 | wc -l)
left_after_kills=$(temps)
"$KAL_INI" write "$F" " 100" || echo "the closing save failed" >&2
left_at_end=$(temps)

echo "kal-ini: $KAL_INI"
echo "runs $RUNS, an undisturbed save $((save_us / 1000)).$(((save_us % 1000) / 100)) ms, kills at 0..that"
echo "kills that left a new temporary:            $killed_mid"
echo "settings files damaged after a kill:        $damaged"
echo "temporaries at most at once:                $most"
echo "temporaries after the last kill:            $left_after_kills ($open_to_others readable by others; the file is 0600)"
echo "temporaries after one more (whole) save:    $left_at_end"
echo "mode of the settings file at the end:       $(stat -c %a "$F")"
