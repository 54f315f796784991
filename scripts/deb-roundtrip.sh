#!/usr/bin/env bash
# The .deb installed system-wide and removed again, as root on a throwaway
# machine (the CI): apt-get installs it with its dependencies, `kalvessa /c`
# and `kalvessa --root` run from PATH on a private Xvfb, and apt-get remove
# takes every file of it away. Prints the package's size and lintian's summary.
#   deb-roundtrip.sh [BUILD]   (a configured and built Linux folder; build/linux)
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
build=${1:-build/linux}
[ "$(id -u)" = 0 ] || { echo "deb-roundtrip.sh installs packages: run it as root"; exit 1; }
if dpkg-query -W -f='${Status}' kalvessa 2>/dev/null | grep -q 'ok installed'; then
  echo "kalvessa is installed already: this script would replace and remove it"
  exit 1
fi
XPROBE="$(realpath -m "$build")/tests/tools/xprobe"
export KALVESSA=/usr/bin/kalvessa XPROBE
# shellcheck source-path=SCRIPTDIR/.. source=tests/integration/x11/lib.sh
. tests/integration/x11/lib.sh
# shellcheck source=tests/package/programs.sh
. tests/package/programs.sh

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$WORK/pkg" >"$WORK/cpack.log" 2>&1 ||
  die "cpack failed: $(cat "$WORK/cpack.log")"
deb=$(echo "$WORK"/pkg/kalvessa_*.deb)
[ -f "$deb" ] || die "no kalvessa_*.deb made"
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"
lintian -I "$deb" 2>/dev/null | grep '^[EWI]:' >"$WORK/lintian.out"
echo "lintian: $(grep -c '^E:' "$WORK/lintian.out") errors, $(grep -c '^W:' "$WORK/lintian.out") warnings," \
  "$(grep -c '^I:' "$WORK/lintian.out") notes"
cat "$WORK/lintian.out"

DEBIAN_FRONTEND=noninteractive apt-get install -y "$deb" >"$WORK/apt.log" 2>&1 ||
  die "apt-get install failed: $(tail -20 "$WORK/apt.log")"
dpkg -L kalvessa | while read -r path; do [ -d "$path" ] || echo "$path"; done >"$WORK/files"
log "installed $(wc -l <"$WORK/files") files"
check_installed_programs
DEBIAN_FRONTEND=noninteractive apt-get remove -y kalvessa >>"$WORK/apt.log" 2>&1 || fail "apt-get remove failed"
while read -r path; do
  if [ -e "$path" ] || [ -L "$path" ]; then fail "left after removal: $path"; fi
done <"$WORK/files"
command -v kalvessa >/dev/null && fail "kalvessa is still on PATH"
finish
