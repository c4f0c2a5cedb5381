#!/usr/bin/env bash
# Renders the program's icon from its one drawing, src/app/icons/quotarium.svg,
# into the PNG sizes desktops ask for and the Windows .ico. The results are
# committed, so builds need neither tool; run this after changing the drawing.
# Needs librsvg2-bin and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/../src/app/icons"
for size in 16 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" quotarium.svg -o "quotarium_$size.png"
done
convert quotarium_16.png quotarium_24.png quotarium_32.png quotarium_48.png \
    quotarium_64.png quotarium_256.png quotarium.ico
