#!/usr/bin/env bash
# Runs the window driver against tarnwell.exe under Wine on a virtual
# display. The screenshot the driver takes is kept (as PNG when ImageMagick
# is there) in the artifact folder.
# Usage: run_window_test.sh TARNWELL_EXE DRIVER_EXE ISO_TOOL_EXE ARTIFACT_FOLDER PREFIX
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=${1:?tarnwell.exe}
driver=${2:?driver}
iso_tool=${3:?iso tool}
artifacts=${4:?artifact folder}
prefix=${5:?wine prefix}
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

mkdir -p "$artifacts"
status=0
"$here/on_wine_display.sh" "$prefix" "$driver" "$(windows_path "$program")" "$(windows_path "$iso_tool")" \
  "$(windows_path "$artifacts")" || status=$?

shot=$artifacts/main_window_after_start.bmp
if [ -f "$shot" ] && command -v convert >/dev/null; then
  convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"
fi
exit $status
