// The content rules of `show dump` on hand-built tables, timelines and
// script texts: each broken rule gives its warning, and content that keeps
// the rules gives none.
#include <gtest/gtest.h>

#include <map>

#include "glorbe_tool/show_rules.h"

namespace glorbe::tools {
namespace {

bool mentions(const std::vector<std::string>& warnings, const std::string& part) {
  for (const std::string& w : warnings) {
    if (w.find(part) != std::string::npos) return true;
  }
  return false;
}

std::string joined(const std::vector<std::string>& warnings) {
  std::string all;
  for (const std::string& w : warnings) all += w + "\n";
  return all;
}

SceneObject mesh(const std::string& name, int32_t faces) {
  SceneObject o;
  o.name = name;
  o.ready = true;
  o.faceCount = faces;
  o.vertexCount = 3;
  o.texture = 1;
  return o;
}

// A scene that keeps every rule: a camera, a haloed light, a textured mesh.
Scene goodScene(const std::string& name) {
  Scene s;
  s.name = name;
  s.cameras.push_back({});
  s.cameras.back().name = "Eye";
  SceneLight light;
  light.name = "Key";
  light.flareTextureA = 3;
  light.flareTextureB = 4;
  s.lights.push_back(light);
  s.lightCount = 1;
  s.objects.push_back(mesh("Ball", 12));
  return s;
}

SequenceParam textParam(const std::string& word, const std::string& text) {
  SequenceParam p;
  p.name = word;
  p.text = text;
  return p;
}

SequenceParam numberParam(const std::string& word, float value) {
  SequenceParam p;
  p.name = word;
  p.constant = value;
  return p;
}

SequenceItem item(const std::string& category, const std::string& command, std::vector<SequenceParam> params) {
  SequenceItem i;
  i.category = category;
  i.command = command;
  i.params = std::move(params);
  i.paramCount = static_cast<int32_t>(i.params.size());
  return i;
}

SequenceItem render(const std::string& name) { return item("SCENE3D", "RENDER", {textParam("NAME", name)}); }
SequenceItem clear(int bits) { return item("GL", "STATE", {textParam("NAME", "CLEAR"), numberParam("VALUE", bits)}); }

SequenceTrack track(int32_t start, int32_t length, int32_t layer, std::vector<SequenceItem> items) {
  SequenceTrack t;
  t.start = start;
  t.length = length;
  t.layer = layer;
  t.items = std::move(items);
  t.itemCount = static_cast<int32_t>(t.items.size());
  return t;
}

TEST(ShowRules, ContentThatKeepsTheRulesGivesNoWarning) {
  std::vector<Scene> scenes{goodScene("MODELS\\HALL.3DS")};
  scenes[0].shadow = true;
  scenes[0].objects[0].castsShadow = true;
  SequenceScript timeline;
  timeline.tracks.push_back(track(0, 100, 0, {clear(7)}));
  timeline.tracks.push_back(track(10, 50, 1, {item("SCENE3D", "CAM", {textParam("NAME", "HALL"), textParam("CNAME", "EYE")}),
                                              render("HALL")}));
  EXPECT_EQ(joined(tableRuleWarnings(scenes, {}, timeline)), "");
}

TEST(ShowRules, ObjectRules) {
  Scene s = goodScene("S");
  s.objects.push_back(mesh("Huge", 0xFFFD));
  s.objects.back().castsShadow = true;
  s.objects.push_back(mesh("Fine", 0xFFFC));
  s.objects.back().castsShadow = true;
  s.objects.push_back(mesh("Dull", 12));
  s.objects.back().surface[3] = 0.5f;  // a diffuse that colour-material hides
  s.objects.push_back(mesh("Flat", 12));
  s.objects.back().textureEnvMode = GL_REPLACE;
  s.objects.back().surface[9] = 0.2f;  // shininess on an unlit object
  s.objects.push_back(mesh("Frames", 12));
  s.objects.back().frameVertices.resize(3);
  s.objects.push_back(mesh("Morph", 12));
  s.objects.back().frameVertices.resize(3);
  s.objects.back().morphCount = 10;
  const auto w = tableRuleWarnings({s}, {}, {});
  EXPECT_TRUE(mentions(w, "S / Huge: 65533 faces")) << joined(w);
  EXPECT_FALSE(mentions(w, "Fine")) << joined(w);
  EXPECT_TRUE(mentions(w, "S / Dull: SURFACE ambient and diffuse are hidden")) << joined(w);
  EXPECT_FALSE(mentions(w, "Dull: SURFACE on an unlit")) << joined(w);
  EXPECT_TRUE(mentions(w, "S / Flat: SURFACE on an unlit object")) << joined(w);
  EXPECT_TRUE(mentions(w, "S / Frames: 3 vertex frames (VERTEXFX) never play")) << joined(w);
  EXPECT_FALSE(mentions(w, "Morph")) << joined(w);
  EXPECT_EQ(w.size(), 4u) << joined(w);
}

TEST(ShowRules, SoftBodiesAreClosedAndTheirCollidersStandStill) {
  Scene s = goodScene("S");
  SceneObject& ball = s.objects[0];
  ball.flexOn = true;
  ball.edges = {{0, 1}, {1, kOpenEdgeMark + 2}};
  SceneObject floor = mesh("Floor", 12);
  initTrack(floor.positionTrack, 2);
  addKey(floor.positionTrack, 0, 0.5f, 0, 0, 0);
  addKey(floor.positionTrack, 10, 0.5f, 0, 0, 0);  // keys, but it stays put
  s.objects.push_back(floor);
  SceneObject stand;
  stand.name = "Stand";
  stand.isDummy = true;
  initTrack(stand.positionTrack, 2);
  addKey(stand.positionTrack, 0, 0.5f, 0, 0, 0);
  addKey(stand.positionTrack, 10, 0.5f, 0, 0, 1);
  s.objects.push_back(stand);
  SceneObject box = mesh("Box", 12);
  box.parentIndex = 2;  // moved by the stand
  s.objects.push_back(box);
  const auto w = tableRuleWarnings({s}, {}, {});
  EXPECT_TRUE(mentions(w, "S / Ball: a soft body must be a closed, welded mesh; it has 1 open edges")) << joined(w);
  EXPECT_TRUE(mentions(w, "S / Box: moves")) << joined(w);
  EXPECT_FALSE(mentions(w, "Floor")) << joined(w);
  EXPECT_EQ(w.size(), 2u) << joined(w);
}

TEST(ShowRules, TimelineRules) {
  std::vector<Scene> scenes{goodScene("MODELS\\KNOT.3DS"), goodScene("MODELS\\BARE.3DS"), goodScene("MODELS\\DARK.3DS"),
                            goodScene("PLAIN")};
  scenes[0].objects[0].name = "Knot";
  scenes[1].cameras.clear();
  scenes[1].lights[0].flareTextureB = 0;
  scenes[2].shadow = true;
  std::vector<LodTerrain> terrains(1);
  terrains[0].sceneIndex = 3;  // a terrain's own scene is never drawn by name
  SequenceScript timeline;
  timeline.tracks.push_back(track(0, 100, 0,
                                  {clear(3), render("BARE"), render("DARK"), render("PLAIN"),
                                   item("SCENE3D", "CAM", {textParam("NAME", "KNOT"), textParam("CNAME", "EY")}),
                                   item("SCENE3D", "OBJDISTORT", {textParam("NAME", "KNOT"), textParam("ONAME", "KNOT")})}));
  timeline.tracks.push_back(track(200, 100, 0,
                                  {item("SCENE3D", "OBJDISTORT", {textParam("NAME", "KNOT"), textParam("ONAME", "BALL")})}));
  const auto w = tableRuleWarnings(scenes, terrains, timeline);
  EXPECT_TRUE(mentions(w, "MODELS\\BARE.3DS: drawn by the timeline but has no camera")) << joined(w);
  EXPECT_TRUE(mentions(w, "MODELS\\BARE.3DS / light Key: no halo textures")) << joined(w);
  EXPECT_TRUE(mentions(w, "RENDER DARK draws a shadowed scene without clearing the stencil")) << joined(w);
  EXPECT_TRUE(mentions(w, "RENDER PLAIN draws no scene")) << joined(w);
  EXPECT_TRUE(mentions(w, "CAM EY names no camera of the scenes named KNOT")) << joined(w);
  EXPECT_TRUE(mentions(w, "MODELS\\KNOT.3DS / Knot has no vertex frame")) << joined(w);
  EXPECT_TRUE(mentions(w, "OBJDISTORT KNOT deforms only objects drawn in the previous frame")) << joined(w);
  EXPECT_TRUE(mentions(w, "OBJDISTORT BALL names no object")) << joined(w);
  EXPECT_EQ(w.size(), 9u) << joined(w);

  // The stencil cleared by a layer below that covers the whole track counts.
  timeline.tracks.insert(timeline.tracks.begin(), track(0, 100, 0, {clear(7)}));
  timeline.tracks[1].layer = 1;
  EXPECT_FALSE(mentions(tableRuleWarnings(scenes, terrains, timeline), "without clearing"));
}

TEST(ShowRules, ScriptRules) {
  std::map<std::string, int64_t> sizes{{"MODELS\\BIG.3DS", 500001}, {"MODELS\\FIT.3DS", 500000}, {"MODELS\\BLOB.3DS", 900}};
  ContentFiles files;
  files.size = [&](const std::string& name) -> int64_t {
    const auto it = sizes.find(name);
    return it == sizes.end() ? -1 : it->second;
  };
  files.meshVertexCounts = [](const std::string&) { return std::vector<int32_t>{100, 100, 90, 120}; };
  const std::string text =
      "[LODTERRAIN]\r\n"
      "PARAM = ODD, 100, 64, 0.5, 1, 1, 1, 1, 7, ROCK, 10, 10, 1, 3\r\n"
      "PARAM = WIDE, 512, 64, 0.5, 1, 1, 1, 1, 2, ROCK, 10, 10, 1, 3, models\\fit.3ds\r\n"
      "PARAM = GOOD, 128, 128, 0.5, 1, 1, 1, 1, 4, ROCK, 10, 10, 1, 3, MODULATE, models\\big.3ds\r\n"
      "[3DS]\r\n"
      "SCENENAME = models\\gone.3ds\r\n"
      "SCENENAME = models\\blob.3ds // the morph\r\n"
      "MORPH = 20\r\n"
      "PARSYS = WISP, GLOW, ?, 1, 1, 0,0,0, 0,0,0, 0,0,0, 10, 10, 10, 1, 1, 1, 0, 0\r\n"
      "PARSYS = KEY, GLOW, ?, ?, ?, 0,0,0, 0,0,0, 0,0,0, 10, 10, 10, 1, 1, 1, 0, 0\r\n"
      "PARSYS = FREE, GLOW, 1, 1, 1, 0,0,0, 0,0,0, 0,0,0, 10, 10, 10, 1, 1, 1, 0, 0\r\n";
  const auto w = scriptRuleWarnings({{"scripts\\x.ini", text}}, {goodScene("S")}, files);
  EXPECT_TRUE(mentions(w, "terrain ODD is 100 x 64; terrain sides are powers of two")) << joined(w);
  EXPECT_TRUE(mentions(w, "terrain ODD has resolution setting 7")) << joined(w);
  EXPECT_TRUE(mentions(w, "terrain WIDE is 512 x 64; sides of 256 or less")) << joined(w);
  EXPECT_TRUE(mentions(w, "the model MODELS\\BIG.3DS has 500001 bytes")) << joined(w);
  EXPECT_TRUE(mentions(w, "the model MODELS\\GONE.3DS is found nowhere")) << joined(w);
  EXPECT_TRUE(mentions(w, "MORPH target 2 of MODELS\\BLOB.3DS has 90 vertices and object 0 100")) << joined(w);
  EXPECT_TRUE(mentions(w, "(this one is left out)")) << joined(w);
  EXPECT_TRUE(mentions(w, "MORPH target 3 of MODELS\\BLOB.3DS has 120")) << joined(w);
  EXPECT_TRUE(mentions(w, "PARSYS WISP takes \"?\" colours from a light, but no light's name holds WISP")) << joined(w);
  EXPECT_FALSE(mentions(w, "PARSYS KEY")) << joined(w);
  EXPECT_FALSE(mentions(w, "FIT")) << joined(w);
  EXPECT_EQ(w.size(), 8u) << joined(w);
}

}  // namespace
}  // namespace glorbe::tools
