#!/usr/bin/env bash
# Builds and runs every benchmark; each prints its figures beside the
# comparison it measured in the same run. Exits non-zero when a target is
# missed. Not part of ./test.sh: run it on a machine that is otherwise quiet.
# BENCH_BUILD_DIR picks the build folder (default: build).
set -uo pipefail
cd "$(dirname "$0")/.."
build=${BENCH_BUILD_DIR:-build}

# Only the benchmarks need these: CuteCom is the start-up comparison, and the
# start-up benchmark watches windows through Xlib on a private Xvfb.
scripts/setup.sh cutecom libx11-dev xvfb || exit 1

if [ -f "$build/CMakeCache.txt" ]; then
  # Configured again, so X11 headers installed just now are found.
  cmake "$build" >/dev/null || exit 1
else
  generator=()
  command -v ninja >/dev/null && generator=(-G Ninja)
  cmake -S . -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
fi
benchmarks=(startup_bench replyflood_bench sdwrite_bench flashimage_bench sdcard_bench
  vxpconvert_bench traffic_bench script_bench reconnect_bench export_bench preview_bench design_bench)
cmake --build "$build" --target vexelbench "${benchmarks[@]}" -j"$(nproc)" >/dev/null || exit 1
scripts/prepare-run-folder.sh
bin=$(cd "$build/bench" && pwd)

echo "Machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p'), $(free -g | awk '/^Mem:/ {print $2}') GB RAM"
echo "Load average before the run: $(cut -d' ' -f1-3 /proc/loadavg)"
status=0
# The window benchmarks run in the bench's run folder, with its style sheet.
cd build/run
for b in "${benchmarks[@]}"; do
  echo
  # Qt's start-up chatter, and the offscreen platform's note that it cannot
  # raise the Traffic window, are dropped; anything else on stderr is shown.
  QT_QPA_PLATFORM=offscreen "$bin/$b" 2> >(grep -v -e '^QStandardPaths' \
    -e 'connectSlotsByName' -e 'propagateSizeHints' -e 'does not support raise()' >&2) ||
    status=1
done
echo
[ "$status" = 0 ] && echo "Every target met." || echo "Some target was missed: see above."
exit "$status"
