# Sourced by tools/test.sh and tools/test-wine-repeat.sh: the Wine side of
# the suite, each build tree's Win32 unit and end-to-end tests in the tree's
# own Wine prefix, X display and wineserver (build/wine for build/mingw,
# build/wine-x86 for build/mingw-x86; CMakeLists.txt names them to CTest).
# The trees share nothing, so their runs go side by side; within a tree the
# end-to-end tests still run alone (RUN_SERIAL).
QAV_ROOT="${QAV_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"

qav_tree()  { if [ "$1" = x86 ]; then echo "$BUILD_DIR/mingw-x86"; else echo "$BUILD_DIR/mingw"; fi; }
qav_state() { if [ "$1" = x86 ]; then echo "$BUILD_DIR/wine-x86"; else echo "$BUILD_DIR/wine"; fi; }

# Makes the tree's prefix, display and wineserver before CTest starts two
# tests at once (each would otherwise boot the same new prefix). A display
# inherited from the caller is not taken over: each tree gets its own, so
# that one tree's windows never take the other's keyboard focus.
qav_boot_tree() {
  ( unset DISPLAY; export QAV_STATE; QAV_STATE="$(qav_state "$1")"
    source "$QAV_ROOT/tools/wine-env.sh" ) >/dev/null 2>&1 </dev/null
}

# Whether this host's kernel starts 32-bit x86 programs, as Wine's 32-bit
# side is one. A kernel built or booted without IA-32 emulation refuses them
# ("Exec format error"): then no x86 program can run under Wine here, a fact
# of the host and not of the set-up (a missing wine32 is left to fail).
qav_host_runs_i386() {
  local loader=/usr/lib/wine/wine out
  [ -e "$loader" ] || return 0
  out="$("$loader" --version 2>&1 </dev/null)" && return 0
  ! echo "$out" | grep -qi 'exec format error'
}

# qav_run_trees LOGDIR ARCH...: runs each tree's CTest at once, each into
# LOGDIR/mingw-ARCH-ctest.log, prints the logs one after the other and
# each tree's time; the status is 0 only when every run passed.
qav_run_trees() {
  local logs="$1" arch status=0; shift
  local -A pid=() start=()
  local -A args=()
  for arch in "$@"; do
    rm -f "$logs/mingw-$arch-host.txt"; args[$arch]="${CTEST_ARGS:-}"
    if [ "$arch" = x86 ] && ! qav_host_runs_i386; then
      echo "x86 build: this host's kernel starts no 32-bit programs (exec format error), so its Win32 and end-to-end tests cannot run here; only its import check runs" \
        >"$logs/mingw-$arch-host.txt"
      continue
    fi
    qav_boot_tree "$arch"
  done
  for arch in "$@"; do
    start[$arch]=$(date +%s)
    ( if [ -f "$logs/mingw-$arch-host.txt" ]; then
        # CTest would start the tree's Windows test programs to list their
        # tests; the import check alone is run, and counted as CTest counts.
        { cat "$logs/mingw-$arch-host.txt"
          python3 "$QAV_ROOT/tests/imports/check_imports.py" "$(qav_tree "$arch")/bin/uninstall.exe"; rc=$?
          echo "$(( rc == 0 ? 100 : 0 ))% tests passed, $(( rc != 0 )) tests failed out of 1"
        } >"$logs/mingw-$arch-ctest.log" 2>&1
      else
        ctest --test-dir "$(qav_tree "$arch")" --output-on-failure -j2 ${args[$arch]} \
          >"$logs/mingw-$arch-ctest.log" 2>&1 </dev/null
        rc=$?
      fi
      echo "$arch build: Wine tests took $(( $(date +%s) - ${start[$arch]} )) s" >>"$logs/mingw-$arch-ctest.log"
      exit $rc ) &
    pid[$arch]=$!
  done
  for arch in "$@"; do
    wait "${pid[$arch]}" || status=1
    echo "== Win32 unit and end-to-end tests under Wine, $arch build ($(qav_tree "$arch"))"
    cat "$logs/mingw-$arch-ctest.log"
  done
  return $status
}
