#!/usr/bin/env bash
# Seeds for the fuzz targets, made fresh each time (never committed): the
# shared test cabinets and SZDD file where present, plus cabinets and
# MSZIP/SZDD data written here by our makecab and by mscompress.
set -euo pipefail
out=$1
tools=$2 # folder with our makecab
shared=${3:-}
mkdir -p "$out"/cabinet "$out"/mszip "$out"/szdd
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
head -c 40000 /dev/urandom >"$work/random.bin"
seq 1 20000 >"$work/numbers.txt"
head -c 70000 /usr/bin/ls >"$work/code.bin"
for f in random.bin numbers.txt code.bin; do
  for type in none mszip; do
    "$tools/makecab" /D CompressionType=$type "$work/$f" "$out/cabinet/$f.$type.cab"
  done
  # MSZIP seeds: the data blocks of our MSZIP cabinet in the target's framing
  # (2-byte expected size, 2-byte length, then the deflate stream).
  python3 - "$out/cabinet/$f.mszip.cab" "$out/mszip/$f.bin" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
first = struct.unpack_from('<I', data, 36)[0]
blocks = struct.unpack_from('<H', data, 40)[0]
pos, out = first, b''
for _ in range(blocks):
    _, cb, ub = struct.unpack_from('<IHH', data, pos)
    stream = data[pos + 10:pos + 8 + cb]
    out += struct.pack('<HH', ub & 0x7FFF, len(stream)) + stream
    pos += 8 + cb
open(sys.argv[2], 'wb').write(out)
PY
  cp "$work/$f" "$work/copy_$f"
  timeout 60 mscompress "$work/copy_$f" && mv "$work/copy_${f}_" "$out/szdd/$f.szdd" || true
done
if [ -n "$shared" ] && [ -d "$shared" ]; then
  cp "$shared"/*.cab "$out/cabinet/" 2>/dev/null || true
  cp "$shared"/test.compressed "$out/szdd/" 2>/dev/null || true
fi
