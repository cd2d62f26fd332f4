#!/bin/bash
# The main job on a default demo installation: builds uninstall.exe, makes a
# demo Qavrix folder in a private Wine prefix, and runs the product's whole
# life there: setup (the dialogs when you have a display, the silent path
# otherwise), a report of what setup registered and created, the uninstall
# as "Programs and Features" starts it, and the report that nothing is left.
# Needs nothing but a Debian 12 machine (it installs what it needs).
#   QAV_DEMO_SILENT=1  always take the silent path, even with a display.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
# A display of the user's own means the dialogs can be met interactively;
# without one the scripts start a private Xvfb and setup runs silently.
interactive=0
if [ -n "${DISPLAY:-}" ] && [ "${QAV_DEMO_SILENT:-}" != 1 ] && [ -t 0 ]; then
  interactive=1
  export QAV_KEEP_DISPLAY=1
fi
# Only what the demo runs: the x64 program, the UI driver, the stand-in
# Qavrix.exe and the desktop keeper (the tests' programs are not built).
"$ROOT/tools/install-deps.sh"
# Meanwhile the Wine prefix, its locale and the X display are made (the
# prefix's first start spends much of its time waiting); sourcing
# tools/wine-env.sh below waits for that set-up to end, and starts the
# desktop keeper once it is built.
( source "$ROOT/tools/wine-env.sh" ) </dev/null >/dev/null 2>&1 &
QAV_ARCHS=x64 QAV_SKIP_NATIVE=1 QAV_TARGETS="uninstall uidriver prog_fakeqavrix prog_keepdesktop" \
  "$ROOT/tools/build.sh" >/dev/null

source "$ROOT/tools/wine-env.sh"
BIN="$BUILD_DIR/mingw/bin"

echo "== the demo installation"
DEMO="$("$ROOT/tools/demo-install.sh")"
echo "   C:\\Program Files\\Qavrix: $(cd "$DEMO" && find . -type f | wc -l) files, Uninstall.lst lists $(grep -c . "$DEMO/Uninstall.lst") entries"
echo

echo "== setup: uninstall.exe /setup, started from the installation folder"
start=$(date +%s.%N); rc=0
if [ $interactive = 1 ]; then
  echo "   The setup dialog is open on your display: choose, press OK, then Finish."
  ( cd "$DEMO" && "$WINE" 'C:\Program Files\Qavrix\uninstall.exe' /setup ) || rc=$?
else
  echo "   no display of your own: the silent path, /setup /S (both dialogs confirm themselves)"
  ( cd "$DEMO" && "$WINE" 'C:\Program Files\Qavrix\uninstall.exe' /setup /S ) || rc=$?
fi
# After an interactive setup the shell shows the program group. Wine starts
# a new explorer.exe for it, in setup's current directory - the program
# folder - and that process would keep the uninstall from removing the
# folder; the demo ends it once its window is up.
if [ $interactive = 1 ]; then
  for _ in $(seq 20); do
    "$WINE" "$BIN/uidriver.exe" close --caption Qavrix >/dev/null 2>&1 </dev/null && break
    sleep 0.5
  done
  sleep 1
  for pid in $(pgrep -f 'explorer\.exe' || true); do
    case "$(readlink "/proc/$pid/cwd" 2>/dev/null)" in "$DEMO"*) kill "$pid" 2>/dev/null || true;; esac
  done
fi
echo "   setup ended with code $rc after $(printf '%.1f' "$(echo "$(date +%s.%N) - $start" | bc)") s"
echo "   what the dialogs look like: docs/zh-setupdlg.png, docs/zh-contextitems.png, docs/zh-donedlg.png"
echo "   (English edition: docs/en-*.png; retake them with tools/screenshots.sh)"
echo

echo "== what setup registered and created"
"$ROOT/tools/demo-integration.sh" | sed 's/^/   /'
echo

"$ROOT/tools/demo-uninstall.sh" | sed 's/^/   /'
echo

echo "== what is left after the uninstall"
"$ROOT/tools/demo-integration.sh" | sed 's/^/   /'
