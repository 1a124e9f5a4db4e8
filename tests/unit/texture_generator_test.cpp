// The texture generator against values worked out by hand on tiny layers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "common/random_source.h"
#include "textures/texture_generator.h"

namespace glorbe {
namespace {

using Rgb = std::array<int, 3>;

class TexGeneratorTest : public ::testing::Test {
 protected:
  void SetUp() override { resetTexGenerator(); }
  void TearDown() override { resetTexGenerator(); }

  static void step(int32_t opcode, std::initializer_list<float> values) {
    TexParams p{};
    std::copy(values.begin(), values.end(), p.begin());
    runTexStep(opcode, p);
  }
  static Rgb at(int layer, int x, int y) {
    const uint8_t* p = texLayer(layer) + (static_cast<size_t>(y) * texGenerator.width + x) * 3;
    return {p[0], p[1], p[2]};
  }
  static void put(int layer, int x, int y, Rgb c) {
    uint8_t* p = texLayer(layer) + (static_cast<size_t>(y) * texGenerator.width + x) * 3;
    for (int i = 0; i < 3; ++i) p[i] = static_cast<uint8_t>(c[i]);
  }
  static std::vector<uint8_t> copyOf(int layer) {
    const size_t n = static_cast<size_t>(texGenerator.width) * texGenerator.height * 3;
    return std::vector<uint8_t>(texLayer(layer), texLayer(layer) + n);
  }
};

// The recurrence worked by hand, independent of the generator.
uint32_t advance(uint32_t& seed) {
  seed = static_cast<uint32_t>(uint64_t{seed} * 22695477u % 4294967296u);
  return seed >> 16;
}

// The smooth weight at u = 0.5 with the constant 3.141592: (1 - cos(1.570796)) / 2.
const double kHalfWeight = (1.0 - std::cos(1.570796)) / 2.0;

TEST_F(TexGeneratorTest, RandomSequenceAndSeedKeptBetweenTextures) {
  texGenerator.seed = 1;
  EXPECT_EQ(nextRandom(), 346);  // 22695477 >> 16
  uint32_t hand = 22695477u;
  EXPECT_EQ(nextRandom(), advance(hand));
  texGenerator.seed = 0;
  EXPECT_EQ(nextRandom(), 0);
  EXPECT_EQ(nextRandom(), 0) << "a zero seed stays zero";

  beginGeneratedTexture(4, 4);
  step(kTexNoise, {0, 1, 77, 256, 0});
  const uint32_t seedAfter = texGenerator.seed;
  beginGeneratedTexture(8, 8);
  EXPECT_EQ(texGenerator.seed, seedAfter) << "a new texture keeps the seed";
  step(kTexNoise, {0, 1, 0, 256, 0});  // seed 0 continues the sequence
  uint32_t s = seedAfter;
  EXPECT_EQ(at(0, 0, 0)[0], static_cast<int>(advance(s) & 255));
}

TEST_F(TexGeneratorTest, NoiseSamplesInOrderWithRangeMask) {
  beginGeneratedTexture(4, 2);
  step(kTexNoise, {1, 1, 5, 16, 0});  // grey, cell 1: every pixel a sample, no smoothing
  uint32_t s = 5;
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 4; ++x) {
      const int v = static_cast<int>(advance(s) & 15);
      EXPECT_EQ(at(1, x, y), (Rgb{v, v, v})) << x << "," << y;
    }
  }
  step(kTexNoise, {1, 1, 9, 256, 1});  // colour: three values per pixel, red first
  s = 9;
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 4; ++x) {
      const int r = static_cast<int>(advance(s) & 255), gr = static_cast<int>(advance(s) & 255),
                b = static_cast<int>(advance(s) & 255);
      EXPECT_EQ(at(1, x, y), (Rgb{r, gr, b}));
    }
  }
  // Colour only when p4 is exactly 1: 0.999 is grey.
  step(kTexNoise, {1, 1, 9, 256, 0.999f});
  const Rgb first = at(1, 0, 0);
  EXPECT_EQ(first[0], first[1]);
  EXPECT_EQ(first[0], first[2]);
}

