#!/bin/bash
# Prints what Qavrix's setup has registered and created in the Wine prefix:
# App Paths, the uninstall entry, the program classes, the owners of the
# archive extensions, the shell extension and its approval, the per-user
# settings, the shortcuts and the program groups, the new-file templates and
# the program folder. Ends with "nothing left" when none of it is there.
# Read-only: it changes nothing (after an uninstall run it first waits for the
# self-removal batch to finish).
#   BUILD_DIR selects the build tree whose Wine prefix is reported; the
#   optional argument is the program folder (a Unix path), by default the
#   demo installation C:\Program Files\Qavrix of the prefix.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
export BUILD_DIR
source "$ROOT/tools/wine-env.sh"

GUID='{6F2A94C1-3D58-4E07-B2A9-71C5E08D3F46}'
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
found=0
if [ -e "$WINEPREFIX/dosdevices/z:" ]; then winwork="Z:${work//\//\\}"
else winwork="$("$WINE" winepath -w "$work" 2>/dev/null </dev/null | tr -d '\r')"; fi

# Exports one registry key (with its subkeys) to $work/NAME.reg.
export_key() {
  "$WINE" reg export "$1" "$winwork\\$2.reg" /y >/dev/null 2>&1 </dev/null
}
# $work/NAME.txt: the export in UTF-8, empty when the key is missing.
export_text() {
  if [ -f "$work/$1.reg" ]; then
    iconv -f UTF-16LE -t UTF-8 "$work/$1.reg" | tr -d '\r' | sed '1s/^\xEF\xBB\xBF//' >"$work/$1.txt"
  else
    : >"$work/$1.txt"
  fi
}

# value FILE KEY NAME: the text of value NAME ("@" for the default value) of
# key KEY (letter case ignored); exit status 1 when absent.
value() {
  awk -v key="[$2]" -v name="$3" '
    BEGIN { key = tolower(key); want = (name == "@") ? "@=" : "\"" tolower(name) "\"=" }
    /^\[/ { inkey = (tolower($0) == key); next }
    inkey && index(tolower($0), want) == 1 {
      v = substr($0, length(want) + 1)
      if (v ~ /^"/) { v = substr(v, 2, length(v) - 2); gsub(/\\\\/, "\\", v); gsub(/\\"/, "\"", v) }
      print v; found = 1; exit
    }
    END { exit found ? 0 : 1 }' "$1"
}

has_key() { grep -qiF "[$2]" "$1"; }

line() { printf '  %-26s %s\n' "$1" "$2"; }
seen() { found=$((found + 1)); line "$1" "$2"; }

