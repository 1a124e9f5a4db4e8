// The five sprite styles inside their common frame (orthographic 4:3
// projection, texture and environment, placement and rotation, flips with
// the front-face switch), and the grid animation.
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "display/gl_drawing_state.h"
#include "sequencer/sprite_drawing.h"
#include "sequencer/timeline_numbers.h"

namespace glorbe {

namespace {

constexpr double kScreenWidth = 1.3333;

Vec3 valueAt(const KeyTrack& track, int32_t tick) {
  Vec3 v;
  evaluateSmooth(track, tick, v);
  return v;
}

void colourVertex(const Vec3& c, float alpha) { glColor4f(c.x, c.y, c.z, alpha); }

bool hasGrid(const Sprite& s) {
  return s.gridColumns >= 2 && s.gridRows >= 2 &&
         s.gridColours.size() >= size_t(s.gridColumns) * size_t(s.gridRows) &&
         s.gridTexCoords.size() >= size_t(s.gridColumns) * size_t(s.gridRows);
}

void drawPlain(const Sprite& s, int32_t tick, float fx, float fy, float alpha) {
  const float w2 = s.size[0] / 2;
  const float h2 = s.size[1] / 2;
  glBegin(GL_QUADS);
  colourVertex(valueAt(s.colour1, tick), alpha);
  glTexCoord2f(0, 1);
  glVertex3f(-fx * w2, -fy * h2, 0);
  colourVertex(valueAt(s.colour2, tick), alpha);
  glTexCoord2f(1, 1);
  glVertex3f(fx * w2, -fy * h2, 0);
  colourVertex(valueAt(s.colour3, tick), alpha);
  glTexCoord2f(1, 0);
  glVertex3f(fx * w2, fy * h2, 0);
  colourVertex(valueAt(s.colour4, tick), alpha);
  glTexCoord2f(0, 0);
  glVertex3f(-fx * w2, fy * h2, 0);
  glEnd();
}

// Rows from the top, each a quad strip; every vertex has the grid's own
// colour and texture coordinate.
void drawGrid(const Sprite& s, float fx, float fy) {
  const int32_t nc = s.gridColumns;
  const int32_t nr = s.gridRows;
  const float du = 1.0f / static_cast<float>(nc - 1);
  const float dv = 1.0f / static_cast<float>(nr - 1);
  const float w = s.size[0];
  const float h = s.size[1];
  for (int32_t r = 0; r + 1 < nr; ++r) {
    glBegin(GL_QUAD_STRIP);
    for (int32_t c = 0; c < nc; ++c) {
      for (int32_t row : {r, r + 1}) {
        const size_t i = size_t(row) * size_t(nc) + size_t(c);
        glColor4fv(s.gridColours[i].data());
        glTexCoord2fv(s.gridTexCoords[i].data());
        glVertex3f(fx * w * (static_cast<float>(c) * du - 0.5f), (0.5f - static_cast<float>(row) * dv) * fy * h, 0);
      }
    }
    glEnd();
  }
}

// An ellipse of 12 × patterns rim segments from the centre, and four fans
// from the corners to the quarter arcs; rim colours come from the corner
// tracks at ticks shifted around the rim, texture coordinates drift with time.
void drawFan(const Sprite& s, int32_t tick, float fx, float fy, float alpha, int32_t patterns, float speed,
             float scaling) {
  const int32_t n = patterns * 12;
  const int32_t half = n / 2;
  const float l = speed * static_cast<float>(tick) * kPi;
  const float S = scaling;
  const float w2 = s.size[0] / 2;
  const float h2 = s.size[1] / 2;
  const Vec3 centreColour = valueAt(s.colour1, tick);
  struct Fan {
    float x, y;
    int32_t from, to;  // the rim index runs from just after `from` to `to`
  };
  const Fan fans[5] = {{0, 0, n + 1, 0},
                       {-fx * w2, -fy * h2, -1, n / 4},
                       {-fx * w2, fy * h2, n / 4 - 1, n / 2},
                       {fx * w2, fy * h2, n / 2 - 1, 3 * n / 4},
                       {fx * w2, -fy * h2, 3 * n / 4 - 1, n}};
  const float rimTex[3][2] = {{1 - (std::sin(1.5f * l) + 1) * S, 1 - (std::sin(1.2f * l) + 1) * S},
                              {(std::cos(0.8f * l) + 1) * S, 1 - (std::sin(1.1f * l) + 1) * S},
                              {(std::cos(2.2f * l) + 1) * S, (std::cos(2.5f * l) + 1) * S}};
  const KeyTrack* rimColour[3] = {&s.colour2, &s.colour3, &s.colour4};

  for (int f = 0; f < 5; ++f) {
    glBegin(GL_TRIANGLE_FAN);
    colourVertex(centreColour, alpha);
    if (f == 0) {
      glTexCoord2f((std::cos(1.9f * l) + 1) * S, 1 - (std::sin(0.9f * l) + 1) * S);
    } else {
      glTexCoord2f((std::cos(3.3f * l) + 1) * S * 4, 1 - (std::sin(3.1f * l) + 1) * S * 4);
    }
    glVertex3f(fans[f].x, fans[f].y, 0);
    const int32_t step = fans[f].to > fans[f].from ? 1 : -1;
    for (int32_t j = fans[f].from + step;; j += step) {
      const float theta = static_cast<float>(j) * kPi / static_cast<float>(half);
      const float wave = std::sin((static_cast<float>(j) + 2 * speed * static_cast<float>(tick)) * kPi /
                                  static_cast<float>(half));
      const int32_t shifted = clampToInt32(int64_t{tick} + roundToInt32((wave + 1) * 1000 * S));
      const int32_t k = j % 3;
      colourVertex(valueAt(*rimColour[k], shifted), alpha);
      glTexCoord2fv(rimTex[k]);
      glVertex3f(-fx * std::sin(theta) * w2, -fy * std::cos(theta) * h2, 0);
      if (j == fans[f].to) break;
    }
    glEnd();
  }
}

void drawFramed(const Sprite& s, int32_t tick, bool depth, int32_t style, int32_t patterns, float speed,
                float scaling) {
  if (!depth) {
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
  }
  const GlDrawingState saved = saveGlDrawingState();
  const float alpha = saved.colour[3];

  glEnable(GL_TEXTURE_2D);
  glDisable(GL_LIGHTING);
  glBindTexture(GL_TEXTURE_2D, s.texture);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLint>(s.envMode));
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  gluOrtho2D(0, kScreenWidth, 0, 1);

