// The wavelet image encoder: colour conversion to Y, U, V, the forward Haar
// transform that the decoder inverts, quantisation per band with a step
// chosen from the quality, and the coding of the coefficients as 2-bit
// symbols, zero runs and packed magnitudes.
#include "image_codec/hwl_encoder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "common/byte_order.h"
#include "textures/image_decoder.h"

namespace glorbe::tools {

namespace {

constexpr int kMaxMagnitude = (1 << kMaxImageValueBits) - 1;

// One forward step along n values read and written at the given strides:
// sums into the first half, differences into the second, an odd last value
// kept where it is.
void forwardLine(const double* src, size_t in, double* dst, size_t out, int n) {
  const int half = n / 2;
  for (int x = 0; x < half; ++x) {
    const double p = src[2 * x * in], q = src[(2 * x + 1) * in];
    dst[x * out] = (p + q) * kWaveletScale;
    dst[(half + x) * out] = (p - q) * kWaveletScale;
  }
  if (n & 1) dst[(n - 1) * out] = src[(n - 1) * in];
}

// Levels + 1 forward steps in place, the finest first: rows, then columns.
// inputs[n] receives the (width >> n) x (height >> n) region that step n
// starts from, which is what the decoder's step n has to give back.
void forwardTransform(std::vector<double>& plane, int width, int height, int levels,
                      std::vector<std::vector<double>>& inputs) {
  inputs.assign(levels + 1, {});
  std::vector<double> line(std::max(width, height));
  const size_t stride = static_cast<size_t>(width);
  for (int n = 0; n <= levels; ++n) {
    const int w = width >> n, h = height >> n;
    inputs[n].resize(size_t(w) * h);
    for (int r = 0; r < h; ++r) std::copy_n(&plane[r * stride], w, &inputs[n][size_t(r) * w]);
    for (int r = 0; r < h; ++r) {
      double* row = plane.data() + r * stride;
      forwardLine(row, 1, line.data(), 1, w);
      std::copy(line.begin(), line.begin() + w, row);
    }
    for (int x = 0; x < w; ++x) {
      double* column = plane.data() + x;
      forwardLine(column, stride, line.data(), 1, h);
      for (int y = 0; y < h; ++y) column[y * stride] = line[y];
    }
  }
}

// The rectangles of band b (0..levels: the details of that level; levels + 1:
// the approximation), the same regions the decoder dequantises.
struct Rect {
  int row0, row1, col0, col1;
};

std::vector<Rect> bandRects(int width, int height, int levels, int band) {
  if (band > levels) return {{0, height >> (levels + 1), 0, width >> (levels + 1)}};
  const int rows = height >> band, columns = width >> band;
  const int innerRows = height >> (band + 1), innerColumns = width >> (band + 1);
  return {{0, innerRows, innerColumns, columns}, {innerRows, rows, 0, columns}};
}

// The table: per band the multiplier whose reciprocal the decoder applies.
// A band's step is the quality's, made coarser where the band's largest
// coefficient would not fit in a magnitude; the approximation keeps the finest
// step that fits, since its errors show as blotches.
std::vector<double> bandTable(const std::vector<double>& plane, int width, int height, int levels, double step) {
  std::vector<double> table(levels + 2, 0.0);
  for (int band = 0; band <= levels + 1; ++band) {
    double largest = 0;
    for (const Rect& r : bandRects(width, height, levels, band))
      for (int y = r.row0; y < r.row1; ++y)
        for (int x = r.col0; x < r.col1; ++x) largest = std::max(largest, std::fabs(plane[size_t(y) * width + x]));
    const double bandStep = std::max(band > levels ? 0.0 : step, largest / (kMaxMagnitude - 0.51));
    if (bandStep > 0) table[band] = 1.0 / bandStep;  // an all-zero band keeps entry 0, which zeroes it
  }
  return table;
}

// Quantises every band with its table entry, rounding to the nearest level.
void quantise(const std::vector<double>& plane, int width, int height, int levels, const std::vector<double>& table,
              std::vector<int32_t>& q) {
  q.assign(plane.size(), 0);
  for (int band = 0; band <= levels + 1; ++band) {
    if (table[band] == 0) continue;
    const double factor = 1.0 / table[band];  // what the decoder multiplies by
    for (const Rect& r : bandRects(width, height, levels, band)) {
      for (int y = r.row0; y < r.row1; ++y) {
        for (int x = r.col0; x < r.col1; ++x) {
          const size_t i = size_t(y) * width + x;
          const double level = std::nearbyint(plane[i] / factor);
          q[i] = static_cast<int32_t>(std::clamp(level, double(-kMaxMagnitude), double(kMaxMagnitude)));
        }
      }
    }
  }
}

// One output pair of an inverse step along a line, with the decoder's rule:
// a and d point at the approximation and detail halves, elements `s` apart.
inline void inversePair(const double* a, const double* d, ptrdiff_t s, int half, int y, double& even, double& odd) {
  const double k = kWaveletScale;
  const double ay = a[y * s], dy = d[y * s];
  if (dy != 0.0 || y == 0 || y == half - 1) {
    even = (ay + dy) * k;
    odd = (ay - dy) * k;
    return;
  }
  const double before = a[(y - 1) * s], after = a[(y + 1) * s];
  even = d[(y - 1) * s] == 0.0 && ay != after && (y == half - 2 || after != a[(y + 2) * s]) ? (0.8 * ay + 0.2 * before) * k
                                                                                          : ay * k;
  odd = d[(y + 1) * s] == 0.0 && before != ay && (y == 1 || a[(y - 2) * s] != before) ? (0.8 * ay + 0.2 * after) * k
                                                                                    : ay * k;
}

// One inverse step of the decoder on a w x h region, kept as its input (z),
// its vertical pass (t) and its output (o), so that the effect of changing
// one coefficient can be worked out from the few values it reaches.
struct LevelStep {
  int w = 0, h = 0, hw = 0, hh = 0;
  std::vector<double> z, t, o;

