#include <gtest/gtest.h>

#include "core/demo_clock.h"
#include "platform/message_box.h"

namespace glorbe {
namespace {

TEST(DemoClock, TicksRoundToNearestWithTiesToEven) {
  EXPECT_EQ(ticksFromMs(0), 0);
  EXPECT_EQ(ticksFromMs(8), 0);     // 0.48
  EXPECT_EQ(ticksFromMs(9), 1);     // 0.54
  EXPECT_EQ(ticksFromMs(25), 2);    // 1.5 -> 2
  EXPECT_EQ(ticksFromMs(175), 10);  // 10.5 -> 10
  EXPECT_EQ(ticksFromMs(12500), 750);
  // 1/60 s steps: 16.666... ms; 58 ms is 3.48 ticks, 59 ms 3.54 ticks.
  EXPECT_EQ(ticksFromMs(58), 3);
  EXPECT_EQ(ticksFromMs(59), 4);
  EXPECT_EQ(ticksFromMs(-25), -2);
}

TEST(DemoClock, MillisecondsFromTicks) {
  EXPECT_EQ(msFromTicks(750), 12500);
  EXPECT_EQ(msFromTicks(1), 17);  // 16.67
  EXPECT_EQ(msFromTicks(3), 50);
  // 0.5 ms ties: tick 3 * 1000 / 60 = 50 exactly; tick 27 = 450 exactly.
  EXPECT_EQ(msFromTicks(27), 450);
}

TEST(DemoClock, StartPositionFromOneArgument) {
  EXPECT_EQ(resolveStartTick({"12.5"}, 0, 3600), 750);
  EXPECT_EQ(resolveStartTick({"0.0083"}, 0, 3600), 0);  // 0.498 ticks
  // At or past the end, or negative: from the beginning.
  EXPECT_EQ(resolveStartTick({"60"}, 100, 3600), 0);
  EXPECT_EQ(resolveStartTick({"59.99"}, 100, 3600), 3599);
  EXPECT_EQ(resolveStartTick({"-1"}, 100, 3600), 0);
  // No argument or two: the timeline's own start stays.
  EXPECT_EQ(resolveStartTick({}, 120, 3600), 120);
  EXPECT_EQ(resolveStartTick({"12.5", "3"}, 120, 3600), 120);
}

TEST(DemoClockDeathTest, MalformedStartPositionIsFatal) {
  setMessageBoxUnattended(true);
  EXPECT_EXIT(resolveStartTick({"12,5"}, 0, 3600), ::testing::ExitedWithCode(1), "12,5");
}

TEST(DemoClock, Keys) {
  EXPECT_EQ(keyAction(27), KeyAction::Quit);
  EXPECT_EQ(keyAction('d'), KeyAction::ToggleOverlay);
  EXPECT_EQ(keyAction('D'), KeyAction::None);
  EXPECT_EQ(keyAction('q'), KeyAction::None);
  EXPECT_EQ(keyAction(13), KeyAction::None);
}

TEST(DemoClock, FrameOutcomes) {
  EXPECT_EQ(frameOutcome(100, 100, true), FrameOutcome::Draw);  // the end tick itself is drawn
  EXPECT_EQ(frameOutcome(101, 100, true), FrameOutcome::End);
  EXPECT_EQ(frameOutcome(0, 100, true), FrameOutcome::SyncLost);
  EXPECT_EQ(frameOutcome(-3, 100, true), FrameOutcome::SyncLost);
  EXPECT_EQ(frameOutcome(0, 100, false), FrameOutcome::End);
  // Music over before the end tick: the show ends rather than freezing.
  EXPECT_EQ(frameOutcome(50, 100, false), FrameOutcome::End);
}

}  // namespace
}  // namespace glorbe
