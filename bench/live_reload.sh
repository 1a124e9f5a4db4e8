#!/usr/bin/env bash
# The live mode on a copy of the bundled show, on a virtual X server:
#   bench/live_reload.sh BUILD_DIR [RELOADS]
# 1. save -> picture for a timeline edit: the show is paused at 35 s; a
#    corner colour of the kaleidoscope sprite is changed in the timeline's source and the
#    show rebuilt incrementally; the time runs from just before the save to
#    the first poll of the window that sees the pixel change (5 rounds).
# 2. the same for a scene-script edit (a sprite's material), which reloads
#    all content (3 rounds).
# 3. resident memory of the player over RELOADS (default 100) forced full
#    reloads.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(cd "${1:?build folder}" && pwd)"
RELOADS="${2:-100}"
SHOW="$(grep -E '^GLORBE_SHOW_DIR:' "$BUILD/CMakeCache.txt" | cut -d= -f2)"
WORK="$(mktemp -d /tmp/glorbe-live-bench.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
cp -r "$ROOT/content" "$WORK/content"
mkdir -p "$WORK/show"
cp "$SHOW/quendar.mp3" "$WORK/show/"
cat >"$WORK/rebuild.sh" <<EOF2
cmake -DTOOL="$BUILD/glorbe-tool" -DCONTENT="$WORK/content" -DSTAGING="$WORK/staging" \
  -DARCHIVE="$WORK/show/velk.dat" -P "$ROOT/content/build_show.cmake" >/dev/null
EOF2
bash "$WORK/rebuild.sh"

cat >"$WORK/session.sh" <<'INNER'
set -u
cd "$WORK/show"
GLORBE_LAUNCHER="width=640 height=480 fullscreen=0 soundDriver=1" "$BUILD/glorbe" --live 35 2>"$WORK/stderr" &
pid=$!
win=$(timeout 120 xdotool search --sync --name '^glORBE$' | head -1)
until grep -q watching "$WORK/stderr"; do sleep 0.1; done
sleep 1
xdotool windowfocus --sync "$win"; xdotool key --window "$win" space
sleep 1
lines() { grep -c "$1" "$WORK/stderr" || true; }
# One edit: probe, save (sed), rebuild; prints the seconds to the picture.
edit() {  # edit FILE SED-EXPRESSION
  "$BUILD/bench/glorbe-pixel-wait" "$win" "$PX" "$PY" change 30 >"$WORK/took" &
  local probe=$!
  sleep 0.2  # the probe has its first sample
  local t0 t1
  t0=$(date +%s.%N)
  sed -i "$2" "$WORK/content/$1"
  bash "$WORK/rebuild.sh"
  t1=$(date +%s.%N)
  wait $probe && echo "$(cat "$WORK/took") (of which the rebuild $(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }'))"
  sleep 1
}
PX=30 PY=450
echo "timeline edit (save -> picture, s):"
for i in 1 2 3; do
  edit timeline/greetz.timeline '/NAME = "KALEI"/,/B2/ s/^    B1 = 1$/    B1 = 0/'
  edit timeline/greetz.timeline '/NAME = "KALEI"/,/B2/ s/^    B1 = 0$/    B1 = 1/'
done
echo "scene-script edit (save -> picture, s):"
for i in 1 2; do
  edit scripts/greetz.ini 's/^PARAM = KALEI,    JULIA,/PARAM = KALEI,    PLASMA,/'
  edit scripts/greetz.ini 's/^PARAM = KALEI,    PLASMA,/PARAM = KALEI,    JULIA,/'
done
grep "reloaded" "$WORK/stderr" | sed 's/^/  player: /'

rss() { awk '/VmRSS/ { print $2 }' "/proc/$pid/status"; }
echo "forced reloads, resident memory (kB):"
before=$(lines "reloaded the show")
for n in $(seq "$RELOADS"); do
  xdotool key --window "$win" r
  until [ "$(lines "reloaded the show")" -ge $((before + n)) ]; do
    kill -0 $pid || { echo "the player ended" >&2; exit 1; }
    sleep 0.05
  done
  case $n in 1|2|5|10|20|50|100|200|500) echo "  after $n: $(rss)" ;; esac
done
grep "reloaded the show" "$WORK/stderr" | tail -3 | sed 's/^/  player: /'
xdotool key Escape
wait $pid
INNER
WORK="$WORK" BUILD="$BUILD" RELOADS="$RELOADS" \
  xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$WORK/session.sh"
