// The timeline's SCENE3D commands: render scenes by name, choose their
// cameras, recolour their lights and distort their objects. The interpreter
// evaluates an item's parameters into these records (ints rounded, texts as
// written) and calls the command with the track's local ticks; the commands
// find their scenes in the scene table by nameContains.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace glorbe {

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
