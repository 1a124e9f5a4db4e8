// The wavelet image decoder: header, stream expansion (zero runs, signs,
// packed magnitudes), dequantisation per band, the inverse Haar transform
// with its smoothing of zero details, the colour conversion and the clamp.
//
// Every count in a header is checked against the bytes that are really there;
// planes are sized from the checked width and height only.
#include "textures/image_decoder.h"

#include "archive/load_buffer.h"
#include "common/byte_order.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace glorbe {

namespace {

double readF64(const uint8_t* p) { return std::bit_cast<double>(readLittle64(p)); }

uint64_t symbolStreamBytes(uint32_t count) { return (uint64_t{count} + 3) / 4; }

uint64_t valueStreamBytes(uint32_t count, uint8_t bits) {
  if (bits == 8) return count;
  return (uint64_t{bits} * count + 7) / 8;
}

// The part of [offset, offset + length) that lies inside a file of `size` bytes.
struct ByteRange {
  const uint8_t* data = nullptr;
  uint64_t size = 0;
};

ByteRange clip(const uint8_t* file, uint64_t fileSize, uint64_t offset, uint64_t length) {
  if (offset >= fileSize) return {};
  return {file + offset, std::min(length, fileSize - offset)};
}

// Magnitudes of `bits` bits packed from the least significant bit upward.
class ValueReader {
 public:
  ValueReader(ByteRange bytes, uint32_t count, int bits) : bytes_(bytes), bits_(bits) {
    const uint64_t complete = bits == 0 ? count : bytes.size * 8 / static_cast<uint64_t>(bits);
    available_ = std::min<uint64_t>(count, complete);
  }
  uint64_t available() const { return available_; }
  // The next magnitude; only while fewer than available() have been taken.
  uint32_t next() {
    if (bits_ == 0) return 0;
    const uint64_t bit = position_;
    position_ += static_cast<uint64_t>(bits_);
    const uint64_t byte = bit >> 3;
    const int shift = static_cast<int>(bit & 7);
    // A value of at most 8 bits starting anywhere in a byte spans two bytes at most.
    uint32_t word = bytes_.data[byte];
    if (byte + 1 < bytes_.size) word |= static_cast<uint32_t>(bytes_.data[byte + 1]) << 8;
    return (word >> shift) & ((1u << bits_) - 1);
  }

 private:
  ByteRange bytes_;
  int bits_;
  uint64_t available_ = 0;
  uint64_t position_ = 0;
};

double bandFactor(double entry) { return entry == 0.0 ? 0.0 : 1.0 / entry; }

}  // namespace

