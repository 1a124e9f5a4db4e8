// Model authoring: the text form, the primitives, welding, and the round
// trip through lib3ds back into our own reader.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <string_view>

#include "geometry/model_reader.h"
#include "geometry/object_animation.h"
#include "models/lib3ds_compare.h"
#include "models/model_source.h"
#include "models/model_writer.h"
#include "unit/mesh_volume.h"
#include "unit/test_files.h"

namespace glorbe {
namespace {

using namespace tools;

ModelSource parse(const std::string& text, ModelMessages& messages) {
  ModelSource source;
  parseModelSource(text, "test.model", source, messages);
  return source;
}

ModelSource parseOk(const std::string& text) {
  ModelMessages messages;
  ModelSource source = parse(text, messages);
  EXPECT_TRUE(messages.errors.empty()) << messages.errors.front();
  return source;
}

double volume(const BuiltMesh& m) { return testing::enclosedVolume(m.vertices, m.faces); }

TEST(ModelSource, ClosedPrimitivesFaceOutwardAndHoldTheirVolume) {
  const double pi = 3.141592653589793;
  const struct {
    const char* line;
    double volume;
    double tolerance;  // relative: faceted shapes fall a little short
  } cases[] = {
      {"box 2 3 4", 24, 1e-6},
      {"sphere 1.5 48 24", 4.0 / 3 * pi * 1.5 * 1.5 * 1.5, 0.01},
      {"geosphere 1.5 8", 4.0 / 3 * pi * 1.5 * 1.5 * 1.5, 0.01},
      {"torus 2 0.5 64 24", 2 * pi * pi * 2 * 0.25, 0.02},
      {"cylinder 1 3 64 capped", pi * 3, 0.01},
      {"extrude 2  0 0  2 0  2 2  1 1  0 2", 2 * 3, 1e-6},  // a notched square, clockwise or not
      {"extrude 2  0 2  1 1  2 2  2 0  0 0", 2 * 3, 1e-6},
      {"knot 2 3 2 0.7 0.3 256 16", -1, 0},  // volume unknown: only its sign
      {"lathe 48 360  0 0  1 0  1 2  0 2", pi * 2, 0.01},
  };
  for (const auto& c : cases) {
    const ModelSource s = parseOk(std::string("mesh M\n  translate 5 -3 2\n  ") + c.line + "\n  weld positions\n");
    ASSERT_EQ(s.objects.size(), 1u) << c.line;
    const double v = volume(s.objects[0].mesh);
    if (c.volume < 0) {
      EXPECT_GT(v, 0.0) << c.line;
    } else {
      EXPECT_NEAR(v, c.volume, c.volume * c.tolerance) << c.line;
    }
    // Closed: welded, every edge is shared by exactly two faces.
    std::map<std::pair<uint32_t, uint32_t>, int> edges;
    for (const auto& f : s.objects[0].mesh.faces) {
      for (int k = 0; k < 3; ++k) ++edges[std::minmax(f[k], f[(k + 1) % 3])];
    }
    for (const auto& [edge, count] : edges) {
      EXPECT_EQ(count, 2) << c.line << ": edge " << edge.first << "-" << edge.second;
      if (count != 2) break;
    }
  }
}

TEST(ModelSource, HeightFieldsGridsAndTransforms) {
  const ModelSource s = parseOk(
      "mesh FIELD\n"
      "  scale 2 1 1\n"
      "  rotate 90 0 0 1\n"
      "  heightfield 4 2 8 4 1.5 42 3\n"
      "mesh SAME\n"
      "  heightfield 4 2 8 4 1.5 42 3\n");
  const BuiltMesh& f = s.objects[0].mesh;
  EXPECT_EQ(f.vertices.size(), 9u * 5u);
  EXPECT_EQ(f.faces.size(), 2u * 8u * 4u);
  const BuiltMesh& plain = s.objects[1].mesh;
  for (size_t i = 0; i < plain.vertices.size(); ++i) {
    // Scaled along x first, then turned a quarter about z: (x, y) -> (-y, 2x).
    EXPECT_NEAR(f.vertices[i].x, -plain.vertices[i].y, 1e-5f);
    EXPECT_NEAR(f.vertices[i].y, 2 * plain.vertices[i].x, 1e-5f);
    EXPECT_EQ(f.vertices[i].z, plain.vertices[i].z);
    EXPECT_GE(plain.vertices[i].z, 0.0f);
    EXPECT_LE(plain.vertices[i].z, 1.5f);
  }
  EXPECT_NE(plain.vertices[3].z, plain.vertices[30].z) << "the noise is not flat";
  for (const auto& face : plain.faces) {
    const Vec3 &a = plain.vertices[face[0]], &b = plain.vertices[face[1]], &c = plain.vertices[face[2]];
    EXPECT_GT(cross(Vec3{b.x - a.x, b.y - a.y, b.z - a.z}, Vec3{c.x - a.x, c.y - a.y, c.z - a.z}).z, 0.0f)
        << "a height field faces up";
  }
  // The same seed gives the same field; another seed another.
  const ModelSource other = parseOk("mesh A\n  heightfield 4 2 8 4 1.5 43 3\n");
  EXPECT_NE(other.objects[0].mesh.vertices[12].z, plain.vertices[12].z);
}

TEST(ModelSource, WeldingKeepsOrIgnoresTheMapping) {
  const ModelSource s = parseOk(
      "mesh SHARP\n  sphere 1 8 4\n  weld\n"
      "mesh SMOOTH\n  box 1 1 1\n  weld positions\n"
      "mesh POLE\n  sphere 1 8 4\n  weld positions 0.001\n"
      "mesh RAW\n  sphere 1 8 4\n");
  EXPECT_EQ(s.objects[0].mesh.vertices.size(), 9u * 5u) << "seam and pole vertices map differently";
  EXPECT_EQ(s.objects[1].mesh.vertices.size(), 8u);
  EXPECT_EQ(s.objects[1].mesh.faces.size(), 12u);
  EXPECT_EQ(s.objects[2].mesh.vertices.size(), 8u * 3u + 2u) << "one vertex per pole, none on the seam";
  EXPECT_EQ(s.objects[2].mesh.faces.size(), s.objects[3].mesh.faces.size());
  // Faces that welding folds to a line go.
  BuiltMesh m;
  m.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1e-7f, 0}, {0, 1, 0}};
  m.mapping.assign(4, {0, 0});
  m.faces = {{0, 1, 2}, {0, 1, 3}};
  m.faceFlags = {5, 6};
  weldMesh(m, 1e-5f, true);
  ASSERT_EQ(m.faces.size(), 1u);
  EXPECT_EQ(m.faceFlags[0], 6);
  EXPECT_EQ(m.vertices.size(), 3u);
}

