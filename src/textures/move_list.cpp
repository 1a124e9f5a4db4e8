// Move-list pictures: creation, the spread-out rebuilding of the displacement
// maps, the brush stamps and the jittered circles. The warp loops are in
// move_list_warp.cpp.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "common/numbers.h"
#include "platform/cpu_features.h"
#include "textures/move_list.h"

namespace glorbe {

static_assert(std::endian::native == std::endian::little,
              "pixel masks and the packed paths assume R in the low byte of a pixel");

namespace {

uint32_t averagePixels(uint32_t a, uint32_t b) { return ((a & 0xFEFEFEFFu) + (b & 0xFEFEFEFFu)) >> 1; }

struct PathChoice {
  bool packed = movePackedPathBuilt() && cpuHasPackedInteger();
};

PathChoice& pathChoice() {
  static PathChoice choice;
  return choice;
}

}  // namespace

uint32_t nextEffectRandom(uint32_t& state) {
  state *= 22695477u;
  return state >> 16;
}

bool movePackedPathInUse() { return pathChoice().packed; }

void setMovePackedPath(bool on) { pathChoice().packed = on && movePackedPathBuilt(); }

void createMoveList(MoveList& list, int32_t width, int32_t height, uint8_t r, uint8_t g, uint8_t b) {
  list.width = static_cast<uint32_t>(std::clamp<int32_t>(width, kMoveListMinSide, kMoveListMaxSide));
  list.height = static_cast<uint32_t>(std::clamp<int32_t>(height, kMoveListMinSide, kMoveListMaxSide));
  const size_t count = size_t{list.width} * list.height;
  const uint32_t colour = uint32_t{r} | uint32_t{g} << 8 | uint32_t{b} << 16 | 0xFF000000u;
  list.picture.assign(count, colour);
  list.backPicture.assign(count, colour);
  list.map1.assign(count, MapEntry{});
  list.map2.assign(count, MapEntry{});
  list.progress = 0;
  list.brush.clear();
  list.brushWidth = 0;
  list.brushHeight = 0;
  list.brushType = kBrushSolid;
}

void refreshMoveListMap(MoveList& list, int64_t amount, float rotation, float scaling, bool mode) {
  const uint32_t total = list.width * list.height;
  if (amount <= 0 || total == 0 || list.map2.size() < total) return;
  if (list.progress == 0) {
    list.rotation = rotation;
    list.scaling = scaling;
    list.mode = mode;
  }
  const uint32_t count = static_cast<uint32_t>(std::min<int64_t>(amount, total - list.progress));

  const uint32_t hw = list.width / 2;
  const uint32_t hh = list.height / 2;
  const float ky = static_cast<float>(hh * 128);
  const float kx = static_cast<float>(hw * 128);
  const float omega = list.rotation * kPi * 0.09f * list.scaling;
  const int64_t yLimit = int64_t{list.height} * 128 - 128;
  const int64_t xLimit = int64_t{list.width} * 128 - 128;

  for (uint32_t i = list.progress; i < list.progress + count; ++i) {
    const uint32_t row = i / list.width;
    const uint32_t column = i % list.width;
    const float ny = static_cast<float>(row) / static_cast<float>(hh) - 1.0f;
    const float nx = static_cast<float>(column) / static_cast<float>(hw) - 1.0f;
    const float rho = std::sqrt(nx * nx + ny * ny);
    const float alpha = omega * std::sin(15.0f * rho);
    const float q = list.mode ? std::fabs(alpha) * (1.1f - rho) + 1.1f : 0.94f - (std::fabs(alpha) + 0.1f * rho);
    const float z = list.scaling * (q - 1.0f) + 1.0f;
    const float c = std::cos(alpha);
    const float s = std::sin(alpha);
    // Rounded within a margin wide enough for the clamps below to act as written.
    int64_t y = roundIntoRange((ny * z * c + nx * z * s + 1.0f) * ky, -1, yLimit);
    int64_t x = roundIntoRange((nx * z * c - ny * z * s + 1.0f) * kx, -1, xLimit);
    if (y < 0) y = 0;
    if (y >= yLimit) y = yLimit - 128;
    if (x < 0) x = 0;
    if (x >= xLimit) x = xLimit - 128;
    list.map2[i] = MapEntry{static_cast<int16_t>(y), static_cast<int16_t>(x)};
  }

  list.progress += count;
  if (list.progress == total) {
    list.progress = 0;
    std::swap(list.map1, list.map2);
  }
}

void warpMoveList(MoveList& list, const std::vector<MapEntry>& otherMap, uint32_t otherWidth,
                  uint32_t otherHeight, int32_t phase) {
  if (movePackedPathInUse()) {
    warpMoveListPacked(list, otherMap, otherWidth, otherHeight, phase);
  } else {
    warpMoveListPortable(list, otherMap, otherWidth, otherHeight, phase);
  }
}

void addPixelPairsPortable(uint32_t* picture, const uint32_t* brush, uint32_t count) {
  const uint32_t even = count & ~1u;
  for (uint32_t i = 0; i < even; ++i) {
    uint32_t sum = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const uint32_t s = ((picture[i] >> shift) & 0xFF) + ((brush[i] >> shift) & 0xFF);
      sum |= std::min<uint32_t>(s, 255) << shift;
    }
    picture[i] = sum;
  }
}

