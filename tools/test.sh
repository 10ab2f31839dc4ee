#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the release build's suite, the .deb
# and its validators, the same suite under AddressSanitizer and UndefinedBehaviorSanitizer
# (both suites run the golden cases through the command-line program), the exactness tests of
# a build without vector kernels, the thread sanitizer and bounded fuzzing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh

export QT_QPA_PLATFORM=offscreen
# install-deps.sh has installed the mesh checkers (glTF validator, assimp, admesh): their
# tests fail rather than skip when one is missing.
export VONNIK_REQUIRE_MESH_CHECKERS=1
# The same for the animation checkers (ffprobe, webpmux, gifsicle).
export VONNIK_REQUIRE_ANIMATION_CHECKERS=1
# And for GNU parallel, which spreads a batch of pictures over machines.
export VONNIK_REQUIRE_PARALLEL=1
jobs=$(nproc)
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON

echo "== configuring without the tests"
cmake -S . -B build/no-tests -G Ninja -DVONNIK_TESTS=OFF >/dev/null

echo "== release build"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DVONNIK_WERROR=$werror >/dev/null
cmake --build build/release -j "$jobs"
ctest --test-dir build/release -j "$jobs" --output-on-failure

echo "== the .deb: lintian, desktop-file-validate, appstreamcli, the installed programs"
bash tools/package_check.sh build/release

echo "== sanitizer build (address, undefined)"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVONNIK_SANITIZE=ON \
  -DVONNIK_BENCH=OFF -DVONNIK_WERROR=$werror >/dev/null
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/asan -j "$jobs" --output-on-failure

echo "== plain build (VONNIK_NO_SIMD): the exactness tests without any vector kernel"
cmake -S . -B build/no-simd -G Ninja -DCMAKE_BUILD_TYPE=Release -DVONNIK_NO_SIMD=ON \
  -DVONNIK_GUI=OFF -DVONNIK_BENCH=OFF -DVONNIK_WERROR=$werror >/dev/null
cmake --build build/no-simd -j "$jobs" --target vonnik_exactness_tests vonnik-cli
build/no-simd/tests/vonnik_exactness_tests

echo "== sanitizer build (thread): the window-free tests, banded drawing among them"
VONNIK_JOBS=$jobs bash tools/tsan.sh

echo "== fuzzing, bounded (each target ${VONNIK_FUZZ_SECONDS:-60} s on the seed corpora)"
bash tools/fuzz.sh "${VONNIK_FUZZ_SECONDS:-60}"
