#include "core/demo_clock.h"

#include "common/numbers.h"
#include "scripts/number_conversion.h"

namespace glorbe {

int32_t ticksFromMs(long double ms) { return roundToInt32(ms * 60.0L / 1000.0L); }

int32_t msFromTicks(int32_t tick) { return roundToInt32(static_cast<long double>(tick) * 1000.0L / 60.0L); }

int32_t resolveStartTick(const std::vector<std::string>& args, int32_t fileStartTick, int32_t endTick) {
  if (args.size() != 1) return fileStartTick;
  const long double seconds = convertReal(args[0], "the command line");
  const int32_t tick = roundToInt32(seconds * 60.0L);
  if (tick >= endTick || tick < 0) return 0;
  return tick;
}

KeyAction keyAction(unsigned char key) {
  if (key == 27) return KeyAction::Quit;
  if (key == 'd') return KeyAction::ToggleOverlay;
  return KeyAction::None;
}

FrameOutcome frameOutcome(int32_t tick, int32_t endTick, bool musicPlaying) {
  if (tick > endTick) return FrameOutcome::End;
  if (!musicPlaying) return FrameOutcome::End;
  if (tick <= 0) return FrameOutcome::SyncLost;
  return FrameOutcome::Draw;
}

}  // namespace glorbe