// The geodesic sphere's welded vertex count is 10 n^2 + 2 for frequency n;
// plain weld keeps the seam (and the poles' corners) apart, and a face
// across the seam maps its corners on one side of it.
TEST(ModelSource, GeosphereWeldsToTenNSquaredPlusTwoAndMapsAcrossTheSeam) {
  const ModelSource s = parseOk(
      "mesh A\n  geosphere 2 1\n  weld positions\n"
      "mesh B\n  geosphere 2 4\n  weld positions\n"
      "mesh C\n  geosphere 2 4\n  weld\n");
  EXPECT_EQ(s.objects[0].mesh.vertices.size(), 12u);
  EXPECT_EQ(s.objects[0].mesh.faces.size(), 20u);
  EXPECT_EQ(s.objects[1].mesh.vertices.size(), 162u);
  EXPECT_EQ(s.objects[1].mesh.faces.size(), 320u);
  EXPECT_GT(s.objects[2].mesh.vertices.size(), 162u);
  for (const Vec3& p : s.objects[1].mesh.vertices) EXPECT_NEAR(std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z), 2.0, 1e-5);
  const BuiltMesh& c = s.objects[2].mesh;
  for (const auto& f : c.faces) {
    const float lo = std::min({c.mapping[f[0]][0], c.mapping[f[1]][0], c.mapping[f[2]][0]});
    const float hi = std::max({c.mapping[f[0]][0], c.mapping[f[1]][0], c.mapping[f[2]][0]});
    EXPECT_LT(hi - lo, 0.5f) << "a face spans the texture the long way round";
  }
}

