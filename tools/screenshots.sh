#!/usr/bin/env bash
# Screenshots of the desktop program for the README, taken from the real program under a
# virtual display:
#   1. the program itself is started and the whole screen captured (the panel at start);
#   2. vonnik_screenshots drives the same windows through a session: picks the light,
#      builds obj/bear.bmp, drags it with the right button and saves a snapshot, then
#      saves the panel and the viewer side by side as docs/desktop-program.png; then builds
#      obj/penguin.png, a transparent PNG, as a dropped file, turns it a little and saves
#      the file, the panel and the viewer as docs/transparent-png.png;
#   3. the same session with the English captions (--lang en) gives
#      docs/desktop-program-en.png, and the viewer with its View menu open
#      docs/viewer-menu.png.
# Usage: tools/screenshots.sh [BUILD_FOLDER]   (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target vonnik vonnik_screenshots
app="$build/app"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/base/pic_hozon" docs
cp -r "$app/obj" "$app/haikei" "$work/base/"
screen="-screen 0 1024x768x24"

# The real program, as tools/run.sh starts it: the panel must be on the screen.
xvfb-run -a -s "$screen" bash -c "
  '$app/vonnik' & program=\$!
  sleep 2
  import -window root '$work/start.png'
  kill \$program"
colours=$(convert "$work/start.png" -crop 200x393+0+0 -unique-colors txt:- | wc -l)
[ "$colours" -gt 10 ] || { echo "the panel is not on the screen" >&2; exit 1; }

# A session through the same windows, and the snapshot it saved.
xvfb-run -a -s "$screen" "$app/vonnik_screenshots" "$work/base" "$work"
[ -f "$work/base/pic_hozon/0000.bmp" ] || { echo "no snapshot was saved" >&2; exit 1; }
cp "$work/screenshot.png" docs/desktop-program.png
cp "$work/transparent-png.png" docs/transparent-png.png
echo "docs/desktop-program.png and docs/transparent-png.png written"

# The same with the English captions.
rm -f "$work/base/pic_hozon/"*.bmp
xvfb-run -a -s "$screen" "$app/vonnik_screenshots" "$work/base" "$work" en
cp "$work/screenshot.png" docs/desktop-program-en.png
cp "$work/viewer-menu.png" docs/viewer-menu.png
echo "docs/desktop-program-en.png and docs/viewer-menu.png written"
