// The JSON of the inspection commands: floats that read back to the same
// 32-bit value, null for what is not finite or not set, and the tables'
// layout on hand-built records.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

#include "glorbe_tool/json_writer.h"
#include "glorbe_tool/show_json.h"
#include "scripts/material_table.h"
#include "scripts/scene_tables.h"
#include "scripts/sprite_script.h"

namespace glorbe {
namespace {

TEST(JsonFloat, ShortestTextReadsBackToTheSameFloat) {
  EXPECT_EQ(tools::jsonFloat(0.1f), "0.1");
  EXPECT_EQ(tools::jsonFloat(-2.0f), "-2");
  EXPECT_EQ(tools::jsonFloat(std::numeric_limits<float>::quiet_NaN()), "null");
  EXPECT_EQ(tools::jsonFloat(std::numeric_limits<float>::infinity()), "null");
  EXPECT_EQ(tools::jsonFloat(-std::numeric_limits<float>::infinity()), "null");
  std::mt19937 random(3);
  std::vector<float> samples = {std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min(),
                                std::numeric_limits<float>::min(), 1e-7f, 16777217.0f, -0.0f};
  for (int i = 0; i < 2000; ++i) {
    const uint32_t bits = random();
    float f;
    std::memcpy(&f, &bits, 4);
    if (std::isfinite(f)) samples.push_back(f);
  }
  for (const float f : samples) {
    const std::string text = tools::jsonFloat(f);
    EXPECT_EQ(std::strtof(text.c_str(), nullptr), f) << text;
  }
}

TEST(JsonWriter, MembersOnTheirLinesAndOneLineArrays) {
  tools::JsonWriter out;
  out.beginObject();
  out.member("a", int32_t{1});
  out.key("b").beginArray(true).value(1.5f).beginArray().value(true).null().endArray().endArray();
  out.key("c").beginArray().endArray();
  out.key("d").beginObject(true).member("e", "x\"y").endObject();
  out.endObject();
  EXPECT_EQ(out.text(), "{\n  \"a\": 1,\n  \"b\": [1.5, [true, null]],\n  \"c\": [],\n  \"d\": {\"e\": \"x\\\"y\"}\n}\n");
}

TEST(ShowJson, TablesWithTheirTexturesByMaterialAndUnsetValuesAsNull) {
  resetMaterialTable();
  resetSceneTables();
  resetSpriteTables();
  materialTable.materials.push_back({"ROCK", true, 7});
  Scene& scene = sceneTables.scenes.emplace_back();
  scene.name = "CAVE";
  SceneObject& o = scene.objects.emplace_back();
  o.name = "WALL";
  o.texture = 7;
  o.toonTexture = 9;
  o.edges = {{0, 1}, {0, kOpenEdgeMark}};
  o.frameVertices.resize(2);
  scene.lights.emplace_back().name = "SPARE";
  const std::string json = tools::showTablesJson();
  EXPECT_NE(json.find("{\"name\": \"ROCK\", \"texture\": 7, \"translucent\": true}"), std::string::npos);
  EXPECT_NE(json.find("\"texture\": {\"id\": 7, \"material\": \"ROCK\"}"), std::string::npos);
  EXPECT_NE(json.find("\"toonTexture\": {\"id\": 9, \"material\": null}"), std::string::npos);
  EXPECT_NE(json.find("\"envTexture\": null"), std::string::npos);
  EXPECT_NE(json.find("\"envEnvMode\": null"), std::string::npos);
  EXPECT_NE(json.find("\"blendFactors\": [\"GL_SRC_ALPHA\", \"GL_ONE\"]"), std::string::npos);
  EXPECT_NE(json.find("\"edgeCount\": 2"), std::string::npos);
  EXPECT_NE(json.find("\"frameCount\": 2"), std::string::npos);
  EXPECT_NE(json.find("\"ready\": false,\n"), std::string::npos);
  EXPECT_NE(json.find("\"hidden\": true,\n"), std::string::npos);
  EXPECT_NE(json.find("\"inUse\": false"), std::string::npos) << "a scene with lightCount 0 uses none";
  EXPECT_NE(json.find("\"box\": null"), std::string::npos);
  resetMaterialTable();
  resetSceneTables();
}

}  // namespace
}  // namespace glorbe
