// The model reader on chunk files made by hand: every path of the reader,
// the node hierarchy, the tracks, and damaged files of every kind.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "archive/archive.h"
#include "archive/load_buffer.h"
#include "geometry/model_reader.h"
#include "geometry/object_animation.h"
#include "models/chunk_writer.h"
#include "unit/test_files.h"

namespace glorbe {
namespace {

using tools::ChunkWriter;
using Body = std::function<void(ChunkWriter&)>;

struct TestKey {
  int32_t frame;
  uint16_t flags;
  std::vector<float> spline;  // one per set flag bit
  std::vector<float> value;
};

void track(ChunkWriter& w, uint16_t id, const std::vector<TestKey>& keys) {
  w.begin(id);
  w.u16(0);
  w.u32(0);
  w.u32(0);
  w.u32(static_cast<uint32_t>(keys.size()));
  for (const TestKey& k : keys) {
    w.u32(static_cast<uint32_t>(k.frame));
    w.u16(k.flags);
    for (float f : k.spline) w.f32(f);
    for (float f : k.value) w.f32(f);
  }
  w.end();
}

void nodeHeader(ChunkWriter& w, const std::string& name, uint16_t parent) {
  w.begin(0xB010);
  w.name(name);
  w.u16(0);
  w.u16(0);
  w.u16(parent);
  w.end();
}

void node(ChunkWriter& w, uint16_t kind, const std::string& name, uint16_t parent, const Body& body = {}) {
  w.begin(kind);
  w.begin(0xB030);  // node identifier: skipped
  w.u16(7);
  w.end();
  nodeHeader(w, name, parent);
  if (body) body(w);
  w.end();
}

void vertexList(ChunkWriter& w, const std::vector<Vec3>& v) {
  w.begin(0x4110);
  w.u16(static_cast<uint32_t>(v.size()));
  for (const Vec3& p : v) w.vec(p.x, p.y, p.z);
  w.end();
}

void faceList(ChunkWriter& w, const std::vector<std::array<uint16_t, 4>>& faces) {
  w.begin(0x4120);
  w.u16(static_cast<uint32_t>(faces.size()));
  for (const auto& f : faces) {
    for (uint16_t x : f) w.u16(x);
  }
  w.begin(0x4150);  // smoothing groups: skipped with the face list
  for (size_t i = 0; i < faces.size(); ++i) w.u32(1);
  w.end();
  w.end();
}

const std::vector<Vec3> kTriangle = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};

void mesh(ChunkWriter& w, const std::string& name, const std::vector<Vec3>& v,
          const std::vector<std::array<uint16_t, 4>>& f, const Body& extra = {}) {
  w.begin(0x4000);
  w.name(name);
  w.begin(0x4100);
  vertexList(w, v);
  faceList(w, f);
  if (extra) extra(w);
  w.end();
  w.end();
}

void triangle(ChunkWriter& w, const std::string& name) { mesh(w, name, kTriangle, {{0, 1, 2, 7}}); }

void floatColour(ChunkWriter& w, uint16_t id, float r, float g, float b) {
  w.begin(id);
  w.vec(r, g, b);
  w.end();
}

void omni(ChunkWriter& w, const std::string& name, Vec3 p, const Body& colour) {
  w.begin(0x4000);
  w.name(name);
  w.begin(0x4600);
  w.vec(p.x, p.y, p.z);
  if (colour) colour(w);
  w.end();
  w.end();
}

// A file: main chunk, the editor's content, then the keyframer's.
std::string modelFile(const Body& editor, const Body& keyframer = {}) {
  ChunkWriter w;
  w.begin(0x4D4D);
  w.begin(0x0002);
  w.u32(3);
  w.end();
  w.begin(0x3D3D);
  editor(w);
  w.end();
  if (keyframer) {
    w.begin(0xB000);
    w.begin(0xB00A);  // keyframer header: skipped
    w.u16(5);
    w.name("MAXSCENE");
    w.u32(100);
    w.end();
    keyframer(w);
    w.end();
  }
  w.end();
  return w.bytes;
}

Scene readBytes(const std::string& bytes) {
  Scene scene;
  initScene(scene, "TEST.3DS");
  readModelData(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), scene);
  return scene;
}

const SceneObject* object(const Scene& scene, const std::string& name) {
  const int32_t i = findObjectByName(scene, name);
  return i < 0 ? nullptr : &scene.objects[static_cast<size_t>(i)];
}

// ---- the editor's records ---------------------------------------------------------

