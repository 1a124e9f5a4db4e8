#include <gtest/gtest.h>

#include "launcher/launcher_form.h"
#include "platform/font_families.h"

namespace glorbe {
namespace {

const ScreenModes kScreen{
    {{640, 480, 32}, {800, 600, 32}, {800, 600, 32}, {1024, 768, 32}, {800, 600, 16}},
    {1280, 1024, 32},
};

TEST(LauncherForm, OpensWithEveryModeInOrderAndTheDefaultsSelected) {
  const LauncherForm form = openingLauncherForm(kScreen.modes);
  const std::vector<std::string> expected = {"640x480 / 32", "800x600 / 32", "800x600 / 32", "1024x768 / 32",
                                             "800x600 / 16"};
  EXPECT_EQ(form.modeEntries, expected);
  EXPECT_EQ(form.modeIndex, 1) << "the first of the duplicates";
  EXPECT_TRUE(form.fullscreen);
  EXPECT_FALSE(form.compression);
  EXPECT_FALSE(form.trilinear);
  EXPECT_EQ(form.textureIndex, 0);
  EXPECT_EQ(form.soundIndex, 0);

  // Confirmed untouched, the window gives the default mode.
  const EngineSettings s = confirmLauncherForm(form, kScreen);
  EXPECT_EQ((DisplayMode{s.width, s.height, s.bits}), (DisplayMode{800, 600, 32}));
  EXPECT_TRUE(s.fullscreen);
  EXPECT_EQ(s.textureDepth, 0);
  EXPECT_EQ(s.soundDriver, 0);
}

TEST(LauncherForm, WithoutTheDefaultModeNothingIsSelectedAndTheCurrentModeIsUsed) {
  for (const std::vector<DisplayMode>& modes : {std::vector<DisplayMode>{{800, 600, 16}, {1024, 768, 32}},
                                                std::vector<DisplayMode>{{1800, 600, 32}}, std::vector<DisplayMode>{}}) {
    const ScreenModes screen{modes, {1024, 768, 32}};
    const LauncherForm form = openingLauncherForm(screen.modes);
    EXPECT_EQ(form.modeEntries.size(), modes.size());
    EXPECT_EQ(form.modeIndex, -1);
    EXPECT_EQ(chosenDisplayMode(form, screen), (DisplayMode{1024, 768, 32}));
  }
}

TEST(LauncherForm, SelectionFindsTheFirstEntryStartingWithTheText) {
  EXPECT_EQ(findEntryStartingWith({"640x480 / 16", "800X600 / 32", "800x600 / 32"}, "800x600 / 32"), 1)
      << "letters compare without regard to case";
  EXPECT_EQ(findEntryStartingWith({"800x600 / 3", "800x600 / 320"}, "800x600 / 32"), 1);
  EXPECT_EQ(findEntryStartingWith({"1800x600 / 32"}, "800x600 / 32"), -1);
  EXPECT_EQ(findEntryStartingWith({}, "800x600 / 32"), -1);
}

TEST(LauncherForm, ConfirmingStoresEveryControl) {
  LauncherForm form = openingLauncherForm(kScreen.modes);
  form.fullscreen = false;
  form.compression = true;
  form.trilinear = true;
  form.textureIndex = 2;
  form.soundIndex = 3;
  for (int i = 0; i < static_cast<int>(kScreen.modes.size()); ++i) {
    form.modeIndex = i;
    const EngineSettings s = confirmLauncherForm(form, kScreen);
    EXPECT_EQ((DisplayMode{s.width, s.height, s.bits}), kScreen.modes[i]) << "entry " << i;
    EXPECT_FALSE(s.fullscreen);
    EXPECT_TRUE(s.compression);
    EXPECT_TRUE(s.trilinear);
    EXPECT_EQ(s.textureDepth, 2);
    EXPECT_EQ(s.soundDriver, 3);
  }
  form.modeIndex = -1;
  const EngineSettings current = confirmLauncherForm(form, kScreen);
  EXPECT_EQ((DisplayMode{current.width, current.height, current.bits}), kScreen.current);
}

TEST(LauncherForm, PositionsOutsideTheListsFallBackInsteadOfReadingPastThem) {
  LauncherForm form = openingLauncherForm(kScreen.modes);
  form.modeIndex = static_cast<int>(kScreen.modes.size());
  form.textureIndex = 3;
  form.soundIndex = -1;
  const EngineSettings s = confirmLauncherForm(form, kScreen);
  EXPECT_EQ((DisplayMode{s.width, s.height, s.bits}), kScreen.current);
  EXPECT_EQ(s.textureDepth, 0);
  EXPECT_EQ(s.soundDriver, 0);
}

TEST(LauncherFont, OnlyAnInstalledFamilyIsChosenNotASubstitute) {
  EXPECT_EQ(firstInstalledFontFamily({"No Such Family 7f3a", "DejaVu Sans"}), "DejaVu Sans");
  EXPECT_EQ(firstInstalledFontFamily({"No Such Family 7f3a"}), "");
  EXPECT_EQ(firstInstalledFontFamily({}), "");
}

}  // namespace
}  // namespace glorbe
