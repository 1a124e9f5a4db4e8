// The level-of-detail terrain: split pass, mesh pass with fans, placed
// objects, and the drawing of the mesh and the placed objects through the
// object drawing. Depends on the scene tables (the terrain's own scene), the
// view-culling test and the object drawing.
#include "render/lod_terrain.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "geometry/terrain_analysis.h"
#include "render/object_drawing.h"
#include "scripts/scene_tables.h"

namespace glorbe {

namespace {

struct TerrainBuild {
  LodTerrain& terrain;
  SceneObject& mesh;
  const ViewTransform& view;
  uint8_t* flags;
  Vec3 camera;
  int32_t width, height, widthMask, heightMask;
  float minResolution;
  size_t vertexCapacity, faceCapacity;
  bool full = false;

  size_t cell(int32_t x, int32_t y) const {
    return static_cast<size_t>(x & widthMask) + static_cast<size_t>(y & heightMask) * static_cast<size_t>(width);
  }
  float wx(int32_t i) const {
    return (static_cast<float>(i) / static_cast<float>(width) - 0.5f) * terrain.scale.x;
  }
  float wy(int32_t j) const {
    return (static_cast<float>(j) / static_cast<float>(height) - 0.5f) * terrain.scale.y;
  }
  float wz(int32_t i, int32_t j) const {
    return static_cast<float>(terrain.heightMap[cell(i, j)]) / 255.0f * terrain.scale.z;
  }

  void split(int32_t x, int32_t y, int32_t hx, int32_t hy) {
    uint8_t& flag = flags[cell(x, y)];
    if (hx == 1 || hy == 1) {
      flag = kTerrainLeaf;
      return;
    }
    const Vec3 d{camera.x - wx(x), camera.y - wy(y), camera.z};
    const auto e = static_cast<float>(2 * hx);
    float r = static_cast<float>(terrain.derivedMap[cell(x, y)]) * kTerrainDesiredResolution / e;
    if (r < 1.0f) r = 1.0f;
    const float f = vec3Length(d) / (minResolution * e * r);
    if (f > 1.0f) {
      flag = kTerrainLeaf;
      return;
    }
    if (hx < width / 8 && hy < height / 8 && hx >= 3 && hy >= 3) {
      const float x0 = wx(x - hx), x1 = wx(x + hx), y0 = wy(y - hy), y1 = wy(y + hy), top = terrain.scale.z;
      const BoxCorners box{Vec3{x0, y0, 0}, Vec3{x0, y0, top}, Vec3{x1, y0, 0}, Vec3{x1, y0, top},
                           Vec3{x0, y1, 0}, Vec3{x0, y1, top}, Vec3{x1, y1, 0}, Vec3{x1, y1, top}};
      if (boxOutsideView(view, box)) {
        flag = kTerrainCulled;
        return;
      }
    }
    flag = kTerrainSplit;
    const int32_t qx = hx / 2, qy = hy / 2;
    split(x - qx, y - qy, qx, qy);
    split(x - qx, y + qy, qx, qy);
    split(x + qx, y + qy, qx, qy);
    split(x + qx, y - qy, qx, qy);
  }

  void addVertex(int32_t i, int32_t j) {
    const auto v = static_cast<size_t>(mesh.vertexCount++);
    mesh.vertices[v] = Vec3{wx(i), wy(j), wz(i, j)};
    mesh.texCoords[v] = TexCoord{static_cast<float>(i) / static_cast<float>(width),
                                 static_cast<float>(j) / static_cast<float>(height)};
  }

  void addFace(uint32_t base, uint32_t b, uint32_t c) {
    mesh.faces[static_cast<size_t>(mesh.faceCount++)] = Face{base, base + b, base + c};
  }

  // One fan side from corner a to corner c through the edge midpoint b; the
  // midpoint is left out when the neighbour across the side is coarser.
  void addSide(uint32_t base, uint32_t a, uint32_t b, uint32_t c, int32_t nx, int32_t ny) {
    if (flags[cell(nx, ny)] == kTerrainUnvisited) {
      addFace(base, a, c);
    } else {
      addFace(base, a, b);
      addFace(base, b, c);
    }
  }

  void leaf(int32_t x, int32_t y, int32_t hx, int32_t hy) {
    if (full || static_cast<size_t>(mesh.vertexCount) + kTerrainLeafVertices > vertexCapacity ||
        static_cast<size_t>(mesh.faceCount) + kTerrainLeafFaces > faceCapacity) {
      full = true;  // no further leaves, so the mesh stops at one place
      return;
    }
    const auto base = static_cast<uint32_t>(mesh.vertexCount);
    addVertex(x, y);
    addVertex(x - hx, y - hy);
    addVertex(x, y - hy);
    addVertex(x + hx, y - hy);
    addVertex(x + hx, y);
    addVertex(x + hx, y + hy);
    addVertex(x, y + hy);
    addVertex(x - hx, y + hy);
    addVertex(x - hx, y);
    addSide(base, 1, 2, 3, x, y - 2 * hy);
    addSide(base, 3, 4, 5, x + 2 * hx, y);
    addSide(base, 5, 6, 7, x, y + 2 * hy);
    addSide(base, 7, 8, 1, x - 2 * hx, y);
  }

  void place(int32_t x, int32_t y) {
    const uint8_t n = terrain.modelMap[cell(x, y)];
    if (n == 0 || terrain.placedCount >= kMaxPlacedObjects) return;
    PlacedObject& placed = terrain.placedObjects[static_cast<size_t>(terrain.placedCount++)];
    placed.objectIndex = n - 1;
    placed.rotation = static_cast<float>(terrain.heightMap[cell(x, y)]) * 1.4f;
    placed.position = Vec3{wx(x), wy(y), wz(x, y)};
  }

