// Level-of-detail terrain: every frame the terrain's mesh object is rebuilt
// from the camera position over the grid's quadtree (split by distance and
// roughness, culled by view, closed with crack-free fans), then drawn with
// the objects placed on its split nodes.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "geometry/scene_records.h"
#include "render/scene_render.h"
#include "render/view_culling.h"

namespace glorbe {

// Minimum resolution by level (lodSetting 0..4); the desired resolution is
// the same at every level.
inline constexpr std::array<float, 5> kTerrainMinResolution{1.5f, 2.25f, 3.0f, 3.75f, 4.5f};
inline constexpr float kTerrainDesiredResolution = 1.0f;

// What the split pass leaves in the flag grid for the node centred on a cell.
inline constexpr uint8_t kTerrainLeaf = 0;
inline constexpr uint8_t kTerrainSplit = 1;
inline constexpr uint8_t kTerrainUnvisited = 128;
inline constexpr uint8_t kTerrainCulled = 255;

// Every leaf adds nine vertices and at most eight triangles.
inline constexpr int32_t kTerrainLeafVertices = 9;
inline constexpr int32_t kTerrainLeafFaces = 8;

void drawLodTerrain(LodTerrain& terrain, int32_t tick, const SceneCamera& camera);

// The rebuild alone, without GL: the split pass and the mesh pass over the
// grid for a camera at `cameraPosition`, culling nodes against `view`. It
// writes the mesh's vertex positions, texture coordinates, faces and counts
// and the terrain's placed objects, and leaves the flag grid in `flags`.
// Leaves stop before the mesh's storage would overflow (the smallest of its
// vertex, texture-coordinate and normal arrays, and its face array); placed
// objects stop at kMaxPlacedObjects. A terrain whose sides are not powers of
// two from 2 to 4096, or whose maps are short, builds nothing.
void buildLodTerrainMesh(LodTerrain& terrain, SceneObject& mesh, const Vec3& cameraPosition, const ViewTransform& view,
                         std::vector<uint8_t>& flags);

// The scene's lights (at most eight) in the space of an object drawn at
// `position` turned by `rotationDegrees` about z: Rz(-rotation) (light -
// position). Position 0 and rotation 0 give the world positions, the space
// of the terrain mesh.
LightLocalPositions lightPositionsAround(const Scene& scene, const Vec3& position, float rotationDegrees);

}  // namespace glorbe
