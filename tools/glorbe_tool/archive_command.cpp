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

int listArchive(const Invocation& call) {
  const std::string& path = call.argument(0);
  resetArchives();
  if (!registerArchive(path)) return 1;
  const int32_t status = archiveStatus();
  for (const ArchiveEntry& e : archiveDirectory.archives.back()->entries) {
    std::printf("%s\t%d\t%u\t%u\t%zu\n", e.name.c_str(), e.method, e.compressedSize, e.uncompressedSize,
                e.seekPoints.size());
  }
  std::printf("status %d\n", status);
  // A damaged archive (or no archive at all) is listed as far as it goes, and fails.
  if (status != kStatusOk) {
    std::fflush(stdout);
    std::fprintf(stderr, "glorbe-tool: %s is %s (status %d)\n", path.c_str(),
                 archiveDirectory.archives.back()->entries.empty() ? "not an archive the player can read"
                                                                   : "damaged; the entries above are what the player registers",
                 status);
    return 1;
  }
  return 0;
}

int catEntry(const Invocation& call) {
  const std::string& path = call.argument(0);
  const std::string& name = call.argument(1);
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

int pack(const Invocation& call) {
  PackOptions options;
  options.store = call.has("store");
  if (const auto every = call.value("seek-every")) {
    const auto v = parseInteger(*every);
    if (!v || *v < 1) return cli::usageError(call, "--seek-every takes a positive number of bytes, not \"" + *every + "\"");
    options.seekEvery = static_cast<uint32_t>(*v);
  }
  if (const auto cache = call.value("cache")) options.cacheFolder = *cache;
  if (options.store && options.seekEvery > 0) {
    std::fprintf(stderr, "glorbe-tool: warning: stored entries need no seek points; --seek-every is ignored\n");
  }
  const std::string& archive = call.argument(0);
  std::string error;
  if (!makeOutputFolder(archive, error)) return cli::failure(call, error);
  PackReport report;
  const bool ok = packFolder(archive, call.argument(1), options, report, error);
  for (const std::string& w : report.warnings) std::fprintf(stderr, "glorbe-tool: warning: %s\n", w.c_str());
  if (!ok) return cli::failure(call, error);
  std::fprintf(stderr, "glorbe-tool: %zu files, %llu bytes, %zu seek points in %s\n", report.files,
               static_cast<unsigned long long>(report.archiveBytes), report.seekPoints, archive.c_str());
  return 0;
}

}  // namespace

std::vector<Command> archiveCommands() {
  return {
      {"archive list", "ARCHIVE", 1, 1, {},
       "The entries as the engine registers them, then \"status N\".\n"
       "One tab-separated line each: name, method (0 stored, 8 deflated), compressed and uncompressed\n"
       "size, seek points. Exit code 1 when the status is not 0 (a damaged archive, or none).",
       listArchive},
      {"archive cat", "ARCHIVE NAME", 2, 2, {},
       "NAME's bytes on standard output through the engine's file layer.\n"
       "A file on disk first, then the entry, with \\ or / and any letter case.",
       catEntry},
      {"archive pack", "ARCHIVE DIR", 2, 2,
       {{"store", nullptr, "store every file as it is (no deflate)"},
        {"seek-every", "BYTES", "seek points about every BYTES of decoded data"},
        {"cache", "DIR", "keep deflated files in DIR and reuse them when a file is packed again unchanged"}},
       "Every file below DIR in a ZIP archive that the player reads.\n"
       "Files are named by their path relative to DIR and deflated unless --store (a file that deflate\n"
       "would not shrink is stored).",
       pack},
  };
}

}  // namespace glorbe::tools