TEST_F(TexGeneratorTest, NoiseCellsAreSmoothedBetweenWrappedSamples) {
  beginGeneratedTexture(4, 4);
  step(kTexNoise, {0, 2, 3, 256, 0});
  uint32_t s = 3;
  int c[2][2];  // samples at (0,0), (2,0), (0,2), (2,2) in that order
  c[0][0] = advance(s) & 255;
  c[0][1] = advance(s) & 255;
  c[1][0] = advance(s) & 255;
  c[1][1] = advance(s) & 255;
  EXPECT_EQ(at(0, 0, 0)[0], c[0][0]);
  EXPECT_EQ(at(0, 2, 2)[0], c[1][1]);
  const double w = kHalfWeight;
  auto mid = [w](double a, double b) { return static_cast<int>(a * (1 - w) + b * w); };
  EXPECT_EQ(at(0, 1, 0)[0], mid(c[0][0], c[0][1]));
  EXPECT_EQ(at(0, 3, 0)[0], mid(c[0][1], c[0][0])) << "the cell at x = 2 blends toward x = 0 (wrapped)";
  EXPECT_EQ(at(0, 0, 1)[0], mid(c[0][0], c[1][0]));
  const double centre = c[0][0] * (1 - w) * (1 - w) + c[0][1] * w * (1 - w) + c[1][0] * (1 - w) * w + c[1][1] * w * w;
  EXPECT_NEAR(at(0, 1, 1)[0], centre, 1.0);
  EXPECT_EQ(texGenerator.seed, s) << "four samples drawn, no more";
}

TEST_F(TexGeneratorTest, FractalNoiseStartsBlackAndAddsOctaves) {
  beginGeneratedTexture(4, 4);
  step(kTexFill, {0, 9, 9, 9});
  // Persistence 0: the octave range is 0 at once, so only the black base remains.
  step(kTexFractalNoise, {0, 2, 11, 256, 0, 6, 0});
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) EXPECT_EQ(at(0, x, y), (Rgb{0, 0, 0}));
  }
  uint32_t s = 11;
  for (int i = 0; i < 4; ++i) advance(s);  // the base noise still draws its four samples
  EXPECT_EQ(texGenerator.seed, s);

  // Two octaves, persistence 256: the second octave has range 256 and cell 1,
  // so the layer becomes that octave's samples exactly.
  step(kTexFractalNoise, {2, 2, 21, 256, 256, 2, 0});
  s = 21;
  for (int i = 0; i < 4; ++i) advance(s);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      const int v = static_cast<int>(advance(s) & 255);
      EXPECT_EQ(at(2, x, y), (Rgb{v, v, v}));
    }
  }
  EXPECT_EQ(copyOf(5), copyOf(2)) << "layer 5 holds the last octave";
}

TEST_F(TexGeneratorTest, PlasmaKeepsTheLowByte) {
  beginGeneratedTexture(4, 4);
  step(kTexPlasma, {0, 0, 0, 512});  // 127 * 512 / 256 = 254
  EXPECT_EQ(at(0, 3, 3), (Rgb{254, 254, 254}));
  step(kTexPlasma, {0, 0, 0, 1024});  // 508, not clamped: 508 & 255 = 252
  EXPECT_EQ(at(0, 1, 2)[0], 252);
  step(kTexPlasma, {0, 1.5707964f, 0, 256});  // sin(x pi/2): 127 + 63.5 at x = 1, 127 - 63.5 at x = 3
  EXPECT_EQ(at(0, 0, 0)[0], 127);
  EXPECT_EQ(at(0, 1, 0)[0], 190);
  EXPECT_EQ(at(0, 3, 0)[0], 63);
}

