#!/usr/bin/env bash
# Renders the program's icons from their SVG sources into the PNG files kept in the
# repository (needs librsvg2-bin): the program's icon in the hicolor sizes that desktops look
# up, and the tool-bar and menu icons the window falls back on where the desktop's icon
# theme has none, at 16 and 32 pixels. Run it again after changing an SVG, and commit the PNGs.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v rsvg-convert >/dev/null || { echo "needs rsvg-convert: apt-get install librsvg2-bin" >&2; exit 1; }
app=packaging/org.trevane.Trevane.svg
for size in 16 22 24 32 48 64 128 256; do
  dir=packaging/icons/hicolor/${size}x${size}/apps
  mkdir -p "$dir"
  rsvg-convert -w "$size" -h "$size" "$app" -o "$dir/org.trevane.Trevane.png"
done
for size in 16 32; do
  mkdir -p "src/app/icons/$size"
  for svg in src/app/icons/*.svg; do
    rsvg-convert -w "$size" -h "$size" "$svg" -o "src/app/icons/$size/$(basename "$svg" .svg).png"
  done
done
