// The binary timeline file (scripts\greetz.sqp): the reader, then what the
// frame walk computes from what it read (every parameter's value over its
// track, local ticks) and the inspection command's JSON.
#include <algorithm>
#include <cmath>
#include <limits>

#include "fuzz_support.h"
#include "sequencer/sequence_script.h"
#include "timeline/timeline_source.h"

using namespace glorbe;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::resetEngineState();
  const std::string name = fuzz::writeInput("scripts/greetz.sqp", data, size);
  SequenceScript script;
  loadSequenceScript(name, script);
  if (script.trackCount != static_cast<int32_t>(script.tracks.size())) __builtin_trap();
  for (const SequenceTrack& track : script.tracks) {
    const int64_t start = track.start, length = track.length;
    for (int64_t at : {start, start + 1, start + length / 2, start + length}) {
      const auto tick = static_cast<int32_t>(
          std::clamp<int64_t>(at, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
      const int32_t local = localTrackTick(track, tick);
      if (local < 0) __builtin_trap();
      for (const SequenceItem& item : track.items) {
        for (const SequenceParam& p : item.params) {
          const float v = evaluateParam(p, local, track.length);
          // The value is held to the parameter's range whenever that range is a range.
          if (p.minimum <= p.maximum && !std::isnan(v) && (v < p.minimum || v > p.maximum)) __builtin_trap();
        }
      }
    }
  }
  const std::string json = tools::timelineJson(script);
  if (json.empty()) __builtin_trap();
  return 0;
}
