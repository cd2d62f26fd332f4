#!/bin/bash
# Runs one Windows program under the project's Wine prefix (CTest's emulator).
# Output goes through a file, not a pipe: Wine's helper processes that the
# first program starts would otherwise hold the pipe open after it ends.
# Carriage returns are dropped so CTest reads the test lists cleanly.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
out="$(mktemp)"
"$WINE" "$@" >"$out" 2>&1 </dev/null
rc=$?
tr -d '\r' <"$out"
# A program that ends before writing anything would leave CTest nothing to
# show: say how it ended (99 is the code the tests' helpers end a process with).
if [ "$rc" -ne 0 ] && [ ! -s "$out" ]; then
  echo "wine-run: $(basename "$1") ended with exit code $rc before writing anything"
fi
rm -f "$out"
exit $rc
