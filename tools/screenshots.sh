#!/bin/bash
# Takes screenshots of the three setup dialogs as a user sees them (Wine,
# Xvfb, code page 936, a Chinese font standing in for SimSun) and writes
# them to docs/ (or $SHOT_DIR). A language DLL or file can be put beside
# the program first: SHOT_LNG=path/uninstall.lng, SHOT_DLL=path/qavlng.dll,
# SHOT_PREFIX=name (file name prefix, default "zh"); SHOT_ITEMS_CAPTION=text
# (UTF-8) when CONTEXTITEMS has another title in that language. Each set is
# taken at every system DPI of SHOT_DPIS (default "96 144"); the 96-DPI files
# keep their plain names, the others end in "-<dpi>dpi.png".
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
QAV_SKIP_NATIVE=1 "$ROOT/tools/build.sh" >/dev/null
export QAV_STATE="$BUILD_DIR/screenshot-wine"
rm -rf "$QAV_STATE/prefix"  # a fresh prefix: setup really applies
source "$ROOT/tools/wine-env.sh"
# Wine's own fonts (Marlett draws the caption buttons' glyphs) into the
# prefix's font folder, where this Wine build looks for them.
cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
# Xvfb has no window manager to draw title bars: let Wine draw its own.
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1 </dev/null
OUT="${SHOT_DIR:-$ROOT/docs}"; NAME="${SHOT_PREFIX:-zh}"
mkdir -p "$OUT"
DEMO="$("$ROOT/tools/demo-install.sh")"
[ -n "${SHOT_LNG:-}" ] && cp "$SHOT_LNG" "$DEMO/uninstall.lng"
[ -n "${SHOT_DLL:-}" ] && cp "$SHOT_DLL" "$DEMO/qavlng.dll"
DRIVER="$BUILD_DIR/mingw/bin/uidriver.exe"
ITEMS="${SHOT_ITEMS_CAPTION:-$(printf '\xe5\x85\xb3\xe8\x81\x94\xe8\x8f\x9c\xe5\x8d\x95')}"

shot() {  # shot FILE: the dialog on screen, cropped to its rectangle
  local report rect
  report="$("$WINE" "$DRIVER" wait --timeout 20000 | tr -d '\r')"
  rect=$(echo "$report" | head -1 | sed -E 's/.* rect (-?[0-9]+),(-?[0-9]+) ([0-9]+)x([0-9]+).*/\3x\4+\1+\2/')
  sleep 1
  import -display "$DISPLAY" -window root -crop "$rect" +repage "$OUT/$1"
  echo "$OUT/$1 ($rect)"
}

cd "$DEMO"
for dpi in ${SHOT_DPIS:-96 144}; do
  # The system DPI a program takes from LogPixels when it starts.
  "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 </dev/null
  suffix=""; [ "$dpi" = 96 ] || suffix="-${dpi}dpi"
  "$WINE" 'C:\Program Files\Qavrix\uninstall.exe' /setup &
  app=$!
  shot "$NAME-setupdlg$suffix.png"
  "$WINE" "$DRIVER" click 5123 >/dev/null                        # Context menu items...
  sleep 1
  # CONTEXTITEMS is the newest dialog; SETUPDLG waits behind it.
  "$WINE" "$DRIVER" wait --caption "$ITEMS" --timeout 20000 >/dev/null || true
  shot "$NAME-contextitems$suffix.png"
  "$WINE" "$DRIVER" click --caption "$ITEMS" 2 >/dev/null  # Cancel
  sleep 1
  "$WINE" "$DRIVER" click 1 >/dev/null                           # OK: apply
  sleep 2
  shot "$NAME-donedlg$suffix.png"
  "$WINE" "$DRIVER" click 1 >/dev/null                           # Finish
  wait $app || true
  # Finish opens the program group's folder window: closed before the next set.
  for _ in $(seq 20); do
    "$WINE" "$DRIVER" close --caption Qavrix >/dev/null 2>&1 </dev/null && break
    sleep 0.5
  done
done
