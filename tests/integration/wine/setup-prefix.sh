#!/bin/bash
# Fixture: a fresh Wine prefix for this run, created under the Japanese locale
# (the caption font's character set is fixed when the prefix is made).
source "$(dirname "$0")/lib.sh"

# Generates ja_JP.UTF-8 when it is missing (needs root; a no-op otherwise).
sh "$(dirname "$0")/setup-ja-locale.sh" || fail "locale ja_JP.UTF-8 missing: run tests/integration/wine/setup-ja-locale.sh as root"
need_file "${KAL_TEST:-}" "kaltest.exe"
for tool in wine wineboot wineserver Xvfb xdotool import convert timeout; do
  command -v "$tool" >/dev/null || fail "$tool is not installed"
done

fresh_work_dir
timeout 15 wineserver -k 2>/dev/null
rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
start_xvfb 1024x768

log "creating the prefix $WINEPREFIX"
timeout 300 wineboot -i >"$KAL_WORK/wineboot.log" 2>&1 || fail "wineboot failed: $(tail -5 "$KAL_WORK/wineboot.log")"
# Without a window manager under Xvfb, unmanaged windows: otherwise every
# DestroyWindow of a top-level window stalls for seconds.
timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null ||
  fail "reg add Managed failed"
# The Japanese proportional Gothic the dialog asks for, mapped to IPA P Gothic.
timeout 60 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f >/dev/null ||
  fail "reg add font replacement failed"
timeout 120 wineserver -w || log "wineserver -w timed out"

line=$(kt screen) || fail "kaltest does not run: $line"
log "kaltest screen: $line"
[ "$(field "$line" acp)" = 932 ] || fail "ANSI code page is not 932: $line"
[ "$(field "$line" width)x$(field "$line" height)" = 1024x768 ] || fail "screen size not seen: $line"
log "prefix ready"
