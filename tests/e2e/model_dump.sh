# glorbe-tool model dump: a hand-made model file and one written by another
# program (assimp, from a mesh of our own) come out as the JSON the docs
# describe, with the transforms of --at; bad input is refused.
source "$(dirname "$0")/lib.bash"
cd "$WORK" || fail "no scratch folder"

python3 - <<'PY' || fail "cannot write the test model"
import struct
def chunk(cid, *parts):
    body = b''.join(parts)
    return struct.pack('<HI', cid, 6 + len(body)) + body
f = lambda *v: struct.pack('<%df' % len(v), *v)
name = lambda s: s.encode() + b'\0'
def track(cid, keys):  # keys: (frame, values)
    return chunk(cid, struct.pack('<H8xI', 0, len(keys)),
                 *[struct.pack('<iH', fr, 0) + f(*vals) for fr, vals in keys])
def node(kind, nm, parent, *subs):
    return chunk(kind, chunk(0xB010, name(nm), struct.pack('<HHH', 0, 0, parent)), *subs)
body = chunk(0x4100,
             chunk(0x4110, struct.pack('<H', 3), f(0, 0, 0, 2, 0, 0, 0, 1, float('nan'))),
             chunk(0x4120, struct.pack('<H', 1), struct.pack('<4H', 0, 1, 2, 6)),
             chunk(0x4140, struct.pack('<H', 3), f(0, 0.25, 1, 0.5, 0, 1)))
editor = chunk(0x3D3D,
               chunk(0x2100, chunk(0x0010, f(0.1, 0.2, 0.3))),
               chunk(0x4000, name('ARM'), body),
               chunk(0x4000, name('LAMP'), chunk(0x4600, f(1, 2, 3), chunk(0x0010, f(1, 0.5, 0)))),
               chunk(0x4000, name('EYE'), chunk(0x4700, f(0, -5, 1, 0, 0, 0, 10, 45))))
kf = chunk(0xB000,
           chunk(0xB008, struct.pack('<ii', 0, 60)),
           node(0xB002, '$$$DUMMY', 0xFFFF, chunk(0xB011, name('BASE')),
                track(0xB020, [(0, (1, 0, 0)), (10, (3, 0, 0))]),
                track(0xB021, [(0, (1.5707964, 0, 0, 1))]),
                track(0xB022, [(0, (2, 2, 2))])),
           node(0xB002, 'ARM', 0, chunk(0xB013, f(1, 0, 0)),
                track(0xB020, [(0, (0, 1, 0))])),
           node(0xB003, 'EYE', 0xFFFF, track(0xB024, [(0, (5,)), (20, (-5,))])),
           node(0xB004, 'EYE', 0xFFFF, track(0xB020, [(0, (0, 0, 2))])))
open('rig.3ds', 'wb').write(chunk(0x4D4D, editor, kf))
PY

"$TOOL" model dump rig.3ds --at 5 >rig.json 2>err.txt || fail "dump failed: $(cat err.txt)"
python3 - rig.json <<'PY' || fail "the dump of the hand-made model is wrong"
import json, math, sys
d = json.load(open(sys.argv[1]))
f32 = lambda v: __import__('struct').unpack('<f', __import__('struct').pack('<f', v))[0]
assert [f32(v) for v in d['ambient']] == [f32(0.1), f32(0.2), f32(0.3)], d['ambient']
assert (d['animationStart'], d['animationEnd'], d['lightCount']) == (0, 60, 1)
arm, base = d['objects']
assert (arm['name'], arm['parentName'], arm['parentIndex'], arm['isDummy']) == ('ARM', 'BASE', 0, False), arm
assert (base['name'], base['parentName'], base['isDummy'], base['vertexCount']) == ('BASE', '', True, 0), base
assert arm['vertices'] == [[0, 0, 0], [2, 0, 0], [0, 1, None]], arm['vertices']
assert arm['faces'] == [[0, 1, 2]] and arm['faceFlags'] == [6]
assert arm['edges'] == [[0, 65533], [0, 65535], [0, 65534]], arm['edges']  # a lone triangle's open edges
assert base['edges'] == [], 'dummies have no edge list'
assert arm['texCoords'] == [[0, -0.25], [1, -0.5], [0, -1]], arm['texCoords']
assert len(arm['normals']) == 3 and len(arm['faceNormals']) == 1
assert len(arm['boxCorners']) == 8 and all(len(c) == 3 for c in arm['boxCorners'])
assert arm['meshMatrix'][12:15] == [-1, 0, 0], arm['meshMatrix']
assert arm['meshInverse'][12:15] == [1, 0, 0], arm['meshInverse']
assert [k['tick'] for k in base['positionKeys']] == [0, 10]
assert base['positionKeys'][1] == {'tick': 10, 'tension': 0.5, 'value': [3, 0, 0]}
rk = base['rotationKeys'][0]
assert rk['tick'] == 0 and abs(rk['q'][0] - math.sqrt(0.5)) < 1e-6 and abs(rk['q'][3] - math.sqrt(0.5)) < 1e-6, rk
assert set(rk) == {'tick', 'q', 'inControl', 'outControl'}
# The arm at tick 5: the base at x = 2 (halfway), turned a quarter about z,
# scaled 2; the arm's own offset (0, 1, 0) and its pivot (1, 0, 0).
def mul(a, b):
    return [sum(a[4 * k + r] * b[4 * c + k] for k in range(4)) for c in range(4) for r in range(4)]
