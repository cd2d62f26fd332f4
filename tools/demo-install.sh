#!/bin/bash
# Creates the demo Qavrix installation in the current Wine prefix:
# C:\Program Files\Qavrix with uninstall.exe, a stand-in Qavrix.exe, the
# documents, and the Uninstall.lst an installer would have written.
# Needs tools/wine-env.sh sourced and BUILD_DIR set; prints the folder.
set -euo pipefail
BIN="$BUILD_DIR/mingw/bin"
DEMO="$WINEPREFIX/drive_c/Program Files/Qavrix"
rm -rf "$DEMO"; mkdir -p "$DEMO/Docs"
cp "$BIN/uninstall.exe" "$DEMO/"
if [ -f "$BIN/testprogs/fakeqavrix.exe" ]; then cp "$BIN/testprogs/fakeqavrix.exe" "$DEMO/Qavrix.exe"
else cp "$BIN/uidriver.exe" "$DEMO/Qavrix.exe"; fi
printf 'Qavrix licence\r\n' > "$DEMO/license.txt"
printf '<html><body>Qavrix prices</body></html>\r\n' > "$DEMO/order.htm"
printf 'help' > "$DEMO/qavrix.hlp"; printf 'console manual' > "$DEMO/Qav.txt"
printf 'readme' > "$DEMO/Docs/readme.txt"
# Setup writes the new-file templates qavnew.dat and zipnew.dat here; the
# installer lists them so that the uninstall removes them too.
printf 'Docs\r\nDocs\\readme.txt\r\nQavrix.exe\r\nlicense.txt\r\norder.htm\r\nqavrix.hlp\r\nQav.txt\r\nqavnew.dat\r\nzipnew.dat\r\nuninstall.exe\r\nUninstall.lst\r\n' > "$DEMO/Uninstall.lst"
echo "$DEMO"
