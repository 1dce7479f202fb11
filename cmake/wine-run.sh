#!/usr/bin/env bash
# Runs a Windows program under Wine: CTest's emulator for the "windows" preset. Quiet
# (WINEDEBUG=-all unless set), in the Wine prefix WINEPREFIX (the test preset sets
# build-windows/wine); a prefix that does not exist yet is made first (and readied for the
# window by wine-prefix.sh), once, under a lock, since CTest may start two programs at the
# same moment.
set -euo pipefail
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      bash "$(dirname "$0")/wine-prefix.sh"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec wine "$@"
