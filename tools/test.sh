#!/bin/bash
# Runs all the tests: installs what is missing, builds the Windows trees,
# checks the include rule, then runs the Win32 unit tests and the end-to-end
# tests under Wine and Xvfb, for the x64 and the x86 build side by side, each
# in a Wine prefix of its own (QAV_ARCHS="x86" runs one); meanwhile it builds
# the native tree and runs the native core tests (ASan/UBSan) and each fuzzer
# for a bounded time.
#   FUZZ_SECONDS=30 (total fuzzing time), CTEST_ARGS="-R pattern" to narrow.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
export BUILD_DIR
began=$(date +%s)
# The Windows trees first. The native tree is built, and its tests and
# fuzzers run, while the Wine tests run: those leave the processors idle much
# of the time (programs starting, windows awaited), so the native work goes
# at a lower priority into that time.
QAV_SKIP_NATIVE=1 "$ROOT/tools/build.sh" ||
  { echo "stopped: the set-up or the build of the Windows trees failed (its messages are above)"; exit 1; }
echo "== Windows trees built in $(( $(date +%s) - began )) s"

passed=0; failed=0
count() {  # adds a ctest log's counts to the totals; a run without them failed
  local line
  if ! line=$(grep -E 'tests passed, [0-9]+ tests failed out of' "$1" | tail -1); then
    grep -qs 'No tests were found' "$1" && return 0  # CTEST_ARGS chose none there
    echo "$(basename "$1" -ctest.log): its tests did not run (see its log above)"
    failed=$((failed + 1)); return 0
  fi
  local fail total
  fail=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
  total=$(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/')
  passed=$((passed + total - fail)); failed=$((failed + fail))
}

status=0
echo "== include rule (docs/ARCHITECTURE.md)"
if python3 "$ROOT/tools/check-includes.py"; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi

source "$ROOT/tools/wine-trees.sh"
# Both builds at once, each tree in a Wine prefix of its own. Nothing is
# retried: a test that fails once has failed.
qav_run_trees "$BUILD_DIR" ${QAV_ARCHS:-x64 x86} >"$BUILD_DIR/wine-trees.log" 2>&1 &
wine_trees=$!

native_tests() {
  echo "== native core tests (ASan/UBSan)"
  ctest --test-dir "$BUILD_DIR/native" --output-on-failure -j2 ${CTEST_ARGS:-} 2>&1 | tee "$BUILD_DIR/native-ctest.log" || status=1
  count "$BUILD_DIR/native-ctest.log"

  fuzzers=$(find "$BUILD_DIR/native" -maxdepth 1 -name 'fuzz_*' -type f -perm -u+x | sort)
  if [ -n "$fuzzers" ] && [ -z "${CTEST_ARGS:-}" ]; then
    n=$(echo "$fuzzers" | wc -l)
    per=$(( ${FUZZ_SECONDS:-30} / n )); [ "$per" -lt 5 ] && per=5
    for f in $fuzzers; do
      name=$(basename "$f")
      corpus="$ROOT/tests/fuzz/corpus/${name#fuzz_}"
      work="$BUILD_DIR/fuzz-corpus/$name"; mkdir -p "$work"
      echo "== fuzzing $name for ${per}s"
      if "$f" -max_total_time="$per" -print_final_stats=1 "$work" $( [ -d "$corpus" ] && echo "$corpus" ) \
           >"$BUILD_DIR/$name.log" 2>&1; then
        passed=$((passed + 1)); grep -E 'stat::number_of_executed_units' "$BUILD_DIR/$name.log" || true
      else
        failed=$((failed + 1)); status=1; tail -40 "$BUILD_DIR/$name.log"
      fi
    done
  fi
}
echo "== native tree, built while the Wine tests run"
renice -n 10 -p $$ >/dev/null  # this script's later work, not the Wine tests'
if QAV_NATIVE_ONLY=1 "$ROOT/tools/build.sh"; then
  native_tests
else
  echo "native build failed"; failed=$((failed + 1)); status=1
fi

wait "$wine_trees" || status=1
cat "$BUILD_DIR/wine-trees.log"
for arch in ${QAV_ARCHS:-x64 x86}; do count "$BUILD_DIR/mingw-$arch-ctest.log"; done

# A run without one of the builds says so; in CI (CI set, as CI services
# do) it has not passed.
untested=""
for arch in x64 x86; do
  case " ${QAV_ARCHS:-x64 x86} " in *" $arch "*) ;; *) untested+=" $arch" ;; esac
done
for arch in ${QAV_ARCHS:-x64 x86}; do
  [ -f "$BUILD_DIR/mingw-$arch-host.txt" ] && echo "NOTE: $(cat "$BUILD_DIR/mingw-$arch-host.txt")"
done
echo
echo "all: $passed passed, $failed failed, in $(( $(date +%s) - began )) s${untested:+; NOT TESTED: the${untested} build (QAV_ARCHS=${QAV_ARCHS:-})${CI:+, a failure in CI}}"
[ "$failed" -eq 0 ] || status=1
[ -z "$untested" ] || [ -z "${CI:-}" ] || status=1
exit $status
