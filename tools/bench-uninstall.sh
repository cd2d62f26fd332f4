#!/bin/bash
# Builds and runs the uninstall benchmark under Wine, once: synthetic
# installations of N listed files in folders of 100 (each folder listed before
# and after its files), removed by uninstall.exe /S, by a minimal single-pass
# program (the baseline of the ratio) and by "cmd /c rd /s /q". Prints seconds,
# files per second and the ratio to the baseline for each size.
#   tools/bench-uninstall.sh [N...]      (default: 1000 10000 50000)
# Note: uninstall.exe also removes the product's registry integration in the
# Wine prefix it runs in (the build root's prefix). BUILD_DIR selects the root.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
if ! log="$(ninja -j2 -C "$BUILD_DIR/mingw" uninstall uninstall_bench uninstall_singlepass 2>&1)"; then
  echo "$log" >&2; exit 1
fi
source "$ROOT/tools/wine-env.sh"
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1000 10000 50000)
for n in "${sizes[@]}"; do
  [[ "$n" =~ ^[1-9][0-9]*$ ]] || { echo "not a file count: $n" >&2; exit 2; }
done
echo "== uninstall benchmark under $("$WINE" --version 2>/dev/null || echo Wine), one run per size"
start=$SECONDS
"$WINE" "$BUILD_DIR/mingw/bin/bench/uninstall_bench.exe" "${sizes[@]}" 2>&1 </dev/null | tr -d '\r'
echo "== total $((SECONDS - start)) s (building the installations included)"
