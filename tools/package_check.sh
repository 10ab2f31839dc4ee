#!/usr/bin/env bash
# Builds the .deb and checks it as a user's machine would see it:
#   - lintian (no errors, no warnings), desktop-file-validate, appstreamcli validate --no-net;
#   - every caption of the sources has its English translation;
#   - the package unpacked into a scratch root with dpkg-deb -x: the installed vonnik-cli
#     makes an installed sample solid, and the installed vonnik, started offscreen with an
#     empty HOME, seeds the per-user folder with the installed samples.
# Every tool it needs must be there: a missing one fails the check.
#   tools/package_check.sh [BUILD_DIR]     (default build/package; Release, prefix /usr)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/package}
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON

fail() {
  echo "package check: $*" >&2
  exit 1
}
lupdate=/usr/lib/qt6/bin/lupdate
[ -x "$lupdate" ] || lupdate=$(command -v lupdate || true)
[ -n "$lupdate" ] || fail "lupdate is missing (qt6-l10n-tools)"
for tool in cpack dpkg-deb dpkg-shlibdeps lintian desktop-file-validate appstreamcli help2man cmp; do
  command -v "$tool" >/dev/null || fail "$tool is missing (tools/install-deps.sh installs it)"
done

scratch=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$scratch"
}
trap cleanup EXIT

echo "-- translations: every caption has its English"
cp app/translations/vonnik_en.ts "$scratch/check.ts"
"$lupdate" -silent -no-obsolete -locations none -source-language ja -target-language en \
  app/*.cpp app/*.h Project6.cpp -ts "$scratch/check.ts"
if grep -q 'type="unfinished"' "$scratch/check.ts"; then
  grep -B2 'type="unfinished"' "$scratch/check.ts" | grep '<source>' >&2
  fail "captions without English: run the vonnik_app_lupdate target and translate them"
fi

echo "-- building the package in $build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DVONNIK_WERROR=$werror >/dev/null
cmake --build "$build" -j "${VONNIK_JOBS:-$(nproc)}" --target vonnik vonnik-cli \
  vonnik_package_files
rm -rf "$build/packages"
(cd "$build" && cpack -G DEB >/dev/null)
version=$(sed -n 's/^#define VONNIK_VERSION "\(.*\)"$/\1/p' "$build/generated/core/version.h")
deb="$build/packages/vonnik_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no package $deb"
echo "   $deb"

echo "-- lintian"
# Root is how CI runs; lintian only warns about it.
lintian_status=0
lintian --fail-on error,warning "$deb" >"$scratch/lintian.txt" 2>&1 || lintian_status=$?
grep -v '^running with root privileges' "$scratch/lintian.txt" || true
if [ "$lintian_status" -ne 0 ] || grep -qE '^[EW]: ' "$scratch/lintian.txt"; then
  fail "lintian reports errors or warnings"
fi

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
echo "-- desktop-file-validate, appstreamcli validate"
desktop-file-validate "$root/usr/share/applications/org.vonnik.Vonnik.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.vonnik.Vonnik.metainfo.xml"
grep -q '^Exec=vonnik %F$' "$root/usr/share/applications/org.vonnik.Vonnik.desktop" ||
  fail "the desktop entry does not start 'vonnik %F'"

echo "-- the installed programs, from the scratch root"
bin="$root/usr/bin"
[ "$("$bin/vonnik-cli" --version | head -1)" = "vonnik-cli $version" ] || fail "vonnik-cli --version"
[ "$("$bin/vonnik" --version)" = "vonnik $version" ] || fail "vonnik --version"
"$bin/vonnik" --help | grep -q -- '--lang' || fail "vonnik --help"
"$bin/vonnik-cli" "$root/usr/share/vonnik/samples/obj/disc.bmp" --frame "$scratch/disc.bmp" \
  --export-mesh "$scratch/disc.glb" 2>"$scratch/cli.txt" || {
  cat "$scratch/cli.txt" >&2
  fail "the installed vonnik-cli cannot make the installed sample solid"
}
grep -q 'closed' "$scratch/cli.txt" || fail "the disc sample did not give a closed solid"
[ -s "$scratch/disc.bmp" ] && [ -s "$scratch/disc.glb" ] || fail "vonnik-cli wrote nothing"

# Starts the installed vonnik offscreen with an empty HOME and waits until the per-user
# folder holds the samples, the program still running.
start_and_wait_for_seed() {
  local home=$1
  shift
  mkdir -p "$home"
  env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" QT_QPA_PLATFORM=offscreen \
    "$bin/vonnik" "$@" >"$home.out" 2>&1 &
  local pid=$!
  pids+=("$pid")
  local data="$home/.local/share/vonnik" seeded=no
  local samples=$(ls "$root/usr/share/vonnik/samples/obj" | wc -l)
  for _ in $(seq 1 100); do
    if [ -f "$data/haikei/sky.bmp" ] && [ -d "$data/pic_hozon" ] &&
       [ "$(ls "$data/obj" 2>/dev/null | wc -l)" -eq "$samples" ]; then
      seeded=yes
      break
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  sleep 0.5
  kill -0 "$pid" 2>/dev/null || { cat "$home.out" >&2; fail "vonnik $* ended on its own"; }
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  [ "$seeded" = yes ] || { cat "$home.out" >&2; fail "vonnik $* did not seed $data"; }
  for sample in "$root"/usr/share/vonnik/samples/obj/* "$root"/usr/share/vonnik/samples/haikei/*; do
    cmp -s "$sample" "$data/$(basename "$(dirname "$sample")")/$(basename "$sample")" ||
      fail "$data holds no copy of $sample"
  done
  if grep -q '^vonnik:' "$home.out"; then cat "$home.out" >&2; fail "vonnik $* complained"; fi
}
start_and_wait_for_seed "$scratch/home-ja"
echo "   a first start seeds the per-user folder"
start_and_wait_for_seed "$scratch/home-en" --lang en
grep -q '^language=en$' "$scratch/home-en/.config/vonnik/vonnik.conf" ||
  fail "vonnik --lang en did not remember English"
echo "   --lang en finds the installed translation and remembers it"

# A home where the data folder cannot be made: said once, and the program goes on.
blocked="$scratch/home-blocked"
mkdir -p "$blocked"
echo "a file, not a folder" >"$blocked/.local"
env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$blocked" QT_QPA_PLATFORM=offscreen \
  "$bin/vonnik" >"$blocked.out" 2>&1 &
pid=$!
pids+=("$pid")
sleep 3
kill -0 "$pid" 2>/dev/null || { cat "$blocked.out" >&2; fail "vonnik ended when its data folder could not be made"; }
kill "$pid"
wait "$pid" 2>/dev/null || true
echo "   a data folder that cannot be made does not stop the program"
echo "package check passed"