TEST(ModelReader, MeshLightCameraAndAmbient) {
  const std::string file = modelFile([](ChunkWriter& w) {
    w.begin(0x2100);
    floatColour(w, 0x0010, 0.1f, 0.2f, 0.3f);
    floatColour(w, 0x0013, 0.9f, 0.9f, 0.9f);  // only the first colour counts
    w.end();
    mesh(w, "PLATE", {{0, 0, 0}, {2, 0, 0}, {2, 4, 0}, {0, 4, 1}}, {{0, 1, 2, 3}, {0, 2, 3, 0x8006}},
         [](ChunkWriter& m) {
           m.begin(0x4140);
           m.u16(4);
           for (int i = 0; i < 4; ++i) {
             m.f32(0.25f * static_cast<float>(i));
             m.f32(0.5f);
           }
           m.end();
           m.begin(0x4160);
           m.vec(2, 0, 0);   // X axis, length 2
           m.vec(0, 0, 1);   // Y
           m.vec(0, -1, 0);  // Z
           m.vec(5, 6, 7);   // origin
           m.end();
         });
    omni(w, "LAMP", {1, 2, 3}, [](ChunkWriter& l) { floatColour(l, 0x0013, 1, 0.5f, 0.25f); });
    w.begin(0x4000);
    w.name("CAM");
    w.begin(0x4700);
    w.vec(0, -10, 2);
    w.vec(0, 0, 1);
    w.f32(15);
    w.f32(35);
    w.begin(0x4710);  // cone: skipped
    w.end();
    w.end();
    w.end();
  });
  const Scene scene = readBytes(file);
  EXPECT_EQ(scene.name, "TEST.3DS");
  EXPECT_EQ(scene.ambientColour, (std::array<float, 3>{0.1f, 0.2f, 0.3f}));

  ASSERT_EQ(scene.objects.size(), 1u);
  const SceneObject& o = scene.objects[0];
  EXPECT_EQ(o.name, "PLATE");
  EXPECT_EQ(o.vertexCount, 4);
  EXPECT_EQ(o.faceCount, 2);
  EXPECT_EQ(o.vertices[2].y, 4.0f);
  EXPECT_EQ(o.faces[1], (Face{0, 2, 3}));
  EXPECT_EQ(o.faceFlags[1], 0x8006);
  EXPECT_EQ(o.texCoords[3].u, 0.75f);
  EXPECT_EQ(o.texCoords[3].v, -0.5f) << "v is stored negated";
  EXPECT_FALSE(o.isDummy);
  EXPECT_EQ(o.parentIndex, kNoParent);
  EXPECT_TRUE(o.parentName.empty());
  // Rows are the axes, each divided by its squared length.
  EXPECT_EQ(o.meshMatrix.at(0, 0), 0.5f);
  EXPECT_EQ(o.meshMatrix.at(1, 2), 1.0f);
  EXPECT_EQ(o.meshMatrix.at(2, 1), -1.0f);
  EXPECT_EQ(o.meshMatrix[12], 0.0f);
  const Matrix inverse = inverseAffine(o.meshMatrix);
  EXPECT_EQ(o.meshInverse.m, inverse.m);
  EXPECT_EQ(o.meshOrigin.x, -5.0f);
  EXPECT_EQ(o.meshOrigin.z, -7.0f);
  EXPECT_TRUE(o.hasBox);
  EXPECT_EQ(o.boxCorners[0].x, 0.0f);
  EXPECT_EQ(o.boxCorners[7].x, 2.0f);
  EXPECT_EQ(o.boxCorners[7].y, 4.0f);
  EXPECT_EQ(o.boxCorners[7].z, 1.0f);
  EXPECT_EQ(o.faceNormals[0].z, 1.0f);
  EXPECT_TRUE(o.textureMapOn) << "creation defaults";
  EXPECT_FALSE(o.ready);

  ASSERT_EQ(scene.lights.size(), 1u);
  EXPECT_EQ(scene.lightCount, 1);
  EXPECT_EQ(scene.lights[0].name, "LAMP");
  EXPECT_EQ(scene.lights[0].position.z, 3.0f);
  EXPECT_EQ(scene.lights[0].color, (std::array<float, 3>{1, 0.5f, 0.25f}));
  EXPECT_EQ(scene.lights[0].size, 1.0f);
  EXPECT_TRUE(scene.lights[0].onScreen);

  ASSERT_EQ(scene.cameras.size(), 1u);
  const SceneCamera& c = scene.cameras[0];
  EXPECT_EQ(c.name, "CAM");
  EXPECT_EQ(c.position.y, -10.0f);
  EXPECT_EQ(c.target.z, 1.0f);
  EXPECT_EQ(c.roll, 15.0f);
  EXPECT_EQ(c.lens, 35.0f);
  EXPECT_EQ(c.zScale, 1.0f);
}

TEST(ModelReader, UnsetMappingAxesAndColoursHaveDefinedValues) {
  const std::string file = modelFile([](ChunkWriter& w) {
    triangle(w, "BARE");
    // A 24-bit colour is not read: the light takes the float colour read last.
    omni(w, "FIRST", {}, [](ChunkWriter& l) {
      l.begin(0x0011);
      l.u8(255);
      l.u8(0);
      l.u8(0);
      l.end();
    });
    omni(w, "SECOND", {}, [](ChunkWriter& l) { floatColour(l, 0x0010, 0.5f, 0.5f, 0.5f); });
    omni(w, "THIRD", {}, {});
    w.begin(0x4000);
    w.name("EMPTY");
    w.begin(0x4100);
    w.end();
    w.end();
  });
  const Scene scene = readBytes(file);
  ASSERT_EQ(scene.objects.size(), 2u);
  const SceneObject& bare = scene.objects[0];
  ASSERT_EQ(bare.texCoords.size(), 3u);
  for (const TexCoord& t : bare.texCoords) EXPECT_EQ(t.u + t.v, 0.0f);
  EXPECT_EQ(bare.meshMatrix.m, identityMatrix().m);
  EXPECT_EQ(bare.meshInverse.m, identityMatrix().m);
  const SceneObject& empty = scene.objects[1];
  EXPECT_EQ(empty.vertexCount, 0);
  EXPECT_FALSE(empty.hasBox);
  EXPECT_TRUE(empty.normals.empty());
  ASSERT_EQ(scene.lights.size(), 3u);
  EXPECT_EQ(scene.lights[0].color, (std::array<float, 3>{0, 0, 0}));
  EXPECT_EQ(scene.lights[2].color, (std::array<float, 3>{0.5f, 0.5f, 0.5f}));
}

