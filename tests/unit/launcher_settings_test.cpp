#include <gtest/gtest.h>

#include "launcher/unattended_settings.h"

namespace glorbe {
namespace {

TEST(LauncherVariable, EmptyKeepsTheWindowDefaults) {
  EngineSettings s = launcherDefaults();
  std::string error;
  ASSERT_TRUE(parseLauncherVariable("", s, error));
  EXPECT_EQ(s.width, 800);
  EXPECT_EQ(s.height, 600);
  EXPECT_EQ(s.bits, 32);
  EXPECT_TRUE(s.fullscreen);
  EXPECT_FALSE(s.compression);
  EXPECT_FALSE(s.trilinear);
  EXPECT_EQ(s.textureDepth, 0);
  EXPECT_EQ(s.soundDriver, 0);
}

TEST(LauncherVariable, EveryKey) {
  EngineSettings s = launcherDefaults();
  std::string error;
  ASSERT_TRUE(parseLauncherVariable(
      "  width=1024 height=768   bits=16 fullscreen=0 compression=1 trilinear=1 textureDepth=2 soundDriver=3 ", s,
      error))
      << error;
  EXPECT_EQ(s.width, 1024);
  EXPECT_EQ(s.height, 768);
  EXPECT_EQ(s.bits, 16);
  EXPECT_FALSE(s.fullscreen);
  EXPECT_TRUE(s.compression);
  EXPECT_TRUE(s.trilinear);
  EXPECT_EQ(s.textureDepth, 2);
  EXPECT_EQ(s.soundDriver, 3);
}

TEST(LauncherVariable, MalformedPairsAreNamedAndChangeNothing) {
  for (const char* bad : {"fullscreen", "=1", "volume=3", "width=abc", "width=", "soundDriver=4", "textureDepth=-1",
                          "fullscreen=2", "width=800x", "bits=0"}) {
    EngineSettings s = launcherDefaults();
    std::string error;
    EXPECT_FALSE(parseLauncherVariable(std::string("height=480 ") + bad, s, error)) << bad;
    EXPECT_NE(error.find(std::string("\"") + bad + "\""), std::string::npos) << error;
    EXPECT_EQ(s.height, 600) << "a rejected variable leaves the settings alone";
  }
}

}  // namespace
}  // namespace glorbe
