#!/usr/bin/env bash
# Installs what building, running and testing Vonnik! need on Debian 12 (run as root).
# Idempotent: packages already present are not fetched again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-image-formats-plugins qt6-svg-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth fonts-ipafont-gothic
  python3 valgrind imagemagick parallel
  libtinygltf-dev
  assimp-utils admesh
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  lintian desktop-file-utils appstream help2man librsvg2-bin
  libimagequant-dev libcgif-dev libwebp-dev libgdk-pixbuf-2.0-dev
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev
  ffmpeg webp gifsicle
  lib3mf-dev prusa-slicer
  libzip-dev libxml2-dev nlohmann-json3-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Khronos glTF validator, which the mesh export's tests run, is an npm package pinned in
# tools/node (package-lock.json). Node.js usually comes with the machine; Debian's packages
# stand in where it does not.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  echo "installing: nodejs npm"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  command -v node >/dev/null || apt-get install -y -qq --no-install-recommends nodejs >/dev/null
  command -v npm >/dev/null || apt-get install -y -qq --no-install-recommends npm >/dev/null || true
fi
node_dir="$(cd "$(dirname "$0")" && pwd)/node"
if [ ! -f "$node_dir/node_modules/gltf-validator/package.json" ] ||
   [ "$node_dir/package-lock.json" -nt "$node_dir/node_modules/.package-lock.json" ]; then
  echo "installing: gltf-validator (npm, into tools/node)"
  if ! npm ci --prefix "$node_dir" --no-audit --no-fund --loglevel=error >/dev/null; then
    # Without it the validator's test is skipped with a message; CI must not skip it.
    echo "could not install gltf-validator" >&2
    [ "${CI:-}" = "true" ] && exit 1
  fi
fi
