#!/usr/bin/env bash
# Builds the three programs (only them: not the tests or benchmarks) and starts the window
# against the built-in simulator: a simulated fiscal printer on 127.0.0.1, and a working
# directory (demo/) whose settings point at it, with LOGS and SEQ folders and the sample
# logos. The simulator stops when the window closes. Without a display it runs the same
# programming job through the console tool instead.
# Usage: scripts/demo.sh [--register]   (--register: a simulated cash register instead)
set -euo pipefail
# A network scan started by a test or the demo visits loopback addresses only, whatever
# address a window's field or a settings file names (the scan drops every other one).
export TV_SCAN_LOOPBACK_ONLY=1
cd "$(dirname "$0")/.."
root="$(pwd)"
device="--printer"; protocol=0
if [ "${1:-}" = "--register" ]; then device="--register"; protocol=2; fi

bash scripts/setup.sh
echo "Configuring the build (build/)..."
cmake --preset default >/dev/null
targets=(tarvix-vizaze-cli tarvix-vizaze-sim)
# The window is a target when Qt 6 was found. The whole list is read first: a reader that
# stops at the first match would close the pipe on the build tool, which would then fail
# (SIGPIPE) and, under pipefail, leave the window out now and then.
all_targets="$(cmake --build --preset default --target help)"
if grep -q '^tarvix-vizaze: ' <<<"$all_targets"; then targets+=(tarvix-vizaze); fi
echo "Building ${targets[*]} (the first time: a few minutes)..."
cmake --build --preset default -j "$(nproc)" --target "${targets[@]}"

demo="$root/demo"
mkdir -p "$demo/LOGS" "$demo/SEQ" "$demo/slots"
cp -f examples/*.bmp "$demo/"

# The simulator picks a free port, returns once it listens and says where.
ready="$(build/sim/tarvix-vizaze-sim $device --tcp 0 --store "$demo/slots" --name "TARVIX DEMO" \
         --background --pid-file "$demo/sim.pid")"
trap 'kill "$(cat "$demo/sim.pid" 2>/dev/null)" 2>/dev/null || true' EXIT
read -r _ _ host port <<<"$ready"
echo "Simulated device ($device) listening on $host:$port; its slots are drawn into $demo/slots/"

cat >"$demo/settings.cfg" <<CFG
[Interface]=1
[Protocol]=$protocol
[COM]=COM1
[Baudrate]=9600
[Tiemout]=3
[IP_Address]=$host
[TCP_Port]=$port
[GR_Print]=0
[GR_Test_Print]=0
CFG

cd "$demo"
if [ -x "$root/build/gui/tarvix-vizaze" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  echo "Starting the window. Choose a logo with \"Otwórz\" and press \"Wyślij >>\"."
  "$root/build/gui/tarvix-vizaze"
else
  echo "No display here: running the same programming job with the console tool."
  "$root/build/cli/tarvix-vizaze-cli" --slot 1 send sklep_384x96.bmp && status=0 || status=$?
  echo "Exit status: $status. The simulated device now holds: $(ls "$demo/slots" | tr '\n' ' ')"
fi
