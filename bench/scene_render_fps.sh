#!/usr/bin/env bash
# Frames per second of glorbe-render on a busy 3D scene: 20 textured,
# environment-mapped spheres of 1,984 faces each under 8 lights with halos,
# seen from a moving camera at 800 x 600. A model file may hold at most
# 500,000 bytes, so the spheres come in two scenes of ten (four lights
# each) that one RENDER item draws together.
#
#   bench/scene_render_fps.sh [BUILD_DIR] [SECONDS]
#
# Needs an X display (xvfb-run -a) and the built show in show/. The scene
# is a show folder of its own under a temporary directory: the show's
# archive, with a scene script and a timeline on disk that take precedence
# over the archive's. The frames are written as PNG pictures, as
# glorbe-render always does; its last progress line gives the rate.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(cd "${1:-$ROOT/build}" && pwd)"
SECONDS_TO_RENDER="${2:-10}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

cp "$ROOT/show/velk.dat" "$ROOT/show/quendar.mp3" "$WORK/"
mkdir -p "$WORK/models" "$WORK/scripts"

model() {  # NAME FIRST_BALL LIGHT_SIDE
  local name="$1" first="$2" side="$3"
  {
    echo "ambient 0.1 0.1 0.12"
    echo "segment 0 600"
    for i in $(seq 0 9); do
      local n=$((first + i))
      local x=$(((n % 5) * 3 - 6)) y=$(((n / 5) * 2)) z=$(((n / 5) * 3 / 2 - 2))
      printf 'mesh BALL%02d\n  sphere 1.2 32 32\n' "$n"
      echo "  key position 0 $x $y $z"
      echo "  key position 600 $x $y $((z + 1))"
    done
    for i in 0 1 2 3; do
      echo "light LAMP$i"
      echo "  position $((side * (2 + 2 * i))) -4 $((2 + i))"
      echo "  color 0.$((3 + i)) 0.5 0.$((9 - i))"
    done
    echo "camera EYE"
    echo "  position -3 -14 6"
    echo "  target 0 2 0"
    echo "  key position 0 -3 -14 6"
    echo "  key position 600 3 -13 7"
  } > "$WORK/models/$name.model"
  "$BUILD/glorbe-tool" model build "$WORK/models/$name.model" "$WORK/models/$name.3ds" >/dev/null
}
model benchleft 0 -1
model benchright 10 1

# The guitar script on disk replaces the archive's; the materials it names
# come from the opening script, which is read from the archive as usual.
printf '%s\r\n' \
  '[3DS]' 'SCENENAME = models\benchleft.3ds' \
  '[OBJS]' 'CURRENTOBJ = BALL' 'TEXTUREMAP = CLOUDS, MODULATE' 'ENVMAP = PLASMA' \
  '[LIGHTS]' 'CURRENTLIGHT = LAMP' 'TEXTUREMAP = RING, GLOW' 'SIZE = 0.4' \
  '[3DS]' 'SCENENAME = models\benchright.3ds' \
  '[OBJS]' 'CURRENTOBJ = BALL' 'TEXTUREMAP = CLOUDS, MODULATE' 'ENVMAP = PLASMA' \
  '[LIGHTS]' 'CURRENTLIGHT = LAMP' 'TEXTUREMAP = RING, GLOW' 'SIZE = 0.4' \
  > "$WORK/scripts/guitar.ini"

cat > "$WORK/bench.timeline" <<EOF
name "scene bench"
tempo 120
end $SECONDS_TO_RENDER

track "the spheres"
  length $SECONDS_TO_RENDER
  item GL STATE
    NAME = "CLEAR"
    VALUE = 7
  item SCENE3D RENDER
    NAME = "BENCH"
EOF
"$BUILD/glorbe-tool" sqp build "$WORK/bench.timeline" "$WORK/scripts/greetz.sqp" >/dev/null

cd "$WORK"
"$BUILD/glorbe-render" --size 800x600 --fps 60 --from 0 --to "$SECONDS_TO_RENDER" --frames "$WORK/frames" 2>&1 |
  tr '\r' '\n' | grep 'frames/s' | tail -1
# SCENE_BENCH_FRAME=FILE keeps the last frame to look at.
if [ -n "${SCENE_BENCH_FRAME:-}" ]; then cp "$(ls "$WORK"/frames/*.png | tail -1)" "$SCENE_BENCH_FRAME"; fi
