#!/bin/sh
# make-ico: packs square PNG pictures into one Windows icon file, one entry per picture, in the
# order given. Each entry holds its PNG file unchanged, which Windows reads since Vista; the
# pictures must be 8-bit RGBA (so that the entry's 32 bits per pixel are true) and at most 256
# pixels wide.
#   make-ico.sh OUTPUT PICTURE.png...
# resources/ipmdb.ico is made with it from the program icon that draw-images paints, and
# committed, because the Windows build has no Qt to paint it:
#   draw-images DIR && tools/make-ico.sh resources/ipmdb.ico DIR/icon-16.png ... DIR/icon-128.png
# The test resources.icon checks that the committed file equals what the two make now.
set -eu

if [ $# -lt 2 ]; then
  echo "usage: make-ico.sh OUTPUT PICTURE.png..." >&2
  exit 2
fi
output=$1
shift

fail() {
  echo "make-ico: $*" >&2
  exit 1
}

# The bytes of FILE from OFFSET on, COUNT of them, as decimal numbers.
bytes() {
  echo $(od -An -v -tu1 -j "$2" -N "$3" "$1")
}

# Big-endian 32-bit number at OFFSET of FILE, as PNG stores its sizes.
be32() {
  set -- $(bytes "$1" "$2" 4)
  echo $(($1 << 24 | $2 << 16 | $3 << 8 | $4))
}

u8() {
  printf "\\$(printf %03o "$1")"
}

u16() {
  u8 $(($1 & 255))
  u8 $(($1 >> 8 & 255))
}

u32() {
  u16 $(($1 & 65535))
  u16 $(($1 >> 16 & 65535))
}

# An icon file: a 6-byte header, a 16-byte entry per picture, then the pictures.
kHeaderSize=6
kEntrySize=16
kPngSignature="137 80 78 71 13 10 26 10"
kPngRgba=6

for picture in "$@"; do
  [ "$(bytes "$picture" 0 8)" = "$kPngSignature" ] || fail "$picture is not a PNG file"
  # The IHDR chunk follows the signature: length, type, width, height, bit depth, colour type.
  width=$(be32 "$picture" 16)
  height=$(be32 "$picture" 20)
  [ "$width" = "$height" ] || fail "$picture is $width x $height pixels, not square"
  [ "$width" -ge 1 ] && [ "$width" -le 256 ] || fail "$picture is $width pixels wide; an icon holds 1 to 256"
  [ "$(bytes "$picture" 24 2)" = "8 $kPngRgba" ] || fail "$picture is not 8-bit RGBA"
done

count=$#
{
  u16 0      # reserved
  u16 1      # resource type: icon
  u16 "$count"
  offset=$((kHeaderSize + kEntrySize * count))
  for picture; do
    width=$(be32 "$picture" 16)
    size=$(wc -c <"$picture")
    u8 $((width & 255))  # 256 is written as 0
    u8 $((width & 255))
    u8 0       # colours in a palette: none
    u8 0       # reserved
    u16 1      # colour planes
    u16 32     # bits per pixel
    u32 "$size"
    u32 "$offset"
    offset=$((offset + size))
  done
  for picture; do
    cat "$picture"
  done
} >"$output.tmp"
mv "$output.tmp" "$output"
