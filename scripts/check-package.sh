#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian package into a clean Debian 12 system made here with
# mmdebstrap (from the mirror this machine's apt uses), then runs the installed
# velmora-cli there:
# analyze, analyze --json, and a JPEG replacement of an MPEG-2 and an MPEG-4
# picture of the demo firmware with the demo photo. Needs root and the network;
# takes a few minutes, so it is not part of the test suite.
#   scripts/check-package.sh [DEB]     (default: the ./velmora_*_amd64.deb
#                                       scripts/package.sh wrote)
#   scripts/check-package.sh --mirror  (only prints the mirror it would use)
# DEBIAN_MIRROR=URI names the mirror instead of apt's sources.
set -euo pipefail
cd "$(dirname "$0")/.."

# "URI SUITE" of every enabled deb source of apt: the one-line form of
# sources.list and *.list, and the deb822 form of *.sources.
apt_sources() {
  local lists=() sources=() f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do [ -f "$f" ] && lists+=("$f"); done
  for f in /etc/apt/sources.list.d/*.sources; do [ -f "$f" ] && sources+=("$f"); done
  if [ ${#lists[@]} -gt 0 ]; then
    # deb [OPTIONS] URI SUITE COMPONENT...
    awk '$1 == "deb" {
      i = 2
      if ($i ~ /^\[/) { while (i < NF && $i !~ /\]$/) i++; i++ }
      if (i + 1 <= NF) print $(i), $(i + 1)
    }' "${lists[@]}"
  fi
  if [ ${#sources[@]} -gt 0 ]; then
    # Paragraphs of "Field: values", continued on lines that start with a blank.
    awk '
      function flush(   n, m, u, s, a, b) {
        if (types ~ /(^|[ \t])deb([ \t]|$)/ && tolower(enabled) != "no") {
          n = split(uris, u); m = split(suites, s)
          for (a = 1; a <= n; a++) for (b = 1; b <= m; b++) print u[a], s[b]
        }
        types = uris = suites = enabled = field = ""
      }
      /^#/ { next }
      /^[ \t]*$/ { flush(); next }
      /^[ \t]/ { if (field == "uris") uris = uris " " $0; else if (field == "suites") suites = suites " " $0; next }
      {
        field = tolower(substr($0, 1, index($0, ":") - 1)); value = substr($0, index($0, ":") + 1)
        gsub(/^[ \t]+|[ \t]+$/, "", value)
        if (field == "types") types = value
        else if (field == "uris") uris = value
        else if (field == "suites") suites = value
        else if (field == "enabled") enabled = value
      }
      END { flush() }' "${sources[@]}"
  fi
}

# The mirror for bookworm: a source of that suite, else one of any release
# (a Debian mirror carries them all), not the security or updates suites.
apt_mirror() {
  local pairs uri
  pairs=$(apt_sources)
  uri=$(awk '$2 == "bookworm" { print $1; exit }' <<<"$pairs")
  [ -n "$uri" ] || uri=$(awk '$2 !~ /[-\/]/ { print $1; exit }' <<<"$pairs")
  [ -n "$uri" ] || { echo "No Debian mirror in apt's sources: set DEBIAN_MIRROR=URI" >&2; return 1; }
  echo "${uri%/}"
}

mirror=${DEBIAN_MIRROR:-$(apt_mirror)}
if [ "${1:-}" = "--mirror" ]; then
  echo "$mirror"
  exit 0
fi
deb=${1:-$(ls -t velmora_*_amd64.deb 2>/dev/null | head -n1)}
[ -f "$deb" ] || { echo "No package: run scripts/package.sh first" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "check-package.sh needs root (chroot, mount)" >&2; exit 2; }
echo "== Mirror: $mirror"

command -v mmdebstrap >/dev/null ||
  { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq mmdebstrap; }

# The demo firmware and photo come from the build's velmora-demo.
build=${VELMORA_BUILD_DIR:-build}
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DVELMORA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target velmora-demo

root=$(mktemp -d /var/tmp/velmora-debian12.XXXXXX)
cleanup() {
  for m in dev proc; do mountpoint -q "$root/$m" && umount "$root/$m"; done
  rm -rf "$root"
}
trap cleanup EXIT

echo "== A clean Debian 12 in $root"
mmdebstrap --quiet --variant=apt bookworm "$root" "$mirror"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"

echo "== apt-get install ./$(basename "$deb")"
cp "$deb" "$root/tmp/"
# mmdebstrap leaves no package lists behind.
chroot "$root" apt-get update -q >"$root/tmp/apt.log" &&
  chroot "$root" apt-get install -y -q "/tmp/$(basename "$deb")" >>"$root/tmp/apt.log" ||
  { cat "$root/tmp/apt.log"; exit 1; }
tail -n 3 "$root/tmp/apt.log"
"$build/bin/velmora-demo" "$root/tmp/demo" >/dev/null

echo "== velmora-cli in the clean system"
chroot "$root" /bin/sh -eu -c '
  cd /tmp/demo
  export TMP=/tmp
  velmora-cli --version
  test -f /usr/share/man/man1/velmora-cli.1.gz
  test -f /usr/share/applications/org.velmora.Velmora.desktop
  velmora-cli analyze demo.bin | tail -n 4
  velmora-cli analyze demo.bin --json 2>/dev/null | grep -q "\"pictures\""
  cp demo.bin before.bin
  for n in 1 3; do
    velmora-cli replace demo.bin $n photo.jpg >replace.log 2>&1 || { cat replace.log; exit 1; }
    grep -x "All operations completed successfully!" replace.log
  done
  ! cmp -s demo.bin before.bin
  velmora-cli analyze demo.bin | tail -n 4
  velmora-cli tga demo.bin 1 picture >/dev/null
'
echo "== The package installs and works on a clean Debian 12"