TEST(ModelSource, WeldingTakesPositionsBeyondAnyCell) {
  // An overflowing transform leaves infinite and NaN positions (found by
  // fuzzing: their cell numbers were converted from NaN); they are welded
  // among themselves and the finite part keeps its faces.
  const float inf = std::numeric_limits<float>::infinity();
  BuiltMesh m;
  m.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {inf, 0, 0}, {std::nanf(""), 0, 0}, {-inf, 3e38f, 0}};
  m.mapping.assign(6, {0, 0});
  m.faces = {{0, 1, 2}, {3, 4, 5}};
  m.faceFlags = {0, 0};
  weldMesh(m, 0.0f, false);
  ASSERT_FALSE(m.faces.empty());
  EXPECT_EQ(m.faces[0], (std::array<uint32_t, 3>{0, 1, 2}));
  for (const auto& f : m.faces) {
    for (const uint32_t v : f) EXPECT_LT(v, m.vertices.size());
  }
}

TEST(ModelSource, MistakesAreNamedWithTheirLine) {
  const struct {
    std::string_view text;
    const char* message;
  } cases[] = {
      {"box 1 1 1\n", "test.model:1: \"box\" before any mesh"},
      {"mesh A\n  box 1 x 1\n", "test.model:2: \"x\" is not a number"},
      {"mesh A\n  sphere 1 2 8\n", "test.model:2: \"sphere\": a whole number from 3"},
      {"mesh A\n  parent B\nmesh B\n", "test.model:1: A: the parent B must be a mesh or dummy given before it"},
      {"mesh A\nlight A\n", "test.model:2: the name A is used twice"},
      {"dummy D\n  box 1 1 1\n", "test.model:2: \"box\" belongs to a mesh"},
      {"mesh A\n  key position 10 0 0 0\n  key position 10 1 1 1\n", "test.model:3: key frames must grow"},
      {"mesh A\n  key turn 0 90 0 0 0\n", "test.model:2: a rotation needs an axis"},
      {"mesh A\n  key position 0 1 2 3 tension\n", "test.model:2: after a key's values"},
      {"mesh A\n  extrude 1  0 0  2 2  2 0  0 2\n", "test.model:2: extrude: the outline crosses itself"},
      {"camera C\n  lens 0\n", "test.model:2: lens: millimetres above 0"},
      {"mesh A\n  heightfield 10 10 300 300 1 1\n", "test.model:1: A: 90601 vertices and 180000 faces"},
      // a seed beyond any integer (found by fuzzing: converted without a check)
      {"mesh A\n  heightfield 1 1 2 2 1 2e19\n", "test.model:2: heightfield: SEED is a whole number from 0 to 4294967295"},
      {"mesh A\n  geosphere 1 65\n", "test.model:2: geosphere: FREQUENCY is a whole number from 1 to 64"},
      {"mesh A\n  geosphere 1 0\n", "test.model:2: \"geosphere\": a whole number from 1"},
      {"mesh A\n  torus 1 0.5 4096 4096\n", "test.model:2: \"torus\" would take A past 262140 vertices"},
      // a shape word with no numbers at all (found by fuzzing: the count check read past them)
      {"mesh A\n  lathe\n", "test.model:2: \"lathe\" needs more numbers"},
      // a NUL in a name (found by fuzzing: the written name ended at it, and the object was lost)
      {std::string_view("mesh C\0D\n", 9), "test.model:1: a name may not hold control characters"},
  };
  for (const auto& c : cases) {
    ModelMessages messages;
    ModelSource source;
    EXPECT_FALSE(parseModelSource(std::string(c.text), "test.model", source, messages)) << c.text;
    ASSERT_FALSE(messages.errors.empty()) << c.text;
    EXPECT_EQ(messages.errors[0].rfind(c.message, 0), 0u) << messages.errors[0];
  }
  ModelMessages messages;
  ModelSource source;
  EXPECT_TRUE(parseModelSource("mesh BIG\n  heightfield 10 10 217 151 1 3\n", "test.model", source, messages));
  ASSERT_EQ(messages.warnings.size(), 1u);
  EXPECT_NE(messages.warnings[0].find("65534 faces"), std::string::npos) << messages.warnings[0];
}

