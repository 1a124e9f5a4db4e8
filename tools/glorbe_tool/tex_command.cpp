// glorbe-tool tex: texture programs from text to the engine's ".TEX" form
// and back, and a program run through the engine's generator to a PNG.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "glorbe_tool/commands.h"
#include "image_io/png_file.h"
#include "scripts/number_conversion.h"
#include "texprog/tex_text.h"
#include "textures/texture_generator.h"

namespace glorbe::tools {

namespace {

bool readWholeFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

int cannot(const std::string& what) {
  std::fprintf(stderr, "glorbe-tool: %s\n", what.c_str());
  return 1;
}

// Reads a ".TEX" file as the engine does: a short file is padded with zeros,
// bytes past the program are not looked at. Says so when either happens.
bool readProgram(const std::string& path, TexProgram& program) {
  std::string bytes;
  if (!readWholeFile(path, bytes)) {
    cannot("cannot read " + path);
    return false;
  }
  if (bytes.size() < kTexProgramBytes) {
    std::fprintf(stderr, "glorbe-tool: warning: %s is %zu bytes, not %zu; the rest reads as zero\n", path.c_str(),
                 bytes.size(), kTexProgramBytes);
  } else if (bytes.size() > kTexProgramBytes) {
    std::fprintf(stderr, "glorbe-tool: warning: %s is %zu bytes; only the first %zu are a program\n", path.c_str(),
                 bytes.size(), kTexProgramBytes);
  }
  decodeTexProgram(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), program);
  return true;
}

int assemble(const std::string& source, const std::string& outPath) {
  std::string text;
  if (!readWholeFile(source, text)) return cannot("cannot read " + source);
  TexProgram program;
  std::string error;
  if (!assembleTexProgram(text, source, program, error)) return cannot(error);
  const std::vector<uint8_t> bytes = encodeTexProgram(program);
  if (!makeOutputFolder(outPath, error)) return cannot(error);
  std::ofstream out(outPath, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) return cannot("cannot write " + outPath);
  return 0;
}

int disassemble(const std::string& path) {
  TexProgram program;
  if (!readProgram(path, program)) return 1;
  std::fputs(disassembleTexProgram(program).c_str(), stdout);
  return 0;
}

int run(const std::string& path, int32_t size, const std::string& outPath) {
  TexProgram program;
  if (!readProgram(path, program)) return 1;
  resetTexGenerator();  // a fresh generator: the seed starts at 0
  beginGeneratedTexture(size, size);
  texGenerator.program = program;

  // Large sizes take a while: show the steps as they run when someone watches.
  const bool progress = isatty(STDERR_FILENO) != 0;
  int total = 0;
  for (const TexStepList& list : program.lists) total += std::clamp<int32_t>(list.stepCount, 0, kTexMaxSteps);
  int done = 0;
  for (const TexStepList& list : program.lists) {
    const int32_t count = std::clamp<int32_t>(list.stepCount, 0, kTexMaxSteps);
    for (int32_t i = 0; i < count; ++i) {
      runTexStep(list.opcodes[static_cast<size_t>(i)], list.params[static_cast<size_t>(i)]);
      if (progress) std::fprintf(stderr, "\rstep %d of %d", ++done, total);
    }
  }
  if (progress && total > 0) std::fprintf(stderr, "\n");

  std::string error;
  if (!makeOutputFolder(outPath, error)) {
    releaseGeneratedTexture();
    return cannot(error);
  }
  PngImage image;
  image.width = texGenerator.width;
  image.height = texGenerator.height;
  image.channels = 3;
  const uint8_t* layer = texLayer(kTexOutputLayer);
  image.pixels.assign(layer, layer + static_cast<size_t>(image.width) * image.height * 3);
  releaseGeneratedTexture();
  if (!writePng(outPath, image, error)) return cannot(error);
  return 0;
}

int runProgram(const Invocation& call) {
  const std::string& sizeText = call.argument(1);
  const auto size = parseInteger(sizeText);
  if (!size || *size < 1 || *size > kTexMaxSize || (*size & (*size - 1)) != 0) {
    return cli::usageError(call, "SIZE is a power of two from 1 to " + std::to_string(kTexMaxSize) + ", not \"" +
                                     sizeText + "\"");
  }
  return run(call.argument(0), *size, call.argument(2));
}

int listOperations(const Invocation&) {
  for (const TexOperationInfo& op : texOperations()) {
    std::string params;
    for (const char* p : op.params) params += std::string(params.empty() ? "" : " ") + p;
    std::printf("%d\t%s\t%s\t%s\n", op.opcode, op.name, params.c_str(), op.summary);
  }
  return 0;
}

}  // namespace

std::vector<Command> texCommands() {
  return {
      {"tex asm", "SOURCE OUT.TEX", 2, 2, {},
       "A texture program from its text form (docs/texture-programs.md) to the engine's 22,020-byte file.",
       [](const Invocation& call) { return assemble(call.argument(0), call.argument(1)); }},
      {"tex disasm", "FILE.TEX", 1, 1, {}, "A texture program as text.",
       [](const Invocation& call) { return disassemble(call.argument(0)); }},
      {"tex run", "FILE.TEX SIZE OUT.png", 3, 3, {},
       "Layer 4 after running the program at SIZE x SIZE (a power of two up to 4096), seed 0.", runProgram},
      {"tex ops", "", 0, 0, {}, "The operations: opcode, name, parameters, what it does.", listOperations},
  };
}

}  // namespace glorbe::tools
