// One frame of a busy scene at 800 x 600: 20 textured, environment-mapped
// objects of about 2,000 faces each, 8 lights with halos, a moving camera.
// "Frame" includes the driver finishing the picture (its frame rate);
// "Submit" stops before that, so its CPU time is the main thread's: the
// engine plus the driver's command work (a profiler splits the two). The
// counter allocs_per_frame counts the C++ allocations made while drawing.
// Run under an X server (xvfb-run -a).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

#include "../tests/gl/test_meshes.h"
#include "bench_gl_window.h"
#include "render/frame_stats.h"
#include "render/scene_render.h"

namespace {

std::atomic<long> allocationCount{0};

}  // namespace

// Counting replacements of the global allocation functions (malloc and free
// underneath, which the compiler cannot see match).
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  allocationCount.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace glorbe;

GLuint patternTexture(int size, int seed) {
  std::vector<uint8_t> pixels;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float v = 0.5f + 0.5f * std::sin(static_cast<float>(x * (seed + 1)) * 0.2f) *
                                 std::cos(static_cast<float>(y * (seed + 2)) * 0.15f);
      pixels.insert(pixels.end(), {static_cast<uint8_t>(255 * v), static_cast<uint8_t>(128 + 100 * v),
                                   static_cast<uint8_t>(200 - 150 * v), 255});
    }
  }
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return name;
}

Scene& busyScene() {
  static Scene scene = [] {
    bench::openBenchWindow(800, 600);
    Scene s;
    initScene(s, "BENCH");
    const GLuint envTexture = patternTexture(64, 7);
    for (int i = 0; i < 20; ++i) {
      const Vec3 at{static_cast<float>(i % 5) * 3.0f - 6.0f, static_cast<float>(i / 5) * 2.0f,
                    static_cast<float>(i / 5) * 1.5f - 2.0f};
      const int32_t index = testing::addTestSphere(s, "BALL", at, 1.2f, 32, 32);  // 1,984 faces
      SceneObject& o = s.objects[static_cast<size_t>(index)];
      o.texture = patternTexture(64, i);
      o.textureEnvMode = GL_MODULATE;
      o.envMapOn = true;
      o.envTexture = envTexture;
      o.envEnvMode = GL_REPLACE;
      initTrack(o.positionTrack, 2);
      addKey(o.positionTrack, 0, 0, 0, 0, 0);
      addKey(o.positionTrack, 600, 0, 0, 0, 1.5f);
    }
    const GLuint flare = patternTexture(32, 3);
    for (int i = 0; i < 8; ++i) {
      const float a = static_cast<float>(i) * 0.785f;
      testing::addTestLight(s, "LAMP", Vec3{8 * std::cos(a), -4 + 3 * std::sin(a), 4},
                            {0.3f + 0.08f * static_cast<float>(i), 0.5f, 0.9f - 0.08f * static_cast<float>(i)});
      SceneLight& light = s.lights.back();
      light.flareTextureA = light.flareTextureB = flare;
      light.flareEnvModeA = light.flareEnvModeB = GL_MODULATE;
      light.size = 0.4f;
    }
    s.ambientColour = {0.1f, 0.1f, 0.1f};
    testing::addTestCamera(s, "CAM", Vec3{0, -14, 6}, Vec3{0, 2, 0});
    SceneCamera& camera = s.cameras[0];
    initTrack(camera.positionTrack, 2);
    addKey(camera.positionTrack, 0, 0, -3, -14, 6);
    addKey(camera.positionTrack, 600, 0, 3, -13, 7);
    return s;
  }();
  return scene;
}

void runFrames(benchmark::State& state, bool finish) {
  Scene& scene = busyScene();
  int32_t tick = 1;
  for (int warm = 0; warm < 5; ++warm, ++tick) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    renderScene(scene, tick, tick - 1);
    glFinish();
  }
  const long allocationsBefore = allocationCount.load();
  frameStats = FrameStats{};
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    renderScene(scene, tick, tick - 1);
    ++tick;
    if (finish) {
      glFinish();
    } else {
      state.PauseTiming();
      glFinish();
      state.ResumeTiming();
    }
  }
  const double frames = static_cast<double>(state.iterations());
  state.counters["allocs_per_frame"] = static_cast<double>(allocationCount.load() - allocationsBefore) / frames;
  state.counters["faces_per_frame"] = static_cast<double>(frameStats.objpolys) / frames;
  state.counters["objects_per_frame"] = static_cast<double>(frameStats.objs) / frames;
  if (finish) state.counters["fps"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
}

void BM_SceneFrame(benchmark::State& state) { runFrames(state, true); }
void BM_SceneSubmit(benchmark::State& state) { runFrames(state, false); }

BENCHMARK(BM_SceneFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SceneSubmit)->Unit(benchmark::kMillisecond);

}  // namespace
