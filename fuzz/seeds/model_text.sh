source "$(dirname "$0")/lib.bash"
# The show's model sources, and one with every kind of line kept small.
cp "$SRC"/content/models/cube.model "$OUT/"
every_model "$OUT/every.model" "  box 1 1 1
  reset
  sphere 1 6 3
  geosphere 0.5 1
  torus 1 0.2 6 4
  cylinder 0.5 1 6 capped
  knot 2 3 1 0.4 0.2 12 4
  lathe 6 360  0 0  1 0  1 1  0 1
  extrude 0.5  0 0  1 0  1 1  0 1
  heightfield 2 2 4 4 0.5 7 2"
