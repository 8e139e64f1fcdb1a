#!/usr/bin/env bash
# Makes the skin's button faces and hand cursor. The generated files are committed, so the
# build needs none of this; run it again only to change the pictures.
#   skin-face.bmp           72 x 22, 24 bpp: dark glossy face without text
#   skin-face-wide.bmp      93 x 22, 24 bpp: the same face, wider
#   skin-face-advanced.bmp  93 x 22, 24 bpp: the wide face with "高级设置..." drawn in
#   skin-hand.cur           32 x 32 monochrome pointing hand, hot spot (6, 0)
# Needs ImageMagick's convert and the WenQuanYi Micro Hei font.
set -euo pipefail
cd "$(dirname "$0")"
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc

# A face: dark gradient body, lighter gloss over the upper half, black outline. No pixel may be
# the transparent colour magenta (0xFF00FF).
face() { # width output [caption]
  local w=$1 out=$2 caption=${3:-}
  local args=(-size "${w}x22" gradient:'#404040-#080808'
              \( -size "${w}x10" gradient:'#8c8c8c-#4a4a4a' \) -geometry +1+1 -composite
              -fill none -stroke '#000000' -strokewidth 1 -draw "rectangle 0,0 $((w - 1)),21")
  if [ -n "$caption" ]; then
    args+=(-stroke none -fill white -font "$font" -pointsize 12 -gravity center -annotate +0+1 "$caption")
  fi
  convert "${args[@]}" -alpha off -type TrueColor -define bmp:format=bmp3 "BMP3:$out"
  if [ "$(convert "$out" -fill black +opaque '#FF00FF' -fill white -opaque '#FF00FF' -format '%[fx:maxima.r]' info:)" != 0 ]; then
    echo "$out contains the transparent colour" >&2; exit 1
  fi
}
face 72 skin-face.bmp
face 93 skin-face-wide.bmp
face 93 skin-face-advanced.bmp "高级设置..."

# The hand: X black outline, o white, anything else transparent. Row 0 is the top; the
# fingertip's top-left pixel is the hot spot (6, 0).
hand=(
"......XX........"
".....XooX......."
".....XooX......."
".....XooX......."
".....XooX......."
".....XooXXX....."
".....XooXooXXX.."
".....XooXooXooXX"
".XX..XooXooXooXoX"
"XooX.XooooooooXooX"
"XoooXXoooooooooooX"
".XooXooooooooooooX"
"..XoXooooooooooooX"
"..XooooooooooooooX"
"...XoooooooooooooX"
"...XooooooooooooX"
"....XoooooooooooX"
"....XooooooooooX"
".....XoooooooooX"
".....XoooooooooX"
".....XXXXXXXXXXX"
)
# The helpers below write hex digits; the last step turns them into bytes.
le16() { printf '%02x%02x' $(($1 & 255)) $((($1 >> 8) & 255)); }
le32() { printf '%02x%02x%02x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) $((($1 >> 16) & 255)) $((($1 >> 24) & 255)); }
row_bits() { # row kind(xor|and) -> 4 bytes, most significant bit = leftmost pixel
  local line=$1 kind=$2 word=0 x c bit
  for ((x = 0; x < 32; x++)); do
    c=${line:x:1}
    if [ "$kind" = xor ]; then bit=$([ "$c" = o ] && echo 1 || echo 0)
    else bit=$([ "$c" = X ] || [ "$c" = o ] && echo 0 || echo 1); fi
    word=$(((word << 1) | bit))
  done
  printf '%08x' "$word"
}
hex=$(
  # ICONDIR: reserved, type 2 (cursor), one image; then its entry with the hot spot.
  printf '000002000100'
  printf '20200200'; le16 6; le16 0; le32 $((40 + 8 + 128 + 128)); le32 22
  # BITMAPINFOHEADER: 32 x 64 (colour and mask), 1 bpp, two palette entries.
  le32 40; le32 32; le32 64; le16 1; le16 1; le32 0; le32 256; le32 0; le32 0; le32 2; le32 2
  printf '00000000ffffff00'
  for kind in xor and; do
    for ((y = 31; y >= 0; y--)); do row_bits "${hand[y]:-}" "$kind"; done
  done
)
# shellcheck disable=SC2059
printf "$(sed 's/../\\x&/g' <<<"$hex")" > skin-hand.cur
echo "made skin-face.bmp skin-face-wide.bmp skin-face-advanced.bmp skin-hand.cur"
