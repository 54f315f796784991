#!/bin/bash
# The .deb CPack makes from this build: its files, its Depends (every library
# the program loads, through dpkg-shlibdeps), its version and changelog,
# lintian without errors; installed into a private root, the program runs from
# there (see programs.sh) and removing the package leaves nothing behind.
# Needs BUILD (this build folder), XPROBE, KAL_VERSION; dpkg-deb, lintian,
# desktop-file-validate, Xvfb and ImageMagick.
KALVESSA=not-installed-yet
# shellcheck source-path=SCRIPTDIR source=../integration/x11/lib.sh
. "$(dirname "$0")/../integration/x11/lib.sh"
# shellcheck source-path=SCRIPTDIR source=programs.sh
. "$(dirname "$0")/programs.sh"
: "${BUILD:?BUILD must name the build folder}" "${KAL_VERSION:?KAL_VERSION must be the project version}"
for tool in dpkg-deb dpkg-architecture lintian desktop-file-validate objdump; do
  command -v "$tool" >/dev/null || die "$tool is not installed"
done

cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$WORK/pkg" >"$WORK/cpack.log" 2>&1 ||
  die "cpack failed: $(cat "$WORK/cpack.log")"
deb=$(echo "$WORK"/pkg/kalvessa_*.deb)
[ -f "$deb" ] || die "no kalvessa_*.deb made"
[ "$(basename "$deb")" = "kalvessa_${KAL_VERSION}_amd64.deb" ] || fail "named $(basename "$deb")"
log "$(basename "$deb"): $(stat -c %s "$deb") bytes"

# Contents: exactly the expected files, the daemon's link relative to the program.
dpkg-deb --fsys-tarfile "$deb" | tar -tv >"$WORK/contents"
awk '$1 !~ /^d/ { print $6 }' "$WORK/contents" | sort >"$WORK/files"
diff <(expected_files | sort) "$WORK/files" >"$WORK/files.diff" || fail "contents differ: $(cat "$WORK/files.diff")"
grep -q ' \./usr/libexec/xscreensaver/kalvessa -> \.\./\.\./bin/kalvessa$' "$WORK/contents" ||
  fail "the daemon's link is not ../../bin/kalvessa: $(grep libexec "$WORK/contents")"

# Control fields and changelog.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Version)" = "$KAL_VERSION" ] || fail "Version $(field Version), project $KAL_VERSION"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ "$(field Section)" = x11 ] || fail "Section $(field Section), not x11"
depends=$(field Depends)
log "Depends: $depends"
dpkg-deb -x "$deb" "$WORK/unpacked"
zcat "$WORK/unpacked/usr/share/doc/kalvessa/changelog.gz" | head -n1 | grep -q "^kalvessa ($KAL_VERSION) " ||
  fail "the changelog's newest entry is not $KAL_VERSION"
# Every library the program loads comes from a package that Depends names.
needed=$(objdump -p "$WORK/unpacked/usr/bin/kalvessa" | awk '$1 == "NEEDED" { print $2 }')
echo "$needed" | grep -qx 'libX11\.so\.6' || fail "the program does not load libX11: $needed"
triplet=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for lib in $needed; do
  pkg=$(dpkg -S "*/$triplet/$lib" 2>/dev/null | grep -v '^diversion' | head -n1 | cut -d: -f1)
  [ -n "$pkg" ] || { fail "no package holds $lib"; continue; }
  [[ ", $depends," == *", $pkg "* || ", $depends," == *", $pkg,"* ]] || fail "Depends does not name $pkg (for $lib)"
done

# lintian: no errors; the warnings are listed.
lintian "$deb" >"$WORK/lintian.out" 2>&1
grep '^[EW]:' "$WORK/lintian.out"
if grep -q '^E:' "$WORK/lintian.out"; then fail "lintian reports errors"; else log "lintian: no errors"; fi

# Installed into a private root; the program runs from its bin.
root=$WORK/root
mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info"
: >"$root/var/lib/dpkg/status"
dpkg_root() { dpkg --root="$root" --log="$WORK/dpkg.log" "$@" >>"$WORK/dpkg.out" 2>&1; }
dpkg_root --force-depends -i "$deb" || die "dpkg -i failed: $(cat "$WORK/dpkg.out")"
(cd "$root" && find . -path ./var -prune -o ! -type d -print | sort) >"$WORK/installed"
diff <(expected_files | sort) "$WORK/installed" >"$WORK/installed.diff" ||
  fail "installed files differ: $(cat "$WORK/installed.diff")"
[ "$root/usr/libexec/xscreensaver/kalvessa" -ef "$root/usr/bin/kalvessa" ] || fail "the daemon's link is dangling"
desktop-file-validate "$root/usr/share/applications/kalvessa.desktop" || fail "the desktop entry is not valid"
grep -qx 'Exec=kalvessa /c' "$root/usr/share/applications/kalvessa.desktop" || fail "the desktop entry does not run /c"
# The saver theme of MATE and Xfce: their savers run only a program in the
# daemon's folder, so Exec names the link there.
theme=$root/usr/share/applications/screensavers/kalvessa.desktop
desktop-file-validate "$theme" || fail "the saver theme entry is not valid"
grep -qx 'Exec=/usr/libexec/xscreensaver/kalvessa --root' "$theme" || fail "the theme runs $(grep '^Exec=' "$theme")"
grep -qx 'TryExec=/usr/libexec/xscreensaver/kalvessa' "$theme" || fail "the theme tries $(grep '^TryExec=' "$theme")"
export KALVESSA=$root/usr/bin/kalvessa
PATH="$root/usr/bin:$PATH" check_installed_programs

# Removed: nothing of it is left.
dpkg_root -r kalvessa || fail "dpkg -r failed: $(cat "$WORK/dpkg.out")"
left=$(cd "$root" && find . -path ./var -prune -o ! -type d -print)
[ -z "$left" ] || fail "left after removal: $left"
dpkg_root --purge kalvessa || fail "dpkg --purge failed: $(cat "$WORK/dpkg.out")"
finish
