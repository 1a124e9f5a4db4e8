// The texture generator's workspace, its twenty operations, its random
// generator and the ".TEX" program format.
//
// Each operation converts its parameters once, checks the layers it names
// and then runs a plain loop over bytes; everything a loop needs per row,
// column, cell or channel value (sines, cell weights, lookup tables) is
// computed into the workspace's table before the loop starts.
#include "textures/texture_generator.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>

#include "common/byte_order.h"
#include "common/numbers.h"
#include "common/random_source.h"

namespace glorbe {

TexGenerator texGenerator;

namespace {

TexGenerator& g = texGenerator;

// The smooth sampling's own constant, slightly below pi.
constexpr float kSmoothPi = 3.141592f;

// ---- conversions --------------------------------------------------------------

// A result channel: 255 and above give 255, 0 and below (and NaN) give 0,
// the rest are truncated.
inline uint8_t clampChannel(float v) {
  if (v >= 255.0f) return 255;
  if (v > 0.0f) return static_cast<uint8_t>(v);
  return 0;
}

inline uint8_t clampChannel(int64_t v) { return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255)); }

// An int parameter: the float truncated toward zero, NaN as 0 and values
// beyond the 32-bit range as its ends.
int32_t intParam(float f) {
  if (std::isnan(f)) return 0;
  if (f >= 2147483648.0f) return std::numeric_limits<int32_t>::max();
  if (f < -2147483648.0f) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(f);
}

// A layer parameter: 0..5, or -1 for anything else (the step is then skipped).
int layerParam(float f) {
  if (std::isnan(f)) return -1;
  const int32_t layer = intParam(f);
  return layer >= 0 && layer < kTexLayerCount ? layer : -1;
}

inline bool flagParam(float f) { return f == 1.0f; }

// A sample coordinate split into its whole part (toward zero) and the rest.
// Far-away positions keep only what the wrap masks see; NaN and infinities
// sample at 0.
inline void splitCoordinate(float s, int32_t& whole, float& fraction) {
  if (std::fabs(s) < 1.0e9f) {
    whole = static_cast<int32_t>(s);
    fraction = s - static_cast<float>(whole);
    return;
  }
  fraction = 0.0f;
  // Beyond 2^24 every float is a whole number; 2^20 is a multiple of every side.
  whole = std::isfinite(s) ? static_cast<int32_t>(std::fmod(s, 1048576.0f)) : 0;
}

inline float smoothWeight(float t) { return (1.0f - std::cos(kSmoothPi * t)) * 0.5f; }

// ---- pixels -----------------------------------------------------------------

inline size_t layerBytes() { return static_cast<size_t>(g.width) * static_cast<size_t>(g.height) * 3; }

inline size_t pixelAt(int32_t x, int32_t y) {
  return ((static_cast<size_t>(y & g.heightMask) << g.widthShift) + static_cast<size_t>(x & g.widthMask)) * 3;
}

// The channels of the four wrapped pixels around (sx, sy), weighted.
inline void smoothSample(const uint8_t* source, float sx, float sy, uint8_t* out) {
  int32_t ix, iy;
  float u, v;
  splitCoordinate(sx, ix, u);
  splitCoordinate(sy, iy, v);
  const float su = smoothWeight(u);
  const float sv = smoothWeight(v);
  const float w00 = (1.0f - su) * (1.0f - sv), w10 = su * (1.0f - sv), w01 = (1.0f - su) * sv, w11 = su * sv;
  const uint8_t* p00 = source + pixelAt(ix, iy);
  const uint8_t* p10 = source + pixelAt(ix + 1, iy);
  const uint8_t* p01 = source + pixelAt(ix, iy + 1);
  const uint8_t* p11 = source + pixelAt(ix + 1, iy + 1);
  for (int c = 0; c < 3; ++c) out[c] = clampChannel(w00 * p00[c] + w10 * p10[c] + w01 * p01[c] + w11 * p11[c]);
}

