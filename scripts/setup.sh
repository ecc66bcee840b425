#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, when any is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  qt6-base-dev libgl-dev libxcb1-dev libxcb-damage0-dev libfontconfig-dev
  libevdev-dev
  libmicrohttpd-dev prometheus prometheus-node-exporter curl jq
  libsqlite3-dev sqlite3
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation fonts-leckerli-one
  desktop-file-utils groff-base clang-format
  xvfb xauth xdotool x11-utils imagemagick openbox
  clang-14 libclang-rt-14-dev
  dpkg-dev lintian systemd
  libmosquitto-dev libmosquitto1 mosquitto mosquitto-clients openssl
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
