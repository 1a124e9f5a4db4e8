// Key list operations: filling, tangents, and the two interpolations.
#include "geometry/key_track.h"

namespace glorbe {

namespace {

// The keys in use; a count beyond the slots (a track filled by hand) is cut to them.
int32_t usedKeys(const KeyTrack& track) {
  if (track.count <= 0) return 0;
  return static_cast<size_t>(track.count) > track.keys.size() ? static_cast<int32_t>(track.keys.size()) : track.count;
}

// Where `tick` lies between two keys with from.tick <= tick <= to.tick and
// from.tick < to.tick; 64-bit differences so extreme ticks cannot overflow.
float segmentPosition(const Key& from, const Key& to, int32_t tick) {
  const int64_t span = int64_t{to.tick} - from.tick;
  return static_cast<float>(int64_t{tick} - from.tick) / static_cast<float>(span);
}

Vec3 lerp(const Vec3& a, const Vec3& b, float s) {
  return {a.x + (b.x - a.x) * s, a.y + (b.y - a.y) * s, a.z + (b.z - a.z) * s};
}

// The first segment i with tick[i] <= t < tick[i + 1], or -1.
int32_t findSegment(const KeyTrack& track, int32_t tick) {
  const int32_t n = usedKeys(track);
  for (int32_t i = 0; i + 1 < n; ++i) {
    if (track.keys[i].tick <= tick && tick < track.keys[i + 1].tick) return i;
  }
  return -1;
}

// The cases shared by both interpolations: true when `out` is settled.
bool evaluateFewKeys(const KeyTrack& track, int32_t tick, Vec3& out) {
  const int32_t n = usedKeys(track);
  if (n == 0) return true;
  const Key& first = track.keys[0];
  if (tick <= first.tick || n == 1) {
    out = first.value;
    return true;
  }
  if (n == 2) {
    const Key& second = track.keys[1];
    out = tick <= second.tick ? lerp(first.value, second.value, segmentPosition(first, second, tick)) : second.value;
    return true;
  }
  return false;
}

}  // namespace

void initTrack(KeyTrack& track, uint32_t capacity) {
  track.keys.assign(capacity, Key{});
  track.capacity = capacity;
  track.count = 0;
}

void addKey(KeyTrack& track, int32_t tick, float tension, float x, float y, float z) {
  if (track.count < 0 || static_cast<uint32_t>(track.count) >= track.capacity ||
      static_cast<size_t>(track.count) >= track.keys.size()) {
    return;
  }
  Key& key = track.keys[static_cast<size_t>(track.count)];
  key.tick = tick;
  key.tension = tension;
  key.value = {x, y, z};
  ++track.count;
}

void computeTangents(KeyTrack& track) {
  const int32_t n = usedKeys(track);
  if (n <= 2) return;
  std::vector<Key>& k = track.keys;
  for (int32_t i = 1; i + 1 < n; ++i) {
    const float t = k[i].tension;
    k[i].tangent = {(k[i + 1].value.x - k[i - 1].value.x) * t, (k[i + 1].value.y - k[i - 1].value.y) * t,
                    (k[i + 1].value.z - k[i - 1].value.z) * t};
  }
  k[0].tangent = Vec3{};
  k[static_cast<size_t>(n - 1)].tangent = Vec3{};
}

void evaluateSmooth(const KeyTrack& track, int32_t tick, Vec3& out) {
  if (evaluateFewKeys(track, tick, out)) return;
  const int32_t i = findSegment(track, tick);
  if (i < 0) {
    out = track.keys[static_cast<size_t>(usedKeys(track) - 1)].value;
    return;
  }
  const Key& a = track.keys[static_cast<size_t>(i)];
  const Key& b = track.keys[static_cast<size_t>(i + 1)];
  const float s = segmentPosition(a, b, tick);
  const float s2 = s * s;
  const float s3 = s2 * s;
  const float h1 = 2 * s3 - 3 * s2 + 1;
  const float h2 = -2 * s3 + 3 * s2;
  const float h3 = s3 - 2 * s2 + s;
  const float h4 = s3 - s2;
  out = {h1 * a.value.x + h2 * b.value.x + h3 * a.tangent.x + h4 * b.tangent.x,
         h1 * a.value.y + h2 * b.value.y + h3 * a.tangent.y + h4 * b.tangent.y,
         h1 * a.value.z + h2 * b.value.z + h3 * a.tangent.z + h4 * b.tangent.z};
}

void evaluateLinear(const KeyTrack& track, int32_t tick, Vec3& out) {
  if (evaluateFewKeys(track, tick, out)) return;
  const int32_t i = findSegment(track, tick);
  if (i < 0) {
    out = track.keys[static_cast<size_t>(usedKeys(track) - 1)].value;
    return;
  }
  const Key& a = track.keys[static_cast<size_t>(i)];
  const Key& b = track.keys[static_cast<size_t>(i + 1)];
  out = lerp(a.value, b.value, segmentPosition(a, b, tick));
}

}  // namespace glorbe