uint8_t* layerData(int layer) { return g.layers[static_cast<size_t>(layer)].data(); }

// Copies `source` into the scratch layer and gives the scratch layer.
const uint8_t* stageInScratch(int source) {
  uint8_t* scratch = layerData(kTexScratchLayer);
  if (source != kTexScratchLayer) std::memcpy(scratch, layerData(source), layerBytes());
  return scratch;
}

// Where an operation that reads the scratch layer writes `destination`: the
// layer itself, or the spare buffer when the destination is the scratch
// layer (finishResult then moves it there).
uint8_t* resultBuffer(int destination) {
  if (destination != kTexScratchLayer) return layerData(destination);
  g.spare.resize(layerBytes());
  return g.spare.data();
}

void finishResult(int destination, const uint8_t* result) {
  if (destination == kTexScratchLayer && result != layerData(kTexScratchLayer)) {
    std::memcpy(layerData(kTexScratchLayer), result, layerBytes());
  }
}

float* tableOf(size_t count) {
  if (g.table.size() < count) g.table.resize(count);
  return g.table.data();
}

// ---- HSV ----------------------------------------------------------------------

struct Hsv {
  float h, s, v;  // hue in degrees (-1 for greys), saturation 0..1, value 0..255
};

inline Hsv toHsv(const uint8_t* p) {
  const float r = p[0], gr = p[1], b = p[2];
  const float mx = std::max({r, gr, b});
  const float mn = std::min({r, gr, b});
  const float delta = mx - mn;
  Hsv out{-1.0f, mx > 0.0f ? delta / mx : 0.0f, mx};
  if (out.s == 0.0f) return out;
  float h;
  if (r == mx) h = (gr - b) / delta;
  else if (gr == mx) h = 2.0f + (b - r) / delta;
  else h = 4.0f + (r - gr) / delta;
  h *= 60.0f;
  if (h < 0.0f) h += 360.0f;
  out.h = h;
  return out;
}

inline float clampUnit(float s) { return s > 0.0f ? (s < 1.0f ? s : 1.0f) : 0.0f; }
inline float clampValue(float v) { return v > 0.0f ? (v < 255.0f ? v : 255.0f) : 0.0f; }

inline void fromHsv(Hsv c, uint8_t* out) {
  const float s = clampUnit(c.s), v = clampValue(c.v);
  if (s == 0.0f) {
    out[0] = out[1] = out[2] = clampChannel(v);
    return;
  }
  float h = c.h;
  if (!std::isfinite(h)) h = 0.0f;
  if (h < 0.0f || h >= 360.0f) {
    h = std::fmod(h, 360.0f);
    if (h < 0.0f) h += 360.0f;
    if (h >= 360.0f) h -= 360.0f;
  }
  const float sector = h / 60.0f;
  const int i = std::min(static_cast<int>(sector), 5);
  const float f = sector - static_cast<float>(i);
  const float p = v * (1.0f - s), q = v * (1.0f - s * f), t = v * (1.0f - s * (1.0f - f));
  float r, gr, b;
  switch (i) {
    case 0: r = v, gr = t, b = p; break;
    case 1: r = q, gr = v, b = p; break;
    case 2: r = p, gr = v, b = t; break;
    case 3: r = p, gr = q, b = v; break;
    case 4: r = t, gr = p, b = v; break;
    default: r = v, gr = p, b = q; break;
  }
  out[0] = clampChannel(r);
  out[1] = clampChannel(gr);
  out[2] = clampChannel(b);
}

// ---- the operations -------------------------------------------------------------