TEST(ModelReader, CubeNormalsAreTheSumsOfItsFaces) {
  std::vector<Vec3> corners;
  for (int i = 0; i < 8; ++i) corners.push_back({float(i & 1), float((i >> 1) & 1), float((i >> 2) & 1)});
  const std::vector<std::array<uint16_t, 4>> faces = {{0, 2, 1, 0}, {1, 2, 3, 0}, {4, 5, 6, 0}, {5, 7, 6, 0},
                                                      {0, 1, 4, 0}, {1, 5, 4, 0}, {2, 6, 3, 0}, {3, 6, 7, 0},
                                                      {0, 4, 2, 0}, {2, 4, 6, 0}, {1, 3, 5, 0}, {3, 7, 5, 0}};
  const Scene scene = readBytes(modelFile([&](ChunkWriter& w) { mesh(w, "CUBE", corners, faces); }));
  const SceneObject& o = scene.objects.at(0);
  // Corner 0 touches both triangles of each of its three sides; corner 1
  // both on two sides and one on the third: (1, -2, -2) / 3.
  const float third = 1.0f / std::sqrt(3.0f);
  EXPECT_NEAR(o.normals[0].x, -third, 1e-6f);
  EXPECT_NEAR(o.normals[0].y, -third, 1e-6f);
  EXPECT_NEAR(o.normals[0].z, -third, 1e-6f);
  EXPECT_NEAR(o.normals[1].x, 1.0f / 3, 1e-6f);
  EXPECT_NEAR(o.normals[1].y, -2.0f / 3, 1e-6f);
  EXPECT_NEAR(o.normals[1].z, -2.0f / 3, 1e-6f);
  EXPECT_EQ(o.faceNormals[0].z, -1.0f);
  EXPECT_EQ(o.boxCorners[3].x, 1.0f);
  EXPECT_EQ(o.boxCorners[3].y, 0.0f);
  EXPECT_EQ(o.boxCorners[3].z, 1.0f);
}

// ---- the walk ----------------------------------------------------------------------

TEST(ModelReader, WalkContinuesAtChunkEndsAndStopsAtForeignIdentifiers) {
  const std::string file = modelFile([](ChunkWriter& w) {
    w.begin(0x3D3E);  // mesh version: skipped
    w.u32(3);
    w.end();
    w.begin(0x4000);
    w.name("A");
    w.begin(0x4100);
    w.begin(0x4110);
    w.u16(3);
    for (const Vec3& v : kTriangle) w.vec(v.x, v.y, v.z);
    w.u32(0xDEADBEEF);  // bytes the handler does not consume
    w.end();
    faceList(w, {{0, 1, 2, 0}});
    w.begin(0x4170);  // mesh sub-chunk not read
    w.u16(1);
    w.end();
    w.begin(0x4A00);  // outside the mesh range: the mesh ends here
    w.end();
    vertexList(w, {{5, 5, 5}});  // not part of the mesh any more
    w.end();
    w.begin(0x0100);  // outside the named object range: the object ends here
    w.end();
    w.begin(0x4600);  // so this light is not read
    w.vec(1, 1, 1);
    w.end();
    w.end();
  });
  const Scene scene = readBytes(file);
  ASSERT_EQ(scene.objects.size(), 1u);
  EXPECT_EQ(scene.objects[0].vertexCount, 3);
  EXPECT_EQ(scene.objects[0].vertices[0].x, 0.0f);
  EXPECT_EQ(scene.objects[0].faceCount, 1);
  EXPECT_TRUE(scene.lights.empty());
}

TEST(ModelReader, EditorLevelRunsToTheEndOfTheFile) {
  // The keyframer may sit outside the editor chunk, and a named object
  // after the editor chunk is still read by the editor level.
  ChunkWriter w;
  w.begin(0x4D4D);
  w.begin(0x3D3D);
  triangle(w, "IN");
  w.end();
  triangle(w, "AFTER");
  w.begin(0xB000);
  w.begin(0xB008);
  w.u32(10);
  w.u32(90);
  w.end();
  node(w, 0xB002, "IN", 0xFFFF, [](ChunkWriter& n) { track(n, 0xB020, {{0, 0, {}, {1, 2, 3}}}); });
  w.end();
  w.end();
  const Scene scene = readBytes(w.bytes);
  ASSERT_EQ(scene.objects.size(), 2u);
  EXPECT_EQ(scene.objects[1].name, "AFTER");
  EXPECT_EQ(scene.animationStart, 10);
  EXPECT_EQ(scene.animationEnd, 90);
  EXPECT_EQ(scene.objects[0].positionTrack.count, 1);
}

TEST(ModelReader, AFileThatIsNotAModelGivesAnEmptyScene) {
  ChunkWriter w;
  w.begin(0x4D4E);
  w.begin(0x3D3D);
  triangle(w, "X");
  w.end();
  w.end();
  const Scene scene = readBytes(w.bytes);
  EXPECT_TRUE(scene.objects.empty());
  EXPECT_TRUE(readBytes("").objects.empty());
  EXPECT_TRUE(readBytes("MM").objects.empty());
}

// ---- the keyframer -----------------------------------------------------------------

