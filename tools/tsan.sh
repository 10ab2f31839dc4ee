#!/usr/bin/env bash
# Builds the window-free tests with clang's ThreadSanitizer and runs them, above all those
# that draw frames in several bands at once (RenderOptions::threads), so that a data race
# between the bands fails the run. Qt and GoogleTest are not instrumented: races inside
# them go unseen, and none of them runs a thread of its own in these tests, so no
# suppressions are needed. Left out: the tests that start other programs (the mesh and
# animation checkers and the MP4 decoder, the slicer on plain and painted prints, GNU
# parallel, vonnik-cli on the golden cases and on damaged pictures), because Qt starts them
# with clone(), which clang 14's ThreadSanitizer runtime does not survive.
#   tools/tsan.sh [GTEST_FILTER]
# Environment: VONNIK_TSAN_DIR (build folder, default build/tsan), VONNIK_JOBS (compile jobs).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${VONNIK_TSAN_DIR:-build/tsan}
filter=${1:-'-*ThirdPartyTools*:*PrinterTools*:*Golden.*:*Hostile.TheDecodersSayNothingOnTheTerminal:*GnuParallel*:Mp4Colours.*:PrusaSlicerColour.*'}
CXX=clang++ cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" \
  -DVONNIK_GUI=OFF -DVONNIK_BENCH=OFF -DVONNIK_TESTS=ON >/dev/null
cmake --build "$out" -j "${VONNIK_JOBS:-$(nproc)}" --target vonnik_tests
# halt_on_error: the first race fails the run; second_deadlock_stack for lock reports.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}" \
  "$out/tests/vonnik_tests" --gtest_filter="$filter" --gtest_brief=1