// ---- the round trip ---------------------------------------------------------------

const char* const kEverything = R"(# every kind of line
ambient 0.25 0.5 0.125
segment 10 250

dummy BASE
  pivot 1 0 0
  key position 10 0 0 1
  key position 100 5 0 1 tension 0.25 continuity 0.1 bias -0.2 easeto 0.3 easefrom 0.4
  key position 250 5 5 1 easefrom 1
  key turn 10 30 0 0 1
  key turn 100 45 0 0 1 tension 0.7
  key orient 250 -90 1 0 0
  key scale 10 1 2 3

mesh ARM
  parent BASE
  axes 2 0 0  0 1 0  0 0 0.5  3 4 5
  pivot 0.5 0.25 0
  torus 1 0.25 12 6
  vertex 9 8 7 0.25 0.75
  face 0 1 72 1
  key scale 10 1 1 1
  key scale 50 0 0 0

mesh HAND
  parent ARM
  box 0.5 0.5 0.5
  face 0 1 2 65535

dummy SPARE
  parent BASE

camera EYE
  position 0 -10 3
  target 0 0 1
  roll 12.5
  lens 28
  key position 10 0 -10 3
  key position 100 5 -10 3
  key target 10 0 0 1
  key roll 10 12.5
  key roll 100 -20 tension 0.9

light SUN
  position 10 20 30
  color 1 0.75 0.5
  key position 10 10 20 30
  key position 200 -10 20 30

light MOON
  position -1 -2 -3
  color 0.1 0.2 0.3
)";

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void expectKeys(const KeyTrack& track, const std::vector<SourceKey>& keys, size_t values, const std::string& what) {
  ASSERT_EQ(track.count, static_cast<int32_t>(keys.size())) << what;
  for (size_t i = 0; i < keys.size(); ++i) {
    const Key& k = track.keys[i];
    EXPECT_EQ(k.tick, keys[i].frame) << what << " " << i;
    EXPECT_EQ(k.tension, (keys[i].flags & 1) ? keys[i].tension : 0.5f) << what << " " << i;
    EXPECT_EQ(k.value.x, keys[i].value[0]) << what << " " << i;
    EXPECT_EQ(k.value.y, values > 1 ? keys[i].value[1] : 0.0f) << what << " " << i;
    EXPECT_EQ(k.value.z, values > 1 ? keys[i].value[2] : 0.0f) << what << " " << i;
  }
}

