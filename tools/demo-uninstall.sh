#!/bin/bash
# Uninstalls the demo installation C:\Program Files\Qavrix (made by
# tools/demo-install.sh) the way "Programs and Features" starts the uninstaller
# - its full path, from the system folder - but silently (/S), waits for the
# self-removal batch to finish, and reports what is left: the listed files,
# the program folder, and the batch in its temporary folder.
# Needs tools/wine-env.sh sourced and BUILD_DIR set. Exit status 0 when the
# uninstall is complete.
set -uo pipefail
: "${WINEPREFIX:?source tools/wine-env.sh first}"
DEMO="$WINEPREFIX/drive_c/Program Files/Qavrix"
PROGRAM='C:\Program Files\Qavrix\uninstall.exe'
DRIVER="${BUILD_DIR:-}/mingw/bin/uidriver.exe"
if [ ! -f "$DEMO/uninstall.exe" ]; then
  echo "no demo installation in C:\\Program Files\\Qavrix (tools/demo-install.sh makes one)"
  exit 1
fi

# Where the batch Uninstall_Qav.Bat goes: the Windows temporary folder in an
# elevated run (every run under Wine), else the user's temporary folder.
wintemp="$("$WINE" cmd /c echo %TEMP% 2>/dev/null </dev/null | tr -d '\r')"
TEMPDIR="$("$WINE" winepath -u "$wintemp" 2>/dev/null </dev/null | tr -d '\r')"
TEMPDIR="${TEMPDIR%/}"
WINTEMPDIR="$WINEPREFIX/drive_c/windows/temp"
listing() { for d in "$WINTEMPDIR" "$TEMPDIR"; do ls -A "$d" 2>/dev/null | sed "s|^|$d/|"; done | sort; }
temp_before="$(listing)"

# What is there before, relative to the program folder.
mapfile -t files < <(cd "$DEMO" && find . -type f | sed 's|^\./||' | sort)
mapfile -t folders < <(cd "$DEMO" && find . -mindepth 1 -type d | sed 's|^\./||' | sort)
echo "== uninstall of the demo installation, started as \"Programs and Features\" starts it, with /S:"
echo "   \"$PROGRAM\" /S /LOG=C:\\windows\\temp\\qavrix-uninstall.log   (current directory C:\\windows\\system32)"
echo "   before: ${#files[@]} files and ${#folders[@]} subfolder(s) in C:\\Program Files\\Qavrix"

start=$EPOCHREALTIME
LOG="$WINEPREFIX/drive_c/windows/temp/qavrix-uninstall.log"
rm -f "$LOG"
( cd "$WINEPREFIX/drive_c/windows/system32" && exec "$WINE" "$PROGRAM" /S '/LOG=C:\windows\temp\qavrix-uninstall.log' ) >/dev/null 2>&1 </dev/null &
app=$!
# A silent run shows no box; one that appears all the same is shown and answered.
for _ in $(seq 100); do
  kill -0 $app 2>/dev/null || break
  sleep 0.1
done
if kill -0 $app 2>/dev/null && [ -f "$DRIVER" ]; then
  "$WINE" "$DRIVER" wait --caption "" --timeout 2000 2>/dev/null </dev/null | tr -d '\r' | sed 's/^/   box: /'
  "$WINE" "$DRIVER" click 1 >/dev/null 2>&1 </dev/null
fi
wait $app
code=$?
ran=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { print b - a }')
left=()
for f in "${files[@]}"; do [ -e "$DEMO/$f" ] && left+=("$f"); done
printf '   uninstall.exe ended after %.1f s: %d of %d files removed' "$ran" $(( ${#files[@]} - ${#left[@]} )) ${#files[@]}
[ ${#left[@]} -gt 0 ] && printf '; still there: %s' "${left[*]}"
printf '; exit code %d\n' "$code"
if [ -f "$LOG" ]; then
  echo "   its log:"
  tr -d '\r' < "$LOG" | sed 's/^/      /'
fi

# The batch, in a private folder of its own (QavRemoval.*) in a temporary
# folder, waits 2 s for the program to end, deletes it, removes the folder
# and, last, deletes itself and its private folder.
batches() { compgen -G "$WINTEMPDIR/QavRemoval.*/Uninstall_Qav.Bat" || compgen -G "$TEMPDIR/QavRemoval.*/Uninstall_Qav.Bat" || true; }
for _ in $(seq 600); do
  [ -z "$(batches)" ] && break
  sleep 0.1
done
done_at=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { print b - a }')
status=0
remaining=0
if [ -e "$DEMO" ]; then
  remaining=$(find "$DEMO" -mindepth 1 | wc -l)
  echo "   program folder C:\\Program Files\\Qavrix: STILL THERE ($remaining entries left)"
  (cd "$DEMO" && find . -mindepth 1 | sed 's|^\./|      |')
  status=1
else
  printf '   program folder C:\\Program Files\\Qavrix: gone (%.1f s after the start)\n' "$done_at"
fi
if [ -n "$(batches)" ]; then
  echo "   temporary folders: Uninstall_Qav.Bat STILL THERE: $(batches)"
  status=1
else
  new="$(comm -13 <(echo "$temp_before") <(listing) | grep -v '^$' | grep -v '/qavrix-uninstall\.log$')"
  # Wine's cmd.exe keeps a batch open until it ends, so the batch's last
  # "rd" of its own private folder fails there (Windows' cmd.exe reads a
  # batch line by line): an empty private folder is named and removed here.
  leftover=""
  while IFS= read -r path; do
    [ -n "$path" ] || continue
    name="${path##*/}"
    if [[ "$name" == QavRemoval.* ]] && rmdir "$path" 2>/dev/null; then
      leftover="$leftover $name"
    else
      others="${others:-} $name"
    fi
  done <<< "$new"
  if [ -n "${others:-}" ]; then
    echo "   temporary folders: Uninstall_Qav.Bat gone, but new entries:${others}"
  else
    echo "   temporary folders: Uninstall_Qav.Bat gone, nothing else left there"
  fi
  [ -z "$leftover" ] || echo "   (the batch's empty private folder${leftover} stayed, as Wine's cmd.exe keeps the batch open; removed by this demo)"
fi
if [ $status -eq 0 ]; then echo "   result: uninstall complete"; else echo "   result: uninstall INCOMPLETE"; fi
exit $status