TEST(ModelReader, TrackKeysWithEverySplineFlag) {
  const std::string file = modelFile([](ChunkWriter& w) { triangle(w, "BOX"); },
                                     [](ChunkWriter& w) {
                                       node(w, 0xB002, "BOX", 0xFFFF, [](ChunkWriter& n) {
                                         track(n, 0xB020,
                                               {{0, 0x00, {}, {0, 0, 0}},
                                                {10, 0x01, {0.25f}, {1, 0, 0}},
                                                {20, 0x1F, {0.75f, 9, 9, 9, 9}, {2, 0, 0}},
                                                {30, 0x1E, {9, 9, 9, 9}, {3, 0, 0}},
                                                {40, 0x14, {9, 9}, {4, 5, 6}}});
                                         track(n, 0xB022, {{5, 0x08, {9}, {2, 2, 2}}});
                                         track(n, 0xB023, {{0, 0, {}, {1}}});  // field of view: not an object's
                                       });
                                     });
  const Scene scene = readBytes(file);
  const SceneObject& o = scene.objects.at(0);
  const KeyTrack& p = o.positionTrack;
  ASSERT_EQ(p.count, 5);
  const float tensions[] = {0.5f, 0.25f, 0.75f, 0.5f, 0.5f};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(p.keys[i].tick, 10 * i);
    EXPECT_EQ(p.keys[i].tension, tensions[i]) << "key " << i;
    EXPECT_EQ(p.keys[i].value.x, static_cast<float>(i)) << "key " << i;
  }
  EXPECT_EQ(p.keys[4].value.z, 6.0f);
  EXPECT_EQ(p.keys[1].tangent.x, 0.5f) << "(2 - 0) x 0.25: the tangents are computed";
  ASSERT_EQ(o.scaleTrack.count, 1);
  EXPECT_EQ(o.scaleTrack.keys[0].tick, 5);
  EXPECT_EQ(o.scaleTrack.keys[0].value.y, 2.0f);
}

TEST(ModelReader, CameraTargetRollAndLightTracks) {
  const std::string file = modelFile(
      [](ChunkWriter& w) {
        w.begin(0x4000);
        w.name("EYE");
        w.begin(0x4700);
        for (int i = 0; i < 8; ++i) w.f32(1);
        w.end();
        w.end();
        omni(w, "SUN", {0, 0, 9}, {});
      },
      [](ChunkWriter& w) {
        node(w, 0xB003, "EYE", 0xFFFF, [](ChunkWriter& n) {
          track(n, 0xB020, {{0, 0, {}, {1, 2, 3}}, {50, 0, {}, {4, 5, 6}}});
          track(n, 0xB024, {{0, 0, {}, {30}}, {50, 1, {0.1f}, {-30}}});
        });
        node(w, 0xB004, "EYE", 0xFFFF, [](ChunkWriter& n) { track(n, 0xB020, {{0, 0, {}, {7, 8, 9}}}); });
        node(w, 0xB005, "SUN", 0xFFFF, [](ChunkWriter& n) { track(n, 0xB020, {{3, 0, {}, {0, 1, 0}}}); });
        node(w, 0xB003, "NOBODY", 0xFFFF, [](ChunkWriter& n) { track(n, 0xB020, {{3, 0, {}, {0, 1, 0}}}); });
      });
  const Scene scene = readBytes(file);
  ASSERT_EQ(scene.cameras.size(), 1u);
  const SceneCamera& c = scene.cameras[0];
  ASSERT_EQ(c.positionTrack.count, 2);
  EXPECT_EQ(c.positionTrack.keys[1].value.z, 6.0f);
  ASSERT_EQ(c.rollTrack.count, 2);
  EXPECT_EQ(c.rollTrack.keys[1].value.x, -30.0f);
  EXPECT_EQ(c.rollTrack.keys[1].value.y, 0.0f);
  EXPECT_EQ(c.rollTrack.keys[1].tension, 0.1f);
  ASSERT_EQ(c.targetTrack.count, 1);
  EXPECT_EQ(c.targetTrack.keys[0].value.y, 8.0f);
  EXPECT_EQ(scene.lights.at(0).positionTrack.count, 1);
  EXPECT_EQ(scene.lights[0].positionTrack.keys[0].tick, 3);
  EXPECT_TRUE(scene.objects.empty());
}

std::vector<float> angleAxis(float angle, float x, float y, float z) { return {angle, x, y, z}; }

TEST(ModelReader, RotationKeysAccumulate) {
  const float a = 0.4f, b = 0.9f;
  const std::string file =
      modelFile([](ChunkWriter& w) { triangle(w, "T"); },
                [&](ChunkWriter& w) {
                  node(w, 0xB002, "T", 0xFFFF, [&](ChunkWriter& n) {
                    track(n, 0xB021, {{0, 0, {}, angleAxis(a, 0, 0, 1)}, {10, 0, {}, angleAxis(0, 0, 0, 1)},
                                      {20, 0x01, {0.3f}, angleAxis(b, 0, 0, 1)}});
                  });
                });
  const Scene scene = readBytes(file);
  const RotationTrack& r = scene.objects.at(0).rotationTrack;
  ASSERT_EQ(r.count, 3);
  const Quaternion qa = quatFromAxisAngle(a, 0, 0, 1);
  const Quaternion qab = quatFromAxisAngle(a + b, 0, 0, 1);
  EXPECT_EQ(r.keys[0].tick, 0);
  EXPECT_EQ(r.keys[2].tick, 20);
  EXPECT_NEAR(r.keys[0].q.w, qa.w, 1e-6f);
  EXPECT_NEAR(r.keys[0].q.z, qa.z, 1e-6f);
  EXPECT_NEAR(r.keys[1].q.z, qa.z, 1e-6f) << "a zero angle keeps the orientation";
  EXPECT_NEAR(r.keys[2].q.w, qab.w, 1e-6f);
  EXPECT_NEAR(r.keys[2].q.z, qab.z, 1e-6f);
  // The control quaternions as the spline needs them.
  const auto& k = r.keys;
  const Quaternion m = slerp(slerp(k[1].q, k[0].q, 0, -1.0f / 3.0f), slerp(k[1].q, k[2].q, 0, 1.0f / 3.0f), 0, 0.5f);
  EXPECT_EQ(k[1].outControl.w, m.w);
  EXPECT_EQ(k[1].outControl.z, m.z);
  const Quaternion in1 = slerp(k[1].q, m, 0, -1.0f);
  EXPECT_EQ(k[1].inControl.z, in1.z);
  EXPECT_EQ(k[0].outControl.z, slerp(k[0].q, k[1].q, 0, 1.0f / 3.0f).z);
  EXPECT_EQ(k[2].inControl.z, slerp(k[2].q, k[1].q, 0, 1.0f / 3.0f).z);
}

