// The values an item's parameters are evaluated into. One set lives for a
// whole timeline call: an item that leaves a parameter out sees the value an
// earlier item of the same call gave it (0 or empty before the first). Each
// parameter word has one slot, whatever command reads it.
#pragma once

#include <cstdint>
#include <string>

#include "render/scene_commands.h"
#include "sequencer/frame_buffer_commands.h"
#include "sequencer/sequence_script.h"
#include "sequencer/timeline_commands.h"

namespace glorbe {

struct WorkingValues {
  // texts
  std::string name, name2, materialN, env, cName, lName, oName;
  // numbers, unrounded
  float depth = 0, style = 0, patterns = 0, speed = 0, scaling = 0;
  float x = 0, y = 0, dx = 0, dy = 0, rot = 0;
  float r1 = 0, g1 = 0, b1 = 0, r2 = 0, g2 = 0, b2 = 0, r3 = 0, g3 = 0, b3 = 0, r4 = 0, g4 = 0, b4 = 0;
  float r = 0, g = 0, b = 0, a = 0;
  float amount = 0, mode = 0, flipX = 0, flipY = 0, value = 0;
  float timePos = 0, range1 = 0, range2 = 0, zScale = 0, size = 0;
  float ax = 0, ay = 0, az = 0, sx = 0, sy = 0, sz = 0;
};

enum class TimelineCommand {
  None,
  SpriteRender, SpriteAnimate, SpriteColor1, SpriteColor2, SpriteState, SpriteExtended, SpriteMaterial,
  MoveListRender, MoveListRefresh, MoveListRender2Pic,
  GlFullScreenPoly, GlClearColor, GlState, GlViewport, GlGrab,
  SceneRender, SceneCam, SceneLight, SceneObj, SceneObjDistort,
};

// The command of a category and command word; None for words no command has.
TimelineCommand findTimelineCommand(const std::string& category, const std::string& command);

enum class WordKind { Unknown, Text, Number };

// Whether a command reads a parameter word, and as what.
WordKind commandWordKind(TimelineCommand command, const std::string& word);

// Puts one parameter into its slot when the command knows its word: texts
// as written, numbers through evaluateParam. False for a word the command
// does not know (the values are then untouched).
bool readParamValue(TimelineCommand command, const SequenceParam& param, int32_t localTick, int32_t trackLength,
                    WorkingValues& values);

// The records handed to the commands: integers rounded, flags "not 0".
SpriteRenderValues spriteRenderValues(const WorkingValues& v);
SpriteAnimateValues spriteAnimateValues(const WorkingValues& v);
SpriteColorValues spriteColor1Values(const WorkingValues& v);
SpriteColorValues spriteColor2Values(const WorkingValues& v);
SpriteStateValues spriteStateValues(const WorkingValues& v);
SpriteExtendedValues spriteExtendedValues(const WorkingValues& v);
SpriteMaterialValues spriteMaterialValues(const WorkingValues& v);
MoveListRenderValues moveListRenderValues(const WorkingValues& v);
MoveListRefreshValues moveListRefreshValues(const WorkingValues& v);
MoveListRender2PicValues moveListRender2PicValues(const WorkingValues& v);
SceneCamValues sceneCamValues(const WorkingValues& v);
SceneLightValues sceneLightValues(const WorkingValues& v);
SceneObjDistortValues sceneObjDistortValues(const WorkingValues& v);
GrabValues grabValues(const WorkingValues& v);

}  // namespace glorbe