TEST_F(TexGeneratorTest, RadialGradientFallsFromTheCentre) {
  beginGeneratedTexture(4, 4);
  step(kTexRadialGradient, {3, 1.0f});
  EXPECT_EQ(at(3, 2, 2), (Rgb{255, 255, 255}));
  EXPECT_EQ(at(3, 0, 2)[0], 75);  // 255 - 180 * 1
  EXPECT_EQ(at(3, 3, 2)[0], 165);  // 255 - 180 * 0.5
  EXPECT_EQ(at(3, 0, 0)[0], 0);   // 255 - 180 * sqrt(2), clamped
  beginGeneratedTexture(1, 1);
  step(kTexRadialGradient, {3, 1.0f});
  EXPECT_EQ(at(3, 0, 0)[0], 255) << "a single pixel is the centre";
}

TEST_F(TexGeneratorTest, FillInvertAndChannelArithmetic) {
  beginGeneratedTexture(2, 2);
  step(kTexFill, {0, 255, 0, 128});
  step(kTexInvert, {0, 1});
  EXPECT_EQ(at(1, 1, 1), (Rgb{0, 255, 127}));
  step(kTexFill, {2, 300, -4, 7.9f});  // clamped, and 7.9 truncated
  EXPECT_EQ(at(2, 0, 0), (Rgb{255, 0, 7}));

  step(kTexFill, {0, 200, 200, 200});
  step(kTexFill, {1, 200, 100, 0});
  step(kTexBlend, {0, 1, 2, 1, 1});
  EXPECT_EQ(at(2, 0, 1), (Rgb{255, 255, 200})) << "blend saturates";
  step(kTexBlend, {0, 1, 2, 0.5f, -1.5f});
  EXPECT_EQ(at(2, 0, 1), (Rgb{0, 0, 100}));
  step(kTexMultiply, {0, 1, 3, 1, 1});  // 200 * 200 / 255 = 156.9, 200 * 100 / 255 = 78.4
  EXPECT_EQ(at(3, 1, 0), (Rgb{156, 78, 0}));
  step(kTexColourScale, {1, 3, 1.5f, 0.5f, 2});
  EXPECT_EQ(at(3, 1, 0), (Rgb{255, 50, 0}));
  step(kTexAdd, {1, 1, -250, 160, 10});  // in place
  EXPECT_EQ(at(1, 0, 0), (Rgb{0, 255, 10}));

  step(kTexFill, {0, 0, 1, 2});
  step(kTexSineMap, {0, 4, 1, 0.5f, 0.25f});  // sin(c pi f): 0, 1 (pi/2), 1 (pi/2)
  EXPECT_EQ(at(4, 0, 0), (Rgb{127, 255, 255}));

  step(kTexFill, {0, 0x81, 0x80, 1});
  step(kTexBitRotate, {0, 0, 1});
  EXPECT_EQ(at(0, 0, 0), (Rgb{0x03, 0x01, 0x02}));
  step(kTexBitRotate, {0, 0, 8});
  EXPECT_EQ(at(0, 0, 0), (Rgb{0x03, 0x01, 0x02})) << "a rotation by 8 changes nothing";
  step(kTexBitRotate, {0, 0, -1});  // right by one
  EXPECT_EQ(at(0, 0, 0), (Rgb{0x81, 0x80, 0x01}));
  step(kTexBitRotate, {0, 0, 11});  // as 3
  EXPECT_EQ(at(0, 0, 0), (Rgb{0x0C, 0x04, 0x08}));
}