  void verticalPairs(int x, int y0, int y1) {
    for (int y = std::max(y0, 0); y <= std::min(y1, hh - 1); ++y)
      inversePair(&z[x], &z[size_t(hh) * w + x], w, hh, y, t[size_t(2 * y) * w + x], t[size_t(2 * y + 1) * w + x]);
  }
  void horizontalPairs(int r, int x0, int x1) {
    double* row = &t[size_t(r) * w];
    for (int x = std::max(x0, 0); x <= std::min(x1, hw - 1); ++x)
      inversePair(row, row + hw, 1, hw, x, o[size_t(r) * w + 2 * x], o[size_t(r) * w + 2 * x + 1]);
  }
  void run() {
    t = z;  // odd last rows and columns pass through
    for (int x = 0; x < w; ++x) verticalPairs(x, 0, hh - 1);
    o = t;
    for (int r = 0; r < h; ++r) horizontalPairs(r, 0, hw - 1);
  }
};

// Sets coefficient (r, c) of the step to `value` and returns by how much the
// squared error of the output against `target` changes; undoes the change
// unless `keep`.
double tryCoefficient(LevelStep& s, const std::vector<double>& target, int r, int c, double value, bool keep) {
  struct Saved {
    size_t index;
    double value;
  };
  Saved savedT[10], savedO[200];
  int nt = 0, no = 0;
  const double oldZ = s.z[size_t(r) * s.w + c];
  s.z[size_t(r) * s.w + c] = value;
  const int y = r < s.hh ? r : r - s.hh;
  const int reach = r < s.hh ? 2 : 1;
  const int y0 = std::max(y - reach, 0), y1 = std::min(y + reach, s.hh - 1);
  for (int row = 2 * y0; row <= 2 * y1 + 1; ++row) {
    const size_t i = size_t(row) * s.w + c;
    savedT[nt++] = {i, s.t[i]};
  }
  s.verticalPairs(c, y0, y1);
  const int x = c < s.hw ? c : c - s.hw;
  const int across = c < s.hw ? 2 : 1;
  const int x0 = std::max(x - across, 0), x1 = std::min(x + across, s.hw - 1);
  double change = 0;
  for (int row = 2 * y0; row <= 2 * y1 + 1; ++row) {
    const size_t base = size_t(row) * s.w;
    for (int col = 2 * x0; col <= 2 * x1 + 1; ++col) savedO[no++] = {base + col, s.o[base + col]};
    s.horizontalPairs(row, x0, x1);
  }
  for (int i = 0; i < no; ++i) {
    const size_t j = savedO[i].index;
    const double before = savedO[i].value - target[j], after = s.o[j] - target[j];
    change += after * after - before * before;
  }
  if (!keep) {
    s.z[size_t(r) * s.w + c] = oldZ;
    for (int i = 0; i < nt; ++i) s.t[savedT[i].index] = savedT[i].value;
    for (int i = 0; i < no; ++i) s.o[savedO[i].index] = savedO[i].value;
  }
  return change;
}

// What a bit is worth in squared error, as a share of the squared step: the
// slope of a uniform quantiser's rate against its distortion, measured on our
// pictures (0.1 to 1 all come within 2 % of each other in size).
constexpr double kBitCostShare = 0.25;
// Chooses the coefficients of one channel. The decoder smooths zero details
// between changing approximations: good on gradients, wrong across fine
// texture and edges. So the decoder is followed level by level, the coarsest
// first, from the approximation it will really have; at each level every
// detail is tried one step up and down (a zero made non-zero switches the
// smoothing off there), and a change is kept when it lowers the error of the
// level's output by more than the bits it costs.
void chooseCoefficients(const std::vector<double>& channel, int width, int height, int levels, double step,
                        std::vector<double>& table, std::vector<int32_t>& q) {
  std::vector<double> plane = channel;
  std::vector<std::vector<double>> targets;
  forwardTransform(plane, width, height, levels, targets);
  const size_t stride = size_t(width);
  table = bandTable(plane, width, height, levels, step);
  quantise(plane, width, height, levels, table, q);
  const std::vector<int32_t> plain = q;

  // The approximation as the decoder dequantises it.
  const int aw = width >> (levels + 1), ah = height >> (levels + 1);
  const double approxFactor = table[levels + 1] == 0 ? 0.0 : 1.0 / table[levels + 1];
  std::vector<double> approximation(size_t(aw) * ah);
  for (int r = 0; r < ah; ++r)
    for (int c = 0; c < aw; ++c) approximation[size_t(r) * aw + c] = q[r * stride + c] * approxFactor;

  LevelStep s;
  for (int n = levels; n >= 0; --n) {
    s.w = width >> n;
    s.h = height >> n;
    s.hw = s.w / 2;
    s.hh = s.h / 2;
    const double factor = table[n] == 0 ? 0.0 : 1.0 / table[n];
    s.z.assign(size_t(s.w) * s.h, 0.0);
    for (int r = 0; r < s.h; ++r) {
      for (int c = 0; c < s.w; ++c) {
        const bool inner = r < s.hh && c < s.hw;
        s.z[size_t(r) * s.w + c] = inner ? approximation[size_t(r) * s.hw + c] : q[r * stride + c] * factor;
      }
    }
    s.run();
    if (factor > 0) {
      // A magnitude costs about a byte more than a zero symbol.
      const double bitCost = kBitCostShare * factor * factor * 8;
      for (int r = 0; r < 2 * s.hh; ++r) {
        for (int c = 0; c < 2 * s.hw; ++c) {
          if (r < s.hh && c < s.hw) continue;
          int32_t& v = q[r * stride + c];
          int bestValue = v;
          double bestGain = 0;
          for (int delta : {-1, 1}) {
            const int candidate = v + delta;
            if (std::abs(candidate) > kMaxMagnitude) continue;
            const double rate = (v == 0 ? bitCost : 0.0) - (candidate == 0 ? bitCost : 0.0);
            const double gain = -tryCoefficient(s, targets[n], r, c, candidate * factor, false) - rate;
            if (gain > bestGain) {
              bestGain = gain;
              bestValue = candidate;
            }
          }
          if (bestValue != v) {
            tryCoefficient(s, targets[n], r, c, bestValue * factor, true);
            v = bestValue;
          }
        }
      }
    }
    approximation = s.o;
  }

  // Keep the plain choice if the search did not help after all.
  std::vector<double> work(channel.size()), decoded(channel.size());
  auto decodeError = [&](const std::vector<int32_t>& coefficients) {
    dequantiseImagePlane(coefficients.data(), table.data(), width, height, levels, work.data());
    inverseImageTransform(work.data(), decoded.data(), width, height, levels);
    double sum = 0;
    for (size_t i = 0; i < channel.size(); ++i) sum += (decoded[i] - channel[i]) * (decoded[i] - channel[i]);
    return sum;
  };
  // Errors and bits weighed as in the search.
  auto cost = [&](const std::vector<int32_t>& coefficients) {
    double sum = decodeError(coefficients);
    for (int band = 0; band <= levels; ++band) {
      if (table[band] == 0) continue;
      const double bitCost = kBitCostShare * 8 / (table[band] * table[band]);
      for (const Rect& r : bandRects(width, height, levels, band))
        for (int y = r.row0; y < r.row1; ++y)
          for (int x = r.col0; x < r.col1; ++x) sum += coefficients[y * stride + x] != 0 ? bitCost : 0.0;
    }
    return sum;
  };
  const double plainCost = cost(plain), searchedCost = cost(q);
  if (plainCost <= searchedCost) q = plain;
}

// One channel's symbols and magnitudes.
struct ChannelStreams {
  std::vector<uint8_t> symbols;
  std::vector<uint32_t> values;
  int valueBits = 1;
};

uint64_t codedBytes(const ChannelStreams& s) {
  return (s.symbols.size() + 3) / 4 + (uint64_t(s.values.size()) * s.valueBits + 7) / 8;
}

// Codes the coefficients with magnitudes of `bits` bits. Zeros at the end of
// the plane are left out: the decoder leaves them 0.
ChannelStreams codeChannel(const std::vector<int32_t>& q, int bits) {
  ChannelStreams out;
  out.valueBits = bits;
  size_t end = q.size();
  while (end > 0 && q[end - 1] == 0) --end;
  const size_t longestRun = size_t{4} << bits;
  // A run costs two symbols and a magnitude; shorter stretches of zeros are
  // cheaper as single zero symbols.
  const size_t shortestRun = (4 + bits) / 2 + 1;
  size_t i = 0;
  while (i < end) {
    if (q[i] != 0) {
      out.symbols.push_back(q[i] > 0 ? 2 : 3);
      out.values.push_back(static_cast<uint32_t>(std::abs(q[i])));
      ++i;
      continue;
    }
    size_t zeros = 0;
    while (i + zeros < end && q[i + zeros] == 0) ++zeros;
    i += zeros;
    while (zeros >= shortestRun) {
      const size_t run = std::min(zeros, longestRun);
      out.symbols.push_back(1);
      out.symbols.push_back(static_cast<uint8_t>((run - 1) >> bits));
      out.values.push_back(static_cast<uint32_t>((run - 1) & ((size_t{1} << bits) - 1)));
      zeros -= run;
    }
    out.symbols.insert(out.symbols.end(), zeros, 0);
  }
  return out;
}

// The magnitude width that gives the smallest streams.
ChannelStreams codeChannelSmallest(const std::vector<int32_t>& q) {
  int largest = 0;
  for (int32_t v : q) largest = std::max(largest, std::abs(v));
  const int needed = std::max(1, static_cast<int>(std::bit_width(static_cast<unsigned>(largest))));
  ChannelStreams best = codeChannel(q, needed);
  for (int bits = needed + 1; bits <= kMaxImageValueBits; ++bits) {
    ChannelStreams candidate = codeChannel(q, bits);
    if (codedBytes(candidate) < codedBytes(best)) best = std::move(candidate);
  }
  return best;
}

void appendF64(std::vector<uint8_t>& out, double v) { appendLittleEndian(out, std::bit_cast<uint64_t>(v), 8); }

void appendStreams(std::vector<uint8_t>& out, const ChannelStreams& s) {
  const size_t symbolStart = out.size();
  out.resize(symbolStart + (s.symbols.size() + 3) / 4, 0);
  for (size_t i = 0; i < s.symbols.size(); ++i) out[symbolStart + i / 4] |= s.symbols[i] << (2 * (i % 4));
  const size_t valueStart = out.size();
  out.resize(valueStart + (uint64_t(s.values.size()) * s.valueBits + 7) / 8, 0);
  uint64_t bit = 0;
  for (uint32_t v : s.values) {
    for (int b = 0; b < s.valueBits; ++b, ++bit)
      if (v >> b & 1) out[valueStart + bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
  }
}

}  // namespace

int maxHwlLevels(int width, int height) {
  const int shorter = std::min(width, height);
  if (shorter < 2) return -1;
  return std::min(kMaxImageLevels, static_cast<int>(std::bit_width(static_cast<unsigned>(shorter))) - 2);
}

int defaultHwlLevels(int width, int height) { return std::min(4, maxHwlLevels(width, height)); }

double hwlStepForQuality(int quality) {
  // Step 14 at quality 50, shrinking in proportion to 100 at the top (never
  // below half a grey level) and growing as 50 / quality at the bottom.
  const double percent = quality < 50 ? 5000.0 / quality : 200.0 - 2.0 * quality;
  return std::max(0.5, 14.0 * percent / 100.0);
}

bool encodeHwl(const PngImage& picture, const HwlEncodeOptions& options, std::vector<uint8_t>& file,
               std::string& error) {
  const int w = picture.width, h = picture.height;
  const int inputChannels = picture.channels;
  if (inputChannels != 1 && inputChannels != 3 && inputChannels != 4) {
    error = "the picture has " + std::to_string(inputChannels) + " channels; grey or colour is needed";
    return false;
  }
  if (w < 1 || h < 1 || w > 65535 || h > 65535 || uint64_t(w) * h > kMaxImagePixels) {
    error = "the picture is " + std::to_string(w) + " x " + std::to_string(h) +
            "; sides up to 65535 and at most 4096 x 4096 pixels can be stored";
    return false;
  }
  if (picture.pixels.size() != size_t(w) * h * inputChannels) {
    error = "the picture's pixels do not match its size";
    return false;
  }
  if (options.quality < 1 || options.quality > 100) {
    error = "the quality must lie between 1 and 100";
    return false;
  }
  const int maxLevels = maxHwlLevels(w, h);
  const int levels = options.levels < 0 ? defaultHwlLevels(w, h) : options.levels;
  if (maxLevels < 0) {
    error = "the picture must be at least 2 pixels on each side";
    return false;
  }
  if (levels > maxLevels) {
    error = "a " + std::to_string(w) + " x " + std::to_string(h) + " picture allows at most " +
            std::to_string(maxLevels) + " levels";
    return false;
  }

  const size_t n = size_t(w) * h;
  const int channels = inputChannels == 1 ? 1 : 3;
  std::vector<std::vector<double>> planes(channels, std::vector<double>(n));
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* p = picture.pixels.data() + i * inputChannels;
    if (channels == 1) {
      planes[0][i] = p[0];
      continue;
    }
    // The luminance whose weights the decoder's green equation undoes, and
    // the two differences its red and blue equations scale back.
    const double r = p[0], g = p[1], b = p[2];
    const double y = kLumaRed * r + (1.0 - kLumaRed - kLumaBlue) * g + kLumaBlue * b;
    planes[0][i] = y;
    planes[1][i] = (b - y) / kBlueFromU;
    planes[2][i] = (r - y) / kRedFromV;
  }