namespace {

// The stream expansion, handing each coefficient to `sink`: sink.value(i, v)
// for a non-zero coefficient, sink.zeros(i, count) for count zeros from i.
template <typename Sink>
void expand(const uint8_t* symbolBytes, size_t symbolByteCount, uint32_t symbolCount, const uint8_t* valueBytes,
            size_t valueByteCount, uint32_t valueCount, int valueBits, uint64_t total, Sink& sink) {
  if (valueBits < 0 || valueBits > kMaxImageValueBits) return;
  const uint64_t symbolsAvailable = std::min<uint64_t>(symbolCount, uint64_t{symbolByteCount} * 4);
  ValueReader reader({valueBytes, valueByteCount}, valueCount, valueBits);
  const uint64_t valuesAvailable = reader.available();
  uint64_t s = 0, v = 0, c = 0;
  auto symbolAt = [&](uint64_t i) { return (symbolBytes[i >> 2] >> ((i & 3) * 2)) & 3; };
  while (c < total && s < symbolsAvailable && v < valuesAvailable) {
    switch (symbolAt(s++)) {
      case 0:
        sink.zeros(c++, 1);
        break;
      case 1: {
        if (s >= symbolsAvailable) return;  // the run's high part is missing
        const uint64_t high = symbolAt(s++);
        const uint64_t run = std::min((high << valueBits) + reader.next() + 1, total - c);
        ++v;
        sink.zeros(c, run);
        c += run;
        break;
      }
      case 2:
        sink.value(c++, static_cast<int32_t>(reader.next()));
        ++v;
        break;
      default:
        sink.value(c++, -static_cast<int32_t>(reader.next()));
        ++v;
        break;
    }
  }
}

struct IntegerSink {
  int32_t* plane;
  void value(uint64_t i, int32_t v) { plane[i] = v; }
  void zeros(uint64_t i, uint64_t count) { std::fill_n(plane + i, count, 0); }
};

// Dequantises while expanding into a plane that starts at 0: the factor of a
// coefficient is that of the first level whose inner quarter does not hold
// it, found from its row and its column.
struct DequantisingSink {
  double* plane;
  const double* factors;          // per band: levels + 2
  const uint8_t* rowBands;        // per row: the first level whose inner quarter lacks the row
  const uint8_t* columnBands;     // the same per column
  uint64_t width;
  uint64_t row = 0, rowStart = 0;
  void value(uint64_t i, int32_t v) {
    while (i >= rowStart + width) {
      rowStart += width;
      ++row;
    }
    plane[i] = v * factors[std::min(rowBands[row], columnBands[i - rowStart])];
  }
  // Zeros are written too: the plane is not cleared beforehand.
  void zeros(uint64_t i, uint64_t count) { std::fill_n(plane + i, count, 0.0); }
};

// Passes coefficients on and notes where the last one ended.
template <typename Sink>
struct CountingSink {
  Sink sink;
  uint64_t end = 0;
  void value(uint64_t i, int32_t v) {
    sink.value(i, v);
    end = i + 1;
  }
  void zeros(uint64_t i, uint64_t count) {
    sink.zeros(i, count);
    end = i + count;
  }
};

// For each index below `size`, the first level i (0 to levels) with
// index >= size >> (i + 1); levels + 1 when there is none.
void bandsAlong(int size, int levels, std::vector<uint8_t>& bands) {
  bands.resize(static_cast<size_t>(size));
  for (int x = 0; x < size; ++x) {
    int i = 0;
    while (i <= levels && x < (size >> (i + 1))) ++i;
    bands[x] = static_cast<uint8_t>(i);
  }
}

}  // namespace

void expandImageStreams(const uint8_t* symbolBytes, size_t symbolByteCount, uint32_t symbolCount,
                        const uint8_t* valueBytes, size_t valueByteCount, uint32_t valueCount, int valueBits,
                        std::vector<int32_t>& coefficients) {
  IntegerSink sink{coefficients.data()};
  expand(symbolBytes, symbolByteCount, symbolCount, valueBytes, valueByteCount, valueCount, valueBits,
         coefficients.size(), sink);
}

void dequantiseImagePlane(const int32_t* coefficients, const double* table, int width, int height, int levels,
                          double* plane) {
  for (int i = 0; i <= levels; ++i) {
    const double factor = bandFactor(table[i]);
    const int rows = height >> i, columns = width >> i;
    const int innerRows = height >> (i + 1), innerColumns = width >> (i + 1);
    for (int r = 0; r < rows; ++r) {
      const size_t base = static_cast<size_t>(r) * width;
      for (int x = r < innerRows ? innerColumns : 0; x < columns; ++x) plane[base + x] = coefficients[base + x] * factor;
    }
  }
  const double factor = bandFactor(table[levels + 1]);
  const int rows = height >> (levels + 1), columns = width >> (levels + 1);
  for (int r = 0; r < rows; ++r) {
    const size_t base = static_cast<size_t>(r) * width;
    for (int x = 0; x < columns; ++x) plane[base + x] = coefficients[base + x] * factor;
  }
}

