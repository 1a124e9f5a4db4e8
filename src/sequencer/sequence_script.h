// The show's timeline: tracks on 16 layers, each a list of commands whose
// parameters are functions of the track's local time. Loaded once from the
// timeline file and walked every frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geometry/key_track.h"

namespace glorbe {

inline constexpr const char* kTimelineFile = "scripts\\greetz.sqp";
inline constexpr int32_t kLayerCount = 16;  // layers walked by the frame driver
inline constexpr int32_t kHighestLayer = 255;  // a track's layer is one byte

// Value sources of a parameter.
enum ParamMode : int32_t { kModeConstant = 0, kModeLinear = 1, kModeSmooth = 2, kModeSine = 3 };

struct SequenceParam {
  std::string name;  // parameter word, upper case
  int32_t mode = kModeConstant;
  float constant = 0;
  float frequency = 0;  // sine: full periods over the track
  float amplitude = 0;
  float offset = 0;
  float phase = 0;  // radians
  float minimum = 0;
  float maximum = 0;
  std::string text;  // names of sprites, scenes, materials and the like
  KeyTrack curve;    // keys for the two curve modes
};

struct SequenceItem {
  std::string category;  // SPRITE, MOVELIST, GL or SCENE3D
  std::string command;
  int32_t paramCount = 0;
  std::vector<SequenceParam> params;
};

struct SequenceTrack {
  std::string label;   // the source's name for the track, upper case; not used by the show
  int32_t start = 0;   // first active tick
  int32_t length = 0;  // active while start <= tick <= start + length
  int32_t offset = 0;  // added to the local time
  int32_t layer = 0;
  float speed = 0;  // local-time rate
  int32_t itemCount = 0;
  std::vector<SequenceItem> items;
};

struct SequenceScript {
  int32_t startTick = 0;  // where the show starts without a start position
  int32_t endTick = 0;    // nothing is drawn past it and the show ends there
  std::string name;
  // The music's tempo as the timeline's source stated it (0: none), kept in
  // two reals the show itself does not read; only the live mode's position
  // display and bar seeks use them.
  double tempo = 0;
  double beatsPerBar = 0;
  int32_t markerCount = 0;
  int32_t trackCount = 0;
  std::vector<int16_t> markers;  // ticks, kept for inspection
  std::vector<SequenceTrack> tracks;
};

// Reads a timeline file into `script`, replacing what it held. A file that
// ends early keeps everything read up to its last complete marker, track,
// item, parameter and key, with the counts saying how many there are.
// Returns false when the file is missing or empty (the script is then empty).
bool loadSequenceScript(const std::string& fileName, SequenceScript& script);

// Draws the moment `tick` for the layers firstLayer..lastLayer: on each, the
// first track covering the tick runs its items. A top-level call restores
// the frame-buffer defaults at its end; GRAB calls it nested to draw another
// moment into a texture.
void runSequence(SequenceScript& script, int32_t tick, int32_t previousTick, bool topLevel, int32_t firstLayer,
                 int32_t lastLayer);

// The first track on `layer` that covers `tick` (the one runSequence runs
// there), or null.
const SequenceTrack* playingTrack(const SequenceScript& script, int32_t layer, int32_t tick);

// Whether the moment `tick` of layers firstLayer..lastLayer runs a GL GRAB,
// the one command that copies what was drawn into a texture. A grab of
// another moment is run once (its TIMEPOS then becomes 0): with `grabbedOnce`
// given, such a grab counts the first time it is met and is noted there.
bool momentGrabs(const SequenceScript& script, int32_t tick, int32_t firstLayer, int32_t lastLayer,
                 std::vector<const SequenceItem*>* grabbedOnce = nullptr);

// Whether the moment `tick` of layers firstLayer..lastLayer starts its
// picture afresh: its first GL STATE item clears the colour buffer, with
// both its NAME and VALUE given. False when that is not certain, for then
// the picture may build on the frame before.
bool momentClearsColour(const SequenceScript& script, int32_t tick, int32_t firstLayer, int32_t lastLayer);

// A parameter's value at a track's local tick, clamped to its range.
float evaluateParam(const SequenceParam& param, int32_t localTick, int32_t trackLength);

// The track's local tick: round((tick - start) x speed) + offset, never negative.
int32_t localTrackTick(const SequenceTrack& track, int32_t tick);

}  // namespace glorbe
