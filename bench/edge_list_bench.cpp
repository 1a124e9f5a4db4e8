// buildEdgeList on a closed mesh of 10,000 faces (a torus of 50 x 100
// quads, every quad two triangles, every vertex written once per face so
// that corners meet by position, not by vertex number) against the rule
// written the straight way, comparing every face with every other. The goal:
// at least 100 times faster, with the same entries in the same order (the
// fixture checks that before anything is timed).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "edge_list_reference.h"
#include "scripts/scene_finishing.h"

namespace {

glorbe::SceneObject torus(int rings, int sides) {
  glorbe::SceneObject o;
  const auto point = [&](int i, int j) {
    const float u = 2.0f * glorbe::kPi * float(i % rings) / float(rings);
    const float v = 2.0f * glorbe::kPi * float(j % sides) / float(sides);
    return glorbe::Vec3{(2.0f + std::cos(v)) * std::cos(u), (2.0f + std::cos(v)) * std::sin(u), std::sin(v)};
  };
  for (int i = 0; i < rings; ++i) {
    for (int j = 0; j < sides; ++j) {
      const glorbe::Vec3 a = point(i, j), b = point(i + 1, j), c = point(i + 1, j + 1), d = point(i, j + 1);
      for (const auto& tri : {std::array{a, b, c}, std::array{a, c, d}}) {
        const auto base = static_cast<uint32_t>(o.vertices.size());
        o.vertices.insert(o.vertices.end(), tri.begin(), tri.end());
        o.faces.push_back({base, base + 1, base + 2});
      }
    }
  }
  o.vertexCount = static_cast<int32_t>(o.vertices.size());
  o.faceCount = static_cast<int32_t>(o.faces.size());
  return o;
}

const glorbe::SceneObject& mesh() {
  static const glorbe::SceneObject object = [] {
    glorbe::SceneObject o = torus(50, 100);
    glorbe::SceneObject indexed = o;
    glorbe::buildEdgeList(indexed);
    const std::vector<glorbe::Edge> straight = glorbe::reference::quadraticEdgeList(o);
    bool same = indexed.edges.size() == straight.size();
    for (size_t i = 0; same && i < straight.size(); ++i) {
      same = indexed.edges[i].face == straight[i].face && indexed.edges[i].other == straight[i].other;
    }
    if (!same || straight.size() != 15000) {
      std::fprintf(stderr, "edge lists differ (%zu and %zu entries)\n", indexed.edges.size(), straight.size());
      std::abort();
    }
    return o;
  }();
  return object;
}

void BM_EdgeListIndexed(benchmark::State& state) {
  glorbe::SceneObject o = mesh();
  for (auto _ : state) {
    glorbe::buildEdgeList(o);
    benchmark::DoNotOptimize(o.edges.data());
  }
  state.counters["faces"] = static_cast<double>(o.faceCount);
  state.counters["entries"] = static_cast<double>(o.edges.size());
}
BENCHMARK(BM_EdgeListIndexed)->Unit(benchmark::kMillisecond);

void BM_EdgeListQuadratic(benchmark::State& state) {
  const glorbe::SceneObject& o = mesh();
  for (auto _ : state) {
    std::vector<glorbe::Edge> edges = glorbe::reference::quadraticEdgeList(o);
    benchmark::DoNotOptimize(edges.data());
  }
  state.counters["faces"] = static_cast<double>(o.faceCount);
}
BENCHMARK(BM_EdgeListQuadratic)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
