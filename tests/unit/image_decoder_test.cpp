// The wavelet image decoder on hand-made files: stream expansion, bands,
// the inverse transform with its smoothing, colour, clamping, and files that
// lie about themselves.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <tuple>

#include "archive/load_buffer.h"
#include "archive_fixtures.h"
#include "textures/image_decoder.h"

namespace glorbe {
namespace {

constexpr double k = kWaveletScale;

struct TestChannel {
  std::vector<double> table;
  std::vector<uint8_t> symbols;
  std::vector<uint32_t> values;
  int valueBits = 8;
};

// A file of the format, streams packed as the format lays them out.
std::vector<uint8_t> makeFile(int width, int height, int bits, int levels, const std::vector<TestChannel>& channels) {
  ImageHeader h;
  h.width = static_cast<uint16_t>(width);
  h.height = static_cast<uint16_t>(height);
  h.bitsPerPixel = static_cast<uint8_t>(bits);
  h.levels = static_cast<uint8_t>(levels);
  for (size_t c = 0; c < channels.size(); ++c) {
    h.symbolCount[c] = static_cast<uint32_t>(channels[c].symbols.size());
    h.valueCount[c] = static_cast<uint32_t>(channels[c].values.size());
    h.valueBits[c] = static_cast<uint8_t>(channels[c].valueBits);
  }
  std::vector<uint8_t> file(kImageHeaderSize);
  writeImageHeader(h, file.data());
  for (const TestChannel& ch : channels) {
    for (double t : ch.table) {
      const uint64_t b = std::bit_cast<uint64_t>(t);
      for (int i = 0; i < 8; ++i) file.push_back(static_cast<uint8_t>(b >> (8 * i)));
    }
  }
  for (const TestChannel& ch : channels) {
    const size_t s0 = file.size();
    file.resize(s0 + (ch.symbols.size() + 3) / 4);
    for (size_t i = 0; i < ch.symbols.size(); ++i) file[s0 + i / 4] |= static_cast<uint8_t>(ch.symbols[i] << (2 * (i % 4)));
    const size_t v0 = file.size();
    file.resize(v0 + (ch.values.size() * ch.valueBits + 7) / 8);
    size_t bit = 0;
    for (uint32_t v : ch.values)
      for (int b = 0; b < ch.valueBits; ++b, ++bit)
        if (v >> b & 1) file[v0 + bit / 8] |= static_cast<uint8_t>(1 << (bit % 8));
  }
  return file;
}

// Expands streams given as raw bytes into a plane pre-filled with a marker.
std::vector<int32_t> expand(const std::vector<uint8_t>& symbols, uint32_t symbolCount, const std::vector<uint8_t>& values,
                            uint32_t valueCount, int bits, size_t planeSize) {
  std::vector<int32_t> plane(planeSize, 7777);
  expandImageStreams(symbols.data(), symbols.size(), symbolCount, values.data(), values.size(), valueCount, bits, plane);
  return plane;
}

TEST(ImageStreams, SymbolsRunsSignsAndPackedMagnitudes) {
  // Symbols 2, 3, 0, 1 (run: high part 2, magnitude 5 of 4 bits), 2: +9, -4, 0,
  // then (2 << 4) + 5 + 1 = 38 zeros, then +1.
  const std::vector<uint8_t> symbols = {0b01001110, 0b00001010};
  const std::vector<uint8_t> values = {0x49, 0x15};  // 9, 4, 5, 1 in four bits each
  const auto plane = expand(symbols, 6, values, 4, 4, 50);
  EXPECT_EQ(plane[0], 9);
  EXPECT_EQ(plane[1], -4);
  EXPECT_EQ(plane[2], 0);
  for (int i = 3; i < 41; ++i) ASSERT_EQ(plane[i], 0) << i;
  EXPECT_EQ(plane[41], 1);
  EXPECT_EQ(plane[42], 7777) << "coefficients after the streams are left alone";

  // Three-bit magnitudes 1, 2, 3: 1 in bits 0-2, 2 in bits 3-5, the low two
  // bits of 3 in bits 6-7 and its high bit in bit 0 of the next byte.
  const auto packed = expand({0b101010}, 3, {0b11010001, 0b0}, 3, 3, 3);
  EXPECT_EQ(packed, (std::vector<int32_t>{1, 2, 3}));
  // Eight-bit magnitudes are whole bytes.
  EXPECT_EQ(expand({0b1110}, 2, {200, 255}, 2, 8, 2), (std::vector<int32_t>{200, -255}));
}

TEST(ImageStreams, EndsSafelyWhenStreamsOrPlaneRunOut) {
  // A run longer than the plane fills it and stops.
  auto plane = expand({0b1101}, 2, {255}, 1, 8, 100);
  for (int32_t v : plane) EXPECT_EQ(v, 0);
  // A run whose high part is missing writes nothing.
  EXPECT_EQ(expand({0b01}, 1, {3}, 1, 8, 4)[0], 7777);
  // Counts larger than the bytes given: only what is there is read.
  plane = expand({0b1010}, 0xFFFFFFFFu, {6}, 0xFFFFFFFFu, 8, 8);
  EXPECT_EQ(plane[0], 6);
  EXPECT_EQ(plane[1], 7777) << "the magnitudes ran out after one";
  // A magnitude cut off by the end of its bytes is not there.
  plane = expand({0b1010}, 2, {0xFF}, 2, 5, 4);
  EXPECT_EQ(plane[0], 31);
  EXPECT_EQ(plane[1], 7777);
  // Zero-bit magnitudes need no bytes and are all 0.
  EXPECT_EQ(expand({0b0010}, 2, {}, 2, 0, 2), (std::vector<int32_t>{0, 0}));
  // Magnitudes wider than a byte cannot be stored: nothing is expanded.
  EXPECT_EQ(expand({0b10}, 1, {1, 1}, 1, 9, 1)[0], 7777);
}

TEST(ImageBands, EachCoefficientGetsItsLevelsFactor) {
  // 4 x 4, L = 1: level 0 details (factor 2), level 1 details (3), approximation (5).
  const std::vector<int32_t> ones(16, 1);
  std::vector<double> plane(16, -1);
  const std::vector<double> table = {0.5, 1.0 / 3, 0.2};
  dequantiseImagePlane(ones.data(), table.data(), 4, 4, 1, plane.data());
  const std::vector<double> factors = {5, 3, 2, 2,  //
                                       3, 3, 2, 2,  //
                                       2, 2, 2, 2,  //
                                       2, 2, 2, 2};
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(plane[i], factors[i], 1e-12) << i;
  // A table entry of 0 zeroes its whole band.
  const std::vector<double> zeroed = {0.5, 0.0, 0.2};
  dequantiseImagePlane(ones.data(), zeroed.data(), 4, 4, 1, plane.data());
  EXPECT_EQ(plane[1], 0.0);
  EXPECT_EQ(plane[4], 0.0);
  EXPECT_EQ(plane[5], 0.0);
  EXPECT_NEAR(plane[0], 5, 1e-12);
}

std::vector<double> inverse(std::vector<double> plane, int width, int height, int levels) {
  std::vector<double> result(plane.size(), -1.0);
  inverseImageTransform(plane.data(), result.data(), width, height, levels);
  return result;
}

TEST(ImageTransform, OneStepOnTwoByTwo) {
  // Columns first, then rows.
  const auto out = inverse({8, 2, 4, 0}, 2, 2, 0);
  EXPECT_NEAR(out[0], 7, 1e-12);
  EXPECT_NEAR(out[1], 5, 1e-12);
  EXPECT_NEAR(out[2], 3, 1e-12);
  EXPECT_NEAR(out[3], 1, 1e-12);
}

TEST(ImageTransform, ZeroDetailsAreSmoothedBetweenChangingApproximations) {
  // A column of 8: approximations 0, 100, 200, 300 over zero details. The
  // inner pairs lean toward their neighbours; the first and last do not.
  const std::vector<double> ramp = {0, 100, 200, 300, 0, 0, 0, 0};
  const std::vector<double> smoothed = {0, 0, 80 * k, 120 * k, 180 * k, 220 * k, 300 * k, 300 * k};
  auto out = inverse(ramp, 1, 8, 0);
  for (int i = 0; i < 8; ++i) EXPECT_DOUBLE_EQ(out[i], smoothed[i]) << "column, row " << i;
  // The same along a row.
  out = inverse(ramp, 8, 1, 0);
  for (int i = 0; i < 8; ++i) EXPECT_DOUBLE_EQ(out[i], smoothed[i]) << "row, column " << i;

  // A non-zero detail takes the plain rule and stops its neighbour leaning
  // toward it.
  out = inverse({0, 100, 200, 300, 0, 10, 0, 0}, 1, 8, 0);
  EXPECT_DOUBLE_EQ(out[2], 110 * k);
  EXPECT_DOUBLE_EQ(out[3], 90 * k);
  EXPECT_DOUBLE_EQ(out[4], 200 * k) << "its left detail is not zero";
  EXPECT_DOUBLE_EQ(out[5], 220 * k);

  // Equal approximations further on keep a value flat.
  out = inverse({0, 100, 200, 200, 0, 0, 0, 0}, 1, 8, 0);
  EXPECT_DOUBLE_EQ(out[2], 100 * k) << "a[2] equals a[3]";
  EXPECT_DOUBLE_EQ(out[3], 120 * k);
  EXPECT_DOUBLE_EQ(out[4], 200 * k);
  EXPECT_DOUBLE_EQ(out[5], 200 * k);

  // Below 6 rows there are no inner pairs: the plain rule only.
  out = inverse({0, 100, 0, 0}, 1, 4, 0);
  EXPECT_DOUBLE_EQ(out[1], 0.0);
  EXPECT_DOUBLE_EQ(out[2], 100 * k);
}

TEST(ImageTransform, CoarsestLevelFirstAndOddSizesPassThrough) {
  // 4 x 4, L = 1: the 2 x 2 corner is undone first (to 7, 5, 3, 1), then the
  // whole picture, whose details are all zero.
  std::vector<double> plane(16, 0.0);
  plane[0] = 8;
  plane[1] = 2;
  plane[4] = 4;
  const auto out = inverse(plane, 4, 4, 1);
  const double corner[2][2] = {{7, 5}, {3, 1}};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(out[r * 4 + c], corner[r / 2][c / 2] / 2, 1e-12) << r << "," << c;
  // A picture one row high has no room for the coarser step: only the last is made.
  const auto flat = inverse({4, 2, 1, 0}, 4, 1, 1);
  EXPECT_DOUBLE_EQ(flat[0], 5 * k);
  EXPECT_DOUBLE_EQ(flat[1], 3 * k);
  EXPECT_DOUBLE_EQ(flat[2], 2 * k);
  EXPECT_DOUBLE_EQ(flat[3], 2 * k);
  // An odd last row or column is undone only along itself; the corner value
  // passes through both passes.
  const auto odd = inverse({2, 0, 9, 0, 0, 9, 9, 9, 9}, 3, 3, 0);
  EXPECT_DOUBLE_EQ(odd[0], 2 * k * k);
  EXPECT_DOUBLE_EQ(odd[2], 18 * k);
  EXPECT_DOUBLE_EQ(odd[6], 18 * k);
  EXPECT_DOUBLE_EQ(odd[7], 0);
  EXPECT_DOUBLE_EQ(odd[8], 9);
}

// The inverse transform written out plainly, one value at a time, as the
// rule reads: the oracle for the decoder's two-at-a-time form.
void referenceLine(const std::vector<double>& a, const std::vector<double>& d, std::vector<double>& out) {
  const int half = static_cast<int>(a.size());
  for (int y = 0; y < half; ++y) {
    double even = (a[y] + d[y]) * k, odd = (a[y] - d[y]) * k;
    if (y >= 1 && y <= half - 2 && d[y] == 0.0) {
      even = d[y - 1] == 0.0 && a[y] != a[y + 1] && (y == half - 2 || a[y + 1] != a[y + 2])
                 ? (0.8 * a[y] + 0.2 * a[y - 1]) * k
                 : a[y] * k;
      odd = d[y + 1] == 0.0 && a[y - 1] != a[y] && (y == 1 || a[y - 2] != a[y - 1])
                ? (0.8 * a[y] + 0.2 * a[y + 1]) * k
                : a[y] * k;
    }
    out[2 * y] = even;
    out[2 * y + 1] = odd;
  }
}

void referenceInverse(std::vector<double>& p, int stride, int w, int h, int n) {
  if (n > 0) referenceInverse(p, stride, w / 2, h / 2, n - 1);
  if (w == 0 || h == 0) return;
  std::vector<double> t = p;
  for (int x = 0; x < w; ++x) {
    std::vector<double> a(h / 2), d(h / 2), out(2 * (h / 2));
    for (int y = 0; y < h / 2; ++y) {
      a[y] = p[y * stride + x];
      d[y] = p[(h / 2 + y) * stride + x];
    }
    referenceLine(a, d, out);
    for (int y = 0; y < 2 * (h / 2); ++y) t[y * stride + x] = out[y];
  }
  std::vector<double> t2 = t;
  for (int r = 0; r < h; ++r) {
    std::vector<double> a(w / 2), d(w / 2), out(2 * (w / 2));
    for (int x = 0; x < w / 2; ++x) {
      a[x] = t[r * stride + x];
      d[x] = t[r * stride + w / 2 + x];
    }
    referenceLine(a, d, out);
    for (int x = 0; x < 2 * (w / 2); ++x) t2[r * stride + x] = out[x];
  }
  for (int r = 0; r < h; ++r)
    for (int x = 0; x < w; ++x) p[r * stride + x] = t2[r * stride + x];
}

TEST(ImageTransform, MatchesTheRuleValueForValue) {
  std::mt19937 random(99);
  for (auto [w, h, levels] : {std::tuple{16, 16, 2}, {64, 32, 4}, {13, 7, 2}, {32, 64, 0}, {9, 40, 3}, {128, 6, 1}}) {
    std::vector<double> plane(size_t(w) * h);
    // Mostly zeros and a few repeated values, so that every condition of the
    // smoothing is met somewhere and missed somewhere.
    for (double& v : plane) v = random() % 3 == 0 ? double(int(random() % 5) - 2) * 7.5 : 0.0;
    std::vector<double> expected = plane;
    referenceInverse(expected, w, w, h, levels);
    const auto got = inverse(plane, w, h, levels);
    for (size_t i = 0; i < plane.size(); ++i) ASSERT_EQ(got[i], expected[i]) << w << "x" << h << " at " << i;
  }
}

ImageStatus decode(const std::vector<uint8_t>& file, std::vector<uint8_t>& pixels, ImageHeader& header) {
  return decodeImage(pixels, header, file.data(), file.size());
}

TEST(ImageDecode, GreyValuesAreClampedAndRoundedHalfToEven) {
  std::vector<uint8_t> pixels;
  ImageHeader header;
  // 1 x 1 pictures: the value is the coefficient over the table entry.
  auto grey = [&](uint8_t symbol, uint32_t value, double entry) {
    EXPECT_EQ(decode(makeFile(1, 1, 8, 0, {{{entry, 1.0}, {symbol}, {value}}}), pixels, header), ImageStatus::decoded);
    return pixels.at(0);
  };
  EXPECT_EQ(grey(2, 5, 2.0), 2) << "2.5 rounds to even";
  EXPECT_EQ(grey(2, 7, 2.0), 4) << "3.5 rounds to even";
  EXPECT_EQ(grey(2, 200, 0.5), 255) << "400 clamps";
  EXPECT_EQ(grey(3, 20, 1.0), 0) << "negative clamps";
  EXPECT_EQ(grey(2, 1, std::numeric_limits<double>::quiet_NaN()), 0) << "a NaN table entry gives black";
  EXPECT_EQ(grey(2, 1, 1e-300), 255) << "a huge factor saturates";

  // All-zero symbols: black, whatever the size.
  TestChannel zeros{{1, 1, 1}, std::vector<uint8_t>(64, 0), {1}, 8};
  ASSERT_EQ(decode(makeFile(8, 8, 8, 1, {zeros}), pixels, header), ImageStatus::decoded);
  ASSERT_EQ(pixels.size(), 64u);
  for (uint8_t p : pixels) EXPECT_EQ(p, 0);
}

TEST(ImageDecode, ColourIsConvertedToBlueGreenRed) {
  std::vector<uint8_t> pixels;
  ImageHeader header;
  auto colour = [&](int y, int u, int v) {
    auto channel = [](int value) {
      return TestChannel{{1.0, 1.0}, {static_cast<uint8_t>(value < 0 ? 3 : 2)}, {uint32_t(std::abs(value))}, 8};
    };
    EXPECT_EQ(decode(makeFile(1, 1, 24, 0, {channel(y), channel(u), channel(v)}), pixels, header),
              ImageStatus::decoded);
    return std::vector<int>(pixels.begin(), pixels.end());
  };
  EXPECT_EQ(colour(100, 0, 0), (std::vector<int>{100, 100, 100, 0}));
  // R = 122.805, B = 120.284, G = 84.622.
  EXPECT_EQ(colour(100, 10, 20), (std::vector<int>{120, 85, 123, 0}));
  // R = 31.585, B = 39.148, G = 146.133.
  EXPECT_EQ(colour(100, -30, -60), (std::vector<int>{39, 146, 32, 0}));
  // R = 114.025, B = 202.840, G = -95.78.
  EXPECT_EQ(colour(0, 100, 100), (std::vector<int>{203, 0, 114, 0}));
}

TEST(ImageDecode, HeaderFieldsAndSizes) {
  const auto file = makeFile(4, 2, 24, 0, {{{1, 2}, {2, 0, 3}, {7, 9}, 5}, {{1, 1}, {}, {}, 1}, {{1, 1}, {2}, {1}, 8}});
  ImageHeader header;
  ASSERT_TRUE(readImageHeader(file.data(), file.size(), header));
  EXPECT_EQ(header.width, 4);
  EXPECT_EQ(header.height, 2);
  EXPECT_EQ(header.bitsPerPixel, 24);
  EXPECT_EQ(header.symbolCount[0], 3u);
  EXPECT_EQ(header.valueCount[0], 2u);
  EXPECT_EQ(header.valueBits[0], 5);
  EXPECT_EQ(header.valueBits[2], 8);
  EXPECT_EQ(imageFileSize(header), file.size());
  std::vector<uint8_t> pixels;
  EXPECT_EQ(decode(file, pixels, header), ImageStatus::decoded);
  EXPECT_EQ(pixels.size(), 4u * 2 * 4);
}

TEST(ImageDecode, MalformedHeadersGiveNoPixels) {
  std::vector<uint8_t> pixels = {1, 2, 3};
  ImageHeader header;
  const TestChannel one{{1, 1}, {2}, {100}, 8};
  EXPECT_EQ(decode({}, pixels, header), ImageStatus::shortFile);
  EXPECT_EQ(decode(std::vector<uint8_t>(35, 0), pixels, header), ImageStatus::shortFile);
  EXPECT_TRUE(pixels.empty());
  EXPECT_EQ(decode(makeFile(4, 4, 16, 0, {one}), pixels, header), ImageStatus::badDepth);
  EXPECT_EQ(decode(makeFile(4, 4, 32, 0, {one}), pixels, header), ImageStatus::badDepth);
  EXPECT_EQ(decode(makeFile(0, 4, 8, 0, {one}), pixels, header), ImageStatus::noPixels);
  EXPECT_EQ(decode(makeFile(4, 0, 24, 0, {one, one, one}), pixels, header), ImageStatus::noPixels);
  EXPECT_EQ(decode(makeFile(65535, 65535, 8, 0, {one}), pixels, header), ImageStatus::tooLarge);
  EXPECT_EQ(header.width, 65535) << "the header is still filled";
  // A few bytes may not ask for the planes of a large picture: above
  // 1024 x 1024 a file needs a byte for every 4096 pixels.
  auto big = makeFile(2048, 1024, 8, 0, {one});
  ASSERT_LT(big.size(), 512u);
  EXPECT_EQ(decode(big, pixels, header), ImageStatus::tooLargeForFile);
  EXPECT_TRUE(pixels.empty());
  EXPECT_EQ(decode(makeFile(1024, 1024, 8, 0, {one}), pixels, header), ImageStatus::decoded);
  pixels.clear();
  big.resize(512, 0);
  EXPECT_EQ(decode(big, pixels, header), ImageStatus::decoded) << "bytes after the streams count";
  EXPECT_EQ(pixels.size(), 2048u * 1024);
  EXPECT_EQ(decode(makeFile(4, 4, 8, 17, {{std::vector<double>(19, 1.0), {2}, {1}, 8}}), pixels, header),
            ImageStatus::tooManyLevels);
  EXPECT_EQ(decode(makeFile(4, 4, 8, 0, {{{1, 1}, {2}, {1}, 9}}), pixels, header), ImageStatus::badValueBits);
  EXPECT_TRUE(pixels.empty());
  // The unused channels of a grey picture are not looked at.
  auto grey = makeFile(2, 2, 8, 0, {one});
  grey[34] = 200;
  EXPECT_EQ(decode(grey, pixels, header), ImageStatus::decoded);
}

TEST(ImageDecode, OddShapesAndDeepLevelsStayInsideThePlane) {
  std::vector<uint8_t> pixels;
  ImageHeader header;
  // 16 levels on a 4 x 4 picture: the deep steps have nothing to work on.
  TestChannel deep{std::vector<double>(18, 1.0), {2, 2, 2}, {50, 60, 70}, 8};
  ASSERT_EQ(decode(makeFile(4, 4, 8, 16, {deep}), pixels, header), ImageStatus::decoded);
  EXPECT_EQ(pixels.size(), 16u);
  // Sides that are not powers of two, grey and colour.
  for (auto [w, h] : {std::pair{5, 3}, {1, 7}, {7, 1}, {13, 6}, {3, 1}}) {
    TestChannel ch{{1, 1, 1, 1}, std::vector<uint8_t>(size_t(w) * h, 2), std::vector<uint32_t>(size_t(w) * h, 90), 8};
    ASSERT_EQ(decode(makeFile(w, h, 8, 2, {ch}), pixels, header), ImageStatus::decoded) << w << "x" << h;
    EXPECT_EQ(pixels.size(), size_t(w) * h);
    ASSERT_EQ(decode(makeFile(w, h, 24, 2, {ch, ch, ch}), pixels, header), ImageStatus::decoded);
    EXPECT_EQ(pixels.size(), size_t(w) * h * 4);
  }
}

TEST(ImageDecode, TruncatedFilesAndLyingCountsDecodeWhatIsThere) {
  // A picture whose streams are all there, then every shorter prefix of it.
  std::mt19937 random(7);
  TestChannel ch{{0.5, 0.25, 0.125, 0.0625}, {}, {}, 6};
  for (int i = 0; i < 256; ++i) {
    const int symbol = static_cast<int>(random() % 4);
    ch.symbols.push_back(static_cast<uint8_t>(symbol));
    if (symbol == 1) ch.symbols.push_back(static_cast<uint8_t>(random() % 4));
    if (symbol != 0) ch.values.push_back(random() % 64);
  }
  const auto file = makeFile(16, 16, 24, 2, {ch, ch, ch});
  std::vector<uint8_t> full, pixels;
  ImageHeader header;
  ASSERT_EQ(decode(file, full, header), ImageStatus::decoded);
  for (size_t size = kImageHeaderSize; size < file.size(); ++size) {
    const std::vector<uint8_t> part(file.begin(), file.begin() + static_cast<ptrdiff_t>(size));
    ASSERT_EQ(decode(part, pixels, header), ImageStatus::decoded) << size;
    ASSERT_EQ(pixels.size(), full.size());
  }
  // Counts near 2^32 in a short file.
  auto lying = file;
  for (int offset : {9, 13, 17, 21, 25, 29}) lying[offset] = lying[offset + 1] = lying[offset + 2] = lying[offset + 3] = 0xFF;
  EXPECT_EQ(decode(lying, pixels, header), ImageStatus::decoded);
  EXPECT_GT(imageFileSize(header), uint64_t{1} << 32);
  // A big picture described by a few bytes is black beyond them.
  const auto big = makeFile(1024, 1024, 8, 3, {{{1, 1, 1, 1, 1}, {2}, {255}, 8}});
  ASSERT_EQ(decode(big, pixels, header), ImageStatus::decoded);
  EXPECT_EQ(pixels.size(), 1024u * 1024);
}

TEST(ImageDecode, WholeFilesGiveWhatTheStagesGive) {
  // Random streams over several shapes and level counts, decoded whole and
  // stage by stage; the bands must be found the same way both times.
  std::mt19937 random(5);
  for (auto [w, h, levels] : {std::tuple{16, 16, 3}, {32, 8, 2}, {12, 6, 1}, {7, 13, 2}, {64, 64, 5}, {5, 1, 0}}) {
    TestChannel ch{{}, {}, {}, 5};
    for (int i = 0; i < levels + 2; ++i) ch.table.push_back(1.0 / (1 + i + random() % 7));
    for (int i = 0; i < w * h; ++i) {
      const int symbol = static_cast<int>(random() % 6 < 3 ? random() % 4 : 0);
      ch.symbols.push_back(static_cast<uint8_t>(symbol));
      if (symbol == 1) ch.symbols.push_back(0);
      if (symbol != 0) ch.values.push_back(random() % 32);
    }
    const auto file = makeFile(w, h, 8, levels, {ch});
    std::vector<uint8_t> pixels;
    ImageHeader header;
    ASSERT_EQ(decode(file, pixels, header), ImageStatus::decoded);

    const size_t symbolStart = kImageHeaderSize + 8 * ch.table.size();
    const size_t symbolBytes = (ch.symbols.size() + 3) / 4;
    std::vector<int32_t> coefficients(size_t(w) * h, 0);
    expandImageStreams(&file[symbolStart], symbolBytes, header.symbolCount[0], &file[symbolStart + symbolBytes],
                       file.size() - symbolStart - symbolBytes, header.valueCount[0], 5, coefficients);
    std::vector<double> plane(coefficients.size()), result(coefficients.size());
    dequantiseImagePlane(coefficients.data(), ch.table.data(), w, h, levels, plane.data());
    inverseImageTransform(plane.data(), result.data(), w, h, levels);
    for (size_t i = 0; i < result.size(); ++i) {
      const double v = result[i];
      const int expected = v <= 0 ? 0 : v >= 255 ? 255 : int(std::nearbyint(v));
      ASSERT_EQ(pixels[i], expected) << w << "x" << h << " at " << i;
    }
  }
}

TEST(ImageDecode, RandomBytesNeverReachOutsideTheirBuffers) {
  std::mt19937 random(1234);
  std::vector<uint8_t> pixels;
  ImageHeader header;
  int decoded = 0;
  for (int round = 0; round < 400; ++round) {
    std::vector<uint8_t> file(36 + random() % 600);
    for (uint8_t& b : file) b = static_cast<uint8_t>(random());
    // Keep the shape small and the depth valid often enough to reach the streams.
    file[3] = static_cast<uint8_t>(random() % 40);
    file[4] = 0;
    file[5] = static_cast<uint8_t>(random() % 40);
    file[6] = 0;
    file[7] = round % 2 ? 8 : 24;
    file[8] = static_cast<uint8_t>(random() % 20);
    for (int c = 0; c < 3; ++c) file[33 + c] = static_cast<uint8_t>(random() % 10);
    const ImageStatus status = decode(file, pixels, header);
    if (status == ImageStatus::decoded) {
      ++decoded;
      ASSERT_EQ(pixels.size(), size_t(header.width) * header.height * (header.bitsPerPixel == 8 ? 1 : 4));
    } else {
      ASSERT_TRUE(pixels.empty());
    }
  }
  EXPECT_GT(decoded, 50);
}

TEST(ImageDecode, FilesAreReadThroughTheLoadBuffer) {
  testing::FreshArchiveState state;
  testing::ScratchDir dir;
  testing::WorkingDir cwd(dir.path());
  const auto file = makeFile(4, 4, 8, 1, {{{0.5, 0.5, 0.25}, {2, 3, 2, 0, 2}, {80, 10, 30, 5}, 7}});
  dir.write("pictures/one.hwl", std::string(file.begin(), file.end()));
  std::vector<uint8_t> fromMemory, fromFile;
  ImageHeader header;
  ASSERT_EQ(decode(file, fromMemory, header), ImageStatus::decoded);
  // A script holds slot A: the picture goes to slot B and both are released in turn.
  dir.write("script.ini", "[MATERIALS]");
  LoadedFile script;
  loadFile(script, "script.ini");
  ASSERT_EQ(decodeImage(fromFile, header, "PICTURES\\ONE.HWL"), ImageStatus::decoded);
  EXPECT_EQ(fromFile, fromMemory);
  EXPECT_TRUE(loadBuffer.slotAInUse);
  EXPECT_FALSE(loadBuffer.slotBInUse);
  releaseFile(script);
  EXPECT_EQ(decodeImage(fromFile, header, "pictures\\none.hwl"), ImageStatus::shortFile);
  EXPECT_TRUE(fromFile.empty());
  EXPECT_FALSE(loadBuffer.slotAInUse);
}

}  // namespace
}  // namespace glorbe
