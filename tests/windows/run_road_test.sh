#!/usr/bin/env bash
# The whole road through tarnwell.exe's window under Wine, then the new image
# checked with the peers: cabextract reads the cabinet, xorriso the ISO
# inside it (the added program in, the removed ones out), and QEMU boots it
# to the marker line of the sample's boot image.
#
# The program runs from a folder of its own that holds only our makecab
# beside it (Wine has none), so unpacking uses Wine's own expand and adding
# Wine's own xcopy, as on Windows. The program folder's name is Chinese: the
# program hands it to xcopy through the wide API. The image's folder name is
# not: Wine's expand takes its arguments in the ANSI code page, which here
# (Wine's default, 1252) has no Chinese; a Chinese Windows has code page 936.
# Usage: run_road_test.sh TARNWELL_EXE MAKECAB_EXE DRIVER_EXE SAMPLE_IMAGE WORK_FOLDER PREFIX MARKER
# Exits 77 (skipped) when the sample image was not built.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=${1:?tarnwell.exe}
makecab=${2:?makecab.exe}
driver=${3:?road driver}
sample=${4:?sample image}
work=${5:?work folder}
prefix=${6:?wine prefix}
marker=${7:?boot marker}
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
fail() { echo "error: $*" >&2; exit 1; }

if [ ! -f "$sample" ]; then
  echo "skipped: the sample image was not built ($sample); build the native preset first"
  exit 77
fi
for tool in cabextract xorriso qemu-system-x86_64; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/deps.sh)"
done

rm -rf "$work"
run=$work/run
image_folder="$work/image files"
program_folder="$work/我的 程序"
mkdir -p "$run" "$image_folder" "$program_folder/数据"
cp "$program" "$makecab" "$run/"
cp "$sample" "$image_folder/WINPE.IS_"
printf app >"$program_folder/app.exe"
printf readme >"$program_folder/数据/说明.txt"
printf hidden >"$program_folder/.hidden.cfg"

"$here/on_wine_display.sh" "$prefix" "$driver" "$(windows_path "$run/$(basename "$program")")" \
  "$(windows_path "$image_folder/WINPE.IS_")" "$(windows_path "$program_folder")"

# The new image beside the program, the backup holding the chosen image.
[ -f "$run/WINPE.IS_" ] || fail "no WINPE.IS_ beside the program"
cmp -s "$run/winpe.bak" "$sample" || fail "winpe.bak is not the chosen image"
[ ! -e "$run/winpe.iso" ] || fail "winpe.iso was left beside the program"

check=$work/check
mkdir -p "$check/tree"
timeout 120 cabextract -q -d "$check" "$run/WINPE.IS_" || fail "cabextract cannot read the new WINPE.IS_"
iso=$(find "$check" -maxdepth 1 -type f | head -n 1)
[ -n "$iso" ] || fail "the new WINPE.IS_ holds no file"
timeout 120 xorriso -abort_on FAILURE -osirrox on -indev "$iso" -extract / "$check/tree" >/dev/null 2>&1 ||
  fail "xorriso cannot extract the ISO inside the new WINPE.IS_"
tool=$check/tree/WXPE/SYSTEM32/TOOL
for present in app.exe 数据/说明.txt notepad2.exe; do
  [ -f "$tool/$present" ] || fail "the new image lacks TOOL/$present"
done
for absent in calc.exe netcfg.exe; do
  [ ! -e "$tool/$absent" ] || fail "the new image still holds TOOL/$absent"
done
added=$(printf 'LINK %%Desktop%%\\我的程序,%%SystemRoot%%\\SYSTEM32\\TOOL\\app.exe' | iconv -f UTF-8 -t GBK)
grep -qF "$added" "$check/tree/WXPE/SYSTEM32/PECMD.ini" || fail "PECMD.ini lacks the added shortcut line"

serial=$work/serial.txt
qemu-system-x86_64 -display none -no-reboot -m 64 -boot d -cdrom "$iso" -serial "file:$serial" >/dev/null 2>&1 &
qemu=$!
for _ in $(seq 120); do
  grep -q "$marker" "$serial" 2>/dev/null && break
  sleep 0.5
done
kill $qemu 2>/dev/null || true
wait $qemu 2>/dev/null || true
grep -q "$marker" "$serial" || fail "the new image did not boot to the marker line"
echo "the whole road under Wine gave a bootable image"
rm -rf "$work"
