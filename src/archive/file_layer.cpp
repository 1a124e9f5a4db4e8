// The file layer: plain read-only file operations on a name that is a disk
// file (which wins) or an entry of a registered archive. Every operation
// leaves its result in archiveStatus.
#include <algorithm>
#include <cerrno>
#include <limits>

#include "archive/archive.h"
#include "platform/disk_files.h"
#include "platform/read_only_file.h"

namespace glorbe {

namespace {

void setStatus(int32_t status) { archiveDirectory.archiveStatus = status; }

void clearSource(ArchiveFile& file) {
  file.source = FileSource::none;
  file.disk = ReadOnlyFile{};
  file.diskPosition = 0;
  file.archive = nullptr;
  file.entry = nullptr;
  file.method = 0;
  file.dataOffset = 0;
  file.compressedSize = 0;
  file.uncompressedSize = 0;
  file.position = 0;
  file.seekPoints = nullptr;
}

int32_t statusOfDecoder(int32_t result) {
  switch (result) {
    case kDecodeTruncated:
      return kStatusDecoderTruncated;
    case kDecodeState:
      return kStatusDecoderState;
    case kDecodeData:
      return kStatusDecoderData;
    case kDecodeMethod:
      return kStatusDecoderMethod;
    default:
      return result;
  }
}

int64_t readEntry(ArchiveFile& file, uint8_t* destination, int64_t wanted) {
  if (file.position >= file.uncompressedSize || wanted <= 0) {
    setStatus(kStatusOk);
    return 0;
  }
  const uint32_t bytes = static_cast<uint32_t>(std::min<int64_t>(wanted, file.uncompressedSize - file.position));
  if (file.method == kMethodStored) {
    const size_t got = readReadOnlyFile(file.archive->file, uint64_t{file.dataOffset} + file.position, destination, bytes);
    file.position += static_cast<uint32_t>(got);
    setStatus(kStatusOk);
    return static_cast<int64_t>(got);
  }
  if (file.method != kMethodDeflated) {
    setStatus(kStatusDecoderMethod);
    return 0;
  }
  const CompressedSource source{file.archive->file, nullptr, file.dataOffset, file.compressedSize};
  const SeekPoint* point = file.seekPoints ? nearestSeekPoint(*file.seekPoints, file.position) : nullptr;
  uint32_t delivered = 0;
  const int32_t result = decodeRange(source, point, file.position, bytes, destination, delivered);
  file.position += delivered;
  setStatus(result == 0 ? kStatusOk : statusOfDecoder(result));
  return delivered;
}

}  // namespace

void assign(ArchiveFile& file, const std::string& name) {
  if (file.source == FileSource::disk) closeReadOnlyFile(file.disk);
  clearSource(file);
  file.name = name;
  file.recordSize = 1;
  setStatus(kStatusOk);
}

void open(ArchiveFile& file, int32_t recordSize) {
  if (file.source == FileSource::disk) closeReadOnlyFile(file.disk);
  clearSource(file);
  if (recordSize < 1) {
    setStatus(EINVAL);
    return;
  }
  file.recordSize = recordSize;

  if (const auto path = findDiskFile(file.name)) {
    const int32_t error = openReadOnlyFile(*path, file.disk);
    if (error != 0) {
      setStatus(error);
      return;
    }
    file.source = FileSource::disk;
    setStatus(kStatusOk);
    return;
  }

  for (const auto& archive : archiveDirectory.archives) {
    for (const ArchiveEntry& entry : archive->entries) {
      if (!entryNamesEqual(entry.name, file.name)) continue;
      file.source = FileSource::entry;
      file.archive = archive.get();
      file.entry = &entry;
      file.method = entry.method;
      file.dataOffset = entry.dataOffset;
      file.compressedSize = entry.compressedSize;
      file.uncompressedSize = entry.uncompressedSize;
      file.position = 0;
      file.seekPoints = &entry.seekPoints;
      setStatus(kStatusOk);
      return;
    }
  }
  setStatus(kStatusNotFound);
}

int64_t size(ArchiveFile& file) {
  switch (file.source) {
    case FileSource::disk: {
      uint64_t length = 0;
      if (const int32_t error = readOnlyFileLength(file.disk, length); error != 0) {
        setStatus(error);
        return 0;
      }
      setStatus(kStatusOk);
      return static_cast<int64_t>(length) / file.recordSize;
    }
    case FileSource::entry:
      setStatus(kStatusOk);
      return static_cast<int64_t>(file.uncompressedSize) / file.recordSize;
    case FileSource::none:
      break;
  }
  setStatus(kStatusNotOpen);
  return 0;
}

int64_t read(ArchiveFile& file, void* destination, int64_t count) {
  if (file.source == FileSource::none) {
    setStatus(kStatusNotOpen);
    return 0;
  }
  if (count <= 0) {
    setStatus(kStatusOk);
    return 0;
  }
  const int64_t limit = std::numeric_limits<int64_t>::max() / file.recordSize;
  const int64_t bytes = std::min(count, limit) * file.recordSize;
  auto* out = static_cast<uint8_t*>(destination);
  if (file.source == FileSource::entry) return readEntry(file, out, bytes);

  int32_t error = 0;
  const size_t done = readReadOnlyFile(file.disk, file.diskPosition, out, static_cast<size_t>(bytes), &error);
  file.diskPosition += done;
  setStatus(error != 0 ? error : kStatusOk);
  return static_cast<int64_t>(done);
}

void seek(ArchiveFile& file, int64_t offset) {
  switch (file.source) {
    case FileSource::disk:
      // A disk file may be positioned past its end (reads then give nothing),
      // not before its start.
      if (offset < 0) {
        setStatus(EINVAL);
        return;
      }
      file.diskPosition = static_cast<uint64_t>(offset);
      setStatus(kStatusOk);
      return;
    case FileSource::entry:
      if (offset < 0 || offset > file.uncompressedSize) {
        setStatus(kStatusSeekBeyondEnd);
        return;
      }
      file.position = static_cast<uint32_t>(offset);
      setStatus(kStatusOk);
      return;
    case FileSource::none:
      break;
  }
  setStatus(kStatusNotOpen);
}

int64_t position(ArchiveFile& file) {
  switch (file.source) {
    case FileSource::disk:
      setStatus(kStatusOk);
      return static_cast<int64_t>(file.diskPosition);
    case FileSource::entry:
      setStatus(kStatusOk);
      return file.position;
    case FileSource::none:
      break;
  }
  setStatus(kStatusNotOpen);
  return 0;
}

void close(ArchiveFile& file) {
  if (file.source == FileSource::none) {
    setStatus(kStatusNotOpen);
    return;
  }
  if (file.source == FileSource::disk) closeReadOnlyFile(file.disk);
  clearSource(file);
  setStatus(kStatusOk);
}

}  // namespace glorbe
