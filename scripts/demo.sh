#!/usr/bin/env bash
# Builds the tool and starts it. (The window and the simulator demo are being completed;
# for now this builds everything that exists.)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
