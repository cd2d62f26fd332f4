#!/bin/bash
# Deep fuzzing, by hand (CI keeps the short run of tools/test.sh): runs each
# fuzzer of build/native for SECONDS seconds, one after the other, growing
# its corpus in tests/fuzz/corpus/<name>, then minimises that corpus in place
# (libFuzzer's merge) so that the tree keeps only inputs that add coverage.
#   tools/fuzz.sh [SECONDS] [NAME...]    (default 600 s; every fuzzer)
# Inputs are at most FUZZ_MAX_LEN bytes (1024) so that the corpus stays
# small; the named seed files of the corpus folders are kept as they are.
# Crashes are written to build/fuzz-crashes/<name>/. Executions are printed
# and added to build/fuzz-executions.txt (name and running total).
# Run it at low priority on a shared machine: nice -n 19 tools/fuzz.sh 3600
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
seconds="${1:-600}"; shift || true
ninja -C "$BUILD_DIR/native" >/dev/null || { echo "native build failed"; exit 1; }

if [ $# -gt 0 ]; then names=("$@")
else mapfile -t names < <(find "$BUILD_DIR/native" -maxdepth 1 -name 'fuzz_*' -type f -perm -u+x -printf '%f\n' | sed 's/^fuzz_//' | sort)
fi
totals="$BUILD_DIR/fuzz-executions.txt"; touch "$totals"
status=0
for name in "${names[@]}"; do
  bin="$BUILD_DIR/native/fuzz_$name"
  corpus="$ROOT/tests/fuzz/corpus/$name"
  crashes="$BUILD_DIR/fuzz-crashes/$name"; mkdir -p "$corpus" "$crashes"
  log="$BUILD_DIR/fuzz-$name.log"
  echo "== $name: ${seconds}s"
  "$bin" -max_total_time="$seconds" -max_len="${FUZZ_MAX_LEN:-1024}" -print_final_stats=1 -artifact_prefix="$crashes/" "$corpus" >"$log" 2>&1
  rc=$?
  runs=$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}' | tail -1)
  runs=${runs:-0}
  previous=$(awk -v n="$name" '$1 == n {print $2}' "$totals"); previous=${previous:-0}
  total=$((previous + runs))
  { grep -v "^$name " "$totals"; echo "$name $total"; } > "$totals.new" && mv "$totals.new" "$totals"
  echo "   $runs executions (total $total)"
  if [ $rc -ne 0 ]; then
    status=1; echo "   FAILED (exit $rc), see $log and $crashes"; tail -30 "$log"; continue
  fi
  # Minimise the tree's corpus: merge it into an empty folder, then replace
  # the found inputs (named by their SHA-1) with the merged ones.
  merged="$BUILD_DIR/fuzz-merge/$name"; rm -rf "$merged"; mkdir -p "$merged"
  if "$bin" -merge=1 -max_len="${FUZZ_MAX_LEN:-1024}" "$merged" "$corpus" >"$log.merge" 2>&1; then
    seeds=$(find "$corpus" -type f -regextype egrep ! -regex '.*/[0-9a-f]{40}' -exec sha1sum {} + | cut -d' ' -f1)
    find "$corpus" -type f -regextype egrep -regex '.*/[0-9a-f]{40}' -delete
    for f in "$merged"/*; do
      [ -f "$f" ] || continue
      echo "$seeds" | grep -qx "$(sha1sum "$f" | cut -d' ' -f1)" || cp "$f" "$corpus/"
    done
  fi
  echo "   corpus: $(ls "$corpus" | wc -l) files, $(du -sb "$corpus" | cut -f1) bytes"
done
exit $status