namespace {

// The smoothing rule of one inverse step for `count` pairs whose values and
// neighbours lie at the same index of each array: a zero detail between
// changing approximations leans toward its neighbour, every other pair takes
// the plain rule (a + d) k, (a - d) k; where the detail is zero that is a k.
// firstInner and lastInner say that the pairs are the first or last inner
// ones, whose outer neighbours are not looked at. With SSE2 both results are
// worked out two pairs at a time and one chosen bit for bit, without
// data-dependent branches; the arithmetic is the same in both forms.
void smoothPairs(const double* a, const double* d, const double* before, const double* after, const double* before2,
                 const double* after2, const double* dBefore, const double* dAfter, bool firstInner, bool lastInner,
                 double* even, double* odd, int count) {
  const double k = kWaveletScale;
  int i = 0;
#ifdef __SSE2__
  const __m128d allSet = _mm_castsi128_pd(_mm_set1_epi32(-1));
  const __m128d first = firstInner ? allSet : _mm_setzero_pd();
  const __m128d last = lastInner ? allSet : _mm_setzero_pd();
  const __m128d zero = _mm_setzero_pd(), kk = _mm_set1_pd(k), nearWeight = _mm_set1_pd(0.8),
                farWeight = _mm_set1_pd(0.2);
  auto select = [](__m128d mask, __m128d yes, __m128d no) {
    return _mm_or_pd(_mm_and_pd(mask, yes), _mm_andnot_pd(mask, no));
  };
  for (; i + 2 <= count; i += 2) {
    const __m128d ay = _mm_loadu_pd(a + i), dy = _mm_loadu_pd(d + i);
    const __m128d b = _mm_loadu_pd(before + i), f = _mm_loadu_pd(after + i);
    const __m128d isZero = _mm_cmpeq_pd(dy, zero);
    const __m128d leanBack =
        _mm_and_pd(_mm_and_pd(isZero, _mm_cmpeq_pd(_mm_loadu_pd(dBefore + i), zero)),
                   _mm_and_pd(_mm_cmpneq_pd(ay, f), _mm_or_pd(last, _mm_cmpneq_pd(f, _mm_loadu_pd(after2 + i)))));
    const __m128d leanOn =
        _mm_and_pd(_mm_and_pd(isZero, _mm_cmpeq_pd(_mm_loadu_pd(dAfter + i), zero)),
                   _mm_and_pd(_mm_cmpneq_pd(b, ay), _mm_or_pd(first, _mm_cmpneq_pd(_mm_loadu_pd(before2 + i), b))));
    const __m128d scaled = _mm_mul_pd(nearWeight, ay);
    const __m128d smoothEven = _mm_mul_pd(_mm_add_pd(scaled, _mm_mul_pd(farWeight, b)), kk);
    const __m128d smoothOdd = _mm_mul_pd(_mm_add_pd(scaled, _mm_mul_pd(farWeight, f)), kk);
    _mm_storeu_pd(even + i, select(leanBack, smoothEven, _mm_mul_pd(_mm_add_pd(ay, dy), kk)));
    _mm_storeu_pd(odd + i, select(leanOn, smoothOdd, _mm_mul_pd(_mm_sub_pd(ay, dy), kk)));
  }
#endif
  for (; i < count; ++i) {
    const double ay = a[i], dy = d[i], b = before[i], f = after[i];
    const bool isZero = dy == 0.0;
    const bool leanBack = isZero && dBefore[i] == 0.0 && ay != f && (lastInner || f != after2[i]);
    const bool leanOn = isZero && dAfter[i] == 0.0 && b != ay && (firstInner || before2[i] != b);
    even[i] = leanBack ? (0.8 * ay + 0.2 * b) * k : (ay + dy) * k;
    odd[i] = leanOn ? (0.8 * ay + 0.2 * f) * k : (ay - dy) * k;
  }
}

void plainPairs(const double* a, const double* d, double* even, double* odd, int count) {
  const double k = kWaveletScale;
  for (int i = 0; i < count; ++i) {
    even[i] = (a[i] + d[i]) * k;
    odd[i] = (a[i] - d[i]) * k;
  }
}

// One inverse step along a row of n values from src into dst: the
// approximation is the first half, the details the second; an odd last value
// passes through. The pairs are worked out into two scratch rows and then
// interleaved.
void inverseRow(const double* src, double* dst, int n, double* evenRow, double* oddRow) {
  const int half = n / 2;
  const double* a = src;
  const double* d = src + half;
  if (half <= 2) {
    plainPairs(a, d, evenRow, oddRow, half);
  } else {
    plainPairs(a, d, evenRow, oddRow, 1);
    plainPairs(a + half - 1, d + half - 1, evenRow + half - 1, oddRow + half - 1, 1);
    // The inner pairs 1 to half - 2: the first and the last of them look at
    // one neighbour less.
    const int last = half - 2;
    auto run = [&](int from, int to, bool firstInner, bool lastInner) {
      if (to < from) return;
      smoothPairs(a + from, d + from, a + from - 1, a + from + 1, firstInner ? a + from - 1 : a + from - 2,
                  lastInner ? a + from + 1 : a + from + 2, d + from - 1, d + from + 1, firstInner, lastInner,
                  evenRow + from, oddRow + from, to - from + 1);
    };
    if (last == 1) {
      run(1, 1, true, true);
    } else {
      run(1, 1, true, false);
      run(2, last - 1, false, false);
      run(last, last, false, true);
    }
  }
  for (int y = 0; y < half; ++y) {
    dst[2 * y] = evenRow[y];
    dst[2 * y + 1] = oddRow[y];
  }
  if (n & 1) dst[n - 1] = src[n - 1];
}

// The vertical pass for output rows 2y and 2y + 1 of a region `half` pairs
// high: the same rule down every column, worked through whole rows at a time.
void columnPair(const double* plane, size_t stride, int w, int half, int y, double* even, double* odd) {
  auto row = [&](int r) { return plane + static_cast<size_t>(r) * stride; };
  if (y == 0 || y == half - 1) {
    plainPairs(row(y), row(half + y), even, odd, w);
    return;
  }
  const bool firstInner = y == 1, lastInner = y == half - 2;
  smoothPairs(row(y), row(half + y), row(y - 1), row(y + 1), firstInner ? row(y - 1) : row(y - 2),
              lastInner ? row(y + 1) : row(y + 2), row(half + y - 1), row(half + y + 1), firstInner, lastInner, even,
              odd, w);
}

}  // namespace

