#!/usr/bin/env bash
# Installs what building and testing Tarnwell needs on Debian 12, with apt-get
# (through sudo when not root). Safe to run again: it installs only what is
# missing and does nothing when everything is there.
set -euo pipefail

packages=(
  # native build and unit tests
  cmake ninja-build g++ pkg-config googletest libgtest-dev
  # the Windows builds, and Wine to run their tests
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 wine wine64
  # the Linux window
  qt6-base-dev
  # peers that read what we write and wrote what we read
  cabextract gcab xorriso genisoimage 7zip mscompress
  # the benchmarks' LZX compression peer (bench/cab, bench/lzx)
  wimtools
  # boot tests and the tiny boot image
  qemu-system-x86 nasm
  # the Windows program's window under Xvfb, with Chinese glyphs
  xvfb x11-utils xdotool imagemagick fonts-wqy-microhei
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
