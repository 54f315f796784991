#!/bin/bash
# `cmake --install --prefix P` of this build: the same files as the .deb, under
# P; the saver theme entry is valid and runs P's daemon link, which leads to
# P's program (the entry is written at install time, so the configured prefix
# does not leak into it).
# Needs BUILD (this build folder); desktop-file-validate.
set -u
: "${BUILD:?BUILD must name the build folder}"
command -v desktop-file-validate >/dev/null || { echo "FAIL: desktop-file-validate is not installed"; exit 1; }
# shellcheck source-path=SCRIPTDIR source=programs.sh
. "$(dirname "$0")/programs.sh"
WORK=$(mktemp -d "${TMPDIR:-/tmp}/kal-install-test-XXXXXX")
trap 'rm -rf "$WORK"' EXIT
FAILURES=0
fail() { echo "FAIL: $*"; FAILURES=$((FAILURES + 1)); }

prefix=$WORK/prefix
cmake --install "$BUILD" --prefix "$prefix" >"$WORK/install.log" 2>&1 || {
  echo "FAIL: cmake --install failed: $(cat "$WORK/install.log")"
  exit 1
}
(cd "$prefix" && find . ! -type d | sort) >"$WORK/installed"
diff <(expected_files | sed 's#^\./usr/#./#' | sort) "$WORK/installed" >"$WORK/installed.diff" ||
  fail "installed files differ from the package's: $(cat "$WORK/installed.diff")"

theme=$prefix/share/applications/screensavers/kalvessa.desktop
link=$prefix/libexec/xscreensaver/kalvessa
desktop-file-validate "$theme" || fail "the saver theme entry is not valid"
grep -qx "Exec=$link --root" "$theme" || fail "the theme runs $(grep '^Exec=' "$theme"), not $link --root"
grep -qx "TryExec=$link" "$theme" || fail "the theme tries $(grep '^TryExec=' "$theme")"
[ "$link" -ef "$prefix/bin/kalvessa" ] || fail "$link does not lead to $prefix/bin/kalvessa"
echo "--- $(grep '^Exec=' "$theme")"

if [ "$FAILURES" -gt 0 ]; then echo "$FAILURES check(s) failed"; exit 1; fi
echo "all checks passed"
