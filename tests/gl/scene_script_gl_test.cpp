// The scene reader's keys that make textures: TOON's shade ramps and the
// generated texture of a terrain, read back from OpenGL.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "archive/archive.h"
#include "archive/load_buffer.h"
#include "display/display_state.h"
#include "common/random_source.h"
#include "gl_context.h"
#include "scratch_folder_fixture.h"
#include "scripts/material_table.h"
#include "scripts/scene_script_readers.h"
#include "scripts/scene_tables.h"
#include "textures/texture_generator.h"

namespace glorbe {
namespace {

class SceneScriptGlTest : public testing::ScratchFolderTest {
 protected:
  SceneScriptGlTest() : ScratchFolderTest("scenes") {}
  void SetUp() override {
    ScratchFolderTest::SetUp();
    resetMaterialTable();
    resetSceneTables();
    resetTexGenerator();
    resetRandomSource();
    display.caps.plainFilter = GL_LINEAR;
    display.caps.mipMinFilter = GL_LINEAR_MIPMAP_NEAREST;
    materialTable.materials.push_back({"WOOD", false, 0});
  }
  void TearDown() override {
    for (const Material& m : materialTable.materials) glDeleteTextures(1, &m.texture);
    for (const Scene& s : sceneTables.scenes) {
      for (const SceneObject& o : s.objects) glDeleteTextures(1, &o.toonTexture);
    }
    resetMaterialTable();
    resetSceneTables();
    ScratchFolderTest::TearDown();
  }

  static void parse(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* l : lines) text += std::string(l) + "\r\n";
    std::ofstream("s.ini", std::ios::binary) << text;
    parseSceneScript("S.INI");
  }

};

std::vector<uint8_t> rampTexels(GLuint texture) {
  glBindTexture(GL_TEXTURE_1D, texture);
  GLint width = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_1D, 0, GL_TEXTURE_WIDTH, &width);
  std::vector<uint8_t> out(static_cast<size_t>(width) * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_1D, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
  return out;
}

TEST_F(SceneScriptGlTest, ToonGivesARampAndTurnsTexturesOffUntilTheNextTextureMap) {
  Scene& scene = sceneTables.scenes.emplace_back();
  for (const char* name : {"HEAD", "HAND", "FOOT"}) scene.objects.emplace_back().name = name;
  scene.objects[1].bumpMapOn = true;
  parse({"[OBJS]", "CURRENTOBJ = H", "TOON = 1, 0.4, 0, DSTC, ONE", "CURRENTOBJ = HEAD", "TOON = 0, 0, 1, SRCA, ONEM",
         "TEXTUREMAP = WOOD", "CURRENTOBJ = FOOT", "TOON = 1, 1, 1, ONE"});
  const SceneObject& head = scene.objects[0];
  const SceneObject& hand = scene.objects[1];
  const SceneObject& foot = scene.objects[2];

  EXPECT_TRUE(hand.toonOn);
  EXPECT_FALSE(hand.textureMapOn);
  EXPECT_FALSE(hand.bumpMapOn);
  EXPECT_EQ(hand.toonEnvMode, GLenum(GL_MODULATE));
  EXPECT_EQ(hand.toonSrcFactor, GLenum(GL_DST_COLOR));
  EXPECT_EQ(hand.toonDstFactor, GLenum(GL_ONE));
  ASSERT_TRUE(glIsTexture(hand.toonTexture));
  const std::vector<uint8_t> ramp = rampTexels(hand.toonTexture);
  ASSERT_EQ(ramp.size(), 64u * 4);
  EXPECT_EQ(ramp[63 * 4 + 0], 255) << "the brightest step is the colour";
  EXPECT_EQ(ramp[63 * 4 + 1], 102);
  EXPECT_EQ(ramp[63 * 4 + 2], 0);

  EXPECT_FALSE(head.toonOn) << "TEXTUREMAP after TOON switches toon shading off";
  EXPECT_TRUE(head.textureMapOn);
  EXPECT_EQ(head.toonSrcFactor, GLenum(GL_SRC_ALPHA));
  EXPECT_EQ(head.toonDstFactor, GLenum(GL_ONE)) << "ONEM is no toon destination: kept from the first line";
  EXPECT_EQ(rampTexels(head.toonTexture)[63 * 4 + 2], 255);

  EXPECT_TRUE(foot.toonOn);
  EXPECT_EQ(foot.toonSrcFactor, GLenum(GL_DST_COLOR)) << "factors need both words";
}

TEST_F(SceneScriptGlTest, TerrainWithAnAlphaMakesItsOwnTranslucentMaterial) {
  parse({"[LODTERRAIN]", "PARAM = DUNES, 16, 32, 0.5, 0.9, 0.7, 0.3, 0, 1, 0.5, 50, 50, 5, 2",
         "PARAM = MESA, 8, 8, 0.5, 0.9, 0.7, 0.3, 0.5, 1, 1.0, 50, 50, 5, 2"});
  ASSERT_EQ(materialTable.materials.size(), 3u);
  const Material& dunes = materialTable.materials[1];
  EXPECT_EQ(dunes.name, "DUNES");
  EXPECT_TRUE(dunes.translucent) << "round(0.5 x 255) = 128";
  EXPECT_FALSE(materialTable.materials[2].translucent);
  ASSERT_TRUE(glIsTexture(dunes.texture));
  glBindTexture(GL_TEXTURE_2D, dunes.texture);
  GLint width = 0, height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
  EXPECT_EQ(width, 16);
  EXPECT_EQ(height, 32);
  std::vector<uint8_t> texels(size_t(width) * size_t(height) * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  EXPECT_EQ(texels[3], 128);

  const SceneObject& mesh = sceneTables.scenes[0].objects[0];
  EXPECT_EQ(mesh.texture, dunes.texture);
  EXPECT_TRUE(mesh.blended);
  EXPECT_FALSE(sceneTables.scenes[1].objects[0].blended);
  EXPECT_EQ(texLayer(kTexOutputLayer), nullptr) << "the workspace is released";
}

}  // namespace
}  // namespace glorbe
