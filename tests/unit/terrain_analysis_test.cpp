// Terrain analysis: the error map on fields worked out by hand, the scatter's
// random draws and limits, the random height field, and sizes that make no
// terrain.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "common/random_source.h"
#include "geometry/terrain_analysis.h"
#include "textures/texture_generator.h"

namespace glorbe {
namespace {

class TerrainAnalysisTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetRandomSource();
    resetTexGenerator();
  }
  void TearDown() override {
    resetRandomSource();
    resetTexGenerator();
  }
};

std::vector<uint8_t> field(int32_t width, int32_t height, uint8_t value) {
  return std::vector<uint8_t>(static_cast<size_t>(width * height), value);
}

TEST_F(TerrainAnalysisTest, OnlyPowersOfTwoFromTwoTo4096AreTerrainSides) {
  for (int32_t side : {2, 4, 64, 256, 4096}) EXPECT_TRUE(isTerrainSide(side)) << side;
  for (int32_t side : {-4, 0, 1, 3, 6, 100, 4097, 8192}) EXPECT_FALSE(isTerrainSide(side)) << side;
}

TEST_F(TerrainAnalysisTest, SizesThatMakeNoTerrainGiveEmptyMapsAndNoHang) {
  // 1 x 1 would never reach a node of half size 1; 100 x 64 would read the
  // generator's clamped layer past its end.
  for (auto [w, h] : {std::pair{1, 1}, std::pair{100, 64}, std::pair{64, 0}, std::pair{8192, 8}}) {
    std::vector<uint8_t> heights(16, 7), errors(3, 1), scatter(3, 1);
    makeRandomHeightMap(heights, w, h, 0.2f);
    EXPECT_TRUE(heights.empty()) << w << "x" << h;
    heights.assign(static_cast<size_t>(std::max(w * h, 0)), 9);
    computeTerrainErrors(heights, errors, w, h);
    EXPECT_TRUE(errors.empty()) << w << "x" << h;
    scatterTerrainObjects(heights, scatter, w, h, 1, 0, 4);
    EXPECT_TRUE(scatter.empty()) << w << "x" << h;
  }
  // Maps shorter than the size they claim are not read.
  std::vector<uint8_t> shortHeights(15, 200), errors, scatter;
  computeTerrainErrors(shortHeights, errors, 4, 4);
  EXPECT_TRUE(errors.empty());
  scatterTerrainObjects(shortHeights, scatter, 4, 4, 0, 0, 3);
  EXPECT_TRUE(scatter.empty());
}

TEST_F(TerrainAnalysisTest, FlatFieldHasNoErrorAndScattersNothing) {
  const std::vector<uint8_t> heights = field(32, 16, 90);
  std::vector<uint8_t> errors, scatter;
  std::vector<TerrainNode> nodes;
  computeTerrainErrors(heights, errors, 32, 16, nodes);
  ASSERT_EQ(errors.size(), 32u * 16u);
  for (uint8_t e : errors) EXPECT_EQ(e, 0);
  ASSERT_FALSE(nodes.empty());
  for (const TerrainNode& n : nodes) EXPECT_EQ(n.error, 0);
  scatterTerrainObjects(errors, scatter, 32, 16, 0, 0, 5);
  ASSERT_EQ(scatter.size(), 32u * 16u);
  for (uint8_t s : scatter) EXPECT_EQ(s, 0);
}

