#!/usr/bin/env bash
# Lays out the folder the bench runs in: style sheet, font (with its
# licence) and the HTML reference the manual page shows.
set -euo pipefail
cd "$(dirname "$0")/.."
run=build/run
mkdir -p "$run"
cp resources/style.qss "$run/style.qss"
cp "resources/Vexel-900 Manual-html.html" "$run/" 2>/dev/null || true
if [ -f third_party/fonts/NovaSquare.ttf ]; then
  cp third_party/fonts/NovaSquare.ttf "$run/NovaSquare.ttf"
  cp resources/OFL.txt "$run/OFL.txt"
fi
