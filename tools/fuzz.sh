#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 60) on seed
# corpora made from the BMP suite and the golden pictures. Findings land in build/fuzz/
# as crash-* files; turn each into a regression test.
#   tools/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=build/fuzz
CXX=clang++ cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVONNIK_FUZZ=ON \
  -DVONNIK_GUI=OFF -DVONNIK_TESTS=OFF -DVONNIK_BENCH=OFF >/dev/null
cmake --build "$out" -j "$(nproc)" --target vonnik_fuzz_build vonnik_fuzz_int_text

seeds="$out/seeds-build"
if [ ! -d "$seeds" ]; then
  mkdir -p "$seeds"
  python3 - "$seeds" ../shared/testdata <<'PY'
import os, sys, hashlib
out, data = sys.argv[1], sys.argv[2]
# The fuzzer reads 16 bytes of settings before the picture.
settings = [bytes([6, 20, 105, 0, 0, 30, 32, 50, 50, 2, 70, 90, 40, 70, 60, 50]),
            bytes([3, 236, 150, 1 | 2 | 8, 150, 60, 52, 10, 10, 3, 200, 10, 90, 10, 200, 30])]
for root in ('bmpsuite/g', 'bmpsuite/q', 'bmpsuite/b', 'golden/pictures'):
    folder = os.path.join(data, root)
    for name in sorted(os.listdir(folder)):
        body = open(os.path.join(folder, name), 'rb').read()
        if len(body) > 64 * 1024: continue
        for n, s in enumerate(settings):
            blob = s + body
            open(os.path.join(out, hashlib.sha1(blob).hexdigest()), 'wb').write(blob)
PY
fi
mkdir -p "$out/corpus-build" "$out/corpus-int"
for s in " 8" "-\$10" "0x7fffffff" "110" "-2147483648" "x1F"; do
  printf '%s' "$s" > "$out/corpus-int/$(printf '%s' "$s" | sha1sum | cut -c1-16)"
done
cd "$out"
./fuzz/vonnik_fuzz_build -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 \
  -print_final_stats=1 corpus-build seeds-build 2>&1 | tail -15
./fuzz/vonnik_fuzz_int_text -max_total_time="$seconds" -print_final_stats=1 corpus-int 2>&1 | tail -8
