// Set-up of a soft body (a FLEX object) when its scene is finished: the
// simulation states at rest, the mass and contact parameters, and one spring
// per edge-list entry with its rest length.
#pragma once

#include "geometry/scene_records.h"

namespace glorbe {

// Needs the object's edge list. `contact` is the script's value; the stored
// contact factor is contact + 1.0.
void setupFlexObject(SceneObject& object, float stiffness, float damping, float contact, float mass, float drag,
                     const Vec3& gravity);

}  // namespace glorbe
