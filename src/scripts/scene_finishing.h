// What a scene needs once all its script keys are known: objects marked
// ready, edge lists for shadows and soft bodies, soft-body set-up, bump
// vectors; and the merging of a MORPH scene into one object with one vertex
// frame per key shape.
#pragma once

#include <cstdint>

#include "geometry/scene_records.h"

namespace glorbe {

// Runs once per scene after its last section.
void finaliseScene(Scene& scene);

// For an object of a finished scene that a later key gave a shadow, a soft
// body or a bump map: builds what that needs (the edge list when it has
// none, the soft-body set-up, the bump arrays), as finishing would have.
// Objects that are not ready are left for finishing.
void finishLateChange(SceneObject& object);

// The object's edge list: face-to-face entries for edges two faces share by
// corner position, and open edges marked kOpenEdgeMark + k.
void buildEdgeList(SceneObject& object);

// bumpVectorsA and bumpVectorsB from the vertex normals.
void setupBumpVectors(SceneObject& object);

// MORPH n [, x, y, z]: object 0 plays the other objects' shapes as vertex
// frames of n ticks each; the scene keeps only object 0.
void setupMorph(Scene& scene, const Vec3& scale, int32_t count);

}  // namespace glorbe