TEST(ModelAuthoring, WhatLib3dsWritesOurReaderReadsBack) {
  const ModelSource source = parseOk(kEverything);
  testing::ScratchDir dir;
  const std::string path = dir.file("everything.3ds");
  std::string error;
  ASSERT_TRUE(writeModel3ds(source, path, error)) << error;
  const std::string bytes = readFile(path);
  Scene scene;
  initScene(scene, "everything.3ds");
  readModelData(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), scene);

  EXPECT_EQ(scene.ambientColour, source.ambient);
  EXPECT_EQ(scene.animationStart, 10);
  EXPECT_EQ(scene.animationEnd, 250);

  for (const SourceObject& o : source.objects) {
    const int32_t index = findObjectByName(scene, o.name);
    ASSERT_GE(index, 0) << o.name;
    const SceneObject& got = scene.objects[static_cast<size_t>(index)];
    EXPECT_EQ(got.isDummy, o.isDummy) << o.name;
    EXPECT_EQ(got.parentName, o.parent) << o.name;
    ASSERT_EQ(got.vertexCount, static_cast<int32_t>(o.mesh.vertices.size())) << o.name;
    ASSERT_EQ(got.faceCount, static_cast<int32_t>(o.mesh.faces.size())) << o.name;
    for (size_t i = 0; i < o.mesh.vertices.size(); ++i) {
      EXPECT_TRUE(vec3Equal(got.vertices[i], o.mesh.vertices[i])) << o.name << " vertex " << i;
      EXPECT_EQ(got.texCoords[i].u, o.mesh.mapping[i][0]) << o.name << " vertex " << i;
      EXPECT_EQ(got.texCoords[i].v, -o.mesh.mapping[i][1]) << o.name << " vertex " << i;
    }
    for (size_t f = 0; f < o.mesh.faces.size(); ++f) {
      EXPECT_EQ(got.faces[f], (Face{o.mesh.faces[f][0], o.mesh.faces[f][1], o.mesh.faces[f][2]})) << o.name;
      EXPECT_EQ(got.faceFlags[f], o.mesh.faceFlags[f]) << o.name;
    }
    // The local frame: axes as rows with their lengths inverted, the pivot taken off.
    Matrix axes = identityMatrix();
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) axes.at(r, c) = o.axes[static_cast<size_t>(3 * r + c)];
    }
    Matrix frame = invertRowLengths(axes);
    frame[12] -= o.pivot.x;
    frame[13] -= o.pivot.y;
    frame[14] -= o.pivot.z;
    EXPECT_EQ(got.meshMatrix.m, frame.m) << o.name;
    EXPECT_EQ(got.meshInverse.m, inverseAffine(frame).m) << o.name;
    if (!o.isDummy) {
      EXPECT_TRUE(vec3Equal(got.meshOrigin, Vec3{-o.axes[9], -o.axes[10], -o.axes[11]})) << o.name;
    }
    if (o.position.empty() && (o.pivot.x != 0 || o.pivot.y != 0 || o.pivot.z != 0)) {
      ASSERT_EQ(got.positionTrack.count, 1) << o.name << ": the pivot stays in place";
      EXPECT_TRUE(vec3Equal(got.positionTrack.keys[0].value, o.pivot));
    } else {
      expectKeys(got.positionTrack, o.position, 3, o.name + " position");
    }
    expectKeys(got.scaleTrack, o.scale, 3, o.name + " scale");
    ASSERT_EQ(got.rotationTrack.count, static_cast<int32_t>(o.rotation.size())) << o.name;
    Quaternion q;
    for (size_t i = 0; i < o.rotation.size(); ++i) {
      const auto& v = o.rotation[i].value;
      q = quatMultiply(q, quatFromAxisAngle(v[0], v[1], v[2], v[3]));
      EXPECT_EQ(got.rotationTrack.keys[i].tick, o.rotation[i].frame);
      EXPECT_EQ(got.rotationTrack.keys[i].q.w, q.w) << o.name << " rotation " << i;
      EXPECT_EQ(got.rotationTrack.keys[i].q.z, q.z) << o.name << " rotation " << i;
    }
  }
  // The orientations asked for: 30 then 30 + 45 degrees about z, then -90 about x.
  const SceneObject& base = scene.objects[static_cast<size_t>(findObjectByName(scene, "BASE"))];
  const float d = kPi / 180;
  const Quaternion want[] = {quatFromAxisAngle(30 * d, 0, 0, 1), quatFromAxisAngle(75 * d, 0, 0, 1),
                             quatFromAxisAngle(-90 * d, 1, 0, 0)};
  for (int i = 0; i < 3; ++i) {
    const Quaternion& got = base.rotationTrack.keys[static_cast<size_t>(i)].q;
    EXPECT_NEAR(std::fabs(quatDot(got, want[i])), 1.0f, 1e-5f) << "key " << i;
  }

  ASSERT_EQ(scene.cameras.size(), 1u);
  const SceneCamera& eye = scene.cameras[0];
  const SourceCamera& c = source.cameras[0];
  EXPECT_EQ(eye.name, "EYE");
  EXPECT_TRUE(vec3Equal(eye.position, c.position));
  EXPECT_TRUE(vec3Equal(eye.target, c.target));
  EXPECT_EQ(eye.roll, 12.5f);
  EXPECT_NEAR(eye.lens, 28.0f, 28.0f * 1e-6f) << "lib3ds keeps a field of view, 2400 / lens";
  expectKeys(eye.positionTrack, c.position_, 3, "camera position");
  expectKeys(eye.targetTrack, c.target_, 3, "camera target");
  expectKeys(eye.rollTrack, c.roll_, 1, "camera roll");

  ASSERT_EQ(scene.lights.size(), 2u);
  EXPECT_EQ(scene.lightCount, 2);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(scene.lights[i].name, source.lights[i].name) << "lights keep the source's order";
    EXPECT_TRUE(vec3Equal(scene.lights[i].position, source.lights[i].position));
    EXPECT_EQ(scene.lights[i].color, source.lights[i].color);
    expectKeys(scene.lights[i].positionTrack, source.lights[i].position_, 3, "light");
  }

  EXPECT_EQ(compareWithLib3ds(path), std::vector<std::string>{});
}

