#!/usr/bin/env bash
# Installs the Linux program from the build tree, starts it on a virtual X
# display, and keeps a screenshot of the display as the test's artifact:
# <output>/window.png. Fails when the window does not come up at the size of
# its client area or without the blue prompt line.
# Usage: window_screenshot.sh BUILD_DIR OUTPUT_DIR CLIENT_WIDTH CLIENT_HEIGHT
set -euo pipefail

if [ "${1:-}" = "--on-display" ]; then
  out=$2 width=$3 height=$4
  "$out/install/bin/tarnwell" >"$out/program.log" 2>&1 &
  program=$!
  trap 'kill "$program" 2>/dev/null || true' EXIT
  window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Tarnwell v2\.0$' | head -n 1)
  xwininfo -id "$window" >"$out/window.txt"
  shown_width=$(sed -n 's/^ *Width: //p' "$out/window.txt")
  shown_height=$(sed -n 's/^ *Height: //p' "$out/window.txt")
  if [ "$shown_width" != "$width" ] || [ "$shown_height" != "$height" ]; then
    echo "error: the window is ${shown_width}x${shown_height}, not ${width}x${height}" >&2
    exit 1
  fi
  # The window paints after it is mapped: look (a bounded number of times)
  # until the prompt line's blue is on the screen.
  for _ in $(seq 1 50); do
    import -window root "$out/window.png"
    blue=$(convert "$out/window.png" -fill black +opaque '#0060C0' -fill white -opaque '#0060C0' \
      -format '%[fx:round(mean*w*h)]' info:)
    if [ "$blue" -gt 0 ]; then
      echo "screenshot: $out/window.png (window ${shown_width}x${shown_height}, $blue pixels of the prompt's blue)"
      exit 0
    fi
    sleep 0.2
  done
  echo "error: the prompt line's blue never showed; see $out/window.png" >&2
  exit 1
fi

build=${1:?build dir} out=${2:?output dir} width=${3:?width} height=${4:?height}
for tool in xvfb-run xdotool xwininfo import convert; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed"
    exit 77
  fi
done
rm -rf "$out"
mkdir -p "$out/tmp"
cmake --install "$build" --prefix "$out/install" >/dev/null
# A temporary folder of its own: the program's workspace and its
# single-instance lock stay apart from any other copy that runs.
export TMPDIR="$out/tmp"
unset DISPLAY WAYLAND_DISPLAY
xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --on-display "$out" "$width" "$height"
