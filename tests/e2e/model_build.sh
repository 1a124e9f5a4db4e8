# glorbe-tool model build and check: the show's model sources build into
# files that our reader and lib3ds read alike; oversized models are built
# with warnings, broken sources are refused with the line at fault.
source "$(dirname "$0")/lib.bash"
cd "$WORK" || fail "no scratch folder"

for source in "$GLORBE_SOURCE"/content/models/*.model; do
  name=$(basename "$source" .model)
  "$TOOL" model build "$source" "$name.3ds" >build.out 2>build.err || fail "$name: $(cat build.err)"
  [ -s build.err ] && fail "$name: unexpected warnings: $(cat build.err)"
  grep -q "^$name.3ds: .* meshes, .* bytes$" build.out || fail "$name: summary: $(cat build.out)"
  "$TOOL" model check "$name.3ds" >check.out || fail "$name: our reader and lib3ds differ: $(head -5 check.out)"
  "$TOOL" model dump "$name.3ds" --at 100 >"$name.json" || fail "$name: no dump"
done
python3 - knot.json <<'PY' || fail "the knot's hierarchy is not what its source says"
import json, sys
d = json.load(open(sys.argv[1]))
parents = {o['name']: o['parentName'] for o in d['objects']}
assert parents == {'KNOT': 'STAND', 'MOON': 'STAND', 'RING': 'MOON', 'STAND': ''}, parents
stand, = [o for o in d['objects'] if o['name'] == 'STAND']
assert stand['isDummy'] and stand['vertexCount'] == 0
PY

# Too big for the player: built, with both warnings.
cat >big.model <<'SRC'
mesh FIELD
  heightfield 10 10 217 151 1 3
SRC
"$TOOL" model build big.model big.3ds >/dev/null 2>big.err || fail "the big model was not built: $(cat big.err)"
grep -q "big.model:1: warning: FIELD has 65534 faces" big.err || fail "no face warning: $(cat big.err)"
grep -q "big.3ds: warning: .* bytes; the player loads a model of at most 500000 bytes" big.err ||
  fail "no size warning: $(cat big.err)"

# Broken: nothing written, the line named.
printf 'mesh A\n  sphere 1 8\n' >bad.model
"$TOOL" model build bad.model bad.3ds >/dev/null 2>bad.err
[ $? -eq 1 ] || fail "a broken source was accepted"
grep -q '^bad.model:2: "sphere" needs 3 numbers' bad.err || fail "the error does not name the line: $(cat bad.err)"
[ -e bad.3ds ] && fail "a broken source left a file"

# A file that is not a model: check says lib3ds cannot read it.
printf 'not a model at all' >junk.3ds
"$TOOL" model check junk.3ds >junk.out
[ $? -eq 1 ] || fail "check passed a file lib3ds cannot read"
grep -q "lib3ds cannot read junk.3ds" junk.out || fail "check: $(cat junk.out)"
echo "model build: ok"
