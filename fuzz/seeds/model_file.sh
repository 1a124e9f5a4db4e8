source "$(dirname "$0")/lib.bash"
# The show's models, and a small one with every kind of record, built by
# glorbe-tool from our own sources.
for source in "$SRC"/content/models/*.model; do
  "$TOOL" model build "$source" "$WORK/$(basename "$source" .model).3ds" >/dev/null
done
cp "$WORK/cube.3ds" "$OUT/cube.3ds"
cat >"$WORK/small.model" <<'SRC'
ambient 0.1 0.2 0.3
segment 0 50
dummy ROOT
  pivot 1 0 0
  key turn 0 30 0 0 1
  key turn 20 45 0 0 1 tension 0.2 continuity 0.1 bias 0.3 easeto 0.4 easefrom 0.5
  key turn 50 10 1 0 0
mesh ARM
  parent ROOT
  axes 2 0 0  0 1 0  0 0 0.5  3 4 5
  pivot 0 0 1
  box 1 1 1
  key position 0 0 0 1
  key scale 10 1 2 1
camera EYE
  position 0 -5 1
  target 0 0 0
  roll 10
  key position 0 0 -5 1
  key target 0 0 0 0
  key roll 0 10
light LAMP
  position 1 2 3
  color 1 0.5 0.25
  key position 0 1 2 3
SRC
"$TOOL" model build "$WORK/small.model" "$OUT/small.3ds" >/dev/null
