// glorbe-tool archive: lists, reads and packs data archives the way the
// engine registers and reads them.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "archive/archive.h"
#include "glorbe_tool/commands.h"
#include "packer/zip_writer.h"
#include "scripts/number_conversion.h"

namespace glorbe::tools {

namespace {

bool registerArchive(const std::string& path) {
  if (openArchive(path, false) != nullptr) return true;
  std::fprintf(stderr, "glorbe-tool: cannot open %s: %s\n", path.c_str(), std::strerror(archiveStatus()));
  return false;
}

int listArchive(const std::string& path) {
  resetArchives();
  if (!registerArchive(path)) return 1;
  const int32_t status = archiveStatus();
  for (const ArchiveEntry& e : archiveDirectory.archives.back()->entries) {
    std::printf("%s\t%d\t%u\t%u\t%zu\n", e.name.c_str(), e.method, e.compressedSize, e.uncompressedSize,
                e.seekPoints.size());
  }
  std::printf("status %d\n", status);
  return 0;
}

int catEntry(const std::string& path, const std::string& name) {
  resetArchives();
  if (!registerArchive(path)) return 1;
  ArchiveFile f;
  assign(f, name);
  open(f, 1);
  if (archiveStatus() != kStatusOk) {
    std::fprintf(stderr, "glorbe-tool: %s is neither on disk nor in %s\n", name.c_str(), path.c_str());
    return 1;
  }
  // A damaged entry may claim gigabytes its data cannot hold: the buffer
  // takes only what the data can give.
  const int64_t length = size(f);
  const int64_t room =
      f.entry != nullptr ? std::min<int64_t>(length, static_cast<int64_t>(entryDataLimit(*f.entry))) : length;
  std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[static_cast<size_t>(std::max<int64_t>(room, 1))]);
  if (!bytes) {
    std::fprintf(stderr, "glorbe-tool: %s: no memory for %lld bytes\n", name.c_str(), static_cast<long long>(room));
    close(f);
    return 1;
  }
  const int64_t got = read(f, bytes.get(), room);
  const int32_t status = archiveStatus();
  close(f);
  std::fwrite(bytes.get(), 1, static_cast<size_t>(got), stdout);
  if (std::fflush(stdout) != 0) {
    std::fprintf(stderr, "glorbe-tool: cannot write standard output\n");
    return 1;
  }
  if (status != kStatusOk || got != length) {
    std::fprintf(stderr, "glorbe-tool: %s: only %lld of %lld bytes could be read (status %d)\n", name.c_str(),
                 static_cast<long long>(got), static_cast<long long>(length), status);
    return 1;
  }
  return 0;
}

}  // namespace

int runArchiveCommand(const Args& args) {
  const ToolCommand& self = findToolCommand("archive");
  if (args.empty()) return usageError(self, "expected: list, cat or pack");
  if (args[0] == "list") {
    if (args.size() != 2) return usageError(self, "expected: list ARCHIVE");
    return listArchive(args[1]);
  }
  if (args[0] == "cat") {
    if (args.size() != 3) return usageError(self, "expected: cat ARCHIVE NAME");
    return catEntry(args[1], args[2]);
  }
  if (args[0] != "pack") return usageError(self, "unknown subcommand " + args[0]);
  if (args.size() < 3) return usageError(self, "expected: pack ARCHIVE DIR");
  PackOptions options;
  for (size_t i = 3; i < args.size(); ++i) {
    if (args[i] == "--store") {
      options.store = true;
    } else if (args[i] == "--seek-every" && i + 1 < args.size()) {
      const auto every = parseInteger(args[++i]);
      if (!every || *every < 1) return usageError(self, "--seek-every takes a positive number of bytes");
      options.seekEvery = static_cast<uint32_t>(*every);
    } else {
      return usageError(self, "unknown option " + args[i]);
    }
  }
  if (options.store && options.seekEvery > 0) {
    std::fprintf(stderr, "glorbe-tool: warning: stored entries need no seek points; --seek-every is ignored\n");
  }
  PackReport report;
  std::string error;
  const bool ok = packFolder(args[1], args[2], options, report, error);
  for (const std::string& w : report.warnings) std::fprintf(stderr, "glorbe-tool: warning: %s\n", w.c_str());
  if (!ok) {
    std::fprintf(stderr, "glorbe-tool: %s\n", error.c_str());
    return 1;
  }
  std::fprintf(stderr, "glorbe-tool: %zu files, %llu bytes, %zu seek points in %s\n", report.files,
               static_cast<unsigned long long>(report.archiveBytes), report.seekPoints, args[1].c_str());
  return 0;
}

}  // namespace glorbe::tools
