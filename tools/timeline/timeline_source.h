// The text form of timelines and its compiler to the player's binary
// timeline file; and the loaded timeline as a JSON document. The text form
// keeps the file's units (seconds, degrees, key positions along the track)
// and names items and parameters by their words, so a timeline can be
// written and read by hand and compiled to the same bytes every time.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "sequencer/sequence_script.h"

namespace glorbe::tools {

// Values of a parameter with no clamp given.
inline constexpr double kNoMinimum = -1e30;
inline constexpr double kNoMaximum = 1e30;

struct SourceParam {
  std::string name;
  int mode = kModeConstant;
  double constant = 0;
  double frequency = 0;
  double amplitude = 0;
  double offset = 0;
  double phaseDegrees = 0;
  double minimum = kNoMinimum;
  double maximum = kNoMaximum;
  std::string text;
  std::vector<std::pair<double, double>> keys;  // position along the track (0..1), value
};

struct SourceItem {
  std::string category;
  std::string command;
  std::vector<SourceParam> params;
};

struct SourceTrack {
  std::string label;
  double start = 0;  // seconds
  double length = 0;
  double offset = 0;
  int layer = 0;
  double speed = 1;
  std::vector<SourceItem> items;
};

struct TimelineSource {
  std::string name;
  double start = 0;  // seconds
  double end = 0;
  double tempo = 0;  // beats per minute, 0 when the source states none
  double beatsPerBar = 4;
  std::vector<double> markers;
  std::vector<SourceTrack> tracks;
};

// "SOURCE:LINE: error: ..." or "SOURCE:LINE: warning: ...".
struct SourceMessages {
  std::vector<std::string> errors;
  std::vector<std::string> warnings;
};

// Reads the text form; false (with at least one error) when it cannot be
// compiled. Warnings name things the player will ignore or cut.
bool parseTimelineSource(const std::string& text, const std::string& sourceName, TimelineSource& out,
                         SourceMessages& messages);

// The binary timeline file, in the order the player reads it.
std::string encodeTimeline(const TimelineSource& source);

// The loaded timeline as one JSON document: ticks, radians and floats as
// the player holds them; NaN and infinities as the strings "NaN",
// "Infinity" and "-Infinity".
std::string timelineJson(const SequenceScript& script);

}  // namespace glorbe::tools
