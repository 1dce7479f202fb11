#!/usr/bin/env bash
# Builds the .deb from a build folder (with cpack, into a folder of its own), unpacks it with
# dpkg-deb -x and checks it as an installed system sees it: the three programs in
# /usr/bin, Depends from the shared libraries, the desktop entry valid, the icon, the manual
# pages, the documentation; then runs the unpacked console tool against the unpacked
# simulator. CTest runs it as the test package_deb.
# Usage: scripts/check_package.sh [BUILD]   (default: build/)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
work="$(mktemp -d)"
sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

passed=0; failed=0
check() {
  local what="$1"; shift
  if "$@"; then passed=$((passed + 1)); else echo "FAILED: $what" >&2; failed=$((failed + 1)); fi
}

if ! (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1); then
  cat "$work/cpack.log" >&2
  echo "FAILED: cpack could not build the package" >&2
  exit 1
fi
deb="$(ls "$work"/out/tarvix-vizaze_*.deb)"
echo "Built $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB)"
dpkg-deb -x "$deb" "$work/root"
r="$work/root"

depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
check "Depends names the Qt runtime" grep -q "libqt6widgets6" <<<"$depends"
check "Depends names the C library" grep -q "libc6" <<<"$depends"
check "everything under /usr" test "$(ls "$r")" = usr
for p in tarvix-vizaze tarvix-vizaze-cli tarvix-vizaze-sim; do
  check "/usr/bin/$p" test -x "$r/usr/bin/$p"
  check "/usr/bin/$p finds every shared library" bash -c "! ldd '$r/usr/bin/$p' | grep -q 'not found'"
done
check "desktop entry" desktop-file-validate "$r/usr/share/applications/tarvix-vizaze.desktop"
check "desktop entry starts the window" grep -qx "Exec=tarvix-vizaze" "$r/usr/share/applications/tarvix-vizaze.desktop"
check "icon in the hicolor theme" test -s "$r/usr/share/icons/hicolor/scalable/apps/tarvix-vizaze.svg"
for p in cli:devices sim:background; do
  name="tarvix-vizaze-${p%:*}"; option="--${p#*:}"
  page="$r/usr/share/man/man1/$name.1.gz"
  check "manual page of $name" bash -c "zcat '$page' | grep -q '^\\.TH ${name^^} '"
  check "manual page of $name: $option" bash -c "zcat '$page' | sed 's/\\\\-/-/g' | grep -q -- '$option'"
  check "manual page of $name: Polish letters intact" bash -c "zcat '$page' | grep -q 'Użycie'"
done
check "README" test -s "$r/usr/share/doc/tarvix-vizaze/README.md"
check "docs" test -s "$r/usr/share/doc/tarvix-vizaze/docs/links.md"
check "sample logos" test -s "$r/usr/share/doc/tarvix-vizaze/examples/sklep_384x96.bmp"

# The unpacked console tool programs the unpacked simulator.
cli="$r/usr/bin/tarvix-vizaze-cli"
sim="$r/usr/bin/tarvix-vizaze-sim"
check "console tool --version" bash -c "'$cli' --version | grep -qx 'tarvix-vizaze-cli [0-9.]*'"
ready="$("$sim" --printer --tcp 0 --store "$work/slots" --background --pid-file "$work/sim.pid")"
sim_pid="$(cat "$work/sim.pid")"
port="${ready##* }"
mkdir -p "$work/shop"
status=0
out="$("$cli" --dir "$work/shop" --json --ethernet --ip 127.0.0.1 --tcp-port "$port" --slot 1 \
       send "$r/usr/share/doc/tarvix-vizaze/examples/sklep_384x96.bmp")" || status=$?
check "the job succeeded (exit $status)" test "$status" -eq 0
check "its JSON document" python3 -c '
import json, sys
d = json.load(sys.stdin)
assert d["command"] == "send" and d["exit"] == 0, d
assert d["boxes"] == [{"caption": "Komunikat", "text": "Grafika została poprawnie zaprogramowana!"}], d
' <<<"$out"
check "the simulator holds the picture" test -s "$work/slots/slot1.pbm"

echo "package check: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
