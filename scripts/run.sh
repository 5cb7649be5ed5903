#!/usr/bin/env bash
# Builds Tarnwell, installs it into build/install and starts the Linux
# program. Safe to run again: it installs only missing packages and builds
# only what changed.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/deps.sh
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)"
prefix="$PWD/build/install"
cmake --install build/native --prefix "$prefix" >/dev/null
echo "Tarnwell is installed in $prefix (the program and its tools in $prefix/lib/tarnwell)."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "error: no display to show the window on; start it in a desktop session, or under a virtual one with: xvfb-run -a ./scripts/run.sh" >&2
  exit 1
fi
exec "$prefix/bin/tarnwell"
