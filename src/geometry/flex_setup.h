// Set-up of a soft body (a FLEX object) when its scene is finished: the
// simulation states at rest, the mass and contact parameters, and one spring
// per edge-list entry with its rest length.
#pragma once

#include "geometry/scene_records.h"

namespace glorbe {

// Needs the object's edge list. `contact` is the script's value; the stored
// contact factor (flexContactFactor) is contact + 1.0. A mass that is not
// positive is stored as 0 with an inverse mass of 0. Every edge-list entry
// between two faces is a spring between the two corners the faces share
// (found by equal positions); an open-edge mark becomes a spring along its
// face's open edge; a pair of vertices gets one spring however often the
// list names it. Vertices at the same place are twins that move as one (the
// first of them carries the springs). Running it again starts the body
// afresh from the live vertices.
void setupFlexObject(SceneObject& object, float stiffness, float damping, float contact, float mass, float drag,
                     const Vec3& gravity);

}  // namespace glorbe
