# glorbe-render --frame-at draws only the frames whose pixels its picture
# can depend on; the picture is the one --exact gives after drawing every
# frame: in the bundled show during the feedback picture (grabbed every
# frame, after a moment grabbed once) and in the 3D scene with its halos.
source "$(dirname "$0")/lib.bash"
SHOW="$GLORBE_SOURCE/show"
[ -f "$SHOW/velk.dat" ] || fail "the show is not built in $SHOW"
RENDER="$GLORBE_BIN/glorbe-render"
cd "$SHOW"
for at in 92 120.5; do
  with_xvfb "$RENDER" --size 200x150 --fps 10 --frame-at "$at" "$WORK/fast.png" 2>"$WORK/fast.err" ||
    fail "render at $at failed: $(cat "$WORK/fast.err")"
  grep -q "frames run without drawing" "$WORK/fast.err" || fail "every frame was drawn: $(cat "$WORK/fast.err")"
  with_xvfb "$RENDER" --size 200x150 --fps 10 --frame-at "$at" --exact "$WORK/exact.png" 2>"$WORK/exact.err" ||
    fail "exact render at $at failed: $(cat "$WORK/exact.err")"
  grep -q "without drawing" "$WORK/exact.err" && fail "--exact skipped frames"
  cmp -s "$WORK/fast.png" "$WORK/exact.png" || fail "the picture at $at s differs from the exact one"
  echo "at $at s: $(tr '\r' '\n' <"$WORK/fast.err" | grep 'without drawing')"
done
echo "ok: the same pictures as drawing every frame"
