// The wavelet decoder keeps its working memory from one picture to the next.
// These pictures, made from a fixed random sequence, must decode to the same
// pixels as the decoder gave when every picture had fresh planes (the
// checksums were taken from that decoder), in any order and after pictures
// of other sizes.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "textures/image_decoder.h"

namespace glorbe {
namespace {

struct Picture {
  const char* what;
  int width, height, bits, levels;
  double cut = 1.0;       // the share of the file kept
  bool nanTable = false;  // a table entry that is no number
  uint64_t checksum;
};

// Streams of the format from mt19937 (fully specified), mostly zeros and
// short runs with signed magnitudes, as encoded pictures have them.
std::vector<uint8_t> makePicture(const Picture& p, uint32_t seed) {
  std::mt19937 random(seed);
  const int channels = p.bits == 24 ? 3 : 1;
  const uint32_t pixels = static_cast<uint32_t>(p.width * p.height);
  ImageHeader h;
  h.width = static_cast<uint16_t>(p.width);
  h.height = static_cast<uint16_t>(p.height);
  h.bitsPerPixel = static_cast<uint8_t>(p.bits);
  h.levels = static_cast<uint8_t>(p.levels);
  std::vector<std::vector<uint8_t>> symbols(channels);
  std::vector<std::vector<uint32_t>> values(channels);
  for (int c = 0; c < channels; ++c) {
    const int valueBits = 3 + c * 2;
    h.valueBits[c] = static_cast<uint8_t>(valueBits);
    uint32_t covered = 0;
    while (covered < pixels) {
      const uint32_t r = random() % 100;
      if (r < 50) {
        symbols[c].push_back(0);
        covered += 1;
      } else if (r < 65) {
        const uint32_t high = random() % 2, low = random() % (1u << valueBits);
        symbols[c].push_back(1);
        symbols[c].push_back(static_cast<uint8_t>(high));
        values[c].push_back(low);
        covered += (high << valueBits) + low + 1;
      } else {
        symbols[c].push_back(r < 83 ? 2 : 3);
        values[c].push_back(random() % (1u << valueBits));
        covered += 1;
      }
    }
    h.symbolCount[c] = static_cast<uint32_t>(symbols[c].size());
    h.valueCount[c] = static_cast<uint32_t>(values[c].size());
  }
  std::vector<uint8_t> file(kImageHeaderSize);
  writeImageHeader(h, file.data());
  for (int c = 0; c < channels; ++c) {
    for (int i = 0; i < p.levels + 2; ++i) {
      double entry = 0.02 + 0.05 * i + 0.01 * c;
      if (i == p.levels + 1) entry = 0.015;
      if (p.nanTable && c == 0 && i == 1) entry = std::numeric_limits<double>::quiet_NaN();
      const uint64_t b = std::bit_cast<uint64_t>(entry);
      for (int k = 0; k < 8; ++k) file.push_back(static_cast<uint8_t>(b >> (8 * k)));
    }
  }
  for (int c = 0; c < channels; ++c) {
    const size_t s0 = file.size();
    file.resize(s0 + (symbols[c].size() + 3) / 4);
    for (size_t i = 0; i < symbols[c].size(); ++i)
      file[s0 + i / 4] |= static_cast<uint8_t>(symbols[c][i] << (2 * (i % 4)));
    const size_t v0 = file.size();
    const int valueBits = h.valueBits[c];
    file.resize(v0 + (values[c].size() * valueBits + 7) / 8);
    size_t bit = 0;
    for (uint32_t v : values[c])
      for (int b = 0; b < valueBits; ++b, ++bit)
        if (v >> b & 1) file[v0 + bit / 8] |= static_cast<uint8_t>(1 << (bit % 8));
  }
  file.resize(static_cast<size_t>(static_cast<double>(file.size()) * p.cut));
  return file;
}

uint64_t fnv1a(const std::vector<uint8_t>& bytes) {
  uint64_t hash = 14695981039346656037ull;
  for (uint8_t b : bytes) hash = (hash ^ b) * 1099511628211ull;
  return hash;
}

const Picture kPictures[] = {
    {"colour 512 x 512, 6 steps", 512, 512, 24, 5, 1.0, false, 17775143130600471673ull},
    {"grey 256 x 128, 4 steps", 256, 128, 8, 3, 1.0, false, 10147932468490490653ull},
    {"colour 64 x 64, 1 step", 64, 64, 24, 0, 1.0, false, 16911715491165657585ull},
    {"grey 96 x 40, odd halves", 96, 40, 8, 2, 1.0, false, 13154826855244084316ull},
    {"colour cut at 60 %", 128, 128, 24, 3, 0.6, false, 14283191998035246492ull},
    {"grey with a table entry that is no number", 64, 32, 8, 2, 1.0, true, 2937223237197546277ull},
    {"grey 1 x 1", 1, 1, 8, 0, 1.0, false, 12638153115695167455ull},
    {"colour 1024 x 512, 7 steps", 1024, 512, 24, 6, 1.0, false, 15125583049788940949ull},
};

TEST(ImageDecodeReuse, PixelsAreThoseOfFreshPlanesInAnyOrder) {
  std::vector<std::vector<uint8_t>> files;
  for (size_t i = 0; i < std::size(kPictures); ++i) files.push_back(makePicture(kPictures[i], 1000 + i));
  // Forward, backward, and each picture twice in a row: what one picture
  // leaves in the working memory never reaches the next.
  std::vector<size_t> order;
  for (size_t i = 0; i < files.size(); ++i) order.push_back(i);
  for (size_t i = files.size(); i-- > 0;) order.insert(order.end(), {i, i});
  std::vector<uint8_t> pixels;
  ImageHeader header;
  for (size_t i : order) {
    ASSERT_EQ(decodeImage(pixels, header, files[i].data(), files[i].size()), ImageStatus::decoded) << kPictures[i].what;
    EXPECT_EQ(fnv1a(pixels), kPictures[i].checksum) << kPictures[i].what;
  }
  releaseImageWorkspace();
  ASSERT_EQ(decodeImage(pixels, header, files[0].data(), files[0].size()), ImageStatus::decoded);
  EXPECT_EQ(fnv1a(pixels), kPictures[0].checksum) << "after the working memory was given back";
}

}  // namespace
}  // namespace glorbe
