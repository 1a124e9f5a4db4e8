// The statistics overlay's texts: the eight lines, the counter resets and
// the running rate.
#include <gtest/gtest.h>

#include "core/demo_clock.h"
#include "core/overlay.h"
#include "display/display_caps.h"
#include "render/frame_stats.h"
#include "sequencer/sequence_script.h"

namespace glorbe {
namespace {

class OverlayLines : public ::testing::Test {
 protected:
  void SetUp() override {
    demoClock = DemoClock{};
    frameStats = FrameStats{};
    sequenceScript.startTick = 0;
    displayCaps.maxTextureSize = 2048;
  }
  void TearDown() override { SetUp(); }
};

TEST_F(OverlayLines, EightLinesInOrderAndCountersReset) {
  demoClock.streamLengthMs = 300000;
  demoClock.totalFrames = 246;
  demoClock.fpsLastMs = 12000;  // the driver's value from the previous frame
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
  EXPECT_EQ(demoClock.fpsFrames, 1);

  // The average counts from the start position: start tick 600 is 10 000 ms.
  sequenceScript.startTick = 600;
  demoClock.totalFrames = 100;
  EXPECT_EQ(buildStatisticsLines(13000, 0)[6].text, "avfps33.33");
  EXPECT_EQ(buildStatisticsLines(10000, 0)[6].text, "avfps0.00") << "no time since the start";
}

TEST_F(OverlayLines, RunningRateUpdatesAfterMoreThanASecond) {
  demoClock.fpsLastMs = 5000;
  demoClock.fpsFrames = 2;  // frames counted before the overlay went off
  EXPECT_EQ(buildStatisticsLines(5600, 0)[7].text, "fpsthinking!");
  EXPECT_EQ(buildStatisticsLines(6000, 0)[7].text, "fpsthinking!") << "exactly one second is not more";
  EXPECT_EQ(demoClock.fpsFrames, 4);
  EXPECT_EQ(buildStatisticsLines(6001, 0)[7].text, "fps5.00");  // 5 frames in 1001 ms: 4.995
  EXPECT_EQ(demoClock.fpsLastMs, 6001);
  EXPECT_EQ(demoClock.fpsFrames, 0);
  EXPECT_EQ(buildStatisticsLines(6500, 0)[7].text, "fps5.00") << "the rate stays until the next update";
  EXPECT_EQ(buildStatisticsLines(7700, 0)[7].text, "fps1.18");  // 2 frames in 1699 ms
  EXPECT_EQ(formatRate(1234.5678), "1234.57");
}

}  // namespace
}  // namespace glorbe
