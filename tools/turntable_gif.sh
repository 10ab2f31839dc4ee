#!/usr/bin/env bash
# The README's turntable: one full turn of the sample bear as an animated GIF.
# Usage: tools/turntable_gif.sh [BUILD_FOLDER]   (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target vonnik-cli vonnik_sample_folders
mkdir -p docs
"$build/cli/vonnik-cli" "$build/app/obj/bear.bmp" --light-point 45,38 \
  --turntable docs/turntable-bear.gif --turntable-frames 36 --turntable-fps 12
echo "docs/turntable-bear.gif written"