void noise(int layer, int32_t cell, int32_t seed, uint32_t range, bool colour) {
  uint8_t* d = layerData(layer);
  std::memset(d, 0, layerBytes());
  if (seed != 0) g.seed = static_cast<uint32_t>(seed);
  const int64_t step = std::max<int32_t>(cell, 1);
  const uint32_t mask = range - 1u;
  for (int64_t y = 0; y < g.height; y += step) {
    for (int64_t x = 0; x < g.width; x += step) {
      uint8_t* p = d + pixelAt(static_cast<int32_t>(x), static_cast<int32_t>(y));
      p[0] = static_cast<uint8_t>(nextRandom() & mask);
      if (colour) {
        p[1] = static_cast<uint8_t>(nextRandom() & mask);
        p[2] = static_cast<uint8_t>(nextRandom() & mask);
      } else {
        p[1] = p[2] = p[0];
      }
    }
  }
  if (step < 2) return;

  // Each cell blends its corner sample with the samples one cell to the
  // right, below and diagonally. Cells that would reach past the layer's
  // edge are cut there.
  const int64_t span = std::min<int64_t>(step, std::max(g.width, g.height));
  float* weight = tableOf(static_cast<size_t>(span));
  for (int64_t i = 0; i < span; ++i) weight[i] = smoothWeight(static_cast<float>(i) / static_cast<float>(step));
  for (int64_t y = 0; y < g.height; y += step) {
    const int32_t y0 = static_cast<int32_t>(y), y1 = static_cast<int32_t>((y + step) & g.heightMask);
    for (int64_t x = 0; x < g.width; x += step) {
      const int32_t x0 = static_cast<int32_t>(x), x1 = static_cast<int32_t>((x + step) & g.widthMask);
      uint8_t c00[3], c10[3], c01[3], c11[3];
      std::memcpy(c00, d + pixelAt(x0, y0), 3);
      std::memcpy(c10, d + pixelAt(x1, y0), 3);
      std::memcpy(c01, d + pixelAt(x0, y1), 3);
      std::memcpy(c11, d + pixelAt(x1, y1), 3);
      const int64_t rows = std::min<int64_t>(step, g.height - y), cols = std::min<int64_t>(step, g.width - x);
      for (int64_t j = 0; j < rows; ++j) {
        const float sv = weight[j];
        uint8_t* p = d + pixelAt(x0, static_cast<int32_t>(y + j));
        for (int64_t i = 0; i < cols; ++i, p += 3) {
          const float su = weight[i];
          const float w00 = (1.0f - su) * (1.0f - sv), w10 = su * (1.0f - sv), w01 = (1.0f - su) * sv,
                      w11 = su * sv;
          for (int c = 0; c < 3; ++c) p[c] = clampChannel(w00 * c00[c] + w10 * c10[c] + w01 * c01[c] + w11 * c11[c]);
        }
      }
    }
  }
}

void plasma(int layer, float xFrequency, float yFrequency, int32_t scale) {
  uint8_t* d = layerData(layer);
  float* sinX = tableOf(static_cast<size_t>(g.width + g.height));
  float* sinY = sinX + g.width;
  for (int32_t x = 0; x < g.width; ++x) sinX[x] = std::sin(static_cast<float>(x) * xFrequency);
  for (int32_t y = 0; y < g.height; ++y) sinY[y] = std::sin(static_cast<float>(y) * yFrequency);
  const double factor = static_cast<double>(scale) * (1.0 / 256.0);
  for (int32_t y = 0; y < g.height; ++y) {
    for (int32_t x = 0; x < g.width; ++x, d += 3) {
      const double v = (127.0 + 63.5 * sinX[x] + 63.5 * sinY[y]) * factor;
      // Not clamped: the byte is the low 8 bits of the truncated value.
      const int64_t whole = std::fabs(v) < 9.0e18 ? static_cast<int64_t>(v) : 0;
      d[0] = d[1] = d[2] = static_cast<uint8_t>(whole & 0xFF);
    }
  }
}

void addLayers(uint8_t* destination, const uint8_t* source) {
  const size_t n = layerBytes();
  for (size_t i = 0; i < n; ++i) destination[i] = static_cast<uint8_t>(std::min(destination[i] + source[i], 255));
}

