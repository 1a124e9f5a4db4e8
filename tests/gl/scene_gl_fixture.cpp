#include "scene_gl_fixture.h"

#include <GL/freeglut.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdlib>

#include "core/core.h"
#include "display/display.h"
#include "display/display_state.h"
#include "platform/gl_platform.h"
#include "render/frame_stats.h"
#include "scripts/scene_tables.h"

namespace glorbe::testing {

DisplayCaps probeDisplayCaps() {
  DisplayCaps caps;
  auto supported = [](const char* name) { return glutExtensionSupported(name) != 0; };
  caps.hasTexEnvCombine = supported("GL_EXT_texture_env_combine");
  caps.hasTexEnvAdd = supported("GL_EXT_texture_env_add") || supported("GL_ARB_texture_env_add");
  caps.lockArraysFn = reinterpret_cast<PFNGLLOCKARRAYSEXTPROC>(glProcAddress("glLockArraysEXT"));
  caps.unlockArraysFn = reinterpret_cast<PFNGLUNLOCKARRAYSEXTPROC>(glProcAddress("glUnlockArraysEXT"));
  caps.hasLockArrays =
      supported("GL_EXT_compiled_vertex_array") && caps.lockArraysFn != nullptr && caps.unlockArraysFn != nullptr;
  caps.clientActiveTextureFn =
      reinterpret_cast<PFNGLCLIENTACTIVETEXTUREARBPROC>(glProcAddress("glClientActiveTextureARB"));
  caps.activeTextureFn = reinterpret_cast<PFNGLACTIVETEXTUREARBPROC>(glProcAddress("glActiveTextureARB"));
  caps.hasMultitexture =
      supported("GL_ARB_multitexture") && caps.clientActiveTextureFn != nullptr && caps.activeTextureFn != nullptr;
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  caps.maxTextureSize = maxSize;
  return caps;
}

void SceneGlTest::SetUp() {
  resetGlState();
  resetDisplayState();
  display.caps = probeDisplayCaps();
  resetSceneTables();
  // The fixed state of the display set-up and the player's base state.
  glShadeModel(GL_SMOOTH);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glPolygonMode(GL_FRONT, GL_FILL);
  glFrontFace(GL_CCW);
  glCullFace(GL_BACK);
  glEnable(GL_CULL_FACE);
  onReshape(glWindowWidth, glWindowHeight);
  setBaseGlState();
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  resetFrameStats();
}

void SceneGlTest::TearDown() {
  if (!textures_.empty()) glDeleteTextures(static_cast<GLsizei>(textures_.size()), textures_.data());
  resetDisplayState();
  resetSceneTables();
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  for (GLenum e : {GL_COLOR_MATERIAL, GL_NORMALIZE, GL_LIGHTING, GL_FOG, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T,
                   GL_STENCIL_TEST, GL_CULL_FACE, GL_DEPTH_TEST, GL_TEXTURE_1D, GL_TEXTURE_2D, GL_BLEND})
    glDisable(e);
  for (int i = 0; i < 8; ++i) glDisable(static_cast<GLenum>(GL_LIGHT0 + i));
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDepthMask(GL_TRUE);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glBindTexture(GL_TEXTURE_2D, 0);
  glBindTexture(GL_TEXTURE_1D, 0);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

namespace {

GLuint uploadTexture(const std::vector<uint8_t>& pixels) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  return name;
}

}  // namespace

GLuint SceneGlTest::solidTexture(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  std::vector<uint8_t> pixels;
  for (int i = 0; i < 16; ++i) pixels.insert(pixels.end(), {r, g, b, a});
  textures_.push_back(uploadTexture(pixels));
  return textures_.back();
}

GLuint SceneGlTest::checkerTexture(std::array<uint8_t, 3> a, std::array<uint8_t, 3> b) {
  std::vector<uint8_t> pixels;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      const auto& c = ((x + y) % 2 == 0) ? a : b;
      pixels.insert(pixels.end(), {c[0], c[1], c[2], 255});
    }
  }
  textures_.push_back(uploadTexture(pixels));
  return textures_.back();
}

GLuint SceneGlTest::rampTexture(const std::vector<std::array<uint8_t, 3>>& texels) {
  std::vector<uint8_t> pixels;
  for (const auto& t : texels) pixels.insert(pixels.end(), {t[0], t[1], t[2], 255});
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_1D, name);
  glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage1D(GL_TEXTURE_1D, 0, GL_RGBA, static_cast<GLsizei>(texels.size()), 0, GL_RGBA, GL_UNSIGNED_BYTE,
               pixels.data());
  glBindTexture(GL_TEXTURE_1D, 0);
  textures_.push_back(name);
  return name;
}

std::vector<uint8_t> SceneGlTest::readFrame() const {
  std::vector<uint8_t> frame(static_cast<size_t>(glWindowWidth * glWindowHeight * 3));
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, glWindowWidth, glWindowHeight, GL_RGB, GL_UNSIGNED_BYTE, frame.data());
  return frame;
}

int largestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  int largest = 0;
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) largest = std::max(largest, std::abs(a[i] - b[i]));
  return a.size() == b.size() ? largest : 256;
}

int litPixelCount(const std::vector<uint8_t>& frame) {
  int count = 0;
  for (size_t i = 0; i + 2 < frame.size(); i += 3) count += (frame[i] | frame[i + 1] | frame[i + 2]) != 0;
  return count;
}

}  // namespace glorbe::testing
