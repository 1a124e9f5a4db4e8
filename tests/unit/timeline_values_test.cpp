// Parameter values at a track's local time, the local time itself, and the
// records the interpreter hands to the sprite, move-list and scene commands.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "render/scene_commands.h"
#include "sequencer/sequence_script.h"
#include "sequencer/timeline_numbers.h"
#include "sequencer/working_values.h"

namespace glorbe {
namespace {

constexpr float kBig = 1e30f;

SequenceParam constantParam(const std::string& name, float value, float minimum = -kBig, float maximum = kBig) {
  SequenceParam p;
  p.name = name;
  p.constant = value;
  p.minimum = minimum;
  p.maximum = maximum;
  return p;
}

SequenceParam textParam(const std::string& name, const std::string& text) {
  SequenceParam p = constantParam(name, 0);
  p.text = text;
  return p;
}

SequenceParam sineParam(float frequency, float phase) {
  SequenceParam p = constantParam("X", 0);
  p.mode = kModeSine;
  p.frequency = frequency;
  p.amplitude = 2;
  p.offset = 1;
  p.phase = phase;
  return p;
}

TEST(EvaluateParam, SineRunsOnePeriodOverTheTrackWithIntegerHalving) {
  const SequenceParam p = sineParam(1, 0);
  // length 120: period 2 x (120 / 2 + 1) = 122 ticks
  EXPECT_FLOAT_EQ(evaluateParam(p, 0, 120), 1);
  EXPECT_NEAR(evaluateParam(p, 122, 120), 1, 1e-5);
  EXPECT_NEAR(evaluateParam(p, 61, 120), 1, 1e-5);
  EXPECT_NEAR(evaluateParam(p, 30, 120), 1 + 2 * std::sin(30 * kPi / 61), 1e-5);
  // 121 / 2 is 60 as well
  EXPECT_FLOAT_EQ(evaluateParam(p, 30, 121), evaluateParam(p, 30, 120));
  // phase in radians, frequency in periods
  EXPECT_NEAR(evaluateParam(sineParam(1, kPi / 2), 0, 120), 3, 1e-6);
  EXPECT_NEAR(evaluateParam(sineParam(2, 0), 61, 120), 1, 1e-5);
  // A negative length halves as an unsigned number: a tiny step, no division by zero.
  EXPECT_NEAR(evaluateParam(p, 1000, -2), 1, 1e-4);
}

TEST(EvaluateParam, ClampPrefersTheMinimumAndCurvesReadTheirXComponent) {
  EXPECT_FLOAT_EQ(evaluateParam(constantParam("X", 0.5f, 1, 0), 0, 10), 1);
  EXPECT_FLOAT_EQ(evaluateParam(constantParam("X", 2, 1, 0), 0, 10), 0);
  EXPECT_FLOAT_EQ(evaluateParam(constantParam("X", 7, 0, 5), 0, 10), 5);
  EXPECT_FLOAT_EQ(evaluateParam(constantParam("X", -7, -3, 5), 0, 10), -3);

  SequenceParam curve = constantParam("X", 123);
  initTrack(curve.curve, 3);
  addKey(curve.curve, 0, 0.5f, 0, 9, 9);
  addKey(curve.curve, 10, 0.5f, 10, 9, 9);
  addKey(curve.curve, 20, 0.5f, 30, 9, 9);
  computeTangents(curve.curve);
  curve.mode = kModeLinear;
  EXPECT_FLOAT_EQ(evaluateParam(curve, 15, 20), 20);
  curve.mode = kModeSmooth;
  EXPECT_FLOAT_EQ(evaluateParam(curve, 5, 20), 5 - 0.125f * 15);

  // No keys, or a mode the engine does not know: 0, still clamped.
  SequenceParam empty = constantParam("X", 123, 0.25f, 1);
  empty.mode = kModeSmooth;
  EXPECT_FLOAT_EQ(evaluateParam(empty, 5, 20), 0.25f);
  empty.mode = 9;
  EXPECT_FLOAT_EQ(evaluateParam(empty, 5, 20), 0.25f);
}

TEST(LocalTrackTick, SpeedOffsetRoundingAndTheClampToZero) {
  SequenceTrack t;
  t.start = 100;
  t.speed = 2;
  t.offset = 30;
  EXPECT_EQ(localTrackTick(t, 110), 50);
  t.speed = 0;
  EXPECT_EQ(localTrackTick(t, 110), 30);
  t.speed = 0.5f;
  t.offset = 0;
  EXPECT_EQ(localTrackTick(t, 105), 2);  // 2.5 to even
  EXPECT_EQ(localTrackTick(t, 107), 4);  // 3.5 to even
  t.speed = 1;
  t.offset = -20;
  EXPECT_EQ(localTrackTick(t, 110), 0);
  EXPECT_EQ(localTrackTick(t, 125), 5);
  EXPECT_EQ(localTrackTick(t, 50), 0);  // before the start

  // Whatever the file held, the result is a defined tick.
  t.start = std::numeric_limits<int32_t>::min();
  t.offset = std::numeric_limits<int32_t>::max();
  t.speed = std::numeric_limits<float>::max();
  EXPECT_EQ(localTrackTick(t, std::numeric_limits<int32_t>::max()), std::numeric_limits<int32_t>::max());
  t.speed = std::numeric_limits<float>::quiet_NaN();
  t.offset = 7;
  EXPECT_EQ(localTrackTick(t, 0), 7);
}

TEST(TimelineNumbers, ConversionsOfAnythingAFileHolds) {
  EXPECT_EQ(roundToInt32(std::nan("")), 0);
  EXPECT_EQ(roundToInt32(1e300), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(roundToInt32(-std::numeric_limits<double>::infinity()), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(roundToInt32(2.5), 2);
  EXPECT_EQ(roundToInt32(-3.5), -4);
  EXPECT_EQ(ticksFromSeconds(1.5 / 60.0), 2);
  EXPECT_EQ(narrowToFloat(1e300), std::numeric_limits<float>::max());
  EXPECT_EQ(narrowToFloat(-1e300), -std::numeric_limits<float>::max());
  EXPECT_TRUE(std::isnan(narrowToFloat(std::nan(""))));
  EXPECT_TRUE(std::isinf(narrowToFloat(std::numeric_limits<double>::infinity())));
}

TEST(WorkingValues, CommandsReadOnlyTheirOwnWordsAndRoundIntsAndFlags) {
  EXPECT_EQ(findTimelineCommand("SPRITE", "STATE"), TimelineCommand::SpriteState);
  EXPECT_EQ(findTimelineCommand("GL", "STATE"), TimelineCommand::GlState);
  EXPECT_EQ(findTimelineCommand("GL", "RENDER"), TimelineCommand::None);
  EXPECT_EQ(findTimelineCommand("SCENE3D", "OBJDISTORT"), TimelineCommand::SceneObjDistort);

  WorkingValues v;
  v.x = 42;
  const auto read = [&](TimelineCommand c, const SequenceParam& p) { return readParamValue(c, p, 0, 100, v); };
  EXPECT_TRUE(read(TimelineCommand::SpriteRender, textParam("NAME", "BALL")));
  EXPECT_TRUE(read(TimelineCommand::SpriteRender, constantParam("DEPTH", 0.25f)));
  EXPECT_TRUE(read(TimelineCommand::SpriteRender, constantParam("STYLE", 2.5f)));
  EXPECT_TRUE(read(TimelineCommand::SpriteRender, constantParam("PATTERNS", 3.5f)));
  EXPECT_TRUE(read(TimelineCommand::SpriteRender, constantParam("SPEED", 0.75f)));
  EXPECT_FALSE(read(TimelineCommand::SpriteRender, constantParam("X", 1)));  // not a RENDER word
  EXPECT_FALSE(read(TimelineCommand::SpriteRender, constantParam("name", 1)));
  EXPECT_EQ(v.x, 42);
  const SpriteRenderValues r = spriteRenderValues(v);
  EXPECT_EQ(r.name, "BALL");
  EXPECT_TRUE(r.depth);
  EXPECT_EQ(r.style, 2);
  EXPECT_EQ(r.patterns, 4);
  EXPECT_FLOAT_EQ(r.speed, 0.75f);

  // A text word takes the text whatever the mode; a number word is evaluated.
  SequenceParam named = sineParam(1, 0);
  named.name = "MATERIALN";
  named.text = "GLOW";
  EXPECT_TRUE(read(TimelineCommand::SpriteMaterial, named));
  EXPECT_EQ(spriteMaterialValues(v).materialName, "GLOW");
  EXPECT_EQ(spriteMaterialValues(v).name, "BALL");  // kept from the earlier item

  EXPECT_TRUE(read(TimelineCommand::MoveListRefresh, constantParam("AMOUNT", 0.5f)));
  EXPECT_TRUE(read(TimelineCommand::MoveListRefresh, constantParam("MODE", -0.0f)));
  EXPECT_FLOAT_EQ(moveListRefreshValues(v).amount, 0.5f);  // a fraction here
  EXPECT_FALSE(moveListRefreshValues(v).mode);
  EXPECT_EQ(moveListRender2PicValues(v).amount, 0);  // rounded there (0.5 to even)

  EXPECT_TRUE(read(TimelineCommand::SpriteState, constantParam("FLIPY", std::numeric_limits<float>::quiet_NaN())));
  EXPECT_TRUE(spriteStateValues(v).flipY);
  EXPECT_TRUE(read(TimelineCommand::SceneObjDistort, constantParam("STYLE", std::numeric_limits<float>::infinity())));
  EXPECT_EQ(sceneObjDistortValues(v).style, std::numeric_limits<int32_t>::max());
  EXPECT_FALSE(read(TimelineCommand::SceneObj, constantParam("STYLE", 1)));
}

TEST(CommandHelpers, NamesWarpPhaseAndRefreshAmount) {
  EXPECT_TRUE(nameContains("BALL", "BALL"));
  EXPECT_TRUE(nameContains("BALL2", "BALL"));
  EXPECT_TRUE(nameContains("REDBALL", "BALL"));
  EXPECT_FALSE(nameContains("BAL", "BALL"));
  EXPECT_FALSE(nameContains("BALL", ""));
  EXPECT_FALSE(nameContains("", ""));

  EXPECT_EQ(moveListWarpPhase(0, 1), 16384);  // 16383.5 to even
  EXPECT_EQ(moveListWarpPhase(1, 0.5f), 32767);
  EXPECT_EQ(moveListWarpPhase(3, 0.5f), 0);
  EXPECT_EQ(moveListWarpPhase(5, std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(refreshPixelCount(256, 128, 0.25f), 8192);
  EXPECT_EQ(refreshPixelCount(256, 256, 1e30f), std::numeric_limits<int32_t>::max());
}

TEST(CommandHelpers, ObjDistortPairsAxWithSxAzWithSyAyWithSz) {
  SceneObjDistortValues v;
  v.ax = 1;
  v.ay = 2;
  v.az = 3;
  v.sx = 0.5f;
  v.sy = 0.25f;
  v.sz = 2;

  v.style = 0;
  DeformerCall c = objDistortArguments(v, 1);
  ASSERT_EQ(c.deformer, Deformer::Wobble);
  ASSERT_EQ(c.argCount, 7);
  EXPECT_FLOAT_EQ(c.args[0], kPi * 1);
  EXPECT_FLOAT_EQ(c.args[1], kPi * 3);
  EXPECT_FLOAT_EQ(c.args[2], kPi * 2);
  EXPECT_FLOAT_EQ(c.args[3], 1 + std::sin(0.1f * kPi * 1) * 0.5f);
  EXPECT_FLOAT_EQ(c.args[4], 1 + std::sin(0.1f * kPi * 3) * 0.25f);
  EXPECT_FLOAT_EQ(c.args[5], 1 + std::sin(0.1f * kPi * 2) * 2);
  EXPECT_FLOAT_EQ(c.args[6], 0.3f);

  v.style = 1;
  c = objDistortArguments(v, 1);
  ASSERT_EQ(c.deformer, Deformer::Twist);
  ASSERT_EQ(c.argCount, 6);
  EXPECT_FLOAT_EQ(c.args[1], std::sin(kPi * 3) * kPi * 0.25f);
  EXPECT_FLOAT_EQ(c.args[3], (std::cos(kPi * 1) + 1) * 0.5f * 0.5f);
  EXPECT_FLOAT_EQ(c.args[5], (std::cos(kPi * 2) + 1) * 2 * 0.5f);

  v.style = 2;
  c = objDistortArguments(v, 1);
  ASSERT_EQ(c.deformer, Deformer::Bend);
  ASSERT_EQ(c.argCount, 3);
  EXPECT_FLOAT_EQ(c.args[2], std::sin(kPi * 2) * 2);

  v.style = -1;
  EXPECT_EQ(objDistortArguments(v, 1).deformer, Deformer::Undo);
  v.style = 3;
  EXPECT_EQ(objDistortArguments(v, 1).deformer, Deformer::None);
}

}  // namespace
}  // namespace glorbe
