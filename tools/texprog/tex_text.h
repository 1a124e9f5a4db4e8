// The text form of texture programs: one step per line, the operation's name
// and its parameters by name ("noise layer=0 cell=16 seed=7 range=256"),
// grouped into the five step lists by "list N" lines. The assembler turns it
// into the engine's 22,020-byte program, the disassembler turns a program
// back into text that assembles to the same steps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "textures/texture_generator.h"

namespace glorbe::tools {

struct TexOperationInfo {
  int32_t opcode;
  const char* name;
  std::vector<const char*> params;  // names of p0, p1, ... in order
  const char* summary;
};

// The twenty operations in opcode order.
const std::vector<TexOperationInfo>& texOperations();
const TexOperationInfo* findTexOperation(int32_t opcode);
const TexOperationInfo* findTexOperation(const std::string& name);

// Assembles the text; on failure gives false and "SOURCE:LINE: message".
bool assembleTexProgram(const std::string& text, const std::string& sourceName, TexProgram& program,
                        std::string& error);

// The program as text. Steps past a list's count are left out; a count
// outside 0..100 is noted in a comment and the steps the engine runs are listed.
std::string disassembleTexProgram(const TexProgram& program);

// A float in the shortest decimal form that reads back to the same value,
// or "bits:XXXXXXXX" for NaN and infinities.
std::string formatTexValue(float value);

}  // namespace glorbe::tools