float quatGap(const Quaternion& a, const Quaternion& b) {
  return std::fabs(a.w - b.w) + std::fabs(a.x - b.x) + std::fabs(a.y - b.y) + std::fabs(a.z - b.z);
}

TEST(ModelReader, ThreeKeyRotationPassesItsKeysSmoothly) {
  const std::string file =
      modelFile([](ChunkWriter& w) { triangle(w, "T"); },
                [](ChunkWriter& w) {
                  node(w, 0xB002, "T", 0xFFFF, [](ChunkWriter& n) {
                    track(n, 0xB021, {{0, 0, {}, angleAxis(0.3f, 1, 0, 0)}, {40, 0, {}, angleAxis(1.1f, 0, 0, 1)},
                                      {70, 0, {}, angleAxis(0.8f, 0, 0.6f, 0.8f)}});
                  });
                });
  const Scene scene = readBytes(file);
  const RotationTrack& r = scene.objects.at(0).rotationTrack;
  ASSERT_EQ(r.count, 3);
  Quaternion out;
  for (int i = 0; i < 3; ++i) {
    evaluateRotation(r, r.keys[i].tick, out);
    EXPECT_LT(quatGap(out, r.keys[i].q), 2e-5f) << "key " << i;
  }
  Quaternion previous;
  evaluateRotation(r, -5, previous);
  for (int32_t tick = -4; tick <= 80; ++tick) {
    evaluateRotation(r, tick, out);
    EXPECT_LT(quatGap(out, previous), 0.08f) << "a jump at tick " << tick;
    EXPECT_NEAR(quatDot(out, out), 1.0f, 2e-3f) << "tick " << tick;
    previous = out;
  }
}

TEST(ModelReader, DummiesTakeTheirInstanceNamesAndChildrenFindThem) {
  const std::string file = modelFile([](ChunkWriter& w) { triangle(w, "WHEEL"); },
                                     [](ChunkWriter& w) {
                                       node(w, 0xB002, "$$$DUMMY", 0xFFFF, [](ChunkWriter& n) {
                                         n.begin(0xB013);
                                         n.vec(1, 2, 3);
                                         n.end();
                                         n.begin(0xB011);
                                         n.name("AXLE");
                                         n.end();
                                         track(n, 0xB020, {{0, 0, {}, {0, 0, 5}}});
                                       });
                                       node(w, 0xB002, "WHEEL", 0, [](ChunkWriter& n) {
                                         n.begin(0xB013);
                                         n.vec(0.5f, 0, 0);
                                         n.end();
                                       });
                                     });
  const Scene scene = readBytes(file);
  ASSERT_EQ(scene.objects.size(), 2u);
  const SceneObject& axle = scene.objects[1];
  EXPECT_EQ(axle.name, "AXLE");
  EXPECT_TRUE(axle.isDummy);
  EXPECT_EQ(axle.vertexCount, 0);
  EXPECT_EQ(axle.positionTrack.count, 1) << "tracks follow the instance name";
  EXPECT_EQ(axle.meshMatrix[12], -1.0f) << "pivot on an identity frame";
  EXPECT_EQ(axle.meshMatrix[14], -3.0f);
  EXPECT_EQ(axle.meshInverse[12], 1.0f);
  EXPECT_EQ(axle.meshOrigin.x, 0.0f);
  const SceneObject& wheel = scene.objects[0];
  EXPECT_EQ(wheel.parentName, "AXLE");
  EXPECT_EQ(wheel.parentIndex, 0u);
  EXPECT_EQ(wheel.meshMatrix[12], -0.5f);
  EXPECT_EQ(wheel.meshInverse[12], 0.5f);
}

TEST(ModelReader, ParentsFollowNodeOrderThroughSiblings) {
  // 0 a camera, 1 ROOT, 2 ARM (child of 1), 3 HAND (of 2), 4 LEG (of 1: a
  // sibling of ARM, found by walking up from HAND), 5 FOOT (of 4), 6 TAIL (of
  // 1 again), 7 GROUP (of 6: a node without a mesh), 8 LEAF (of 7), 9 OTHER
  // (a second root).
  const std::string file = modelFile(
      [](ChunkWriter& w) {
        for (const char* n : {"ROOT", "ARM", "HAND", "LEG", "FOOT", "TAIL", "LEAF", "OTHER"}) triangle(w, n);
        w.begin(0x4000);
        w.name("CAM");
        w.begin(0x4700);
        for (int i = 0; i < 8; ++i) w.f32(1);
        w.end();
        w.end();
      },
      [](ChunkWriter& w) {
        node(w, 0xB003, "CAM", 0xFFFF);
        node(w, 0xB002, "ROOT", 0xFFFF);
        node(w, 0xB002, "ARM", 1);
        node(w, 0xB002, "HAND", 2);
        node(w, 0xB002, "LEG", 1);
        node(w, 0xB002, "FOOT", 4);
        node(w, 0xB002, "TAIL", 1);
        node(w, 0xB002, "GROUP", 6);
        node(w, 0xB002, "LEAF", 7);
        node(w, 0xB002, "OTHER", 0xFFFF);
      });
  const Scene scene = readBytes(file);
  const std::pair<const char*, const char*> expected[] = {{"ROOT", ""},  {"ARM", "ROOT"},  {"HAND", "ARM"},
                                                          {"LEG", "ROOT"}, {"FOOT", "LEG"}, {"TAIL", "ROOT"},
                                                          {"LEAF", "GROUP"}, {"OTHER", ""}};
  for (const auto& [name, parent] : expected) {
    ASSERT_NE(object(scene, name), nullptr) << name;
    EXPECT_EQ(object(scene, name)->parentName, parent) << name;
  }
}

