#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 60) on seed
# corpora made from the BMP suite, the golden pictures, fuzz/seeds/pictures/ and (for the
# project reader) fuzz/seeds/projects/. The stored
# findings under fuzz/regressions/ are replayed first. A new finding lands in
# OUT/findings/ (crash-*, timeout-*, oom-*) and fails the run; turn each into a regression: copy it to
# fuzz/regressions/build/, fuzz/regressions/int/ or fuzz/regressions/project/ and fix the fault.
#   tools/fuzz.sh [SECONDS]
# Environment: VONNIK_FUZZ_DIR (build folder, default build/fuzz), VONNIK_JOBS (compile jobs),
# VONNIK_FUZZ_TIMEOUT (seconds one input may take, default 60: an input takes well under a
# second, but a machine shared with compilers can stall a run for many).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-60}
out=${VONNIK_FUZZ_DIR:-build/fuzz}
CXX=clang++ cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVONNIK_FUZZ=ON \
  -DVONNIK_GUI=OFF -DVONNIK_TESTS=OFF -DVONNIK_BENCH=OFF >/dev/null
cmake --build "$out" -j "${VONNIK_JOBS:-$(nproc)}" --target vonnik_fuzz_build vonnik_fuzz_int_text \
  vonnik_fuzz_project

# The build target reads 32 bytes of settings before the picture (see fuzz/build_fuzzer.cpp).
# Seeds are made afresh each run; a corpus grown under another layout is started again.
layout=32-kernels6
seeds="$out/seeds-build"
rm -rf "$seeds"
mkdir -p "$seeds"
python3 - "$seeds" ../shared/testdata <<'PY'
import os, sys, hashlib
out, data = sys.argv[1], sys.argv[2]
def settings(polygon, curvature, tolerance, flags, moves, back=(40, 30), bg=(90, 70)):
    s = bytearray(32)
    s[0], s[1], s[2], s[3], s[4] = polygon, curvature, tolerance, flags, 150
    s[5], s[6], s[7], s[8] = 30, 32, 50, 50
    s[9] = len(moves)
    for k, (x, y) in enumerate(moves):
        s[10 + k], s[17 + k] = x, y
    s[24], s[25], s[26], s[27] = back[0], back[1], bg[0], bg[1]
    s[28], s[29], s[30] = 7, 1, 3
    return bytes(s)
variants = [
    settings(6, 20, 105, 0, [(70, 40), (90, 70)]),                    # defaults, triangles
    settings(3, 236, 150, 1 | 2 | 8, [(10, 90), (200, 10), (30, 200)]),  # square, projection
    settings(5, 20, 105, 16 | 32, [(200, 60), (60, 200)], back=(200, 9)),  # double-sided, bg
    settings(8, 0, 50, 4 | 64 | 128, [], bg=(250, 250)),               # back light, bg later
]
# The BMP suite, the golden pictures, and a small picture of every other format the
# readers know (PNG, JPEG, GIF, WebP, TIFF, TGA, ICO, SVG), kept in the repository.
folders = [os.path.join(data, r) for r in ('bmpsuite/g', 'bmpsuite/q', 'bmpsuite/b', 'golden/pictures')]
folders.append('fuzz/seeds/pictures')
count = 0
for folder in folders:
    for name in sorted(os.listdir(folder)):
        body = open(os.path.join(folder, name), 'rb').read()
        if len(body) > 64 * 1024: continue
        for n, s in enumerate(variants):
            blob = s[:31] + bytes([count % 6]) + body  # each of the six fill kernels in some seeds
            count += 1
            open(os.path.join(out, hashlib.sha1(blob).hexdigest()), 'wb').write(blob)
PY
if [ "$(cat "$out/corpus-build.layout" 2>/dev/null)" != "$layout" ]; then
  rm -rf "$out/corpus-build"
  echo "$layout" >"$out/corpus-build.layout"
fi
mkdir -p "$out/corpus-build"
mkdir -p "$out/corpus-int" "$out/corpus-project" "$out/findings"
for s in " 8" "-\$10" "0x7fffffff" "110" "-2147483648" "x1F" "+0X80000000" "  -0" "0x" "8a"; do
  printf '%s' "$s" >"$out/corpus-int/$(printf '%s' "$s" | sha1sum | cut -c1-16)"
done

status=0
stamp="$out/findings/.run-start"
touch "$stamp"
replay() {  # target, folder of stored findings
  local files=("$root/fuzz/regressions/$2"/*)
  [ -e "${files[0]}" ] || return 0
  echo "== replaying ${#files[@]} stored findings of $1"
  "$out/fuzz/$1" -runs=1 "${files[@]}" >"$out/replay-$1.log" 2>&1 || {
    tail -40 "$out/replay-$1.log"
    status=1
  }
}
run() {  # target, seconds, corpus folders...
  local target=$1 time=$2
  shift 2
  echo "== $target for $time s"
  (cd "$out" && "./fuzz/$target" -max_total_time="$time" -timeout="${VONNIK_FUZZ_TIMEOUT:-60}" -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix=findings/ "$@" >"fuzz-$target.log" 2>&1) || status=1
  grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb)|ERROR|SUMMARY' \
    "$out/fuzz-$target.log" | tail -8 || true  # a report may have gone to a decoder's scratch file
}
replay vonnik_fuzz_build build
replay vonnik_fuzz_int_text int
replay vonnik_fuzz_project project
run vonnik_fuzz_build "$seconds" corpus-build seeds-build
run vonnik_fuzz_int_text "$seconds" corpus-int
run vonnik_fuzz_project "$seconds" corpus-project "$root/fuzz/seeds/projects"
new=$(find "$out/findings" -type f -newer "$stamp" ! -name '.*')
if [ -n "$new" ]; then
  echo "new findings:"
  echo "$new"
  status=1
fi
exit $status