namespace {

void stampBrush(MoveList& list, int32_t localTick, float speed) {
  const uint32_t bw = list.brushWidth;
  const uint32_t bh = list.brushHeight;
  if (bw == 0 || bh == 0 || list.brush.size() < size_t{bw} * bh) return;
  const float tick = static_cast<float>(localTick);
  const int64_t cx = bw / 2 + roundIntoRange(bw * std::sin(tick * kPi * speed * 0.5f) * 0.5f, -int64_t{bw}, bw);
  const int64_t cy = bh / 2 + roundIntoRange(bh * std::sin(tick * kPi * speed * 0.8f) * 0.5f, -int64_t{bh}, bh);
  const int64_t left = cx - bw / 2;
  const int64_t top = cy - bh / 2;

  // The part of the brush that lies on the picture.
  const int64_t bx0 = std::max<int64_t>(0, -left);
  const int64_t bx1 = std::min<int64_t>(bw, int64_t{list.width} - left);
  const int64_t by0 = std::max<int64_t>(0, -top);
  const int64_t by1 = std::min<int64_t>(bh, int64_t{list.height} - top);
  if (bx0 >= bx1 || by0 >= by1) return;
  const uint32_t run = static_cast<uint32_t>(bx1 - bx0);
  const bool packed = movePackedPathInUse();

  for (int64_t by = by0; by < by1; ++by) {
    const uint32_t* src = &list.brush[static_cast<size_t>(by * bw + bx0)];
    uint32_t* dst = &list.picture[static_cast<size_t>((top + by) * list.width + left + bx0)];
    switch (list.brushType) {
      case kBrushSolid:
        std::memcpy(dst, src, run * sizeof(uint32_t));
        break;
      case kBrushChroma:
        for (uint32_t i = 0; i < run; ++i)
          if (src[i] != 0) dst[i] = src[i];
        break;
      case kBrushTrans:
        for (uint32_t i = 0; i < run; ++i)
          if (src[i] != 0) dst[i] = averagePixels(src[i], dst[i]);
        break;
      case kBrushAdd:
        if (packed) {
          addPixelPairsPacked(dst, src, run);
        } else {
          addPixelPairsPortable(dst, src, run);
        }
        break;
      default:
        return;
    }
  }
}

void plot(MoveList& list, int64_t x, int64_t y, uint32_t colour) {
  if (x < 0 || y < 0 || x >= list.width || y >= list.height) return;
  uint32_t& pixel = list.picture[static_cast<size_t>(y * list.width + x)];
  pixel = averagePixels(colour, pixel);
}

}  // namespace