void fractalNoise(int layer, int32_t cell, int32_t seed, int32_t range, int32_t persistence, int32_t octaves,
                  bool colour) {
  cell = std::max<int32_t>(cell, 1);
  noise(layer, cell, seed, 1, colour);  // black, and the seed set
  uint32_t octaveRange = static_cast<uint32_t>(range);
  for (int32_t octave = 1; octave < octaves; ++octave) {
    octaveRange = (octaveRange * static_cast<uint32_t>(persistence)) >> 8;
    if (octaveRange == 0) break;
    cell >>= 1;
    if (cell == 0) break;
    noise(kTexScratchLayer, cell, 0, octaveRange, colour);
    addLayers(layerData(layer), layerData(kTexScratchLayer));
  }
}

void radialGradient(int layer, float fallOff) {
  uint8_t* d = layerData(layer);
  const int32_t cx = g.width >> 1, cy = g.height >> 1;
  const float toUnitX = 1.0f / static_cast<float>(std::max(cx, 1));
  const float toUnitY = 1.0f / static_cast<float>(std::max(cy, 1));
  const float k = fallOff * 180.0f;
  for (int32_t y = 0; y < g.height; ++y) {
    const float dy = static_cast<float>(y - cy) * toUnitY;
    for (int32_t x = 0; x < g.width; ++x, d += 3) {
      const float dx = static_cast<float>(x - cx) * toUnitX;
      d[0] = d[1] = d[2] = clampChannel(255.0f - k * std::sqrt(dx * dx + dy * dy));
    }
  }
}

void fill(int layer, int32_t r, int32_t gr, int32_t b) {
  uint8_t* d = layerData(layer);
  const uint8_t rgb[3] = {clampChannel(int64_t{r}), clampChannel(int64_t{gr}), clampChannel(int64_t{b})};
  const size_t n = layerBytes();
  for (size_t i = 0; i < n; i += 3) std::memcpy(d + i, rgb, 3);
}

void blend(int a, int b, int destination, float factorA, float factorB) {
  const uint8_t *pa = layerData(a), *pb = layerData(b);
  uint8_t* d = layerData(destination);
  const size_t n = layerBytes();
  for (size_t i = 0; i < n; ++i) d[i] = clampChannel(pa[i] * factorA + pb[i] * factorB);
}

void multiply(int a, int b, int destination, float factorA, float factorB) {
  const uint8_t *pa = layerData(a), *pb = layerData(b);
  uint8_t* d = layerData(destination);
  const size_t n = layerBytes();
  for (size_t i = 0; i < n; ++i) d[i] = clampChannel(pa[i] * factorA * pb[i] * factorB / 255.0f);
}

// Operations that map every channel value through a table of 3 x 256 bytes.
void mapChannels(int source, int destination, const uint8_t* table) {
  const uint8_t* s = layerData(source);
  uint8_t* d = layerData(destination);
  const size_t n = layerBytes();
  for (size_t i = 0; i < n; i += 3) {
    d[i] = table[s[i]];
    d[i + 1] = table[256 + s[i + 1]];
    d[i + 2] = table[512 + s[i + 2]];
  }
}

void colourScale(int source, int destination, const float* factors) {
  uint8_t table[768];
  for (int c = 0; c < 3; ++c) {
    for (int v = 0; v < 256; ++v) table[c * 256 + v] = clampChannel(static_cast<float>(v) * factors[c]);
  }
  mapChannels(source, destination, table);
}

void add(int source, int destination, const int32_t* amounts) {
  uint8_t table[768];
  for (int c = 0; c < 3; ++c) {
    for (int v = 0; v < 256; ++v) table[c * 256 + v] = clampChannel(int64_t{v} + amounts[c]);
  }
  mapChannels(source, destination, table);
}

void sineMap(int source, int destination, const float* frequencies) {
  uint8_t table[768];
  for (int c = 0; c < 3; ++c) {
    for (int v = 0; v < 256; ++v) {
      table[c * 256 + v] = clampChannel((std::sin(static_cast<float>(v) * kPi * frequencies[c]) + 1.0f) * 127.5f);
    }
  }
  mapChannels(source, destination, table);
}

