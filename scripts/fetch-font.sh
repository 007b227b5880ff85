#!/usr/bin/env bash
# Fetches the unmodified Nova Square TrueType file (SIL Open Font License)
# from its npm package into third_party/fonts/, once.
set -euo pipefail
cd "$(dirname "$0")/.."
dest=third_party/fonts
[ -s "$dest/NovaSquare.ttf" ] && exit 0
mkdir -p "$dest"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent @expo-google-fonts/nova-square@0.2.3 >/dev/null)
tar -xzf "$work"/*.tgz -C "$work"
ttf=$(find "$work/package" -name 'NovaSquare_400Regular.ttf' | head -n 1)
[ -n "$ttf" ] || { echo "NovaSquare_400Regular.ttf not in the package" >&2; exit 1; }
cp "$ttf" "$dest/NovaSquare.ttf"
license=$(find "$work/package" -iname 'OFL*' -o -iname 'LICENSE*' | head -n 1)
[ -n "$license" ] && cp "$license" "$dest/OFL.txt"
echo "Fetched NovaSquare.ttf into $dest"