TEST(ModelReader, NineLightsLightEight) {
  const std::string file = modelFile([](ChunkWriter& w) {
    for (int i = 0; i < 9; ++i) omni(w, std::string(1, static_cast<char>('A' + i)), {float(i), 0, 0}, {});
  });
  const Scene scene = readBytes(file);
  EXPECT_EQ(scene.lights.size(), 9u);
  EXPECT_EQ(scene.lightCount, 8);
  EXPECT_EQ(scene.lights[8].position.x, 8.0f);
}

TEST(ModelReader, ForwardTimesInverseIsIdentityForALoadedHierarchy) {
  const std::string file = modelFile(
      [](ChunkWriter& w) {
        mesh(w, "BODY", kTriangle, {{0, 1, 2, 0}}, [](ChunkWriter& m) {
          m.begin(0x4160);
          m.vec(0, 2, 0);
          m.vec(-1, 0, 0);
          m.vec(0, 0, 0.5f);
          m.vec(1, 2, 3);
          m.end();
        });
        triangle(w, "HEAD");
      },
      [](ChunkWriter& w) {
        node(w, 0xB002, "BODY", 0xFFFF, [](ChunkWriter& n) {
          n.begin(0xB013);
          n.vec(0.5f, 0.5f, 0);
          n.end();
          track(n, 0xB020, {{0, 0, {}, {1, 0, 0}}, {20, 0, {}, {3, 1, 0}}});
          track(n, 0xB021, {{0, 0, {}, angleAxis(0.5f, 0, 1, 0)}, {20, 0, {}, angleAxis(1, 0, 0, 1)}});
          track(n, 0xB022, {{0, 0, {}, {1, 2, 0.5f}}});
        });
        node(w, 0xB002, "HEAD", 0, [](ChunkWriter& n) {
          n.begin(0xB013);
          n.vec(0, 0, 1);
          n.end();
          track(n, 0xB020, {{0, 0, {}, {0, 0, 4}}});
          track(n, 0xB022, {{0, 0, {}, {3, 3, 3}}});
          track(n, 0xB021, {{0, 0, {}, angleAxis(0.2f, 1, 0, 0)}, {10, 0, {}, angleAxis(0.4f, 1, 0, 0)},
                            {20, 0, {}, angleAxis(0.4f, 0, 1, 0)}});
        });
      });
  const Scene scene = readBytes(file);
  ASSERT_EQ(scene.objects.at(1).parentName, "BODY");
  for (int32_t tick : {0, 7, 15, 30}) {
    Matrix m = identityMatrix();
    composeObjectTransform(m, scene, 1, tick, true, false);
    composeObjectTransform(m, scene, 1, tick, true, true);
    for (size_t i = 0; i < 16; ++i) EXPECT_NEAR(m[i], identityMatrix()[i], 1e-4f) << i << " at " << tick;
  }
}

// ---- damaged files -----------------------------------------------------------------

TEST(ModelReaderFaults, ShortOrOverlongLengthsEndTheirLoop) {
  // A length of 0 would loop for ever; one of 5 is shorter than a header.
  for (uint32_t badLength : {0u, 5u}) {
    const std::string file = modelFile([&](ChunkWriter& w) {
      triangle(w, "BEFORE");
      w.rawHeader(0x4000, badLength);
      triangle(w, "LOST");
    });
    const Scene scene = readBytes(file);
    ASSERT_EQ(scene.objects.size(), 1u) << badLength;
    EXPECT_EQ(scene.objects[0].name, "BEFORE");
  }
  // A vertex list longer than its mesh is cut to the mesh.
  std::string file = modelFile([](ChunkWriter& w) {
    w.begin(0x4000);
    w.name("CUT");
    w.begin(0x4100);
    w.rawHeader(0x4110, 1000000);
    w.u16(2);
    w.vec(1, 2, 3);
    w.vec(4, 5, 6);
    w.end();
    w.end();
    triangle(w, "NEXT");
  });
  Scene scene = readBytes(file);
  ASSERT_EQ(scene.objects.size(), 2u);
  EXPECT_EQ(scene.objects[0].vertexCount, 2);
  EXPECT_EQ(scene.objects[1].name, "NEXT");
}

TEST(ModelReaderFaults, NamesStopAtTheirChunkAndAreCut) {
  ChunkWriter w;
  w.begin(0x4D4D);
  w.begin(0x3D3D);
  w.begin(0x4000);
  w.bytes += std::string(300, 'N');
  w.begin(0x4100);
  vertexList(w, kTriangle);
  w.end();
  w.end();
  w.begin(0x4000);
  w.bytes += "UNENDED";  // no zero: the name takes the chunk's bytes
  w.end();
  w.end();
  w.end();
  const Scene scene = readBytes(w.bytes);
  // The long name runs on into the mesh chunk's bytes (no zero before it),
  // so there is no mesh to read; nothing beyond the chunk is touched.
  EXPECT_TRUE(scene.objects.empty());

  const std::string longName = modelFile([](ChunkWriter& x) { triangle(x, std::string(300, 'L')); });
  const Scene named = readBytes(longName);
  ASSERT_EQ(named.objects.size(), 1u);
  EXPECT_EQ(named.objects[0].name, std::string(255, 'L'));
  EXPECT_EQ(named.objects[0].vertexCount, 3) << "the reading goes on after the zero";
}