void invert(int source, int destination) {
  const uint8_t* s = layerData(source);
  uint8_t* d = layerData(destination);
  const size_t n = layerBytes();
  for (size_t i = 0; i < n; ++i) d[i] = static_cast<uint8_t>(255 - s[i]);
}

void bitRotate(int source, int destination, int32_t shift) {
  // Rotating by 8 is rotating by 0; other counts are taken modulo 8 too.
  const int s = static_cast<int>(shift & 7);
  uint8_t table[768];
  for (int v = 0; v < 256; ++v) table[v] = static_cast<uint8_t>((v << s) | (v >> (8 - s)));
  std::memcpy(table + 256, table, 256);
  std::memcpy(table + 512, table, 256);
  mapChannels(source, destination, table);
}

void hsvChange(int source, int destination, const float* amounts, bool scale) {
  const uint8_t* s = layerData(source);
  uint8_t* d = layerData(destination);
  const size_t n = layerBytes();
  for (size_t i = 0; i < n; i += 3) {
    Hsv c = toHsv(s + i);
    if (scale) {
      c.h *= amounts[0];
      c.s = clampUnit(c.s * amounts[1]);
      c.v = clampValue(c.v * amounts[2]);
    } else {
      c.h += amounts[0];
      c.s = clampUnit(c.s + amounts[1]);
      c.v = clampValue(c.v + amounts[2]);
    }
    fromHsv(c, d + i);
  }
}

void emboss(int source, int destination) {
  const uint8_t* s = stageInScratch(source);
  uint8_t* d = resultBuffer(destination);
  for (int32_t y = 0; y < g.height; ++y) {
    for (int32_t x = 0; x < g.width; ++x) {
      uint8_t* out = d + pixelAt(x, y);
      for (int c = 0; c < 3; ++c) {
        int32_t sum = 128;
        for (int32_t row = y - 1; row <= y + 1; ++row) sum += s[pixelAt(x + 1, row) + c] - s[pixelAt(x - 1, row) + c];
        out[c] = clampChannel(int64_t{sum});
      }
    }
  }
  finishResult(destination, d);
}

void blur(int source, int destination) {
  const uint8_t* s = stageInScratch(source);
  uint8_t* d = resultBuffer(destination);
  for (int32_t y = 0; y < g.height; ++y) {
    const uint8_t* up = s + pixelAt(0, y - 1);
    const uint8_t* mid = s + pixelAt(0, y);
    const uint8_t* down = s + pixelAt(0, y + 1);
    for (int32_t x = 0; x < g.width; ++x) {
      const size_t l = pixelAt(x - 1, 0), m = pixelAt(x, 0), r = pixelAt(x + 1, 0);
      uint8_t* out = d + pixelAt(x, y);
      for (int c = 0; c < 3; ++c) {
        const int32_t sum = up[l + c] + 2 * up[m + c] + up[r + c] + 2 * mid[l + c] + 4 * mid[m + c] +
                            2 * mid[r + c] + down[l + c] + 2 * down[m + c] + down[r + c];
        out[c] = static_cast<uint8_t>(sum >> 4);
      }
    }
  }
  finishResult(destination, d);
}

void sineDistortion(int source, int destination, float yFrequency, float xAmplitude, float xFrequency,
                    float yAmplitude) {
  const uint8_t* s = stageInScratch(source);
  uint8_t* d = resultBuffer(destination);
  float* shiftX = tableOf(static_cast<size_t>(g.width + g.height));  // by row
  float* shiftY = shiftX + g.height;                                  // by column
  for (int32_t y = 0; y < g.height; ++y) shiftX[y] = std::sin(static_cast<float>(y) * yFrequency) * xAmplitude;
  for (int32_t x = 0; x < g.width; ++x) shiftY[x] = std::sin(static_cast<float>(x) * xFrequency) * yAmplitude;
  uint8_t* out = d;
  for (int32_t y = 0; y < g.height; ++y) {
    for (int32_t x = 0; x < g.width; ++x, out += 3) {
      smoothSample(s, static_cast<float>(x) + shiftX[y], static_cast<float>(y) + shiftY[x], out);
    }
  }
  finishResult(destination, d);
}

