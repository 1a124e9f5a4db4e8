// Key lists: filling, tangents and both interpolations.
#include <gtest/gtest.h>

#include "geometry/key_track.h"

namespace glorbe {
namespace {

KeyTrack trackOf(std::initializer_list<std::pair<int32_t, float>> keys) {
  KeyTrack t;
  initTrack(t, static_cast<uint32_t>(keys.size()));
  for (const auto& [tick, value] : keys) addKey(t, tick, 0.5f, value, -value, 2 * value);
  computeTangents(t);
  return t;
}

float smoothAt(const KeyTrack& t, int32_t tick) {
  Vec3 v{-99, -99, -99};
  evaluateSmooth(t, tick, v);
  return v.x;
}

float linearAt(const KeyTrack& t, int32_t tick) {
  Vec3 v{-99, -99, -99};
  evaluateLinear(t, tick, v);
  return v.x;
}

TEST(KeyTrack, FullTrackIgnoresFurtherKeysAndEmptyTrackWritesNothing) {
  KeyTrack t;
  initTrack(t, 2);
  addKey(t, 0, 0.5f, 1, 2, 3);
  addKey(t, 10, 0.5f, 4, 5, 6);
  addKey(t, 20, 0.5f, 7, 8, 9);
  EXPECT_EQ(t.count, 2);
  EXPECT_EQ(t.keys.size(), 2u);
  EXPECT_EQ(t.keys[1].value.z, 6);

  KeyTrack empty;
  Vec3 kept{1, 2, 3};
  evaluateSmooth(empty, 5, kept);
  evaluateLinear(empty, 5, kept);
  EXPECT_TRUE(vec3Equal(kept, Vec3{1, 2, 3}));

  // A count claiming more keys than slots reads only the slots.
  KeyTrack lying = trackOf({{0, 1}, {10, 3}});
  lying.count = 50;
  EXPECT_FLOAT_EQ(smoothAt(lying, 100), 3);
}

TEST(KeyTrack, OneKeyIsConstantTwoKeysAreLinearBetweenAndConstantOutside) {
  const KeyTrack one = trackOf({{10, 4}});
  EXPECT_FLOAT_EQ(smoothAt(one, -100), 4);
  EXPECT_FLOAT_EQ(linearAt(one, 1000), 4);

  const KeyTrack two = trackOf({{10, 0}, {30, 8}});
  EXPECT_FLOAT_EQ(two.keys[0].tangent.x, 0);  // no tangents for two keys
  for (auto at : {&smoothAt, &linearAt}) {
    EXPECT_FLOAT_EQ(at(two, 0), 0);
    EXPECT_FLOAT_EQ(at(two, 15), 2);
    EXPECT_FLOAT_EQ(at(two, 30), 8);
    EXPECT_FLOAT_EQ(at(two, 31), 8);
  }
  Vec3 v;
  evaluateLinear(two, 20, v);
  EXPECT_FLOAT_EQ(v.y, -4);  // every component is interpolated
  EXPECT_FLOAT_EQ(v.z, 8);
}

TEST(KeyTrack, ThreeKeysUseHermiteWithInnerTangentsAndFlatEnds) {
  const KeyTrack t = trackOf({{0, 0}, {10, 10}, {20, 30}});
  EXPECT_FLOAT_EQ(t.keys[1].tangent.x, 15);  // (30 - 0) x 0.5
  EXPECT_FLOAT_EQ(t.keys[1].tangent.y, -15);
  EXPECT_FLOAT_EQ(t.keys[0].tangent.x, 0);
  EXPECT_FLOAT_EQ(t.keys[2].tangent.x, 0);

  // s = 0.5: h = (0.5, 0.5, 0.125, -0.125)
  EXPECT_FLOAT_EQ(smoothAt(t, 5), 0.5f * 10 - 0.125f * 15);
  EXPECT_FLOAT_EQ(smoothAt(t, 15), 0.5f * 10 + 0.5f * 30 + 0.125f * 15);
  EXPECT_FLOAT_EQ(smoothAt(t, 10), 10);
  EXPECT_FLOAT_EQ(smoothAt(t, -3), 0);
  EXPECT_FLOAT_EQ(smoothAt(t, 20), 30);
  EXPECT_FLOAT_EQ(smoothAt(t, 99), 30);

  EXPECT_FLOAT_EQ(linearAt(t, 5), 5);
  EXPECT_FLOAT_EQ(linearAt(t, 15), 20);
  EXPECT_FLOAT_EQ(linearAt(t, 25), 30);
}

TEST(KeyTrack, TangentsFollowEachKeysTension) {
  KeyTrack t;
  initTrack(t, 4);
  addKey(t, 0, 0.5f, 0, 0, 0);
  addKey(t, 10, 1.0f, 2, 0, 0);
  addKey(t, 20, 0.25f, 6, 0, 0);
  addKey(t, 30, 0.5f, 14, 0, 0);
  computeTangents(t);
  EXPECT_FLOAT_EQ(t.keys[1].tangent.x, 6);    // (6 - 0) x 1
  EXPECT_FLOAT_EQ(t.keys[2].tangent.x, 3);    // (14 - 2) x 0.25
  EXPECT_FLOAT_EQ(t.keys[3].tangent.x, 0);
}

TEST(KeyTrack, ExtremeTicksDoNotOverflow) {
  const KeyTrack t = trackOf({{-2147483647 - 1, 0}, {2147483647, 1}});
  EXPECT_NEAR(smoothAt(t, 0), 0.5f, 1e-6);
  const KeyTrack three = trackOf({{-2147483647 - 1, 0}, {0, 1}, {2147483647, 2}});
  EXPECT_NEAR(linearAt(three, 1073741824), 1.5f, 1e-6);
}

}  // namespace
}  // namespace glorbe