CLS='HKEY_LOCAL_MACHINE\Software\Classes'
CV='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion'
# Wine names the profile folder after the Unix user.
user_dir="$WINEPREFIX/drive_c/users/$(id -un)/"
[ -d "$user_dir" ] || user_dir=$(ls -d "$WINEPREFIX"/drive_c/users/*/ 2>/dev/null | grep -v '/Public/$' | head -1)

# Right after an uninstall run its self-removal batch is still at work on the
# program folder: the report waits for it (20 s at most).
for batch in "${user_dir}Temp/Uninstall_Qav.Bat" "${user_dir}AppData/Local/Temp/Uninstall_Qav.Bat"; do
  for _ in $(seq 200); do [ -e "$batch" ] || break; sleep 0.1; done
done

# The three exports run side by side: each start of Wine's reg costs most of a second.
export_key 'HKLM\Software\Classes' classes &
export_key 'HKLM\Software\Microsoft\Windows\CurrentVersion' cv &
export_key 'HKCU\Software\Qavrix' user &
wait
for name in classes cv user; do export_text "$name"; done

echo "Qavrix integration in the Wine prefix $WINEPREFIX"
echo "Registry"
if v=$(value "$work/cv.txt" "$CV\\App Paths\\Qavrix.exe" @); then
  seen "App Paths\\Qavrix.exe" "$v (Path: $(value "$work/cv.txt" "$CV\\App Paths\\Qavrix.exe" Path))"
else line "App Paths\\Qavrix.exe" "-"; fi
if v=$(value "$work/cv.txt" "$CV\\Uninstall\\Qavrix archiver" DisplayName); then
  seen "Uninstall entry" "\"$v\" runs $(value "$work/cv.txt" "$CV\\Uninstall\\Qavrix archiver" UninstallString)"
else line "Uninstall entry" "-"; fi
classes=""
for c in Qavrix Qavrix.ZIP Qavrix.REV; do
  if v=$(value "$work/classes.txt" "$CLS\\$c" @); then classes="$classes $c (\"$v\")"; found=$((found + 1)); fi
done
classes="${classes# }"
line "Program classes" "${classes:--}"
if v=$(value "$work/classes.txt" "$CLS\\Qavrix\\shell\\open\\command" @); then line "  open command" "$v"; fi
owners=""
for ext in .qav .zip .cab .7z .iso .rev; do
  v=$(value "$work/classes.txt" "$CLS\\$ext" @) || v="-"
  owners="$owners $ext=${v:-(empty)}"
  case "$v" in Qavrix|Qavrix.ZIP|Qavrix.REV|qavrix*) found=$((found + 1)) ;; esac
done
line "Extension owners" "${owners# }"
volumes=$(grep -ciE "^\[HKEY_LOCAL_MACHINE\\\\Software\\\\Classes\\\\\.q[0-9][0-9]\]$" "$work/classes.txt")
line "Volume extensions" "$volumes of .q00-.q99"
found=$((found + volumes))
if v=$(value "$work/classes.txt" "$CLS\\CLSID\\$GUID\\InProcServer32" @); then
  seen "Shell extension class" "$GUID -> $v"
elif has_key "$work/classes.txt" "$CLS\\CLSID\\$GUID"; then
  seen "Shell extension class" "$GUID (no server)"
elif has_key "$work/classes.txt" "$CLS\\Qavrix\\shellex\\DropHandler"; then
  line "Shell extension class" "- (not registered: no qavext.dll beside the program)"
else line "Shell extension class" "-"; fi
if v=$(value "$work/cv.txt" "$CV\\Shell Extensions\\Approved" "$GUID"); then
  seen "Shell extension approval" "\"$v\""
else line "Shell extension approval" "-"; fi
handlers=$(grep -ciF "=\"$GUID\"" "$work/classes.txt")
line "Handlers naming it" "$handlers"
found=$((found + handlers))
kept=$(grep -ciE '^\[.*\\(ContextMenuHandlers|DragDropHandlers)\\Qavrix\]$' "$work/classes.txt")
[ "$kept" -gt 0 ] && line "  kept on purpose" "$kept shared handler keys \"Qavrix\" without a default value"
if [ -s "$work/user.txt" ]; then
  seen "HKCU\\Software\\Qavrix" "$(grep -c '^"' "$work/user.txt") values in $(grep -c '^\[' "$work/user.txt") keys"
else line "HKCU\\Software\\Qavrix" "-"; fi

echo "Shortcuts and program groups"
dos_name() { local p="${1#"$WINEPREFIX"/drive_c}"; p="C:${p//\//\\}"; printf '%s' "${p%\\}"; }
links() {  # links LABEL FOLDER: the .lnk files of a folder, or "-"
  if [ -d "$2" ]; then
    local names
    names=$(cd "$2" && ls -1 | paste -sd ',' | sed 's/,/, /g')
    seen "$1" "$(dos_name "$2"): ${names:-(empty)}"
  else line "$1" "-"; fi
}
file_link() {
  if [ -f "$2" ]; then seen "$1" "$(dos_name "$2")"; else line "$1" "-"; fi
}
file_link "Desktop" "${user_dir}Desktop/Qavrix.lnk"
file_link "Start menu" "${user_dir}AppData/Roaming/Microsoft/Windows/Start Menu/Qavrix.lnk"
links "Program group (user)" "${user_dir}AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Qavrix"
links "Program group (all users)" "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Qavrix"

echo "Files"
program_dir="${1:-$WINEPREFIX/drive_c/Program Files/Qavrix}"
templates=""
for t in qavnew.dat zipnew.dat; do
  if [ -f "$program_dir/$t" ]; then templates="$templates $t ($(stat -c %s "$program_dir/$t") bytes)"; found=$((found + 1)); fi
done
templates="${templates# }"
line "New-file templates" "${templates:--}"
if [ -d "$program_dir" ]; then
  seen "Program folder" "$(dos_name "$program_dir"): $(ls -A "$program_dir" | wc -l) entries"
else line "Program folder" "-"; fi

if [ "$found" -eq 0 ]; then echo "nothing left"; else echo "$found items of the product found"; fi
