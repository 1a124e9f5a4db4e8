// The timeline walk: per layer the first track covering the tick, its items
// in order, each with its parameters evaluated at the track's local tick and
// handed to its command.
#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "geometry/maths.h"
#include "sequencer/frame_buffer_commands.h"
#include "sequencer/sequence_script.h"
#include "sequencer/sequencer_state.h"
#include "sequencer/timeline_numbers.h"
#include "sequencer/working_values.h"

namespace glorbe {

namespace {

// ---- parameter words ----------------------------------------------------------

struct WordSlot {
  const char* word;
  float WorkingValues::*number;
  std::string WorkingValues::*text;
};

constexpr WordSlot text(const char* word, std::string WorkingValues::*slot) { return {word, nullptr, slot}; }
constexpr WordSlot number(const char* word, float WorkingValues::*slot) { return {word, slot, nullptr}; }

using W = WorkingValues;
constexpr WordSlot kName = text("NAME", &W::name);
constexpr WordSlot kName2 = text("NAME2", &W::name2);
constexpr WordSlot kMaterialN = text("MATERIALN", &W::materialN);
constexpr WordSlot kEnv = text("ENV", &W::env);
constexpr WordSlot kCName = text("CNAME", &W::cName);
constexpr WordSlot kLName = text("LNAME", &W::lName);
constexpr WordSlot kOName = text("ONAME", &W::oName);
constexpr WordSlot kDepth = number("DEPTH", &W::depth);
constexpr WordSlot kStyle = number("STYLE", &W::style);
constexpr WordSlot kPatterns = number("PATTERNS", &W::patterns);
constexpr WordSlot kSpeed = number("SPEED", &W::speed);
constexpr WordSlot kScaling = number("SCALING", &W::scaling);
constexpr WordSlot kX = number("X", &W::x);
constexpr WordSlot kY = number("Y", &W::y);
constexpr WordSlot kDx = number("DX", &W::dx);
constexpr WordSlot kDy = number("DY", &W::dy);
constexpr WordSlot kRot = number("ROT", &W::rot);
constexpr WordSlot kR1 = number("R1", &W::r1);
constexpr WordSlot kG1 = number("G1", &W::g1);
constexpr WordSlot kB1 = number("B1", &W::b1);
constexpr WordSlot kR2 = number("R2", &W::r2);
constexpr WordSlot kG2 = number("G2", &W::g2);
constexpr WordSlot kB2 = number("B2", &W::b2);
constexpr WordSlot kR3 = number("R3", &W::r3);
constexpr WordSlot kG3 = number("G3", &W::g3);
constexpr WordSlot kB3 = number("B3", &W::b3);
constexpr WordSlot kR4 = number("R4", &W::r4);
constexpr WordSlot kG4 = number("G4", &W::g4);
constexpr WordSlot kB4 = number("B4", &W::b4);
constexpr WordSlot kR = number("R", &W::r);
constexpr WordSlot kG = number("G", &W::g);
constexpr WordSlot kB = number("B", &W::b);
constexpr WordSlot kA = number("A", &W::a);
constexpr WordSlot kAmount = number("AMOUNT", &W::amount);
constexpr WordSlot kMode = number("MODE", &W::mode);
constexpr WordSlot kFlipX = number("FLIPX", &W::flipX);
constexpr WordSlot kFlipY = number("FLIPY", &W::flipY);
constexpr WordSlot kValue = number("VALUE", &W::value);
constexpr WordSlot kTimePos = number("TIMEPOS", &W::timePos);
constexpr WordSlot kRange1 = number("RANGE1", &W::range1);
constexpr WordSlot kRange2 = number("RANGE2", &W::range2);
constexpr WordSlot kZScale = number("ZSCALE", &W::zScale);
constexpr WordSlot kSize = number("SIZE", &W::size);
constexpr WordSlot kAx = number("AX", &W::ax);
constexpr WordSlot kAy = number("AY", &W::ay);
constexpr WordSlot kAz = number("AZ", &W::az);
constexpr WordSlot kSx = number("SX", &W::sx);
constexpr WordSlot kSy = number("SY", &W::sy);
constexpr WordSlot kSz = number("SZ", &W::sz);

struct CommandEntry {
  const char* category;
  const char* command;
  TimelineCommand id;
  std::initializer_list<WordSlot> words;
};

const CommandEntry kCommands[] = {
    {"SPRITE", "RENDER", TimelineCommand::SpriteRender, {kName, kDepth, kStyle, kPatterns, kSpeed, kScaling}},
    {"SPRITE", "ANIMATE", TimelineCommand::SpriteAnimate, {kName, kX, kY, kDx, kDy, kRot}},
    {"SPRITE", "COLOR1", TimelineCommand::SpriteColor1, {kName, kR1, kG1, kB1, kR2, kG2, kB2}},
    {"SPRITE", "COLOR2", TimelineCommand::SpriteColor2, {kName, kR3, kG3, kB3, kR4, kG4, kB4}},
    {"SPRITE", "STATE", TimelineCommand::SpriteState, {kName, kFlipX, kFlipY}},
    {"SPRITE", "EXTENDED", TimelineCommand::SpriteExtended, {kName, kStyle, kX, kY, kR, kG, kB, kA, kSpeed}},
    {"SPRITE", "MATERIAL", TimelineCommand::SpriteMaterial, {kName, kMaterialN, kEnv}},
    {"MOVELIST", "RENDER", TimelineCommand::MoveListRender, {kName, kName2, kSpeed}},
    {"MOVELIST", "REFRESH", TimelineCommand::MoveListRefresh, {kName, kAmount, kScaling, kRot, kMode}},
    {"MOVELIST", "RENDER2PIC", TimelineCommand::MoveListRender2Pic, {kName, kAmount, kSpeed, kStyle}},
    {"GL", "FULLSCREENPOLY", TimelineCommand::GlFullScreenPoly, {kR, kG, kB, kA}},
    {"GL", "CLEARCOLOR", TimelineCommand::GlClearColor, {kR, kG, kB, kA}},
    {"GL", "STATE", TimelineCommand::GlState, {kName, kValue}},
    {"GL", "VIEWPORT", TimelineCommand::GlViewport, {kX, kY, kDx, kDy}},
    {"GL", "GRAB", TimelineCommand::GlGrab, {kName, kX, kY, kTimePos, kRange1, kRange2}},
    {"SCENE3D", "RENDER", TimelineCommand::SceneRender, {kName}},
    {"SCENE3D", "CAM", TimelineCommand::SceneCam, {kName, kCName, kZScale}},
    {"SCENE3D", "LIGHT", TimelineCommand::SceneLight, {kName, kLName, kR, kG, kB, kSize}},
    {"SCENE3D", "OBJ", TimelineCommand::SceneObj, {kName, kOName}},
    {"SCENE3D", "OBJDISTORT", TimelineCommand::SceneObjDistort, {kName, kOName, kStyle, kAx, kAy, kAz, kSx, kSy, kSz}},
};

const CommandEntry* entryOf(TimelineCommand id) {
  for (const CommandEntry& e : kCommands) {
    if (e.id == id) return &e;
  }
  return nullptr;
}

bool isTimelineCategory(const std::string& category) {
  return category == "SPRITE" || category == "MOVELIST" || category == "GL" || category == "SCENE3D";
}

int32_t rounded(float v) { return roundToInt32(v); }
bool flag(float v) { return v != 0; }

// ---- one item -------------------------------------------------------------------

struct CallContext {
  SequenceScript& script;
  int32_t tick;
  int32_t previousTick;
  bool topLevel;
  WorkingValues values;
};

void act(CallContext& call, TimelineCommand command, SequenceItem& item, int32_t localTick, int32_t localPrevTick) {
  const WorkingValues& v = call.values;
  switch (command) {
    case TimelineCommand::SpriteRender:
      runSpriteRender(spriteRenderValues(v), localTick, localPrevTick);
      break;
    case TimelineCommand::SpriteAnimate:
      runSpriteAnimate(spriteAnimateValues(v), localTick, localPrevTick);
      break;
    case TimelineCommand::SpriteColor1:
      runSpriteColor1(spriteColor1Values(v), localTick, localPrevTick);
      break;
    case TimelineCommand::SpriteColor2:
      runSpriteColor2(spriteColor2Values(v), localTick, localPrevTick);
      break;
    case TimelineCommand::SpriteState:
      runSpriteState(spriteStateValues(v), localTick, localPrevTick);
      break;
    case TimelineCommand::SpriteExtended:
      runSpriteExtended(spriteExtendedValues(v), localTick, localPrevTick);
      break;
    case TimelineCommand::SpriteMaterial:
      runSpriteMaterial(spriteMaterialValues(v), localTick, localPrevTick);
      break;
    case TimelineCommand::MoveListRender:
      runMoveListRender(moveListRenderValues(v), localTick, localPrevTick);
      break;
    case TimelineCommand::MoveListRefresh:
      runMoveListRefresh(moveListRefreshValues(v), localTick, localPrevTick);
      break;
    case TimelineCommand::MoveListRender2Pic:
      runMoveListRender2Pic(moveListRender2PicValues(v), localTick, localPrevTick);
      break;
    case TimelineCommand::GlFullScreenPoly:
      drawFullScreenPoly(v.r, v.g, v.b, v.a);
      break;
    case TimelineCommand::GlClearColor:
      setClearColor(v.r, v.g, v.b, v.a);
      break;
    case TimelineCommand::GlState:
      applyGlState(v.name, v.value);
      break;
    case TimelineCommand::GlViewport:
      applyViewport(v.x, v.y, v.dx, v.dy, call.topLevel);
      break;
    case TimelineCommand::GlGrab:
      grabFrame(call.script, item, grabValues(v), call.tick, call.topLevel);
      break;
    case TimelineCommand::SceneCam:
      runSceneCam(sceneCamValues(v), localTick, localPrevTick);
      break;
    case TimelineCommand::SceneLight:
      runSceneLight(sceneLightValues(v), localTick, localPrevTick);
      break;
    case TimelineCommand::SceneObjDistort:
      runSceneObjDistort(sceneObjDistortValues(v), localTick, localPrevTick);
      break;
    case TimelineCommand::SceneRender:  // rendered per NAME as it is read
    case TimelineCommand::SceneObj:     // names an object and changes nothing
    case TimelineCommand::None:
      break;
  }
}

void runItem(CallContext& call, const SequenceTrack& track, SequenceItem& item) {
  if (!isTimelineCategory(item.category)) return;
  const int32_t localTick = localTrackTick(track, call.tick);
  const int32_t localPrevTick = localTrackTick(track, call.previousTick);
  const TimelineCommand command = findTimelineCommand(item.category, item.command);
  if (command == TimelineCommand::None) return;
  for (const SequenceParam& p : item.params) {
    if (!readParamValue(command, p, localTick, track.length, call.values)) continue;
    if (command == TimelineCommand::SceneRender) runSceneRender(call.values.name, localTick, localPrevTick);
  }
  act(call, command, item, localTick, localPrevTick);
}

// The first track on `layer` that covers `tick`, or null.
SequenceTrack* trackFor(SequenceScript& script, int32_t layer, int32_t tick) {
  for (SequenceTrack& t : script.tracks) {
    if (t.layer == layer && t.start <= tick && int64_t{tick} <= int64_t{t.start} + t.length) return &t;
  }
  return nullptr;
}

}  // namespace

const SequenceTrack* playingTrack(const SequenceScript& script, int32_t layer, int32_t tick) {
  for (const SequenceTrack& t : script.tracks) {
    if (t.layer == layer && t.start <= tick && int64_t{tick} <= int64_t{t.start} + t.length) return &t;
  }
  return nullptr;
}

bool momentGrabs(const SequenceScript& script, int32_t tick, int32_t firstLayer, int32_t lastLayer,
                 std::vector<const SequenceItem*>* grabbedOnce) {
  bool any = false;
  for (int32_t layer = std::max(firstLayer, 0); layer <= std::min(lastLayer, kHighestLayer); ++layer) {
    const SequenceTrack* track = playingTrack(script, layer, tick);
    if (track == nullptr) continue;
    for (const SequenceItem& item : track->items) {
      if (findTimelineCommand(item.category, item.command) != TimelineCommand::GlGrab) continue;
      // A TIMEPOS of 0 grabs nothing. Without the word the value comes from
      // the items before, so it counts as a grab.
      bool grabs = true;
      float timePos = -1;
      for (const SequenceParam& p : item.params) {
        if (p.name != "TIMEPOS") continue;
        timePos = evaluateParam(p, localTrackTick(*track, tick), track->length);
        grabs = timePos < 0 || timePos > 0;
      }
      const bool once = timePos > 0 && roundToInt32(static_cast<double>(timePos) * 60.0) <= script.endTick;
      if (grabs && once && grabbedOnce != nullptr) {
        if (std::find(grabbedOnce->begin(), grabbedOnce->end(), &item) != grabbedOnce->end()) continue;
        grabbedOnce->push_back(&item);
      }
      any = any || grabs;
    }
  }
  return any;
}

bool momentClearsColour(const SequenceScript& script, int32_t tick, int32_t firstLayer, int32_t lastLayer) {
  for (int32_t layer = std::max(firstLayer, 0); layer <= std::min(lastLayer, kHighestLayer); ++layer) {
    const SequenceTrack* track = playingTrack(script, layer, tick);
    if (track == nullptr) continue;
    for (const SequenceItem& item : track->items) {
      if (findTimelineCommand(item.category, item.command) != TimelineCommand::GlState) continue;
      const SequenceParam* name = nullptr;
      const SequenceParam* value = nullptr;
      for (const SequenceParam& p : item.params) {
        if (p.name == "NAME") name = &p;
        if (p.name == "VALUE") value = &p;
      }
      if (name == nullptr || value == nullptr || name->text != "CLEAR") return false;
      const float v = evaluateParam(*value, localTrackTick(*track, tick), track->length);
      return (roundToInt32(v) & 1) != 0;
    }
  }
  return false;
}

// ---- working values -------------------------------------------------------------

TimelineCommand findTimelineCommand(const std::string& category, const std::string& command) {
  for (const CommandEntry& e : kCommands) {
    if (category == e.category && command == e.command) return e.id;
  }
  return TimelineCommand::None;
}

WordKind commandWordKind(TimelineCommand command, const std::string& word) {
  const CommandEntry* entry = entryOf(command);
  if (entry == nullptr) return WordKind::Unknown;
  for (const WordSlot& slot : entry->words) {
    if (word == slot.word) return slot.text != nullptr ? WordKind::Text : WordKind::Number;
  }
  return WordKind::Unknown;
}

bool readParamValue(TimelineCommand command, const SequenceParam& param, int32_t localTick, int32_t trackLength,
                    WorkingValues& values) {
  const CommandEntry* entry = entryOf(command);
  if (entry == nullptr) return false;
  for (const WordSlot& slot : entry->words) {
    if (param.name != slot.word) continue;
    if (slot.text != nullptr) {
      values.*slot.text = param.text;
    } else {
      values.*slot.number = evaluateParam(param, localTick, trackLength);
    }
    return true;
  }
  return false;
}

SpriteRenderValues spriteRenderValues(const WorkingValues& v) {
  return {v.name, flag(v.depth), rounded(v.style), rounded(v.patterns), v.speed, v.scaling};
}

SpriteAnimateValues spriteAnimateValues(const WorkingValues& v) { return {v.name, v.x, v.y, v.dx, v.dy, v.rot}; }

SpriteColorValues spriteColor1Values(const WorkingValues& v) {
  return {v.name, {v.r1, v.g1, v.b1}, {v.r2, v.g2, v.b2}};
}

SpriteColorValues spriteColor2Values(const WorkingValues& v) {
  return {v.name, {v.r3, v.g3, v.b3}, {v.r4, v.g4, v.b4}};
}

SpriteStateValues spriteStateValues(const WorkingValues& v) { return {v.name, flag(v.flipX), flag(v.flipY)}; }

SpriteExtendedValues spriteExtendedValues(const WorkingValues& v) {
  return {v.name, rounded(v.style), v.x, v.y, v.r, v.g, v.b, v.a, v.speed};
}

SpriteMaterialValues spriteMaterialValues(const WorkingValues& v) { return {v.name, v.materialN, v.env}; }

MoveListRenderValues moveListRenderValues(const WorkingValues& v) { return {v.name, v.name2, v.speed}; }

MoveListRefreshValues moveListRefreshValues(const WorkingValues& v) {
  return {v.name, v.amount, v.scaling, v.rot, flag(v.mode)};
}

MoveListRender2PicValues moveListRender2PicValues(const WorkingValues& v) {
  return {v.name, rounded(v.amount), v.speed, rounded(v.style)};
}

SceneCamValues sceneCamValues(const WorkingValues& v) { return {v.name, v.cName, v.zScale}; }

SceneLightValues sceneLightValues(const WorkingValues& v) { return {v.name, v.lName, v.r, v.g, v.b, v.size}; }

SceneObjDistortValues sceneObjDistortValues(const WorkingValues& v) {
  return {v.name, v.oName, rounded(v.style), v.ax, v.ay, v.az, v.sx, v.sy, v.sz};
}

GrabValues grabValues(const WorkingValues& v) { return {v.name, v.x, v.y, v.timePos, v.range1, v.range2}; }

// ---- evaluation and the walk ----------------------------------------------------

float evaluateParam(const SequenceParam& param, int32_t localTick, int32_t trackLength) {
  float value = 0;  // an empty curve or an unknown mode gives 0
  Vec3 curveValue;
  switch (param.mode) {
    case kModeConstant:
      value = param.constant;
      break;
    case kModeLinear:
      evaluateLinear(param.curve, localTick, curveValue);
      value = curveValue.x;
      break;
    case kModeSmooth:
      evaluateSmooth(param.curve, localTick, curveValue);
      value = curveValue.x;
      break;
    case kModeSine: {
      const uint32_t halfLength = static_cast<uint32_t>(trackLength) / 2u;
      const float angle =
          param.frequency * static_cast<float>(localTick) * kPi / static_cast<float>(halfLength + 1u) + param.phase;
      value = std::sin(angle) * param.amplitude + param.offset;
      break;
    }
    default:
      break;
  }
  if (value < param.minimum) {
    value = param.minimum;
  } else if (value > param.maximum) {
    value = param.maximum;
  }
  return value;
}

int32_t localTrackTick(const SequenceTrack& track, int32_t tick) {
  const double scaled = static_cast<double>(int64_t{tick} - track.start) * static_cast<double>(track.speed);
  const int64_t local = int64_t{roundToInt32(scaled)} + track.offset;
  return std::max(clampToInt32(local), 0);
}

void runSequence(SequenceScript& script, int32_t tick, int32_t previousTick, bool topLevel, int32_t firstLayer,
                 int32_t lastLayer) {
  if (script.endTick < tick) return;
  if (topLevel) sequencer.frameBuffer.viewportChanged = false;
  CallContext call{script, tick, previousTick, topLevel, {}};
  // Tracks live on layers 0..255, so the walk never needs to look further.
  const int32_t from = std::max(firstLayer, 0);
  const int32_t to = std::min(lastLayer, kHighestLayer);
  for (int32_t layer = from; layer <= to; ++layer) {
    SequenceTrack* track = trackFor(script, layer, tick);
    if (track == nullptr) continue;
    for (SequenceItem& item : track->items) runItem(call, *track, item);
  }
  if (topLevel) restoreFrameBufferDefaults();
}

}  // namespace glorbe
