#!/bin/bash
# Configures and builds the trees: build/native (pure core, sanitizers,
# fuzzers), build/mingw (x64) and build/mingw-x86 (x86), each with
# uninstall.exe and the Windows tests.
# BUILD_DIR selects another root (each developer or helper may use its own);
# QAV_SKIP_NATIVE=1 leaves out the native tree, QAV_NATIVE_ONLY=1 builds only it;
# QAV_TARGETS="uninstall ..." builds only those targets of the Windows trees.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
"$ROOT/tools/install-deps.sh"
if [ "${QAV_SKIP_NATIVE:-}" != 1 ]; then
  cmake -S "$ROOT" -B "$BUILD_DIR/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
  ninja -C "$BUILD_DIR/native"
fi
# The Windows program twice from the same sources, each tree with the same
# bin/ layout: build/mingw (x64) and build/mingw-x86 (x86, the build Windows 9x
# and 32-bit Windows run). QAV_ARCHS="x64" or "x86" builds only one.
archs="${QAV_ARCHS:-x64 x86}"; [ "${QAV_NATIVE_ONLY:-}" = 1 ] && archs=""
for arch in $archs; do
  case "$arch" in
    x64) tree="$BUILD_DIR/mingw";     toolchain="$ROOT/cmake/mingw-w64-x86_64.cmake" ;;
    x86) tree="$BUILD_DIR/mingw-x86"; toolchain="$ROOT/cmake/mingw-w64-i686.cmake" ;;
    *) echo "unknown architecture: $arch" >&2; exit 2 ;;
  esac
  cmake -S "$ROOT" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" >/dev/null
  ninja -C "$tree" ${QAV_TARGETS:-}
done
