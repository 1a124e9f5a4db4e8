// Little-endian fields, the byte order of every file format the engine and
// its tools read and write (archives, timelines, images, texture programs),
// whatever the processor's own order.
#pragma once

#include <cstddef>
#include <cstdint>

namespace glorbe {

// The value of `count` bytes at p (at most 8), lowest byte first.
inline uint64_t readLittleEndian(const uint8_t* p, size_t count) {
  uint64_t v = 0;
  for (size_t i = count; i > 0; --i) v = (v << 8) | p[i - 1];
  return v;
}

inline uint16_t readLittle16(const uint8_t* p) { return static_cast<uint16_t>(readLittleEndian(p, 2)); }
inline uint32_t readLittle32(const uint8_t* p) { return static_cast<uint32_t>(readLittleEndian(p, 4)); }
inline uint64_t readLittle64(const uint8_t* p) { return readLittleEndian(p, 8); }

// The low `count` bytes of v at p, lowest first.
inline void writeLittleEndian(uint8_t* p, uint64_t v, size_t count) {
  for (size_t i = 0; i < count; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void writeLittle16(uint8_t* p, uint16_t v) { writeLittleEndian(p, v, 2); }
inline void writeLittle32(uint8_t* p, uint32_t v) { writeLittleEndian(p, v, 4); }
inline void writeLittle64(uint8_t* p, uint64_t v) { writeLittleEndian(p, v, 8); }

// Appends the low `count` bytes of v, lowest first, to a byte container
// (std::vector<uint8_t> or std::string).
template <typename Bytes>
void appendLittleEndian(Bytes& out, uint64_t v, size_t count) {
  using Byte = typename Bytes::value_type;
  for (size_t i = 0; i < count; ++i) out.push_back(static_cast<Byte>((v >> (8 * i)) & 0xFF));
}

}  // namespace glorbe
