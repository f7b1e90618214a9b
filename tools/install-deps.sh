#!/usr/bin/env bash
# Installs the system packages the game and its tests need, when any is missing.
# Safe to run again: it only calls apt-get when something is absent.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libbullet-dev libogg-dev libvorbis-dev libstb-dev zlib1g-dev python3
  clang clang-format libclang-rt-14-dev
  libepoxy-dev libegl-dev libegl-mesa0 libgl1-mesa-dri xvfb xauth
)
optional=(ccache)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
for p in "${optional[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${packages[@]}" || exit 1
  # ccache only speeds up rebuilds; the build does not need it.
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${optional[@]}" || true
fi
