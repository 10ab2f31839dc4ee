#!/usr/bin/env bash
# Installs what is needed, builds the desktop program and starts it. The build puts the
# folders obj/ (sample pictures), haikei/ (a sample background) and pic_hozon/ (snapshots)
# beside the executable.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j "$(nproc)" --target vonnik
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "no display: starting under a virtual one (xvfb-run)"
  exec xvfb-run -a -s "-screen 0 1280x1024x24" build/release/app/vonnik "$@"
fi
exec build/release/app/vonnik "$@"