TEST_F(TerrainAnalysisTest, FourByFourFieldHasTheRootAndFourLeavesInOrder) {
  // Heights 0..15 row by row: h(x, y) = x + 4y, wrapping at 4.
  std::vector<uint8_t> heights(16);
  for (size_t i = 0; i < 16; ++i) heights[i] = static_cast<uint8_t>(i * 10);
  std::vector<uint8_t> errors;
  std::vector<TerrainNode> nodes;
  computeTerrainErrors(heights, errors, 4, 4, nodes);
  ASSERT_EQ(nodes.size(), 5u);
  const int expectedCentres[5][4] = {{2, 2, 2, 2}, {1, 1, 1, 1}, {1, 3, 1, 1}, {3, 3, 1, 1}, {3, 1, 1, 1}};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(nodes[i].cx, expectedCentres[i][0]);
    EXPECT_EQ(nodes[i].cy, expectedCentres[i][1]);
    EXPECT_EQ(nodes[i].hx, expectedCentres[i][2]);
    EXPECT_EQ(nodes[i].hy, expectedCentres[i][3]);
  }
  auto h = [&](int x, int y) { return static_cast<int>(heights[static_cast<size_t>((x & 3) + (y & 3) * 4)]); };
  auto edgeError = [&](int cx, int cy, int hx, int hy) {
    const int top = std::abs(((h(cx - hx, cy - hy) + h(cx + hx, cy - hy)) >> 1) - h(cx, cy - hy));
    const int right = std::abs(((h(cx + hx, cy - hy) + h(cx + hx, cy + hy)) >> 1) - h(cx + hx, cy));
    const int bottom = std::abs(((h(cx - hx, cy + hy) + h(cx + hx, cy + hy)) >> 1) - h(cx, cy + hy));
    const int left = std::abs(((h(cx - hx, cy + hy) + h(cx - hx, cy - hy)) >> 1) - h(cx - hx, cy));
    return std::max({top, right, bottom, left});
  };
  // The root's corners all wrap to (0, 0) = 0: its midpoints (2, 0) = 20,
  // (0, 2) = 80 give the error 80. Child (3, 3) reaches (4, 4) = (0, 0):
  // right edge |(h(4,2) + h(4,4)) / 2 - h(4,3)| = |(80 + 0) / 2 - 120| = 80.
  EXPECT_EQ(nodes[0].error, 80);
  EXPECT_EQ(nodes[3].error, 80);
  for (const TerrainNode& n : nodes) {
    EXPECT_EQ(n.error, edgeError(n.cx, n.cy, n.hx, n.hy)) << n.cx << "," << n.cy;
    EXPECT_EQ(errors[static_cast<size_t>(n.cx + n.cy * 4)], n.error);
  }
  // Cells that centre no node stay 0.
  for (int i : {0, 1, 2, 3, 4, 6, 8, 9, 11, 12, 14}) EXPECT_EQ(errors[static_cast<size_t>(i)], 0) << i;
}

TEST_F(TerrainAnalysisTest, SpikeOnTheRootsTopMidpointGivesTheRootItsHeight) {
  std::vector<uint8_t> heights = field(16, 16, 0);
  heights[8] = 200;  // (8, 0): the root (8, 8, 8, 8)'s top edge midpoint
  std::vector<uint8_t> errors;
  computeTerrainErrors(heights, errors, 16, 16);
  EXPECT_EQ(errors[8 + 8 * 16], 200);
  // Errors are not folded upwards: a spike inside a small node leaves the root at 0.
  heights = field(16, 16, 0);
  heights[1] = 200;  // (1, 0): the top midpoint of node (1, 1, 1, 1) only
  computeTerrainErrors(heights, errors, 16, 16);
  EXPECT_EQ(errors[8 + 8 * 16], 0);
  EXPECT_EQ(errors[1 + 1 * 16], 200);
}

TEST_F(TerrainAnalysisTest, NonSquareFieldStopsWhereEitherHalfSizeIsOne) {
  std::vector<uint8_t> heights(64 * 4);
  for (size_t i = 0; i < heights.size(); ++i) heights[i] = static_cast<uint8_t>((i * 37) % 251);
  std::vector<uint8_t> errors;
  std::vector<TerrainNode> nodes;
  computeTerrainErrors(heights, errors, 64, 4, nodes);
  // Root (32, 2, 32, 2), then four children of half sizes (16, 1) that end the walk.
  ASSERT_EQ(nodes.size(), 5u);
  EXPECT_EQ(nodes[1].hx, 16);
  EXPECT_EQ(nodes[1].hy, 1);
}

// What the scatter draws, replayed from the same random state: r = 0..2, and
// the index only when r > 0.
int replayScatter(int32_t objectCount) {
  return randomBelow(3) > 0 ? randomBelow(objectCount) : 0;
}

TEST_F(TerrainAnalysisTest, ScatterDrawsOnlyWhereTheShiftedErrorExceedsOne) {
  // 4 x 4, minHalfSize 1: only the root (2, 2) is visited.
  std::vector<uint8_t> errors = field(4, 4, 0), scatter;
  errors[2 + 2 * 4] = 7;  // 7 >> 2 = 1: never scatters, draws nothing
  const RandomSource before = randomSource;
  scatterTerrainObjects(errors, scatter, 4, 4, 1, 2, 9);
  EXPECT_EQ(randomSource.state, before.state);
  for (uint8_t s : scatter) EXPECT_EQ(s, 0);

  errors[2 + 2 * 4] = 8;  // 8 >> 2 = 2: scatters in two cases out of three
  int placed = 0;
  for (int run = 0; run < 300; ++run) {
    const RandomSource start = randomSource;
    const int expected = replayScatter(200);
    const RandomSource after = randomSource;
    randomSource = start;
    scatterTerrainObjects(errors, scatter, 4, 4, 1, 2, 200);
    EXPECT_EQ(randomSource.state, after.state);
    EXPECT_EQ(scatter[2 + 2 * 4], expected);
    placed += scatter[2 + 2 * 4] != 0;
  }
  EXPECT_GT(placed, 150);
  EXPECT_LT(placed, 250);
}

