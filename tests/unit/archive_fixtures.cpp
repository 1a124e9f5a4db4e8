#include "archive_fixtures.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "archive/archive.h"

namespace glorbe::testing {

namespace {

std::string quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

bool runShell(const std::filesystem::path& dir, const std::string& command) {
  const std::string line = "cd " + quoted(dir.string()) + " && " + command;
  return std::system(line.c_str()) == 0;
}

bool runPython(const std::filesystem::path& dir, const std::string& program) {
  const auto script = dir / ".program.py";
  std::ofstream(script) << program;
  const bool ok = runShell(dir, "python3 " + quoted(script.string()));
  std::filesystem::remove(script);
  return ok;
}

std::string readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

FreshArchiveState::FreshArchiveState() {
  resetArchives();
  resetLoadBuffer();
  allocateLoadBuffer();
}

FreshArchiveState::~FreshArchiveState() {
  resetArchives();
  resetLoadBuffer();
}

std::string sampleText(size_t length, unsigned seed) {
  static const char* words[] = {"OBJ", "SCENE", "LIGHT", "=", "0.25", "CAMERA", "TEXTURE", "[MATERIALS]", "ambient",
                                "diffuse", "specular", "1", "-4.5", "MODEL.3DS", "//", "halo", "flex", "terrain"};
  std::string out;
  out.reserve(length + 32);
  uint32_t state = seed * 2654435761u + 1;
  while (out.size() < length) {
    state = state * 1664525u + 1013904223u;
    const uint32_t pick = state >> 16;
    if (pick % 11 == 0) {
      out += "\r\n";
    } else if (pick % 7 == 0) {
      out += std::to_string(pick % 100000);
      out += ' ';
    } else {
      out += words[pick % (sizeof(words) / sizeof(words[0]))];
      out += pick % 3 ? ' ' : ',';
    }
  }
  out.resize(length);
  return out;
}

}  // namespace glorbe::testing
