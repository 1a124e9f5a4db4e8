// Move-list pictures: small software RGBA pictures that the timeline warps
// through displacement maps (a feedback warp), paints into with brush stamps
// and jittered circles, and uploads into a texture. The pixel loops are
// fixed-point and exact; a packed-integer (SSE2) warp and additive stamp give
// the same pixels as the portable loops and are used when the processor has
// them.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <string>
#include <vector>

namespace glorbe {

// One displacement: the source position of a pixel in 1/128 pixel.
struct MapEntry {
  int16_t y = 0;
  int16_t x = 0;
  bool operator==(const MapEntry&) const = default;
};

// Largest and smallest side of a move list: map coordinates in 1/128 pixel
// must fit 16 bits, and the bilinear filter needs a 2 × 2 neighbourhood.
inline constexpr uint32_t kMoveListMaxSide = 256;
inline constexpr uint32_t kMoveListMinSide = 2;

enum BrushType : int32_t {
  kBrushSolid = 0,   // copy every brush pixel
  kBrushChroma = 1,  // copy brush pixels that are not 0
  kBrushTrans = 2,   // average with non-zero brush pixels
  kBrushAdd = 3,     // bytewise saturating add, two pixels at a time
};

struct MoveList {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint32_t> picture;      // front picture, bytes R, G, B, A in memory order
  std::vector<uint32_t> backPicture;  // target of the warp, swapped with picture afterwards
  std::vector<MapEntry> map1;         // the complete displacement map
  std::vector<MapEntry> map2;         // the map being rebuilt
  uint32_t progress = 0;              // map2 entries rebuilt in this cycle
  float rotation = 0.0f;              // latched at the start of a rebuild cycle
  float scaling = 0.0f;
  bool mode = false;
  GLuint texture = 0;
  std::vector<uint32_t> brush;  // brushWidth × brushHeight pixels, or empty
  uint32_t brushWidth = 0;
  uint32_t brushHeight = 0;
  int32_t brushType = kBrushSolid;
  std::string name;
};

// ---- effect random generator ---------------------------------------------

inline constexpr uint32_t kEffectRandomSeed = 12783680;

// Advances the state (× 22695477 modulo 2^32) and returns it shifted right by 16.
uint32_t nextEffectRandom(uint32_t& state);

// ---- operations -------------------------------------------------------------

// Sizes the list (each side limited to 2..256), fills both pictures with the
// opaque colour (r, g, b, 255), allocates zeroed maps and clears the brush.
void createMoveList(MoveList& list, int32_t width, int32_t height, uint8_t r, uint8_t g, uint8_t b);

// Rebuilds `amount` more entries of map2 (negative amounts do nothing);
// completing the map swaps map1 and map2.
void refreshMoveListMap(MoveList& list, int64_t amount, float rotation, float scaling, bool mode);

// One warp step: every pixel of backPicture is sampled from picture at the
// blend of map1 (weight 32767 − phase) and otherMap (weight phase), then the
// pictures swap. otherMap belongs to a list of otherWidth × otherHeight; a
// map of another size is read at the same row and column (clamped to it),
// and every blended coordinate is limited to this picture.
void warpMoveList(MoveList& list, const std::vector<MapEntry>& otherMap, uint32_t otherWidth,
                  uint32_t otherHeight, int32_t phase);

// The brush stamp (all types) and, for style 0, the jittered circles.
// Circles draw numbers from `randomState`.
void paintMoveList(MoveList& list, int32_t localTick, int32_t style, int32_t amount, float speed,
                   uint32_t& randomState);

// Midpoint circle whose points are jittered by up to ±4 pixels; each point
// inside the picture is averaged with `colour` (masks 0xFEFEFEFF).
void drawJitteredCircle(MoveList& list, int64_t cx, int64_t cy, int64_t radius, uint32_t colour,
                        uint32_t& randomState);

// ---- the two code paths, for tests and benchmarks ----------------------------

// True when this build has the packed-integer paths.
bool movePackedPathBuilt();
// True when warpMoveList and the additive stamp take the packed path.
bool movePackedPathInUse();
// Forces the choice (tests); `on` is ignored when the path is not built.
void setMovePackedPath(bool on);

void warpMoveListPortable(MoveList& list, const std::vector<MapEntry>& otherMap, uint32_t otherWidth,
                          uint32_t otherHeight, int32_t phase);
void warpMoveListPacked(MoveList& list, const std::vector<MapEntry>& otherMap, uint32_t otherWidth,
                        uint32_t otherHeight, int32_t phase);

// Saturating bytewise add of `count` brush pixels onto picture pixels; an odd
// last pixel is left unchanged.
void addPixelPairsPortable(uint32_t* picture, const uint32_t* brush, uint32_t count);
void addPixelPairsPacked(uint32_t* picture, const uint32_t* brush, uint32_t count);

}  // namespace glorbe
