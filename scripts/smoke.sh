#!/usr/bin/env bash
# Runs inside xvfb-run: starts a simulated module and the bench, waits for
# the bench's window, saves screenshots of both and ends them.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
with_sim=${1:-1}
shots=$top/build/screenshots
mkdir -p "$shots" "$top/build/run/card"
cd "$top/build/run"

sim=
if [ "$with_sim" = 1 ]; then
  "$top/build/vexelsim" --card "$top/build/run/card" --snapshot "$shots/simulator.png" \
    >"$top/build/run/vexelsim.port" 2>/dev/null &
  sim=$!
  for _ in $(seq 1 50); do [ -s "$top/build/run/vexelsim.port" ] && break; sleep 0.1; done
  echo "Simulated module on $(cat "$top/build/run/vexelsim.port")"
fi

"$top/build/vexelbench" >/dev/null 2>&1 &
bench=$!
for _ in $(seq 1 100); do
  xwininfo -root -tree 2>/dev/null | grep -q 'Vexel900 Bench' && break
  sleep 0.1
done
sleep 1 # let the window paint
status=0
window=$(xwininfo -root -tree 2>/dev/null | grep 'Vexel900 Bench' | head -n 1)
if [ -n "$window" ]; then
  # The window as the server has it, in device pixels: on a scaled screen
  # that is more than the form's 1280 x 722.
  geometry=$(grep -o '[0-9]*x[0-9]*+[0-9]*+[0-9]*' <<<"$window" | head -n 1)
  import -window root -crop "$geometry" "$shots/bench.png" && echo "Screenshot: build/screenshots/bench.png"
else
  echo "The bench window did not appear" >&2
  status=1
fi
kill "$bench" 2>/dev/null
wait "$bench" 2>/dev/null
if [ -n "$sim" ]; then
  # The simulator saves its screen on a clean exit.
  kill -TERM "$sim" 2>/dev/null
  wait "$sim" 2>/dev/null
  [ -s "$shots/simulator.png" ] && echo "Simulated screen: build/screenshots/simulator.png"
fi
exit $status
