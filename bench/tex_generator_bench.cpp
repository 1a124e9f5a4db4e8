// The texture generator at 256 x 256: each operation on its own, and a
// 20-step program of every operation once, as a material would run it.
#include <benchmark/benchmark.h>

#include "textures/texture_generator.h"

namespace {

using glorbe::TexParams;

constexpr int32_t kSide = 256;

struct Step {
  int32_t opcode;
  const char* name;
  TexParams params;
};

// Every operation with parameters of the kind a show uses; sources are
// layers that the first steps fill.
const Step kSteps[] = {
    {glorbe::kTexNoise, "noise cell 16", {0, 16, 4711, 256, 1}},
    {glorbe::kTexPlasma, "plasma", {1, 0.05f, 0.08f, 256}},
    {glorbe::kTexFractalNoise, "fractal 6 octaves", {2, 32, 99, 256, 140, 6, 0}},
    {glorbe::kTexRadialGradient, "radial", {3, 0.8f}},
    {glorbe::kTexFill, "fill", {4, 30, 60, 90}},
    {glorbe::kTexBlend, "blend", {0, 1, 4, 0.5f, 0.5f}},
    {glorbe::kTexMultiply, "multiply", {4, 3, 4, 1.0f, 1.2f}},
    {glorbe::kTexColourScale, "colourscale", {4, 4, 1.1f, 0.9f, 1.3f}},
    {glorbe::kTexHsvScale, "hsvscale", {4, 4, 1.2f, 0.8f, 1.1f}},
    {glorbe::kTexAdd, "add", {4, 4, 10, -5, 20}},
    {glorbe::kTexHsvShift, "hsvshift", {4, 4, 40, 0.1f, -10}},
    {glorbe::kTexSineMap, "sinemap", {4, 4, 0.004f, 0.006f, 0.008f}},
    {glorbe::kTexInvert, "invert", {4, 4}},
    {glorbe::kTexEmboss, "emboss", {2, 1}},
    {glorbe::kTexBitRotate, "bitrotate", {4, 4, 1}},
    {glorbe::kTexBlur, "blur", {4, 4}},
    {glorbe::kTexSineDistortion, "sinedistort", {4, 4, 0.05f, 6, 0.07f, 5}},
    {glorbe::kTexTwirl, "twirl", {4, 4, 3, 40}},
    {glorbe::kTexDisplace, "displace", {4, 0, 4, 0.05f, 0.03f}},
    {glorbe::kTexTile, "tile", {4, 4}},
};

void prepareLayers() {
  glorbe::resetTexGenerator();
  glorbe::beginGeneratedTexture(kSide, kSide);
  for (int i = 0; i < 5; ++i) glorbe::runTexStep(kSteps[i].opcode, kSteps[i].params);
}

void BM_TexStep(benchmark::State& state) {
  const Step& step = kSteps[state.range(0)];
  prepareLayers();
  for (auto _ : state) {
    glorbe::runTexStep(step.opcode, step.params);
    benchmark::DoNotOptimize(glorbe::texLayer(4));
  }
  state.SetLabel(step.name);
  state.SetItemsProcessed(state.iterations() * kSide * kSide);  // pixels
}
BENCHMARK(BM_TexStep)->DenseRange(0, 19)->Unit(benchmark::kMicrosecond);

void BM_TexProgram20Steps(benchmark::State& state) {
  glorbe::resetTexGenerator();
  for (auto _ : state) {
    glorbe::beginGeneratedTexture(kSide, kSide);
    glorbe::TexStepList& list = glorbe::texGenerator.program.lists[0];
    list.stepCount = 20;
    for (int i = 0; i < 20; ++i) {
      list.opcodes[static_cast<size_t>(i)] = kSteps[i].opcode;
      list.params[static_cast<size_t>(i)] = kSteps[i].params;
    }
    glorbe::runTexProgram();
    benchmark::DoNotOptimize(glorbe::texLayer(4));
  }
}
BENCHMARK(BM_TexProgram20Steps)->Unit(benchmark::kMillisecond);

}  // namespace
