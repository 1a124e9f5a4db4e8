// One frame of a soft body as the scene pass steps it (25 sub-steps of the
// four-stage scheme at 6 ticks) for a 500-vertex ball resting on a table
// between two walls: three box colliders within its broad phase. Beside it,
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

Scene restingBall(bool walls = true) {
  Scene scene;
  initScene(scene, "BENCH");
  const float away = walls ? 0 : 100;
  testing::addTestBox(scene, "TABLE", Vec3{-3, -3, -1 - away}, Vec3{3, 3, 0 - away});
  testing::addTestBox(scene, "LEFT", Vec3{-1.3f, -3, away}, Vec3{-1.1f, 3, 3 + away});
  testing::addTestBox(scene, "RIGHT", Vec3{1.1f, -3, away}, Vec3{1.3f, 3, 3 + away});
  const int32_t i = testing::addTestSphere(scene, "BALL", Vec3{0, 0, 1.2f}, 1, 19, 24);  // 20 x 25 vertices
  SceneObject& ball = scene.objects[static_cast<size_t>(i)];
  ball.flexOn = true;
  buildEdgeList(ball);
  setupFlexObject(ball, 60, 0.5f, 0.2f, 1, 0.1f, Vec3{0, 0, -4});
  for (int frame = 0; frame < 40; ++frame) stepFlexObject(scene, i, kSubSteps, kFrameStep, 2);  // settle
  return scene;
}

void BM_SoftBodyFrame(benchmark::State& state) {
  Scene scene = restingBall();
  for (auto _ : state) {
    stepFlexObject(scene, 3, kSubSteps, kFrameStep, 2);
    benchmark::DoNotOptimize(scene.objects[3].vertices.data());
  }
  state.counters["vertices"] = static_cast<double>(scene.objects[3].vertexCount);
  state.counters["springs"] = static_cast<double>(scene.objects[3].flexSprings.size());
  std::vector<int32_t> colliders;
  findFlexColliders(scene, 3, colliders);
  state.counters["colliders"] = static_cast<double>(colliders.size());
}
BENCHMARK(BM_SoftBodyFrame)->Unit(benchmark::kMillisecond);

void BM_SoftBodyFrameInTheOpen(benchmark::State& state) {
  Scene scene = restingBall(false);
  for (auto _ : state) {
    stepFlexObject(scene, 3, kSubSteps, kFrameStep, 2);
    benchmark::DoNotOptimize(scene.objects[3].vertices.data());
  }
}
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
