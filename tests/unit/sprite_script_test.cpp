#include <gtest/gtest.h>

#include "archive_fixtures.h"
#include "image_codec/hwl_encoder.h"
#include "scripts/material_table.h"
#include "scripts/scene_script_readers.h"
#include "scripts/sprite_script.h"

namespace glorbe {
namespace {

struct SpriteScriptTest : ::testing::Test {
  testing::FreshArchiveState archive;
  testing::ScratchDir dir;
  testing::WorkingDir cwd{dir.path()};

  SpriteScriptTest() {
    resetSpriteTables();
    resetMaterialTable();
    materialTable.materials.push_back({"STARS", false, 7});
    materialTable.materials.push_back({"STARS", false, 8});
    materialTable.materials.push_back({"GLOW", true, 9});
  }
  ~SpriteScriptTest() override {
    resetSpriteTables();
    resetMaterialTable();
  }

  // A solid-colour picture encoded into BRUSH.HWL.
  void writeBrush(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
    tools::PngImage picture{width, height, 3, {}};
    for (int i = 0; i < width * height; ++i) picture.pixels.insert(picture.pixels.end(), {r, g, b});
    std::vector<uint8_t> file;
    std::string error;
    ASSERT_TRUE(tools::encodeHwl(picture, {}, file, error)) << error;
    dir.write("pics/brush.hwl", std::string(file.begin(), file.end()));
  }
};

TEST_F(SpriteScriptTest, SpritesGetTheirFieldsTracksAndGrids) {
  dir.write("s.ini",
            "[SPRITES]\r\n"
            "param = ball, stars, replace, 0.5, 0.25\r\n"
            "PARAM = GRID, GLOW, SHINY, 1, 2, 3, 4\r\n"
            "PARAM = FLAT, NOSUCH, MODULATE, 1, 1, 0, 5\r\n"
            "PARAM = HUGE, GLOW, MODULATE, 1, 1, 100000, 3\r\n"
            "PARAM = SHORT, GLOW, MODULATE, 1\r\n"
            "[OTHER]\r\n"
            "PARAM = NOTASPRITE, GLOW, MODULATE, 1, 1\r\n");
  parseSpritesAndMoveLists("S.INI");
  ASSERT_EQ(spriteTables.sprites.size(), 4u);

  const Sprite& ball = spriteTables.sprites[0];
  EXPECT_EQ(ball.name, "BALL");
  EXPECT_EQ(ball.texture, 7u) << "the first material of that name";
  EXPECT_EQ(ball.envMode, static_cast<GLenum>(GL_REPLACE));
  EXPECT_FLOAT_EQ(ball.size[0], 0.5f);
  EXPECT_FLOAT_EQ(ball.size[1], 0.25f);
  EXPECT_EQ(ball.gridColumns, 0) << "five values: no grid";
  EXPECT_TRUE(ball.gridColours.empty());
  ASSERT_EQ(ball.placement.count, 1);
  EXPECT_FLOAT_EQ(ball.placement.keys[0].value.x, 0.66665f);
  EXPECT_FLOAT_EQ(ball.placement.keys[0].value.y, 0.5f);
  EXPECT_FLOAT_EQ(ball.placement.keys[0].tension, 0.5f);
  for (const KeyTrack* c : {&ball.colour1, &ball.colour2, &ball.colour3, &ball.colour4}) {
    ASSERT_EQ(c->count, 1);
    EXPECT_FLOAT_EQ(c->keys[0].value.z, 1.0f);
  }

  const Sprite& grid = spriteTables.sprites[1];
  EXPECT_EQ(grid.envMode, static_cast<GLenum>(GL_MODULATE)) << "an unknown mode word keeps the default";
  EXPECT_EQ(grid.gridColumns, 3);
  EXPECT_EQ(grid.gridRows, 4);
  ASSERT_EQ(grid.gridColours.size(), 12u);
  EXPECT_EQ(grid.gridColours[11][3], 1.0f);
  EXPECT_EQ(grid.gridTexCoords[11][0], 0.0f);

  EXPECT_EQ(spriteTables.sprites[2].texture, 0u) << "no such material";
  EXPECT_EQ(spriteTables.sprites[2].gridColumns, 0) << "a side of 0 means no grid";
  EXPECT_EQ(spriteTables.sprites[2].gridRows, 0);
  EXPECT_EQ(spriteTables.sprites[3].gridColumns, kMaxSpriteGridSide);
  EXPECT_EQ(spriteTables.sprites[3].gridColours.size(), size_t(kMaxSpriteGridSide) * 3);
}

TEST_F(SpriteScriptTest, MoveListsWithAndWithoutColourAndBrush) {
  writeBrush(8, 4, 250, 10, 0);
  dir.write("m.ini",
            "[MOVELISTS]\r\n"
            "PARAM = PLAIN, GLOW, 32, 16\r\n"
            "PARAM = INKED, GLOW, 16, 16, PICS\\BRUSH.HWL, CHROMA\r\n"
            "PARAM = COLOURED, STARS, 16, 8, 0.5, 1, 0\r\n"
            "PARAM = BOTH, GLOW, 300, 0, 2, -1, 0.2, PICS\\BRUSH.HWL, ADD\r\n"
            "PARAM = MISSING, GLOW, 8, 8, PICS\\NONE.HWL, TRANS\r\n"
            "PARAM = ODD, GLOW, 8, 8, PICS\\BRUSH.HWL, WOBBLY\r\n");
  parseSpritesAndMoveLists("m.ini");
  ASSERT_EQ(spriteTables.moveLists.size(), 6u);

  const MoveList& plain = spriteTables.moveLists[0];
  EXPECT_EQ(plain.name, "PLAIN");
  EXPECT_EQ(plain.texture, 9u);
  EXPECT_EQ(plain.width, 32u);
  EXPECT_EQ(plain.picture[0], 0xFF000000u) << "black and opaque";
  EXPECT_TRUE(plain.brush.empty());
  // Both maps were built in full: the second build (rotation 0.1, scaling
  // 0.5, other zoom) is map1, the first is map2.
  EXPECT_EQ(plain.progress, 0u);
  MoveList expected;
  createMoveList(expected, 32, 16, 0, 0, 0);
  refreshMoveListMap(expected, 32 * 16, 2.5f, 0.1f, true);
  EXPECT_EQ(plain.map2, expected.map1);
  refreshMoveListMap(expected, 32 * 16, 0.1f, 0.5f, false);
  EXPECT_EQ(plain.map1, expected.map1);
  EXPECT_NE(plain.map1, plain.map2);

  const MoveList& inked = spriteTables.moveLists[1];
  EXPECT_EQ(inked.picture[0], 0xFF000000u);
  EXPECT_EQ(inked.brushType, kBrushChroma);
  ASSERT_EQ(inked.brushWidth, 8u);
  ASSERT_EQ(inked.brushHeight, 4u);
  ASSERT_EQ(inked.brush.size(), 32u);
  // Red is the low byte after the decoder's blue-green-red order is swapped.
  EXPECT_GT(inked.brush[5] & 0xFF, 200u);
  EXPECT_LT((inked.brush[5] >> 16) & 0xFF, 40u);

  const MoveList& coloured = spriteTables.moveLists[2];
  EXPECT_EQ(coloured.texture, 7u);
  EXPECT_EQ(coloured.picture[0], 0xFF00FF80u) << "0.5 × 255 = 127.5 rounds to the even 128";
  EXPECT_TRUE(coloured.brush.empty()) << "seven values: a colour and no brush";

  const MoveList& both = spriteTables.moveLists[3];
  EXPECT_EQ(both.width, 256u);
  EXPECT_EQ(both.height, 2u);
  EXPECT_EQ(both.picture[0], 0xFF3300FFu) << "components are held to 0 … 255";
  EXPECT_EQ(both.brushType, kBrushAdd);
  EXPECT_EQ(both.brushWidth, 8u);

  EXPECT_TRUE(spriteTables.moveLists[4].brush.empty()) << "a missing image gives no brush";
  EXPECT_EQ(spriteTables.moveLists[5].brushType, kBrushSolid);
  EXPECT_FALSE(loadBuffer.slotAInUse);
}

}  // namespace
}  // namespace glorbe
