#include "glorbe_tool/content_lookup.h"

#include <cstdio>

#include "archive/archive.h"
#include "archive/load_buffer.h"
#include "core/core.h"

namespace glorbe::tools {

std::string jsonString(const std::string& s) {
  std::string out = "\"";
  for (char ch : s) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20 || c >= 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

const cli::Option kArchiveOption{"archive", "ARCHIVE", "the archive to look in (default velk.dat in this folder)"};

ArchiveChoice archiveChoice(const cli::Invocation& call) {
  const auto named = call.value("archive");
  return ArchiveChoice{named.value_or(kArchiveFile), named.has_value()};
}

int findContentFile(const std::string& name, const std::string& archivePath, bool archiveNamed, int64_t& length) {
  resetArchives();
  if (openArchive(archivePath, false) == nullptr && archiveNamed) {
    std::fprintf(stderr, "glorbe-tool: cannot open %s\n", archivePath.c_str());
    return 1;
  }
  ArchiveFile probe;
  assign(probe, name);
  open(probe, 1);
  if (archiveStatus() != kStatusOk) {
    std::fprintf(stderr, "glorbe-tool: %s is neither on disk nor in %s\n", name.c_str(), archivePath.c_str());
    return 1;
  }
  length = size(probe);
  close(probe);
  if (length > kLoadBufferSize) {
    std::fprintf(stderr, "glorbe-tool: %s is %lld bytes; the engine loads at most %d\n", name.c_str(),
                 static_cast<long long>(length), kLoadBufferSize);
    return 1;
  }
  return 0;
}

}  // namespace glorbe::tools
