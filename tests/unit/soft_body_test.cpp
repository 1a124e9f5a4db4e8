// Soft bodies: the set-up from the edge list, the three integrators, the
// contacts with box colliders and with other soft bodies, and what a body
// does when its spring system blows up.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/flex_setup.h"
#include "gl/test_meshes.h"
#include "models/model_source.h"
#include "render/flex_objects.h"
#include "scripts/scene_finishing.h"
#include "unit/mesh_volume.h"

namespace glorbe {
namespace {

constexpr float kH = 0.024f;  // one frame's sub-step at 6 ticks

struct Body {
  float ks = 0, kd = 0, contact = 0, mass = 1, drag = 0;
  Vec3 gravity;
};

SceneObject& makeSoft(Scene& scene, int32_t index, const Body& b) {
  SceneObject& o = scene.objects[static_cast<size_t>(index)];
  o.flexOn = true;
  buildEdgeList(o);  // the real one, with open-edge marks
  setupFlexObject(o, b.ks, b.kd, b.contact, b.mass, b.drag, b.gravity);
  return o;
}

float distance(const Vec3& a, const Vec3& b) { return vec3Length(Vec3{a.x - b.x, a.y - b.y, a.z - b.z}); }

float lowestZ(const SceneObject& o) {
  float z = std::numeric_limits<float>::max();
  for (const Vec3& v : o.vertices) z = std::min(z, v.z);
  return z;
}

// ---- set-up ---------------------------------------------------------------------

TEST(SoftBodySetUp, StatesAtRestParametersAndOneSpringPerEdge) {
  Scene scene;
  const int32_t i = testing::addTestBox(scene, "JELLY", Vec3{0, 0, 0}, Vec3{1, 2, 3});
  SceneObject& o = scene.objects[static_cast<size_t>(i)];
  o.flexContact = 0.25f;
  o.flexOn = true;
  buildEdgeList(o);
  setupFlexObject(o, 40, 0.5f, o.flexContact, 2, 0.1f, Vec3{0, 0, -9.8f});

  EXPECT_FLOAT_EQ(o.flexContactFactor, 1.25f);
  EXPECT_FLOAT_EQ(o.flexContact, 0.25f) << "the script's value stays as it was";
  EXPECT_FLOAT_EQ(o.flexInverseMass, 0.5f);
  EXPECT_FALSE(o.collidesAsBox) << "others meet a soft body's triangles";
  for (const FlexState& s : o.flexStates) ASSERT_EQ(s.position.size(), 8u);
  for (size_t v = 0; v < 8; ++v) {
    EXPECT_TRUE(vec3Equal(o.flexStates[0].position[v], o.vertices[v]));
    EXPECT_TRUE(vec3Equal(o.flexStates[0].velocity[v], Vec3{}));
  }
  // A closed box: 12 box edges and 6 face diagonals, each at its length.
  ASSERT_EQ(o.flexSprings.size(), 18u);
  for (size_t k = 0; k < o.flexSprings.size(); ++k) {
    const auto [a, b] = o.flexSprings[k];
    EXPECT_NE(a, b);
    EXPECT_FLOAT_EQ(o.flexRestLengths[k], distance(o.vertices[a], o.vertices[b]));
  }

  // Set up again (a later script key): the same factor, not one more added.
  setupFlexObject(o, 40, 0.5f, o.flexContact, 2, 0.1f, Vec3{0, 0, -9.8f});
  EXPECT_FLOAT_EQ(o.flexContactFactor, 1.25f);
  EXPECT_EQ(o.flexSprings.size(), 18u);
}

TEST(SoftBodySetUp, MassThatIsNotPositiveIsStoredAsZero) {
  for (const float mass : {0.0f, -2.0f, std::numeric_limits<float>::quiet_NaN()}) {
    Scene scene;
    SceneObject& o = makeSoft(scene, testing::addTestBox(scene, "M", Vec3{}, Vec3{1, 1, 1}), Body{.mass = mass, .gravity = {}});
    EXPECT_EQ(o.flexMass, 0.0f) << mass;
    EXPECT_EQ(o.flexInverseMass, 0.0f) << mass;
  }
}

TEST(SoftBodySetUp, OpenEdgeMarksBecomeSpringsAlongTheirEdges) {
  // Two triangles (0, 1, 2) and (0, 2, 3). The edge list holds their shared
  // diagonal, face 0's open edges 0-1 and 1-2, and for face 1 a mark on its
  // edge from corner 0 to 1: the diagonal again (the list's corner counts
  // leave 2-3 and 3-0 out). Marks name corners, never faces; the diagonal
  // gets one spring.
  Scene scene;
  const int32_t i = testing::addTestQuadXY(scene, "SHEET", Vec3{0, 0, 1}, 1, 0.5f);
  SceneObject& o = makeSoft(scene, i, Body{.ks = 20, .kd = 0.1f, .gravity = Vec3{0, 0, -1}});
  ASSERT_EQ(o.edges.size(), 4u);
  ASSERT_EQ(o.edges[3].other, kOpenEdgeMark + 0);
  std::vector<std::pair<uint32_t, uint32_t>> springs;
  for (const auto& s : o.flexSprings) springs.emplace_back(std::min(s[0], s[1]), std::max(s[0], s[1]));
  EXPECT_EQ(springs, (std::vector<std::pair<uint32_t, uint32_t>>{{0, 2}, {0, 1}, {1, 2}}));
  EXPECT_FLOAT_EQ(o.flexRestLengths[1], 2.0f);

  stepFlexObject(scene, i, 25, kH, 2);
  EXPECT_LT(lowestZ(o), 1.0f) << "it falls";
  EXPECT_NEAR(distance(o.vertices[0], o.vertices[1]), 2.0f, 0.01f) << "and keeps its shape";
}

TEST(SoftBodySetUp, VerticesAtTheSamePlaceMoveAsOne) {
  // Every triangle with vertices of its own, as along mapping seams: the
  // springs join the first vertex at each place, the others follow it.
  Scene scene;
  const int32_t i = testing::addTestBox(scene, "SPLIT", Vec3{0, 0, 2}, Vec3{1, 1, 3}, true);
  SceneObject& o = makeSoft(scene, i, Body{.ks = 200, .kd = 0.5f, .gravity = {0, 0, -3}});
  ASSERT_EQ(o.vertices.size(), 36u);
  EXPECT_EQ(o.flexSprings.size(), 18u);
  o.flexStates[0].velocity[o.flexTwins[o.faces[0][0]]] = Vec3{0.5f, 0, 0};  // a knock on one corner
  for (int frame = 0; frame < 5; ++frame) stepFlexObject(scene, i, 25, kH, 2);
  for (size_t a = 0; a < 36; ++a) {
    for (size_t b = 0; b < 36; ++b) {
      if (o.flexTwins[a] == o.flexTwins[b]) {
        EXPECT_TRUE(vec3Equal(o.vertices[a], o.vertices[b]));
      }
    }
  }
  EXPECT_LT(lowestZ(o), 1.5f) << "it falls";
  // A corner left without springs would have flown about a unit off.
  Vec3 centre;
  for (const Vec3& v : o.vertices) centre = Vec3{centre.x + v.x / 36, centre.y + v.y / 36, centre.z + v.z / 36};
  for (const Vec3& v : o.vertices) EXPECT_LT(distance(v, centre), 1.1f) << "in one piece";
}

TEST(SoftBodySetUp, EdgeListNamingFacesOrCornersOutsideTheMeshIsSkipped) {
  Scene scene;
  const int32_t i = testing::addTestBox(scene, "BAD", Vec3{}, Vec3{1, 1, 1});
  SceneObject& o = scene.objects[static_cast<size_t>(i)];
  o.edges = {Edge{0, 1}, Edge{40, 1}, Edge{0, 40}, Edge{0, static_cast<uint16_t>(kOpenEdgeMark + 2)}};
  o.faces[1][2] = 99;  // a corner the mesh lacks
  setupFlexObject(o, 1, 0, 0, 1, 0, Vec3{});
  ASSERT_EQ(o.flexSprings.size(), 1u) << "only the open edge of face 0, corner 2";
  EXPECT_EQ(o.flexSprings[0][0], o.faces[0][2]);
  EXPECT_EQ(o.flexSprings[0][1], o.faces[0][0]);
}

// ---- integrators ----------------------------------------------------------------

TEST(SoftBodyStep, FreeFallFromRestGainsThreeQuartersOfGravityTimesHInModeTwo) {
  // The four-stage scheme as written adds its half-step stages with the
  // weights of full ones: one sub-step gains 0.75 g h. Euler and the
  // midpoint rule gain g h.
  const float g = -9.8f;
  for (const auto& [mode, gained] : {std::pair{0, 1.0f}, std::pair{1, 1.0f}, std::pair{2, 0.75f}}) {
    Scene scene;
    const int32_t i = testing::addTestBox(scene, "DROP", Vec3{0, 0, 5}, Vec3{1, 1, 6});
    SceneObject& o = makeSoft(scene, i, Body{.ks = 30, .kd = 0.2f, .gravity = Vec3{0, 0, g}});
    stepFlexObject(scene, i, 1, kH, mode);
    for (const Vec3& v : o.flexStates[0].velocity) {
      EXPECT_NEAR(v.z, gained * g * kH, 1e-6f) << "mode " << mode;
      EXPECT_EQ(v.x, 0.0f);
    }
  }
}

TEST(SoftBodyStep, MasslessBodyMovesOnlyByItsVelocity) {
  for (const int mode : {0, 1, 2}) {
    Scene scene;
    const int32_t i = testing::addTestBox(scene, "GHOST", Vec3{}, Vec3{1, 1, 1});
    SceneObject& o = makeSoft(scene, i, Body{.ks = 50, .kd = 1, .mass = 0, .drag = 0.5f, .gravity = {0, 0, -10}});
    // Squash it so the springs pull, and give it a velocity.
    o.flexStates[0].position[7].z += 0.5f;
    for (Vec3& v : o.flexStates[0].velocity) v = Vec3{1, 0, 0};
    const Vec3 start = o.flexStates[0].position[7];
    stepFlexObject(scene, i, 10, kH, mode);
    const float travelled = (mode == 2 ? 0.75f : 1.0f) * 10 * kH;
    for (const Vec3& v : o.flexStates[0].velocity) EXPECT_TRUE(vec3Equal(v, Vec3{1, 0, 0}));
    EXPECT_NEAR(o.vertices[7].x, start.x + travelled, 1e-5f) << "mode " << mode;
    EXPECT_EQ(o.vertices[7].z, start.z);
  }
}

TEST(SoftBodyStep, WithoutSpringsOrGravityTheShapeDriftsUnchanged) {
  Scene scene;
  const int32_t i = testing::addTestSphere(scene, "BALL", Vec3{}, 1, 6, 8);
  SceneObject& o = makeSoft(scene, i, Body{.mass = 2, .gravity = {}});
  const std::vector<Vec3> start = o.vertices;
  stepFlexObject(scene, i, 100, kH, 2);
  for (size_t v = 0; v < start.size(); ++v) EXPECT_TRUE(vec3Equal(o.vertices[v], start[v])) << "at rest: " << v;

  for (Vec3& v : o.flexStates[0].velocity) v = Vec3{0.5f, -1, 0.25f};
  stepFlexObject(scene, i, 100, kH, 2);
  for (size_t v = 1; v < start.size(); ++v) {
    EXPECT_NEAR(distance(o.vertices[v], o.vertices[0]), distance(start[v], start[0]), 1e-5f);
  }
  EXPECT_NEAR(o.vertices[0].y - start[0].y, -100 * 0.75f * kH, 1e-4f);
}

double energy(const SceneObject& o) {
  const FlexState& s = o.flexStates[0];
  double e = 0;
  for (const Vec3& v : s.velocity) e += 0.5 * o.flexMass * (double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
  for (size_t k = 0; k < o.flexSprings.size(); ++k) {
    const double stretch = distance(s.position[o.flexSprings[k][0]], s.position[o.flexSprings[k][1]]) - o.flexRestLengths[k];
    e += 0.5 * o.flexStiffness * stretch * stretch;
  }
  return e;
}

TEST(SoftBodyStep, DampedSpringsLoseEnergyInMidpointAndFourStageModes) {
  // (Explicit Euler gains energy on any spring at this step; it is there
  // for completeness, the scene pass uses the four-stage scheme.)
  for (const int mode : {1, 2}) {
    Scene scene;
    // One triangle: three springs along its open edges.
    const int32_t i = addEmptyObject(scene, "TRI");
    SceneObject& o = scene.objects[static_cast<size_t>(i)];
    o.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    o.faces = {Face{0, 1, 2}};
    testing::finishTestMesh(o);
    makeSoft(scene, i, Body{.ks = 20, .kd = 0.5f, .mass = 1, .gravity = {}});
    ASSERT_EQ(o.flexSprings.size(), 3u);
    o.flexStates[0].position[1].x = 1.5f;  // stretched
    double before = energy(o);
    const double first = before;
    for (int frame = 0; frame < 60; ++frame) {
      stepFlexObject(scene, i, 25, kH, mode);
      const double now = energy(o);
      EXPECT_LE(now, before * (1 + 1e-6) + 1e-9) << "mode " << mode << ", frame " << frame;
      before = now;
    }
    EXPECT_LT(before, first * 0.5) << "mode " << mode;
  }
}

TEST(SoftBodyStep, HiddenFrozenUnknownModeAndBadIndexDoNothing) {
  Scene scene;
  const int32_t i = testing::addTestBox(scene, "STILL", Vec3{}, Vec3{1, 1, 1});
  SceneObject& o = makeSoft(scene, i, Body{.gravity = {0, 0, -10}});
  const std::vector<Vec3> start = o.vertices;
  o.ready = false;
  stepFlexObject(scene, i, 25, kH, 2);
  o.ready = true;
  stepFlexObject(scene, i, 25, kH, 3);
  stepFlexObject(scene, i, 25, kH, -1);
  stepFlexObject(scene, 5, 25, kH, 2);
  stepFlexObject(scene, -1, 25, kH, 2);
  for (size_t v = 0; v < start.size(); ++v) EXPECT_TRUE(vec3Equal(o.vertices[v], start[v]));
}

TEST(SoftBodyStep, BodyThatBlowsUpFreezesInTheShapeItHadBeforeTheFrame) {
  for (const float ks : {1e30f, 5000.0f}) {  // overflows at once; grows over a few frames
    Scene scene;
    const int32_t i = testing::addTestSphere(scene, "BOOM", Vec3{}, 1, 6, 8);
    SceneObject& o = makeSoft(scene, i, Body{.ks = ks, .kd = 1, .gravity = {0, 0, -10}});
    o.flexStates[0].position[3].z += 0.1f;
    std::vector<Vec3> before;
    for (int frame = 0; frame < 100 && !o.flexFrozen; ++frame) {
      before = o.vertices;
      stepFlexObject(scene, i, 25, kH, 2);
    }
    ASSERT_TRUE(o.flexFrozen) << ks;
    for (size_t v = 0; v < o.vertices.size(); ++v) EXPECT_TRUE(vec3Equal(o.vertices[v], before[v])) << ks;
    EXPECT_LT(o.boxCorners[7].x - o.boxCorners[0].x, 8 * 2 * std::sqrt(3.0f)) << ks;
  }
  Scene scene;
  const int32_t i = testing::addTestSphere(scene, "BOOM", Vec3{}, 1, 6, 8);
  SceneObject& o = makeSoft(scene, i, Body{.ks = 1e30f, .kd = 1e30f, .gravity = {0, 0, -10}});
  o.flexStates[0].position[3].z += 0.1f;
  stepFlexObject(scene, i, 25, kH, 2);
  ASSERT_TRUE(o.flexFrozen);
  for (size_t v = 0; v < o.vertices.size(); ++v) {
    ASSERT_TRUE(std::isfinite(o.vertices[v].x) && std::isfinite(o.vertices[v].y) && std::isfinite(o.vertices[v].z));
    EXPECT_TRUE(vec3Equal(o.flexStates[0].position[v], o.vertices[v]));
    EXPECT_TRUE(vec3Equal(o.flexStates[0].velocity[v], Vec3{}));
    EXPECT_TRUE(std::isfinite(o.normals[v].x));
  }
  for (const Vec3& c : o.boxCorners) EXPECT_TRUE(std::isfinite(c.x) && std::isfinite(c.z));
  const std::vector<Vec3> frozen = o.vertices;
  stepFlexObject(scene, i, 25, kH, 2);
  for (size_t v = 0; v < frozen.size(); ++v) EXPECT_TRUE(vec3Equal(o.vertices[v], frozen[v]));

  // Set up again, it moves again.
  setupFlexObject(o, 1, 0, 0, 1, 0, Vec3{0, 0, -10});
  EXPECT_FALSE(o.flexFrozen);
}

TEST(SoftBodyStep, ParametersThatAreNotFiniteFreezeAtOnce) {
  const float inf = std::numeric_limits<float>::infinity();
  for (const Body& b : {Body{.ks = 1, .gravity = {0, 0, inf}}, Body{.ks = 1, .drag = std::nanf(""), .gravity = {}},
                        Body{.ks = -inf, .mass = 1, .gravity = {}}}) {
    Scene scene;
    const int32_t i = testing::addTestBox(scene, "NAN", Vec3{}, Vec3{1, 1, 1});
    SceneObject& o = makeSoft(scene, i, b);
    o.flexStates[0].velocity[0].x = 1;  // something for drag and springs to act on
    o.flexStates[0].position[0].x = -0.5f;
    const std::vector<Vec3> start = o.vertices;
    stepFlexObject(scene, i, 25, kH, 2);
    EXPECT_TRUE(o.flexFrozen);
    for (size_t v = 0; v < start.size(); ++v) EXPECT_TRUE(vec3Equal(o.vertices[v], start[v]));
  }
}

// ---- collisions -----------------------------------------------------------------

TEST(SoftBodyContact, BodyRestingOnABoxStaysAboveIt) {
  // (Explicit Euler is left out, and the midpoint rule gets softer springs:
  // they are unstable for stiffer ones at the scene's sub-step.)
  for (const auto& [mode, ks] : {std::pair{1, 30.0f}, std::pair{2, 200.0f}}) {
    Scene scene;
    testing::addTestBox(scene, "TABLE", Vec3{-2, -2, -1}, Vec3{2, 2, 0});
    const int32_t i = testing::addTestBox(scene, "BLOB", Vec3{-0.4f, -0.3f, 0.5f}, Vec3{0.6f, 0.7f, 1.5f});
    SceneObject& o = makeSoft(scene, i, Body{.ks = ks, .kd = 0.5f, .contact = 0.3f, .drag = 0.2f, .gravity = {0, 0, -0.2f}});
    float lowest = 1;
    for (int frame = 0; frame < 200; ++frame) {
      stepFlexObject(scene, i, 25, kH, mode);
      lowest = std::min(lowest, lowestZ(o));
      ASSERT_GE(lowestZ(o), -1e-6f) << "mode " << mode << ", frame " << frame;  // rounding at most
    }
    EXPECT_LT(lowest, 0.01f) << "it reached the table";
    EXPECT_LT(lowestZ(o), 0.01f) << "and rests on it";
    EXPECT_GT(o.boxCorners[7].z, 0.8f) << "without collapsing";
  }
}

TEST(SoftBodyContact, ContactOneBouncesBackAndZeroDoesNot) {
  // The contact factor is the script's value plus 1: 1 takes the normal
  // velocity away, 2 turns it round.
  float fastestRise[2] = {0, 0};
  for (const int contact : {0, 1}) {
    Scene scene;
    testing::addTestBox(scene, "FLOOR", Vec3{-5, -5, -1}, Vec3{5, 5, 0});
    const int32_t i = testing::addTestBox(scene, "HARD", Vec3{-0.4f, -0.3f, 0.05f}, Vec3{0.6f, 0.7f, 1.05f});
    SceneObject& o = makeSoft(scene, i, Body{.ks = 200, .kd = 1, .contact = float(contact), .gravity = {0, 0, -10}});
    for (int step = 0; step < 100; ++step) {
      stepFlexObject(scene, i, 1, kH, 2);
      float mean = 0;
      for (const Vec3& v : o.flexStates[0].velocity) mean += v.z / 8;
      fastestRise[contact] = std::max(fastestRise[contact], mean);
      ASSERT_GE(lowestZ(o), -1e-6f);
    }
  }
  // (The springs squashed at the contact push back a little either way.)
  EXPECT_GT(fastestRise[1], 0.5f);
  EXPECT_GT(fastestRise[1], fastestRise[0] + 0.2f);
}

TEST(SoftBodyContact, SoftBodiesMeetEachOthersTriangles) {
  // A soft mat that is not stepped: its own triangles stop the falling
  // cube (its box, flat, would stop nothing), and it takes no velocity.
  Scene scene;
  const int32_t floorIndex = testing::addTestQuadXY(scene, "MAT", Vec3{0, 0, 0}, 3, 3);
  makeSoft(scene, floorIndex, Body{.ks = 10, .mass = 1, .gravity = {}});
  const int32_t i = testing::addTestBox(scene, "CUBE", Vec3{-0.5f, -0.5f, 0.2f}, Vec3{0.5f, 0.5f, 1.2f});  // corners on the mat's diagonal
  SceneObject& cube = makeSoft(scene, i, Body{.ks = 100, .kd = 0.5f, .gravity = {0, 0, -10}});
  for (int frame = 0; frame < 30; ++frame) {
    stepFlexObject(scene, i, 25, kH, 2);
    ASSERT_GE(lowestZ(cube), -1e-6f) << "frame " << frame;
  }
  EXPECT_LT(lowestZ(cube), 0.01f) << "resting on the mat";
  for (const Vec3& v : scene.objects[static_cast<size_t>(floorIndex)].flexStates[0].velocity) {
    EXPECT_TRUE(vec3Equal(v, Vec3{}));
  }
}

TEST(SoftBodyContact, SoftBodyStacksOnAnotherAndGainsNoEnergy) {
  // Stepped one after the other, a frame at a time, as the scene pass steps
  // them: each meets the other's faces as fixed ones and hands it no
  // velocity, and a vertex resting on the other's face stays on it when
  // that face rises a little in the other's step. (Handing the face the
  // opposite velocity change let such a pair store velocity they could not
  // act on within a frame, until they flew apart; without the face's skin
  // the upper cube sank into the lower one and on through the table.)
  Scene scene;
  testing::addTestBox(scene, "TABLE", Vec3{-3, -3, -1}, Vec3{3, 3, 0});
  const int32_t lower = testing::addTestBox(scene, "LOWER", Vec3{-0.5f, -0.5f, 0.01f}, Vec3{0.5f, 0.5f, 1.01f});
  const int32_t upper = testing::addTestBox(scene, "UPPER", Vec3{-0.35f, -0.3f, 1.05f}, Vec3{0.35f, 0.4f, 1.85f});
  for (const int32_t i : {lower, upper}) makeSoft(scene, i, Body{.ks = 200, .kd = 1, .contact = 0.3f, .drag = 0.1f, .gravity = {0, 0, -1}});
  const auto total = [&] {
    double e = 0;
    for (const int32_t i : {lower, upper}) {
      const SceneObject& o = scene.objects[static_cast<size_t>(i)];
      e += energy(o);
      for (const Vec3& p : o.flexStates[0].position) e += o.flexMass * 1.0 * p.z;
    }
    return e;
  };
  const double start = total();
  for (int frame = 0; frame < 150; ++frame) {
    for (const int32_t i : {lower, upper}) {
      stepFlexObject(scene, i, 25, kH, 2);
      const SceneObject& o = scene.objects[static_cast<size_t>(i)];
      ASSERT_FALSE(o.flexFrozen) << o.name;
      ASSERT_GE(lowestZ(o), -1e-6f) << o.name << ", frame " << frame;
    }
    ASSERT_LT(total(), start + 0.01) << "frame " << frame;
  }
  for (const int32_t i : {lower, upper}) {
    for (const Vec3& v : scene.objects[static_cast<size_t>(i)].flexStates[0].velocity) EXPECT_LT(vec3Length(v), 0.05f);
  }
  EXPECT_GT(lowestZ(scene.objects[static_cast<size_t>(upper)]), 0.99f) << "on top of the lower cube";
}

// A geodesic ball from the model builder, welded, placed at `centre`.
int32_t addGeodesicBall(Scene& scene, const std::string& name, Vec3 centre, float radius, int frequency) {
  tools::ModelSource source;
  tools::ModelMessages messages;
  const std::string text = "mesh " + name + "\n  translate " + std::to_string(centre.x) + " " + std::to_string(centre.y) +
                           " " + std::to_string(centre.z) + "\n  geosphere " + std::to_string(radius) + " " +
                           std::to_string(frequency) + "\n  weld positions\n";
  EXPECT_TRUE(tools::parseModelSource(text, "ball.model", source, messages));
  const int32_t index = addEmptyObject(scene, name);
  SceneObject& o = scene.objects[static_cast<size_t>(index)];
  o.vertices = source.objects.at(0).mesh.vertices;
  for (const auto& f : source.objects[0].mesh.faces) o.faces.push_back(Face{f[0], f[1], f[2]});
  testing::finishTestMesh(o);
  return index;
}

double enclosedVolume(const SceneObject& o) { return testing::enclosedVolume(o.vertices, o.faces); }

TEST(SoftBodyShape, CoarseBallsLandOnABoxAndOnEachOtherKeepTheirShapeAndComeToRest) {
  // The bundled show's jelly balls: springs along the edges only hold a
  // shell round by its facets' angles, so the balls are coarse geodesic
  // spheres with stiff, damped springs (a fine sphere with soft springs
  // folded flat on landing, and a dent once made stayed). One ball drops
  // onto a floor, a second onto the first and rolls off it; at 60 frames a
  // second (1 tick a frame) and at 10 or fewer (6 ticks). Within 12 seconds
  // both have stopped bouncing.
  const Body jelly{.ks = 1200, .kd = 8, .contact = 0.1f, .mass = 1, .drag = 0.15f, .gravity = {0, 0, -0.06f}};
  for (const int ticks : {1, 6}) {
    Scene scene;
    testing::addTestBox(scene, "FLOOR", Vec3{-7, -7, -0.5f}, Vec3{7, 7, 0});
    const int32_t lower = addGeodesicBall(scene, "LOWER", Vec3{0, 0, 1.0f}, 0.9f, 2);
    const int32_t upper = addGeodesicBall(scene, "UPPER", Vec3{-0.3f, 0.2f, 2.9f}, 0.8f, 2);
    double rest[2];
    for (const int32_t i : {lower, upper}) {
      makeSoft(scene, i, jelly);
      rest[i == upper] = enclosedVolume(scene.objects[static_cast<size_t>(i)]);
    }
    const int frames = 720 / ticks;
    float upperLowest = 10;
    for (int frame = 0; frame < frames; ++frame) {
      for (const int32_t i : {lower, upper}) {
        stepFlexObject(scene, i, 25, static_cast<float>(ticks) * 0.004f, 2);
        const SceneObject& o = scene.objects[static_cast<size_t>(i)];
        ASSERT_FALSE(o.flexFrozen) << o.name << ", " << ticks << " ticks a frame";
        ASSERT_GE(lowestZ(o), -1e-6f) << o.name << ", frame " << frame;
        ASSERT_GT(enclosedVolume(o), 0.95 * rest[i == upper]) << o.name << ", frame " << frame << ", " << ticks << " ticks";
      }
      upperLowest = std::min(upperLowest, lowestZ(scene.objects[static_cast<size_t>(upper)]));
    }
    EXPECT_LT(upperLowest, 0.01f) << "the upper ball rolled off to the floor";
    for (const int32_t i : {lower, upper}) {
      const SceneObject& o = scene.objects[static_cast<size_t>(i)];
      EXPECT_LT(lowestZ(o), 0.01f) << o.name << " rests on the floor";
      double meanSpeed = 0;
      for (const Vec3& v : o.flexStates[0].velocity) meanSpeed += vec3Length(v) / static_cast<double>(o.vertexCount);
      EXPECT_LT(meanSpeed, 0.01) << o.name << " has come to rest, " << ticks << " ticks a frame";
    }
  }
}

TEST(SoftBodyContact, BroadPhaseFindsOverlappingBoxesOnly) {
  Scene scene;
  const int32_t body = testing::addTestBox(scene, "BODY", Vec3{0, 0, 0}, Vec3{1, 1, 1});
  testing::addTestBox(scene, "FAR", Vec3{5, 5, 5}, Vec3{6, 6, 6});
  // A bar through the body: no corner of either box lies inside the other.
  const int32_t bar = testing::addTestBox(scene, "BAR", Vec3{-3, 0.4f, 0.4f}, Vec3{4, 0.6f, 0.6f});
  const int32_t near = testing::addTestBox(scene, "NEAR", Vec3{1.1f, 0, 0}, Vec3{2, 1, 1});  // within the widening
  const int32_t hidden = testing::addTestBox(scene, "OFF", Vec3{0, 0, 0}, Vec3{1, 1, 1});
  scene.objects[static_cast<size_t>(hidden)].ready = false;
  std::vector<int32_t> found;
  findFlexColliders(scene, body, found);
  EXPECT_EQ(found, (std::vector<int32_t>{bar, near}));
}

}  // namespace
}  // namespace glorbe
