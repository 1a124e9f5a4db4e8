// fuzz options: -max_len=22020
// Texture programs (".TEX"): the file read as the engine reads it, run
// through the generator at 32 x 32 pixels, and turned into text by the
// disassembler, which must assemble back to the steps the engine runs.
#include <algorithm>
#include <bit>
#include <string>

#include "fuzz_support.h"
#include "texprog/tex_text.h"
#include "textures/texture_generator.h"

using namespace glorbe;

namespace {

// The steps the engine runs, with everything else zero.
TexProgram runnableSteps(const TexProgram& program) {
  TexProgram out;
  for (size_t l = 0; l < kTexStepListCount; ++l) {
    const TexStepList& from = program.lists[l];
    TexStepList& to = out.lists[l];
    to.stepCount = std::clamp<int32_t>(from.stepCount, 0, kTexMaxSteps);
    for (int32_t s = 0; s < to.stepCount; ++s) {
      to.opcodes[static_cast<size_t>(s)] = from.opcodes[static_cast<size_t>(s)];
      to.params[static_cast<size_t>(s)] = from.params[static_cast<size_t>(s)];
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::resetEngineState();
  TexProgram program;
  decodeTexProgram(data, size, program);

  beginGeneratedTexture(32, 32);
  texGenerator.program = program;
  runTexProgram();
  if (texLayer(kTexOutputLayer) == nullptr) fuzz::fail("the program left no output layer");
  releaseGeneratedTexture();

  const std::string text = tools::disassembleTexProgram(program);
  TexProgram again;
  std::string error;
  if (!tools::assembleTexProgram(text, "disassembled", again, error)) {
    fuzz::fail("the disassembly does not assemble: " + error + "\n" + text);
  }
  if (encodeTexProgram(again) != encodeTexProgram(runnableSteps(program))) {
    fuzz::fail("the disassembly assembles to other steps:\n" + text);
  }
  return 0;
}
