#!/usr/bin/env bash
# Builds the Debian packages from a build folder (with cpack, into a folder of its own):
# tarvix-vizaze-cli (console tool, simulator, manual pages, documentation; no Qt) and,
# when the build has the window, tarvix-vizaze (the window, depending on the first). Runs
# lintian on each (an error fails the check), unpacks them with dpkg-deb -x and checks them
# as an installed system sees them: the programs in /usr/bin and the libraries they need,
# Depends, the desktop entry, the icon, the manual pages and their sections, the
# documentation with its pictures; then runs the unpacked console tool against the unpacked
# simulator, and the unpacked window's --help, --version and its answer without a screen.
# CTest runs it as the test package_deb.
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
  echo "FAILED: cpack could not build the packages" >&2
  exit 1
fi
cli_deb="$(ls "$work"/out/tarvix-vizaze-cli_*.deb)"
gui_deb="$(ls "$work"/out/tarvix-vizaze_*.deb 2>/dev/null || true)"
for deb in $cli_deb $gui_deb; do
  echo "Built $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB)"
done

# lintian: every error fails the check; its warnings are shown.
if command -v lintian >/dev/null; then
  for deb in $cli_deb $gui_deb; do
    status=0
    lintian --fail-on error "$deb" >"$work/lintian.txt" 2>&1 || status=$?
    echo "lintian $(basename "$deb"): $(grep -c '^[EW]: ' "$work/lintian.txt" || true) findings"
    sed 's/^/  /' "$work/lintian.txt"
    check "lintian finds no error in $(basename "$deb")" test "$status" -eq 0
  done
else
  echo "FAILED: lintian is not installed (bash scripts/setup.sh)" >&2
  failed=$((failed + 1))
fi

r="$work/root"
dpkg-deb -x "$cli_deb" "$r"
doc="$r/usr/share/doc/tarvix-vizaze-cli"

# The console package: no Qt, by its Depends and by the libraries its programs load.
depends="$(dpkg-deb -f "$cli_deb" Depends)"
echo "tarvix-vizaze-cli Depends: $depends"
check "Depends names the C library" grep -q "libc6" <<<"$depends"
check "Depends names no Qt" bash -c "! grep -qi 'qt' <<<'$depends'"
check "everything under /usr" test "$(ls "$r")" = usr
for p in tarvix-vizaze-cli tarvix-vizaze-sim; do
  check "/usr/bin/$p" test -x "$r/usr/bin/$p"
  ldd "$r/usr/bin/$p" >"$work/ldd.txt"
  check "/usr/bin/$p finds every shared library" bash -c "! grep -q 'not found' '$work/ldd.txt'"
  check "/usr/bin/$p loads no Qt library" bash -c "! grep -qi 'libqt' '$work/ldd.txt'"
done
check "no window in the console package" test ! -e "$r/usr/bin/tarvix-vizaze"

# Manual pages: the program's own help and the sections added to it.
man_page_checks() {  # NAME OPTION: the page of program NAME mentions OPTION
  local name="$1" option="$2" page="$r/usr/share/man/man1/$1.1.gz"
  zcat "$page" | sed 's/\\-/-/g' >"$work/page.txt"
  check "manual page of $name" grep -q "^\\.TH ${name^^} " "$work/page.txt"
  check "manual page of $name: $option" grep -q -- "$option" "$work/page.txt"
  check "manual page of $name: Polish letters intact" grep -q 'Użycie' "$work/page.txt"
  check "manual page of $name: its sections, in order" test "$(sed -n 's/^\.SH "\{0,1\}\([^"]*\)"\{0,1\}$/\1/p' "$work/page.txt" |
    tr '\n' ',')" = "NAME,SYNOPSIS,DESCRIPTION,EXIT STATUS,FILES,EXAMPLES,SEE ALSO,"
  check "manual page of $name: man reads it without a warning" \
    bash -c "[ -z \"\$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l '$page' 2>&1 >/dev/null)\" ]"
}
man_page_checks tarvix-vizaze-cli --devices
man_page_checks tarvix-vizaze-sim --background

check "README" test -s "$doc/README.md"
check "docs" test -s "$doc/docs/links.md"
check "the window's pictures of the docs" test -s "$doc/docs/img/start.png"
check "the conversion's pictures of the docs" test -s "$doc/docs/convert/before.png"
check "no empty folder" test -z "$(find "$r" -type d -empty)"
check "sample logos" test -s "$doc/examples/sklep_384x96.bmp"
check "copyright" grep -q '^Format: ' "$doc/copyright"
check "changelog" bash -c "zcat '$doc/changelog.gz' | head -1 | grep -q '^tarvix-vizaze ($(dpkg-deb -f "$cli_deb" Version))'"

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
       send "$doc/examples/sklep_384x96.bmp")" || status=$?
