# glorbe-tool model distort: the deformers on a mesh of a model built from
# its text form, in the argument orders the docs give, the timeline's
# OBJDISTORT at a tick, --times and --casts-shadow; bad input is refused.
source "$(dirname "$0")/lib.bash"
cd "$WORK" || fail "no scratch folder"

cat >bits.model <<'EOF'
mesh PLATE
  vertex 0.3 0.2 0.1 0 0
  vertex 1 0 1 1 0
  vertex 0 1 0.5 0 1
  vertex 1 1 0 1 1
  face 0 1 2
  face 1 3 2
mesh OTHER
  box 1 1 1
EOF
"$TOOL" model build bits.model bits.3ds >/dev/null || fail "cannot build the test model"
"$TOOL" model dump bits.3ds >dump.json || fail "dump failed"

distort() {  # distort NAME ARGS...: the JSON in NAME.json
  local name="$1"
  shift
  "$TOOL" model distort bits.3ds "$@" >"$name.json" 2>err.txt || fail "distort $* failed: $(cat err.txt)"
}

distort straight PLATE bend 0 0 0
distort quarter PLATE twist 0 0 1.5707963 0 0 0
distort wobble1 PLATE wobble 0.5 1 2 3 2 1 0.2
distort wobble3 PLATE wobble 0.5 1 2 3 2 1 0.2 --times 3
distort none PLATE bend 1 2 3 --times 0
distort shadow PLATE bend 0.5 0 0 --casts-shadow
distort lit PLATE bend 0.5 0 0
distort undo PLATE objdistort -1 1 1 1 1 1 1 10
distort timeline PLATE objdistort 2 0.25 0.5 0.125 1 0.5 2 3

python3 - <<'PY' || fail "the deformed meshes are wrong"
import json, math, struct
f32 = lambda v: struct.unpack('<f', struct.pack('<f', v))[0]
load = lambda name: json.load(open(name + '.json'))
plate = next(o for o in json.load(open('dump.json'))['objects'] if o['name'] == 'PLATE')
close = lambda a, b, tol: all(abs(x - y) <= tol for p, q in zip(a, b) for x, y in zip(p, q)) and len(a) == len(b)

d = load('straight')
assert sorted(d) == ['faceNormals', 'normals', 'object', 'vertices'] and d['object'] == 'PLATE', d
# Curvature 0 is a radius of a million: the source to within a millionth of
# the coordinates' products (32-bit floats gave (0.3125, 0.1875, 0.125) for
# the first vertex).
assert close(d['vertices'], plate['vertices'], 2e-6), d['vertices']
assert close(d['vertices'][:1], [[0.3, 0.2, 0.1]], 2e-7), d['vertices'][0]
assert close(d['normals'], plate['normals'], 2e-6)

# twist W1 W2 W3 ...: W3 turns about z by W3 * z, so (1, 0, 1) goes to (0, 1, 1).
assert close([load('quarter')['vertices'][1]], [[0, 1, 1]], 1e-6), load('quarter')['vertices']

# Every run starts from the source frame: three times is once.
assert load('wobble3') == load('wobble1')
assert load('wobble1')['normals'] == plate['normals'], 'the wobble keeps the normals'
assert load('none')['vertices'] == plate['vertices']

# Face normals: as loaded, unless the object casts a shadow; then
# (b - a) x (c - a) of the bent triangle, not unit.
assert load('lit')['faceNormals'] == plate['faceNormals']
v, n = load('shadow')['vertices'], load('shadow')['faceNormals']
sub = lambda p, q: [p[i] - q[i] for i in range(3)]
cross = lambda p, q: [p[1] * q[2] - p[2] * q[1], p[2] * q[0] - p[0] * q[2], p[0] * q[1] - p[1] * q[0]]
assert close([n[0]], [cross(sub(v[1], v[0]), sub(v[2], v[0]))], 1e-5), n
assert abs(math.hypot(*n[0]) - 1) > 0.01, 'not unit'

# The timeline command: STYLE -1 is the source; STYLE 2 bends with
# sin(tau AX) SX, sin(tau AZ) SY, sin(tau AY) SZ, tau = tick x pi.
assert load('undo')['vertices'] == plate['vertices']
tau = f32(3 * f32(math.pi))
args = ['%.9g' % f32(f32(math.sin(f32(tau * a))) * s) for a, s in ((0.25, 1), (0.125, 0.5), (0.5, 2))]
open('bend_args', 'w').write(' '.join(args))
PY
distort bent PLATE bend $(cat bend_args)
python3 - <<'PY' || fail "objdistort 2 is not the bend it names"
import json
a, b = json.load(open('timeline.json')), json.load(open('bent.json'))
assert a['vertices'] != json.load(open('undo.json'))['vertices'], 'it bends'
for key in ('vertices', 'normals'):
    assert all(abs(x - y) <= 1e-5 for p, q in zip(a[key], b[key]) for x, y in zip(p, q)), (key, a[key], b[key])
PY

# Mistakes: a missing mesh is a failure (1), bad arguments bad usage (2).
"$TOOL" model distort bits.3ds plate bend 0 0 0 >/dev/null 2>err.txt
[ $? -eq 1 ] || fail "a name in the wrong case must not match"
grep -q 'meshes: PLATE, OTHER' err.txt || fail "the message should list the meshes: $(cat err.txt)"
for args in "PLATE bend 1 2" "PLATE twist 1 2 3 4 5 6 7" "PLATE bend 1 x 3" "PLATE squash 1" \
             "PLATE bend 1 2 3 --times -1" "PLATE objdistort 1.5 1 1 1 1 1 1 1" "PLATE bend 1 2 1e99"; do
  "$TOOL" model distort bits.3ds $args >/dev/null 2>err.txt
  [ $? -eq 2 ] || fail "'$args' should be bad usage"
  grep -q 'usage: glorbe-tool model distort' err.txt || fail "'$args' should show the usage: $(cat err.txt)"
done
"$TOOL" model distort missing.3ds PLATE bend 0 0 0 >/dev/null 2>&1
[ $? -eq 1 ] || fail "a missing file is a failure"
echo "model distort: ok"
