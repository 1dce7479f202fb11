# What the picture scripts share (sourced from the folder they write to): strict mode, the
# real ImageMagick and Python, and a temporary folder that goes when the script ends.
set -euo pipefail
CONVERT=/usr/bin/convert
PY=/usr/bin/python3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
