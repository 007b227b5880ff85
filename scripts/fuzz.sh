#!/usr/bin/env bash
# Builds the libFuzzer targets in fuzz/ with clang into build-fuzz/ and runs
# each in turn for a bounded time:
#
#   scripts/fuzz.sh [seconds-per-target] [target...]
#
# FUZZ_JOBS sets how many compiles run at once (1 by default: the machine's
# cores are shared, and the build runs at low priority).
#
# Seeds come from fuzz/corpus/<target>/; what the fuzzer adds is kept in
# build-fuzz/corpus/<target>/ for the next run, crashing inputs land in
# build-fuzz/crashes/<target>/ and each run's output in build-fuzz/logs/.
# Exits non-zero when any target found something.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(replydecoder esfpackage assetfiles configreader flashblocks
                                     frameparser vxpdecode vxpheader pcapng scriptparser)

# clang and its sanitizer runtime, which holds libFuzzer.
scripts/setup.sh clang libclang-rt-14-dev
out=build-fuzz
if [ ! -f "$out/CMakeCache.txt" ]; then
  generator=()
  command -v ninja >/dev/null && generator=(-G Ninja)
  cmake -S fuzz -B "$out" "${generator[@]}" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
nice cmake --build "$out" -j"${FUZZ_JOBS:-1}"

for target in "${targets[@]}"; do
  [ -x "$out/fuzz_$target" ] || { echo "No fuzz target called $target" >&2; exit 2; }
done

failed=()
for target in "${targets[@]}"; do
  corpus=$out/corpus/$target
  crashes=$out/crashes/$target
  log=$out/logs/$target.log
  mkdir -p "$corpus" "$crashes" "$(dirname "$log")"
  dict=()
  [ -f "fuzz/$target.dict" ] && dict=(-dict="fuzz/$target.dict")
  echo "== $target: ${seconds}s"
  status=0
  # Hangs and runaway memory count as findings too.
  nice -n 10 "$out/fuzz_$target" "$corpus" "fuzz/corpus/$target" "${dict[@]}" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$crashes/" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  found=$(find "$crashes" -type f | wc -l)
  echo "   executions: ${runs:-?}, corpus: $(find "$corpus" -type f | wc -l) files," \
    "findings kept: $found, exit status: $status (log: $log)"
  if [ "$status" -ne 0 ]; then
    failed+=("$target")
    grep -m 1 -E 'ERROR: |invariant failed|runtime error' "$log" || true
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Findings in: ${failed[*]} (inputs in $out/crashes/)" >&2
  exit 1
fi
echo "No findings."
