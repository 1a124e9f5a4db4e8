// Decoding a 512 x 512 colour wavelet image against libpng decoding the same
// picture stored as a PNG, both from memory. The goal: the wavelet decoder
// no slower than libpng. A grey picture is measured beside them.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include <unistd.h>

#include "art/art_generators.h"
#include "image_codec/hwl_encoder.h"
#include "textures/image_decoder.h"

namespace {

using glorbe::tools::PngImage;

struct Encoded {
  std::vector<uint8_t> hwl;
  std::vector<uint8_t> png;
};

Encoded encodePicture(const char* kind, int size = 512) {
  PngImage picture;
  std::string error;
  Encoded out;
  if (!glorbe::tools::makeArt(kind, size, size, "", picture, error) ||
      !glorbe::tools::encodeHwl(picture, {}, out.hwl, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::abort();
  }
  const std::string path = "/tmp/glorbe-bench-" + std::to_string(getpid()) + ".png";
  if (!glorbe::tools::writePng(path, picture, error)) std::abort();
  std::ifstream in(path, std::ios::binary);
  out.png.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  std::remove(path.c_str());
  return out;
}

const Encoded& colour() {
  static const Encoded e = encodePicture("nebula");
  return e;
}

const Encoded& grey() {
  static const Encoded e = encodePicture("flare");
  return e;
}

const Encoded& colourLarge() {
  static const Encoded e = encodePicture("nebula", 2048);
  return e;
}

void decodeHwl(benchmark::State& state, const Encoded& e, int size = 512) {
  std::vector<uint8_t> pixels;
  glorbe::ImageHeader header;
  for (auto _ : state) {
    if (glorbe::decodeImage(pixels, header, e.hwl.data(), e.hwl.size()) != glorbe::ImageStatus::decoded) std::abort();
    benchmark::DoNotOptimize(pixels.data());
  }
  state.counters["file_bytes"] = double(e.hwl.size());
  state.SetItemsProcessed(int64_t(state.iterations()) * size * size);
}

void decodePng(benchmark::State& state, const Encoded& e, png_uint_32 format) {
  std::vector<uint8_t> pixels;
  for (auto _ : state) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, e.png.data(), e.png.size())) std::abort();
    image.format = format;
    pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) std::abort();
    benchmark::DoNotOptimize(pixels.data());
  }
  state.counters["file_bytes"] = double(e.png.size());
  state.SetItemsProcessed(int64_t(state.iterations()) * 512 * 512);
}

void BM_HwlColour512(benchmark::State& state) { decodeHwl(state, colour()); }
void BM_PngColour512(benchmark::State& state) { decodePng(state, colour(), PNG_FORMAT_RGB); }
void BM_HwlGrey512(benchmark::State& state) { decodeHwl(state, grey()); }
void BM_PngGrey512(benchmark::State& state) { decodePng(state, grey(), PNG_FORMAT_GRAY); }

// A loading phase decodes picture after picture: the decoder's working
// planes are kept between them (a 2048 x 2048 colour picture needs 96 MB).
void BM_HwlColour2048(benchmark::State& state) { decodeHwl(state, colourLarge(), 2048); }

BENCHMARK(BM_HwlColour512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HwlColour2048)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngColour512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HwlGrey512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngGrey512)->Unit(benchmark::kMillisecond);

}  // namespace