  const Vec3 place = valueAt(s.placement, tick);
  const float fx = s.flipX ? -1.0f : 1.0f;
  const float fy = s.flipY ? -1.0f : 1.0f;
  const bool mirrored = s.flipX != s.flipY;
  if (mirrored) glFrontFace(GL_CW);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glTranslatef(place.x, place.y, 0);
  glRotatef(place.z, 0, 0, 1);

  if (style == kSpriteGrid && hasGrid(s)) {
    drawGrid(s, fx, fy);
  } else if (style == kSpriteFan) {
    drawFan(s, tick, fx, fy, alpha, patterns, speed, scaling);
  } else {
    drawPlain(s, tick, fx, fy, alpha);
  }

  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  if (mirrored) glFrontFace(GL_CCW);
  restoreGlDrawingState(saved);
  if (!depth) {
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
  }
}

// n × n tiles of the sprite's rectangle, each a small sprite in `tileStyle`
// drawn at tick 0 through key 0 of the tracks; neighbours are mirrored.
void drawPatterns(Sprite& s, int32_t tick, bool depth, int32_t tileStyle, int32_t n) {
  Key& key0 = s.placement.keys[0];
  const Key savedKey = key0;
  const std::array<float, 2> savedSize = s.size;
  const bool savedFlipX = s.flipX;
  const bool savedFlipY = s.flipY;

  const Vec3 place = valueAt(s.placement, tick);
  const float w = s.size[0];
  const float h = s.size[1];
  const float x0 = place.x - w * 0.5f;
  const float y0 = place.y - h * 0.5f;
  s.size = {w / static_cast<float>(n), h / static_cast<float>(n)};
  key0.value.z = place.z;
  for (int32_t i = 1; i <= n; ++i) {
    for (int32_t j = 1; j <= n; ++j) {
      key0.value.x = x0 + (static_cast<float>(i) - 0.5f) * s.size[0];
      key0.value.y = y0 + (static_cast<float>(j) - 0.5f) * s.size[1];
      drawFramed(s, 0, depth, tileStyle, 0, 0, 0);
      s.flipY = !s.flipY;
    }
    s.flipY = savedFlipY;
    s.flipX = !s.flipX;
  }

  key0 = savedKey;
  s.size = savedSize;
  s.flipX = savedFlipX;
  s.flipY = savedFlipY;
}

}  // namespace

