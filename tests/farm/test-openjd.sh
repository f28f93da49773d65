#!/usr/bin/env bash
# The farm job template: `openjd check` accepts it, and `openjd run` renders a
# small scene of the tests in chunks with every frame written, each equal to
# the same frame rendered directly; a re-queued chunk redoes only what is missing.
# openjd-cli comes from PyPI into a virtual environment under the build folder.
# Usage: tests/farm/test-openjd.sh BUILD_DIR (default build/release)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build/release}")
tool=$build/cli/morvel-render
venv=$build/openjd-venv
[ -x "$tool" ] || { echo "farm: $tool not built" >&2; exit 1; }
if [ ! -x "$venv/bin/openjd" ]; then
  /usr/bin/python3 -m venv "$venv"
  "$venv/bin/pip" install -q --disable-pip-version-check openjd-cli
fi
openjd=$venv/bin/openjd
template=farm/morvel-render.openjd.yaml
scene=$PWD/tests/data/shot/shot.json
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
fail() { echo "farm: FAILED: $*" >&2; echo "farm: $passed passed, 1 failed"; exit 1; }

"$openjd" check "$template" >/dev/null || fail "openjd check $template"
passed=$((passed + 1))

run_job() {
  "$openjd" run "$template" --step Render -p "SceneFile=$scene" -p "OutputPattern=$work/out/relit.####.png" \
    -p FrameStart=0 -p FrameEnd=4 -p ChunkSize=2 -p "MorvelRender=$tool" \
    -p "ExtraOptions=--depth 16 --set 'Rim Light/Amount=80'" "$@" >"$work/job.log" 2>&1 ||
    { cat "$work/job.log" >&2; fail "openjd run"; }
}
mkdir "$work/out"
run_job
for f in 0000 0001 0002 0003 0004; do
  [ -f "$work/out/relit.$f.png" ] || fail "frame $f was not written"
done
[ "$(ls "$work/out" | wc -l)" -eq 5 ] || fail "files other than the five frames left: $(ls "$work/out")"
grep -q "frames 4-4" "$work/job.log" || fail "the last chunk did not stop at the last frame"
"$tool" "$scene" -q --frames 3 --depth 16 --set 'Rim Light/Amount=80' -o "$work/direct.png"
cmp -s "$work/direct.png" "$work/out/relit.0003.png" || fail "the farm's frame 3 differs from a direct render"
passed=$((passed + 1))

# A re-queued chunk: frame 2 lost, frame 3 finished; only frame 2 is rendered again.
rm "$work/out/relit.0002.png"
inode=$(stat -c %i "$work/out/relit.0003.png")
run_job -tp ChunkStart=2
[ -f "$work/out/relit.0002.png" ] || fail "the re-queued chunk did not write frame 2"
[ "$(stat -c %i "$work/out/relit.0003.png")" = "$inode" ] || fail "the re-queued chunk rewrote frame 3"
grep -q "1 of 2 frames exist already" "$work/job.log" || fail "the re-queued chunk did not report the skipped frame"
passed=$((passed + 1))
echo "farm: $passed passed, 0 failed"