def apply(m, p):
    return [m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r] for r in range(3)]
m, inv = arm['matrix'], arm['inverseMatrix']
ident = mul(m, inv)
assert all(abs(ident[i] - (1 if i % 5 == 0 else 0)) < 1e-5 for i in range(16)), ident
# The quaternion matrix is the transposed rotation: a quarter turn sends x to -y.
p = apply(m, [1, 0, 0])  # the pivot lands where the arm's origin goes: base + R*S*(0, 1, 0)
want = [2 + 2 * 1, 0, 0]
assert all(abs(a - b) < 1e-5 for a, b in zip(p, want)), (p, want)
assert d['lights'] == [{'name': 'LAMP', 'position': [1, 2, 3], 'color': [1, 0.5, 0], 'positionKeys': []}], d['lights']
cam, = d['cameras']
assert (cam['name'], cam['position'], cam['target'], cam['roll'], cam['lens'], cam['zScale']) == \
       ('EYE', [0, -5, 1], [0, 0, 0], 10, 45, 1), cam
assert [k['value'] for k in cam['rollKeys']] == [[5, 0, 0], [-5, 0, 0]]
assert cam['targetKeys'][0]['value'] == [0, 0, 2] and cam['positionKeys'] == []
PY

# Without --at there are no matrices.
"$TOOL" model dump rig.3ds | python3 -c 'import json,sys; d=json.load(sys.stdin); assert "matrix" not in d["objects"][0]' \
  || fail "matrices without --at"

# A file written by another program from a mesh of ours.
if ! command -v assimp >/dev/null; then fail "assimp (assimp-utils) is not installed"; fi
cat >plate.obj <<'OBJ'
o Plate
v -1 -1 0.5
v 1 -1 0.5
v 1 1 0.5
v -1 1 0.5
vt 0 0
vt 1 0
vt 1 1
vt 0 1
f 1/1 2/2 3/3
f 1/1 3/3 4/4
OBJ
assimp export plate.obj plate.3ds >assimp.log 2>&1 || fail "assimp export failed: $(cat assimp.log)"
"$TOOL" model dump plate.3ds --at 0 >plate.json || fail "dump of assimp's file failed"
python3 - plate.json <<'PY' || fail "the dump of assimp's file is wrong"
import json, sys
d = json.load(open(sys.argv[1]))
o, = [o for o in d['objects'] if o['vertexCount']]
assert o['faceCount'] == 2, o
pts = sorted(map(tuple, o['vertices']))
assert pts == sorted([(-1, -1, 0.5), (1, -1, 0.5), (1, 1, 0.5), (-1, 1, 0.5)]), pts
uv = {tuple(v): tuple(t) for v, t in zip(o['vertices'], o['texCoords'])}
assert uv[(1, 1, 0.5)] == (1, -1) and uv[(1, -1, 0.5)] == (1, 0), uv
for n in o['normals']:
    assert n == [0, 0, 1], n
PY

# Refusals: a model too big for the player, a missing file, a bad tick.
python3 -c "
import struct
open('huge.3ds','wb').write(struct.pack('<HI', 0x4D4D, 500001) + bytes(500001 - 6))"
"$TOOL" model dump huge.3ds >out.txt 2>err.txt
[ $? -eq 1 ] || fail "a model over 500,000 bytes is not refused"
grep -q "500000" err.txt || fail "no reason given: $(cat err.txt)"
[ -s out.txt ] && fail "an oversized model still printed a scene"
"$TOOL" model dump missing.3ds >/dev/null 2>&1
[ $? -eq 1 ] || fail "a missing model is not an error"
"$TOOL" model dump rig.3ds --at soon >/dev/null 2>&1
[ $? -eq 2 ] || fail "a bad tick is not a usage error"
echo "model dump: ok"
