// loadFile of a 500,000-byte deflated archive entry against zlib's own
// inflate of the same compressed bytes from memory. The goal: loadFile at
// least 0.9 of zlib's throughput (the read path adds no copy beyond the one
// into the load buffer).
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/load_buffer.h"
#include "packer/zip_writer.h"

namespace {

constexpr size_t kEntrySize = 500000;

// Script-like text: words, numbers and line ends from a fixed generator.
std::vector<uint8_t> sampleContent() {
  static const char* words[] = {"OBJ", "SCENE", "LIGHT", "=", "0.25", "CAMERA", "TEXTURE", "[MATERIALS]",
                                "ambient", "diffuse", "MODEL.3DS", "halo", "flex", "terrain", "-4.5", ","};
  std::string out;
  uint32_t state = 12345;
  while (out.size() < kEntrySize) {
    state = state * 1664525u + 1013904223u;
    const uint32_t pick = state >> 16;
    if (pick % 9 == 0) out += "\r\n";
    else if (pick % 5 == 0) out += std::to_string(pick % 100000) + " ";
    else out += std::string(words[pick % 16]) + " ";
  }
  out.resize(kEntrySize);
  return std::vector<uint8_t>(out.begin(), out.end());
}

struct Fixture {
  std::vector<uint8_t> data = sampleContent();
  std::vector<uint8_t> compressed;
  std::filesystem::path archivePath = std::filesystem::temp_directory_path() / "glorbe-bench-load-file.dat";

  Fixture() {
    std::vector<uint8_t> archive;
    glorbe::tools::PackReport report;
    std::string error;
    glorbe::tools::buildArchive({glorbe::tools::PackedEntry{"scripts/bench.ini", data, 0}}, {}, archive, report, error);
    std::ofstream(archivePath, std::ios::binary).write(reinterpret_cast<const char*>(archive.data()),
                                                       static_cast<std::streamsize>(archive.size()));
    glorbe::resetArchives();
    glorbe::Archive* a = glorbe::openArchive(archivePath.string(), false);
    const glorbe::ArchiveEntry& e = a->entries.at(0);
    compressed.assign(archive.begin() + e.dataOffset, archive.begin() + e.dataOffset + e.compressedSize);
    glorbe::allocateLoadBuffer();
  }
  ~Fixture() { std::filesystem::remove(archivePath); }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void BM_LoadFileDeflated(benchmark::State& state) {
  Fixture& f = fixture();
  glorbe::LoadedFile file;
  for (auto _ : state) {
    glorbe::loadFile(file, "SCRIPTS\\BENCH.INI");
    benchmark::DoNotOptimize(glorbe::loadBufferData());
    glorbe::releaseFile(file);
  }
  if (file.end - file.pos != static_cast<int32_t>(kEntrySize) ||
      !std::equal(f.data.begin(), f.data.end(), glorbe::loadBufferData())) {
    state.SkipWithError("loadFile did not give the entry's bytes");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kEntrySize));
  state.counters["ratio"] = static_cast<double>(f.compressed.size()) / kEntrySize;
}
BENCHMARK(BM_LoadFileDeflated)->Unit(benchmark::kMicrosecond);

void BM_ZlibInflateFromMemory(benchmark::State& state) {
  Fixture& f = fixture();
  std::vector<uint8_t> out(kEntrySize);
  for (auto _ : state) {
    z_stream z{};
    inflateInit2(&z, -MAX_WBITS);
    z.next_in = f.compressed.data();
    z.avail_in = static_cast<uInt>(f.compressed.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    if (inflate(&z, Z_FINISH) != Z_STREAM_END) state.SkipWithError("zlib failed");
    inflateEnd(&z);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kEntrySize));
}
BENCHMARK(BM_ZlibInflateFromMemory)->Unit(benchmark::kMicrosecond);

}  // namespace