void twirl(int source, int destination, float strength, float divisor) {
  const uint8_t* s = stageInScratch(source);
  uint8_t* d = resultBuffer(destination);
  const float cx = static_cast<float>(g.width >> 1), cy = static_cast<float>(g.height >> 1);
  const float norm = std::sqrt(2.0f * static_cast<float>(g.width) * static_cast<float>(g.height));
  uint8_t* out = d;
  for (int32_t y = 0; y < g.height; ++y) {
    const float dy = static_cast<float>(y) - cy;
    for (int32_t x = 0; x < g.width; ++x, out += 3) {
      const float dx = static_cast<float>(x) - cx;
      const float r = std::max(0.0f, cx - std::sqrt(dx * dx + dy * dy));
      const float angle = strength * (r * r / norm) / divisor;
      const float c = std::cos(angle), sn = std::sin(angle);
      smoothSample(s, cx + dx * c - dy * sn, cy + dx * sn + dy * c, out);
    }
  }
  finishResult(destination, d);
}

// The two operations that build their result in the scratch layer and copy
// it to the destination; when they also read the scratch layer, the result
// goes through the spare buffer.
uint8_t* scratchResult(bool readsScratch) {
  if (!readsScratch) return layerData(kTexScratchLayer);
  g.spare.resize(layerBytes());
  return g.spare.data();
}

void publishScratchResult(const uint8_t* result, int destination) {
  uint8_t* scratch = layerData(kTexScratchLayer);
  if (result != scratch) std::memcpy(scratch, result, layerBytes());
  if (destination != kTexScratchLayer) std::memcpy(layerData(destination), scratch, layerBytes());
}

void displace(int source, int map, int destination, float xScale, float yScale) {
  const uint8_t* s = layerData(source);
  const uint8_t* m = layerData(map);
  uint8_t* out = scratchResult(source == kTexScratchLayer || map == kTexScratchLayer);
  uint8_t* o = out;
  for (int32_t y = 0; y < g.height; ++y) {
    for (int32_t x = 0; x < g.width; ++x, o += 3, m += 3) {
      const float value = static_cast<float>(std::max({m[0], m[1], m[2]}));
      smoothSample(s, static_cast<float>(x) + value * xScale, static_cast<float>(y) + value * yScale, o);
    }
  }
  publishScratchResult(out, destination);
}

void tile(int source, int destination) {
  const uint8_t* s = layerData(source);
  uint8_t* out = scratchResult(source == kTexScratchLayer);
  uint8_t* o = out;
  for (int32_t y = 0; y < g.height; ++y) {
    for (int32_t x = 0; x < g.width; ++x, o += 3) std::memcpy(o, s + pixelAt(2 * x, 2 * y), 3);
  }
  publishScratchResult(out, destination);
}

// ---- the program format -----------------------------------------------------

// The word at `at`; bytes past `size` read as zero.
uint32_t readWord(const uint8_t* bytes, size_t size, size_t at) {
  uint8_t word[4] = {};
  for (size_t i = 0; i < 4 && at + i < size; ++i) word[i] = bytes[at + i];
  return readLittle32(word);
}

void writeWord(std::vector<uint8_t>& out, size_t at, uint32_t v) { writeLittle32(&out[at], v); }

}  // namespace

// ---- workspace ------------------------------------------------------------------

void resetTexGenerator() { texGenerator = TexGenerator{}; }

int32_t texGeneratorSide(int32_t requested) {
  if (requested < 1) return 1;
  if (requested > kTexMaxSize) return kTexMaxSize;
  return static_cast<int32_t>(std::bit_floor(static_cast<uint32_t>(requested)));
}

