#!/bin/bash
# Checks that the shipped files are reproducible: builds them twice, each
# time from a copy of the sources in a fresh folder of its own (the two
# folders' names differ), and compares the bytes. Prints each file's SHA-256
# and exits with 1 when a file differs. The files are bin/uninstall.exe, its
# debug file bin/uninstall.exe.debug and the English bin/en/qavlng.dll of
# each build (QAV_ARCHS="x64" or "x86" checks one). Anyone can compare the
# sums with those of a shipped file built from the same sources by the same
# Debian 12 compilers. Takes some minutes; not part of tools/test.sh.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$ROOT/tools/install-deps.sh"
work="$(mktemp -d "${TMPDIR:-/tmp}/qav-reproducible.XXXXXX")"
trap 'rm -rf "$work"' EXIT
FILES=(bin/uninstall.exe bin/uninstall.exe.debug bin/en/qavlng.dll)

status=0
for arch in ${QAV_ARCHS:-x64 x86}; do
  case "$arch" in
    x64) toolchain=cmake/mingw-w64-x86_64.cmake ;;
    x86) toolchain=cmake/mingw-w64-i686.cmake ;;
    *) echo "unknown architecture: $arch" >&2; exit 2 ;;
  esac
  for copy in first/src second/qavrix-sources; do
    src="$work/$arch-$copy"; mkdir -p "$src"
    tar -C "$ROOT" --exclude=./build --exclude=./.git -cf - . | tar -C "$src" -xf -
    cmake -S "$src" -B "$src.build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
          -DCMAKE_TOOLCHAIN_FILE="$src/$toolchain" >/dev/null
    ninja -C "$src.build" uninstall qavlng_en >/dev/null
  done
  for file in "${FILES[@]}"; do
    one="$work/$arch-first/src.build/$file" two="$work/$arch-second/qavrix-sources.build/$file"
    if cmp -s "$one" "$two"; then
      echo "$arch $file: identical, $(stat -c %s "$one") bytes, sha256 $(sha256sum <"$one" | cut -d' ' -f1)"
    else
      echo "$arch $file: DIFFERS ($(cmp "$one" "$two" 2>&1 | head -1))"; status=1
    fi
  done
done
exit $status