TEST_F(TexGeneratorTest, BlurAndEmbossWrapAtTheBorders) {
  beginGeneratedTexture(4, 4);
  put(0, 0, 0, {255, 255, 255});
  step(kTexBlur, {0, 1});
  EXPECT_EQ(at(1, 0, 0)[0], 63);
  for (auto [x, y] : {std::pair{1, 0}, {3, 0}, {0, 1}, {0, 3}}) EXPECT_EQ(at(1, x, y)[0], 31) << x << "," << y;
  for (auto [x, y] : {std::pair{1, 1}, {3, 3}, {1, 3}, {3, 1}}) EXPECT_EQ(at(1, x, y)[0], 15) << x << "," << y;
  EXPECT_EQ(at(1, 2, 2)[0], 0);
  EXPECT_EQ(copyOf(5), copyOf(0)) << "the source was copied to layer 5";

  // The same blur with layer 5 as source and destination gives the same picture.
  const auto blurred = copyOf(1);
  step(kTexBlur, {0, 5});
  EXPECT_EQ(copyOf(5), blurred);
  std::memcpy(texLayer(5), texLayer(0), blurred.size());
  step(kTexBlur, {5, 5});
  EXPECT_EQ(copyOf(5), blurred);

  // Emboss of a bright column at x = 2 (100 on every row).
  beginGeneratedTexture(4, 4);
  for (int y = 0; y < 4; ++y) put(0, 2, y, {100, 100, 100});
  step(kTexEmboss, {0, 0});
  EXPECT_EQ(at(0, 1, 1)[0], 255);  // 300 - 0 + 128
  EXPECT_EQ(at(0, 3, 1)[0], 0);    // 0 - 300 + 128
  EXPECT_EQ(at(0, 0, 1)[0], 128);
  EXPECT_EQ(at(0, 2, 3)[0], 128);
}

TEST_F(TexGeneratorTest, HsvRoundTripAndHueChanges) {
  beginGeneratedTexture(16, 16);
  // Every 17th level of each channel, 4096 colours, through HSV and back.
  // The channels are truncated on the way back, so a channel may come back
  // one lower, never higher; greys and the six pure hues come back exactly.
  int below = 0, above = 0, exactMisses = 0;
  for (int batch = 0; batch < 16; ++batch) {
    for (int k = 0; k < 256; ++k) {
      const int j = batch * 256 + k;
      put(0, k % 16, k / 16, {(j / 256) * 17, ((j / 16) % 16) * 17, (j % 16) * 17});
    }
    step(kTexHsvScale, {0, 1, 1, 1, 1});
    step(kTexHsvShift, {0, 2, 0, 0, 0});
    for (int k = 0; k < 256; ++k) {
      const Rgb want = at(0, k % 16, k / 16);
      const int top = std::max({want[0], want[1], want[2]});
      const bool plain = std::all_of(want.begin(), want.end(), [top](int c) { return c == 0 || c == top; });
      for (int layer : {1, 2}) {
        const Rgb got = at(layer, k % 16, k / 16);
        for (int c = 0; c < 3; ++c) {
          below = std::max(below, want[c] - got[c]);
          above = std::max(above, got[c] - want[c]);
        }
        if (plain && got != want) ++exactMisses;
      }
    }
  }
  EXPECT_EQ(above, 0);
  EXPECT_LE(below, 1);
  EXPECT_EQ(exactMisses, 0);

  beginGeneratedTexture(2, 2);
  put(0, 0, 0, {255, 0, 0});
  put(0, 1, 0, {200, 100, 50});
  put(0, 0, 1, {100, 100, 100});
  step(kTexHsvShift, {0, 1, 120, 0, 0});
  EXPECT_EQ(at(1, 0, 0), (Rgb{0, 255, 0}));
  step(kTexHsvShift, {0, 1, -240, 0, 0});
  EXPECT_EQ(at(1, 0, 0), (Rgb{0, 255, 0})) << "hues below 0 come round by 360";
  step(kTexHsvScale, {0, 1, 1, 1, 0.5f});
  EXPECT_EQ(at(1, 1, 0), (Rgb{100, 50, 25}));
  step(kTexHsvScale, {0, 1, 1, 0, 1});
  EXPECT_EQ(at(1, 1, 0), (Rgb{200, 200, 200})) << "no saturation gives grey at the value";
  // A grey has hue -1: given saturation it becomes hue 359, red with a trace of blue.
  step(kTexHsvShift, {0, 1, 0, 1, 0});
  EXPECT_EQ(at(1, 0, 1), (Rgb{100, 0, 1}));
  // A hue far out of range does not hang and gives a colour of the same value.
  step(kTexHsvShift, {0, 1, 1.0e30f, 0, 0});
  EXPECT_EQ(std::max({at(1, 1, 0)[0], at(1, 1, 0)[1], at(1, 1, 0)[2]}), 200);
}

