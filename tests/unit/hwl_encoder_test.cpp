// The wavelet image encoder against the engine's decoder: pictures made by
// code go in, the decoder's pixels come out close to them.
#include <gtest/gtest.h>

#include <cstdio>

#include "art/art_generators.h"
#include "image_codec/hwl_encoder.h"
#include "textures/image_decoder.h"

namespace glorbe::tools {
namespace {

PngImage art(const std::string& kind, int w, int h) {
  PngImage image;
  std::string error;
  EXPECT_TRUE(makeArt(kind, w, h, "", image, error)) << error;
  return image;
}

struct RoundTrip {
  std::vector<uint8_t> file;
  ImageHeader header;
  PngImage decoded;
  double snr = 0;
};

RoundTrip roundTrip(const PngImage& picture, HwlEncodeOptions options) {
  RoundTrip t;
  std::string error;
  EXPECT_TRUE(encodeHwl(picture, options, t.file, error)) << error;
  EXPECT_TRUE(readImageHeader(t.file.data(), t.file.size(), t.header));
  EXPECT_TRUE(decodeHwl(t.file, t.decoded, error)) << error;
  t.snr = pictureSnr(picture, t.decoded);
  return t;
}

TEST(HwlEncoder, RoundTripsStayCloseAtEveryShapeAndQuality) {
  struct Case {
    const char* kind;
    int w, h;
    int quality;
    double floor;  // dB
  };
  const Case cases[] = {
      {"nebula", 256, 256, 75, 38},  {"orb", 256, 256, 75, 38},     {"tunnel", 128, 128, 75, 36},
      {"julia", 64, 32, 75, 32},     {"plasma", 100, 60, 75, 35},   {"nebula", 16, 16, 75, 30},
      {"glow", 128, 128, 75, 45},    {"flare", 64, 64, 75, 40},     {"text", 128, 32, 75, 34},
      {"nebula", 256, 256, 95, 46},  {"nebula", 256, 256, 40, 32},  {"grid", 256, 128, 30, 30},
      {"ring", 50, 30, 95, 45},      {"stripes", 2, 2, 75, 40},
  };
  for (const Case& c : cases) {
    const PngImage picture = art(c.kind, c.w, c.h);
    HwlEncodeOptions options;
    options.quality = c.quality;
    const RoundTrip t = roundTrip(picture, options);
    SCOPED_TRACE(std::string(c.kind) + " " + std::to_string(c.w) + "x" + std::to_string(c.h) + " q" +
                 std::to_string(c.quality));
    EXPECT_GE(t.snr, c.floor);
    // The streams fill the file exactly and respect the format's limits.
    EXPECT_EQ(imageFileSize(t.header), t.file.size());
    EXPECT_EQ(t.header.bitsPerPixel, picture.channels == 1 ? 8 : 24);
    EXPECT_EQ(t.header.levels, defaultHwlLevels(c.w, c.h));
    for (int ch = 0; ch < (picture.channels == 1 ? 1 : 3); ++ch) {
      EXPECT_GE(t.header.valueBits[ch], 1);
      EXPECT_LE(t.header.valueBits[ch], 8);
    }
    EXPECT_EQ(t.decoded.width, c.w);
    EXPECT_EQ(t.decoded.height, c.h);
  }
}

TEST(HwlEncoder, QualityTradesSizeForFidelity) {
  const PngImage picture = art("nebula", 128, 128);
  double lastSnr = 0;
  size_t lastSize = 0;
  for (int quality : {10, 40, 75, 95}) {
    HwlEncodeOptions options;
    options.quality = quality;
    const RoundTrip t = roundTrip(picture, options);
    EXPECT_GT(t.snr, lastSnr) << quality;
    EXPECT_GT(t.file.size(), lastSize) << quality;
    lastSnr = t.snr;
    lastSize = t.file.size();
  }
  // Any level count the picture allows, each giving a close picture.
  for (int levels = 0; levels <= maxHwlLevels(128, 128); ++levels) {
    HwlEncodeOptions options;
    options.levels = levels;
    const RoundTrip t = roundTrip(picture, options);
    EXPECT_EQ(t.header.levels, levels);
    EXPECT_GE(t.snr, 35) << levels;
  }
}

TEST(HwlEncoder, FlatPicturesComeBackExactly) {
  for (int channels : {1, 3}) {
    PngImage flat{32, 16, channels, std::vector<uint8_t>(32 * 16 * channels)};
    for (size_t i = 0; i < flat.pixels.size(); ++i) flat.pixels[i] = static_cast<uint8_t>(channels == 1 ? 77 : 40 + 60 * (i % 3));
    const RoundTrip t = roundTrip(flat, {});
    EXPECT_EQ(t.decoded.pixels, flat.pixels) << channels;
  }
}

TEST(HwlEncoder, LargeBlackPicturesArePaddedToWhatTheDecoderAccepts) {
  // All zero: no stream at all, far below the byte per 4096 pixels the
  // decoder wants for 2048 x 1024.
  PngImage black{2048, 1024, 1, std::vector<uint8_t>(2048 * 1024, 0)};
  std::vector<uint8_t> file;
  std::string error;
  ASSERT_TRUE(encodeHwl(black, {}, file, error)) << error;
  EXPECT_EQ(file.size(), 512u);
  PngImage decoded;
  ASSERT_TRUE(decodeHwl(file, decoded, error)) << error;
  EXPECT_EQ(decoded.pixels, black.pixels);
}

TEST(HwlEncoder, AlphaIsLeftOutOfColourPictures) {
  const PngImage rgb = art("orb", 64, 64);
  PngImage rgba{64, 64, 4, {}};
  for (size_t i = 0; i < rgb.pixels.size(); i += 3) {
    rgba.pixels.insert(rgba.pixels.end(), rgb.pixels.begin() + i, rgb.pixels.begin() + i + 3);
    rgba.pixels.push_back(static_cast<uint8_t>(i));
  }
  std::vector<uint8_t> a, b;
  std::string error;
  ASSERT_TRUE(encodeHwl(rgb, {}, a, error));
  ASSERT_TRUE(encodeHwl(rgba, {}, b, error));
  EXPECT_EQ(a, b);
}

TEST(HwlEncoder, DecodedPictureHoldsTheDecodersValues) {
  const PngImage picture = art("julia", 32, 32);
  std::vector<uint8_t> file, engine;
  std::string error;
  ASSERT_TRUE(encodeHwl(picture, {}, file, error));
  ImageHeader header;
  ASSERT_EQ(decodeImage(engine, header, file.data(), file.size()), ImageStatus::decoded);
  PngImage decoded;
  ASSERT_TRUE(decodeHwl(file, decoded, error));
  ASSERT_EQ(decoded.channels, 3);
  for (size_t i = 0; i < 32 * 32; ++i) {
    ASSERT_EQ(decoded.pixels[3 * i], engine[4 * i + 2]) << "red " << i;
    ASSERT_EQ(decoded.pixels[3 * i + 1], engine[4 * i + 1]) << "green " << i;
    ASSERT_EQ(decoded.pixels[3 * i + 2], engine[4 * i]) << "blue " << i;
  }
  // A file that gives no pixels is an error, not an empty picture.
  file[7] = 16;
  EXPECT_FALSE(decodeHwl(file, decoded, error));
  EXPECT_EQ(error, "bits per pixel are neither 8 nor 24");
}

TEST(HwlEncoder, RefusesWhatTheFormatCannotHold) {
  std::vector<uint8_t> file;
  std::string error;
  HwlEncodeOptions options;
  options.levels = 5;
  EXPECT_FALSE(encodeHwl(art("glow", 32, 64), options, file, error));
  EXPECT_EQ(error, "a 32 x 64 picture allows at most 4 levels");
  options.levels = 4;
  EXPECT_TRUE(encodeHwl(art("glow", 32, 64), options, file, error));
  EXPECT_FALSE(encodeHwl(art("glow", 1, 8), {}, file, error));
  EXPECT_FALSE(encodeHwl(PngImage{70000, 1, 1, std::vector<uint8_t>(70000)}, {}, file, error));
  options = {};
  options.quality = 0;
  EXPECT_FALSE(encodeHwl(art("glow", 8, 8), options, file, error));
  EXPECT_FALSE(encodeHwl(PngImage{8, 8, 2, std::vector<uint8_t>(128)}, {}, file, error));
  EXPECT_FALSE(encodeHwl(PngImage{8, 8, 3, std::vector<uint8_t>(10)}, {}, file, error));
}

}  // namespace
}  // namespace glorbe::tools
