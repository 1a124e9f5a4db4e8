// Soft bodies and object distortion until they are written: objects keep
// their shapes. This file goes once they exist.
#include "render/distortion.h"
#include "render/flex_objects.h"
#include "render/scene_commands.h"

namespace glorbe {

void stepFlexObject(Scene&, int32_t, int32_t, float, int32_t) {}
void bendObject(SceneObject&, int32_t, float, float, float) {}
void twistObject(SceneObject&, int32_t, float, float, float, float, float, float) {}
void wobbleObject(SceneObject&, int32_t, float, float, float, float, float, float, float) {}
void runSceneObjDistort(const SceneObjDistortValues&, int32_t, int32_t) {}

}  // namespace glorbe
