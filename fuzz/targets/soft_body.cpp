// Soft bodies and the deformers on any mesh and any numbers: a mesh of up to
// 64 vertices and 96 faces (corners may name vertices it lacks, positions
// may be NaN or infinite), FLEX values, a mode and a count of frames, then
// the deformer arguments. The body is set up from the real edge list and
// stepped beside a box collider and a second soft body; then every deformer
// and every OBJDISTORT style runs on it with a vertex frame that may be
// shorter than the mesh and may lack normals.
//
// What must hold besides the sanitizers' checks: a body whose mesh starts
// finite never shows a position, box corner or velocity that is not finite
// (it freezes instead of blowing up).
//
// Layout: byte vertex count, byte face count, byte mode, byte frames, byte
// frame length, byte flags; 8 floats FLEX; 8 floats deformer arguments;
// 3 floats per vertex; 3 bytes per face. Missing bytes read as 0.
#include <cmath>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "geometry/flex_setup.h"
#include "geometry/mesh_ops.h"
#include "geometry/model_reader.h"
#include "render/distortion.h"
#include "render/flex_objects.h"
#include "scripts/scene_finishing.h"

using namespace glorbe;

namespace {

struct Reader {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  uint8_t byte() { return at < size ? data[at++] : 0; }
  float real() {
    uint8_t b[4] = {byte(), byte(), byte(), byte()};
    float v = 0;
    std::memcpy(&v, b, 4);
    return v;
  }
};

void check(bool holds) {
  if (!holds) __builtin_trap();
}

bool finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool allFinite(const std::vector<Vec3>& values, size_t count) {
  for (size_t i = 0; i < count && i < values.size(); ++i) {
    if (!finite(values[i])) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in{data, size};
  const size_t vertexCount = in.byte() % 65;
  const size_t faceCount = in.byte() % 97;
  const int32_t mode = in.byte() % 4;  // 3: a mode that does nothing
  const int frames = in.byte() % 8;
  const uint8_t frameLength = in.byte();
  const uint8_t flags = in.byte();
  float flex[8], args[8];
  for (float& v : flex) v = in.real();
  for (float& v : args) v = in.real();

  Scene scene;
  initScene(scene, "FUZZ");
  const int32_t index = addEmptyObject(scene, "BODY");
  SceneObject& body = scene.objects[static_cast<size_t>(index)];
  for (size_t i = 0; i < vertexCount; ++i) body.vertices.push_back(Vec3{in.real(), in.real(), in.real()});
  for (size_t f = 0; f < faceCount; ++f) {
    // Corners up to two past the last vertex: faces the mesh cannot have.
    const auto corner = [&] { return static_cast<uint32_t>(in.byte() % (vertexCount + 2)); };
    body.faces.push_back(Face{corner(), corner(), corner()});
  }
  body.vertexCount = static_cast<int32_t>(vertexCount);
  body.faceCount = static_cast<int32_t>(faceCount);
  body.texCoords.resize(vertexCount);
  body.faceFlags.resize(faceCount);
  body.normals.resize(vertexCount);
  body.faceNormals.resize(faceCount);
  computeMeshNormals(body);
  computeMeshBox(body);
  body.ready = true;
  body.flexOn = true;
  body.castsShadow = (flags & 1) != 0;
  const bool startsFinite = allFinite(body.vertices, vertexCount);

  // A box collider round the origin and a second soft body: a copy of the
  // first a little lower.
  const int32_t boxIndex = addEmptyObject(scene, "TABLE");
  SceneObject& box = scene.objects[static_cast<size_t>(boxIndex)];
  box.vertices = {Vec3{-1, -1, -1}, Vec3{1, 1, 0}};
  box.vertexCount = 2;
  computeMeshBox(box);
  box.ready = true;
  const int32_t otherIndex = addEmptyObject(scene, "OTHER");
  {
    SceneObject copy = scene.objects[static_cast<size_t>(index)];
    copy.name = "OTHER";
    for (Vec3& v : copy.vertices) v.z -= 0.5f;
    computeMeshBox(copy);
    scene.objects[static_cast<size_t>(otherIndex)] = std::move(copy);
  }

  for (const int32_t i : {index, otherIndex}) {
    SceneObject& o = scene.objects[static_cast<size_t>(i)];
    buildEdgeList(o);
    setupFlexObject(o, flex[0], flex[1], flex[2], flex[3], flex[4], Vec3{flex[5], flex[6], flex[7]});
  }
  SceneObject& soft = scene.objects[static_cast<size_t>(index)];
  for (int frame = 0; frame < frames; ++frame) {
    stepFlexObject(scene, index, 25, 0.024f, mode);
    if (startsFinite) {
      check(allFinite(soft.vertices, vertexCount));
      check(allFinite(soft.flexStates[0].velocity, vertexCount));
      for (const Vec3& c : soft.boxCorners) check(vertexCount == 0 || finite(c));
    }
    // The other body's contacts may hand this one any velocity; its own
    // next step deals with it.
    stepFlexObject(scene, otherIndex, 25, 0.024f, mode);
  }

  // The deformers on a source frame of `frameLength` vertices, with or
  // without normals, as if the object had been drawn.
  soft.visibleThisFrame = (flags & 2) == 0;
  soft.meshOrigin = Vec3{args[7], args[6], args[5]};
  std::vector<Vec3> source(soft.vertices.begin(),
                           soft.vertices.begin() + static_cast<ptrdiff_t>(std::min<size_t>(frameLength, vertexCount)));
  soft.frameVertices = {source};
  soft.frameNormals = {(flags & 4) != 0 ? std::vector<Vec3>{} : std::vector<Vec3>(source.size(), Vec3{0, 0, 1})};
  bendObject(soft, 0, args[0], args[1], args[2]);
  twistObject(soft, 0, args[0], args[1], args[2], args[3], args[4], args[5]);
  wobbleObject(soft, 0, args[0], args[1], args[2], args[3], args[4], args[5], args[6]);
  bendObject(soft, static_cast<int32_t>(flags >> 4) - 1, 1, 1, 1);  // frames that may not exist
  SceneObjDistortValues v;
  v.ax = args[0];
  v.ay = args[1];
  v.az = args[2];
  v.sx = args[3];
  v.sy = args[4];
  v.sz = args[5];
  for (const int32_t style : {-1, 0, 1, 2, 3}) {
    v.style = style;
    distortSceneObject(soft, v, static_cast<int32_t>(frameLength) - 100);
  }
  return 0;
}
