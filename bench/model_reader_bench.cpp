// Reading a 20,000-face model from memory: our reader (normals and boxes
// included) against lib3ds reading the same bytes through memory callbacks.
// The goal: ours at least as fast, in one pass, allocating only the arrays
// the scene keeps.
#include <benchmark/benchmark.h>
#include <lib3ds/file.h>
#include <lib3ds/io.h>
#include <lib3ds/mesh.h>

#include <cmath>
#include <cstring>
#include <string>

#include "geometry/model_reader.h"
#include "models/chunk_writer.h"

namespace {

using glorbe::tools::ChunkWriter;

// A wavy 100 x 100 grid: 10,201 vertices, 20,000 faces, mapping, local axes,
// a keyframer node.
std::string modelBytes() {
  constexpr int kSide = 100;
  ChunkWriter w;
  w.begin(0x4D4D);
  w.begin(0x0002);
  w.u32(3);
  w.end();
  w.begin(0x3D3D);
  w.begin(0x4000);
  w.name("SURFACE");
  w.begin(0x4100);
  w.begin(0x4110);
  w.u16((kSide + 1) * (kSide + 1));
  for (int j = 0; j <= kSide; ++j) {
    for (int i = 0; i <= kSide; ++i) {
      w.vec(static_cast<float>(i), static_cast<float>(j), std::sin(i * 0.2f) * std::cos(j * 0.3f));
    }
  }
  w.end();
  w.begin(0x4140);
  w.u16((kSide + 1) * (kSide + 1));
  for (int j = 0; j <= kSide; ++j) {
    for (int i = 0; i <= kSide; ++i) {
      w.f32(static_cast<float>(i) / kSide);
      w.f32(static_cast<float>(j) / kSide);
    }
  }
  w.end();
  w.begin(0x4160);
  for (int k = 0; k < 12; ++k) w.f32(k % 4 == 0 ? 1.0f : 0.0f);
  w.end();
  w.begin(0x4120);
  w.u16(2 * kSide * kSide);
  for (int j = 0; j < kSide; ++j) {
    for (int i = 0; i < kSide; ++i) {
      const uint32_t a = j * (kSide + 1) + i, b = a + 1, c = a + kSide + 2, d = a + kSide + 1;
      for (uint32_t v : {a, b, c, 7u, a, c, d, 7u}) w.u16(v);
    }
  }
  w.end();
  w.end();
  w.end();
  w.end();
  w.begin(0xB000);
  w.begin(0xB002);
  w.begin(0xB010);
  w.name("SURFACE");
  w.u16(0);
  w.u16(0);
  w.u16(0xFFFF);
  w.end();
  w.end();
  w.end();
  w.end();
  return w.bytes;
}

const std::string& bytes() {
  static const std::string b = modelBytes();
  return b;
}

void OurReader(benchmark::State& state) {
  const auto* data = reinterpret_cast<const uint8_t*>(bytes().data());
  for (auto _ : state) {
    glorbe::Scene scene;
    glorbe::initScene(scene, "SURFACE.3DS");
    glorbe::readModelData(data, bytes().size(), scene);
    if (scene.objects.size() != 1 || scene.objects[0].faceCount != 20000) state.SkipWithError("not read");
    benchmark::DoNotOptimize(scene.objects[0].normals.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes().size()));
}
BENCHMARK(OurReader)->Unit(benchmark::kMicrosecond);

struct Memory {
  const std::string* bytes;
  long pos = 0;
};

Lib3dsBool memoryError(void*) { return LIB3DS_FALSE; }
long memorySeek(void* self, long offset, Lib3dsIoSeek origin) {
  auto* m = static_cast<Memory*>(self);
  const long base = origin == LIB3DS_SEEK_SET ? 0 : origin == LIB3DS_SEEK_CUR ? m->pos : static_cast<long>(m->bytes->size());
  m->pos = base + offset;
  return 0;
}
long memoryTell(void* self) { return static_cast<Memory*>(self)->pos; }
size_t memoryRead(void* self, void* buffer, size_t size) {
  auto* m = static_cast<Memory*>(self);
  const long left = static_cast<long>(m->bytes->size()) - m->pos;
  const size_t n = left <= 0 ? 0 : std::min(size, static_cast<size_t>(left));
  std::memcpy(buffer, m->bytes->data() + m->pos, n);
  m->pos += static_cast<long>(n);
  return n;
}
size_t memoryWrite(void*, const void*, size_t) { return 0; }

void Lib3dsReader(benchmark::State& state) {
  for (auto _ : state) {
    Memory memory{&bytes()};
    Lib3dsIo* io = lib3ds_io_new(&memory, memoryError, memorySeek, memoryTell, memoryRead, memoryWrite);
    Lib3dsFile* file = lib3ds_file_new();
    lib3ds_file_read(file, io);
    if (file->meshes == nullptr || file->meshes->faces != 20000) state.SkipWithError("not read");
    benchmark::DoNotOptimize(file->meshes->faceL);
    lib3ds_file_free(file);
    lib3ds_io_free(io);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes().size()));
}
BENCHMARK(Lib3dsReader)->Unit(benchmark::kMicrosecond);

}  // namespace
