# glorbe-tool show dump: the tables after a full loading phase as one JSON
# document, in a show folder made of files on disk (scene keys, terrains,
# particle systems, lights and objects as the scripts set them), in the
# bundled show, and its refusals outside a show folder or without a display.
source "$(dirname "$0")/lib.bash"

mkdir -p "$WORK/show/scripts" "$WORK/empty"
crlf() { sed 's/$/\r/' >"$1"; }
crlf "$WORK/show/scripts/greetz.ini" <<'INI'
[MATERIALS]
PARAM = ROCK, ?, 16, RGB, NEAREST, CLAMP, 0.5, 0, 0
[LODTERRAIN]
PARAM = HILLS, 32, 16, 0.5, 1, 1, 1, 1, 7, ROCK, 100, 50, 10, 3, REPLACE
PARAM = BROKEN, 100, 64, 0.5, 1, 1, 1, 1, 1, ROCK, 100, 50, 10, 3
[3DS]
LODTERRAIN = HILLS
SHADOWSTRENGTH = 0.1
FOG = 0.25, 0.5, 1, 0.125, 3, 30
PARSYS = SPARKS, ROCK, 1, 0.5, 0.25, 1, 2, 3, 0, 0.1, 0, 0, -0.01, 0, 64, 30, 10, 0.2, 0.5, 0.05, 0, 1
[OBJS]
CURRENTOBJ = BROKEN
SHADOW = 1
INI
crlf "$WORK/show/scripts/wembo.ini" <<'INI'
[3DS]
AMBIENT
[OBJS]
SHADOW = 1
INI

(cd "$WORK/show" && with_xvfb "$TOOL" show dump >"$WORK/dump.json" 2>"$WORK/err") || fail "show dump: $(cat "$WORK/err")"
python3 - "$WORK/dump.json" <<'PY' || fail "unexpected dump"
import json, sys
d = json.load(open(sys.argv[1]))
assert [m["name"] for m in d["materials"]] == ["ROCK"], d["materials"]
assert d["materials"][0]["translucent"] is True
scenes = d["scenes"]
assert [s["name"] for s in scenes] == ["HILLS", "BROKEN"], [s["name"] for s in scenes]
hills, broken = scenes
assert len(hills["objects"]) == 1 and hills["objects"][0]["terrainMesh"] and hills["objects"][0]["ready"]
assert hills["objects"][0]["texture"] == {"id": d["materials"][0]["texture"], "material": "ROCK"}
assert hills["objects"][0]["textureEnvMode"] == "GL_REPLACE"
assert hills["objects"][0]["blended"] is True
assert broken["objects"] == [] and broken["terrainIndex"] == 0, "the 3DS keys reach the scene made last"
assert broken["shadowStrength"] == 0.1 and broken["fog"] == {"on": True, "color": [0.25, 0.5, 1], "density": 0.125, "start": 3, "end": 30}
assert broken["useAmbient"] is False and broken["ambient"] == [0, 0, 0], "a later script's AMBIENT line"
assert [p["name"] for p in broken["particleSystems"]] == ["SPARKS"]
assert broken["particleSystems"][0]["sizeFollowsFade"] is True
assert broken["particleSystems"][0]["texture"]["material"] == "ROCK"
assert len(d["terrains"]) == 1, "a 100 x 64 terrain is refused"
t = d["terrains"][0]
assert (t["name"], t["gridWidth"], t["gridHeight"], t["lodSetting"], t["sceneIndex"], t["objectIndex"]) == ("HILLS", 32, 16, 4, 0, 0), t
assert t["scale"] == [100, 50, 10] and t["placedCells"] == 0
assert d["timeline"]["tracks"] >= 1
PY
# The content rules it breaks are warnings on standard error, not in the JSON.
grep -q "glorbe-tool: warning: scripts\\\\greetz.ini: terrain BROKEN is 100 x 64; terrain sides are powers of two" "$WORK/err" \
  || fail "no warning for the 100 x 64 terrain: $(cat "$WORK/err")"
grep -q "glorbe-tool: warning: scripts\\\\greetz.ini: terrain HILLS has resolution setting 7" "$WORK/err" \
  || fail "no warning for the resolution setting: $(cat "$WORK/err")"
grep -q "warning" "$WORK/dump.json" && fail "warnings in the JSON"

# Outside a show folder, and without a display: a message and exit code 1.
(cd "$WORK/empty" && with_xvfb "$TOOL" show dump >/dev/null 2>"$WORK/err")
[ $? = 1 ] && grep -q "show folder" "$WORK/err" || fail "outside a show folder: $(cat "$WORK/err")"
(cd "$WORK/show" && env -u DISPLAY "$TOOL" show dump >/dev/null 2>"$WORK/err")
[ $? = 1 ] && grep -q "X display" "$WORK/err" || fail "without a display: $(cat "$WORK/err")"
"$TOOL" show dump --size 3 >/dev/null 2>&1
[ $? = 2 ] || fail "a bad size is a usage error"

# The bundled show: its scenes are listed, and every one is finished.
SHOW="$GLORBE_SOURCE/show"
if [ -f "$SHOW/velk.dat" ]; then
  (cd "$SHOW" && with_xvfb "$TOOL" show dump >"$WORK/show.json" 2>"$WORK/err") || fail "bundled show: $(cat "$WORK/err")"
  python3 - "$WORK/show.json" <<'PY' || fail "the bundled show's dump"
import json, sys
d = json.load(open(sys.argv[1]))
assert len(d["materials"]) > 0 and len(d["sprites"]) > 0
# Every script after the first holds at least one scene, from a model or a terrain.
assert len(d["scenes"]) >= 6 and len(d["terrains"]) >= 1, [s["name"] for s in d["scenes"]]
assert any(o["edgeCount"] > 0 for s in d["scenes"] for o in s["objects"]), "shadow casters and soft bodies"
for s in d["scenes"]:
    for o in s["objects"]:
        assert o["ready"] != o["isDummy"], (s["name"], o["name"])
PY
  grep "glorbe-tool: warning" "$WORK/err" && fail "the bundled show breaks the content rules above"
fi
echo ok
