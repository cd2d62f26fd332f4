# Sourced by the build, test and demo scripts: a private Wine prefix with the
# Chinese code page, a running wineserver and an X display for the dialogs.
# Re-sourcing is cheap; everything is created only once.
QAV_ROOT="${QAV_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
QAV_STATE="${QAV_STATE:-${BUILD_DIR:-$QAV_ROOT/build}/wine}"
export WINE="${WINE:-/usr/lib/wine/wine64}"
export WINESERVER="${WINESERVER:-/usr/lib/wine/wineserver}"
export WINEPREFIX="${QAV_WINEPREFIX:-$QAV_STATE/prefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
export HOME="${QAV_HOME:-$QAV_STATE/home}"
export LOCPATH="$QAV_STATE/locale"
mkdir -p "$QAV_STATE" "$HOME"
# Programs started at once on a new state (CTest starts two tests at a time)
# would each start a display and boot the prefix: one sets up at a time.
exec {qav_setup_lock}>"$QAV_STATE/setup.lock"
flock "$qav_setup_lock"

# The Linux locale Wine needs to create files with Chinese names.
if [ ! -d "$LOCPATH/zh_CN.UTF-8" ]; then
  mkdir -p "$LOCPATH"
  LC_ALL=C localedef -i zh_CN -f UTF-8 "$LOCPATH/zh_CN.UTF-8" >/dev/null 2>&1 || true
fi
export LC_ALL="${QAV_LC_ALL:-zh_CN.UTF-8}"

# A display: reuse ours if it is still alive, else start Xvfb on a free number.
# A display counts as alive only when an X server named in its lock file runs:
# sockets and lock files can outlive their server (a copied /tmp, a crash).
qav_x_running() {
  local lock="/tmp/.X$1-lock" pid
  [ -e "/tmp/.X11-unix/X$1" ] && [ -f "$lock" ] || return 1
  pid="$(tr -dc 0-9 < "$lock")"
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && grep -q '^X' "/proc/$pid/comm" 2>/dev/null
}
qav_display_alive() { [ -n "${DISPLAY:-}" ] && qav_x_running "${DISPLAY#:}"; }
if [ -f "$QAV_STATE/display" ] && [ -z "${QAV_KEEP_DISPLAY:-}" ]; then
  export DISPLAY="$(cat "$QAV_STATE/display")"
fi
if ! qav_display_alive; then
  n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do
    if ! qav_x_running "$n"; then rm -f "/tmp/.X11-unix/X$n" "/tmp/.X$n-lock" 2>/dev/null || true; fi
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
    n=$((n+1))
  done
  (Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 {qav_setup_lock}>&- &)
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  export DISPLAY=":$n"; echo "$DISPLAY" > "$QAV_STATE/display"
fi

# The prefix, created once (about 8 s), then a persistent wineserver. With
# 32-bit Wine installed the prefix needs its syswow64 folder to run the x86
# build; a prefix booted before 32-bit Wine was there lacks it and is made anew.
if [ -f "$WINEPREFIX/system.reg" ] && [ -x /usr/lib/wine/wine ] \
   && [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
  "$WINESERVER" -k >/dev/null 2>&1 </dev/null || true
  "$WINESERVER" -w >/dev/null 2>&1 </dev/null || true
  rm -rf "$WINEPREFIX" "$QAV_STATE/fonts-replaced"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$WINE" wineboot -i >/dev/null 2>&1 </dev/null {qav_setup_lock}>&-
  "$WINESERVER" -w
fi
"$WINESERVER" -p >/dev/null 2>&1 </dev/null {qav_setup_lock}>&- || true

# Wine ends its desktop process a moment after the last program that used
# the desktop ended; a program starting in that moment gets no desktop (its
# windows never appear, or it ends at once). A hidden-window program of the
# tests keeps the desktop open for the life of the wineserver. It is started
# from / so that it holds no folder, and only when none is running (it also
# ends at once when another copy runs).
qav_keeper="$(dirname "$QAV_STATE")/mingw/bin/testprogs/keepdesktop.exe"
[ -f "$qav_keeper" ] || qav_keeper="$(dirname "$QAV_STATE")/mingw-x86/bin/testprogs/keepdesktop.exe"
qav_keeper_alive() {
  local pid; pid="$(cat "$QAV_STATE/keeper.pid" 2>/dev/null)" || return 1
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qi keepdesktop
}
if [ -f "$qav_keeper" ] && [ -z "${QAV_NO_KEEPER:-}" ] && ! qav_keeper_alive; then
  qav_pid="$(cd / && { "$WINE" "$qav_keeper" </dev/null >/dev/null 2>&1 {qav_setup_lock}>&- & echo $!; })"
  sleep 0.5
  kill -0 "$qav_pid" 2>/dev/null && echo "$qav_pid" > "$QAV_STATE/keeper.pid"
fi

# The dialogs name the SimSun face ("宋体"); let a Chinese font from Debian's
# packages stand in for it so their texts render.
if [ ! -f "$QAV_STATE/fonts-replaced" ]; then
  for face in '宋体' 'SimSun'; do
    "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'WenQuanYi Micro Hei' /f \
      >/dev/null 2>&1 </dev/null || true
  done
  touch "$QAV_STATE/fonts-replaced"
fi
flock -u "$qav_setup_lock"; exec {qav_setup_lock}>&-
