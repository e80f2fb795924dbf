#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package velmora_VERSION_amd64.deb into the top folder and
# checks it with lintian (which must report no error).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

# The packaging tools, when missing.
tools=()
for p in dpkg-dev lintian; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || tools+=("$p")
done
if [ ${#tools[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${tools[@]}"
fi

# Debian's hardening flags, as a Debian package build would use them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CXXFLAGS LDFLAGS

build=${VELMORA_PACKAGE_BUILD_DIR:-build-package}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=OFF > /dev/null
cmake --build "$build" -j2
rm -f "$build"/velmora_*.deb
(cd "$build" && cpack -G DEB > /dev/null)
deb=$(ls "$build"/velmora_*_amd64.deb)
cp "$deb" .
deb=$(basename "$deb")
echo "== lintian $deb"
lintian --fail-on error --tag-display-limit 0 "$deb"
echo "$deb written"
