#!/usr/bin/env bash
# Runs the README's demo (the sh block after the line "<!-- readme-demo ...") as written,
# from the repository root, as a user pasting it would. So that it can run beside other runs
# of the suite, the port 6666 and the folder /tmp/tv-demo are replaced by a free port and a
# folder of its own, and build/ by the build folder given; nothing else is changed.
# CTest runs it as the test readme_demo.
# Usage: scripts/check_readme_demo.sh [BUILD]   (default: build/)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
work="$(mktemp -d)"
trap 'if [ -f "$work/demo/sim.pid" ]; then kill "$(cat "$work/demo/sim.pid")" 2>/dev/null || true; fi; rm -rf "$work"' EXIT

block="$(awk '/<!-- readme-demo/ {found=1; next}
              found && /^```sh/ {inside=1; next}
              inside && /^```/ {exit}
              inside {print}' "$root/README.md")"
[ -n "$block" ] || { echo "FAILED: no demo block in README.md" >&2; exit 1; }
port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
script="${block//6666/$port}"
script="${script//\/tmp\/tv-demo/$work/demo}"
script="${script//build\//$build/}"

status=0
out="$(cd "$root" && bash -e -c "$script" 2>&1)" || status=$?
printf '%s\n' "$out"
failed=0
fail() { echo "FAILED: $1" >&2; failed=1; }
[ "$status" -eq 0 ] || fail "the demo ended with status $status"
grep -qx "READY tcp 127.0.0.1 $port" <<<"$out" || fail "no READY line from the simulator"
grep -qx "\[Komunikat\] Grafika została poprawnie zaprogramowana!" <<<"$out" || fail "no success box"
[ -s "$work/demo/slot1.pbm" ] || fail "the simulator holds no picture in slot 1"
# The simulator ends on the demo's kill and removes its process file.
if [ -e "$work/demo/sim.pid" ]; then timeout 10 tail --pid="$(cat "$work/demo/sim.pid")" -f /dev/null || true; fi
[ ! -e "$work/demo/sim.pid" ] || fail "the simulator did not stop"
[ "$failed" -eq 0 ] && echo "README demo: passed"
exit "$failed"
