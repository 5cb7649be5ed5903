#!/usr/bin/env bash
# Fails when one of the i686 programs imports a DLL or a function that
# Windows XP SP3 does not have, so the XP-generation build stays runnable.
# Usage: check-imports.sh FOLDER (the mingw-i686 build's bin folder).
set -euo pipefail
folder=${1:?usage: check-imports.sh FOLDER}
programs=(tarnwell.exe tarniso.exe expand.exe makecab.exe xcopy.exe)

# DLLs that XP SP3 ships; anything else (api-ms-win-*, ucrtbase, bcrypt, ...)
# would stop the program from loading there.
allowed_dlls='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|shlwapi|ole32|oleaut32|advapi32|msvcrt|uxtheme|version|ws2_32)\.dll$'
# Function families that came after XP.
newer_functions='^(Fls[A-Z]|InitOnce|GetTickCount64$|GetThreadId$|CreateSymbolicLink|GetFinalPathNameByHandle|CreateFile2$|GetSystemTimePreciseAsFileTime$|SetFileInformationByHandle$|GetFileInformationByHandleEx$|CancelIoEx$|QueryFullProcessImageName|GetQueuedCompletionStatusEx$|InitializeCriticalSectionEx$|Create(Event|Mutex|Semaphore|WaitableTimer)Ex|(Compare|LCMap)StringEx$|GetLocaleInfoEx$|GetUserDefaultLocaleName$|WaitOnAddress$|WakeByAddress|SetThreadDescription$|GetCurrentProcessorNumber$)|SRWLock|ConditionVariable|Ex2[AW]?$'

checked=0
bad=0
for program in "${programs[@]}"; do
  path="$folder/$program"
  [ -f "$path" ] || continue
  checked=$((checked + 1))
  imports=$(i686-w64-mingw32-objdump -p "$path" | awk '
    /DLL Name:/ { dll = tolower($3); print "dll " dll; next }
    /^[ \t]+[0-9a-f]+[ \t]+[0-9]+[ \t]+[A-Za-z_]/ { print "fn " $NF }')
  while read -r kind name; do
    if [ "$kind" = dll ] && ! grep -Eq "$allowed_dlls" <<<"$name"; then
      echo "error: $program imports $name, which Windows XP does not have" >&2
      bad=1
    elif [ "$kind" = fn ] && grep -Eq "$newer_functions" <<<"$name"; then
      echo "error: $program imports $name, which Windows XP does not have" >&2
      bad=1
    fi
  done <<<"$imports"
done
if [ "$checked" -eq 0 ]; then
  echo "error: no program to check in $folder" >&2
  exit 1
fi
echo "import check: $checked program(s) checked in $folder"
exit $bad
