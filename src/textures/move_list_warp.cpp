// The warp of a move-list picture through two blended displacement maps, and
// the additive brush stamp, each as a portable loop (the reference) and as an
// SSE2 loop that gives the same pixels.
//
// Fixed-point rules shared by both: the two map entries are blended as
// (a·wA + b·wB) >> 15 with signed 16-bit saturation and doubled into an
// unsigned 16-bit coordinate in 1/256 pixel, limited so that the 2 × 2
// neighbourhood lies inside the picture. Each byte is filtered vertically
// then horizontally with weights (255 − f, f) and a shift by 8, so a warp
// darkens full white to 253.
#include <algorithm>
#include <array>

#include "textures/move_list.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#define GLORBE_MOVE_PACKED 1
#endif

namespace glorbe {

namespace {

struct WarpSetup {
  const uint32_t* source = nullptr;
  uint32_t* target = nullptr;
  uint32_t width = 0;
  int32_t weightA = 0;  // of map1
  int32_t weightB = 0;  // of the other map
  uint16_t limitY = 0;  // largest coordinate that keeps row iy + 1 inside
  uint16_t limitX = 0;
};

// Prepares one warp, or returns false when the list has no picture. `other`
// is set to the map to blend with, and `sameSize` says whether it can be read
// at the same index as map1.
bool prepareWarp(MoveList& list, const std::vector<MapEntry>*& other, uint32_t& otherWidth, uint32_t& otherHeight,
                 int32_t phase, WarpSetup& setup) {
  const size_t count = size_t{list.width} * list.height;
  if (list.width < kMoveListMinSide || list.height < kMoveListMinSide || list.picture.size() < count ||
      list.backPicture.size() < count || list.map1.size() < count)
    return false;
  if (otherWidth == 0 || otherHeight == 0 || other->size() < size_t{otherWidth} * otherHeight) {
    other = &list.map1;
    otherWidth = list.width;
    otherHeight = list.height;
  }
  phase = std::clamp<int32_t>(phase, 0, 32767);
  setup.source = list.picture.data();
  setup.target = list.backPicture.data();
  setup.width = list.width;
  setup.weightA = 32767 - phase;
  setup.weightB = phase;
  setup.limitY = static_cast<uint16_t>((list.height - 1) * 256 - 1);
  setup.limitX = static_cast<uint16_t>((list.width - 1) * 256 - 1);
  return true;
}

// The row of the other map that pairs with `row` of this list; a map of
// another size is read at the same row and column, clamped to its own size.
const MapEntry* otherRow(const std::vector<MapEntry>& other, uint32_t otherWidth, uint32_t otherHeight,
                         const MoveList& list, uint32_t row, std::array<MapEntry, kMoveListMaxSide>& scratch) {
  if (otherWidth == list.width && otherHeight == list.height) return &other[size_t{row} * list.width];
  const size_t base = size_t{std::min(row, otherHeight - 1)} * otherWidth;
  for (uint32_t c = 0; c < list.width; ++c) scratch[c] = other[base + std::min(c, otherWidth - 1)];
  return scratch.data();
}

inline uint16_t blendCoordinate(int32_t a, int32_t b, const WarpSetup& s, uint16_t limit) {
  const int32_t blended = std::clamp<int32_t>((a * s.weightA + b * s.weightB) >> 15, -32768, 32767);
  const uint16_t doubled = static_cast<uint16_t>(static_cast<uint32_t>(blended) << 1);
  return std::min(doubled, limit);
}

inline uint32_t filterPixel(const WarpSetup& s, uint16_t cy, uint16_t cx) {
  const uint32_t fy = cy & 0xFF;
  const uint32_t fx = cx & 0xFF;
  const size_t index = size_t{static_cast<uint32_t>(cy >> 8)} * s.width + (cx >> 8);
  const uint32_t p00 = s.source[index];
  const uint32_t p01 = s.source[index + 1];
  const uint32_t p10 = s.source[index + s.width];
  const uint32_t p11 = s.source[index + s.width + 1];
  uint32_t result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t left = (((p00 >> shift) & 0xFF) * (255 - fy) + ((p10 >> shift) & 0xFF) * fy) >> 8;
    const uint32_t right = (((p01 >> shift) & 0xFF) * (255 - fy) + ((p11 >> shift) & 0xFF) * fy) >> 8;
    result |= ((left * (255 - fx) + right * fx) >> 8) << shift;
  }
  return result;
}

inline void warpPixelsPortable(const WarpSetup& s, const MapEntry* a, const MapEntry* b, uint32_t* target,
                               uint32_t from, uint32_t to) {
  for (uint32_t c = from; c < to; ++c) {
    const uint16_t cy = blendCoordinate(a[c].y, b[c].y, s, s.limitY);
    const uint16_t cx = blendCoordinate(a[c].x, b[c].x, s, s.limitX);
    target[c] = filterPixel(s, cy, cx);
  }
}

// One warp step, row by row: `warpRow(setup, map1 row, other map row,
// target row, width)` does the pixels; the picture and its back buffer swap.
template <typename RowFn>
void warpRows(MoveList& list, const std::vector<MapEntry>& otherMap, uint32_t otherWidth, uint32_t otherHeight,
              int32_t phase, RowFn warpRow) {
  WarpSetup s;
  const std::vector<MapEntry>* other = &otherMap;
  if (!prepareWarp(list, other, otherWidth, otherHeight, phase, s)) return;
  std::array<MapEntry, kMoveListMaxSide> scratch;
  for (uint32_t row = 0; row < list.height; ++row) {
    const MapEntry* b = otherRow(*other, otherWidth, otherHeight, list, row, scratch);
    const size_t base = size_t{row} * list.width;
    warpRow(s, &list.map1[base], b, s.target + base, list.width);
  }
  std::swap(list.picture, list.backPicture);
}

}  // namespace

