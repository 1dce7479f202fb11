#!/usr/bin/env bash
# Builds the "windows" preset (mingw-w64 cross build: core, console tool, simulator, test
# programs) and runs its tests under Wine. Wine's prefix lives in build-windows/wine; it is
# made once, quietly. Its server and services are started before the tests, with their
# output away from any test's pipes (a service started by a test program would keep that
# program's output open, and CTest would wait on it), kept for the whole run (each test
# program starts far faster then) and stopped at the end.
# Usage: scripts/test-windows.sh
set -euo pipefail
# A network scan started by a test or the demo visits loopback addresses only, whatever
# address a window's field or a settings file names (the scan drops every other one).
export TV_SCAN_LOOPBACK_ONLY=1
cd "$(dirname "$0")/.."

# The serial tests' device end under Wine is this host's simulator on a pseudo-terminal,
# linked as a COM port of the prefix (tests/support/host_serial.h): the default preset
# builds it.
build_host_simulator() {
  cmake --preset default >/dev/null
  cmake --build --preset default -j "$(nproc)" --target tarvix-vizaze-sim
}
# Runs the tests; then how many ran, how many were skipped and why. Ends with CTest's status.
# A case that fails under Wine is run once more and fails the run only when it fails again
# (Wine now and then leaves a test program's process unended at its exit); no case may take
# more than 120 s (the slowest takes about 17). The Linux suite is never run twice.
run_tests_and_count() {
  local status=0
  ctest --preset windows --timeout 120 --repeat until-pass:2 || status=$?
  python3 scripts/ctest_summary.py build-windows
  return "$status"
}

bash scripts/setup.sh
build_host_simulator
export WINEPREFIX="$PWD/build-windows/wine" WINEDEBUG=-all
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Making the Wine prefix $WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || true
  wineserver --wait || true
fi
bash cmake/wine-prefix.sh  # the window's tests: no display needed, Wine's fonts
# The server's own output (it dumps its whole object table now and then, some 10,000 lines
# each time) goes to a file beside the prefix, not into the run's log; the tests' output and
# CTest's verdicts stay in the log.
wineserver --persistent=600 >build-windows/wineserver.log 2>&1 || true  # one may be running already
trap 'wineserver --kill || true' EXIT
wine cmd /c exit </dev/null >/dev/null 2>&1
run_tests_and_count
bash scripts/check_msi.sh  # the MSI installed, run, upgraded and removed in a fresh Wine prefix of its own
