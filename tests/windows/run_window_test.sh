#!/usr/bin/env bash
# Runs the window driver against tarnwell.exe under wine64 on a private Xvfb
# display, in a fresh Wine prefix with a CJK font standing in for the faces
# that dialogs and controls ask for. The screenshot the driver takes is kept
# (as PNG when ImageMagick is there) in the artifact folder.
# Usage: run_window_test.sh TARNWELL_EXE DRIVER_EXE ISO_TOOL_EXE ARTIFACT_FOLDER PREFIX
set -euo pipefail
on_display=no
if [ "${1:-}" = --on-display ]; then
  on_display=yes
  shift
fi
program=${1:?tarnwell.exe}
driver=${2:?driver}
iso_tool=${3:?iso tool}
artifacts=${4:?artifact folder}
prefix=${5:?wine prefix}

export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# On the display: make the prefix, map the fonts, run the driver.
if [ $on_display = yes ]; then
  wineboot -i >/dev/null 2>&1 || true
  for face in "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "SimSun" "MS Sans Serif"; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d "WenQuanYi Micro Hei" /f \
      >/dev/null 2>&1
  done
  # No window manager runs on the display: Wine draws the frames itself.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
  exec wine "$driver" "$(windows_path "$program")" "$(windows_path "$iso_tool")" "$(windows_path "$artifacts")"
fi

for tool in wine xvfb-run; do
  command -v "$tool" >/dev/null || { echo "error: $tool is not installed (scripts/deps.sh)" >&2; exit 1; }
done
mkdir -p "$artifacts"
rm -rf "$prefix"
status=0
xvfb-run -a -s "-screen 0 1024x768x24" "$0" --on-display "$@" || status=$?
wineserver -k 2>/dev/null || true

shot=$artifacts/main_window_after_start.bmp
if [ -f "$shot" ] && command -v convert >/dev/null; then
  convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"
fi
exit $status