namespace {

// Scratch rows of one inverse transform.
struct TransformRows {
  std::vector<double> evenRow, oddRow, upper, lower;
  TransformRows() = default;
  explicit TransformRows(int width) { resize(width); }
  void resize(int width) {
    evenRow.resize(static_cast<size_t>(width / 2 + 1));
    oddRow.resize(evenRow.size());
    upper.resize(static_cast<size_t>(width));
    lower.resize(static_cast<size_t>(width));
  }
};

// Steps levels down to 1 in place; `scratch` holds the columns' output and
// needs (height / 2) rows of the full width.
void inverseCoarseSteps(double* plane, double* scratch, int width, int height, int levels, TransformRows& rows) {
  const size_t stride = static_cast<size_t>(width);
  for (int n = levels; n >= 1; --n) {
    const int w = width >> n, h = height >> n;
    if (w == 0 || h == 0) continue;
    const int half = h / 2;
    for (int y = 0; y < half; ++y)
      columnPair(plane, stride, w, half, y, scratch + 2 * y * stride, scratch + (2 * y + 1) * stride);
    if (h & 1) std::memcpy(scratch + (h - 1) * stride, plane + (h - 1) * stride, sizeof(double) * w);
    for (int r = 0; r < h; ++r)
      inverseRow(scratch + r * stride, plane + r * stride, w, rows.evenRow.data(), rows.oddRow.data());
  }
}

// Output rows 2y and 2y + 1 of the last step (y = height / 2 for the odd
// last row alone, into `even`).
void lastStepRows(const double* plane, int width, int height, int y, TransformRows& rows, double* even, double* odd) {
  const size_t stride = static_cast<size_t>(width);
  const int half = height / 2;
  if (y == half) {
    inverseRow(plane + (height - 1) * stride, even, width, rows.evenRow.data(), rows.oddRow.data());
    return;
  }
  columnPair(plane, stride, width, half, y, rows.upper.data(), rows.lower.data());
  inverseRow(rows.upper.data(), even, width, rows.evenRow.data(), rows.oddRow.data());
  inverseRow(rows.lower.data(), odd, width, rows.evenRow.data(), rows.oddRow.data());
}

}  // namespace

