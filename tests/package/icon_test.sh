#!/bin/sh
# Fails when the committed resources/ipmdb.ico, which the Windows programs carry, is not what
# draw-images and tools/make-ico.sh make now: the Windows icon must be the Linux window's.
#   icon_test.sh DRAW_IMAGES MAKE_ICO COMMITTED_ICO
set -eu
draw_images=$1
make_ico=$2
committed=$3
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT

"$draw_images" "$folder"
# Every size draw-images paints, smallest first.
pictures=$(cd "$folder" && ls icon-*.png | sort -t- -k2 -n | sed "s|^|$folder/|")
sh "$make_ico" "$folder/ipmdb.ico" $pictures
if ! cmp -s "$folder/ipmdb.ico" "$committed"; then
  echo "$committed is not what draw-images paints now; make it again with"
  echo "  draw-images DIR && tools/make-ico.sh resources/ipmdb.ico DIR/icon-16.png ... DIR/icon-128.png"
  exit 1
fi
