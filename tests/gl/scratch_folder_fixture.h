// For the tests of loaders that read files and make textures: a scratch
// folder as the working directory, fresh archives and load buffer, and the
// display's capabilities at what those tests expect (2048-texel textures,
// no compression, the launcher's default texture depth). Everything is
// undone afterwards.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "archive/archive.h"
#include "archive/load_buffer.h"
#include "display/display_state.h"
#include "gl_context.h"

namespace glorbe::testing {

class ScratchFolderTest : public ::testing::Test {
 protected:
  // `name` goes into the scratch folder's name, for finding what a failed
  // test left behind.
  explicit ScratchFolderTest(std::string name) : name_(std::move(name)) {}

  void SetUp() override {
    std::string pattern = "/tmp/glorbe-" + name_ + ".XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    saved_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    resetArchives();
    resetLoadBuffer();
    allocateLoadBuffer();
    resetDisplayState();
    display.caps.maxTextureSize = 2048;
    display.caps.useCompression = false;
    display.settings.textureDepth = 0;
    resetGlState();
  }
  void TearDown() override {
    resetDisplayState();
    resetLoadBuffer();
    std::filesystem::current_path(saved_);
    std::filesystem::remove_all(dir_);
  }

  std::filesystem::path dir_, saved_;

 private:
  std::string name_;
};

}  // namespace glorbe::testing
