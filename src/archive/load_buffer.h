// The whole-file loader that every content reader uses: a file is read at
// once into one of the two slots of the shared load buffer and then consumed
// from there, byte blocks with readBytes and text lines with readLine.
//
// A file goes into slot A (offset 0, up to the whole buffer) when that is
// free, else into slot B (offset 500,000). A file that does not fit where it
// would go, or a third file while both slots are taken, loads as an exhausted
// file and overwrites nothing. Reads never leave the buffer: bytes outside the
// loaded file read as zero.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace glorbe {

inline constexpr int32_t kLoadBufferSize = 1000000;
inline constexpr int32_t kLoadSlotSize = 500000;
inline constexpr size_t kMaxLineLength = 255;

// The loader's handle: offsets into the load buffer. Exhausted when pos >= end.
struct LoadedFile {
  int32_t end = 0;  // just past the file's last byte
  int32_t pos = 0;  // the next byte to read
};

struct LoadBufferState {
  std::unique_ptr<uint8_t[]> buffer;  // kLoadBufferSize bytes while allocated
  bool slotAInUse = false;
  bool slotBInUse = false;
  int32_t slotAEnd = 0;       // end of the file in slot A, so slot B never overlaps it
  int32_t overflowLoads = 0;  // loads made while both slots were taken, released first
};

extern LoadBufferState loadBuffer;

void allocateLoadBuffer();
void freeLoadBuffer();
// Frees the buffer and clears the slots (for tests).
void resetLoadBuffer();

// Start of the buffer, for parsers that look at bytes in place; null when
// the buffer is not allocated.
const uint8_t* loadBufferData();

void loadFile(LoadedFile& file, const std::string& name);
// Copies `count` bytes at pos and advances pos by `count`; bytes outside the
// file read as zero. A negative count reads nothing.
void readBytes(LoadedFile& file, void* destination, int32_t count);
// One line: up to a carriage return (the byte after it, the line feed, is
// skipped), the end of the file, or 255 characters.
void readLine(LoadedFile& file, std::string& line);
// Frees the slot of the file loaded last (the handle is not consulted).
void releaseFile(LoadedFile& file);

}  // namespace glorbe
