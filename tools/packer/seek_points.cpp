// Making seek points: forced block boundaries in the deflate stream, a
// block-by-block decode that notes the bit state and window at each one, and
// a check of every point with the engine's own decoder.
#include "packer/seek_points.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "common/byte_order.h"

namespace glorbe::tools {

std::vector<uint8_t> deflateRaw(const std::vector<uint8_t>& data, int windowBits, uint32_t spacing) {
  z_stream z{};
  deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -std::clamp(windowBits, 9, 15), 9, Z_DEFAULT_STRATEGY);
  std::vector<uint8_t> out(deflateBound(&z, data.size()) + 64 + (spacing ? data.size() / spacing * 8 : 0));
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  size_t at = 0;
  for (;;) {
    const size_t step = spacing ? std::min<size_t>(spacing, data.size() - at) : data.size() - at;
    z.next_in = const_cast<Bytef*>(data.data() + at);
    z.avail_in = static_cast<uInt>(step);
    at += step;
    const bool last = at == data.size();
    // Z_BLOCK ends the block here without padding to a byte boundary.
    for (;;) {
      const int result = deflate(&z, last ? Z_FINISH : Z_BLOCK);
      if (result == Z_STREAM_ERROR || (last ? result == Z_STREAM_END : z.avail_out > 0)) break;
      if (z.avail_out == 0) {
        const size_t used = out.size();
        out.resize(out.size() * 2);
        z.next_out = out.data() + used;
        z.avail_out = static_cast<uInt>(out.size() - used);
      }
    }
    if (last) break;
  }
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

bool findSeekPoints(const std::vector<uint8_t>& compressed, const std::vector<uint8_t>& data, uint32_t spacing,
                    uint32_t windowLength, std::vector<SeekPoint>& points) {
  points.clear();
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
  std::vector<uint8_t> decoded(data.size() + 1);
  z.next_in = const_cast<Bytef*>(compressed.data());
  z.avail_in = static_cast<uInt>(compressed.size());
  z.next_out = decoded.data();
  z.avail_out = static_cast<uInt>(decoded.size());
  uint64_t next = spacing;
  int result = Z_OK;
  while (result == Z_OK) {
    result = inflate(&z, Z_BLOCK);
    const bool boundary = (z.data_type & 128) != 0 && (z.data_type & 64) == 0;
    if (result != Z_OK || !boundary || spacing == 0 || z.total_out < next || z.total_out >= data.size()) continue;
    SeekPoint p;
    p.compressedOffset = static_cast<uint32_t>(z.total_in);
    p.uncompressedOffset = static_cast<uint32_t>(z.total_out);
    const uint32_t bits = static_cast<uint32_t>(z.data_type & 7);
    // The last byte taken is only partly used: its high `bits` bits start the next block.
    const uint32_t pending = bits ? static_cast<uint32_t>(compressed[z.total_in - 1] >> (8 - bits)) : 0;
    p.bitState = (bits << 16) | pending;
    if ((p.compressedOffset & 0xFF) == kSeekListEnd && p.compressedOffset < compressed.size()) {
      // A record must not start with the list's end byte: resume one byte
      // later and carry that byte's eight bits as pending bits too.
      const uint32_t more = compressed[p.compressedOffset];
      p.bitState = ((bits + 8) << 16) | pending | (more << bits);
      ++p.compressedOffset;
    }
    p.windowLength = static_cast<uint16_t>(std::min<uint64_t>(windowLength, z.total_out));
    p.window.assign(decoded.begin() + static_cast<ptrdiff_t>(z.total_out - p.windowLength),
                    decoded.begin() + static_cast<ptrdiff_t>(z.total_out));
    points.push_back(std::move(p));
    while (next <= z.total_out) next += spacing;
  }
  const bool same = result == Z_STREAM_END && z.total_out == data.size() &&
                    std::equal(data.begin(), data.end(), decoded.begin());
  inflateEnd(&z);
  return same;
}

size_t keepReproduciblePoints(const std::vector<uint8_t>& compressed, const std::vector<uint8_t>& data,
                              std::vector<SeekPoint>& points) {
  const size_t before = points.size();
  const CompressedSource source{ReadOnlyFile{}, compressed.data(), 0, static_cast<uint32_t>(compressed.size())};
  std::vector<uint8_t> out;
  std::erase_if(points, [&](const SeekPoint& p) {
    // Past two windows of output nothing can refer to bytes before the point.
    const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(data.size() - p.uncompressedOffset, 2 * kMaxWindowLength));
    out.assign(count, 0);
    uint32_t delivered = 0;
    const int32_t result = decodeRange(source, &p, p.uncompressedOffset, count, out.data(), delivered);
    return result != 0 || delivered != count ||
           !std::equal(out.begin(), out.end(), data.begin() + p.uncompressedOffset);
  });
  return before - points.size();
}

std::vector<uint8_t> encodeSeekIndex(const std::vector<SeekIndexEntry>& entries, std::vector<size_t>* recordStarts) {
  if (recordStarts) recordStarts->clear();
  std::vector<uint8_t> out(kSeekIndexSignature, kSeekIndexSignature + std::strlen(kSeekIndexSignature));
  for (const SeekIndexEntry& e : entries) {
    if (e.points.empty()) continue;
    out.insert(out.end(), e.name.begin(), e.name.end());
    out.push_back(0);
    for (const SeekPoint& p : e.points) {
      if (recordStarts) recordStarts->push_back(out.size());
      appendLittleEndian(out, p.compressedOffset, 4);
      appendLittleEndian(out, p.uncompressedOffset, 4);
      appendLittleEndian(out, p.bitState, 4);
      appendLittleEndian(out, p.windowPos, 2);
      appendLittleEndian(out, p.windowLength, 2);
      out.insert(out.end(), p.window.begin(), p.window.end());
    }
    out.push_back(kSeekListEnd);
  }
  return out;
}

size_t seekIndexCost(const std::string& name, const std::vector<uint32_t>& offsets, uint32_t windowLength) {
  if (offsets.empty()) return 0;
  size_t cost = name.size() + 2;
  for (uint32_t offset : offsets) cost += 16 + std::min(offset, windowLength);
  return cost;
}

}  // namespace glorbe::tools
