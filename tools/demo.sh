#!/bin/bash
# The main job on a default demo installation: builds uninstall.exe, prepares
# a private Wine prefix with a demo Qavrix folder, and shows what the program
# does there. Needs nothing but a Debian 12 machine (it installs what it needs).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
QAV_SKIP_NATIVE=1 "$ROOT/tools/build.sh" >/dev/null
source "$ROOT/tools/wine-env.sh"
BIN="$BUILD_DIR/mingw/bin"
DRIVER="$BIN/uidriver.exe"

# The demo installation: C:\Program Files\Qavrix in the prefix.
DEMO="$WINEPREFIX/drive_c/Program Files/Qavrix"
rm -rf "$DEMO"; mkdir -p "$DEMO/Docs"
cp "$BIN/uninstall.exe" "$DEMO/"
[ -f "$BIN/testprogs/fakeqavrix.exe" ] && cp "$BIN/testprogs/fakeqavrix.exe" "$DEMO/Qavrix.exe" || printf 'MZ' > "$DEMO/Qavrix.exe"
printf 'Qavrix licence\r\n' > "$DEMO/license.txt"
printf '<html><body>Qavrix prices</body></html>\r\n' > "$DEMO/order.htm"
printf 'help' > "$DEMO/qavrix.hlp"; printf 'console manual' > "$DEMO/Qav.txt"
printf 'readme' > "$DEMO/Docs/readme.txt"
printf 'Docs\r\nDocs\\readme.txt\r\nQavrix.exe\r\nlicense.txt\r\norder.htm\r\nqavrix.hlp\r\nQav.txt\r\nuninstall.exe\r\n' > "$DEMO/Uninstall.lst"
echo "demo installation: C:\\Program Files\\Qavrix ($(ls "$DEMO" | wc -l) entries)"

echo
echo "== uninstall.exe /warning (the notice the self-removal batch shows when it cannot delete the program)"
( cd "$DEMO" && "$WINE" "C:\\Program Files\\Qavrix\\uninstall.exe" /warning ) &
app=$!
"$WINE" "$DRIVER" wait --caption "" --timeout 20000 | tr -d '\r' | sed 's/^/   /'
"$WINE" "$DRIVER" click 1 >/dev/null
wait $app
echo "   exit code: $?"