void warpMoveListPortable(MoveList& list, const std::vector<MapEntry>& otherMap, uint32_t otherWidth,
                          uint32_t otherHeight, int32_t phase) {
  warpRows(list, otherMap, otherWidth, otherHeight, phase,
           [](const WarpSetup& s, const MapEntry* a, const MapEntry* b, uint32_t* target, uint32_t width) {
             warpPixelsPortable(s, a, b, target, 0, width);
           });
}

#if defined(GLORBE_MOVE_PACKED)

bool movePackedPathBuilt() { return true; }

namespace {

// Unsigned 16-bit minimum from the signed one of SSE2.
inline __m128i minU16(__m128i a, __m128i b) {
  const __m128i bias = _mm_set1_epi16(static_cast<int16_t>(0x8000));
  return _mm_xor_si128(_mm_min_epi16(_mm_xor_si128(a, bias), _mm_xor_si128(b, bias)), bias);
}

// Filters two pixels whose 2 × 2 neighbourhoods start at i0 and i1, with
// per-pixel weights already spread over their four lanes.
inline __m128i filterTwo(const WarpSetup& s, int32_t i0, int32_t i1, __m128i wy1, __m128i wx1) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i full = _mm_set1_epi16(255);
  const __m128i wy0 = _mm_sub_epi16(full, wy1);
  const __m128i wx0 = _mm_sub_epi16(full, wx1);
  const uint32_t* p = s.source;
  // [P00 of both, P01 of both] and [P10 of both, P11 of both].
  const __m128i top = _mm_unpacklo_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + i0)),
                                         _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + i1)));
  const __m128i bottom = _mm_unpacklo_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + i0 + s.width)),
                                            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + i1 + s.width)));
  const __m128i left = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(top, zero), wy0),
                                                    _mm_mullo_epi16(_mm_unpacklo_epi8(bottom, zero), wy1)),
                                      8);
  const __m128i right = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(top, zero), wy0),
                                                     _mm_mullo_epi16(_mm_unpackhi_epi8(bottom, zero), wy1)),
                                       8);
  return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(left, wx0), _mm_mullo_epi16(right, wx1)), 8);
}

