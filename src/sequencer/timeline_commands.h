// The timeline's commands on sprites, move lists and 3D scenes. The
// interpreter evaluates an item's parameters into one of these records (ints
// rounded, flags as "not 0", texts as written) and calls the command's
// function with the track's local ticks. Each function finds its targets in
// the tables of its own subsystem, by the name rules below.
//
// Sprite drawing, the move-list pictures and the scene renderer define these
// functions; until they exist, pending_commands.cpp holds definitions that
// do nothing.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace glorbe {

// ---- name rules ----------------------------------------------------------------

// A target whose name contains the text is addressed; an empty text
// addresses nothing.
bool nameContains(const std::string& targetName, const std::string& text);

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

// ---- SCENE3D --------------------------------------------------------------------
// Each addresses every scene whose name contains `name`.

// Called once per NAME parameter of a RENDER item, as it is read: every
// addressed scene that is not a terrain's own scene is rendered.
void runSceneRender(const std::string& name, int32_t localTick, int32_t localPrevTick);

// The first camera whose name equals cameraName becomes the current one;
// its z-scale <- zScale.
struct SceneCamValues {
  std::string name;
  std::string cameraName;
  float zScale = 0;
};

// Every light whose name contains lightName gets colour (r, g, b) and size.
struct SceneLightValues {
  std::string name;
  std::string lightName;
  float r = 0, g = 0, b = 0, size = 0;
};

// Every object whose name contains objectName is distorted with the
// deformer and arguments of objDistortArguments (after its undistorted
// vertex frame 0 has been made, if it has none).
struct SceneObjDistortValues {
  std::string name;
  std::string objectName;
  int32_t style = 0;
  float ax = 0, ay = 0, az = 0, sx = 0, sy = 0, sz = 0;
};

void runSceneCam(const SceneCamValues& v, int32_t localTick, int32_t localPrevTick);
void runSceneLight(const SceneLightValues& v, int32_t localTick, int32_t localPrevTick);
void runSceneObjDistort(const SceneObjDistortValues& v, int32_t localTick, int32_t localPrevTick);

enum class Deformer { None, Undo, Wobble, Twist, Bend };

// The deformer of an OBJDISTORT style and the arguments after the object
// and the source frame (0): seven for wobble, six for twist, three for bend.
struct DeformerCall {
  Deformer deformer = Deformer::None;
  std::array<float, 7> args{};
  int32_t argCount = 0;
};

DeformerCall objDistortArguments(const SceneObjDistortValues& v, int32_t localTick);

}  // namespace glorbe
