// One warp of a 256 × 256 move-list picture through its two built maps, on
// the portable and the packed path, against a memcpy of the same 256 KiB.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

#include "textures/move_list.h"

namespace {

glorbe::MoveList makeList() {
  glorbe::MoveList list;
  glorbe::createMoveList(list, 256, 256, 0, 0, 0);
  std::mt19937 random(1);
  for (uint32_t& p : list.picture) p = random();
  glorbe::refreshMoveListMap(list, 256 * 256, 2.5f, 0.1f, true);
  glorbe::refreshMoveListMap(list, 256 * 256, 0.1f, 0.5f, false);
  return list;
}

void BM_WarpPortable(benchmark::State& state) {
  glorbe::MoveList list = makeList();
  for (auto _ : state) {
    glorbe::warpMoveListPortable(list, list.map2, 256, 256, 12345);
    benchmark::DoNotOptimize(list.picture.data());
  }
  state.SetBytesProcessed(state.iterations() * 256 * 256 * 4);
}

void BM_WarpPacked(benchmark::State& state) {
  if (!glorbe::movePackedPathBuilt()) {
    state.SkipWithError("no packed path in this build");
    return;
  }
  glorbe::MoveList list = makeList();
  for (auto _ : state) {
    glorbe::warpMoveListPacked(list, list.map2, 256, 256, 12345);
    benchmark::DoNotOptimize(list.picture.data());
  }
  state.SetBytesProcessed(state.iterations() * 256 * 256 * 4);
}

void BM_MemcpyPicture(benchmark::State& state) {
  glorbe::MoveList list = makeList();
  for (auto _ : state) {
    std::memcpy(list.backPicture.data(), list.picture.data(), list.picture.size() * sizeof(uint32_t));
    benchmark::DoNotOptimize(list.backPicture.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * 256 * 256 * 4);
}

BENCHMARK(BM_WarpPortable)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WarpPacked)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemcpyPicture)->Unit(benchmark::kMicrosecond);

}  // namespace
