#!/usr/bin/env bash
# Readies a Wine prefix for the native window (WINEPREFIX, made first when missing):
#  - no display: windows are made with Wine's "null" graphics driver, so the window's tests
#    run on a machine without an X server (a screenshot run names its own desktop with
#    the x11 driver: explorer /desktop=NAME,WxH,x11);
#  - Wine's own fonts (Debian's fonts-wine) in C:\windows\Fonts, where this Wine looks for
#    them: Tahoma, in which the panel is set, and Marlett for the frames' buttons; Wine has
#    no "Terminal", the trace pane's font: DejaVu Sans Mono stands in.
# Run before the Wine server starts its desktop; safe to run again.
set -euo pipefail
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot --init >/dev/null 2>&1 || true
  wineserver --wait || true
fi
fonts="$WINEPREFIX/drive_c/windows/Fonts"
mkdir -p "$fonts"
for f in tahoma.ttf tahomabd.ttf marlett.ttf; do
  [ -f "/usr/share/wine/fonts/$f" ] && ln -sf "/usr/share/wine/fonts/$f" "$fonts/$f"
done
if ! grep -q '"Graphics"="null"' "$WINEPREFIX/user.reg" 2>/dev/null; then
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Terminal /d 'DejaVu Sans Mono' /f >/dev/null 2>&1
  wineserver --wait || true
fi