  ImageHeader header;
  header.width = static_cast<uint16_t>(w);
  header.height = static_cast<uint16_t>(h);
  header.bitsPerPixel = channels == 1 ? 8 : 24;
  header.levels = static_cast<uint8_t>(levels);
  const double step = hwlStepForQuality(options.quality);
  std::vector<std::vector<double>> tables(channels);
  std::vector<ChannelStreams> streams(channels);
  std::vector<int32_t> q;
  for (int c = 0; c < channels; ++c) {
    chooseCoefficients(planes[c], w, h, levels, step, tables[c], q);
    streams[c] = codeChannelSmallest(q);
    header.symbolCount[c] = static_cast<uint32_t>(streams[c].symbols.size());
    header.valueCount[c] = static_cast<uint32_t>(streams[c].values.size());
    header.valueBits[c] = static_cast<uint8_t>(streams[c].valueBits);
  }

  file.assign(kImageHeaderSize, 0);
  writeImageHeader(header, file.data());
  for (int c = 0; c < channels; ++c)
    for (double entry : tables[c]) appendF64(file, entry);
  for (int c = 0; c < channels; ++c) appendStreams(file, streams[c]);
  // A large flat picture can come out smaller than the decoder accepts for
  // its size; zeros after the streams are not read and make up the rest.
  const uint64_t minimum = minimumImageFileSize(uint64_t(w) * h);
  if (file.size() < minimum) file.resize(static_cast<size_t>(minimum), 0);
  return true;
}

bool decodeHwl(const std::vector<uint8_t>& file, PngImage& picture, std::string& error) {
  std::vector<uint8_t> pixels;
  ImageHeader header;
  const ImageStatus status = decodeImage(pixels, header, file.data(), file.size());
  if (status != ImageStatus::decoded) {
    error = imageStatusText(status);
    return false;
  }
  picture.width = header.width;
  picture.height = header.height;
  const size_t n = size_t(header.width) * header.height;
  if (header.bitsPerPixel == 8) {
    picture.channels = 1;
    picture.pixels = std::move(pixels);
    return true;
  }
  picture.channels = 3;
  picture.pixels.resize(n * 3);
  for (size_t i = 0; i < n; ++i) {
    picture.pixels[3 * i] = pixels[4 * i + 2];
    picture.pixels[3 * i + 1] = pixels[4 * i + 1];
    picture.pixels[3 * i + 2] = pixels[4 * i];
  }
  return true;
}

double pictureSnr(const PngImage& a, const PngImage& b) {
  if (a.pixels.size() != b.pixels.size() || a.pixels.empty()) return 0.0;
  double sum = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    const double d = double(a.pixels[i]) - double(b.pixels[i]);
    sum += d * d;
  }
  if (sum == 0) return std::numeric_limits<double>::infinity();
  const double mse = sum / a.pixels.size();
  return 10.0 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace glorbe::tools