// A mesh of ours exported as OBJ, turned into .3DS by another program
// (assimp), and the result read by our reader and by lib3ds.
TEST(ModelAuthoring, ReaderAndLib3dsAgreeOnFilesOfOtherWriters) {
  const ModelSource source = parseOk("mesh KNOT\n  knot 2 3 2 0.7 0.3 64 8\nmesh CAP\n  translate 0 0 3\n  sphere 1 12 6\n");
  testing::ScratchDir dir;
  std::ofstream obj(dir.file("ours.obj"));
  uint32_t base = 1;
  for (const SourceObject& o : source.objects) {
    obj << "o " << o.name << "\n";
    for (const Vec3& v : o.mesh.vertices) obj << "v " << v.x << " " << v.y << " " << v.z << "\n";
    for (const auto& t : o.mesh.mapping) obj << "vt " << t[0] << " " << t[1] << "\n";
    for (const auto& f : o.mesh.faces) {
      obj << "f";
      for (uint32_t k : f) obj << " " << base + k << "/" << base + k;
      obj << "\n";
    }
    base += static_cast<uint32_t>(o.mesh.vertices.size());
  }
  obj.close();
  const std::string command = "assimp export '" + dir.file("ours.obj") + "' '" + dir.file("theirs.3ds") + "' >'" +
                              dir.file("assimp.log") + "' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << "assimp (assimp-utils) must be installed: " << readFile(dir.file("assimp.log"));
  EXPECT_EQ(compareWithLib3ds(dir.file("theirs.3ds")), std::vector<std::string>{});

  const std::string bytes = readFile(dir.file("theirs.3ds"));
  Scene scene;
  initScene(scene, "theirs");
  readModelData(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), scene);
  size_t faces = 0;
  for (const SceneObject& o : scene.objects) faces += static_cast<size_t>(o.faceCount);
  EXPECT_EQ(faces, source.objects[0].mesh.faces.size() + source.objects[1].mesh.faces.size());

  // And the show's own writer's files, rewritten by assimp.
  std::string error;
  ASSERT_TRUE(writeModel3ds(parseOk(kEverything), dir.file("ours.3ds"), error)) << error;
  const std::string again = "assimp export '" + dir.file("ours.3ds") + "' '" + dir.file("again.3ds") + "' >>'" +
                            dir.file("assimp.log") + "' 2>&1";
  ASSERT_EQ(std::system(again.c_str()), 0) << readFile(dir.file("assimp.log"));
  EXPECT_EQ(compareWithLib3ds(dir.file("again.3ds")), std::vector<std::string>{});
}

}  // namespace
}  // namespace glorbe
