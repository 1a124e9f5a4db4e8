// The statistics overlay's texts: the eight lines, the counter resets and
// the running rate.
#include <gtest/gtest.h>

#include "core/core.h"
#include "core/demo_clock.h"
#include "core/overlay.h"
#include "display/display_state.h"
#include "render/frame_stats.h"
#include "sequencer/sequence_script.h"
#include "sequencer/sequencer_state.h"

namespace glorbe {
namespace {

class OverlayLines : public ::testing::Test {
 protected:
  void SetUp() override {
    resetCoreState();
    resetFrameStats();
    resetSequencerState();
    resetDisplayState();
    display.caps.maxTextureSize = 2048;
  }
  void TearDown() override {
    resetCoreState();
    resetFrameStats();
    resetSequencerState();
    resetDisplayState();
  }
};

TEST_F(OverlayLines, EightLinesInOrderAndCountersReset) {
  core.clock.streamLengthMs = 300000;
  core.clock.totalFrames = 246;
  core.clock.fpsLastMs = 12000;  // the driver's value from the previous frame
  frameStats = FrameStats{5120, 3, 17};
  const auto lines = buildStatisticsLines(12300, 8);
  const std::array<OverlayLine, 8> want = {{{0.29f, "time12300,300000"},
                                            {0.25f, "stencil8"},
                                            {0.21f, "maxtexsize2048"},
                                            {0.17f, "objpolys5120"},
                                            {0.13f, "parsys3"},
                                            {0.09f, "objs17"},
                                            {0.01f, "avfps20.00"},
                                            {0.05f, "fpsthinking!"}}};
  for (size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(lines[i].text, want[i].text) << i;
    EXPECT_FLOAT_EQ(lines[i].y, want[i].y) << i;
  }
  EXPECT_EQ(frameStats.objpolys, 0);
  EXPECT_EQ(frameStats.parsys, 0);
  EXPECT_EQ(frameStats.objs, 0);
  EXPECT_EQ(core.clock.fpsFrames, 1);

  // The average counts from the start position: start tick 600 is 10 000 ms.
  sequencer.script.startTick = 600;
  core.clock.totalFrames = 100;
  EXPECT_EQ(buildStatisticsLines(13000, 0)[6].text, "avfps33.33");
  EXPECT_EQ(buildStatisticsLines(10000, 0)[6].text, "avfps0.00") << "no time since the start";
}

TEST_F(OverlayLines, RunningRateUpdatesAfterMoreThanASecond) {
  core.clock.fpsLastMs = 5000;
  core.clock.fpsFrames = 2;  // frames counted before the overlay went off
  EXPECT_EQ(buildStatisticsLines(5600, 0)[7].text, "fpsthinking!");
  EXPECT_EQ(buildStatisticsLines(6000, 0)[7].text, "fpsthinking!") << "exactly one second is not more";
  EXPECT_EQ(core.clock.fpsFrames, 4);
  EXPECT_EQ(buildStatisticsLines(6001, 0)[7].text, "fps5.00");  // 5 frames in 1001 ms: 4.995
  EXPECT_EQ(core.clock.fpsLastMs, 6001);
  EXPECT_EQ(core.clock.fpsFrames, 0);
  EXPECT_EQ(buildStatisticsLines(6500, 0)[7].text, "fps5.00") << "the rate stays until the next update";
  EXPECT_EQ(buildStatisticsLines(7700, 0)[7].text, "fps1.18");  // 2 frames in 1699 ms
  EXPECT_EQ(formatRate(1234.5678), "1234.57");
}

}  // namespace
}  // namespace glorbe
