// The wavelet image decoder: header, stream expansion (zero runs, signs,
// packed magnitudes), dequantisation per band, the inverse Haar transform
// with its smoothing of zero details, the colour conversion and the clamp.
//
// Every count in a header is checked against the bytes that are really there;
// planes are sized from the checked width and height only.
#include "textures/image_decoder.h"

#include "archive/load_buffer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace glorbe {

namespace {

uint16_t readU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t readU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

double readF64(const uint8_t* p) {
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = bits << 8 | p[i];
  return std::bit_cast<double>(bits);
}

void writeU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void writeU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

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

void expandImageStreams(const uint8_t* symbolBytes, size_t symbolByteCount, uint32_t symbolCount,
                        const uint8_t* valueBytes, size_t valueByteCount, uint32_t valueCount, int valueBits,
                        std::vector<int32_t>& coefficients) {
  if (valueBits < 0 || valueBits > kMaxImageValueBits) return;
  const uint64_t symbolsAvailable = std::min<uint64_t>(symbolCount, uint64_t{symbolByteCount} * 4);
  ValueReader reader({valueBytes, valueByteCount}, valueCount, valueBits);
  const uint64_t valuesAvailable = reader.available();
  const uint64_t total = coefficients.size();
  uint64_t s = 0, v = 0, c = 0;
  auto symbolAt = [&](uint64_t i) { return (symbolBytes[i >> 2] >> ((i & 3) * 2)) & 3; };
  while (c < total && s < symbolsAvailable && v < valuesAvailable) {
    switch (symbolAt(s++)) {
      case 0:
        coefficients[c++] = 0;
        break;
      case 1: {
        if (s >= symbolsAvailable) return;  // the run's high part is missing
        const uint64_t high = symbolAt(s++);
        const uint64_t run = std::min((high << valueBits) + reader.next() + 1, total - c);
        ++v;
        std::fill_n(coefficients.begin() + static_cast<ptrdiff_t>(c), run, 0);
        c += run;
        break;
      }
      case 2:
        coefficients[c++] = static_cast<int32_t>(reader.next());
        ++v;
        break;
      default:
        coefficients[c++] = -static_cast<int32_t>(reader.next());
        ++v;
        break;
    }
  }
}

void dequantiseImagePlane(const std::vector<int32_t>& coefficients, const std::vector<double>& table, int width, int height,
                int levels, std::vector<double>& plane) {
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

// One inverse step along a row of n values from src into dst: the
// approximation is the first half, the details the second. A zero detail
// between changing approximations is smoothed toward its neighbour; an odd
// last value passes through.
inline void inverseRow(const double* src, double* dst, int n) {
  const double k = kWaveletScale;
  const int half = n / 2;
  const double* a = src;
  const double* d = src + half;
  for (int y = 0; y < half; ++y) {
    const double ay = a[y], dy = d[y];
    if (dy != 0.0 || y == 0 || y == half - 1) {
      dst[2 * y] = (ay + dy) * k;
      dst[2 * y + 1] = (ay - dy) * k;
      continue;
    }
    const double before = a[y - 1], after = a[y + 1];
    if (d[y - 1] == 0.0 && ay != after && (y == half - 2 || after != a[y + 2]))
      dst[2 * y] = (0.8 * ay + 0.2 * before) * k;
    else
      dst[2 * y] = ay * k;
    if (d[y + 1] == 0.0 && before != ay && (y == 1 || a[y - 2] != before))
      dst[2 * y + 1] = (0.8 * ay + 0.2 * after) * k;
    else
      dst[2 * y + 1] = ay * k;
  }
  if (n & 1) dst[n - 1] = src[n - 1];
}

// The vertical pass: the rule of inverseRow applied to every column, worked
// through whole rows at a time so that it walks memory in order.
void inverseColumns(const double* plane, double* temp, size_t stride, int w, int h) {
  const double k = kWaveletScale;
  const int half = h / 2;
  auto row = [&](int y) { return plane + static_cast<size_t>(y) * stride; };
  for (int y = 0; y < half; ++y) {
    const double* a = row(y);
    const double* d = row(half + y);
    double* even = temp + static_cast<size_t>(2 * y) * stride;
    double* odd = even + stride;
    if (y == 0 || y == half - 1) {
      for (int x = 0; x < w; ++x) {
        even[x] = (a[x] + d[x]) * k;
        odd[x] = (a[x] - d[x]) * k;
      }
      continue;
    }
    const double* before = row(y - 1);
    const double* after = row(y + 1);
    const double* after2 = y == half - 2 ? nullptr : row(y + 2);
    const double* before2 = y == 1 ? nullptr : row(y - 2);
    const double* dBefore = row(half + y - 1);
    const double* dAfter = row(half + y + 1);
    for (int x = 0; x < w; ++x) {
      const double ay = a[x], dy = d[x];
      if (dy != 0.0) {
        even[x] = (ay + dy) * k;
        odd[x] = (ay - dy) * k;
        continue;
      }
      if (dBefore[x] == 0.0 && ay != after[x] && (after2 == nullptr || after[x] != after2[x]))
        even[x] = (0.8 * ay + 0.2 * before[x]) * k;
      else
        even[x] = ay * k;
      if (dAfter[x] == 0.0 && before[x] != ay && (before2 == nullptr || before2[x] != before[x]))
        odd[x] = (0.8 * ay + 0.2 * after[x]) * k;
      else
        odd[x] = ay * k;
    }
  }
  if (h & 1) std::memcpy(temp + static_cast<size_t>(h - 1) * stride, row(h - 1), sizeof(double) * w);
}

}  // namespace

void inverseImageTransform(std::vector<double>& plane, std::vector<double>& temp, int width, int height, int levels) {
  temp.resize(plane.size());
  const size_t stride = static_cast<size_t>(width);
  for (int n = levels; n >= 0; --n) {
    const int w = width >> n, h = height >> n;
    if (w == 0 || h == 0) continue;
    inverseColumns(plane.data(), temp.data(), stride, w, h);
    for (int r = 0; r < h; ++r) {
      const size_t base = static_cast<size_t>(r) * stride;
      inverseRow(temp.data() + base, plane.data() + base, w);
    }
  }
}

namespace {

inline uint8_t clampToByte(double v) {
  if (v >= 255.0) return 255;
  if (v > 0.0) return static_cast<uint8_t>(std::nearbyint(v));
  return 0;  // also NaN, which a table of the file can produce
}

}  // namespace

const char* imageStatusText(ImageStatus status) {
  switch (status) {
    case ImageStatus::decoded: return "decoded";
    case ImageStatus::shortFile: return "the file is shorter than the 36-byte header";
    case ImageStatus::badDepth: return "bits per pixel are neither 8 nor 24";
    case ImageStatus::noPixels: return "width or height is 0";
    case ImageStatus::tooLarge: return "the picture has more than 4096 x 4096 pixels";
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
  header.width = readU16(bytes + 3);
  header.height = readU16(bytes + 5);
  header.bitsPerPixel = bytes[7];
  header.levels = bytes[8];
  for (int c = 0; c < 3; ++c) {
    header.symbolCount[c] = readU32(bytes + 9 + 4 * c);
    header.valueCount[c] = readU32(bytes + 21 + 4 * c);
    header.valueBits[c] = bytes[33 + c];
  }
  return data != nullptr && size >= kImageHeaderSize;
}

void writeImageHeader(const ImageHeader& header, uint8_t* out) {
  for (int i = 0; i < 3; ++i) out[i] = header.reserved[i];
  writeU16(out + 3, header.width);
  writeU16(out + 5, header.height);
  out[7] = header.bitsPerPixel;
  out[8] = header.levels;
  for (int c = 0; c < 3; ++c) {
    writeU32(out + 9 + 4 * c, header.symbolCount[c]);
    writeU32(out + 21 + 4 * c, header.valueCount[c]);
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

ImageStatus decodeImage(std::vector<uint8_t>& pixelsOut, ImageHeader& header, const uint8_t* data, size_t size) {
  pixelsOut.clear();
  if (!readImageHeader(data, size, header)) return ImageStatus::shortFile;
  const int channels = imageChannelCount(header);
  if (channels == 0) return ImageStatus::badDepth;
  const int width = header.width, height = header.height, levels = header.levels;
  if (width == 0 || height == 0) return ImageStatus::noPixels;
  const uint64_t pixelCount = uint64_t{header.width} * header.height;
  if (pixelCount > kMaxImagePixels) return ImageStatus::tooLarge;
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

  std::vector<int32_t> coefficients(n);
  std::vector<double> temp(n);
  std::vector<std::vector<double>> planes(channels);
  for (int c = 0; c < channels; ++c) {
    const ByteRange symbols = clip(data, size, offset, symbolStreamBytes(header.symbolCount[c]));
    offset += symbolStreamBytes(header.symbolCount[c]);
    const uint64_t valueBytes = valueStreamBytes(header.valueCount[c], header.valueBits[c]);
    const ByteRange values = clip(data, size, offset, valueBytes);
    offset += valueBytes;
    std::fill(coefficients.begin(), coefficients.end(), 0);
    expandImageStreams(symbols.data, symbols.size, header.symbolCount[c], values.data, values.size,
                       header.valueCount[c], header.valueBits[c], coefficients);
    planes[c].resize(n);
    dequantiseImagePlane(coefficients, tables[c], width, height, levels, planes[c]);
    inverseImageTransform(planes[c], temp, width, height, levels);
  }

  if (channels == 1) {
    pixelsOut.resize(n);
    const double* grey = planes[0].data();
    for (size_t i = 0; i < n; ++i) pixelsOut[i] = clampToByte(grey[i]);
    return ImageStatus::decoded;
  }
  pixelsOut.resize(n * 4);
  const double* yp = planes[0].data();
  const double* up = planes[1].data();
  const double* vp = planes[2].data();
  for (size_t i = 0; i < n; ++i) {
    const double y = yp[i];
    const double r = y + kRedFromV * vp[i];
    const double b = y + kBlueFromU * up[i];
    const double g = (y - kLumaRed * r - kLumaBlue * b) * kGreenFromRest;
    uint8_t* px = pixelsOut.data() + 4 * i;
    px[0] = clampToByte(b);
    px[1] = clampToByte(g);
    px[2] = clampToByte(r);
    px[3] = 0;
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
