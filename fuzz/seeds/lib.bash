# Shared by the seed scripts: bash fuzz/seeds/NAME.sh TOOL SOURCE OUT
# TOOL is glorbe-tool of the fuzz build, SOURCE the source tree, OUT the
# (empty) folder that receives the seed inputs. Seeds are made by our own
# tools or written here; nothing comes from elsewhere.
set -euo pipefail
TOOL="$1"
SRC="$2"
OUT="$3"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$OUT"

# A line-ending-correct script from the lines given (CR LF, as the player reads).
crlf() { printf '%s\r\n' "$@"; }

# every_model FILE [SHAPES]: a small model source with every kind of line
# but the shapes (transforms, welding, axes, pivots, key-framed tracks with
# spline options, a camera and a light), for the model seeds; its mesh is
# SHAPES (lines), or a box. A seed of few faces keeps the fuzzers fast.
every_model() {
  cat >"$1" <<SRC
ambient 0.1 0.2 0.3
segment 0 50
dummy ROOT
  pivot 1 0 0
  key orient 0 30 0 0 1
  key turn 20 45 0 0 1 tension 0.2 continuity 0.1 bias 0.3 easeto 0.4 easefrom 0.5
  key turn 50 10 1 0 0
mesh PARTS
  parent ROOT
  rotate 30 0 0 1
  translate 1 0 0
  scale 1 2 1
${2:-  box 1 1 1}
  vertex 0 0 0 0 0
  face 0 1 2 7
  weld positions 0.001
  axes 2 0 0  0 1 0  0 0 0.5  3 4 5
  pivot 0 0 1
  key position 0 0 0 1
  key scale 10 1 2 1
camera EYE
  position 0 -5 1
  target 0 0 0
  roll 10
  lens 28
  key position 0 0 -5 1
  key target 0 0 0 0
  key roll 0 10
light LAMP
  position 1 2 3
  color 1 0.5 0.25
  key position 0 1 2 3
SRC
}
