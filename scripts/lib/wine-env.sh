#!/usr/bin/env bash
# Sourced with the build directory as $1: sets up the build's private Wine
# prefix and Xvfb display, creating them once (under a lock, so parallel tests
# can call it). With VISTREL_LOGPIXELS set (e.g. 144 for 150 % scaling) the
# prefix, display and state are a second set of their own, under
# <build>/dpi<N>, whose Wine prefix has that many pixels per inch (its
# LogPixels): the system DPI every window of it is shown at.
vistrel_build="$(cd "$1" && pwd)"
if [ -n "${VISTREL_LOGPIXELS:-}" ]; then
  mkdir -p "$vistrel_build/dpi$VISTREL_LOGPIXELS"
  vistrel_build="$vistrel_build/dpi$VISTREL_LOGPIXELS"
fi
export WINEPREFIX="$vistrel_build/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64
# Display number derived from the build path, so two builds never share one.
vistrel_disp=$(( 100 + $(printf '%s' "$vistrel_build" | cksum | cut -d' ' -f1) % 800 ))
# VISTREL_OWN_DISPLAY=0 keeps the caller's $DISPLAY (scripts/run on a desktop).
if [ "${VISTREL_OWN_DISPLAY:-1}" = 1 ]; then
  export DISPLAY=":$vistrel_disp"
fi
VISTREL_SCREEN="${VISTREL_SCREEN:-1280x800x24}"

vistrel_xvfb_alive() {
  [ -f "$vistrel_build/xvfb.pid" ] && kill -0 "$(cat "$vistrel_build/xvfb.pid")" 2>/dev/null
}

vistrel_start_xvfb() {
  [ "${VISTREL_OWN_DISPLAY:-1}" = 1 ] || return 0
  vistrel_xvfb_alive && return 0
  rm -f "/tmp/.X${vistrel_disp}-lock" "/tmp/.X11-unix/X${vistrel_disp}" 2>/dev/null || true
  setsid Xvfb "$DISPLAY" -screen 0 "$VISTREL_SCREEN" -nolisten tcp \
    >"$vistrel_build/xvfb.log" 2>&1 </dev/null 9>&- &
  echo $! >"$vistrel_build/xvfb.pid"
  for _ in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X${vistrel_disp}" ] && return 0
    sleep 0.05
  done
  echo "wine-env: Xvfb did not start on $DISPLAY" >&2
  return 1
}

vistrel_wine_ready() {
  (
    flock 9
    vistrel_start_xvfb
    if [ ! -f "$WINEPREFIX/.vistrel-ready" ]; then
      mkdir -p "$WINEPREFIX"
      setsid wineserver -p 120 </dev/null >/dev/null 2>&1 9>&- || true
      wineboot -i </dev/null >"$vistrel_build/wineboot.log" 2>&1 9>&-
      # No window manager runs on the virtual display: with managed windows
      # Wine waits 2 s for one on every hide or destroy of a top-level window.
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
        </dev/null >>"$vistrel_build/wineboot.log" 2>&1 9>&- || true
      # Debian's Wine does not find its own fonts (fonts-wine); without them
      # "MS Sans Serif" and the caption-button glyphs fall back to DejaVu.
      cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
      if [ -n "${VISTREL_LOGPIXELS:-}" ]; then
        wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$VISTREL_LOGPIXELS" /f \
          </dev/null >>"$vistrel_build/wineboot.log" 2>&1 9>&- || true
      fi
      # Restart the new prefix once: left running after the first boot, it
      # gets a second service manager, and every start of the RPC service
      # (COM local-server class objects) then stalls for 3-10 s and fails.
      wineserver -k </dev/null >/dev/null 2>&1 9>&- || true
      wineserver -w </dev/null >/dev/null 2>&1 9>&- || true

      touch "$WINEPREFIX/.vistrel-ready"
    fi
    # A lingering server saves about a second on every later start.
    setsid wineserver -p 120 </dev/null >/dev/null 2>&1 9>&- || true
  ) 9>"$vistrel_build/wine.lock"
  # The lock's descriptor must not leak into Wine's long-lived helpers, or
  # the next caller waits for them forever; every start above closes it.
}

vistrel_wine_stop() {
  wineserver -k 2>/dev/null || true
  if vistrel_xvfb_alive; then kill "$(cat "$vistrel_build/xvfb.pid")" 2>/dev/null || true; fi
  rm -f "$vistrel_build/xvfb.pid"
}