void beginGeneratedTexture(int32_t width, int32_t height) {
  g.width = texGeneratorSide(width);
  g.height = texGeneratorSide(height);
  g.widthMask = g.width - 1;
  g.heightMask = g.height - 1;
  g.widthShift = std::countr_zero(static_cast<uint32_t>(g.width));
  // Every layer starts black, the scratch layer too: a program that reads it
  // before writing it sees black rather than an earlier texture's bytes.
  for (auto& layer : g.layers) layer.assign(layerBytes(), 0);
  for (TexStepList& list : g.program.lists) list.stepCount = 0;
}

void releaseGeneratedTexture() {
  for (auto& layer : g.layers) std::vector<uint8_t>().swap(layer);
  std::vector<uint8_t>().swap(g.spare);
  g.width = g.height = 0;
  g.widthMask = g.heightMask = g.widthShift = 0;
}

uint8_t* texLayer(int layer) {
  if (layer < 0 || layer >= kTexLayerCount || g.width == 0) return nullptr;
  return layerData(layer);
}

uint16_t nextRandom() {
  g.seed *= 22695477u;
  return static_cast<uint16_t>(g.seed >> 16);
}

void runTexStep(int32_t opcode, const TexParams& p) {
  if (g.width == 0 || g.layers[0].size() != layerBytes()) return;
  // Every layer the step names must exist; otherwise the step does nothing.
  auto layers = [&p](std::initializer_list<int> which, int* out) {
    for (int i : which) {
      *out = layerParam(p[static_cast<size_t>(i)]);
      if (*out < 0) return false;
      ++out;
    }
    return true;
  };
  int l[3] = {0, 0, 0};
  switch (opcode) {
    case kTexNoise:
      if (layers({0}, l)) noise(l[0], intParam(p[1]), intParam(p[2]), static_cast<uint32_t>(intParam(p[3])), flagParam(p[4]));
      break;
    case kTexPlasma:
      if (layers({0}, l)) plasma(l[0], p[1], p[2], intParam(p[3]));
      break;
    case kTexFractalNoise:
      if (layers({0}, l)) {
        fractalNoise(l[0], intParam(p[1]), intParam(p[2]), intParam(p[3]), intParam(p[4]), intParam(p[5]),
                     flagParam(p[6]));
      }
      break;
    case kTexRadialGradient:
      if (layers({0}, l)) radialGradient(l[0], p[1]);
      break;
    case kTexFill:
      if (layers({0}, l)) fill(l[0], intParam(p[1]), intParam(p[2]), intParam(p[3]));
      break;
    case kTexBlend:
      if (layers({0, 1, 2}, l)) blend(l[0], l[1], l[2], p[3], p[4]);
      break;
    case kTexMultiply:
      if (layers({0, 1, 2}, l)) multiply(l[0], l[1], l[2], p[3], p[4]);
      break;
    case kTexColourScale:
      if (layers({0, 1}, l)) colourScale(l[0], l[1], &p[2]);
      break;
    case kTexHsvScale:
      if (layers({0, 1}, l)) hsvChange(l[0], l[1], &p[2], true);
      break;
    case kTexAdd:
      if (layers({0, 1}, l)) {
        const int32_t amounts[3] = {intParam(p[2]), intParam(p[3]), intParam(p[4])};
        add(l[0], l[1], amounts);
      }
      break;
    case kTexHsvShift:
      if (layers({0, 1}, l)) hsvChange(l[0], l[1], &p[2], false);
      break;
    case kTexSineMap:
      if (layers({0, 1}, l)) sineMap(l[0], l[1], &p[2]);
      break;
    case kTexInvert:
      if (layers({0, 1}, l)) invert(l[0], l[1]);
      break;
    case kTexEmboss:
      if (layers({0, 1}, l)) emboss(l[0], l[1]);
      break;
    case kTexBitRotate:
      if (layers({0, 1}, l)) bitRotate(l[0], l[1], intParam(p[2]));
      break;
    case kTexBlur:
      if (layers({0, 1}, l)) blur(l[0], l[1]);
      break;
    case kTexSineDistortion:
      if (layers({0, 1}, l)) sineDistortion(l[0], l[1], p[2], p[3], p[4], p[5]);
      break;
    case kTexTwirl:
      if (layers({0, 1}, l)) twirl(l[0], l[1], p[2], p[3]);
      break;
    case kTexDisplace:
      if (layers({0, 1, 2}, l)) displace(l[0], l[1], l[2], p[3], p[4]);
      break;
    case kTexTile:
      if (layers({0, 1}, l)) tile(l[0], l[1]);
      break;
    default:
      break;
  }
}