void inverseImageTransform(double* plane, double* result, int width, int height, int levels) {
  const size_t stride = static_cast<size_t>(width);
  TransformRows rows(width);
  inverseCoarseSteps(plane, result, width, height, levels, rows);
  for (int y = 0; y < height / 2; ++y)
    lastStepRows(plane, width, height, y, rows, result + 2 * y * stride, result + (2 * y + 1) * stride);
  if (height & 1) lastStepRows(plane, width, height, height / 2, rows, result + (height - 1) * stride, nullptr);
}

namespace {

// 0 at or below 0 (and for NaN, which a table of the file can produce), 255
// at or above 255, else the nearest integer, ties to even: adding and taking
// away 1.5 x 2^52 leaves a double rounded in the current (nearest) mode.
inline uint8_t clampToByte(double v) {
  constexpr double kRounder = 6755399441055744.0;
  double c = v > 0.0 ? v : 0.0;
  c = c < 255.0 ? c : 255.0;
  return static_cast<uint8_t>(static_cast<int>((c + kRounder) - kRounder));
}

}  // namespace

const char* imageStatusText(ImageStatus status) {
  switch (status) {
    case ImageStatus::decoded: return "decoded";
    case ImageStatus::shortFile: return "the file is shorter than the 36-byte header";
    case ImageStatus::badDepth: return "bits per pixel are neither 8 nor 24";
    case ImageStatus::noPixels: return "width or height is 0";
    case ImageStatus::tooLarge: return "the picture has more than 4096 x 4096 pixels";
    case ImageStatus::tooLargeForFile:
      return "the file is too small for a picture of that size (it needs a byte for every 4096 pixels above "
             "1024 x 1024)";
    case ImageStatus::tooManyLevels: return "more than 16 levels";
    case ImageStatus::badValueBits: return "magnitudes of more than 8 bits";
  }
  return "unknown";
}

int imageChannelCount(const ImageHeader& header) {
  return header.bitsPerPixel == 8 ? 1 : header.bitsPerPixel == 24 ? 3 : 0;
}

bool readImageHeader(const uint8_t* data, size_t size, ImageHeader& header) {
  uint8_t bytes[kImageHeaderSize] = {};
  if (data != nullptr) std::memcpy(bytes, data, std::min(size, kImageHeaderSize));
  for (int i = 0; i < 3; ++i) header.reserved[i] = bytes[i];
  header.width = readLittle16(bytes + 3);
  header.height = readLittle16(bytes + 5);
  header.bitsPerPixel = bytes[7];
  header.levels = bytes[8];
  for (int c = 0; c < 3; ++c) {
    header.symbolCount[c] = readLittle32(bytes + 9 + 4 * c);
    header.valueCount[c] = readLittle32(bytes + 21 + 4 * c);
    header.valueBits[c] = bytes[33 + c];
  }
  return data != nullptr && size >= kImageHeaderSize;
}

void writeImageHeader(const ImageHeader& header, uint8_t* out) {
  for (int i = 0; i < 3; ++i) out[i] = header.reserved[i];
  writeLittle16(out + 3, header.width);
  writeLittle16(out + 5, header.height);
  out[7] = header.bitsPerPixel;
  out[8] = header.levels;
  for (int c = 0; c < 3; ++c) {
    writeLittle32(out + 9 + 4 * c, header.symbolCount[c]);
    writeLittle32(out + 21 + 4 * c, header.valueCount[c]);
    out[33 + c] = header.valueBits[c];
  }
}

