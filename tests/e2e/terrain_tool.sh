# glorbe-tool terrain errors: pictures and texture programs to the analysis
# as JSON, and the sizes and arguments it refuses.
source "$(dirname "$0")/lib.bash"
cd "$WORK" || fail "no scratch folder"

# A 4 x 4 grey picture, heights 0, 10, ..., 150 row by row.
python3 -c 'import sys; sys.stdout.buffer.write(bytes(range(0, 160, 10)))' |
  convert -size 4x4 -depth 8 gray:- ramp.png || fail "cannot make ramp.png"
"$TOOL" terrain errors ramp.png >ramp.json || fail "errors of a picture failed"
python3 - ramp.json <<'PY' || fail "ramp.json: $(cat ramp.json)"
import json, sys
d = json.load(open(sys.argv[1]))
assert d["width"] == 4 and d["height"] == 4, d
assert d["heights"] == list(range(0, 160, 10)), d["heights"]
# A ramp bends only where it wraps: the root's corners all wrap to (0, 0) = 0
# against its right midpoint (4, 2) = (0, 2) = 80; node (1, 1) lies inside
# the ramp; node (3, 1) reaches (4, 0) = 0 on its top edge: (20 + 0) / 2 - 30.
assert d["nodes"] == [[2, 2, 2, 2, 80], [1, 1, 1, 1, 0], [1, 3, 1, 1, 80], [3, 3, 1, 1, 80], [3, 1, 1, 1, 20]], d["nodes"]
errors = [0] * 16
for cx, cy, hx, hy, e in d["nodes"]:
    errors[cx + cy * 4] = e
assert d["errors"] == errors, d["errors"]
PY

# RGB: the height is (r + g + b) / 3, rounded down.
convert -size 8x2 xc:'rgb(10,20,31)' rgb.png || fail "cannot make rgb.png"
"$TOOL" terrain errors rgb.png >rgb.json || fail "errors of an RGB picture failed"
python3 -c 'import json,sys; d=json.load(open("rgb.json")); assert d["heights"]==[20]*16 and d["width"]==8 and d["height"]==2, d' ||
  fail "rgb.json: $(cat rgb.json)"

# A texture program at a size of its own, made grey like the loader does.
printf 'list 0\nfill layer=4 red=30 green=60 blue=91\n' >fill.txt
"$TOOL" tex asm fill.txt fill.TEX || fail "asm failed"
"$TOOL" terrain errors fill.TEX 16x8 >fill.json || fail "errors of a program failed"
python3 -c '
import json
d = json.load(open("fill.json"))
assert (d["width"], d["height"]) == (16, 8), d
assert d["heights"] == [60] * 128 and set(d["errors"]) == {0}
assert d["nodes"][0] == [8, 4, 8, 4, 0] and len(d["nodes"]) == 1 + 4 + 16, len(d["nodes"])
' || fail "fill.json"
"$TOOL" tex asm "$GLORBE_SOURCE/content/textures/clouds.txt" clouds.tex || fail "clouds asm failed"
"$TOOL" terrain errors clouds.tex 32x32 | python3 -c '
import json, sys
d = json.load(sys.stdin)
assert len(d["heights"]) == 1024 and len(d["errors"]) == 1024
assert max(d["errors"]) > 0, "clouds are not flat"
' || fail "clouds"

# Sizes that are not powers of two from 2 to 4096: a message and exit code 1.
convert -size 100x64 xc:gray wide.png
"$TOOL" terrain errors wide.png >out.json 2>err.txt
[ $? -eq 1 ] || fail "a 100 x 64 picture was taken"
grep -q "powers of two from 2 to 4096, not 100 x 64" err.txt || fail "message: $(cat err.txt)"
[ -s out.json ] && fail "a refused picture printed something"
convert -size 1x1 xc:gray dot.png
"$TOOL" terrain errors dot.png >/dev/null 2>&1
[ $? -eq 1 ] || fail "a 1 x 1 picture was taken"
for size in 3x4 4x8192 1x1 0x16; do
  "$TOOL" terrain errors fill.TEX "$size" >/dev/null 2>&1
  [ $? -eq 1 ] || fail "size $size was taken"
done

# Usage mistakes: exit code 2.
for args in "errors" "errors fill.TEX" "errors fill.TEX 16by8" "errors ramp.png 4x4" "dump ramp.png"; do
  # shellcheck disable=SC2086
  "$TOOL" terrain $args >/dev/null 2>&1
  [ $? -eq 2 ] || fail "\"terrain $args\" was not a usage error"
done
"$TOOL" terrain errors missing.png >/dev/null 2>&1
[ $? -eq 1 ] || fail "a missing picture did not fail"
echo "ok"
