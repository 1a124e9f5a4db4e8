// The shadow volumes of a 5,000-face caster for two lights: the per-face
// light bits alone, and bits plus the extruded silhouette sent to a real
// GL context as the shadow pass sends it (twice: front faces counted up,
// back faces down), with and without rasterising. For scale: the caster's
// own surface in one draw.
// Run under an X server (xvfb-run -a).
#include <benchmark/benchmark.h>

#include "../tests/gl/test_meshes.h"
#include "bench_gl_window.h"
#include "render/object_drawing.h"
#include "render/shadows.h"

namespace {

using namespace glorbe;

struct CasterScene {
  Scene scene;
  LightLocalPositions lights{};
};

CasterScene& casterScene() {
  static CasterScene c = [] {
    bench::openBenchWindow(320, 240);
    CasterScene s;
    initScene(s.scene, "BENCH");
    testing::addTestSphere(s.scene, "CASTER", Vec3{0, 0, 0}, 2, 50, 51);  // 4,998 faces
    SceneObject& o = s.scene.objects[0];
    o.castsShadow = true;
    o.shadowLights.fill(true);
    testing::addTestLight(s.scene, "A", Vec3{-6, -4, 9}, {1, 1, 1});
    testing::addTestLight(s.scene, "B", Vec3{5, -3, 7}, {1, 1, 1});
    s.lights[0] = s.scene.lights[0].position;
    s.lights[1] = s.scene.lights[1].position;
    return s;
  }();
  return c;
}

void BM_FaceLightBits(benchmark::State& state) {
  CasterScene& c = casterScene();
  SceneObject& o = c.scene.objects[0];
  for (auto _ : state) {
    updateFaceLightBits(o, c.scene, c.lights);
    benchmark::DoNotOptimize(o.faceFlags.data());
  }
  state.counters["faces"] = static_cast<double>(o.faceCount);
}

// Arg 1: the triangles are dropped before rasterising (GL_RASTERIZER_DISCARD),
// leaving the silhouette walk and what the driver does per vertex; llvmpipe
// sets up and bins the long extruded triangles in the calling thread, which
// is most of the time with arg 0.
void BM_ShadowVolumesTwoLights(benchmark::State& state) {
  CasterScene& c = casterScene();
  SceneObject& o = c.scene.objects[0];
  const bool discard = state.range(0) != 0;
  if (discard) glEnable(GL_RASTERIZER_DISCARD);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glDepthMask(GL_FALSE);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(0, 0, -20);
  for (auto _ : state) {
    updateFaceLightBits(o, c.scene, c.lights);
    drawShadowVolumes(c.scene, 0, c.lights, 7, -1);
    glFrontFace(GL_CW);
    drawShadowVolumes(c.scene, 0, c.lights, 7, -1);
    glFrontFace(GL_CCW);
    state.PauseTiming();
    glFinish();  // rasterising is the driver's threads' work, not counted
    state.ResumeTiming();
  }
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDepthMask(GL_TRUE);
  if (discard) glDisable(GL_RASTERIZER_DISCARD);
  state.counters["edges"] = static_cast<double>(o.edges.size());
  state.SetLabel(discard ? "not rasterised" : "rasterised");
}

void BM_CasterSurfaceOneDraw(benchmark::State& state) {
  CasterScene& c = casterScene();
  SceneObject& o = c.scene.objects[0];
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(0, 0, -20);
  for (auto _ : state) {
    drawArrays(o, false, true, true);
    state.PauseTiming();
    glFinish();
    state.ResumeTiming();
  }
}

BENCHMARK(BM_FaceLightBits)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ShadowVolumesTwoLights)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CasterSurfaceOneDraw)->Unit(benchmark::kMicrosecond);

}  // namespace
