// Object animation: rotation tracks, the transform through parents and
// pivots and its inverse, mesh normals and boxes, and the segment test.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/intersection.h"
#include "geometry/mesh_ops.h"
#include "geometry/model_reader.h"
#include "geometry/object_animation.h"

namespace glorbe {
namespace {

void addRotationKey(RotationTrack& track, int32_t tick, const Quaternion& q) {
  if (track.keys.size() <= static_cast<size_t>(track.count)) track.keys.resize(static_cast<size_t>(track.count) + 1);
  track.capacity = static_cast<uint32_t>(track.keys.size());
  track.keys[static_cast<size_t>(track.count)].tick = tick;
  track.keys[static_cast<size_t>(track.count)].q = q;
  ++track.count;
}

// Control quaternions as the model reader builds them for tracks of 3 keys
// or more.
void buildControls(RotationTrack& track) {
  const int32_t n = track.count;
  auto& k = track.keys;
  for (int32_t i = 1; i + 1 < n; ++i) {
    const Quaternion a = slerp(k[i].q, k[i - 1].q, 0, -1.0f / 3.0f);
    const Quaternion b = slerp(k[i].q, k[i + 1].q, 0, 1.0f / 3.0f);
    const Quaternion m = slerp(a, b, 0, 0.5f);
    k[i].outControl = m;
    k[i].inControl = slerp(k[i].q, m, 0, -1.0f);
  }
  k[0].outControl = slerp(k[0].q, k[1].q, 0, 1.0f / 3.0f);
  k[n - 1].inControl = slerp(k[n - 1].q, k[n - 2].q, 0, 1.0f / 3.0f);
}

float quatDistance(const Quaternion& a, const Quaternion& b) {
  return std::fabs(a.w - b.w) + std::fabs(a.x - b.x) + std::fabs(a.y - b.y) + std::fabs(a.z - b.z);
}

void addPositionKey(KeyTrack& track, int32_t tick, float x, float y, float z) {
  if (track.capacity <= static_cast<uint32_t>(track.count)) {
    KeyTrack grown;
    initTrack(grown, track.capacity + 4);
    for (int32_t i = 0; i < track.count; ++i) {
      const Key& k = track.keys[static_cast<size_t>(i)];
      addKey(grown, k.tick, k.tension, k.value.x, k.value.y, k.value.z);
    }
    track = grown;
  }
  addKey(track, tick, 0.5f, x, y, z);
  computeTangents(track);
}

TEST(RotationTrack, EmptyOneAndTwoKeys) {
  RotationTrack track;
  Quaternion out{0.5f, 0.5f, 0.5f, 0.5f};
  evaluateRotation(track, 10, out);
  EXPECT_EQ(out.w, 0.5f) << "an empty track leaves the output alone";

  const Quaternion a = quatFromAxisAngle(0.5f, 0, 0, 1);
  const Quaternion b = quatFromAxisAngle(1.5f, 0, 0, 1);
  addRotationKey(track, 10, a);
  evaluateRotation(track, 500, out);
  EXPECT_EQ(quatDistance(out, a), 0.0f);

  addRotationKey(track, 20, b);
  evaluateRotation(track, 0, out);
  EXPECT_EQ(quatDistance(out, a), 0.0f) << "before the first key";
  evaluateRotation(track, 21, out);
  EXPECT_EQ(quatDistance(out, b), 0.0f) << "after the last key, no looping";
  evaluateRotation(track, 15, out);
  EXPECT_LT(quatDistance(out, quatFromAxisAngle(1.0f, 0, 0, 1)), 1e-5f) << "halfway on the sphere";
}

TEST(RotationTrack, ThreeKeysHitTheirKeysAndStayContinuous) {
  RotationTrack track;
  const Quaternion q0 = quatFromAxisAngle(0.0f, 0, 0, 1);
  const Quaternion q1 = quatMultiply(q0, quatFromAxisAngle(1.2f, 0, 0, 1));
  const Quaternion q2 = quatMultiply(q1, quatFromAxisAngle(0.9f, 1, 0, 0));
  addRotationKey(track, 0, q0);
  addRotationKey(track, 30, q1);
  addRotationKey(track, 60, q2);
  buildControls(track);
  Quaternion out;
  for (const auto& [tick, q] : {std::pair{0, q0}, std::pair{30, q1}, std::pair{60, q2}}) {
    evaluateRotation(track, tick, out);
    EXPECT_LT(quatDistance(out, q), 1e-5f) << "tick " << tick;
  }
  Quaternion previous;
  evaluateRotation(track, 0, previous);
  for (int32_t tick = 1; tick <= 60; ++tick) {
    evaluateRotation(track, tick, out);
    EXPECT_LT(quatDistance(out, previous), 0.1f) << "a jump at tick " << tick;
    EXPECT_NEAR(quatDot(out, out), 1.0f, 1e-3f) << "off the unit sphere at tick " << tick;
    previous = out;
  }
}

TEST(QuaternionMatrix, IsTheTransposedRotation) {
  // A quarter turn about z: the usual matrix sends x to y; this one is its
  // transpose and sends x to -y.
  const Matrix m = quaternionMatrix(quatFromAxisAngle(kPi / 2, 0, 0, 1));
  EXPECT_NEAR(m[0], 0.0f, 1e-6f);
  EXPECT_NEAR(m[1], -1.0f, 1e-6f);
  EXPECT_NEAR(m[4], 1.0f, 1e-6f);
  EXPECT_NEAR(m[10], 1.0f, 1e-6f);
  EXPECT_EQ(m[15], 1.0f);
  EXPECT_EQ(m[12], 0.0f);
}

Matrix identityComposed(const Scene& scene, int32_t index, int32_t tick, bool withPivot, bool inverse) {
  Matrix m = identityMatrix();
  composeObjectTransform(m, scene, index, tick, withPivot, inverse);
  return m;
}

Vec3 apply(const Matrix& m, const Vec3& p) {
  return Vec3{m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
              m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
}

// A parent that moves, turns and scales; a child with its own track, a pivot
// and a mesh origin.
Scene parentAndChild() {
  Scene scene;
  initScene(scene, "S");
  const int32_t parent = addEmptyObject(scene, "PARENT");
  const int32_t child = addEmptyObject(scene, "CHILD");
  SceneObject& p = scene.objects[static_cast<size_t>(parent)];
  addPositionKey(p.positionTrack, 0, 1, 2, 3);
  addPositionKey(p.scaleTrack, 0, 2, 2, 2);
  addRotationKey(p.rotationTrack, 0, quatFromAxisAngle(0.7f, 0, 1, 0));
  p.meshOrigin = Vec3{100, 100, 100};  // must never reach the child
  SceneObject& c = scene.objects[static_cast<size_t>(child)];
  c.parentName = "PARENT";
  addPositionKey(c.positionTrack, 0, 0, 5, 0);
  addPositionKey(c.positionTrack, 10, 4, 5, 0);
  addPositionKey(c.scaleTrack, 0, 1, 0.5f, 3);
  addRotationKey(c.rotationTrack, 0, quatFromAxisAngle(0.3f, 1, 0, 0));
  Matrix pivot = identityMatrix();
  pivot[0] = 2.0f;
  pivot[12] = -1.5f;
  c.meshMatrix = pivot;
  c.meshInverse = inverseAffine(pivot);
  c.meshOrigin = Vec3{0.25f, -1, 2};
  return scene;
}

TEST(ObjectTransform, ChildSeesParentMotionButNotItsPivot) {
  Scene scene = parentAndChild();
  const Matrix child = identityComposed(scene, 1, 5, false, false);
  // The child's origin lands where the parent's own transform puts the
  // child's position (2, 5, 0) at tick 5.
  const Matrix parentOnly = identityComposed(scene, 0, 5, false, false);
  const Vec3 expected = apply(parentOnly, Vec3{2, 5, 0});
  const Vec3 origin = apply(child, Vec3{0, 0, 0});
  EXPECT_NEAR(origin.x, expected.x, 1e-4f);
  EXPECT_NEAR(origin.y, expected.y, 1e-4f);
  EXPECT_NEAR(origin.z, expected.z, 1e-4f);
}

TEST(ObjectTransform, InverseUndoesForwardWithPivotsParentsAndScale) {
  Scene scene = parentAndChild();
  for (int32_t tick : {0, 3, 10, 40}) {
    Matrix m = identityComposed(scene, 1, tick, true, false);
    composeObjectTransform(m, scene, 1, tick, true, true);
    const Matrix id = identityMatrix();
    for (size_t i = 0; i < 16; ++i) EXPECT_NEAR(m[i], id[i], 2e-5f) << "entry " << i << " at tick " << tick;
  }
}

TEST(ObjectTransform, ZeroScaleAndParentCyclesStayFinite) {
  Scene scene;
  initScene(scene, "S");
  addEmptyObject(scene, "A");
  addEmptyObject(scene, "B");
  scene.objects[0].parentName = "B";
  scene.objects[1].parentName = "A";
  addPositionKey(scene.objects[0].scaleTrack, 0, 0, 1, -0.0f);
  const Matrix m = identityComposed(scene, 0, 0, true, true);
  for (float v : m.m) EXPECT_TRUE(std::isfinite(v));
}

TEST(ObjectTransform, SameNameParentIsTheFirstInOrder) {
  Scene scene;
  initScene(scene, "S");
  addEmptyObject(scene, "P");
  addEmptyObject(scene, "P");
  addEmptyObject(scene, "C");
  addPositionKey(scene.objects[0].positionTrack, 0, 1, 0, 0);
  addPositionKey(scene.objects[1].positionTrack, 0, 0, 7, 0);
  scene.objects[2].parentName = "P";
  const Vec3 origin = apply(identityComposed(scene, 2, 0, true, false), Vec3{});
  EXPECT_EQ(origin.x, 1.0f);
  EXPECT_EQ(origin.y, 0.0f);
}

SceneObject cube() {
  SceneObject o;
  for (int i = 0; i < 8; ++i) o.vertices.push_back(Vec3{float(i & 1), float((i >> 1) & 1), float((i >> 2) & 1)});
  // Two outward triangles per side.
  o.faces = {{0, 2, 1}, {1, 2, 3}, {4, 5, 6}, {5, 7, 6}, {0, 1, 4}, {1, 5, 4},
             {2, 6, 3}, {3, 6, 7}, {0, 4, 2}, {2, 4, 6}, {1, 3, 5}, {3, 7, 5}};
  o.vertexCount = 8;
  o.faceCount = 12;
  return o;
}

TEST(MeshOps, CubeNormalsPointOutOfItsCorners) {
  SceneObject o = cube();
  computeMeshNormals(o);
  computeMeshBox(o);
  ASSERT_EQ(o.normals.size(), 8u);
  for (int i = 0; i < 8; ++i) {
    const Vec3& n = o.normals[static_cast<size_t>(i)];
    const Vec3& v = o.vertices[static_cast<size_t>(i)];
    // Each corner's normal leans out along all three axes of that corner.
    EXPECT_GT(n.x * (v.x - 0.5f), 0.0f) << "corner " << i;
    EXPECT_GT(n.y * (v.y - 0.5f), 0.0f) << "corner " << i;
    EXPECT_GT(n.z * (v.z - 0.5f), 0.0f) << "corner " << i;
    EXPECT_NEAR(vec3Length(n), 1.0f, 1e-6f);
  }
  EXPECT_TRUE(o.hasBox);
  EXPECT_EQ(o.boxCorners[0].x, 0.0f);
  EXPECT_EQ(o.boxCorners[7].z, 1.0f);
  EXPECT_EQ(o.boxCorners[3].y, 0.0f);
  EXPECT_EQ(o.boxCorners[3].z, 1.0f);
}

TEST(MeshOps, LoneVerticesGetZPlusAndBadFacesAreSkipped) {
  SceneObject o = cube();
  o.vertices.push_back(Vec3{9, 9, 9});
  o.vertexCount = 9;
  o.faces.push_back({0, 1, 77});
  o.faceCount = 13;
  computeMeshNormals(o);
  EXPECT_EQ(o.normals[8].z, 1.0f);
  EXPECT_EQ(o.normals[8].x, 0.0f);
  SceneObject empty;
  computeMeshNormals(empty);
  computeMeshBox(empty);
  EXPECT_FALSE(empty.hasBox);
}

TEST(SegmentTriangle, HitsMissesAndBackFaces) {
  const Vec3 a{0, 0, 0}, b{1, 0, 0}, c{0, 1, 0};  // normal +z
  float t = -1;
  EXPECT_TRUE(segmentHitsTriangle(Vec3{0.25f, 0.25f, 1}, Vec3{0, 0, -2}, a, b, c, false, t));
  EXPECT_FLOAT_EQ(t, 0.5f);
  EXPECT_FALSE(segmentHitsTriangle(Vec3{0.25f, 0.25f, 1}, Vec3{0, 0, -0.5f}, a, b, c, false, t)) << "too short";
  EXPECT_FALSE(segmentHitsTriangle(Vec3{0.75f, 0.75f, 1}, Vec3{0, 0, -2}, a, b, c, false, t)) << "outside u + v";
  EXPECT_TRUE(segmentHitsTriangle(Vec3{0.25f, 0.25f, -1}, Vec3{0, 0, 2}, a, b, c, false, t)) << "from behind";
  EXPECT_FALSE(segmentHitsTriangle(Vec3{0.25f, 0.25f, -1}, Vec3{0, 0, 2}, a, b, c, true, t)) << "back face culled";
  EXPECT_FALSE(segmentHitsTriangle(Vec3{0.25f, 0.25f, 0}, Vec3{1, 0, 0}, a, b, c, false, t)) << "in the plane";
}

TEST(SegmentTriangle, BoxTrianglesFaceOutwardAndCoverTheBox) {
  SceneObject o = cube();
  computeMeshBox(o);
  const Vec3 centre{0.5f, 0.5f, 0.5f};
  for (const auto& tri : kBoxTriangles) {
    const Vec3& a = o.boxCorners[static_cast<size_t>(tri[0])];
    const Vec3& b = o.boxCorners[static_cast<size_t>(tri[1])];
    const Vec3& c = o.boxCorners[static_cast<size_t>(tri[2])];
    const Vec3 n = cross(Vec3{b.x - a.x, b.y - a.y, b.z - a.z}, Vec3{c.x - a.x, c.y - a.y, c.z - a.z});
    const Vec3 mid{(a.x + b.x + c.x) / 3 - centre.x, (a.y + b.y + c.y) / 3 - centre.y, (a.z + b.z + c.z) / 3 - centre.z};
    EXPECT_GT(n.x * mid.x + n.y * mid.y + n.z * mid.z, 0.0f);
  }
  // A segment from the centre out through any side meets exactly one face
  // triangle from behind, and none when back faces are culled.
  for (const Vec3& d : {Vec3{2, 0.1f, 0.2f}, Vec3{-2, 0.1f, 0.2f}, Vec3{0.1f, 2, 0.2f}, Vec3{0.1f, -2, 0.2f},
                        Vec3{0.1f, 0.2f, 2}, Vec3{0.1f, 0.2f, -2}}) {
    int hits = 0, culled = 0;
    float t;
    for (const auto& tri : kBoxTriangles) {
      const Vec3& a = o.boxCorners[static_cast<size_t>(tri[0])];
      const Vec3& b = o.boxCorners[static_cast<size_t>(tri[1])];
      const Vec3& c = o.boxCorners[static_cast<size_t>(tri[2])];
      hits += segmentHitsTriangle(centre, d, a, b, c, false, t);
      culled += segmentHitsTriangle(centre, d, a, b, c, true, t);
    }
    EXPECT_EQ(hits, 1);
    EXPECT_EQ(culled, 0);
  }
}

TEST(SceneRecords, NewScenesAndObjectsStartAtTheirDefaults) {
  Scene scene;
  scene.lightCount = 5;
  initScene(scene, std::string(300, 'N'));
  EXPECT_EQ(scene.name.size(), 255u);
  EXPECT_EQ(scene.lightCount, 0);
  EXPECT_EQ(scene.terrainIndex, -1);
  EXPECT_FLOAT_EQ(scene.fogStart, 10.0f);
  EXPECT_FLOAT_EQ(scene.fogEnd, 50.0f);
  EXPECT_TRUE(scene.useAmbient);
  const int32_t i = addEmptyObject(scene, "THING");
  const SceneObject& o = scene.objects[static_cast<size_t>(i)];
  EXPECT_EQ(o.parentIndex, kNoParent);
  EXPECT_TRUE(o.textureMapOn);
  EXPECT_TRUE(o.collidesAsBox);
  EXPECT_EQ(o.blendSrcFactor, static_cast<GLenum>(GL_SRC_ALPHA));
  EXPECT_EQ(o.blendDstFactor, static_cast<GLenum>(GL_ONE));
  EXPECT_EQ(o.toonSrcFactor, static_cast<GLenum>(GL_DST_COLOR));
  EXPECT_EQ(o.surface[9], 0.8f);
  EXPECT_TRUE(isHidden(o));
}

}  // namespace
}  // namespace glorbe
