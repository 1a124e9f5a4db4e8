// One frame of a soft body as the scene pass steps it (25 sub-steps of the
// four-stage scheme at 6 ticks) for a 500-vertex ball resting on a table
// between two walls (a closed shell under a gravity light enough for it to
// keep its shape): three box colliders within its broad phase. Also the
// same ball folded flat under more gravity (every vertex in contact), and
// in the open. Beside it,
// the broad phase alone, as often as one frame runs it (once per force
// evaluation: 100 times), for its share of the frame, and the same ball
// in the open (no colliders) for the share of the contacts. Goal: a frame
// within 2 ms.
#include <benchmark/benchmark.h>

#include "../tests/gl/test_meshes.h"
#include "geometry/flex_setup.h"
#include "render/flex_objects.h"
#include "scripts/scene_finishing.h"

namespace {

using namespace glorbe;

constexpr int32_t kSubSteps = 25;
constexpr float kFrameStep = 6 * 0.004f;

Scene restingBall(bool walls = true, float gravity = 0.005f) {
  Scene scene;
  initScene(scene, "BENCH");
  // In the open the three boxes stand far off to the side.
  const float away = walls ? 0 : 1000;
  testing::addTestBox(scene, "TABLE", Vec3{-3 + away, -3, -1}, Vec3{3 + away, 3, 0});
  testing::addTestBox(scene, "LEFT", Vec3{-1.3f + away, -3, 0}, Vec3{-1.1f + away, 3, 3});
  testing::addTestBox(scene, "RIGHT", Vec3{1.1f + away, -3, 0}, Vec3{1.3f + away, 3, 3});
  const int32_t i = testing::addTestSphere(scene, "BALL", Vec3{0, 0, 1.2f}, 1, 19, 24);  // 20 x 25 vertices
  SceneObject& ball = scene.objects[static_cast<size_t>(i)];
  // Closed: the seam's and the poles' vertices at exactly the same places
  // (float sines leave them a rounding apart), so the shell holds its shape.
  for (size_t ring = 0; ring < 20; ++ring) ball.vertices[ring * 25 + 24] = ball.vertices[ring * 25];
  for (size_t k = 0; k < 25; ++k) {
    ball.vertices[k] = Vec3{0, 0, 2.2f};
    ball.vertices[19 * 25 + k] = Vec3{0, 0, 0.2f};
  }
  computeMeshBox(ball);
  ball.flexOn = true;
  buildEdgeList(ball);
  setupFlexObject(ball, 400, 0.5f, 0.2f, 1, 0.1f, Vec3{0, 0, -gravity});
  for (int frame = 0; frame < 40; ++frame) stepFlexObject(scene, i, kSubSteps, kFrameStep, 2);  // settle
  return scene;
}

void frameOf(benchmark::State& state, Scene scene) {
  for (auto _ : state) {
    stepFlexObject(scene, 3, kSubSteps, kFrameStep, 2);
    benchmark::DoNotOptimize(scene.objects[3].vertices.data());
  }
  state.counters["vertices"] = static_cast<double>(scene.objects[3].vertexCount);
  state.counters["springs"] = static_cast<double>(scene.objects[3].flexSprings.size());
  std::vector<int32_t> colliders;
  findFlexColliders(scene, 3, colliders);
  state.counters["colliders"] = static_cast<double>(colliders.size());
  state.counters["height"] = static_cast<double>(scene.objects[3].boxCorners[7].z - scene.objects[3].boxCorners[0].z);
  state.counters["bottom"] = static_cast<double>(scene.objects[3].boxCorners[0].z);
}

void BM_SoftBodyFrame(benchmark::State& state) { frameOf(state, restingBall()); }
BENCHMARK(BM_SoftBodyFrame)->Unit(benchmark::kMillisecond);

// Ten times the gravity: the shell folds flat on landing (springs along
// edges only resist no bending), and every vertex lies in contact.
void BM_SoftBodyFrameFolded(benchmark::State& state) { frameOf(state, restingBall(true, 0.05f)); }
BENCHMARK(BM_SoftBodyFrameFolded)->Unit(benchmark::kMillisecond);

void BM_SoftBodyFrameInTheOpen(benchmark::State& state) { frameOf(state, restingBall(false)); }
BENCHMARK(BM_SoftBodyFrameInTheOpen)->Unit(benchmark::kMillisecond);

void BM_SoftBodyBroadPhaseOfAFrame(benchmark::State& state) {
  Scene scene = restingBall();
  std::vector<int32_t> colliders;
  for (auto _ : state) {
    for (int k = 0; k < 4 * kSubSteps; ++k) {
      findFlexColliders(scene, 3, colliders);
      benchmark::DoNotOptimize(colliders.data());
    }
  }
}
BENCHMARK(BM_SoftBodyBroadPhaseOfAFrame)->Unit(benchmark::kMillisecond);

}  // namespace
