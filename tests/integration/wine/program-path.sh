#!/bin/bash
# A program in a folder whose name has blanks and Japanese characters: the
# quoted program name is skipped on the command line (the switch is seen),
# and the settings file beside the program is found (its count 5 shows as
# at most 6 bright-yellow dots).
source "$(dirname "$0")/lib.sh"
need_files
start_xvfb 1024x768
pointer_to 700 500

dir_unix="$WINEPREFIX/drive_c/Kal Test カルヴェッサ"
dir_win='C:\Kal Test カルヴェッサ'
rm -rf "$dir_unix"
mkdir -p "$dir_unix"
cp "$KAL_SCR" "$dir_unix/Kalvessa.scr"
kt ini-write "$dir_win\\Kalvessa.ini" 5 || fail "cannot write the settings file"
[ -f "$dir_unix/Kalvessa.ini" ] || fail "the settings file is not in $dir_unix"

timeout 120 wine "$dir_win\\Kalvessa.scr" /s >"$KAL_WORK/scr.out" 2>&1 &
SCR_PID=$!
_bg_pids+=("$SCR_PID")
expect_saver_window
expect_cursor hidden  # only the switch "S" hides it: the command line was taken apart right
sleep 4
screenshot "$KAL_WORK/run.png"
only_saver_colours "$KAL_WORK/run.png" || fail "colours other than the saver's"
yellow=$(colour_count "$KAL_WORK/run.png" 250,250,0)
trail=$(colours "$KAL_WORK/run.png" | awk '$1 != "0,0,0" { n += $2 } END { print n + 0 }')
log "$yellow bright-yellow pixels, $trail trail pixels"
[ "$trail" -gt 0 ] || fail "nothing drawn"
[ "$yellow" -le 30 ] || fail "$yellow bright-yellow pixels: the settings file beside the program was not read"
xdotool click 1
expect_exit "$SCR_PID" 15 "click"
rm -rf "$dir_unix"
log "PASS"
