#!/usr/bin/env bash
# Builds the tool and runs every test (GoogleTest and Qt Test through CTest).
# Usage: scripts/test.sh [preset]   presets: default (normal), asan, tsan, hardened
set -euo pipefail
# A network scan started by a test or the demo visits loopback addresses only, whatever
# address a window's field or a settings file names (the scan drops every other one).
export TV_SCAN_LOOPBACK_ONLY=1
cd "$(dirname "$0")/.."
preset="${1:-default}"
bash scripts/setup.sh
bash scripts/check_format.sh
bash scripts/long_functions.sh
bash scripts/test_share.sh     # new tests within 0.4 of new code; the whole tree's ratio
bash scripts/mutants.sh --check   # the planted-fault list still matches the code
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
ctest --preset "$preset" --timeout 300
