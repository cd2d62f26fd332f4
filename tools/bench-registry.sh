#!/bin/bash
# Builds and runs the registry benchmark under Wine: tree removal by the
# program's registry layer against RegDeleteTreeA, and one full association
# pass. Runs once as Windows 10 and once as Windows 98 (where the layer's
# single recursive delete comes first). BUILD_DIR selects the build root.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
ninja -j2 -C "$BUILD_DIR/mingw" registry_bench >/dev/null
source "$ROOT/tools/wine-env.sh"
bench="$BUILD_DIR/mingw/bin/bench/registry_bench.exe"
key='HKCU\Software\Wine\AppDefaults\registry_bench.exe'
for version in win10 win98; do
  echo "== reported version: $version"
  "$WINE" reg add "$key" /v Version /d "$version" /f >/dev/null 2>&1
  "$WINE" "$bench" 2>&1 | tr -d '\r'
done
"$WINE" reg delete "$key" /f >/dev/null 2>&1 || true
