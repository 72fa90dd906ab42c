#!/usr/bin/env bash
# Installs what building, running and testing Talvane needs on Debian.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev          # the window toolkit
  libgtest-dev libgmock-dev       # logic tests
  xvfb xdotool x11-utils imagemagick openbox  # real-window tests
  dbus-daemon libglib2.0-bin at-spi2-core python3-pyatspi  # the accessibility test's own buses
  libxcb-damage0-dev              # the start-up benchmark
  fonts-wine                      # Tahoma
  tzdata util-linux
  strace python3                  # the keeper's crash points and its protocol, independently
  locales                         # tr_TR.UTF-8 for the logic tests' second run
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi
if ! locale -a | grep -qx 'tr_TR\.utf8'; then
  sed -i 's/^# *\(tr_TR\.UTF-8 UTF-8\)$/\1/' /etc/locale.gen
  grep -qx 'tr_TR\.UTF-8 UTF-8' /etc/locale.gen || echo 'tr_TR.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen
fi
