#!/usr/bin/env bash
# Takes the native Windows window's screenshots under Wine on a real X server (Xvfb) and
# puts them, reduced to 64 colours, in docs/img/ (win-*.png): start, mid-upload (with and
# without the trace pane), the close question, the open-file dialog, the conversion dialog,
# a message box and the network scan's device list. Wine runs in Polish, on a desktop of its
# own that draws the window frames (explorer /desktop=...,x11). Needs a built tree
# (build-windows/, win_screenshots).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
program="$root/build-windows/tests/win_screenshots.exe"
[ -f "$program" ] || { echo "Build first: cmake --build --preset windows --target win_screenshots" >&2; exit 1; }
# Polish, from a locale made for this run (the system need not have it).
locales="$root/build-windows/locale"
[ -d "$locales/pl_PL.UTF-8" ] || { mkdir -p "$locales" && localedef -i pl_PL -f UTF-8 "$locales/pl_PL.UTF-8"; }
export LOCPATH="$locales" LANG=pl_PL.UTF-8 LC_ALL=pl_PL.UTF-8
export WINEPREFIX="$root/build-windows/wine" WINEDEBUG=-all
bash "$root/cmake/wine-prefix.sh"
shots="$(mktemp -d)"
trap 'rm -rf "$shots"' EXIT
xvfb-run -a -s "-screen 0 1280x1024x24" \
  env TV_SHOTS_DIR="$shots" wine explorer /desktop=shots,1100x850,x11 "$program" \
  --gtest_filter='WinScreenshots.*'
wineserver --wait || true
mkdir -p "$root/docs/img"
for f in "$shots"/*.png; do
  convert "$f" +dither -colors 64 -define png:compression-level=9 "$root/docs/img/$(basename "$f")"
done
ls -l "$root"/docs/img/win-*.png
