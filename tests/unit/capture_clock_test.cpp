#include <gtest/gtest.h>

#include "capture/capture_options.h"

namespace glorbe::tools {
namespace {

TEST(CaptureClock, TickSequences) {
  for (int n = 0; n < 10; ++n) EXPECT_EQ(captureTick(0, n, 60), n);
  // 50 fps: 1.2 ticks a frame, rounded with ties to even.
  const int at50[] = {0, 1, 2, 4, 5, 6, 7, 8, 10, 11, 12};
  for (int n = 0; n < 11; ++n) EXPECT_EQ(captureTick(0, n, 50), at50[n]) << n;
  for (int n = 0; n < 5; ++n) EXPECT_EQ(captureTick(750, n, 30), 750 + 2 * n);
  // 40 fps: 1.5 ticks a frame puts ties on every odd frame: 1.5 -> 2, 4.5 -> 4.
  EXPECT_EQ(captureTick(0, 1, 40), 2);
  EXPECT_EQ(captureTick(0, 3, 40), 4);
  EXPECT_EQ(captureTick(100, 5, 40), 108);  // 7.5 -> 8
}

TEST(CaptureClock, FrameCountsAndTheFrameAtATick) {
  EXPECT_EQ(captureFrameCount(0, 0, 60), 1);
  EXPECT_EQ(captureFrameCount(0, 59, 60), 60);
  EXPECT_EQ(captureFrameCount(120, 300, 25), 76);
  EXPECT_EQ(captureFrameCount(10, 9, 60), 0);
  for (int fps : {24, 30, 50, 60, 144}) {
    for (int32_t last = 100; last < 160; ++last) {
      const int64_t n = captureFrameCount(100, last, fps);
      EXPECT_LE(captureTick(100, n - 1, fps), last);
      EXPECT_GT(captureTick(100, n, fps), last);
      const int64_t at = captureFrameAtTick(100, last, fps);
      EXPECT_GE(captureTick(100, at, fps), last);
      if (at > 0) {
        EXPECT_LT(captureTick(100, at - 1, fps), last);
      }
    }
  }
}

TEST(CaptureOptions, GoodCommandLines) {
  CaptureOptions o;
  std::string error;
  ASSERT_TRUE(parseCaptureOptions({"--frames", "out"}, o, error)) << error;
  EXPECT_EQ(o.width, 800);
  EXPECT_EQ(o.height, 600);
  EXPECT_EQ(o.fps, 60);
  EXPECT_FALSE(o.from);
  ASSERT_TRUE(parseCaptureOptions({"--size", "320x200", "--fps", "50", "--from", "1.5", "--to", "9", "--frame-at",
                                   "3.25", "x.png"},
                                  o, error))
      << error;
  EXPECT_EQ(o.width, 320);
  EXPECT_EQ(o.height, 200);
  EXPECT_EQ(o.fps, 50);
  EXPECT_EQ(*o.from, 1.5);
  EXPECT_EQ(*o.to, 9.0);
  EXPECT_EQ(o.output, CaptureOutput::FrameAt);
  EXPECT_EQ(o.frameAt, 3.25);
  EXPECT_EQ(o.path, "x.png");
  EXPECT_FALSE(o.exact);
  ASSERT_TRUE(parseCaptureOptions({"--frame-at", "3", "--exact", "x.png"}, o, error)) << error;
  EXPECT_TRUE(o.exact);
}

TEST(CaptureOptions, BadCommandLinesSayWhy) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"--frames"},
      {"--frames", "a", "--video", "b.mp4"},
      {"--size", "800", "--frames", "a"},
      {"--size", "0x600", "--frames", "a"},
      {"--fps", "0", "--frames", "a"},
      {"--fps", "2.5", "--frames", "a"},
      {"--from", "-1", "--frames", "a"},
      {"--from", "5", "--to", "4", "--frames", "a"},
      {"--frame-at", "3"},
      {"--frame-at", "x", "a.png"},
      {"--from", "4", "--frame-at", "3", "a.png"},
      {"--frames", "a", "--loud"},
      {"--frames", "a", "--exact"},
  };
  for (const auto& args : bad) {
    CaptureOptions o;
    std::string error;
    EXPECT_FALSE(parseCaptureOptions(args, o, error)) << ::testing::PrintToString(args);
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace glorbe::tools