void drawSprite(Sprite& sprite, int32_t localTick, bool depth, int32_t style, int32_t patterns, float speed,
                float scaling) {
  patterns = std::min(patterns, kMaxSpritePatterns);
  switch (style) {
    case kSpritePlain:
    case kSpriteGrid:
      drawFramed(sprite, localTick, depth, style, 0, speed, scaling);
      break;
    case kSpritePatternPlain:
    case kSpritePatternGrid: {
      const int32_t tileStyle = style == kSpritePatternPlain ? kSpritePlain : kSpriteGrid;
      if (patterns < 2 || sprite.placement.count < 1 || sprite.placement.keys.empty()) {
        drawFramed(sprite, localTick, depth, tileStyle, 0, speed, scaling);
      } else {
        drawPatterns(sprite, localTick, depth, tileStyle, patterns);
      }
      break;
    }
    case kSpriteFan:
      // A fan needs rim segments: fewer than one pattern draws as one.
      drawFramed(sprite, localTick, depth, style, std::max(patterns, 1), speed, scaling);
      break;
    default:
      break;
  }
}

void animateSpriteGrid(Sprite& sprite, int32_t localTick, int32_t style, float x, float y, float r, float g,
                       float b, float a, float speed) {
  if (style != kSpritePlain || !hasGrid(sprite)) return;
  GLfloat colour[4] = {1, 1, 1, 1};
  glGetFloatv(GL_CURRENT_COLOR, colour);
  const float a0 = colour[3];
  const float T = static_cast<float>(localTick) * speed * kPi;
  const int32_t nc = sprite.gridColumns;
  const int32_t nr = sprite.gridRows;
  for (int32_t row = 0; row < nr; ++row) {
    for (int32_t column = 0; column < nc; ++column) {
      const float v = static_cast<float>(row) / static_cast<float>(nr - 1);
      const float u = static_cast<float>(column) / static_cast<float>(nc - 1);
      const size_t i = size_t(row) * size_t(nc) + size_t(column);
      sprite.gridTexCoords[i] = {u + (std::sin(1.1f * u + 1.1f * T) + std::sin(1.6f * v + T)) * x,
                                 v + (std::cos(1.3f * v + 0.9f * T) + std::cos(1.5f * u + 1.25f * T)) * y};
      sprite.gridColours[i] = {
          (1 - r) + (std::cos(1.2f * u + 1.2f * T) + std::cos(1.4f * v + 0.75f * T)) * r * 0.5f,
          (1 - g) + (std::sin(1.8f * u + 0.8f * T) + std::sin(1.3f * v + 1.05f * T)) * g * 0.5f,
          (1 - b) + (std::sin(1.1f * u + T) + std::cos(1.2f * v + 1.15f * T)) * b * 0.5f,
          ((1 - a) + (std::cos(1.5f * u + 1.3f * T) + std::sin(1.6f * v + 0.85f * T)) * a * 0.5f) * a0};
    }
  }
}

}  // namespace glorbe
