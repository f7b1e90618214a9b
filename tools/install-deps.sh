#!/usr/bin/env bash
# Installs the system packages the game and its tests need, when any is missing.
# Safe to run again: it only calls apt-get when something is absent.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libbullet-dev libogg-dev libvorbis-dev libstb-dev zlib1g-dev python3
  libepoxy-dev libegl-dev libegl-mesa0 libgl1-mesa-dri xvfb xauth
  libx11-dev libxtst-dev libxdamage-dev
  clang clang-format libclang-rt-14-dev
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

# The physics code is written against Bullet 3.24 (Debian's libbullet-dev).
bullet_version="$(pkg-config --modversion bullet 2>/dev/null || true)"
if [ "$bullet_version" != "3.24" ]; then
  echo "Bullet 3.24 is needed (pkg-config bullet gives '${bullet_version:-nothing}')" >&2
  exit 1
fi
