// Little-endian field access and whole reads at an offset, shared by the
// archive's directory walk and its entry reads.
#pragma once

#include <cstddef>
#include <cstdint>

namespace glorbe {

inline uint32_t littleEndian16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8); }
inline uint32_t littleEndian32(const uint8_t* p) {
  return littleEndian16(p) | (littleEndian16(p + 2) << 16);
}

// Reads up to `count` bytes at `offset` without moving the file position;
// gives the number read (short only at the end of the file or on an error).
size_t readAt(int file, uint64_t offset, void* destination, size_t count);

// True when all `count` bytes could be read.
inline bool readExactly(int file, uint64_t offset, void* destination, size_t count) {
  return readAt(file, offset, destination, count) == count;
}

}  // namespace glorbe
