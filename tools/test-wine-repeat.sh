#!/bin/bash
# Runs the Wine side of the suite (Win32 unit and end-to-end tests) N times
# back to back in the trees' Wine prefixes, with no retries, and reports each run's
# failures and the totals. A flaky test shows up here as a failure.
#   tools/test-wine-repeat.sh [N]        (default 10)
#   FRESH=1   starts from a new prefix (the first run then boots it)
#   CTEST_ARGS="-R pattern" narrows each run; QAV_ARCHS=x64 runs one build's tree.
# Logs: build/wine-repeat/run-K.log. Exit status 0 only when every run passed.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
export BUILD_DIR
runs="${1:-10}"
QAV_SKIP_NATIVE=1 "$ROOT/tools/build.sh" >/dev/null || { echo "build failed"; exit 1; }
logs="$BUILD_DIR/wine-repeat"; rm -rf "$logs"; mkdir -p "$logs"
source "$ROOT/tools/wine-trees.sh"
if [ "${FRESH:-}" = 1 ]; then
  for arch in ${QAV_ARCHS:-x64 x86}; do
    ( export QAV_STATE; QAV_STATE="$(qav_state "$arch")"; source "$ROOT/tools/wine-env.sh"
      "$WINESERVER" -k 2>/dev/null; "$WINESERVER" -w 2>/dev/null
      rm -rf "$WINEPREFIX" "$QAV_STATE/fonts-replaced" ) >/dev/null 2>&1
  done
fi

start=$(date +%s); failedRuns=0; failedTests=0
for k in $(seq "$runs"); do
  t0=$(date +%s)
  # Each run sets the prefixes up and runs both builds' trees side by side,
  # as tools/test.sh does.
  mkdir -p "$logs/run-$k"
  qav_run_trees "$logs/run-$k" ${QAV_ARCHS:-x64 x86} >"$logs/run-$k.log" 2>&1
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of' "$logs/run-$k.log" | sed -E 's/^[0-9]+% tests passed, //' | paste -sd';' -)
  failed=$(grep -E '^[[:space:]]+[0-9]+ - .* \((Failed|Timeout|Exception|SEGFAULT|Subprocess aborted|Not Run)\)' "$logs/run-$k.log" || true)
  n=$(echo -n "$failed" | grep -c . || true)
  [ -z "$line" ] && { n=$((n > 0 ? n : 1)); failed="${failed:-no ctest summary (see the log)}"; }
  echo "run $k: ${line:-?} ($(( $(date +%s) - t0 )) s)"
  [ -n "$failed" ] && echo "$failed" | sed 's/^/    /'
  if [ "$n" -gt 0 ]; then failedRuns=$((failedRuns + 1)); failedTests=$((failedTests + n)); fi
done
echo "$runs runs in $(( $(date +%s) - start )) s: $failedRuns runs with failures, $failedTests failed tests in all"
[ "$failedRuns" -eq 0 ]
