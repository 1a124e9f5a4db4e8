source "$(dirname "$0")/lib.bash"
# The show's model sources, and one with every kind of line kept small.
cp "$SRC"/content/models/cube.model "$OUT/"
cat >"$OUT/every.model" <<'SRC'
ambient 0.1 0.2 0.3
segment 0 50
dummy ROOT
  pivot 1 0 0
  key orient 0 30 0 0 1
  key turn 20 45 0 0 1 tension 0.2 easefrom 0.5
mesh PARTS
  parent ROOT
  rotate 30 0 0 1
  translate 1 0 0
  scale 1 2 1
  box 1 1 1
  reset
  sphere 1 6 3
  geosphere 0.5 2
  torus 1 0.2 6 4
  cylinder 0.5 1 6 capped
  knot 2 3 1 0.4 0.2 12 4
  lathe 6 360  0 0  1 0  1 1  0 1
  extrude 0.5  0 0  1 0  1 1  0 1
  heightfield 2 2 4 4 0.5 7 2
  vertex 0 0 0 0 0
  face 0 1 2 7
  weld positions 0.001
  axes 1 0 0  0 1 0  0 0 1  0 0 0
  key position 0 0 0 1
  key scale 10 1 2 1
camera EYE
  position 0 -5 1
  target 0 0 0
  roll 10
  lens 28
  key roll 0 10
light LAMP
  color 1 0.5 0.25
  key position 0 1 2 3
SRC
