// The archive packer: every file below a folder in a ZIP archive that the
// engine and standard zip readers both read, optionally with a seek-point
// index in the archive comment.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace glorbe::tools {

struct PackOptions {
  bool store = false;      // no compression
  uint32_t seekEvery = 0;  // decoded bytes between seek points; 0 for none
  // A folder that keeps each file's deflated bytes by its content, so that
  // packing again after one file changed deflates that file alone. The
  // archive's bytes are the same with or without it. Empty: no cache.
  std::string cacheFolder;
};

struct PackedEntry {
  std::string name;  // relative path with "/"
  std::vector<uint8_t> data;
  uint32_t dosDateTime = 0;
};

struct PackReport {
  size_t files = 0;
  size_t seekPoints = 0;
  uint64_t archiveBytes = 0;
  std::vector<std::string> warnings;
};

// Every regular file below `folder`, sorted by name (the archive itself is left out).
bool collectFiles(const std::string& folder, const std::string& archivePath, std::vector<PackedEntry>& files,
                  std::string& error);

// The archive bytes for the given entries.
bool buildArchive(const std::vector<PackedEntry>& files, const PackOptions& options, std::vector<uint8_t>& archive,
                  PackReport& report, std::string& error);

// Collects, builds and writes the archive (through a temporary file, so a
// failure leaves an existing archive as it was).
bool packFolder(const std::string& archivePath, const std::string& folder, const PackOptions& options,
                PackReport& report, std::string& error);

}  // namespace glorbe::tools
