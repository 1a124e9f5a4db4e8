// The scene scripts' line reader: cleaned lines, section headers and key
// lines split into values; and the raw line reader of the timeline file.
#include <vector>

#include "archive/load_buffer.h"
#include "fuzz_support.h"
#include "scripts/script_reader.h"

using namespace glorbe;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::resetEngineState();
  const std::string name = fuzz::writeInput("fuzz.ini", data, size);

  LoadedFile file;
  loadFile(file, name);
  std::string key;
  std::vector<std::string> values;
  for (;;) {
    bool isSection = false;
    const std::string text = nextLine(file, isSection);
    if (text.empty() && !isSection) break;
    if (!isSection && splitKeyLine(text, key, values) > static_cast<int>(kMaxKeyValues)) __builtin_trap();
  }
  releaseFile(file);

  loadFile(file, name);
  while (file.pos < file.end) {
    if (readRawLine(file).size() > kMaxLineLength) __builtin_trap();
  }
  releaseFile(file);
  return 0;
}
