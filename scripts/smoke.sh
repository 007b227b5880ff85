#!/usr/bin/env bash
# Runs inside xvfb-run: starts the bench, waits for its window, saves a
# screenshot of the screen and ends the bench.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
shots=$top/build/screenshots
mkdir -p "$shots"
cd "$top/build/run"
"$top/build/vexelbench" >/dev/null 2>&1 &
bench=$!
for _ in $(seq 1 100); do
  xwininfo -root -tree 2>/dev/null | grep -q 'Vexel900 Bench' && break
  sleep 0.1
done
sleep 1 # let the window paint
status=0
if xwininfo -root -tree 2>/dev/null | grep -q 'Vexel900 Bench'; then
  import -window root -crop 1280x722+0+0 "$shots/bench.png" && echo "Screenshot: build/screenshots/bench.png"
else
  echo "The bench window did not appear" >&2
  status=1
fi
kill "$bench" 2>/dev/null
wait "$bench" 2>/dev/null
exit $status
