#!/usr/bin/env bash
# Builds the sample PE image: an ISO made with xorriso that holds a "WXPE"
# tree with a GBK startup configuration, a few program folders and our tiny
# BIOS boot image (it prints a marker to the serial port), compressed into an
# IS_ file with our makecab (LZX, 2 MiB window).
# Usage: make_sample_image.sh BOOT_IMAGE MAKECAB OUTPUT_IS_
set -euo pipefail
boot_image=${1:?boot image}
makecab=${2:?makecab}
output=${3:?output IS_ file}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tree=$work/tree
mkdir -p "$tree/WXPE/SYSTEM32/TOOL/磁盘工具" "$tree/WXPE/SYSTEM32/DRIVERS" "$tree/BOOT" "$tree/EFI/BOOT"

# Program files: small, distinct, deterministic contents.
program() {
  local path=$1 size=$2 seed=$3
  head -c "$size" < <(yes "$seed" | tr -d '\n') > "$path"
}
program "$tree/WXPE/SYSTEM32/TOOL/notepad2.exe" 40000 notepad
program "$tree/WXPE/SYSTEM32/TOOL/calc.exe" 30000 calc
program "$tree/WXPE/SYSTEM32/calc.exe" 30001 calc-system
program "$tree/WXPE/SYSTEM32/TOOL/磁盘工具/partassist.exe" 50000 partassist
program "$tree/WXPE/SYSTEM32/TOOL/netcfg.exe" 20000 netcfg
program "$tree/WXPE/SYSTEM32/DRIVERS/disk.sys" 10000 driver
program "$tree/WXPE/explorer.exe" 60000 explorer
program "$tree/BOOT/bcd" 8192 bcd
program "$tree/EFI/BOOT/bootx64.efi" 4096 efi
: > "$tree/WXPE/SYSTEM32/TOOL/empty.dat"
cp "$boot_image" "$tree/BOOT/marker.bin"

# The startup configuration, written in UTF-8 here and stored as GBK with
# CR LF line ends, the way the PE shell reads it.
iconv -f UTF-8 -t GBK <<'INI' | LC_ALL=C sed 's/$/\r/' > "$tree/WXPE/SYSTEM32/PECMD.ini"
//示例 PE 的启动配置
TEXT 正在启动示例 PE
LOGS %SystemRoot%\pecmd.log

ENVI Path=%SystemRoot%\SYSTEM32;%SystemRoot%\SYSTEM32\TOOL
LINK %Desktop%\记事本,%SystemRoot%\SYSTEM32\TOOL\notepad2.exe
EXEC %SystemRoot%\SYSTEM32\TOOL\startup.cmd
LINK %Programs%\磁盘工具\分区助手,%SystemRoot%\SYSTEM32\TOOL\磁盘工具\partassist.exe
LINK %QuickLaunch%\资源管理器,%SystemRoot%\explorer.exe
   
LINK %SendTo%\记事本,%SystemRoot%\SYSTEM32\TOOL\notepad2.exe
LINK %Desktop%\计算器,%SystemRoot%\SYSTEM32\TOOL\calc.exe
//LINK %Desktop%\旧工具,%SystemRoot%\SYSTEM32\TOOL\old.exe
LINK %Programs%\网络设置,%SystemRoot%\SYSTEM32\TOOL\netcfg.exe
SHEL %SystemRoot%\explorer.exe
INI

iso=$work/sample.iso
timeout 120 xorriso -as mkisofs -quiet -input-charset utf-8 -J -joliet-long -r \
  -V WINPE -b BOOT/marker.bin -no-emul-boot -boot-load-size 4 -hide BOOT/marker.bin \
  -hide-joliet BOOT/marker.bin -o "$iso" "$tree"
mkdir -p "$(dirname "$output")"
(cd "$work" && "$makecab" /D CompressionType=LZX /D CompressionMemory=21 sample.iso "$output")
