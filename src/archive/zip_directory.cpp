// Archive registration: the walk over a ZIP archive's local file headers and
// the seek-point index kept in the archive comment.
//
// The walk trusts nothing it reads: an entry whose data would run past the end
// of the archive file is not registered and stops the walk, like any other
// damaged header; the comment is looked for only inside the file.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "archive/archive.h"
#include "common/ascii.h"
#include "common/byte_order.h"
#include "platform/disk_files.h"
#include "platform/read_only_file.h"

namespace glorbe {

ArchiveDirectory archiveDirectory;

namespace {

constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr uint32_t kEndRecordSignature = 0x06054B50;
constexpr size_t kLocalHeaderLength = 30;
constexpr size_t kEndRecordLength = 22;
constexpr size_t kMaxCommentLength = 65535;
// Where the end record was looked for when comments were short; kept as the
// fallback for an end record that is followed by bytes of some other kind.
constexpr size_t kShortCommentSearch = 1500;

void setStatus(int32_t status) { archiveDirectory.archiveStatus = status; }

// "dir/sub/velk.dat" -> "velk.dat" and its base name "velk".
void splitArchivePath(const std::string& path, std::string& name, std::string& base) {
  size_t slash = path.find_last_of("/\\");
  name = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = name.find_last_of('.');
  base = dot == std::string::npos ? name : name.substr(0, dot);
}

// Walks the local headers from the start of the file; returns the status.
int32_t walkLocalHeaders(Archive& archive, const std::string& base) {
  uint64_t at = 0;
  for (;;) {
    uint8_t header[kLocalHeaderLength];
    if (!readReadOnlyFileExactly(archive.file, at, header, 4)) return kStatusBadSignature;
    const uint32_t signature = readLittle32(header);
    if (signature == kCentralHeaderSignature) return kStatusOk;
    if (signature != kLocalHeaderSignature) return kStatusBadSignature;
    if (!readReadOnlyFileExactly(archive.file, at + 4, header + 4, kLocalHeaderLength - 4)) return kStatusBadSignature;

    const uint32_t nameLength = readLittle16(header + 26);
    const uint32_t extraLength = readLittle16(header + 28);
    if (nameLength > kMaxEntryNameLength) return kStatusNameTooLong;
    std::string stored(nameLength, '\0');
    if (!readReadOnlyFileExactly(archive.file, at + kLocalHeaderLength, stored.data(), nameLength)) return kStatusBadSignature;
    if (extraLength > kMaxEntryNameLength) return kStatusExtraTooLong;

    ArchiveEntry entry;
    entry.method = readLittle16(header + 8);
    entry.dosDateTime = (static_cast<uint32_t>(readLittle16(header + 12)) << 16) | readLittle16(header + 10);
    entry.crc32 = readLittle32(header + 14);
    entry.compressedSize = readLittle32(header + 18);
    entry.uncompressedSize = readLittle32(header + 22);
    const uint64_t dataOffset = at + kLocalHeaderLength + nameLength + extraLength;
    // Data that would run past the end of the file (or past what 32-bit
    // offsets reach) belongs to a cut-off archive: the entry is not usable.
    if (dataOffset + entry.compressedSize > archive.fileLength || dataOffset + entry.compressedSize > UINT32_MAX) {
      return kStatusBadSignature;
    }
    entry.dataOffset = static_cast<uint32_t>(dataOffset);
    // A stored entry's bytes are its compressed bytes; never read beyond them.
    if (entry.method == kMethodStored) entry.uncompressedSize = std::min(entry.uncompressedSize, entry.compressedSize);
    entry.name = archive.prefixWithArchiveName ? base + "\\" + stored : stored;

    try {
      archive.entries.push_back(std::move(entry));
    } catch (const std::bad_alloc&) {
      return kStatusNoEntryMemory;
    }
    ++archive.entryCount;
    at = dataOffset + archive.entries.back().compressedSize;
  }
}

// Finds the end record and hands its comment to the index reader. The end
// record that closes the file exactly wins; failing that, the first one among
// the last 1500 bytes.
void readCommentIndex(Archive& archive) {
  const size_t tailLength = static_cast<size_t>(std::min<uint64_t>(archive.fileLength, kEndRecordLength + kMaxCommentLength));
  std::vector<uint8_t> tail(tailLength);
  if (tailLength < 4 || !readReadOnlyFileExactly(archive.file, archive.fileLength - tailLength, tail.data(), tailLength)) return;

  size_t found = tailLength;
  size_t fallback = tailLength;
  const size_t shortStart = tailLength - std::min(tailLength, kShortCommentSearch);
  for (size_t i = 0; i + 4 <= tailLength; ++i) {
    if (readLittle32(&tail[i]) != kEndRecordSignature) continue;
    if (i + kEndRecordLength <= tailLength && i + kEndRecordLength + readLittle16(&tail[i + 20]) == tailLength) {
      found = i;
      break;
    }
    if (fallback == tailLength && i >= shortStart) fallback = i;
  }
  if (found == tailLength) found = fallback;
  if (found == tailLength || found + kEndRecordLength > tailLength) return;

  const size_t commentStart = found + kEndRecordLength;
  const size_t commentLength = std::min<size_t>(readLittle16(&tail[found + 20]), tailLength - commentStart);
  if (commentLength == 0) return;
  const int32_t status = readSeekIndex(&tail[commentStart], commentLength, archive.entries);
  if (status != kStatusOk) setStatus(status);
}

}  // namespace

void resetArchives() {
  for (auto& archive : archiveDirectory.archives) closeReadOnlyFile(archive->file);
  archiveDirectory = ArchiveDirectory{};
}

std::string normaliseEntryName(const std::string& name) {
  std::string out = asciiUpperCopy(name);
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  return out;
}

bool entryNamesEqual(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  return normaliseEntryName(a) == normaliseEntryName(b);
}

Archive* openArchive(const std::string& name, bool prefixWithArchiveName) {
  Archive* archive = nullptr;
  try {
    archiveDirectory.archives.push_back(std::make_unique<Archive>());
    archive = archiveDirectory.archives.back().get();
  } catch (const std::bad_alloc&) {
    setStatus(kStatusNoArchiveMemory);
    return nullptr;
  }

  const auto path = findDiskFile(name);
  int32_t error = path ? openReadOnlyFile(*path, archive->file) : ENOENT;
  if (error == 0) error = readOnlyFileLength(archive->file, archive->fileLength);
  if (error != 0) {
    closeReadOnlyFile(archive->file);
    archiveDirectory.archives.pop_back();
    setStatus(error);
    return nullptr;
  }
  setStatus(kStatusOk);
  archive->open = 1;
  archive->prefixWithArchiveName = prefixWithArchiveName;
  std::string base;
  splitArchivePath(name, archive->name, base);

  setStatus(walkLocalHeaders(*archive, base));
  readCommentIndex(*archive);
  return archive;
}

bool seekPointUsable(const SeekPoint& point, const ArchiveEntry& entry) {
  const uint32_t bits = (point.bitState >> 16) & 0xFF;
  if (bits > 16) return false;
  if (point.compressedOffset > entry.compressedSize || point.uncompressedOffset > entry.uncompressedSize) return false;
  if (point.windowLength > kMaxWindowLength || point.window.size() != point.windowLength) return false;
  if (point.windowLength == 0 ? point.windowPos != 0 : point.windowPos >= point.windowLength) return false;
  return true;
}

int32_t readSeekIndex(const uint8_t* comment, size_t length, std::vector<ArchiveEntry>& entries) {
  const size_t signatureLength = std::strlen(kSeekIndexSignature);
  if (length < signatureLength || std::memcmp(comment, kSeekIndexSignature, signatureLength) != 0) {
    return kStatusCommentSignature;
  }
  int32_t status = kStatusOk;
  size_t at = signatureLength;
  while (at < length) {
    const auto* zero = static_cast<const uint8_t*>(std::memchr(comment + at, 0, length - at));
    if (zero == nullptr) break;  // a name cut off by the comment's end
    const std::string name(reinterpret_cast<const char*>(comment + at), reinterpret_cast<const char*>(zero));
    at = static_cast<size_t>(zero - comment) + 1;

    std::vector<ArchiveEntry*> matching;
    for (ArchiveEntry& entry : entries) {
      if (entryNamesEqual(entry.name, name)) matching.push_back(&entry);
    }
    for (;;) {
      if (at >= length) return status;
      if (comment[at] == kSeekListEnd) {
        ++at;
        break;
      }
      if (length - at < 16) return status;
      SeekPoint point;
      point.compressedOffset = readLittle32(comment + at);
      point.uncompressedOffset = readLittle32(comment + at + 4);
      point.bitState = readLittle32(comment + at + 8);
      point.windowPos = readLittle16(comment + at + 12);
      point.windowLength = readLittle16(comment + at + 14);
      at += 16;
      if (length - at < point.windowLength) return status;
      try {
        point.window.assign(comment + at, comment + at + point.windowLength);
        for (ArchiveEntry* entry : matching) {
          if (!seekPointUsable(point, *entry)) continue;
          const bool known = std::any_of(entry->seekPoints.begin(), entry->seekPoints.end(), [&](const SeekPoint& p) {
            return p.compressedOffset == point.compressedOffset;
          });
          if (!known) entry->seekPoints.push_back(point);
        }
      } catch (const std::bad_alloc&) {
        status = kStatusNoEntryMemory;
      }
      at += point.windowLength;
    }
  }
  return status;
}

}  // namespace glorbe
