// The timeline's commands on sprites and move lists. The interpreter
// evaluates an item's parameters into one of these records (ints rounded,
// flags as "not 0", texts as written) and calls the command's function with
// the track's local ticks. Each function finds its targets in the tables of
// its own subsystem by nameContains. The 3D scene commands are the
// renderer's (render/scene_commands.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/names.h"

namespace glorbe {

// ---- SPRITE ---------------------------------------------------------------------
// Each addresses every sprite whose name contains `name`.

struct SpriteRenderValues {
  std::string name;
  bool depth = false;
  int32_t style = 0;  // 0, 1, 2, 3 or 4; other styles draw nothing
  int32_t patterns = 0;
  float speed = 0;
  float scaling = 0;
};

// Size <- (dx, dy); key 0 of the placement track <- (x x 1.3333, y, rot x 360).
struct SpriteAnimateValues {
  std::string name;
  float x = 0, y = 0, dx = 0, dy = 0, rot = 0;
};

// Key 0 of colour tracks 1 and 2 (COLOR1) or 3 and 4 (COLOR2).
struct SpriteColorValues {
  std::string name;
  std::array<float, 3> first{};
  std::array<float, 3> second{};
};

struct SpriteStateValues {
  std::string name;
  bool flipX = false;
  bool flipY = false;
};

// Animates the grid colours and texture coordinates; draws nothing.
struct SpriteExtendedValues {
  std::string name;
  int32_t style = 0;
  float x = 0, y = 0, r = 0, g = 0, b = 0, a = 0, speed = 0;
};

// Texture <- that of the first material whose name equals materialName;
// texture environment GL_MODULATE for env "MODULATE", GL_REPLACE for "REPLACE".
struct SpriteMaterialValues {
  std::string name;
  std::string materialName;
  std::string env;
};

void runSpriteRender(const SpriteRenderValues& v, int32_t localTick, int32_t localPrevTick);
void runSpriteAnimate(const SpriteAnimateValues& v, int32_t localTick, int32_t localPrevTick);
void runSpriteColor1(const SpriteColorValues& v, int32_t localTick, int32_t localPrevTick);
void runSpriteColor2(const SpriteColorValues& v, int32_t localTick, int32_t localPrevTick);
void runSpriteState(const SpriteStateValues& v, int32_t localTick, int32_t localPrevTick);
void runSpriteExtended(const SpriteExtendedValues& v, int32_t localTick, int32_t localPrevTick);
void runSpriteMaterial(const SpriteMaterialValues& v, int32_t localTick, int32_t localPrevTick);

// ---- MOVELIST -------------------------------------------------------------------
// Each addresses every move list whose name contains `name`.

// One warp step with phase moveListWarpPhase(localTick, speed), then the
// picture is uploaded into the list's texture (uploadToTexture). When name2
// equals name, each list warps with its own second displacement map;
// otherwise with the first displacement map of the first list whose name
// equals name.
struct MoveListRenderValues {
  std::string name;
  std::string name2;
  float speed = 0;
};

// Advances the rebuild of the displacement map by
// refreshPixelCount(width, height, amount) pixels.
struct MoveListRefreshValues {
  std::string name;
  float amount = 0;
  float scaling = 0;
  float rot = 0;
  bool mode = false;
};

struct MoveListRender2PicValues {
  std::string name;
  int32_t amount = 0;
  float speed = 0;
  int32_t style = 0;
};

void runMoveListRender(const MoveListRenderValues& v, int32_t localTick, int32_t localPrevTick);
void runMoveListRefresh(const MoveListRefreshValues& v, int32_t localTick, int32_t localPrevTick);
void runMoveListRender2Pic(const MoveListRender2PicValues& v, int32_t localTick, int32_t localPrevTick);

// round((sin(localTick x pi x speed) + 1) x 16383.5): 0..32767.
int32_t moveListWarpPhase(int32_t localTick, float speed);
// round(width x height x amount).
int32_t refreshPixelCount(int32_t width, int32_t height, float amount);

}  // namespace glorbe
