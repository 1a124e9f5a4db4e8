#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "gl_context.h"
#include "scripts/sprite_script.h"
#include "sequencer/sprite_drawing.h"
#include "sequencer/timeline_commands.h"

namespace glorbe {
namespace {

using testing::readPixel;
using testing::Rgba;

constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kGreen{0, 255, 0, 255};
constexpr Rgba kBlue{0, 0, 255, 255};
constexpr Rgba kWhite{255, 255, 255, 255};
constexpr Rgba kBlack{0, 0, 0, 0};

// The sprite screen (1.3333 × 1) fills the 320 × 240 window.
int screenX(float x) { return static_cast<int>(x / 1.3333f * testing::glWindowWidth); }
int screenY(float y) { return static_cast<int>(y * testing::glWindowHeight); }

void track(KeyTrack& t, float x, float y, float z) {
  initTrack(t, 1);
  addKey(t, 0, 0.5f, x, y, z);
  computeTangents(t);
}

// A 2 × 2 texture: first row red, green; second row blue, white.
GLuint quadrantTexture() {
  const uint8_t texels[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  return name;
}

GLuint whiteTexture() {
  const uint8_t texels[] = {255, 255, 255, 255};
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  return name;
}

// A sprite over the middle of the screen: x 0.33 … 1.0, y 0.25 … 0.75.
Sprite middleSprite(GLuint texture, GLenum env) {
  Sprite s;
  s.size = {0.6666f, 0.5f};
  s.texture = texture;
  s.envMode = env;
  track(s.placement, 0.66665f, 0.5f, 0);
  for (KeyTrack* c : {&s.colour1, &s.colour2, &s.colour3, &s.colour4}) track(*c, 1, 1, 1);
  return s;
}

// The centres of the sprite's four quadrants, in window pixels.
struct Quadrants {
  Rgba upperLeft, upperRight, lowerLeft, lowerRight;
};

Quadrants quadrants(float left, float bottom, float w, float h) {
  return {readPixel(screenX(left + w / 4), screenY(bottom + 3 * h / 4)),
          readPixel(screenX(left + 3 * w / 4), screenY(bottom + 3 * h / 4)),
          readPixel(screenX(left + w / 4), screenY(bottom + h / 4)),
          readPixel(screenX(left + 3 * w / 4), screenY(bottom + h / 4))};
}

std::vector<uint8_t> wholeFrame() {
  std::vector<uint8_t> pixels(size_t(testing::glWindowWidth) * testing::glWindowHeight * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, testing::glWindowWidth, testing::glWindowHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

struct SpriteGlTest : ::testing::Test {
  SpriteGlTest() {
    testing::resetGlState();
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
  }
  ~SpriteGlTest() override { resetSpriteTables(); }
};

TEST_F(SpriteGlTest, PlainSpriteShowsTheImageUprightAndFlipsStayFrontFacing) {
  Sprite s = middleSprite(quadrantTexture(), GL_REPLACE);
  drawSprite(s, 0, false, kSpritePlain, 0, 0, 0);
  Quadrants q = quadrants(0.33335f, 0.25f, 0.6666f, 0.5f);
  EXPECT_EQ(q.upperLeft, kRed) << "the image's first row is at the top";
  EXPECT_EQ(q.upperRight, kGreen);
  EXPECT_EQ(q.lowerLeft, kBlue);
  EXPECT_EQ(q.lowerRight, kWhite);
  EXPECT_EQ(readPixel(screenX(0.2f), screenY(0.5f)), kBlack);

  s.flipX = true;
  testing::resetGlState();
  glEnable(GL_CULL_FACE);
  drawSprite(s, 0, false, kSpritePlain, 0, 0, 0);
  q = quadrants(0.33335f, 0.25f, 0.6666f, 0.5f);
  EXPECT_EQ(q.upperLeft, kGreen) << "mirrored and not culled";
  EXPECT_EQ(q.lowerRight, kBlue);
  GLint front = 0;
  glGetIntegerv(GL_FRONT_FACE, &front);
  EXPECT_EQ(front, GL_CCW) << "the front face is switched back";

  s.flipY = true;
  testing::resetGlState();
  glEnable(GL_CULL_FACE);
  drawSprite(s, 0, false, kSpritePlain, 0, 0, 0);
  EXPECT_EQ(quadrants(0.33335f, 0.25f, 0.6666f, 0.5f).upperLeft, kWhite);
}

TEST_F(SpriteGlTest, CornerColoursTakeTheCurrentAlphaAndTheStateIsRestored) {
  Sprite s = middleSprite(whiteTexture(), GL_MODULATE);
  track(s.colour1, 1, 0, 0);  // lower left
  track(s.colour2, 0, 1, 0);  // lower right
  track(s.colour3, 0, 0, 1);  // upper right
  track(s.colour4, 1, 1, 0);  // upper left
  glColor4f(1, 1, 1, 0.5f);
  glMatrixMode(GL_PROJECTION);
  glEnable(GL_DEPTH_TEST);
  drawSprite(s, 0, false, kSpritePlain, 0, 0, 0);

  const int left = screenX(0.33335f) + 2, right = screenX(0.99995f) - 3;
  const int bottom = screenY(0.25f) + 2, top = screenY(0.75f) - 3;
  const Rgba ll = readPixel(left, bottom), lr = readPixel(right, bottom);
  const Rgba ur = readPixel(right, top), ul = readPixel(left, top);
  EXPECT_GT(ll[0], 230);
  EXPECT_LT(ll[1], 25);
  EXPECT_GT(lr[1], 230);
  EXPECT_LT(lr[0], 25);
  EXPECT_GT(ur[2], 230);
  EXPECT_LT(ur[1], 25);
  EXPECT_GT(ul[0], 230);
  EXPECT_GT(ul[1], 230);
  EXPECT_NEAR(ll[3], 128, 2) << "vertex alpha is the current colour's";

  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_FLOAT_EQ(colour[3], 0.5f);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_PROJECTION);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << "texturing is put back as it was";
}

TEST_F(SpriteGlTest, DepthFlagDecidesWhetherTheDepthBufferHidesTheSprite) {
  Sprite s = middleSprite(whiteTexture(), GL_MODULATE);
  glClearDepth(0.0);
  glClear(GL_DEPTH_BUFFER_BIT);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  drawSprite(s, 0, true, kSpritePlain, 0, 0, 0);
  EXPECT_EQ(readPixel(screenX(0.66f), screenY(0.5f)), kBlack);
  drawSprite(s, 0, false, kSpritePlain, 0, 0, 0);
  EXPECT_EQ(readPixel(screenX(0.66f), screenY(0.5f)), kWhite);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  GLboolean mask = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
  EXPECT_TRUE(mask);
  glDepthFunc(GL_LEQUAL);
}

TEST_F(SpriteGlTest, PatternsTwoMirrorNeighbouringTilesAndPatternsOneIsPlain) {
  Sprite s = middleSprite(quadrantTexture(), GL_REPLACE);
  drawSprite(s, 0, false, kSpritePlain, 0, 0, 0);
  const std::vector<uint8_t> plain = wholeFrame();
  testing::resetGlState();
  drawSprite(s, 0, false, kSpritePatternPlain, 1, 0, 0);
  EXPECT_EQ(wholeFrame(), plain);

  testing::resetGlState();
  glEnable(GL_CULL_FACE);
  drawSprite(s, 0, false, kSpritePatternPlain, 2, 0, 0);
  const float w = 0.3333f, h = 0.25f;
  EXPECT_EQ(quadrants(0.33335f, 0.25f, w, h).upperLeft, kRed) << "lower left tile unmirrored";
  EXPECT_EQ(quadrants(0.33335f, 0.5f, w, h).upperLeft, kBlue) << "upper left tile mirrored vertically";
  EXPECT_EQ(quadrants(0.66668f, 0.25f, w, h).upperLeft, kGreen) << "lower right tile mirrored horizontally";
  EXPECT_EQ(quadrants(0.66668f, 0.5f, w, h).upperLeft, kWhite) << "upper right tile mirrored both ways";
  EXPECT_EQ(quadrants(0.33335f, 0.5f, w, h).lowerRight, kGreen);

  EXPECT_FLOAT_EQ(s.size[0], 0.6666f) << "size, flips and key 0 are restored";
  EXPECT_FALSE(s.flipX);
  EXPECT_FALSE(s.flipY);
  EXPECT_FLOAT_EQ(s.placement.keys[0].value.x, 0.66665f);
}

TEST_F(SpriteGlTest, FanCoversTheWholeRectangleWhateverItsPatternCount) {
  for (int32_t patterns : {1, 3, 0, -2}) {
    for (bool flip : {false, true}) {
      testing::resetGlState();
      glEnable(GL_CULL_FACE);
      Sprite s = middleSprite(whiteTexture(), GL_MODULATE);
      s.flipX = flip;
      drawSprite(s, 17, false, kSpriteFan, patterns, 0.3f, 0.2f);
      int holes = 0;
      for (int y = screenY(0.25f) + 1; y < screenY(0.75f) - 1; y += 3)
        for (int x = screenX(0.33335f) + 1; x < screenX(0.99995f) - 1; x += 3)
          if (readPixel(x, y) != kWhite) ++holes;
      EXPECT_EQ(holes, 0) << "patterns " << patterns << " flip " << flip;
      EXPECT_EQ(readPixel(screenX(0.66f), screenY(0.8f)), kBlack);
    }
  }
}

TEST_F(SpriteGlTest, GridUsesItsOwnColoursAndThinGridsDrawPlain) {
  Sprite s = middleSprite(whiteTexture(), GL_MODULATE);
  s.gridColumns = 2;
  s.gridRows = 2;
  s.gridColours = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}, {1, 1, 1, 1}};  // top row first
  s.gridTexCoords.assign(4, {0, 0});
  track(s.colour1, 0, 0, 0);
  drawSprite(s, 0, false, kSpriteGrid, 0, 0, 0);
  const int left = screenX(0.33335f) + 2, right = screenX(0.99995f) - 3;
  const int bottom = screenY(0.25f) + 2, top = screenY(0.75f) - 3;
  EXPECT_GT(readPixel(left, top)[0], 230);
  EXPECT_LT(readPixel(left, top)[1], 25);
  EXPECT_GT(readPixel(right, top)[1], 230);
  EXPECT_GT(readPixel(left, bottom)[2], 230);
  EXPECT_LT(readPixel(left, bottom)[0], 25);
  EXPECT_GT(readPixel(right, bottom)[0], 230);

  // One row: no spacing to divide by, so the grid style draws the plain quad.
  Sprite thin = middleSprite(whiteTexture(), GL_MODULATE);
  thin.gridColumns = 3;
  thin.gridRows = 1;
  thin.gridColours.assign(3, {0, 0, 1, 1});
  thin.gridTexCoords.assign(3, {0, 0});
  testing::resetGlState();
  drawSprite(thin, 0, false, kSpriteGrid, 0, 0, 0);
  EXPECT_EQ(readPixel(screenX(0.66f), screenY(0.5f)), kWhite);
  animateSpriteGrid(thin, 5, kSpritePlain, 1, 1, 1, 1, 1, 1, 1);
  EXPECT_EQ(thin.gridColours[1][2], 1.0f) << "a one-row grid is not animated";
}

TEST_F(SpriteGlTest, GridAnimationWithoutAmplitudesLaysTheImageOutLikeThePlainStyle) {
  Sprite s = middleSprite(quadrantTexture(), GL_REPLACE);
  drawSprite(s, 0, false, kSpritePlain, 0, 0, 0);
  const std::vector<uint8_t> plain = wholeFrame();

  s.gridColumns = 3;
  s.gridRows = 3;
  s.gridColours.assign(9, {0, 0, 0, 0});
  s.gridTexCoords.assign(9, {0, 0});
  animateSpriteGrid(s, 40, kSpriteGrid, 0, 0, 0, 0, 0, 0, 1);
  EXPECT_EQ(s.gridTexCoords[8][0], 0.0f) << "only style 0 animates";
  glColor4f(1, 1, 1, 0.5f);
  animateSpriteGrid(s, 0, kSpritePlain, 0, 0, 0, 0, 0, 0, 1);
  EXPECT_FLOAT_EQ(s.gridTexCoords[5][0], 1.0f);
  EXPECT_FLOAT_EQ(s.gridTexCoords[5][1], 0.5f);
  EXPECT_FLOAT_EQ(s.gridColours[5][3], 0.5f) << "alpha scaled by the current colour's";
  testing::resetGlState();
  drawSprite(s, 0, false, kSpriteGrid, 0, 0, 0);
  EXPECT_EQ(wholeFrame(), plain);

  // Full red amplitude at tick 0: (cos 1.2u + cos 1.4v) / 2.
  animateSpriteGrid(s, 0, kSpritePlain, 0, 0, 1, 0, 0, 0, 1);
  EXPECT_FLOAT_EQ(s.gridColours[0][0], 1.0f);
  EXPECT_NEAR(s.gridColours[8][0], (std::cos(1.2) + std::cos(1.4)) / 2, 1e-6);
}

TEST_F(SpriteGlTest, MoveListRenderWarpsAndUploadsIntoTheTexture) {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  std::vector<uint8_t> zeros(16 * 8 * 4, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 16, 8, 0, GL_RGBA, GL_UNSIGNED_BYTE, zeros.data());
  resetSpriteTables();
  spriteTables.moveLists.emplace_back();
  MoveList& list = spriteTables.moveLists.back();
  createMoveList(list, 16, 8, 200, 100, 50);
  list.name = "WAVES";
  list.texture = texture;
  refreshMoveListMap(list, 16 * 8, 2.5f, 0.1f, true);
  refreshMoveListMap(list, 16 * 8, 0.1f, 0.5f, false);
  runMoveListRender({"WAVE", "WAVE", 0.5f}, 3, 2);
  std::vector<uint8_t> back(16 * 8 * 4);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back.data());
  EXPECT_EQ(0, std::memcmp(back.data(), list.picture.data(), back.size()));
  EXPECT_EQ(back[0], 198) << "one warp darkens 200 to 198";
}

}  // namespace
}  // namespace glorbe
