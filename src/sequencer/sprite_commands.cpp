// The timeline's SPRITE and MOVELIST commands: they find their sprites and
// move lists by name and draw, animate, recolour, warp, repaint or re-map them.
#include <algorithm>

#include "scripts/material_table.h"
#include "scripts/sprite_script.h"
#include "sequencer/frame_buffer_commands.h"
#include "sequencer/sprite_drawing.h"
#include "sequencer/timeline_commands.h"

namespace glorbe {

namespace {

constexpr float kScreenWidth = 1.3333f;

template <typename Action>
void forEachSprite(const std::string& name, Action action) {
  for (Sprite& sprite : spriteTables.sprites)
    if (nameContains(sprite.name, name)) action(sprite);
}

template <typename Action>
void forEachMoveList(const std::string& name, Action action) {
  for (MoveList& list : spriteTables.moveLists)
    if (nameContains(list.name, name)) action(list);
}

void setKey0(KeyTrack& track, float x, float y, float z) {
  if (track.keys.empty()) return;
  track.keys[0].value = Vec3{x, y, z};
}

const MoveList* moveListNamed(const std::string& name) {
  for (const MoveList& list : spriteTables.moveLists)
    if (list.name == name) return &list;
  return nullptr;
}

}  // namespace

void runSpriteRender(const SpriteRenderValues& v, int32_t localTick, int32_t) {
  forEachSprite(v.name, [&](Sprite& s) { drawSprite(s, localTick, v.depth, v.style, v.patterns, v.speed, v.scaling); });
}

void runSpriteAnimate(const SpriteAnimateValues& v, int32_t, int32_t) {
  forEachSprite(v.name, [&](Sprite& s) {
    s.size = {v.dx, v.dy};
    setKey0(s.placement, v.x * kScreenWidth, v.y, v.rot * 360.0f);
  });
}

void runSpriteColor1(const SpriteColorValues& v, int32_t, int32_t) {
  forEachSprite(v.name, [&](Sprite& s) {
    setKey0(s.colour1, v.first[0], v.first[1], v.first[2]);
    setKey0(s.colour2, v.second[0], v.second[1], v.second[2]);
  });
}

void runSpriteColor2(const SpriteColorValues& v, int32_t, int32_t) {
  forEachSprite(v.name, [&](Sprite& s) {
    setKey0(s.colour3, v.first[0], v.first[1], v.first[2]);
    setKey0(s.colour4, v.second[0], v.second[1], v.second[2]);
  });
}

void runSpriteState(const SpriteStateValues& v, int32_t, int32_t) {
  forEachSprite(v.name, [&](Sprite& s) {
    s.flipX = v.flipX;
    s.flipY = v.flipY;
  });
}

void runSpriteExtended(const SpriteExtendedValues& v, int32_t localTick, int32_t) {
  forEachSprite(v.name, [&](Sprite& s) {
    animateSpriteGrid(s, localTick, v.style, v.x, v.y, v.r, v.g, v.b, v.a, v.speed);
  });
}

void runSpriteMaterial(const SpriteMaterialValues& v, int32_t, int32_t) {
  const Material* material = findMaterial(v.materialName);
  forEachSprite(v.name, [&](Sprite& s) {
    if (material) s.texture = material->texture;
    if (v.env == "MODULATE") s.envMode = GL_MODULATE;
    if (v.env == "REPLACE") s.envMode = GL_REPLACE;
  });
}

// With NAME2 equal to NAME each list blends with its own map being rebuilt.
// Otherwise it blends with the complete map of the list named NAME2, or of
// the list named NAME when none is, or with its own complete map.
void runMoveListRender(const MoveListRenderValues& v, int32_t localTick, int32_t) {
  const int32_t phase = moveListWarpPhase(localTick, v.speed);
  const MoveList* named = nullptr;
  if (v.name2 != v.name) {
    named = moveListNamed(v.name2);
    if (!named) named = moveListNamed(v.name);
  }
  forEachMoveList(v.name, [&](MoveList& list) {
    if (v.name2 == v.name) {
      warpMoveList(list, list.map2, list.width, list.height, phase);
    } else {
      const MoveList& source = named ? *named : list;
      warpMoveList(list, source.map1, source.width, source.height, phase);
    }
    if (list.texture != 0)
      uploadToTexture(reinterpret_cast<const uint8_t*>(list.picture.data()), static_cast<int32_t>(list.width),
                      static_cast<int32_t>(list.height), list.texture);
  });
}

void runMoveListRefresh(const MoveListRefreshValues& v, int32_t, int32_t) {
  forEachMoveList(v.name, [&](MoveList& list) {
    const int32_t count =
        refreshPixelCount(static_cast<int32_t>(list.width), static_cast<int32_t>(list.height), v.amount);
    refreshMoveListMap(list, count, v.rot, v.scaling, v.mode);
  });
}

void runMoveListRender2Pic(const MoveListRender2PicValues& v, int32_t localTick, int32_t) {
  forEachMoveList(v.name, [&](MoveList& list) {
    paintMoveList(list, localTick, v.style, v.amount, v.speed, spriteTables.effectRandom);
  });
}

}  // namespace glorbe
