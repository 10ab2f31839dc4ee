#!/usr/bin/env bash
# Pictures for the README's "Colour prints and keychains": the sample beach ball made a
# keychain (a hole near its top, 45 mm across, 5 mm thick, a flat back) as the program draws
# it after a drag, and the same keychain painted for 4 filaments, sliced by PrusaSlicer with
# the settings the 3MF file carries, its G-code's moves drawn by gnuplot in the filaments'
# colours (tools/gcode_layers.py).
# Usage: tools/colour_print_pictures.sh [BUILD_FOLDER]   (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
if ! command -v gnuplot >/dev/null; then
  echo "installing: gnuplot-nox"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends gnuplot-nox >/dev/null
fi
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target vonnik-cli vonnik_sample_folders

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p docs
ball="$build/app/obj/disc.bmp"
"$build/cli/vonnik-cli" "$ball" --hole 80,40,20 --polygon-size 4 --drag "80,80;80,110" \
  --frame "$work/keychain.bmp"
convert "$work/keychain.bmp" docs/keychain-hole.png
"$build/cli/vonnik-cli" "$ball" --hole 80,40,20 --polygon-size 4 --flat-back --size-mm 45 \
  --thickness-mm 5 --filaments 4 --export-mesh "$work/keychain.3mf"
prusa-slicer --export-gcode "$work/keychain.3mf" --output "$work/keychain.gcode" >/dev/null 2>&1
python3 tools/gcode_layers.py "$work/keychain.gcode" docs/colour-print-gcode.png \
  "keychain.3mf sliced by PrusaSlicer for 4 filaments" "30, 10, 1.5, 1.0"
echo "docs/keychain-hole.png, docs/colour-print-gcode.png written"