void runTexProgram() {
  for (const TexStepList& list : g.program.lists) {
    const int32_t count = std::clamp<int32_t>(list.stepCount, 0, kTexMaxSteps);
    for (int32_t i = 0; i < count; ++i) {
      // A step may not change the program, but copy its parameters anyway so
      // that nothing a step does can reach the list being walked.
      const TexParams params = list.params[static_cast<size_t>(i)];
      runTexStep(list.opcodes[static_cast<size_t>(i)], params);
    }
  }
}

void decodeTexProgram(const uint8_t* bytes, size_t size, TexProgram& program) {
  if (bytes == nullptr) size = 0;
  for (size_t l = 0; l < kTexStepListCount; ++l) {
    const size_t base = l * kTexStepListBytes;
    TexStepList& list = program.lists[l];
    list.stepCount = static_cast<int32_t>(readWord(bytes, size, base));
    for (size_t s = 0; s < kTexMaxSteps; ++s) {
      list.opcodes[s] = static_cast<int32_t>(readWord(bytes, size, base + 4 + 4 * s));
      for (size_t k = 0; k < kTexParamCount; ++k) {
        list.params[s][k] = std::bit_cast<float>(readWord(bytes, size, base + 404 + 4 * (s * kTexParamCount + k)));
      }
    }
  }
}

std::vector<uint8_t> encodeTexProgram(const TexProgram& program) {
  std::vector<uint8_t> out(kTexProgramBytes, 0);
  for (size_t l = 0; l < kTexStepListCount; ++l) {
    const size_t base = l * kTexStepListBytes;
    const TexStepList& list = program.lists[l];
    writeWord(out, base, static_cast<uint32_t>(list.stepCount));
    for (size_t s = 0; s < kTexMaxSteps; ++s) {
      writeWord(out, base + 4 + 4 * s, static_cast<uint32_t>(list.opcodes[s]));
      for (size_t k = 0; k < kTexParamCount; ++k) {
        writeWord(out, base + 404 + 4 * (s * kTexParamCount + k), std::bit_cast<uint32_t>(list.params[s][k]));
      }
    }
  }
  return out;
}

// ---- terrain colouring ------------------------------------------------------------

void paintRandomHeightLayers(float displacement) {
  if (g.width == 0) return;
  noise(0, 32, randomBelow(2147483647), 256, false);
  noise(1, 64, randomBelow(2147483647), 256, false);
  displace(0, 1, 3, displacement, displacement);
  fractalNoise(2, 32, randomBelow(2147483647), 256, 140, 4, false);
  blur(2, 2);
  blend(3, 2, 4, 1.0f, -0.3f);
}

void paintTerrainLayers(float red, float green, float blue, float detail) {
  if (g.width == 0) return;
  fractalNoise(2, 32, randomBelow(2147483647), 128, 137, 6, false);
  const float factors[3] = {red, green, blue};
  colourScale(3, 3, factors);
  blend(3, 2, 4, 1.0f, -1.0f);
  if (detail != 0.0f) {
    fractalNoise(1, 64, randomBelow(2147483647), 256, 140, 4, true);
    blend(1, 4, 4, detail, 1.0f);
  }
}

}  // namespace glorbe
