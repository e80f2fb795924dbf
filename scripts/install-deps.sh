#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Velmora needs to build, run and test, when missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev
  mjpegtools libxvidcore-dev
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev
  libmagick++-dev libjpeg-dev libxxhash-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  ffmpeg imagemagick fonts-dejavu-core fonts-dejavu-extra
  nlohmann-json3-dev
  desktop-file-utils appstream man-db groff-base
  acl passwd
)
[ "${1:-}" = "--with-extras" ] && packages+=(clang libclang-rt-14-dev xvfb xauth openbox python3-skimage)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
