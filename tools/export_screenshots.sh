#!/usr/bin/env bash
# Pictures for the README's "Exporting the solid": the sample bear as the program draws it
# after a drag, and the .glb exported from that same state rendered by a third-party viewer
# (f3d, from Debian's packages, headless under a virtual display), straight on and from the
# side; and the bear exported for printing with a flat back, lying on f3d's grid.
# Usage: tools/export_screenshots.sh [BUILD_FOLDER]   (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
if ! command -v f3d >/dev/null; then
  echo "installing: f3d"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends f3d >/dev/null
fi
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target vonnik-cli vonnik_sample_folders

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p docs
"$build/cli/vonnik-cli" "$build/app/obj/bear.bmp" --light-point 45,38 --drag "60,110;100,110" \
  --frame "$work/program.bmp" --export-mesh "$work/bear.glb"
convert "$work/program.bmp" docs/export-program.png

"$build/cli/vonnik-cli" "$build/app/obj/bear.bmp" --flat-back --size-mm 40 \
  --export-mesh "$work/bear.stl"

render() {  # MESH OUTPUT [f3d options]
  local mesh=$1 out=$2
  shift 2
  xvfb-run -a -s "-screen 0 1024x768x24" \
    f3d "$mesh" --output "$work/f3d.png" --resolution 480,480 --quiet "$@"
  convert "$work/f3d.png" -resize 232x232 "$out"
}
render "$work/bear.glb" docs/export-f3d-front.png -a
render "$work/bear.glb" docs/export-f3d-side.png -a --camera-azimuth-angle 70 \
  --camera-elevation-angle 20
# The print lies on the bed, z up: seen from the front left and above, over the grid.
render "$work/bear.stl" docs/export-f3d-flat-back.png -g --up=+Z --camera-position=45,-60,40 \
  --camera-focal-point=0,0,2
echo "docs/export-program.png, docs/export-f3d-front.png, docs/export-f3d-side.png," \
  "docs/export-f3d-flat-back.png written"
