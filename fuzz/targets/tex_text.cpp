// The texture-program assembler (glorbe-tool tex asm): text to a program;
// what it accepts must disassemble and assemble again to the same program.
#include <string>

#include "fuzz_support.h"
#include "texprog/tex_text.h"
#include "textures/texture_generator.h"

using namespace glorbe;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::initialise();
  const std::string text(reinterpret_cast<const char*>(data), size);
  TexProgram program;
  std::string error;
  if (!tools::assembleTexProgram(text, "fuzz.txt", program, error)) {
    if (error.empty()) __builtin_trap();
    return 0;
  }
  const std::string listing = tools::disassembleTexProgram(program);
  TexProgram again;
  if (!tools::assembleTexProgram(listing, "disassembled", again, error) ||
      encodeTexProgram(again) != encodeTexProgram(program)) {
    std::fprintf(stderr, "%s\n%s\n", error.c_str(), listing.c_str());
    __builtin_trap();
  }
  return 0;
}
