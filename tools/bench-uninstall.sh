#!/bin/bash
# Builds and runs the uninstall benchmark under Wine: synthetic installations
# of N listed (empty) files in folders of 100, removed by a minimal single-pass
# program (the baseline of the ratio) and by the uninstall run with its
# file-system calls counted; medians of three runs. Everything runs twice:
# with the display, then without one (DISPLAY unset for the benchmark and the
# programs it starts, as under a service or a deployment tool), each time
# against its own baseline. Prints seconds, microseconds
# a file, the ratio to the baseline, calls per listed entry and per removed
# entry, and the peak working set. Figures only: nothing here fails on a time.
#   tools/bench-uninstall.sh [--before EXE] [--build LABEL EXE]... [--after EXE] [--runs K] [--bytes B] [--display-only] [SIZE...]
# SIZE: N (folders listed before and after their files), Nf (folders listed
# only before their files), or "start" (start-up time to the first deletion
# with an empty list after a full setup). Default: 1000 10000 50000 100000.
# --before names another build of uninstall_counted.exe (a Linux path) to
# compare in the same run, --build adds more (each labelled), and --after
# replaces the one just built. --display-only skips the run without a display.
# --bytes B gives each file B bytes (default none): files with data cost more
# to remove once the system has written them back (about 30 s after they were
# made), so with data the cost per file depends on how long the installation
# took to make and to remove, and grows with the size.
# A build to compare with: check the commit out in a worktree of its own,
# build it there (QAV_ARCHS=x64 QAV_SKIP_NATIVE=1 tools/build.sh), and pass
# its build/mingw/bin/bench/uninstall_counted.exe with --before.
# Note: the runs remove the product's registry integration in the Wine prefix
# they run in (the build root's prefix). BUILD_DIR selects the root.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
if ! log="$(ninja -j2 -C "$BUILD_DIR/mingw" uninstall_counted uninstall_bench uninstall_singlepass 2>&1)"; then
  echo "$log" >&2; exit 1
fi
source "$ROOT/tools/wine-env.sh"
args=()
display_only=
while [ $# -gt 0 ]; do
  case "$1" in
    --before|--after) args+=("$1" "Z:$(realpath "$2" | tr / '\\')"); shift 2 ;;
    --build) args+=("$1" "$2" "Z:$(realpath "$3" | tr / '\\')"); shift 3 ;;
    --runs|--bytes) args+=("$1" "$2"); shift 2 ;;
    start) args+=(start); shift ;;
    --display-only) display_only=1; shift ;;
    *) [[ "$1" =~ ^[1-9][0-9]*[fF]?$ ]] || { echo "not a size: $1" >&2; exit 2; }
       args+=("$1"); shift ;;
  esac
done
echo "== uninstall benchmark under $("$WINE" --version 2>/dev/null || echo Wine), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
start=$SECONDS
echo "== with the display ($DISPLAY)"
"$WINE" "$BUILD_DIR/mingw/bin/bench/uninstall_bench.exe" "${args[@]}" 2>&1 </dev/null | sed -u 's/\r$//'
if [ -z "$display_only" ]; then
  echo "== without a display, load $(cut -d' ' -f1-3 /proc/loadavg)"
  env -u DISPLAY "$WINE" "$BUILD_DIR/mingw/bin/bench/uninstall_bench.exe" "${args[@]}" 2>&1 </dev/null | sed -u 's/\r$//'
fi
echo "== total $((SECONDS - start)) s (building the installations included), load $(cut -d' ' -f1-3 /proc/loadavg)"