uint64_t imageFileSize(const ImageHeader& header) {
  const int channels = imageChannelCount(header);
  uint64_t size = kImageHeaderSize + uint64_t{8} * (header.levels + 2u) * channels;
  for (int c = 0; c < channels; ++c)
    size += symbolStreamBytes(header.symbolCount[c]) + valueStreamBytes(header.valueCount[c], header.valueBits[c]);
  return size;
}

namespace {

// The decoder's working memory, kept from one picture to the next so that a
// loading phase of many pictures does not clear and fault in fresh planes
// for each. Every value is written before it is read, so nothing is cleared;
// the vectors only grow.
struct ImageWorkspace {
  std::vector<double> planes[3];
  std::vector<double> scratch;
  std::vector<double> lines;
  std::vector<int32_t> coefficients;
  std::vector<uint8_t> rowBands, columnBands;
  TransformRows rows;
};

ImageWorkspace workspace;

// Grows v to at least n values; values already there are kept as they are.
template <typename T>
T* atLeast(std::vector<T>& v, size_t n) {
  if (v.size() < n) v.resize(n);
  return v.data();
}

}  // namespace

void releaseImageWorkspace() { workspace = ImageWorkspace{}; }

ImageStatus decodeImage(std::vector<uint8_t>& pixelsOut, ImageHeader& header, const uint8_t* data, size_t size) {
  pixelsOut.clear();
  if (!readImageHeader(data, size, header)) return ImageStatus::shortFile;
  const int channels = imageChannelCount(header);
  if (channels == 0) return ImageStatus::badDepth;
  const int width = header.width, height = header.height, levels = header.levels;
  if (width == 0 || height == 0) return ImageStatus::noPixels;
  const uint64_t pixelCount = uint64_t{header.width} * header.height;
  if (pixelCount > kMaxImagePixels) return ImageStatus::tooLarge;
  if (size < minimumImageFileSize(pixelCount)) return ImageStatus::tooLargeForFile;
  if (levels > kMaxImageLevels) return ImageStatus::tooManyLevels;
  for (int c = 0; c < channels; ++c)
    if (header.valueBits[c] > kMaxImageValueBits) return ImageStatus::badValueBits;

  const size_t n = static_cast<size_t>(pixelCount);
  const int tableEntries = levels + 2;
  uint64_t offset = kImageHeaderSize;
  std::vector<std::vector<double>> tables(channels, std::vector<double>(tableEntries, 0.0));
  for (int c = 0; c < channels; ++c) {
    for (int i = 0; i < tableEntries; ++i, offset += 8)
      if (offset + 8 <= size) tables[c][i] = readF64(data + offset);  // a missing entry zeroes its band
  }

  // Each channel is expanded, dequantised and taken back to its last step in
  // its own plane; the last step of all channels is then made two rows at a
  // time and turned into pixels at once.
  ImageWorkspace& ws = workspace;
  double* planes[3] = {};
  for (int c = 0; c < channels; ++c) planes[c] = atLeast(ws.planes[c], n);
  double* scratch = atLeast(ws.scratch, static_cast<size_t>(height / 2 + 1) * width);
  bandsAlong(height, levels, ws.rowBands);
  bandsAlong(width, levels, ws.columnBands);
  const std::vector<uint8_t>& rowBands = ws.rowBands;
  const std::vector<uint8_t>& columnBands = ws.columnBands;
  TransformRows& rows = ws.rows;
  rows.resize(width);
  for (int c = 0; c < channels; ++c) {
    const ByteRange symbols = clip(data, size, offset, symbolStreamBytes(header.symbolCount[c]));
    offset += symbolStreamBytes(header.symbolCount[c]);
    const uint64_t valueBytes = valueStreamBytes(header.valueCount[c], header.valueBits[c]);
    const ByteRange values = clip(data, size, offset, valueBytes);
    offset += valueBytes;
    std::vector<double> factors(tableEntries);
    bool finite = true;
    for (int i = 0; i < tableEntries; ++i) {
      factors[i] = bandFactor(tables[c][i]);
      finite = finite && std::isfinite(factors[i]);
    }
    if (finite) {
      // Every coefficient the streams give is written, zeros too; those
      // after the streams end are 0.
      CountingSink<DequantisingSink> sink{
          {planes[c], factors.data(), rowBands.data(), columnBands.data(), uint64_t(width)}};
      expand(symbols.data, symbols.size, header.symbolCount[c], values.data, values.size, header.valueCount[c],
             header.valueBits[c], n, sink);
      std::fill(planes[c] + sink.end, planes[c] + n, 0.0);
    } else {
      // A factor that is no number reaches the zero coefficients too.
      ws.coefficients.assign(n, 0);
      expandImageStreams(symbols.data, symbols.size, header.symbolCount[c], values.data, values.size,
                         header.valueCount[c], header.valueBits[c], ws.coefficients);
      // Detail bands and the approximation cover the plane only for levels
      // the picture has room for; the rest of it is 0.
      std::fill(planes[c], planes[c] + n, 0.0);
      dequantiseImagePlane(ws.coefficients.data(), tables[c].data(), width, height, levels, planes[c]);
    }
    inverseCoarseSteps(planes[c], scratch, width, height, levels, rows);
  }

  const size_t w = static_cast<size_t>(width);
  double* lines = atLeast(ws.lines, static_cast<size_t>(channels) * 2 * w);
  pixelsOut.resize(n * (channels == 1 ? 1 : 4));
  auto emitRow = [&](int r, int line) {
    if (channels == 1) {
      const double* grey = &lines[line * w];
      uint8_t* out = pixelsOut.data() + r * w;
      for (size_t x = 0; x < w; ++x) out[x] = clampToByte(grey[x]);
      return;
    }
    const double* yp = &lines[(0 * 2 + line) * w];
    const double* up = &lines[(1 * 2 + line) * w];
    const double* vp = &lines[(2 * 2 + line) * w];
    uint8_t* out = pixelsOut.data() + r * w * 4;
    for (size_t x = 0; x < w; ++x) {
      const double y = yp[x];
      const double red = y + kRedFromV * vp[x];
      const double blue = y + kBlueFromU * up[x];
      const double green = (y - kLumaRed * red - kLumaBlue * blue) * kGreenFromRest;
      out[4 * x] = clampToByte(blue);
      out[4 * x + 1] = clampToByte(green);
      out[4 * x + 2] = clampToByte(red);
      out[4 * x + 3] = 0;
    }
  };
  for (int y = 0; y < height / 2; ++y) {
    for (int c = 0; c < channels; ++c)
      lastStepRows(planes[c], width, height, y, rows, &lines[(c * 2) * w], &lines[(c * 2 + 1) * w]);
    emitRow(2 * y, 0);
    emitRow(2 * y + 1, 1);
  }
  if (height & 1) {
    for (int c = 0; c < channels; ++c)
      lastStepRows(planes[c], width, height, height / 2, rows, &lines[(c * 2) * w], nullptr);
    emitRow(height - 1, 0);
  }
  return ImageStatus::decoded;
}

ImageStatus decodeImage(std::vector<uint8_t>& pixelsOut, ImageHeader& header, const std::string& name) {
  // The bytes are decoded where the loader put them; a missing file reads as empty.
  LoadedFile file;
  loadFile(file, name);
  const uint8_t* buffer = loadBufferData();
  const bool present = buffer != nullptr && file.pos >= 0 && file.end > file.pos && file.end <= kLoadBufferSize;
  const ImageStatus status = decodeImage(pixelsOut, header, present ? buffer + file.pos : nullptr,
                                         present ? static_cast<size_t>(file.end - file.pos) : 0);
  releaseFile(file);
  return status;
}

}  // namespace glorbe
