// Sprite drawing: textured 2D shapes in a 4:3 screen space (x 0 … 1.3333,
// y 0 at the bottom … 1), placed by their placement track, in five styles:
// plain quad, colour/texture grid, the two kaleidoscope patterns made of
// mirrored tiles, and a fan of an ellipse with its four corners. Also the
// grid animation that rewrites a sprite's grid colours and coordinates.
#pragma once

#include <cstdint>

#include "scripts/sprite_script.h"

namespace glorbe {

enum SpriteStyle : int32_t {
  kSpritePlain = 0,
  kSpriteGrid = 1,
  kSpritePatternPlain = 2,
  kSpritePatternGrid = 3,
  kSpriteFan = 4,
};

// Pattern counts (tiles per side, fan rim segments / 12) are limited to this.
inline constexpr int32_t kMaxSpritePatterns = 256;

// Draws the sprite at localTick in `style`; other styles draw nothing. The
// pattern styles change key 0 of its placement track, its size and flips
// while they draw and restore them afterwards. Without depth, the depth test
// and depth writes are off while drawing (and on afterwards).
void drawSprite(Sprite& sprite, int32_t localTick, bool depth, int32_t style, int32_t patterns, float speed,
                float scaling);

// SPRITE EXTENDED: for style 0 and a sprite with a grid of at least 2 × 2,
// rewrites its grid colours and texture coordinates as waves over time;
// the alphas are scaled by the current GL colour's alpha.
void animateSpriteGrid(Sprite& sprite, int32_t localTick, int32_t style, float x, float y, float r, float g,
                       float b, float a, float speed);

}  // namespace glorbe
