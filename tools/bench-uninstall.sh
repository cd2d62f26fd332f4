#!/bin/bash
# Builds and runs the uninstall benchmark under Wine: synthetic installations
# of N listed files in folders of 100, removed in turns in one run by
#   - the DeleteFileA loop (the first baseline): one pass, by name, unchecked;
#   - the safe loop (the second baseline): the least a link-safe deletion
#     does per file under Wine - opened relative to its held folder as itself,
#     one query of where it really is, the disposition, the close;
#   - NSIS's RMDir /r on the installation folder (a program built by makensis;
#     the Debian package nsis is installed when missing, else NSIS is left out);
#   - the uninstall run with its file-system calls counted.
# Medians of three runs. Everything runs twice: with the display, then without
# one (DISPLAY unset for the benchmark and the programs it starts, as under a
# service or a deployment tool). Prints per method seconds, microseconds a
# file, the ratios to the DeleteFileA loop and to the safe loop, calls per
# listed entry, the time from the process start to its first deletion (and
# its ratio to the DeleteFileA loop's), and the uninstall's peak working set.
# Figures only: nothing here fails on a time.
#   tools/bench-uninstall.sh [--before EXE] [--build LABEL EXE]... [--after EXE] [--runs K]
#                            [--bytes B[,B...]] [--per-folder K] [--no-nsis] [--display-only] [SIZE...]
#   tools/bench-uninstall.sh --round-trips [N1 N2]
# SIZE: N (folders listed before and after their files), Nf (folders listed
# only before their files), or "start" (start-up time to the first deletion
# with an empty list after a full setup). Default: 1000 10000 50000 100000.
# --before names another build of uninstall_counted.exe (a Linux path) to
# compare in the same run, --build adds more (each labelled), and --after
# replaces the one just built. --display-only skips the run without a display.
# --per-folder K puts K files in each folder instead of 100 (one folder of
# all files shows whether a method's cost per file grows with its folder).
# --bytes B gives each file B bytes (default none); a list (--bytes 0,1024)
# runs every size once for each. Each installation's data is written to disk
# (sync) before it is removed: files with data cost more to remove once the
# system has written them back, and a method should not pay for the
# write-back of files made before it.
# --round-trips counts Wine server round trips per removed file for each
# method (and for the safe loop's three possible queries: the object name,
# GetFinalPathNameByHandleW, the file name information): installations of N1
# and N2 empty files (default 1000 and 3000) in a prefix of their own
# (build/wine-trips) whose wineserver traces every request; a method's count
# is that of its thread with the most file opens, and the figure
# (count at N2 - count at N1) / (N2 - N1).
# A build to compare with: check the commit out in a worktree of its own,
# build it there (QAV_ARCHS=x64 QAV_SKIP_NATIVE=1 tools/build.sh), and pass
# its build/mingw/bin/bench/uninstall_counted.exe with --before.
# Note: the runs remove the product's registry integration in the Wine prefix
# they run in (the build root's prefix). BUILD_DIR selects the root.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
if ! log="$(ninja -j2 -C "$BUILD_DIR/mingw" uninstall_counted uninstall_bench uninstall_singlepass \
     uninstall_safeloop 2>&1)"; then
  echo "$log" >&2; exit 1
fi
bench_dir="$BUILD_DIR/mingw/bin/bench"
winpath() { echo "Z:$(realpath "$1" | tr / '\\')"; }

# NSIS's RMDir /r as a program of its own: /D= names the folder (the default,
# a folder that does not exist, when it is left out).
nsis_exe="$bench_dir/nsis_rmdir.exe"
make_nsis() {
  if ! command -v makensis >/dev/null 2>&1; then
    echo "== installing the Debian package nsis (makensis)"
    local sudo=; [ "$(id -u)" = 0 ] || sudo="sudo -n"
    if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends nsis >/dev/null 2>&1; then
      echo "== nsis could not be installed: NSIS is left out"; return 1
    fi
  fi
  [ -f "$nsis_exe" ] && [ "$nsis_exe" -nt "${BASH_SOURCE[0]}" ] && return 0
  cat >"$bench_dir/nsis_rmdir.nsi" <<'NSI'
Target amd64-unicode
Name "RMDir"
OutFile "nsis_rmdir.exe"
RequestExecutionLevel user
SilentInstall silent
InstallDir "$TEMP\nsis-rmdir-none"
Section
  RMDir /r "$INSTDIR"
SectionEnd
NSI
  (cd "$bench_dir" && makensis -V1 nsis_rmdir.nsi >/dev/null) || { echo "== makensis failed: NSIS is left out"; return 1; }
}

