#!/usr/bin/env bash
# Installs what the bench needs to build, test and run, then fetches the
# Nova Square font. Quick when everything is already there. Extra package
# names given as arguments are installed too (the benchmarks and fuzzers
# need a few that the bench does not); --qt6 adds Qt 6 for ./test.sh --qt6.
set -euo pipefail
cd "$(dirname "$0")/.."

# help2man writes the man pages at build time; dpkg-dev and file are what
# CPack needs to work out a .deb's dependencies. gcc and python3-serial
# build and run the code vexelctl export writes, in its tests.
packages=(
  cmake g++ gcc make pkg-config
  qtbase5-dev qtbase5-dev-tools libqt5serialport5-dev libqt5webkit5-dev
  xvfb xauth imagemagick x11-utils dfu-util fonts-dejavu-core tshark
  help2man dpkg-dev file python3-serial
)
if [ "${1:-}" = --qt6 ]; then
  # Qt Test and the tools (moc, uic, rcc) come with qt6-base-dev.
  packages+=(qt6-base-dev qt6-serialport-dev)
  shift
fi
# npm fetches the font; some machines carry a Node.js build that brings its own.
command -v npm >/dev/null || packages+=(npm)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

scripts/fetch-font.sh || echo "Nova Square could not be fetched; the bench will use a substitute font."