TEST_F(TexGeneratorTest, DistortionsSampleSmoothly) {
  beginGeneratedTexture(4, 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) put(0, x, y, {x * 60, y * 60, 7});
  }
  const auto original = copyOf(0);
  step(kTexSineDistortion, {0, 1, 0, 0, 0, 0});
  EXPECT_EQ(copyOf(1), original) << "no amplitude: a copy";
  step(kTexTwirl, {0, 1, 0, 1});
  EXPECT_EQ(copyOf(1), original) << "no strength: a copy";

  // sin(y * pi/2) * 0.5 moves row 1 half a pixel to the right.
  step(kTexSineDistortion, {0, 1, 1.5707964f, 0.5f, 0, 0});
  EXPECT_EQ(at(1, 0, 0), at(0, 0, 0)) << "row 0 is not moved";
  EXPECT_EQ(at(1, 1, 1)[0], static_cast<int>(60 * (1 - kHalfWeight) + 120 * kHalfWeight));
  EXPECT_EQ(at(1, 3, 1)[0], static_cast<int>(180 * (1 - kHalfWeight))) << "wraps to column 0";
  EXPECT_EQ(at(1, 1, 1)[1], 60);

  // Displace by a map whose value is 1 everywhere and x scale 1: one pixel left.
  step(kTexFill, {2, 0, 1, 0});
  step(kTexDisplace, {0, 2, 3, 1, 0});
  for (int x = 0; x < 4; ++x) EXPECT_EQ(at(3, x, 2), at(0, (x + 1) & 3, 2));
  EXPECT_EQ(copyOf(5), copyOf(3));

  // Tile: the half-size picture two by two.
  step(kTexTile, {0, 0});
  EXPECT_EQ(at(0, 1, 1), (Rgb{120, 120, 7}));
  EXPECT_EQ(at(0, 3, 2), (Rgb{120, 0, 7}));
  std::memcpy(texLayer(5), original.data(), original.size());
  step(kTexTile, {5, 4});
  EXPECT_EQ(copyOf(4), copyOf(0)) << "tiling layer 5 itself reads it before it is overwritten";
}

TEST_F(TexGeneratorTest, ProgramListsRunInOrderUpToTheirCounts) {
  TexProgram& program = texGenerator.program;
  beginGeneratedTexture(2, 2);
  program.lists[0].stepCount = 1;
  program.lists[0].opcodes[0] = kTexFill;
  program.lists[0].params[0] = {4, 10, 20, 30};
  program.lists[0].opcodes[1] = kTexInvert;  // beyond the count: not run
  program.lists[0].params[1] = {4, 4};
  program.lists[3].stepCount = 1;
  program.lists[3].opcodes[0] = kTexAdd;
  program.lists[3].params[0] = {4, 4, 1, 1, 1};
  runTexProgram();
  EXPECT_EQ(at(4, 1, 1), (Rgb{11, 21, 31}));

  // Counts outside 0..100: a negative count runs nothing, a huge one the 100 steps there are.
  for (int i = 0; i < kTexMaxSteps; ++i) {
    program.lists[1].opcodes[static_cast<size_t>(i)] = kTexAdd;
    program.lists[1].params[static_cast<size_t>(i)] = {4, 4, 1, 1, 1};
  }
  program.lists[0].stepCount = -7;
  program.lists[3].stepCount = 0;
  program.lists[1].stepCount = 1000000;
  runTexProgram();
  EXPECT_EQ(at(4, 0, 0), (Rgb{111, 121, 131}));

  beginGeneratedTexture(2, 2);
  for (const TexStepList& list : program.lists) EXPECT_EQ(list.stepCount, 0) << "set-up clears the counts";
}

