#!/usr/bin/env bash
# Makes the header picture asset: a "ZEM" wordmark on white, 2795 x 1155 pixels, baseline
# JPEG, 300 dpi, three components without chroma subsampling.
set -euo pipefail
out=${1:-$(dirname "$0")/../app/resources/header.jpg}
font=$(fc-match -f '%{file}' 'DejaVu Sans:bold')
convert -size 2795x1155 xc:white \
    -fill '#1f4e8c' -draw 'rectangle 0,0 2795,140' \
    -font "$font" -pointsize 620 -fill '#1f4e8c' -gravity center -annotate +0+40 'ZEM' \
    -pointsize 110 -fill '#5b6f8a' -gravity south -annotate +0+90 'Konferenzmanagement' \
    -density 300 -units PixelsPerInch -interlace none -sampling-factor 1x1 -quality 88 \
    "jpeg:$out"
identify "$out"
