#!/bin/bash
# kalvessa as a program of the screen-saver daemon, drawing into a window it
# is given (--window-id, or --root with $XSCREENSAVER_WINDOW): the swarm shows
# inside that window and nowhere else, follows its new size, ends with exit 0
# and no X error within a second of the window's end and on SIGTERM, ignores
# input; an id that names no window ends at once with one line and exit 1.
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
start_xvfb 640x480
HOST_CAPTION="daemon host"

# hold_host: a 200x100 window of another client at (10, 10) (xprobe hold);
# its id in HOST_ID, the holder's pid in HOST_PID. Killing the holder destroys it.
hold_host() {
  "$XPROBE" hold "$HOST_CAPTION" 120 &
  HOST_PID=$!
  STARTED_PIDS+=("$HOST_PID")
  "$XPROBE" wait "$HOST_CAPTION" "$WINDOW_TIMEOUT" || die "the host window did not show"
  HOST_ID=$("$XPROBE" window "$HOST_CAPTION" | awk '$1 == "id" { print $2 }')
}

# expect_swarm_in NAME W H: inside the W x H window at (10, 10) only black and
# trail colours, some yellow; outside it no trail colour at all.
expect_swarm_in() {
  local name=$1 w=$2 h=$3 yellow outside
  screenshot "$name"
  convert "$WORK/$name.png" -crop "${w}x${h}+10+10" +repage "$WORK/$name-in.png"
  only_saver_colours "$name-in" || fail "$name: the window shows other colours"
  yellow=$(count_colour "$name-in" FAFA00)
  [ "$yellow" -gt 0 ] || fail "$name: no yellow particle inside the window"
  # The window painted over in a colour of no trail: what is left is outside.
  convert "$WORK/$name.png" -fill '#0000FF' -draw "rectangle 10,10 $((9 + w)),$((9 + h))" "$WORK/$name-out.png"
  outside=$(colours_of "$name-out" | awk -v t="$TRAIL_COLOURS" 'BEGIN { split(t, a, " "); for (i in a) if (a[i] != "000000") c[a[i]] = 1 } $1 in c { n += $2 } END { print n + 0 }')
  [ "$outside" = 0 ] || fail "$name: $outside trail pixels outside the window"
  echo "figure: $name: $yellow yellow pixels inside ${w}x${h}"
}

# ended_within_a_second PID WHAT: exit 0 within 1 s, nothing on stderr.
ended_within_a_second() {
  local start=$EPOCHREALTIME ms
  wait_exit "$1" 5
  ms=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%d", (b - a) * 1000 }')
  echo "figure: $2: ended after $ms ms, exit code $EXIT_CODE"
  [ "$EXIT_CODE" = 0 ] || fail "$2: exit code $EXIT_CODE"
  [ "$ms" -lt 1000 ] || fail "$2: took $ms ms"
  [ ! -s "$WORK/saver.out" ] || fail "$2: it wrote: $(cat "$WORK/saver.out")"
}

log "--window-id (hexadecimal): the swarm inside the window only"
hold_host
start_saver --window-id "$HOST_ID" --count 300
sleep 2
kill -0 "$SAVER_PID" 2>/dev/null || fail "kalvessa ended: $(cat "$WORK/saver.out")"
expect_swarm_in first 200 100
[ "$("$XPROBE" cursor)" = visible ] || fail "the cursor was hidden"

log "the window grows: the swarm fills the new size"
xdotool windowsize "$HOST_ID" 400 300
sleep 2
expect_swarm_in grown 400 300
convert "$WORK/grown.png" -crop 190x300+220+10 +repage "$WORK/grown-right.png"
[ "$(trail_pixels grown-right)" -gt 0 ] || fail "nothing drawn in the part the window grew by"

log "input is the daemon's: a key and a click do not end it"
xdotool mousemove 100 100 click 1 key a mousemove 300 200
sleep 0.5
kill -0 "$SAVER_PID" 2>/dev/null || fail "input ended kalvessa"

log "the window is destroyed: exit 0 within a second, no X error"
kill "$HOST_PID"
ended_within_a_second "$SAVER_PID" "window destroyed"

log "--root with XSCREENSAVER_WINDOW (decimal) draws in that window; SIGTERM ends it"
hold_host
XSCREENSAVER_WINDOW=$((HOST_ID)) start_saver -root
sleep 2
expect_swarm_in env 200 100
kill -TERM "$SAVER_PID"
ended_within_a_second "$SAVER_PID" "SIGTERM"
kill "$HOST_PID"

log "an id that names no window: one line, exit 1"
run_quick --window-id 0x7ffffff
[ "$EXIT_CODE" = 1 ] || fail "no window: exit code $EXIT_CODE"
[ "$(wc -l <"$WORK/quick.out")" = 1 ] || fail "no window: it wrote [$(cat "$WORK/quick.out")]"
echo "no window: $(cat "$WORK/quick.out")"
log "a garbage id: usage, exit 2"
run_quick --window-id 12ab
[ "$EXIT_CODE" = 2 ] || fail "garbage id: exit code $EXIT_CODE"

finish