TEST_F(TerrainAnalysisTest, ScatterVisitsNodesInTreeOrderDownToTheMinimumSize) {
  // 16 x 16, every error 255, minHalfSize 2: root (8, 8, 8, 8), children of
  // half size 4, grandchildren of half size 2 (which still draw, and end).
  std::vector<uint8_t> errors = field(16, 16, 255), scatter;
  const RandomSource start = randomSource;
  std::vector<uint8_t> expected = field(16, 16, 0);
  auto visit = [&](auto&& self, int cx, int cy, int hx) -> void {
    if (randomBelow(3) > 0) expected[static_cast<size_t>(cx + cy * 16)] = static_cast<uint8_t>(randomBelow(5));
    if (2 >= hx) return;
    const int q = hx / 2;
    self(self, cx - q, cy - q, q);
    self(self, cx - q, cy + q, q);
    self(self, cx + q, cy + q, q);
    self(self, cx + q, cy - q, q);
  };
  visit(visit, 8, 8, 8);
  const uint64_t end = randomSource.state;
  randomSource = start;
  scatterTerrainObjects(errors, scatter, 16, 16, 2, 0, 5);
  EXPECT_EQ(scatter, expected);
  EXPECT_EQ(randomSource.state, end);
}

TEST_F(TerrainAnalysisTest, ScatterHoldsItsShiftAndMinimumSizeInRange) {
  std::vector<uint8_t> errors = field(8, 8, 255), scatter;
  // A shift past 31 is 31: 255 >> 31 = 0, nothing drawn.
  const RandomSource before = randomSource;
  scatterTerrainObjects(errors, scatter, 8, 8, 1, 40, 3);
  EXPECT_EQ(randomSource.state, before.state);
  // A negative shift is 0, a negative minimum size 0: the walk still ends.
  scatterTerrainObjects(errors, scatter, 8, 8, -5, -3, 3);
  EXPECT_NE(randomSource.state, before.state);
  for (uint8_t s : scatter) EXPECT_LT(s, 3);
  // No objects to place: every mark stays 0.
  scatterTerrainObjects(errors, scatter, 8, 8, 1, 0, 0);
  for (uint8_t s : scatter) EXPECT_EQ(s, 0);
}

TEST_F(TerrainAnalysisTest, RandomHeightMapIsTheGeneratorRecipeWithThreeSeedsDrawn) {
  std::vector<uint8_t> heights;
  makeRandomHeightMap(heights, 64, 32, 0.3f);
  ASSERT_EQ(heights.size(), 64u * 32u);
  const uint64_t afterFirst = randomSource.state;
  // The layers stay set up for the terrain texture, at the terrain's size.
  ASSERT_NE(texLayer(kTexOutputLayer), nullptr);
  EXPECT_EQ(texGenerator.width, 64);
  EXPECT_EQ(texGenerator.height, 32);
  const uint8_t* rgb = texLayer(kTexOutputLayer);
  for (size_t i = 0; i < heights.size(); ++i) {
    ASSERT_EQ(heights[i], (rgb[3 * i] + rgb[3 * i + 1] + rgb[3 * i + 2]) / 3) << i;
  }
  int lowest = 255, highest = 0;
  for (uint8_t v : heights) {
    lowest = std::min<int>(lowest, v);
    highest = std::max<int>(highest, v);
  }
  EXPECT_GT(highest - lowest, 20) << "a random terrain is not flat";

  // Exactly three numbers are drawn, so the same start gives the same field.
  resetRandomSource();
  for (int i = 0; i < 3; ++i) randomBelow(2147483647);
  EXPECT_EQ(randomSource.state, afterFirst);
  resetRandomSource();
  std::vector<uint8_t> again;
  makeRandomHeightMap(again, 64, 32, 0.3f);
  EXPECT_EQ(again, heights);
  // The next draws give another field.
  makeRandomHeightMap(again, 64, 32, 0.3f);
  EXPECT_NE(again, heights);
}

}  // namespace
}  // namespace glorbe
