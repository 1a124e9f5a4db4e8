#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "textures/move_list.h"

namespace glorbe {
namespace {

uint32_t rgba(uint32_t r, uint32_t g, uint32_t b, uint32_t a) { return r | g << 8 | b << 16 | a << 24; }

// A map that samples every pixel from itself, shifted by (dy, dx) whole
// pixels. The blend (a·wA + b·wB) >> 15 with wA + wB = 32767 gives a − 1 for
// two equal entries a, so each entry is one above the whole pixel.
std::vector<MapEntry> shiftedMap(uint32_t w, uint32_t h, int dy, int dx) {
  std::vector<MapEntry> map(size_t{w} * h);
  for (uint32_t r = 0; r < h; ++r)
    for (uint32_t c = 0; c < w; ++c) {
      const int y = std::clamp<int>(static_cast<int>(r) + dy, 0, static_cast<int>(h) - 2);
      const int x = std::clamp<int>(static_cast<int>(c) + dx, 0, static_cast<int>(w) - 2);
      map[size_t{r} * w + c] = MapEntry{static_cast<int16_t>(y * 128 + 1), static_cast<int16_t>(x * 128 + 1)};
    }
  return map;
}

// Restores the run-time choice of code path after a test forces one.
struct PathGuard {
  bool saved = movePackedPathInUse();
  ~PathGuard() { setMovePackedPath(saved); }
};

TEST(MoveList, CreationLimitsTheSidesAndFillsBothPicturesOpaque) {
  MoveList list;
  createMoveList(list, 300, 1, 10, 20, 30);
  EXPECT_EQ(list.width, 256u) << "map coordinates in 1/128 pixel must fit 16 bits";
  EXPECT_EQ(list.height, 2u) << "the filter needs two rows";
  createMoveList(list, -4, 0, 10, 20, 30);
  EXPECT_EQ(list.width, 2u);
  EXPECT_EQ(list.height, 2u);

  list.brush.assign(4, 1);
  list.brushWidth = list.brushHeight = 2;
  list.progress = 7;
  createMoveList(list, 5, 3, 10, 20, 30);
  ASSERT_EQ(list.picture.size(), 15u);
  for (uint32_t p : list.picture) EXPECT_EQ(p, rgba(10, 20, 30, 255));
  EXPECT_EQ(list.backPicture, list.picture);
  EXPECT_EQ(list.map1.size(), 15u);
  EXPECT_EQ(list.map2.size(), 15u);
  EXPECT_EQ(list.progress, 0u);
  EXPECT_TRUE(list.brush.empty());
  EXPECT_EQ(list.brushWidth, 0u);
}

TEST(MoveList, EffectRandomGeneratorStartsFromItsSeed) {
  uint32_t state = kEffectRandomSeed;
  EXPECT_EQ(nextEffectRandom(state), 36309u);
  EXPECT_EQ(nextEffectRandom(state), 36656u);
  EXPECT_EQ(nextEffectRandom(state), 8023u);
  EXPECT_EQ(state >> 16, 8023u);
}

TEST(MoveListMap, QuarterAmountsFinishTheRebuildOnTheFourthStepAndLatchTheFirstValues) {
  MoveList list;
  createMoveList(list, 16, 8, 0, 0, 0);
  const std::vector<MapEntry> old1 = list.map1;
  const int64_t quarter = std::llrint(16 * 8 * 0.25);
  refreshMoveListMap(list, quarter, 0.0f, 0.0f, false);
  EXPECT_EQ(list.progress, 32u);
  // Values passed during a cycle are ignored until the next one starts.
  refreshMoveListMap(list, quarter, 9.0f, 1.0f, true);
  refreshMoveListMap(list, quarter, 9.0f, 1.0f, true);
  EXPECT_EQ(list.progress, 96u);
  EXPECT_EQ(list.map1, old1) << "the warp keeps the complete map until the rebuild ends";
  refreshMoveListMap(list, quarter, 9.0f, 1.0f, true);
  EXPECT_EQ(list.progress, 0u);
  EXPECT_EQ(list.scaling, 0.0f);
  EXPECT_FALSE(list.mode);
  // Scaling 0 is the identity, except that the last row and column read from
  // the row and column before so that the filter stays inside.
  for (uint32_t r = 0; r < 8; ++r)
    for (uint32_t c = 0; c < 16; ++c) {
      const MapEntry e = list.map1[r * 16 + c];
      EXPECT_EQ(e.y, static_cast<int16_t>(std::min(r, 6u) * 128)) << r << "," << c;
      EXPECT_EQ(e.x, static_cast<int16_t>(std::min(c, 14u) * 128)) << r << "," << c;
    }
  EXPECT_EQ(list.map2, old1) << "the finished map swaps with the old one";

  // More than what is left finishes the cycle; nothing and negative amounts do nothing.
  refreshMoveListMap(list, 1000, 1.0f, 1.0f, false);
  EXPECT_EQ(list.progress, 0u);
  refreshMoveListMap(list, 0, 1.0f, 1.0f, true);
  refreshMoveListMap(list, -5, 1.0f, 1.0f, true);
  EXPECT_EQ(list.progress, 0u);
}

TEST(MoveListMap, ZoomVariantsGiveTheirOwnSourcePositions) {
  MoveList list;
  createMoveList(list, 8, 8, 0, 0, 0);
  // Row 4, column 6: ny = 0, nx = 0.5, radius 0.5; without rotation the zoom
  // is 0.94 − 0.05 = 0.89, or 1.1 in the other variant.
  refreshMoveListMap(list, 64, 0.0f, 1.0f, false);
  EXPECT_EQ(list.map1[4 * 8 + 6].y, 512);
  EXPECT_EQ(list.map1[4 * 8 + 6].x, 740);  // round(1.445 × 512)
  refreshMoveListMap(list, 64, 0.0f, 1.0f, true);
  EXPECT_EQ(list.map1[4 * 8 + 6].x, 794);  // round(1.55 × 512)
}

TEST(MoveListMap, EntriesStayInsideThePictureWhateverTheParameters) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float values[][2] = {{2.5f, 0.1f}, {0.1f, 0.5f}, {40.0f, 3.0f}, {-7.0f, -2.0f}, {1e30f, 1e30f}, {nan, 1.0f}};
  for (uint32_t side : {2u, 3u, 255u, 256u}) {
    MoveList list;
    createMoveList(list, static_cast<int32_t>(side), 5, 0, 0, 0);
    for (auto [rotation, scaling] : values)
      for (bool mode : {false, true}) {
        refreshMoveListMap(list, int64_t{side} * 5, rotation, scaling, mode);
        for (const MapEntry& e : list.map1) {
          ASSERT_GE(e.y, 0);
          ASSERT_LE(e.y, 5 * 128 - 129);
          ASSERT_GE(e.x, 0);
          ASSERT_LE(e.x, static_cast<int>(side) * 128 - 129);
        }
      }
  }
}

TEST(MoveListWarp, PhaseZeroUsesMapOneAloneAndFullPhaseTheOtherMap) {
  PathGuard guard;
  for (bool packed : {false, true}) {
    setMovePackedPath(packed);
    MoveList list;
    createMoveList(list, 8, 6, 255, 255, 255);
    list.map1 = shiftedMap(8, 6, 0, 0);
    const std::vector<MapEntry> right = shiftedMap(8, 6, 0, 1);
    for (uint32_t r = 0; r < 6; ++r) list.picture[r * 8 + 3] = rgba(0, 100, 200, 255);

    warpMoveList(list, right, 8, 6, 0);
    // Unmoved, and one warp darkens each byte: 255 → 253, 200 → 198, 100 → 98.
    EXPECT_EQ(list.picture[2 * 8 + 3], rgba(0, 98, 198, 253));
    EXPECT_EQ(list.picture[2 * 8 + 4], rgba(253, 253, 253, 253));

    warpMoveList(list, right, 8, 6, 40000);  // limited to 32767
    EXPECT_EQ(list.picture[2 * 8 + 2], rgba(0, 96, 196, 251)) << "column 3 moved one to the left";
    EXPECT_EQ(list.picture[2 * 8 + 3], rgba(251, 251, 251, 251));
  }
}

TEST(MoveListWarp, FractionsWeighNeighboursWithWeightsSummingTo255) {
  PathGuard guard;
  for (bool packed : {false, true}) {
    setMovePackedPath(packed);
    MoveList list;
    createMoveList(list, 4, 4, 0, 0, 0);
    list.map1 = shiftedMap(4, 4, 0, 0);
    list.map1[0] = MapEntry{65, 33};  // half a pixel down, a quarter right: fy 128, fx 64
    list.picture[1] = rgba(200, 0, 0, 0);
    list.picture[4] = rgba(0, 200, 0, 0);
    list.picture[5] = rgba(0, 0, 200, 0);
    warpMoveList(list, list.map1, 4, 4, 0);
    // Red: left 0, right (200·127)>>8 = 99, then (99·64)>>8 = 24.
    // Green: left (200·128)>>8 = 100, then (100·191)>>8 = 74.
    // Blue: right (200·128)>>8 = 100, then (100·64)>>8 = 25.
    // Alpha: left (255·127)>>8 = 126, then (126·191)>>8 = 94.
    EXPECT_EQ(list.picture[0], rgba(24, 74, 25, 94));

  }
}

TEST(MoveListWarp, MapsOfAnotherSizeAreLimitedToThisPicture) {
  PathGuard guard;
  for (bool packed : {false, true}) {
    setMovePackedPath(packed);
    MoveList big;
    createMoveList(big, 256, 256, 0, 0, 0);
    for (MapEntry& e : big.map1) e = MapEntry{32512, 32512};
    MoveList small;
    createMoveList(small, 6, 5, 0, 0, 0);
    small.map1 = shiftedMap(6, 5, 0, 0);
    small.picture.back() = rgba(255, 255, 255, 255);
    // The big map points far outside the small picture; its coordinates are
    // held to the last 2 × 2 neighbourhood, whose far corner is white.
    warpMoveList(small, big.map1, 256, 256, 32767);
    for (uint32_t p : small.picture) ASSERT_EQ(p, rgba(253, 253, 253, 253));

    // A smaller map is read at the same row and column, clamped to its size.
    MoveList tiny;
    createMoveList(tiny, 2, 2, 0, 0, 0);
    tiny.map1 = {{1, 1}, {1, 129}, {129, 1}, {129, 129}};
    createMoveList(small, 6, 5, 0, 0, 0);
    for (uint32_t i = 0; i < small.picture.size(); ++i) small.picture[i] = rgba(i, 0, 0, 255);
    warpMoveList(small, tiny.map1, 2, 2, 32767);
    EXPECT_EQ(small.picture[0] & 0xFF, 0u);
    EXPECT_EQ(small.picture[6 * 4 + 5] & 0xFF, (((7u * 255) >> 8) * 255) >> 8) << "reads pixel (1, 1)";

    // An empty or short map stands in as map1.
    warpMoveList(small, {}, 6, 5, 32767);
    warpMoveList(small, tiny.map1, 6, 5, 32767);
  }
}

TEST(MoveListWarp, PackedPathGivesThePortablePixels) {
  if (!movePackedPathBuilt()) GTEST_SKIP() << "no packed path in this build";
  std::mt19937 random(7);
  const uint32_t sizes[][2] = {{2, 2}, {3, 7}, {5, 5}, {16, 16}, {17, 9}, {255, 3}, {256, 256}, {64, 128}};
  for (auto [w, h] : sizes) {
    for (int round = 0; round < 3; ++round) {
      MoveList a;
      createMoveList(a, static_cast<int32_t>(w), static_cast<int32_t>(h), 0, 0, 0);
      for (uint32_t& p : a.picture) p = random();
      // Fully random entries (negative, beyond the picture) as well as built maps.
      if (round == 0) {
        refreshMoveListMap(a, int64_t{w} * h, 2.5f, 0.1f, true);
        refreshMoveListMap(a, int64_t{w} * h, 0.1f, 0.5f, false);
      } else {
        for (MapEntry& e : a.map1) e = MapEntry{static_cast<int16_t>(random()), static_cast<int16_t>(random())};
        for (MapEntry& e : a.map2) e = MapEntry{static_cast<int16_t>(random()), static_cast<int16_t>(random())};
      }
      const uint32_t ow = round == 2 ? w / 2 + 1 : w;
      const uint32_t oh = round == 2 ? h + 3 : h;
      std::vector<MapEntry> other(size_t{ow} * oh);
      for (MapEntry& e : other) e = MapEntry{static_cast<int16_t>(random()), static_cast<int16_t>(random())};
      if (round == 0) other = a.map2;
      MoveList b = a;
      for (int32_t phase : {0, 1, 12345, 32766, 32767}) {
        warpMoveListPortable(a, other, ow, oh, phase);
        warpMoveListPacked(b, other, ow, oh, phase);
        ASSERT_EQ(a.picture, b.picture) << w << "x" << h << " round " << round << " phase " << phase;
      }
    }
  }
}

// ---- painting -------------------------------------------------------------

MoveList listWithBrush(uint32_t w, uint32_t h, uint32_t bw, uint32_t bh, int32_t type) {
  MoveList list;
  createMoveList(list, static_cast<int32_t>(w), static_cast<int32_t>(h), 10, 20, 30);
  list.brushWidth = bw;
  list.brushHeight = bh;
  list.brushType = type;
  list.brush.resize(size_t{bw} * bh);
  // Each brush pixel names its own position; every fourth is 0.
  for (uint32_t y = 0; y < bh; ++y)
    for (uint32_t x = 0; x < bw; ++x) list.brush[y * bw + x] = (x + y) % 4 == 0 ? 0 : rgba(x, y, 200, 255);
  return list;
}

TEST(MoveListPaint, EachBrushTypeStampsAtTheTopLeftAtTickZero) {
  PathGuard guard;
  uint32_t state = kEffectRandomSeed;
  const uint32_t back = rgba(10, 20, 30, 255);
  for (bool packed : {false, true}) {
    setMovePackedPath(packed);
    MoveList solid = listWithBrush(8, 8, 3, 2, kBrushSolid);
    paintMoveList(solid, 0, 1, 0, 1.0f, state);
    EXPECT_EQ(solid.picture[0], 0u);
    EXPECT_EQ(solid.picture[1], rgba(1, 0, 200, 255));
    EXPECT_EQ(solid.picture[8 + 2], rgba(2, 1, 200, 255));
    EXPECT_EQ(solid.picture[3], back);
    EXPECT_EQ(solid.picture[16], back);

    MoveList chroma = listWithBrush(8, 8, 3, 2, kBrushChroma);
    paintMoveList(chroma, 0, 1, 0, 1.0f, state);
    EXPECT_EQ(chroma.picture[0], back) << "zero brush pixels leave the picture";
    EXPECT_EQ(chroma.picture[1], rgba(1, 0, 200, 255));

    MoveList trans = listWithBrush(8, 8, 3, 2, kBrushTrans);
    paintMoveList(trans, 0, 1, 0, 1.0f, state);
    EXPECT_EQ(trans.picture[0], back);
    // Red keeps its low bit through the mask; the alpha carry leaves the 32 bits.
    EXPECT_EQ(trans.picture[1], rgba(5, 10, 115, 126));

    MoveList add = listWithBrush(8, 8, 3, 2, kBrushAdd);
    paintMoveList(add, 0, 1, 0, 1.0f, state);
    EXPECT_EQ(add.picture[1], rgba(11, 20, 230, 255));
    EXPECT_EQ(add.picture[8], rgba(10, 21, 230, 255));
    EXPECT_EQ(add.picture[2], back) << "the odd last pixel of a row is left";

    MoveList other = listWithBrush(8, 8, 3, 2, 7);
    paintMoveList(other, 0, 1, 0, 1.0f, state);
    for (uint32_t p : other.picture) EXPECT_EQ(p, back);
  }
  EXPECT_EQ(state, kEffectRandomSeed) << "stamps draw no random numbers";
}

TEST(MoveListPaint, BrushesLargerThanThePictureAreClipped) {
  uint32_t state = kEffectRandomSeed;
  // Tick 7 at speed 1: sin(3.5π) = −1 and sin(5.6π) ≈ −0.95, so the stamp's
  // corner lies at (−20, −19), above and left of the picture.
  MoveList list = listWithBrush(16, 12, 40, 40, kBrushSolid);
  paintMoveList(list, 7, 1, 0, 1.0f, state);
  for (uint32_t y = 0; y < 12; ++y)
    for (uint32_t x = 0; x < 16; ++x) ASSERT_EQ(list.picture[y * 16 + x], list.brush[(y + 19) * 40 + x + 20]);

  // Tick 1: the corner moves to (20, 12), wholly beyond a small picture.
  MoveList far = listWithBrush(16, 12, 40, 40, kBrushSolid);
  paintMoveList(far, 1, 1, 0, 1.0f, state);
  for (uint32_t p : far.picture) EXPECT_EQ(p, rgba(10, 20, 30, 255));

  // A brush whose pixels do not match its size is not stamped.
  MoveList broken = listWithBrush(16, 12, 4, 4, kBrushSolid);
  broken.brushWidth = 1000;
  paintMoveList(broken, 0, 1, 0, 1.0f, state);
  for (uint32_t p : broken.picture) EXPECT_EQ(p, rgba(10, 20, 30, 255));
}

TEST(MoveListPaint, PackedAdditiveStampMatchesThePortableOne) {
  std::mt19937 random(3);
  for (uint32_t count : {0u, 1u, 2u, 3u, 5u, 8u, 9u, 31u}) {
    std::vector<uint32_t> brush(count), a(count);
    for (uint32_t& p : brush) p = random();
    for (uint32_t& p : a) p = random();
    std::vector<uint32_t> b = a;
    addPixelPairsPortable(a.data(), brush.data(), count);
    addPixelPairsPacked(b.data(), brush.data(), count);
    EXPECT_EQ(a, b) << count;
  }
}

TEST(MoveListPaint, CircleOfRadiusZeroPlotsEightJitteredPoints) {
  MoveList list;
  createMoveList(list, 16, 16, 0, 0, 0);
  uint32_t state = kEffectRandomSeed;
  drawJitteredCircle(list, 8, 8, 0, rgba(200, 100, 50, 0), state);
  // First draws 36309 and 36656: p = 5 − 3 = 2, q = 0 − 0 − 3 = −3.
  const int points[][2] = {{2, -3}, {-2, -3}, {2, 3}, {-2, 3}, {-3, 2}, {3, 2}, {-3, -2}, {3, -2}};
  const uint32_t averaged = rgba(100, 50, 25, 0x7F);  // black opaque averaged once
  int changed = 0;
  for (uint32_t i = 0; i < list.picture.size(); ++i)
    if (list.picture[i] != rgba(0, 0, 0, 255)) ++changed;
  EXPECT_EQ(changed, 8);
  for (auto [dx, dy] : points) EXPECT_EQ(list.picture[(8 + dy) * 16 + 8 + dx], averaged) << dx << "," << dy;
  EXPECT_EQ(state, 12783680u * 22695477u * 22695477u) << "two draws per step";

  // Points off the picture, on any side, are skipped.
  MoveList edge;
  createMoveList(edge, 4, 4, 0, 0, 0);
  drawJitteredCircle(edge, 0, 0, 30, rgba(1, 2, 3, 4), state);
  drawJitteredCircle(edge, -100, 500, 3, rgba(1, 2, 3, 4), state);
}

TEST(MoveListPaint, CirclesOnlyForStyleZeroAndNotForNegativeAmounts) {
  uint32_t state = kEffectRandomSeed;
  MoveList list;
  createMoveList(list, 64, 64, 0, 0, 0);
  paintMoveList(list, 10, 1, 4, 0.0f, state);
  paintMoveList(list, 10, 0, -1, 0.0f, state);
  for (uint32_t p : list.picture) ASSERT_EQ(p, rgba(0, 0, 0, 255));
  EXPECT_EQ(state, kEffectRandomSeed);

  // AMOUNT 0 at speed 0: one circle, colour (255, 128, 255), radius
  // 32 + 64/16 = 36 about (32, 32 + 8).
  paintMoveList(list, 10, 0, 0, 0.0f, state);
  int changed = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const uint32_t p = list.picture[y * 64 + x];
      if (p == rgba(0, 0, 0, 255)) continue;
      ++changed;
      // The circle's colour averaged into black once, or more where points repeat.
      uint32_t expected = rgba(0, 0, 0, 255);
      bool found = false;
      for (int n = 0; n < 8 && !found; ++n) {
        expected = ((rgba(255, 128, 255, 0) & 0xFEFEFEFFu) + (expected & 0xFEFEFEFFu)) >> 1;
        found = p == expected;
      }
      EXPECT_TRUE(found) << std::hex << p;
      const double distance = std::hypot(x - 32, y - 40);
      EXPECT_GT(distance, 36 - 6) << x << "," << y;
      EXPECT_LT(distance, 36 + 6) << x << "," << y;
    }
  EXPECT_GT(changed, 40);
  EXPECT_NE(state, kEffectRandomSeed);
}

}  // namespace
}  // namespace glorbe