TEST(ModelReaderFaults, CountsAreCutToTheBytesThatHoldThem) {
  const std::string file = modelFile(
      [](ChunkWriter& w) {
        w.begin(0x4000);
        w.name("LIAR");
        w.begin(0x4100);
        w.begin(0x4110);
        w.u16(65535);  // two vertices follow
        w.vec(0, 0, 0);
        w.vec(1, 0, 0);
        w.end();
        w.begin(0x4120);
        w.u16(65535);  // one face follows
        for (int i : {0, 1, 1, 3}) w.u16(static_cast<uint32_t>(i));
        w.end();
        w.begin(0x4140);
        w.u16(65535);  // one pair
        w.f32(0.5f);
        w.f32(0.25f);
        w.end();
        w.end();
        w.end();
      },
      [](ChunkWriter& w) {
        node(w, 0xB002, "LIAR", 0xFFFF, [](ChunkWriter& n) {
          n.begin(0xB020);
          n.u16(0);
          n.u32(0);
          n.u32(0);
          n.u32(0xFFFFFFFF);  // one key follows
          n.u32(4);
          n.u16(0);
          n.vec(1, 1, 1);
          n.end();
          n.begin(0xB021);
          n.u16(0);
          n.u32(0);
          n.u32(0);
          n.u32(0x7FFFFFFF);  // one key and a half
          n.u32(0);
          n.u16(0);
          n.vec(0, 0, 0);
          n.f32(1);
          n.u32(8);
          n.u16(0x1F);
          n.end();
        });
      });
  const Scene scene = readBytes(file);
  const SceneObject& o = scene.objects.at(0);
  EXPECT_EQ(o.vertexCount, 2);
  EXPECT_EQ(o.vertices.size(), 2u);
  EXPECT_EQ(o.faceCount, 1);
  EXPECT_EQ(o.texCoords[0].v, -0.25f);
  EXPECT_EQ(o.texCoords[1].u, 0.0f);
  EXPECT_EQ(o.positionTrack.count, 1);
  EXPECT_LE(o.positionTrack.capacity, 1u);
  EXPECT_EQ(o.rotationTrack.count, 1);
  EXPECT_LE(o.rotationTrack.capacity, 1u);
}

TEST(ModelReaderFaults, MappingAndVertexListsInAnyOrder) {
  const std::string file = modelFile([](ChunkWriter& w) {
    w.begin(0x4000);
    w.name("ORDER");
    w.begin(0x4100);
    w.begin(0x4140);  // before any vertex: nothing to fill
    w.u16(2);
    for (int i = 0; i < 4; ++i) w.f32(9);
    w.end();
    vertexList(w, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}});
    faceList(w, {{0, 1, 2, 1}, {1, 3, 2, 2}});
    w.begin(0x4140);  // more pairs than vertices
    w.u16(6);
    for (int i = 0; i < 12; ++i) w.f32(static_cast<float>(i));
    w.end();
    vertexList(w, {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}});  // replaces the first list
    w.end();
    w.end();
  });
  const Scene scene = readBytes(file);
  const SceneObject& o = scene.objects.at(0);
  EXPECT_EQ(o.vertexCount, 3);
  EXPECT_EQ(o.vertices.size(), 3u);
  EXPECT_EQ(o.texCoords.size(), 3u);
  EXPECT_EQ(o.normals.size(), 3u);
  EXPECT_EQ(o.texCoords[1].u, 0.0f) << "the replaced list's mapping went with it";
  // The face naming vertex 3 is gone with its flags; the other keeps its own.
  ASSERT_EQ(o.faceCount, 1);
  EXPECT_EQ(o.faces.size(), 1u);
  EXPECT_EQ(o.faceFlags.size(), 1u);
  EXPECT_EQ(o.faceNormals.size(), 1u);
  EXPECT_EQ(o.faceFlags[0], 1);
  EXPECT_EQ(o.faces[0], (Face{0, 1, 2}));
}

TEST(ModelReaderFaults, NameCyclesNeitherHangNorSurvive) {
  // Two objects named P: a node whose parent lookup finds itself first.
  const std::string file = modelFile(
      [](ChunkWriter& w) {
        for (const char* n : {"A", "B", "C", "P", "P"}) triangle(w, n);
      },
      [](ChunkWriter& w) {
        // A's previous node is B, B's is A: a two-object cycle.
        node(w, 0xB002, "A", 0xFFFF);
        node(w, 0xB002, "B", 5);
        node(w, 0xB002, "A", 7);
        // C's sibling walk starts at A and goes round A, B, A ... without
        // meeting parent index 3: it must give up.
        node(w, 0xB002, "C", 3);
        node(w, 0xB002, "P", 0xFFFF);
        node(w, 0xB002, "P", 3);  // finds the first P: its own parent is P
      });
  const Scene scene = readBytes(file);
  for (size_t i = 0; i < scene.objects.size(); ++i) {
    // Following parents by first name match always ends.
    int32_t at = static_cast<int32_t>(i);
    size_t steps = 0;
    while (at >= 0 && !scene.objects[static_cast<size_t>(at)].parentName.empty() && steps <= scene.objects.size()) {
      at = findObjectByName(scene, scene.objects[static_cast<size_t>(at)].parentName);
      ++steps;
    }
    EXPECT_LE(steps, scene.objects.size()) << "object " << i << " is on a cycle";
  }
  const SceneObject& a = *object(scene, "A");
  EXPECT_TRUE(a.parentName.empty()) << "the cycle is cut at its first object";
  EXPECT_EQ(a.parentIndex, kNoParent);
  EXPECT_EQ(object(scene, "B")->parentName, "A");
  EXPECT_TRUE(object(scene, "C")->parentName.empty());
  EXPECT_TRUE(object(scene, "P")->parentName.empty());
  Matrix m = identityMatrix();
  composeObjectTransform(m, scene, 2, 0, true, false);
}

