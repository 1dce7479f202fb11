#!/usr/bin/env bash
# Takes the window's screenshots on a real X server (Xvfb) and puts them, reduced to 64
# colours, in docs/img/: start, mid-upload (with and without the trace pane), the file
# dialog, the close question, a refused IP address and the network scan's device list. Needs a built tree (build/).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
program="$root/build/tests/gui/test_gui_screenshots"
[ -x "$program" ] || { echo "Build first: $program is missing" >&2; exit 1; }
shots="$(mktemp -d)"
trap 'rm -rf "$shots"' EXIT
xvfb-run -a -s "-screen 0 1280x1024x24" \
  env QT_QPA_PLATFORM=xcb TV_SHOTS_DIR="$shots" "$program" -silent
mkdir -p "$root/docs/img"
for f in "$shots"/*.png; do
  convert "$f" +dither -colors 64 -define png:compression-level=9 "$root/docs/img/$(basename "$f")"
done
ls -l "$root/docs/img"