TEST_F(TexGeneratorTest, BadStepsStayInsideTheLayers) {
  beginGeneratedTexture(4, 4);
  step(kTexFill, {0, 50, 60, 70});
  std::array<std::vector<uint8_t>, kTexLayerCount> before;
  for (int l = 0; l < kTexLayerCount; ++l) before[static_cast<size_t>(l)] = copyOf(l);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  // Any layer outside 0..5 skips the step.
  step(kTexFill, {6, 1, 1, 1});
  step(kTexFill, {-1, 1, 1, 1});
  step(kTexFill, {nan, 1, 1, 1});
  step(kTexBlend, {0, 0, 1e10f, 1, 1});
  step(kTexDisplace, {0, 99, 1, 1, 1});
  step(kTexBlur, {0, -3});
  step(57, {0, 0, 0});  // not an operation
  for (int l = 0; l < kTexLayerCount; ++l) EXPECT_EQ(copyOf(l), before[static_cast<size_t>(l)]) << "layer " << l;
  step(kTexFill, {-0.5f, 1, 2, 3});  // truncates to layer 0
  EXPECT_EQ(at(0, 0, 0), (Rgb{1, 2, 3}));

  // NaN and huge parameters give defined pixels (the sanitizers watch the conversions).
  step(kTexFill, {1, nan, inf, -inf});
  EXPECT_EQ(at(1, 2, 2), (Rgb{0, 255, 0}));
  step(kTexNoise, {2, nan, 1e20f, nan, nan});  // cell 0 counts as 1
  step(kTexNoise, {2, 1e30f, 3, 256, 0});      // one sample smoothed over everything
  step(kTexFractalNoise, {2, -5, 1, 1e30f, -1e30f, 2147483647.0f, 1});
  step(kTexPlasma, {3, inf, nan, 1e30f});
  step(kTexRadialGradient, {3, nan});
  step(kTexBitRotate, {3, 3, 1e30f});
  step(kTexSineDistortion, {0, 1, 1e30f, 1e30f, nan, inf});
  step(kTexTwirl, {0, 1, 1e38f, 0});
  step(kTexDisplace, {0, 0, 1, inf, -1e38f});
  step(kTexHsvShift, {0, 1, nan, nan, nan});
  step(kTexHsvScale, {0, 1, inf, inf, inf});
  step(kTexSineMap, {0, 1, inf, nan, 1e38f});
  step(kTexMultiply, {0, 0, 1, inf, 0});
  EXPECT_EQ(at(3, 0, 0), (Rgb{0, 0, 0})) << "a NaN fall-off is black";
}

TEST_F(TexGeneratorTest, SizesAreBroughtToPowersOfTwo) {
  EXPECT_EQ(texGeneratorSide(0), 1);
  EXPECT_EQ(texGeneratorSide(-64), 1);
  EXPECT_EQ(texGeneratorSide(1), 1);
  EXPECT_EQ(texGeneratorSide(300), 256);
  EXPECT_EQ(texGeneratorSide(512), 512);
  EXPECT_EQ(texGeneratorSide(1 << 30), kTexMaxSize);
  beginGeneratedTexture(0, 100);
  EXPECT_EQ(texGenerator.width, 1);
  EXPECT_EQ(texGenerator.height, 64);
  EXPECT_EQ(texGenerator.heightMask, 63);
  step(kTexNoise, {0, 4, 1, 256, 1});
  step(kTexTwirl, {0, 1, 3, 1});
  step(kTexBlur, {1, 2});
  EXPECT_EQ(texGenerator.layers[2].size(), 64u * 3);
  releaseGeneratedTexture();
  EXPECT_EQ(texLayer(0), nullptr);
  step(kTexFill, {0, 1, 1, 1});  // nothing to draw on: nothing happens
}