void warpRowPacked(const WarpSetup& s, const MapEntry* a, const MapEntry* b, uint32_t* target, uint32_t width) {
  const __m128i weights = _mm_set_epi16(static_cast<int16_t>(s.weightB), static_cast<int16_t>(s.weightA),
                                        static_cast<int16_t>(s.weightB), static_cast<int16_t>(s.weightA),
                                        static_cast<int16_t>(s.weightB), static_cast<int16_t>(s.weightA),
                                        static_cast<int16_t>(s.weightB), static_cast<int16_t>(s.weightA));
  const __m128i limits = _mm_set_epi16(static_cast<int16_t>(s.limitX), static_cast<int16_t>(s.limitY),
                                       static_cast<int16_t>(s.limitX), static_cast<int16_t>(s.limitY),
                                       static_cast<int16_t>(s.limitX), static_cast<int16_t>(s.limitY),
                                       static_cast<int16_t>(s.limitX), static_cast<int16_t>(s.limitY));
  const __m128i strides = _mm_set_epi16(1, static_cast<int16_t>(s.width), 1, static_cast<int16_t>(s.width), 1,
                                        static_cast<int16_t>(s.width), 1, static_cast<int16_t>(s.width));
  const __m128i lowByte = _mm_set1_epi16(0xFF);
  alignas(16) int32_t index[4];
  const uint32_t blocks = width & ~3u;
  for (uint32_t c = 0; c < blocks; c += 4) {
    // Four (y, x) pairs of each map, blended into coordinates in 1/256 pixel.
    const __m128i ma = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + c));
    const __m128i mb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + c));
    const __m128i lo = _mm_srai_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(ma, mb), weights), 15);
    const __m128i hi = _mm_srai_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(ma, mb), weights), 15);
    const __m128i coord = minU16(_mm_slli_epi16(_mm_packs_epi32(lo, hi), 1), limits);
    _mm_store_si128(reinterpret_cast<__m128i*>(index), _mm_madd_epi16(_mm_srli_epi16(coord, 8), strides));
    const __m128i fraction = _mm_and_si128(coord, lowByte);
    // [fy0 fy0 fx0 fx0 fy1 fy1 fx1 fx1] and the same for pixels 2 and 3.
    const __m128i f01 = _mm_unpacklo_epi16(fraction, fraction);
    const __m128i f23 = _mm_unpackhi_epi16(fraction, fraction);
    const __m128i r01 = filterTwo(s, index[0], index[1], _mm_shuffle_epi32(f01, _MM_SHUFFLE(2, 2, 0, 0)),
                                  _mm_shuffle_epi32(f01, _MM_SHUFFLE(3, 3, 1, 1)));
    const __m128i r23 = filterTwo(s, index[2], index[3], _mm_shuffle_epi32(f23, _MM_SHUFFLE(2, 2, 0, 0)),
                                  _mm_shuffle_epi32(f23, _MM_SHUFFLE(3, 3, 1, 1)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target + c), _mm_packus_epi16(r01, r23));
  }
  warpPixelsPortable(s, a, b, target, blocks, width);
}

}  // namespace

void warpMoveListPacked(MoveList& list, const std::vector<MapEntry>& otherMap, uint32_t otherWidth,
                        uint32_t otherHeight, int32_t phase) {
  warpRows(list, otherMap, otherWidth, otherHeight, phase, warpRowPacked);
}

void addPixelPairsPacked(uint32_t* picture, const uint32_t* brush, uint32_t count) {
  const uint32_t even = count & ~1u;
  uint32_t i = 0;
  for (; i + 4 <= even; i += 4) {
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(picture + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(brush + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(picture + i), _mm_adds_epu8(p, b));
  }
  if (i < even) {
    const __m128i p = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(picture + i));
    const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(brush + i));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(picture + i), _mm_adds_epu8(p, b));
  }
}

#else

// Without SSE2 the portable loops stand in.
bool movePackedPathBuilt() { return false; }

void warpMoveListPacked(MoveList& list, const std::vector<MapEntry>& otherMap, uint32_t otherWidth,
                        uint32_t otherHeight, int32_t phase) {
  warpMoveListPortable(list, otherMap, otherWidth, otherHeight, phase);
}

void addPixelPairsPacked(uint32_t* picture, const uint32_t* brush, uint32_t count) {
  addPixelPairsPortable(picture, brush, count);
}

#endif

}  // namespace glorbe
