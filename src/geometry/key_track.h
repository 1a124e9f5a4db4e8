// Timed key lists: keys with a tension, a three-component value and a
// tangent, read back by linear or cubic Hermite interpolation. Timeline
// parameters, sprite tracks and the model tracks of objects, cameras and
// lights all use them.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/maths.h"

namespace glorbe {

struct Key {
  int32_t tick = 0;
  float tension = 0;
  Vec3 value;
  Vec3 tangent;
};

struct KeyTrack {
  uint32_t capacity = 0;  // key slots allocated
  int32_t count = 0;      // keys stored, never above capacity
  std::vector<Key> keys;  // `capacity` slots, the first `count` in use
};

// Allocates `capacity` zeroed key slots and empties the track.
void initTrack(KeyTrack& track, uint32_t capacity);
// Stores a key in the next free slot; a full track ignores it.
void addKey(KeyTrack& track, int32_t tick, float tension, float x, float y, float z);
// Inner keys get (next - previous) x tension, the two end keys zero; tracks
// of one or two keys are left alone.
void computeTangents(KeyTrack& track);

// The value at `tick`. An empty track writes nothing, so `out` keeps what the
// caller had in it.
void evaluateSmooth(const KeyTrack& track, int32_t tick, Vec3& out);
void evaluateLinear(const KeyTrack& track, int32_t tick, Vec3& out);

}  // namespace glorbe
