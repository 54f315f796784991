#!/bin/bash
# The saver's pixels under Wine are the Canvas's for the same run: kaltest
# runs the real Swarm engine for a fixed number of frames on a full-screen
# window made by the Win32 backend as the saver makes its own, with a seeded
# generator; the native kal-render renders the same run (same seed, count,
# size and frames) on the shared Canvas. The X screenshot, GDI's own view of
# the window and the engine's final state must all equal kal-render's. A
# different seed and one frame less must not.
source "$(dirname "$0")/lib.sh"
need_files
need_file "${KAL_RENDER:-}" "kal-render (native build)"

W=800 H=600
COUNT=120 # 121 particles
SEED=20261207
FRAMES=40000 # about 330 updates of every particle: many relaunches, the head well under way

start_xvfb ${W}x${H}
pointer_to $((W - 5)) $((H - 5))

ref=$KAL_WORK/ref.png out=$KAL_WORK/swarm.out captured=$KAL_WORK/captured.bmp
render() {  # seed frames png [more options]
  "$KAL_RENDER" --width $W --height $H --count $COUNT --seed "$1" --frames "$2" --png "$3" "${@:4}"
}
render $SEED $FRAMES "$ref" --json >"$KAL_WORK/state.json" || fail "kal-render failed"

rm -f "$out" "$captured"
log "kaltest swarm $W $H $COUNT $SEED $FRAMES"
timeout 240 wine "$KAL_TEST" swarm $W $H $COUNT $SEED $FRAMES 120000 "$(winpath "$captured")" >"$out" 2>&1 &
SWARM_PID=$!
_bg_pids+=("$SWARM_PID")
# The run itself takes a few seconds; a busy machine gets two minutes.
end=$(($(date +%s) + 120))
while ! grep -q '^ready' "$out" 2>/dev/null && [ "$(date +%s)" -lt "$end" ]; do
  alive "$SWARM_PID" || fail "kaltest swarm ended: $(tr -d '\r' <"$out")"
  sleep 0.1
done
grep -q '^ready' "$out" || fail "kaltest swarm did not get ready: $(tr -d '\r' <"$out")"
ready=$(tr -d '\r' <"$out" | grep '^ready')
log "kaltest: $ready"
grep -q '^stopped' "$out" && fail "the engine stopped early: $(tr -d '\r' <"$out")"

# The engine's state after the last frame agrees with kal-render's.
cur=$(sed -n 's/^{"cur":\([0-9]*\),.*/\1/p' "$KAL_WORK/state.json")
head=$(sed -n 's/^{"cur":[0-9]*,"head":{"x":\([^,]*\),"y":\([^,]*\),.*/\1,\2/p' "$KAL_WORK/state.json")
[ -n "$cur" ] && [ -n "$head" ] || fail "no state in kal-render's JSON"
[ "$ready" = "ready frames=$FRAMES cur=$cur head=$head" ] ||
  fail "engine state differs: kaltest '$ready', kal-render cur=$cur head=$head"
log "same state after $FRAMES frames: particle $cur, head at $head"

drawn=$(colours "$ref" | awk '$1 != "0,0,0" { n += $2 } END { print n + 0 }')
log "kal-render's Canvas has $drawn coloured pixels"
[ "$drawn" -gt 3000 ] || fail "too few pixels drawn to compare ($drawn)"

shot=$KAL_WORK/screen.png
expect_canvas_pixels "$ref" "$captured" "$shot" 40
only_saver_colours "$shot" || fail "colours on the screen that the saver does not draw"

# The comparison is sharp: another seed, or the same run one frame short, is
# told apart from the screen.
render $((SEED + 1)) $FRAMES "$KAL_WORK/other-seed.png" || fail "kal-render failed"
n=$(diff_pixels "$KAL_WORK/other-seed.png" "$shot" "$KAL_WORK/diff-other-seed.png")
log "seed $((SEED + 1)) differs from the screen in $n pixels"
[ "$n" -gt 1000 ] || fail "a different seed differs from the screen in only $n pixels"
render $SEED $((FRAMES - 1)) "$KAL_WORK/one-short.png" || fail "kal-render failed"
n=$(diff_pixels "$KAL_WORK/one-short.png" "$shot" "$KAL_WORK/diff-one-short.png")
log "$((FRAMES - 1)) frames differ from the screen in $n pixels"
[ "$n" -gt 0 ] || fail "one frame less is not told apart from the screen"

xdotool key space
expect_exit "$SWARM_PID" 15 "kaltest swarm, key press"
log "PASS"
