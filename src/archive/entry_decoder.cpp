// Decoding of deflated entries with zlib's raw inflate, from the start of the
// data or from a seek point (bit state primed, window set as the dictionary).
// Decoded bytes go straight to the destination; only bytes before the wanted
// position pass through a small scratch block and are dropped.
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <new>

#include "archive/archive.h"

namespace glorbe {

namespace {

constexpr size_t kInputChunk = 128 * 1024;
constexpr size_t kSkipChunk = 32 * 1024;

int32_t decoderResult(int zlibResult) {
  switch (zlibResult) {
    case Z_MEM_ERROR:
      return kDecodeNoMemory;
    case Z_DATA_ERROR:
      return kDecodeData;
    default:
      return kDecodeState;
  }
}

}  // namespace

uint64_t entryDataLimit(const ArchiveEntry& entry) {
  if (entry.method == kMethodStored) return std::min(entry.uncompressedSize, entry.compressedSize);
  if (entry.method != kMethodDeflated) return 0;
  return std::min<uint64_t>(entry.uncompressedSize, uint64_t{entry.compressedSize} * kDeflateMostBytesPerByte + 258);
}

const SeekPoint* nearestSeekPoint(const std::vector<SeekPoint>& points, uint32_t position) {
  const SeekPoint* best = nullptr;
  for (const SeekPoint& p : points) {
    if (p.uncompressedOffset < position && (best == nullptr || p.uncompressedOffset > best->uncompressedOffset)) {
      best = &p;
    }
  }
  return best;
}

int32_t decodeRange(const CompressedSource& source, const SeekPoint* point, uint32_t from, uint32_t count,
                    uint8_t* destination, uint32_t& delivered) {
  delivered = 0;
  if (count == 0) return 0;
  const uint32_t startIn = point ? point->compressedOffset : 0;
  const uint32_t startOut = point ? point->uncompressedOffset : 0;
  if (startIn > source.length || startOut > from) return kDecodeState;

  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return kDecodeNoMemory;
  struct Ender {
    z_stream* z;
    ~Ender() { inflateEnd(z); }
  } ender{&z};

  if (point != nullptr) {
    const int bits = static_cast<int>((point->bitState >> 16) & 0xFF);
    if (bits > 16 || point->window.size() != point->windowLength) return kDecodeState;
    if (bits > 0 && inflatePrime(&z, bits, static_cast<int>(point->bitState & ((1u << bits) - 1))) != Z_OK) {
      return kDecodeState;
    }
    if (point->windowLength > 0) {
      // The window is kept as a ring whose oldest byte is at windowPos.
      const size_t pos = point->windowPos < point->windowLength ? point->windowPos : 0;
      std::vector<uint8_t> ordered;
      const uint8_t* dictionary = point->window.data();
      if (pos != 0) {
        try {
          ordered.reserve(point->windowLength);
        } catch (const std::bad_alloc&) {
          return kDecodeNoMemory;
        }
        ordered.insert(ordered.end(), point->window.begin() + static_cast<ptrdiff_t>(pos), point->window.end());
        ordered.insert(ordered.end(), point->window.begin(), point->window.begin() + static_cast<ptrdiff_t>(pos));
        dictionary = ordered.data();
      }
      if (inflateSetDictionary(&z, dictionary, point->windowLength) != Z_OK) return kDecodeState;
    }
  }

  // Compressed input: in place from memory, or in chunks read from the file.
  std::unique_ptr<uint8_t[]> input;
  uint32_t inputLeft = source.length - startIn;  // not yet handed to the decoder
  uint64_t inputAt = source.offset + startIn;
  if (source.memory != nullptr) {
    z.next_in = const_cast<Bytef*>(source.memory + startIn);
    z.avail_in = inputLeft;
    inputLeft = 0;
  } else {
    input.reset(new (std::nothrow) uint8_t[kInputChunk]);
    if (!input) return kDecodeNoMemory;
  }
  std::unique_ptr<uint8_t[]> scratch;
  uint32_t skip = from - startOut;
  if (skip > 0) {
    scratch.reset(new (std::nothrow) uint8_t[kSkipChunk]);
    if (!scratch) return kDecodeNoMemory;
  }

  for (;;) {
    if (z.avail_in == 0 && inputLeft > 0) {
      const size_t want = std::min<size_t>(kInputChunk, inputLeft);
      const size_t got = readReadOnlyFile(source.file, inputAt, input.get(), want);
      inputLeft = got == want ? static_cast<uint32_t>(inputLeft - got) : 0;  // a short read ends the input
      inputAt += got;
      z.next_in = input.get();
      z.avail_in = static_cast<uInt>(got);
    }
    const bool skipping = skip > 0;
    const uInt room = skipping ? static_cast<uInt>(std::min<uint32_t>(skip, kSkipChunk)) : count - delivered;
    z.next_out = skipping ? scratch.get() : destination + delivered;
    z.avail_out = room;
    const uInt hadIn = z.avail_in;
    const int result = inflate(&z, Z_NO_FLUSH);
    const uint32_t produced = room - z.avail_out;
    if (skipping) {
      skip -= produced;
    } else {
      delivered += produced;
    }
    if (delivered == count) return 0;
    if (result == Z_STREAM_END) return kDecodeTruncated;
    if (result != Z_OK && result != Z_BUF_ERROR) return decoderResult(result);
    if (produced == 0 && hadIn == z.avail_in) {
      // No progress: the input has run out before the wanted bytes.
      return z.avail_in == 0 && inputLeft == 0 ? kDecodeTruncated : kDecodeState;
    }
  }
}

}  // namespace glorbe
