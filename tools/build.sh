#!/bin/bash
# Configures and builds both trees: build/native (pure core, sanitizers,
# fuzzers) and build/mingw (uninstall.exe and the Windows tests).
# BUILD_DIR selects another root (each developer or helper may use its own).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
"$ROOT/tools/install-deps.sh"
if [ "${QAV_SKIP_NATIVE:-}" != 1 ]; then
  cmake -S "$ROOT" -B "$BUILD_DIR/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
  ninja -C "$BUILD_DIR/native"
fi
cmake -S "$ROOT" -B "$BUILD_DIR/mingw" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
ninja -C "$BUILD_DIR/mingw"
