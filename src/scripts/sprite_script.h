// Sprites and move lists: the 2D objects of the scene scripts' SPRITES and
// MOVELISTS sections, kept in one process-wide table that the timeline
// addresses by name. Sprite drawing is in sequencer/sprite_drawing.h, the
// move-list pictures in textures/move_list.h.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/key_track.h"
#include "textures/move_list.h"

namespace glorbe {

// The centre of the 4:3 sprite screen (x 0 … 1.3333, y 0 … 1).
inline constexpr float kSpriteCentreX = 0.66665f;
inline constexpr float kSpriteCentreY = 0.5f;
// A grid side from a script is limited to this many vertices.
inline constexpr int32_t kMaxSpriteGridSide = 256;

struct Sprite {
  std::array<float, 2> size{};  // full width and height in screen units
  KeyTrack placement;           // (x, y, rotation in degrees) of the centre
  KeyTrack colour1;             // (r, g, b) of the lower left corner
  KeyTrack colour2;             // lower right
  KeyTrack colour3;             // upper right
  KeyTrack colour4;             // upper left
  GLuint texture = 0;
  GLenum envMode = GL_MODULATE;
  std::vector<std::array<float, 4>> gridColours;    // gridColumns × gridRows RGBA, row by row
  std::vector<std::array<float, 2>> gridTexCoords;  // (s, t) per grid vertex
  int32_t gridColumns = 0;                          // 0 and 0: no grid
  int32_t gridRows = 0;
  bool flipX = false;
  bool flipY = false;
  std::string name;
};

struct SpriteTables {
  std::vector<Sprite> sprites;      // in creation order across all scripts
  std::vector<MoveList> moveLists;  // likewise
  uint32_t effectRandom = kEffectRandomSeed;  // the circles' random generator, run on for the whole show
};

extern SpriteTables spriteTables;

void resetSpriteTables();

// parseSpritesAndMoveLists (scripts/scene_script_readers.h) reads the
// SPRITES and MOVELISTS sections of one scene script, after all materials
// exist, and appends what they declare.

}  // namespace glorbe
