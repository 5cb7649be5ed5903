#!/usr/bin/env bash
# Runs one Windows executable under wine64 for CTest. The prefix is private to
# the build tree (scripts/test.sh makes it afresh for every run).
set -euo pipefail
: "${WINEPREFIX:=$PWD/wineprefix}"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
