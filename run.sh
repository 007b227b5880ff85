#!/usr/bin/env bash
# Installs what is missing, builds, and starts the Vexel900 Bench.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh build
scripts/prepare-run-folder.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting the bench under a virtual X display for a smoke run."
  exec xvfb-run -a -s "-screen 0 1280x800x24" scripts/smoke.sh
fi
cd build/run
exec ../vexelbench
