# glorbe-tool sqp: a timeline built from its text form and dumped back gives
# every field of the source, converted as the player converts it; bad
# sources and bad files are refused with a reason.
source "$(dirname "$0")/lib.bash"
cd "$WORK" || fail "no scratch folder"
cat >show.timeline <<'SRC'
name "Round trip"
start 1.5
end 12.25
marker 0.5 3.75

track "one"
  start 0.5
  length 2
  offset 0.25
  layer 4
  speed -1.5
  item GL STATE
    NAME = "clear"
    VALUE = 7
  item GL FULLSCREENPOLY
    R = smooth 0:0.25 0.3:1 0.75:-2 1:0.5 min -1 max 0.75
    G = sine frequency 1.5 amplitude 0.3 offset 0.1 phase 33.3
    B = mode 9 constant 0.2 text "odd" keys 0.5:1

track "two"
  start 3
  length 0.05
  layer 15
  item SCENE3D RENDER
    NAME = "City"
    NAME = "sky"
SRC
# The output's folder is made when it is missing.
"$TOOL" sqp build show.timeline scripts/greetz.sqp >build.out 2>build.err || fail "build failed: $(cat build.err)"
[ -f scripts/greetz.sqp ] || fail "no scripts/greetz.sqp"
grep -q "2 tracks, 3 items" build.out || fail "summary: $(cat build.out)"
grep -q "show.timeline:18: warning: B: mode 9" build.err || fail "no warning for mode 9: $(cat build.err)"
"$TOOL" sqp dump 'SCRIPTS\GREETZ.SQP' >dump.json || fail "dump failed"

python3 - dump.json <<'PY' || fail "the dump does not give the source back"
import json, struct, sys
d = json.load(open(sys.argv[1]))
f32 = lambda v: struct.unpack('<f', struct.pack('<f', v))[0]
PI = f32(3.1415927)
ticks = lambda s: round(s * 60)          # ties to even, as the player rounds
def same(a, b):  # the dump's decimal reads back to the float the player holds
    assert f32(a) == f32(b), (a, b)

assert (d['startTick'], d['endTick'], d['name']) == (90, 735, 'ROUND TRIP'), d
assert d['markers'] == [30, 225], d['markers']
one, two = d['tracks']
assert (one['start'], one['length'], one['offset'], one['layer']) == (30, 120, 15, 4), one
same(one['speed'], -1.5)
state, poly = one['items']
assert (state['category'], state['command']) == ('GL', 'STATE')
assert [(p['name'], p['text']) for p in state['params']] == [('NAME', 'CLEAR'), ('VALUE', '')]
assert state['params'][1]['constant'] == 7 and state['params'][1]['mode'] == 0
r, g, b = poly['params']
assert r['mode'] == 2 and r['minimum'] == -1 and r['maximum'] == 0.75
length = 120
positions, values = [0, 0.3, 0.75, 1], [0.25, 1, -2, 0.5]
assert [k['tick'] for k in r['keys']] == [round((length + 1) * p) for p in positions], r['keys']
for k, v in zip(r['keys'], values):
    same(k['value'][0], v)
    assert k['value'][1:] == [0, 0] and k['tension'] == 0.5
# inner tangents: (next - previous) x 0.5 in float; the ends are flat
tangents = [0, f32((f32(-2) - f32(0.25)) * 0.5), f32((f32(0.5) - f32(1)) * 0.5), 0]
assert [f32(k['tangent'][0]) for k in r['keys']] == tangents, [k['tangent'] for k in r['keys']]
assert g['mode'] == 3
for field, v in (('frequency', 1.5), ('amplitude', 0.3), ('offset', 0.1), ('constant', 0)):
    same(g[field], v)
same(g['phase'], 33.3 * PI / 180)
assert g['minimum'] == -1e30 and g['maximum'] == 1e30, g
assert (b['mode'], b['text']) == (9, 'ODD') and len(b['keys']) == 1 and b['keys'][0]['tick'] == 60, b
same(b['constant'], 0.2)
assert (two['start'], two['length'], two['offset'], two['layer']) == (180, 3, 0, 15), two
same(two['speed'], 1)
assert [p['text'] for p in two['items'][0]['params']] == ['CITY', 'SKY']
PY

# From an archive, and the reasons for what cannot be dumped or built.
"$TOOL" archive pack velk.dat scripts >/dev/null 2>&1 || fail "pack failed"
mkdir other && (cd other && "$TOOL" sqp dump greetz.sqp --archive ../velk.dat >../archived.json) || fail "dump from the archive failed"
cmp -s dump.json archived.json || fail "the archive's copy dumps differently"
"$TOOL" sqp dump nowhere.sqp 2>err.txt
[ $? = 1 ] && grep -q "nowhere.sqp is neither on disk" err.txt || fail "a missing file: $(cat err.txt)"
"$TOOL" sqp dump x.sqp --archive missing.dat 2>err.txt
[ $? = 1 ] || fail "a missing archive is an error"
"$TOOL" sqp 2>/dev/null
[ $? = 2 ] || fail "no action is a usage error"
"$TOOL" sqp build only-one 2>/dev/null
[ $? = 2 ] || fail "build without an output is a usage error"
printf 'end 1\ntrack\n  length 1\n  item GL STATE\n  VALUE = 1 2\n' >bad.timeline
"$TOOL" sqp build bad.timeline bad.sqp 2>err.txt
[ $? = 1 ] || fail "a bad source is an error"
grep -q "bad.timeline:5: error: VALUE has two constants" err.txt || fail "message: $(cat err.txt)"
[ ! -e bad.sqp ] || fail "a bad source left an output file"
"$TOOL" sqp build missing.timeline x.sqp 2>err.txt
[ $? = 1 ] && grep -q "cannot read missing.timeline" err.txt || fail "a missing source: $(cat err.txt)"

# A damaged file dumps what the player keeps of it.
head -c 300 scripts/greetz.sqp >cut.sqp
"$TOOL" sqp dump cut.sqp >cut.json || fail "dump of a cut file failed"
python3 -c "
import json; d = json.load(open('cut.json'))
assert d['endTick'] == 735 and len(d['tracks']) == 1 and len(d['tracks'][0]['items']) == 1, d
" || fail "the cut file: $(cat cut.json)"
echo ok
