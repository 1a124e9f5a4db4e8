#include <gtest/gtest.h>

#include "scripts/material_table.h"
#include "scripts/sprite_script.h"
#include "sequencer/timeline_commands.h"

namespace glorbe {
namespace {

struct SpriteCommandsTest : ::testing::Test {
  SpriteCommandsTest() {
    resetSpriteTables();
    resetMaterialTable();
    reserve();
  }
  // The tests hold references to table entries while they add more.
  static void reserve() {
    spriteTables.sprites.reserve(8);
    spriteTables.moveLists.reserve(8);
  }
  ~SpriteCommandsTest() override {
    resetSpriteTables();
    resetMaterialTable();
  }

  Sprite& addSprite(const std::string& name) {
    Sprite& s = spriteTables.sprites.emplace_back();
    s.name = name;
    for (KeyTrack* t : {&s.placement, &s.colour1, &s.colour2, &s.colour3, &s.colour4}) {
      initTrack(*t, 1);
      addKey(*t, 0, 0.5f, 1, 1, 1);
    }
    return s;
  }

  // A list whose complete map samples every pixel from `dx` columns to the right.
  MoveList& addList(const std::string& name, int dx) {
    MoveList& list = spriteTables.moveLists.emplace_back();
    createMoveList(list, 8, 4, 0, 0, 0);
    list.name = name;
    for (uint32_t r = 0; r < 4; ++r)
      for (uint32_t c = 0; c < 8; ++c) {
        const int x = std::min<int>(static_cast<int>(c) + dx, 6);
        list.map1[r * 8 + c] = MapEntry{static_cast<int16_t>(std::min(r, 2u) * 128 + 1), static_cast<int16_t>(x * 128 + 1)};
      }
    list.map2 = list.map1;
    for (uint32_t i = 0; i < 32; ++i) list.picture[i] = 0xFF000000u | (i % 8) * 30;
    return list;
  }
};

TEST_F(SpriteCommandsTest, SpriteCommandsChangeEverySpriteWhoseNameContainsTheText) {
  Sprite& ball = addSprite("BALL");
  Sprite& red = addSprite("REDBALL");
  Sprite& cube = addSprite("CUBE");
  materialTable.materials.push_back({"SKY", false, 11});

  runSpriteAnimate({"BALL", 0.5f, 0.25f, 0.3f, 0.2f, 0.5f}, 0, 0);
  for (Sprite* s : {&ball, &red}) {
    EXPECT_FLOAT_EQ(s->size[0], 0.3f);
    EXPECT_FLOAT_EQ(s->placement.keys[0].value.x, 0.5f * 1.3333f);
    EXPECT_FLOAT_EQ(s->placement.keys[0].value.y, 0.25f);
    EXPECT_FLOAT_EQ(s->placement.keys[0].value.z, 180.0f);
  }
  EXPECT_FLOAT_EQ(cube.size[0], 0.0f);

  runSpriteColor1({"RED", {0.1f, 0.2f, 0.3f}, {0.4f, 0.5f, 0.6f}}, 0, 0);
  runSpriteColor2({"RED", {0.7f, 0.8f, 0.9f}, {0.0f, 0.1f, 0.2f}}, 0, 0);
  EXPECT_FLOAT_EQ(red.colour1.keys[0].value.z, 0.3f);
  EXPECT_FLOAT_EQ(red.colour2.keys[0].value.x, 0.4f);
  EXPECT_FLOAT_EQ(red.colour3.keys[0].value.y, 0.8f);
  EXPECT_FLOAT_EQ(red.colour4.keys[0].value.z, 0.2f);
  EXPECT_FLOAT_EQ(ball.colour1.keys[0].value.z, 1.0f);

  runSpriteState({"CUBE", true, false}, 0, 0);
  EXPECT_TRUE(cube.flipX);
  EXPECT_FALSE(cube.flipY);

  runSpriteMaterial({"CUBE", "SKY", "REPLACE"}, 0, 0);
  EXPECT_EQ(cube.texture, 11u);
  EXPECT_EQ(cube.envMode, static_cast<GLenum>(GL_REPLACE));
  runSpriteMaterial({"CUBE", "NOSUCH", "OTHER"}, 0, 0);
  EXPECT_EQ(cube.texture, 11u) << "no such material: the texture stays";
  EXPECT_EQ(cube.envMode, static_cast<GLenum>(GL_REPLACE));

  runSpriteAnimate({"", 1, 1, 1, 1, 1}, 0, 0);
  EXPECT_FLOAT_EQ(cube.size[0], 0.0f) << "an empty name addresses nothing";
}

TEST_F(SpriteCommandsTest, RefreshByAQuarterFinishesTheMapInFourFrames) {
  MoveList& list = addList("WARP", 0);
  const std::vector<MapEntry> before = list.map1;
  for (int frame = 1; frame <= 3; ++frame) {
    runMoveListRefresh({"WARP", 0.25f, 0.5f, 2.0f, true}, frame, frame - 1);
    EXPECT_EQ(list.progress, 8u * frame);
    EXPECT_EQ(list.map1, before);
  }
  runMoveListRefresh({"WARP", 0.25f, 0.5f, 2.0f, true}, 4, 3);
  EXPECT_EQ(list.progress, 0u);
  EXPECT_NE(list.map1, before);
  EXPECT_FLOAT_EQ(list.rotation, 2.0f);
  EXPECT_FLOAT_EQ(list.scaling, 0.5f);
  EXPECT_TRUE(list.mode);
}

TEST_F(SpriteCommandsTest, RenderBlendsWithTheMapThatNameTwoChooses) {
  // Speed 0.5 at tick 1: phase round((sin(π/2) + 1) × 16383.5) = 32767, the
  // other map alone. Column c of A's picture holds 30·c.
  auto column0 = [](const MoveList& l) { return l.picture[8] & 0xFF; };
  {
    MoveList& a = addList("A", 0);
    a.map2 = spriteTables.moveLists.back().map1;
    for (MapEntry& e : a.map2) e.x = static_cast<int16_t>(e.x + 256);  // two columns right
    runMoveListRender({"A", "A", 0.5f}, 1, 0);
    EXPECT_EQ(column0(a), (((60u * 255) >> 8) * 255) >> 8) << "NAME2 = NAME: its own second map";
  }
  resetSpriteTables();
  reserve();
  {
    addList("A", 0);
    addList("B", 1);
    runMoveListRender({"A", "B", 0.5f}, 1, 0);
    EXPECT_EQ(column0(spriteTables.moveLists[0]), (((30u * 255) >> 8) * 255) >> 8) << "B's complete map";
    EXPECT_EQ(spriteTables.moveLists[1].picture[8] & 0xFF, 0u) << "B itself is not warped";
  }
  resetSpriteTables();
  reserve();
  {
    addList("AB", 1);
    MoveList& a = addList("A", 3);
    runMoveListRender({"A", "NOSUCH", 0.5f}, 1, 0);
    EXPECT_EQ(column0(spriteTables.moveLists[0]), (((90u * 255) >> 8) * 255) >> 8)
        << "no list named NAME2: the map of the list named NAME";
    EXPECT_EQ(column0(a), (((90u * 255) >> 8) * 255) >> 8);
  }
}

TEST_F(SpriteCommandsTest, Render2PicRunsTheSharedRandomGeneratorOn) {
  const MoveList& list = addList("PAINT", 0);
  const std::vector<uint32_t> unpainted = list.picture;
  runMoveListRender2Pic({"PAINT", 0, 0.0f, 1}, 5, 4);
  EXPECT_EQ(spriteTables.effectRandom, kEffectRandomSeed) << "style 1 paints no circles";
  runMoveListRender2Pic({"PAINT", 2, 0.01f, 0}, 5, 4);
  const uint32_t after = spriteTables.effectRandom;
  EXPECT_NE(after, kEffectRandomSeed);
  EXPECT_NE(list.picture, unpainted);
  runMoveListRender2Pic({"PAINT", 2, 0.01f, 0}, 5, 4);
  EXPECT_NE(spriteTables.effectRandom, after) << "the state runs on between frames";
}

}  // namespace
}  // namespace glorbe
