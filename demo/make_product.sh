#!/usr/bin/env bash
# Lays out the demo product for `vorlax pack` in OUT:
#   OUT/config  the configuration (config/) and the two bitmaps drawn by make_bitmaps.sh;
#   OUT/files   the product: files/, the game bounce.exe from the Windows build folder BUILD
#               (build/win32 or build/win64), the readme and licence of config/, and
#               data/sprites.bin, 4 KiB of bytes generated here.
# Every file gets the same fixed date, so the same sources always pack into the same installer.
# Usage: make_product.sh BUILD OUT   (OUT is replaced)
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: make_product.sh BUILD OUT" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
build=$1
out=$2
readonly game=$build/demo/bounce.exe
readonly stamp=202601011200   # 2026-01-01 12:00, local time
readonly sprite_bytes=4096

if [ ! -f "$game" ]; then
  echo "make_product.sh: $game is missing (build the Windows tree: scripts/build)" >&2
  exit 1
fi
rm -rf "$out"
mkdir -p "$out"
cp -r "$here/config" "$out/config"
"$here/make_bitmaps.sh" "$out/config"
cp -r "$here/files" "$out/files"
cp "$game" "$here/config/readme.txt" "$here/config/licence.txt" "$out/files/"
# A small binary file: byte i is (37 i + 11) mod 256.
for ((i = 0; i < sprite_bytes; i++)); do
  printf -v byte '%02x' $(((37 * i + 11) % 256))
  printf '%b' "\\x$byte"
done > "$out/files/data/sprites.bin"
find "$out" -exec touch -t "$stamp" {} +
