#!/bin/sh
# Generates the glibc locale ja_JP.UTF-8 that the Wine tests run under (Wine
# then uses code page 932 as the ANSI code page). Needs root once per machine;
# does nothing when the locale already exists. Debian: needs the "locales" package.
set -eu
if locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  exit 0
fi
if [ "$(id -u)" != 0 ]; then
  echo "setup-ja-locale: ja_JP.UTF-8 is missing and generating it needs root" >&2
  exit 1
fi
sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
locale-gen
locale -a | grep -qi '^ja_JP\.utf-\?8$'
