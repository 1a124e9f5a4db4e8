# glorbe-render --frame-at draws only the frames whose pixels its picture
# can depend on; the picture is the one --exact gives after drawing every
# frame: in the bundled show during the feedback picture (grabbed every
# frame, after a moment grabbed once) and in the 3D scene with its halos,
# and in a show that stops clearing and adds a little colour every frame.
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

# Cleared for a second, then never again: every frame adds to the last.
make_music 12
mkdir -p "$WORK/show/scripts"
mv "$WORK/quendar.mp3" "$WORK/show/"
cat >"$WORK/add.timeline" <<'SRC'
end 10
track "clear"
  length 1
  item GL STATE
    NAME = "CLEAR"
    VALUE = 7
track "add a little"
  start 1
  length 9
  item GL STATE
    NAME = "BLEND"
    VALUE = 1
  item GL STATE
    NAME = "BLENDFUNC"
    VALUE = 2
  item GL FULLSCREENPOLY
    R = 0.01
    G = 0.005
    B = 0
    A = 1
SRC
"$GLORBE_BIN/glorbe-tool" sqp build "$WORK/add.timeline" "$WORK/show/scripts/greetz.sqp" >/dev/null ||
  fail "cannot build the timeline"
cd "$WORK/show"
with_xvfb "$RENDER" --size 64x48 --fps 10 --frame-at 8 "$WORK/fast.png" 2>"$WORK/fast.err" || fail "$(cat "$WORK/fast.err")"
with_xvfb "$RENDER" --size 64x48 --fps 10 --frame-at 8 --exact "$WORK/exact.png" 2>"$WORK/exact.err" ||
  fail "$(cat "$WORK/exact.err")"
cmp -s "$WORK/fast.png" "$WORK/exact.png" || fail "a picture that builds on the frames before it differs"
grep -q "without drawing" "$WORK/fast.err" || fail "the cleared second was drawn too"
echo "ok: the same pictures as drawing every frame"