  void build(int32_t x, int32_t y, int32_t hx, int32_t hy) {
    switch (flags[cell(x, y)]) {
      case kTerrainLeaf:
        leaf(x, y, hx, hy);
        return;
      case kTerrainSplit: {
        place(x, y);
        const int32_t qx = hx / 2, qy = hy / 2;
        build(x - qx, y - qy, qx, qy);
        build(x - qx, y + qy, qx, qy);
        build(x + qx, y + qy, qx, qy);
        build(x + qx, y - qy, qx, qy);
        return;
      }
      default:  // culled
        return;
    }
  }
};

void beginBlended(const SceneObject& object) {
  if (!object.blended) return;
  glEnable(GL_BLEND);
  glBlendFunc(object.blendSrcFactor, object.blendDstFactor);
  glDepthMask(GL_FALSE);
  glDisable(GL_CULL_FACE);
}

void endBlended(const SceneObject& object) {
  if (!object.blended) return;
  glDisable(GL_BLEND);
  glDepthMask(GL_TRUE);
  glEnable(GL_CULL_FACE);
}

}  // namespace

void buildLodTerrainMesh(LodTerrain& terrain, SceneObject& mesh, const Vec3& cameraPosition, const ViewTransform& view,
                         std::vector<uint8_t>& flags) {
  mesh.vertexCount = 0;
  mesh.faceCount = 0;
  terrain.placedCount = 0;
  const int32_t width = terrain.gridWidth, height = terrain.gridHeight;
  if (!isTerrainSize(width, height)) {
    flags.clear();
    return;
  }
  const size_t cells = static_cast<size_t>(width) * static_cast<size_t>(height);
  if (terrain.heightMap.size() < cells || terrain.derivedMap.size() < cells || terrain.modelMap.size() < cells) {
    flags.clear();
    return;
  }
  flags.assign(cells, kTerrainUnvisited);
  const size_t vertexCapacity = std::min({mesh.vertices.size(), mesh.texCoords.size(), mesh.normals.size()});
  TerrainBuild build{terrain,
                     mesh,
                     view,
                     flags.data(),
                     cameraPosition,
                     width,
                     height,
                     width - 1,
                     height - 1,
                     kTerrainMinResolution[static_cast<size_t>(std::clamp(terrain.lodSetting, 0, 4))],
                     std::min<size_t>(vertexCapacity, INT32_MAX),
                     std::min<size_t>(mesh.faces.size(), INT32_MAX)};
  build.split(width / 2, height / 2, width / 2, height / 2);
  build.build(width / 2, height / 2, width / 2, height / 2);
}

LightLocalPositions lightPositionsAround(const Scene& scene, const Vec3& position, float rotationDegrees) {
  LightLocalPositions local{};
  const size_t count =
      std::min({static_cast<size_t>(std::max(scene.lightCount, 0)), scene.lights.size(), local.size()});
  const float angle = -rotationDegrees * kPi / 180.0f;
  const float c = std::cos(angle), s = std::sin(angle);
  for (size_t j = 0; j < count; ++j) {
    const Vec3& light = scene.lights[j].position;
    const Vec3 d{light.x - position.x, light.y - position.y, light.z - position.z};
    local[j] = Vec3{c * d.x - s * d.y, s * d.x + c * d.y, d.z};
  }
  return local;
}

void drawLodTerrain(LodTerrain& terrain, int32_t tick, const SceneCamera& camera) {
  if (terrain.sceneIndex < 0 || static_cast<size_t>(terrain.sceneIndex) >= sceneTables.scenes.size()) return;
  Scene& scene = sceneTables.scenes[static_cast<size_t>(terrain.sceneIndex)];
  if (terrain.objectIndex < 0 || static_cast<size_t>(terrain.objectIndex) >= scene.objects.size()) return;
  SceneObject& mesh = scene.objects[static_cast<size_t>(terrain.objectIndex)];
  {
    // The flag grid lives for this build only.
    std::vector<uint8_t> flags;
    ViewTransform view;
    readViewTransform(view);
    buildLodTerrainMesh(terrain, mesh, camera.position, view, flags);
  }

  // The mesh is given in world coordinates and never view-culled as a whole.
  glPushMatrix();
  mesh.hasBox = false;
  beginBlended(mesh);
  drawSceneObject(mesh, scene, tick, lightPositionsAround(scene, Vec3{}, 0.0f), kMaxSceneLights - 1);
  endBlended(mesh);
  glPopMatrix();

  // The terrain's own object is the scene's last, so it is never placed.
  const auto lastPlaceable = static_cast<int32_t>(scene.objects.size()) - 2;
  const int32_t placedCount = std::clamp(terrain.placedCount, 0, kMaxPlacedObjects);
  for (int32_t i = 0; i < placedCount; ++i) {
    const PlacedObject& placed = terrain.placedObjects[static_cast<size_t>(i)];
    if (placed.objectIndex < 0 || placed.objectIndex > lastPlaceable) continue;
    SceneObject& object = scene.objects[static_cast<size_t>(placed.objectIndex)];
    glPushMatrix();
    glTranslatef(placed.position.x, placed.position.y, placed.position.z);
    glRotatef(placed.rotation, 0, 0, 1);
    beginBlended(object);
    drawSceneObject(object, scene, tick, lightPositionsAround(scene, placed.position, placed.rotation),
                    kMaxSceneLights - 1);
    endBlended(object);
    glPopMatrix();
  }
}

}  // namespace glorbe