check "the job succeeded (exit $status)" test "$status" -eq 0
check "its JSON document" python3 -c '
import json, sys
d = json.load(sys.stdin)
assert d["command"] == "send" and d["exit"] == 0, d
assert d["boxes"] == [{"caption": "Komunikat", "text": "Grafika została poprawnie zaprogramowana!"}], d
' <<<"$out"
check "the simulator holds the picture" test -s "$work/slots/slot1.pbm"

# The window's package: the window, its menu entry, icon and page, on top of the first.
if [ -n "$gui_deb" ]; then
  g="$work/gui"
  dpkg-deb -x "$gui_deb" "$g"
  depends="$(dpkg-deb -f "$gui_deb" Depends)"
  echo "tarvix-vizaze Depends: $depends"
  check "Depends names the Qt runtime" grep -q "libqt6widgets6" <<<"$depends"
  check "Depends names the console package of the same version" \
    grep -q "tarvix-vizaze-cli (= $(dpkg-deb -f "$gui_deb" Version))" <<<"$depends"
  check "Depends names Qt's Polish catalogue" grep -q "qt6-translations-l10n" <<<"$depends"
  check "only the window's own files" test "$(cd "$g" && find . -type f | sort | tr '\n' ' ')" = \
    "./usr/bin/tarvix-vizaze ./usr/share/applications/tarvix-vizaze.desktop ./usr/share/doc/tarvix-vizaze/changelog.gz ./usr/share/doc/tarvix-vizaze/copyright ./usr/share/icons/hicolor/scalable/apps/tarvix-vizaze.svg ./usr/share/man/man1/tarvix-vizaze.1.gz "
  window="$g/usr/bin/tarvix-vizaze"
  check "/usr/bin/tarvix-vizaze finds every shared library" bash -c "! ldd '$window' | grep -q 'not found'"
  check "desktop entry" desktop-file-validate "$g/usr/share/applications/tarvix-vizaze.desktop"
  check "desktop entry starts the window" grep -qx "Exec=tarvix-vizaze" "$g/usr/share/applications/tarvix-vizaze.desktop"
  check "icon in the hicolor theme" test -s "$g/usr/share/icons/hicolor/scalable/apps/tarvix-vizaze.svg"
  r="$g" man_page_checks tarvix-vizaze --version

  # Without a screen: --help and --version answer, and a start says why it cannot open.
  headless=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
  check "window --version" bash -c "$(printf '%q ' "${headless[@]}") '$window' --version | grep -qx 'tarvix-vizaze [0-9.]*'"
  check "window --help" bash -c "$(printf '%q ' "${headless[@]}") '$window' --help | head -1 | grep -q '^Użycie: tarvix-vizaze '"
  status=0
  (cd "$work" && "${headless[@]}" "$window" >"$work/window.out" 2>"$work/window.err") || status=$?
  check "window without a screen: exit 1 (was $status)" test "$status" -eq 1
  check "window without a screen: the reason, in Polish" grep -q '^tarvix-vizaze: nie można otworzyć okna' "$work/window.err"
  check "window without a screen: nothing written" test ! -e "$work/settings.cfg"
fi

echo "package check: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
