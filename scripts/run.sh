#!/usr/bin/env bash
# Builds Tarnwell and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)"
echo "Tarnwell's tools are built in build/native/bin. The Linux window is not written yet:"
echo "there is no program window to start so far."
