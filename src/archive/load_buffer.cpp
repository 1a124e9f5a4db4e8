// The shared load buffer with its two slots, and the sequential readers over it.
#include "archive/load_buffer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "archive/archive.h"

namespace glorbe {

LoadBufferState loadBuffer;

namespace {

// The byte at `at` if it lies in the buffer and before `end`, else zero.
uint8_t byteAt(const LoadedFile& file, int64_t at) {
  if (!loadBuffer.buffer || at < 0 || at >= file.end || at >= kLoadBufferSize) return 0;
  return loadBuffer.buffer[static_cast<size_t>(at)];
}

int32_t advanced(int32_t pos, int64_t by) {
  return static_cast<int32_t>(std::min<int64_t>(int64_t{pos} + by, std::numeric_limits<int32_t>::max()));
}

// Reads the named file whole to `offset` when it fits in `room` bytes;
// gives the number of bytes placed there (0 for a missing or oversized file).
int32_t readWhole(const std::string& name, int32_t offset, int32_t room) {
  ArchiveFile f;
  assign(f, name);
  open(f, 1);
  if (archiveStatus() != kStatusOk) return 0;
  const int64_t length = size(f);
  int64_t got = 0;
  if (loadBuffer.buffer && length <= room) got = read(f, loadBuffer.buffer.get() + offset, length);
  const int32_t status = archiveStatus();
  close(f);
  if (status != kStatusOk) archiveDirectory.archiveStatus = status;  // the read's result outlives the close
  return static_cast<int32_t>(got);
}

}  // namespace

void allocateLoadBuffer() {
  if (!loadBuffer.buffer) loadBuffer.buffer.reset(new (std::nothrow) uint8_t[kLoadBufferSize]());
}

void freeLoadBuffer() { loadBuffer.buffer.reset(); }

void resetLoadBuffer() { loadBuffer = LoadBufferState{}; }

const uint8_t* loadBufferData() { return loadBuffer.buffer.get(); }

void loadFile(LoadedFile& file, const std::string& name) {
  if (loadBuffer.slotAInUse && loadBuffer.slotBInUse) {
    // Both slots hold files still in use: this one cannot go anywhere.
    ++loadBuffer.overflowLoads;
    file.pos = file.end = kLoadBufferSize;
    return;
  }
  if (loadBuffer.slotAInUse) {
    // Slot B, unless the file in slot A reaches into it.
    const int32_t room = loadBuffer.slotAEnd > kLoadSlotSize ? 0 : kLoadBufferSize - kLoadSlotSize;
    const int32_t length = readWhole(name, kLoadSlotSize, room);
    file.pos = kLoadSlotSize;
    file.end = kLoadSlotSize + length;
    loadBuffer.slotBInUse = true;
  } else {
    const int32_t length = readWhole(name, 0, kLoadBufferSize);
    file.pos = 0;
    file.end = length;
    loadBuffer.slotAEnd = length;
    loadBuffer.slotBInUse = false;
  }
  loadBuffer.slotAInUse = true;
}

void readBytes(LoadedFile& file, void* destination, int32_t count) {
  if (count <= 0) return;
  auto* out = static_cast<uint8_t*>(destination);
  const int64_t from = file.pos;
  const int64_t to = from + count;
  // The part of [from, to) that lies in the file and the buffer is copied, the rest zeroed.
  const int64_t validEnd = loadBuffer.buffer ? std::min<int64_t>(file.end, kLoadBufferSize) : 0;
  const int64_t lo = std::max<int64_t>(from, 0);
  const int64_t hi = std::min<int64_t>(to, validEnd);
  if (hi > lo) {
    if (lo > from) std::memset(out, 0, static_cast<size_t>(lo - from));
    std::memcpy(out + (lo - from), loadBuffer.buffer.get() + lo, static_cast<size_t>(hi - lo));
    if (to > hi) std::memset(out + (hi - from), 0, static_cast<size_t>(to - hi));
  } else {
    std::memset(out, 0, static_cast<size_t>(count));
  }
  file.pos = advanced(file.pos, count);
}

void readLine(LoadedFile& file, std::string& line) {
  line.clear();
  if (file.pos >= file.end) return;
  bool sawReturn = false;
  for (;;) {
    const uint8_t c = byteAt(file, file.pos);
    file.pos = advanced(file.pos, 1);
    if (c == 13) {
      sawReturn = true;
      break;
    }
    line.push_back(static_cast<char>(c));
    if (file.pos >= file.end || line.size() >= kMaxLineLength) break;
  }
  if (sawReturn) file.pos = advanced(file.pos, 1);
}

void releaseFile(LoadedFile&) {
  if (loadBuffer.overflowLoads > 0) {
    --loadBuffer.overflowLoads;
  } else if (loadBuffer.slotBInUse) {
    loadBuffer.slotBInUse = false;
  } else {
    loadBuffer.slotAInUse = false;
    loadBuffer.slotAEnd = 0;
  }
}

}  // namespace glorbe
