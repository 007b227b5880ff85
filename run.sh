#!/usr/bin/env bash
# Installs what is missing, builds, and starts the Vexel900 Bench with a
# simulated module beside it (pick its /dev/pts/N port, Open, press Demo).
# Pass --no-sim to start the bench alone.
set -euo pipefail
cd "$(dirname "$0")"
with_sim=1
[ "${1:-}" = "--no-sim" ] && with_sim=0

scripts/setup.sh
scripts/build.sh build
scripts/prepare-run-folder.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting the bench under a virtual X display for a smoke run."
  exec xvfb-run -a -s "-screen 0 1280x800x24" scripts/smoke.sh "$with_sim"
fi

sim=
if [ "$with_sim" = 1 ]; then
  build/vexelsim --window --card build/run/card >build/run/vexelsim.port &
  sim=$!
  trap '[ -n "$sim" ] && kill "$sim" 2>/dev/null' EXIT
  for _ in $(seq 1 50); do [ -s build/run/vexelsim.port ] && break; sleep 0.1; done
  echo "Simulated module on $(cat build/run/vexelsim.port)"
fi
cd build/run
../vexelbench
