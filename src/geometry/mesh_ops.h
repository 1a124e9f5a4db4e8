// Mesh operations shared by the model reader, the scene finishing and the
// soft bodies: normals and bounding boxes from the vertices in use.
#pragma once

#include "geometry/scene_records.h"

namespace glorbe {

// Face normals normalise((b - a) x (c - a)); each vertex normal the
// normalised sum of its faces' normals, (0, 0, 1) where that sum is zero.
// Nothing happens for a mesh without vertices or faces; faces with a corner
// outside the vertices are left out.
void computeMeshNormals(SceneObject& object);

// boxCorners from the vertices in use (the min/max search starts at
// +-10000000.0) and hasBox set; nothing for a mesh without vertices.
void computeMeshBox(SceneObject& object);

}  // namespace glorbe
