#!/usr/bin/env bash
# Renders the program's icon, packaging/icons/vonnik.svg, into the PNG sizes the package
# installs (packaging/icons/vonnik-SIZE.png). Run after changing the SVG; the PNGs are kept
# in the repository.
set -euo pipefail
cd "$(dirname "$0")/../packaging/icons"
for size in 16 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" vonnik.svg --output "vonnik-$size.png"
done
