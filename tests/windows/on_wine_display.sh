#!/usr/bin/env bash
# Runs one Windows program under wine64 on a private Xvfb display, in a fresh
# Wine prefix with a CJK font standing in for the faces that dialogs and
# controls ask for. Exits with the program's status.
# Usage: on_wine_display.sh PREFIX PROGRAM [ARGUMENT...]
set -euo pipefail
on_display=no
if [ "${1:-}" = --on-display ]; then
  on_display=yes
  shift
fi
prefix=${1:?wine prefix}
shift
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

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
  exec wine "$@"
fi

for tool in wine xvfb-run; do
  command -v "$tool" >/dev/null || { echo "error: $tool is not installed (scripts/deps.sh)" >&2; exit 1; }
done
rm -rf "$prefix"
status=0
xvfb-run -a -s "-screen 0 1024x768x24" "$0" --on-display "$prefix" "$@" || status=$?
WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
exit $status