TEST_F(TexGeneratorTest, ProgramFileLayoutAndShortFiles) {
  TexProgram program;
  program.lists[0].stepCount = 2;
  program.lists[0].opcodes[1] = kTexBlur;
  program.lists[0].params[1][9] = -2.5f;
  program.lists[4].stepCount = 100;
  program.lists[4].opcodes[99] = kTexTile;
  program.lists[4].params[99][0] = 3.0f;
  const std::vector<uint8_t> bytes = encodeTexProgram(program);
  ASSERT_EQ(bytes.size(), 22020u);
  auto word = [&bytes](size_t at) {
    return uint32_t{bytes[at]} | uint32_t{bytes[at + 1]} << 8 | uint32_t{bytes[at + 2]} << 16 |
           uint32_t{bytes[at + 3]} << 24;
  };
  EXPECT_EQ(word(0), 2u);
  EXPECT_EQ(word(4 + 4), 33u);
  EXPECT_EQ(word(404 + 4 * (10 + 9)), 0xC0200000u);  // -2.5f
  EXPECT_EQ(word(4 * 4404), 100u);
  EXPECT_EQ(word(4 * 4404 + 4 + 4 * 99), 43u);
  EXPECT_EQ(word(4 * 4404 + 404 + 4 * 990), 0x40400000u);  // 3.0f

  TexProgram back;
  decodeTexProgram(bytes.data(), bytes.size(), back);
  EXPECT_EQ(encodeTexProgram(back), bytes);

  // A file of 10 bytes: the count, the first opcode and the low half of the
  // second; everything after it is zero.
  TexProgram shortOne;
  shortOne.lists[2].stepCount = 55;
  decodeTexProgram(bytes.data(), 10, shortOne);
  EXPECT_EQ(shortOne.lists[0].stepCount, 2);
  EXPECT_EQ(shortOne.lists[0].opcodes[1], 33);
  decodeTexProgram(bytes.data(), 8, shortOne);
  EXPECT_EQ(shortOne.lists[0].opcodes[1], 0);
  EXPECT_EQ(shortOne.lists[2].stepCount, 0);
  EXPECT_EQ(shortOne.lists[0].params[1][9], 0.0f);
  decodeTexProgram(nullptr, 0, shortOne);
  EXPECT_EQ(shortOne.lists[0].stepCount, 0);
}

TEST_F(TexGeneratorTest, TerrainColouringFollowsItsRecipe) {
  resetRandomSource();
  beginGeneratedTexture(64, 64);
  step(kTexFill, {3, 100, 100, 100});
  paintTerrainLayers(1.0f, 0.5f, 2.0f, 0.0f);
  EXPECT_EQ(at(3, 5, 5), (Rgb{100, 50, 200}));
  int darker = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const Rgb noise = at(2, x, y), out = at(4, x, y);
      ASSERT_EQ(noise[0], noise[1]) << "the terrain noise is grey";
      ASSERT_EQ(out[2], std::max(0, 200 - noise[2]));
      darker += noise[0] > 0;
    }
  }
  EXPECT_GT(darker, 1000) << "the octaves added something";
  const auto plain = copyOf(4);
  // With detail the colour noise of layer 1 is added on top.
  resetRandomSource();
  beginGeneratedTexture(64, 64);
  step(kTexFill, {3, 100, 100, 100});
  paintTerrainLayers(1.0f, 0.5f, 2.0f, 0.5f);
  EXPECT_NE(copyOf(4), plain);
  const Rgb detail = at(1, 9, 9);
  EXPECT_EQ(at(4, 9, 9)[0], std::min(255, static_cast<int>(detail[0] * 0.5f + plain[(9 * 64 + 9) * 3])));
}

TEST(RandomSource, FixedSeedUniformBelowBound) {
  resetRandomSource();
  const int32_t first = randomBelow(1000);
  resetRandomSource();
  EXPECT_EQ(randomBelow(1000), first) << "the same sequence on every run";
  EXPECT_EQ(randomBelow(0), 0);
  EXPECT_EQ(randomBelow(-5), 0);
  int counts[3] = {0, 0, 0};
  for (int i = 0; i < 30000; ++i) {
    const int32_t v = randomBelow(3);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 3);
    ++counts[v];
  }
  for (int c : counts) EXPECT_NEAR(c, 10000, 400);
  for (int i = 0; i < 1000; ++i) {
    const int32_t v = randomBelow(2147483647);
    ASSERT_GE(v, 0);
    ASSERT_LE(v, 2147483646);
    const double u = randomUnit();
    ASSERT_GE(u, 0.0);
    ASSERT_LT(u, 1.0);
  }
}

}  // namespace
}  // namespace glorbe