# Server round trips per removed file (see the header).
round_trips() {
  local n1="$1" n2="$2"
  (
    export QAV_STATE="$BUILD_DIR/wine-trips" QAV_NO_KEEPER=1
    unset QAV_WINEPREFIX QAV_HOME
    # The benchmark's display when it runs, else one of its own.
    [ -f "$BUILD_DIR/wine/display" ] && export DISPLAY="$(cat "$BUILD_DIR/wine/display")"
    source "$ROOT/tools/wine-env.sh"
    export WINEDEBUG=-all
    "$WINESERVER" -k >/dev/null 2>&1 </dev/null || true
    "$WINESERVER" -w >/dev/null 2>&1 </dev/null || true
    trace="$QAV_STATE/server-trace.txt"
    "$WINESERVER" -f -p -d1 2>"$trace" >/dev/null </dev/null &
    server=$!
    trap 'kill "$server" 2>/dev/null' EXIT
    sleep 1
    base="$WINEPREFIX/drive_c/trips"
    rm -rf "$base"; mkdir -p "$base"
    # One method on the installation FOLDER (Linux path) or WFOLDER (Windows path).
    run_method() {   # TAG FOLDER WFOLDER
      case "$1" in
        loop) "$WINE" "$bench_dir/uninstall_singlepass.exe" "$3" ;;
        object|final|filename) "$WINE" "$bench_dir/uninstall_safeloop.exe" "$3" "$1" ;;
        nsis) "$WINE" "$nsis_exe" /S "/D=$3" ;;
        uninstall) "$WINE" "$2/uninstall.exe" /S ;;
      esac
    }
    # The round trips of the thread with the most file opens while the method
    # runs, by request: "COUNT REQUEST" lines.
    count() {   # N TAG
      local folder="$base/$2-$1" wfolder="C:\\trips\\$2-$1" off tid
      "$WINE" "$bench_dir/uninstall_bench.exe" --make "$wfolder" "$1" </dev/null >/dev/null 2>&1
      off=$(stat -c %s "$trace")
      (cd / && run_method "$2" "$folder" "$wfolder" </dev/null >/dev/null 2>&1) || true
      tail -c +"$((off + 1))" "$trace" > "$trace.slice"
      tid=$(grep -oE '^[0-9a-f]+: create_file\(' "$trace.slice" | cut -d: -f1 | sort | uniq -c | sort -rn |
            awk 'NR==1{print $2}')
      [ -z "$tid" ] || grep -oE "^$tid: [a-z_]+\(\) = " "$trace.slice" | cut -d' ' -f2 | sort | uniq -c
    }
    # The total per file, then each request that comes at least once in 20 files.
    per_file() {   # LABEL TAG
      { count "$n1" "$2" | sed 's/^/a /'; count "$n2" "$2" | sed 's/^/b /'; } |
        awk -v label="$1" -v d="$((n2 - n1))" '
          { n[$3] += ($1 == "b" ? $2 : -$2) }
          END { t = 0; for (r in n) t += n[r]
                line = sprintf("%-38s %6.2f ", label, t / d)
                for (r in n) if (n[r] / d >= 0.05) line = line sprintf(" %s %.2f", substr(r, 1, length(r) - 2), n[r] / d)
                print line }'
    }
    echo "== server round trips per removed file (installations of $n1 and $n2 empty files, in folders of 100)"
    per_file "DeleteFileA loop" loop
    per_file "safe loop (object name)" object
    per_file "safe loop (GetFinalPathNameByHandleW)" final
    per_file "safe loop (file name information)" filename
    [ -z "$nsis" ] || per_file "NSIS RMDir /r" nsis
    per_file "uninstall" uninstall
    sleep 3   # the uninstall's batches end
    "$WINESERVER" -k >/dev/null 2>&1 </dev/null || true
    rm -f "$trace.slice"
  )
}

args=()
display_only=
nsis=1
trips=
while [ $# -gt 0 ]; do
  case "$1" in
    --before|--after) args+=("$1" "$(winpath "$2")"); shift 2 ;;
    --build) args+=("$1" "$2" "$(winpath "$3")"); shift 3 ;;
    --runs|--per-folder) [[ "$2" =~ ^[1-9][0-9]*$ ]] || { echo "not a count: $2" >&2; exit 2; }
                        args+=("$1" "$2"); shift 2 ;;
    --bytes) [[ "$2" =~ ^[0-9]+(,[0-9]+)*$ ]] || { echo "not a byte count list: $2" >&2; exit 2; }
             args+=("$1" "$2"); shift 2 ;;
    start) args+=(start); shift ;;
    --display-only) display_only=1; shift ;;
    --no-nsis) nsis=; shift ;;
    --round-trips) trips=1; shift ;;
    *) [[ "$1" =~ ^[1-9][0-9]*[fF]?$ ]] || { echo "not a size: $1" >&2; exit 2; }
       args+=("$1"); shift ;;
  esac
done
if [ -n "$nsis" ]; then make_nsis || nsis=; fi
if [ -n "$trips" ]; then
  sizes=("${args[@]}")
  round_trips "${sizes[0]:-1000}" "${sizes[1]:-3000}"
  exit 0
fi
[ -z "$nsis" ] || args+=(--nsis "$(winpath "$nsis_exe")")
source "$ROOT/tools/wine-env.sh"
# The prefix's system processes (services.exe and the others) start with the
# first program and keep its output open: they start here, away from the
# pipelines below, whose output would otherwise never end.
"$WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
# Each installation's data goes to disk before its removal is timed: the
# benchmark asks through a request file, answered here.
sync_dir="$BUILD_DIR/bench-sync"
mkdir -p "$sync_dir"; rm -f "$sync_dir/request" "$sync_dir/done"
(while kill -0 $$ 2>/dev/null; do
   if [ -e "$sync_dir/request" ]; then rm -f "$sync_dir/request"; sync -f "$WINEPREFIX/drive_c"; : >"$sync_dir/done"; fi
   sleep 0.05
 done) &
watcher=$!
trap 'kill "$watcher" 2>/dev/null' EXIT
args+=(--sync-dir "$(winpath "$sync_dir")")
echo "== uninstall benchmark under $("$WINE" --version 2>/dev/null || echo Wine), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
start=$SECONDS
echo "== with the display ($DISPLAY)"
"$WINE" "$BUILD_DIR/mingw/bin/bench/uninstall_bench.exe" "${args[@]}" 2>&1 </dev/null | sed -u 's/\r$//'
if [ -z "$display_only" ]; then
  echo "== without a display, load $(cut -d' ' -f1-3 /proc/loadavg)"
  env -u DISPLAY "$WINE" "$BUILD_DIR/mingw/bin/bench/uninstall_bench.exe" "${args[@]}" 2>&1 </dev/null | sed -u 's/\r$//'
fi
echo "== total $((SECONDS - start)) s (building the installations included), load $(cut -d' ' -f1-3 /proc/loadavg)"
