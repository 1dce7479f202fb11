#!/usr/bin/env bash
# Makes the window program's icons from packaging/tarvix-vizaze.svg (the Qt window draws the
# same picture in gui/icon.cpp) with ImageMagick: tarvix-vizaze.ico, the program's icon at
# 16, 32, 48 and 256 pixels, and thd.ico, the small window icon at 16 and 32. The .ico files
# are kept in the tree, so a build needs no ImageMagick; run this after changing the SVG.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
svg="$here/../../packaging/tarvix-vizaze.svg"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for size in 16 32 48 256; do
  # Rendered at the size itself (not shrunk from a large picture), so thin lines stay sharp.
  convert -background none -density $((96 * size / 16)) "$svg" -resize "${size}x${size}" \
    -define png:format=png32 "$work/$size.png"
done
convert "$work/16.png" "$work/32.png" "$work/48.png" "$work/256.png" "$here/tarvix-vizaze.ico"
convert "$work/16.png" "$work/32.png" "$here/thd.ico"
ls -l "$here"/*.ico
