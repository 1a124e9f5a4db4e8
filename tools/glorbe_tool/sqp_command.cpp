// glorbe-tool sqp: compiles a timeline's text form into the player's
// timeline file, and shows a timeline file as the player loads it.
#include <cstdio>
#include <fstream>
#include <string>

#include "archive/archive.h"
#include "archive/load_buffer.h"
#include "core/core.h"
#include "glorbe_tool/commands.h"
#include "glorbe_tool/content_lookup.h"
#include "sequencer/sequence_script.h"
#include "timeline/timeline_source.h"

namespace glorbe::tools {

namespace {

int buildTimeline(const std::string& sourcePath, const std::string& outPath) {
  std::string text;
  if (!readSourceFile(sourcePath, text)) return 1;
  TimelineSource source;
  SourceMessages messages;
  if (!reportSource(parseTimelineSource(text, sourcePath, source, messages), messages, outPath)) return 1;
  const std::string bytes = encodeTimeline(source);
  std::string error;
  if (!makeOutputFolder(outPath, error)) {
    std::fprintf(stderr, "glorbe-tool: %s\n", error.c_str());
    return 1;
  }
  if (bytes.size() > static_cast<size_t>(kLoadBufferSize)) {
    std::fprintf(stderr, "glorbe-tool: the timeline takes %zu bytes; the player loads at most %d\n", bytes.size(),
                 kLoadBufferSize);
    return 1;
  }
  std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "glorbe-tool: cannot write %s\n", outPath.c_str());
    return 1;
  }
  size_t items = 0;
  for (const SourceTrack& t : source.tracks) items += t.items.size();
  std::printf("%s: %zu tracks, %zu items, %zu bytes\n", outPath.c_str(), source.tracks.size(), items, bytes.size());
  return 0;
}

int dumpTimeline(const std::string& name, const std::string& archivePath, bool archiveNamed) {
  int64_t length = 0;
  if (findContentFile(name, archivePath, archiveNamed, length) != 0) return 1;
  allocateLoadBuffer();
  SequenceScript script;
  loadSequenceScript(name, script);
  if (archiveStatus() != kStatusOk) {
    std::fprintf(stderr, "glorbe-tool: %s could not be read whole (status %d)\n", name.c_str(), archiveStatus());
    return 1;
  }
  const std::string json = timelineJson(script);
  std::fwrite(json.data(), 1, json.size(), stdout);
  return 0;
}

}  // namespace

std::vector<Command> sqpCommands() {
  return {
      {"sqp build", "SOURCE OUT.sqp", 2, 2, {},
       "A timeline's text form (docs/timeline.md) compiled into the player's timeline file.",
       [](const Invocation& call) { return buildTimeline(call.argument(0), call.argument(1)); }},
      {"sqp dump", "FILE", 1, 1, {kArchiveOption},
       "A timeline file as the player loads it, one JSON document.\nFILE is looked up on disk first, then in the archive.",
       [](const Invocation& call) {
         const ArchiveChoice archive = archiveChoice(call);
         return dumpTimeline(call.argument(0), archive.path, archive.named);
       }},
  };
}

}  // namespace glorbe::tools
