// Sprite, move-list and scene commands of the timeline whose subsystems are
// not in the engine yet: they accept their values and change nothing. Each
// subsystem replaces its group with the real commands.
#include "sequencer/timeline_commands.h"

namespace glorbe {

void runSpriteRender(const SpriteRenderValues&, int32_t, int32_t) {}
void runSpriteAnimate(const SpriteAnimateValues&, int32_t, int32_t) {}
void runSpriteColor1(const SpriteColorValues&, int32_t, int32_t) {}
void runSpriteColor2(const SpriteColorValues&, int32_t, int32_t) {}
void runSpriteState(const SpriteStateValues&, int32_t, int32_t) {}
void runSpriteExtended(const SpriteExtendedValues&, int32_t, int32_t) {}
void runSpriteMaterial(const SpriteMaterialValues&, int32_t, int32_t) {}

void runMoveListRender(const MoveListRenderValues&, int32_t, int32_t) {}
void runMoveListRefresh(const MoveListRefreshValues&, int32_t, int32_t) {}
void runMoveListRender2Pic(const MoveListRender2PicValues&, int32_t, int32_t) {}

void runSceneRender(const std::string&, int32_t, int32_t) {}
void runSceneCam(const SceneCamValues&, int32_t, int32_t) {}
void runSceneLight(const SceneLightValues&, int32_t, int32_t) {}
void runSceneObjDistort(const SceneObjDistortValues&, int32_t, int32_t) {}

}  // namespace glorbe
