// Scene commands whose renderer is not in the engine yet: they accept their
// values and change nothing. Each goes when its command is written.
#include "render/scene_commands.h"

namespace glorbe {

void runSceneRender(const std::string&, int32_t, int32_t) {}
void runSceneCam(const SceneCamValues&, int32_t, int32_t) {}
void runSceneLight(const SceneLightValues&, int32_t, int32_t) {}

}  // namespace glorbe
