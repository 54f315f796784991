#!/usr/bin/env bash
# Installs what building and testing Kalvessa needs on Debian 12, as root.
#   install-deps.sh run    what building and running the Linux saver needs
#   install-deps.sh test   everything: both targets, Wine, Xvfb, tools, locale, fonts
set -euo pipefail
what=${1:-test}

# kalvessa itself (X11, MIT-SHM, Xcursor, XRandR + Xinerama for the monitors,
# FreeType + fontconfig, stb_image; the Wayland layer: libwayland-client with
# wayland-scanner, the protocols' XML, xkbcommon, found through pkg-config),
# and the private Xvfb, xdpyinfo, xdotool and ImageMagick of run-saver.sh.
run_pkgs=(
  build-essential cmake ninja-build pkg-config
  libx11-dev libxext-dev libxcursor-dev libxrandr-dev libxinerama-dev libfontconfig-dev libfreetype-dev libstb-dev
  libwayland-dev wayland-protocols libxkbcommon-dev
  xvfb x11-utils xdotool imagemagick
)
# Tests, tools (kal-render: libpng, giflib; kal-artgen: libjpeg, the URW font)
# and benchmarks; xprobe and the backend tests use Xfixes; clang's libFuzzer,
# clang-format and clang-tidy for the fuzz targets, the format and lint checks;
# Xorg's dummy driver and xrandr give the monitor tests several monitors; Xorg's
# headers build the dummy driver with DPMS of the powered-down display's test.
# The desktops' savers the daemon tests run: MATE's (with a session bus of the
# test's own, dbus-run-session, and GSettings kept by dconf on it) and
# xsecurelock.
test_pkgs=(
  googletest libgtest-dev libbenchmark-dev libgif-dev libjpeg62-turbo-dev libpng-dev libxfixes-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
  wine wine64 x11-apps openbox locales fonts-ipafont-gothic
  xscreensaver xscreensaver-data-extra libxtst-dev
  mate-screensaver xsecurelock dbus-daemon dconf-service dconf-gsettings-backend libglib2.0-bin
  fonts-urw-base35
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils xserver-xorg-dev
  clang clang-format clang-tidy libclang-rt-14-dev
  # The packages (CPack's .deb with dpkg-shlibdeps) and their checks.
  dpkg-dev lintian desktop-file-utils icoutils
  # The Wayland tests: headless sway (with XWayland, swaymsg's output read
  # with jq), grim's screenshots and wtype's keys; headless weston and its
  # screenshooter; swayidle for the idle side; pgrep (procps) finds Xwayland.
  sway grim wtype swayidle xwayland jq weston procps
)

pkgs=("${run_pkgs[@]}")
[ "$what" = test ] && pkgs+=("${test_pkgs[@]}")

export DEBIAN_FRONTEND=noninteractive
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi

if [ "$what" = test ]; then
  # Wine passes Japanese text through the C library's locale: generate it.
  if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    sed -i 's/^# *ja_JP.UTF-8/ja_JP.UTF-8/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen
  fi
fi