void drawJitteredCircle(MoveList& list, int64_t cx, int64_t cy, int64_t r, uint32_t colour, uint32_t& randomState) {
  int64_t x = 0;
  int64_t y = r;
  int64_t d = 3 - 2 * r;
  while (y >= x) {
    const uint32_t ra = nextEffectRandom(randomState);
    const uint32_t rb = nextEffectRandom(randomState);
    const int64_t p = int64_t{ra & 7} + x - 3;
    const int64_t q = int64_t{rb & 7} - y - 3;
    plot(list, cx + p, cy + q, colour);
    plot(list, cx - p, cy + q, colour);
    plot(list, cx + p, cy - q, colour);
    plot(list, cx - p, cy - q, colour);
    plot(list, cx + q, cy + p, colour);
    plot(list, cx - q, cy + p, colour);
    plot(list, cx + q, cy - p, colour);
    plot(list, cx - q, cy - p, colour);
    if (d < 0) {
      d += 4 * x + 6;
    } else {
      d += 4 * (x - y) + 10;
      --y;
    }
    ++x;
  }
}

namespace {

// Circles per side are limited: beyond a few dozen they only overdraw the
// same small area, and an unbounded count would stall the frame.
constexpr int64_t kMaxCircleHalfCount = 255;

void paintCircles(MoveList& list, int32_t localTick, int32_t amount, float speed, uint32_t& randomState) {
  if (amount < 0) return;
  const int64_t k = std::min<int64_t>(static_cast<uint32_t>(amount) / 2, kMaxCircleHalfCount);
  const uint32_t tick = static_cast<uint32_t>(localTick);
  const int64_t w = list.width;
  const int64_t h = list.height;
  for (int64_t a = -k; a <= k; ++a) {
    for (int64_t b = -k; b <= k; ++b) {
      const uint32_t ua = static_cast<uint32_t>(a);
      const uint32_t ub = static_cast<uint32_t>(b);
      const float tau = static_cast<float>(ua * ub * 100u + tick) * kPi * speed;
      const float tauA = static_cast<float>(ua * 100u + tick) * kPi * speed;
      const float tauB = static_cast<float>(ub * 100u + tick) * kPi * speed;
      const uint32_t red = static_cast<uint32_t>(roundIntoRange((std::cos(2.0f * tau) + 1.0f) * 127.5f, 0, 255));
      const uint32_t green = static_cast<uint32_t>(roundIntoRange((std::sin(1.5f * tau) + 1.0f) * 127.5f, 0, 255));
      const uint32_t blue = static_cast<uint32_t>(roundIntoRange((std::cos(tau) + 1.0f) * 127.5f, 0, 255));
      const uint32_t colour = red | green << 8 | blue << 16;
      const int64_t radius = roundIntoRange(
          (std::sin(0.3f * tau) + 1.0f) * static_cast<float>(w / 2) + std::cos(0.5f * tau) * static_cast<float>(h / 16),
          -h, w + h);
      const int64_t cx = w / 2 + roundIntoRange(std::sin(tauA) * static_cast<float>(w / 8), -w, w);
      const int64_t cy = h / 2 + roundIntoRange(std::cos(tauB) * static_cast<float>(h / 8), -h, h);
      drawJitteredCircle(list, cx, cy, radius, colour, randomState);
    }
  }
}

}  // namespace

void paintMoveList(MoveList& list, int32_t localTick, int32_t style, int32_t amount, float speed,
                   uint32_t& randomState) {
  if (list.picture.size() < size_t{list.width} * list.height) return;
  if (!list.brush.empty()) stampBrush(list, localTick, speed);
  if (style == 0) paintCircles(list, localTick, amount, speed, randomState);
}

}  // namespace glorbe
