// The file layer: plain read-only file operations on a name that is a disk
// file (which wins) or an entry of a registered archive. Every operation
// leaves its result in archiveStatus.
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <limits>

#include "archive/archive.h"
#include "archive/archive_io.h"
#include "platform/disk_files.h"

namespace glorbe {

namespace {

void setStatus(int32_t status) { archiveDirectory.archiveStatus = status; }

void clearSource(ArchiveFile& file) {
  file.source = FileSource::none;
  file.disk = -1;
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
    const size_t got = readAt(file.archive->file, uint64_t{file.dataOffset} + file.position, destination, bytes);
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
  if (file.source == FileSource::disk) ::close(file.disk);
  clearSource(file);
  file.name = name;
  file.recordSize = 1;
  setStatus(kStatusOk);
}

void open(ArchiveFile& file, int32_t recordSize) {
  if (file.source == FileSource::disk) ::close(file.disk);
  clearSource(file);
  if (recordSize < 1) {
    setStatus(EINVAL);
    return;
  }
  file.recordSize = recordSize;

  if (const auto path = findDiskFile(file.name)) {
    const int fd = ::open(path->c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      setStatus(errno);
      return;
    }
    file.source = FileSource::disk;
    file.disk = fd;
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
      struct stat st {};
      if (fstat(file.disk, &st) != 0) {
        setStatus(errno);
        return 0;
      }
      setStatus(kStatusOk);
      return static_cast<int64_t>(st.st_size) / file.recordSize;
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

  int64_t done = 0;
  while (done < bytes) {
    const size_t chunk = static_cast<size_t>(std::min<int64_t>(bytes - done, 1 << 30));
    const ssize_t n = ::read(file.disk, out + done, chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      setStatus(errno);
      return done;
    }
    if (n == 0) break;
    done += n;
  }
  setStatus(kStatusOk);
  return done;
}

void seek(ArchiveFile& file, int64_t offset) {
  switch (file.source) {
    case FileSource::disk:
      setStatus(::lseek(file.disk, static_cast<off_t>(offset), SEEK_SET) < 0 ? errno : kStatusOk);
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
    case FileSource::disk: {
      const off_t at = ::lseek(file.disk, 0, SEEK_CUR);
      setStatus(at < 0 ? errno : kStatusOk);
      return at < 0 ? 0 : static_cast<int64_t>(at);
    }
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
  if (file.source == FileSource::disk) ::close(file.disk);
  clearSource(file);
  setStatus(kStatusOk);
}

}  // namespace glorbe