TEST(ModelReaderFaults, ZeroScaleKeysStillInvert) {
  const std::string file = modelFile([](ChunkWriter& w) { triangle(w, "FLAT"); },
                                     [](ChunkWriter& w) {
                                       node(w, 0xB002, "FLAT", 0xFFFF, [](ChunkWriter& n) {
                                         track(n, 0xB022, {{0, 0, {}, {0, -0.0f, 1}}});
                                       });
                                     });
  const Scene scene = readBytes(file);
  Matrix m = identityMatrix();
  composeObjectTransform(m, scene, 0, 0, true, true);
  for (float v : m.m) EXPECT_TRUE(std::isfinite(v));
  EXPECT_GT(m[0], 0.0f);
  EXPECT_LT(m[5], 0.0f) << "a negative zero keeps its sign";
}

// A complete file cut at every length, and bytes flipped throughout: the
// reader reads only what is there (the sanitizer build checks every access).
TEST(ModelReaderFaults, TruncatedAndScrambledFiles) {
  const std::string file = modelFile(
      [](ChunkWriter& w) {
        w.begin(0x2100);
        floatColour(w, 0x0010, 0.1f, 0.2f, 0.3f);
        w.end();
        mesh(w, "M", kTriangle, {{0, 1, 2, 0}}, [](ChunkWriter& m) {
          m.begin(0x4140);
          m.u16(3);
          for (int i = 0; i < 6; ++i) m.f32(0.5f);
          m.end();
          m.begin(0x4160);
          for (int i = 0; i < 12; ++i) m.f32(i % 4 == 0 ? 1.0f : 0.0f);
          m.end();
        });
        omni(w, "L", {1, 1, 1}, [](ChunkWriter& l) { floatColour(l, 0x0010, 1, 1, 1); });
      },
      [](ChunkWriter& w) {
        node(w, 0xB002, "$$$DUMMY", 0xFFFF, [](ChunkWriter& n) {
          n.begin(0xB011);
          n.name("D");
          n.end();
        });
        node(w, 0xB002, "M", 0, [](ChunkWriter& n) {
          track(n, 0xB020, {{0, 0x1F, {1, 2, 3, 4, 5}, {1, 2, 3}}, {9, 0, {}, {0, 0, 0}}});
          track(n, 0xB021, {{0, 0, {}, {1, 0, 0, 1}}, {5, 0, {}, {1, 0, 1, 0}}, {9, 0, {}, {1, 1, 0, 0}}});
        });
      });
  const Scene whole = readBytes(file);
  ASSERT_EQ(whole.objects.size(), 2u);
  size_t previousObjects = 0;
  for (size_t length = 0; length <= file.size(); ++length) {
    // A copy of exactly `length` bytes, so any read beyond it is caught.
    const std::vector<uint8_t> cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
    Scene scene;
    readModelData(cut.data(), cut.size(), scene);
    EXPECT_GE(scene.objects.size(), previousObjects > 0 ? 1u : 0u);
    previousObjects = scene.objects.size();
  }
  uint32_t seed = 1;
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> bytes(file.begin(), file.end());
    for (int flips = 0; flips < 4; ++flips) {
      seed = seed * 1664525u + 1013904223u;
      bytes[(seed >> 8) % bytes.size()] = static_cast<uint8_t>(seed >> 24);
    }
    Scene scene;
    readModelData(bytes.data(), bytes.size(), scene);
    EXPECT_LE(scene.lightCount, kMaxSceneLights);
  }
}

// ---- through the load buffer -------------------------------------------------------

TEST(ModelReader, LoadModelReadsThroughTheLoadBuffer) {
  testing::ScratchDir dir;
  dir.write("models/ship.3ds", modelFile([](ChunkWriter& w) { triangle(w, "SHIP"); }));
  dir.write("scripts/scene.ini", "[3DS]\r\n");
  testing::WorkingDir in(dir.path());
  resetArchives();
  resetLoadBuffer();
  allocateLoadBuffer();
  // Loaded while a script holds slot A, as the scene reader does.
  LoadedFile script;
  loadFile(script, "scripts\\scene.ini");
  Scene scene;
  scene.lightCount = 3;
  loadModel("MODELS\\SHIP.3DS", scene);
  EXPECT_EQ(scene.name, "MODELS\\SHIP.3DS");
  ASSERT_EQ(scene.objects.size(), 1u);
  EXPECT_EQ(scene.objects[0].name, "SHIP");
  EXPECT_EQ(scene.lightCount, 0);
  EXPECT_FALSE(loadBuffer.slotBInUse) << "the model's slot is released";
  EXPECT_TRUE(loadBuffer.slotAInUse);
  releaseFile(script);

  Scene missing;
  loadModel("models\\none.3ds", missing);
  EXPECT_EQ(missing.name, "models\\none.3ds");
  EXPECT_TRUE(missing.objects.empty());
  resetLoadBuffer();
  resetArchives();
}

}  // namespace
}  // namespace glorbe
