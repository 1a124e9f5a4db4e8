// The timeline compiler (glorbe-tool sqp build): the text form read and,
// when it compiles, encoded and loaded back by the player's reader, which
// must find every track, item and parameter that was written.
#include <string>

#include "archive/load_buffer.h"
#include "fuzz_support.h"
#include "sequencer/sequence_script.h"
#include "timeline/timeline_source.h"

using namespace glorbe;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::resetEngineState();
  const std::string text(reinterpret_cast<const char*>(data), size);
  tools::TimelineSource source;
  tools::SourceMessages messages;
  if (!tools::parseTimelineSource(text, "fuzz.timeline", source, messages)) {
    if (messages.errors.empty()) fuzz::fail("the source was refused without a message");
    return 0;
  }
  const std::string bytes = tools::encodeTimeline(source);
  if (bytes.size() > static_cast<size_t>(kLoadBufferSize)) return 0;  // the tool refuses to write it
  const std::string name = fuzz::writeInput("scripts/greetz.sqp", bytes);
  SequenceScript script;
  if (!loadSequenceScript(name, script)) fuzz::fail("the compiled timeline does not load");
  if (script.tracks.size() != source.tracks.size()) fuzz::fail("the compiled timeline has another number of tracks");
  for (size_t t = 0; t < source.tracks.size(); ++t) {
    if (script.tracks[t].items.size() != source.tracks[t].items.size()) {
      fuzz::fail("track " + std::to_string(t) + " came back with another number of items");
    }
    for (size_t i = 0; i < source.tracks[t].items.size(); ++i) {
      if (script.tracks[t].items[i].params.size() != source.tracks[t].items[i].params.size()) {
        fuzz::fail("track " + std::to_string(t) + " item " + std::to_string(i) + " came back with other parameters");
      }
    }
  }
  return 0;
}
