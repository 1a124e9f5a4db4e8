// The data archive: ZIP archives registered at start-up, and a file layer
// that opens a name on disk first and then among the archives' entries.
// Stored entries are copied, deflated ones decoded with zlib's raw inflate,
// starting from the nearest seek point of the archive comment's index.
//
// Everything an archive says about itself (sizes, offsets, comment lengths,
// seek points) is checked against the archive file's real length before it is
// used, so a damaged or hostile archive can stop the directory walk or fail a
// read, but never makes a read leave the entry's own data.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/read_only_file.h"

namespace glorbe {

// ---- result codes (archiveStatus) ------------------------------------------

inline constexpr int32_t kStatusOk = 0;
inline constexpr int32_t kStatusNotFound = 2;
inline constexpr int32_t kStatusNoEntryMemory = 301;
inline constexpr int32_t kStatusNoArchiveMemory = 302;
inline constexpr int32_t kStatusNotOpen = 303;
inline constexpr int32_t kStatusSeekBeyondEnd = 304;
inline constexpr int32_t kStatusBadSignature = 306;
inline constexpr int32_t kStatusNameTooLong = 307;
inline constexpr int32_t kStatusExtraTooLong = 308;
inline constexpr int32_t kStatusDecoderTruncated = 309;  // decoder result -1
inline constexpr int32_t kStatusDecoderState = 310;      // decoder result -2
inline constexpr int32_t kStatusDecoderData = 311;       // decoder result -3
inline constexpr int32_t kStatusDecoderMethod = 312;     // decoder result -5
inline constexpr int32_t kStatusCommentSignature = 313;

// Decoder results (stored in archiveStatus as 309-312, or -4 as itself):
inline constexpr int32_t kDecodeTruncated = -1;  // compressed data ended before the wanted bytes
inline constexpr int32_t kDecodeState = -2;      // the decoder refused its state (a bad seek point)
inline constexpr int32_t kDecodeData = -3;       // invalid compressed data
inline constexpr int32_t kDecodeNoMemory = -4;   // no memory for the decoder's window
inline constexpr int32_t kDecodeMethod = -5;     // compression method other than deflate

inline constexpr int32_t kMethodStored = 0;
inline constexpr int32_t kMethodDeflated = 8;
inline constexpr size_t kMaxEntryNameLength = 255;
inline constexpr uint32_t kMaxWindowLength = 32768;

// The signature at the start of an archive comment that holds a seek-point
// index, and the byte that ends one name's list of points.
inline constexpr char kSeekIndexSignature[] = "OMZ";
inline constexpr uint8_t kSeekListEnd = 255;

// ---- records ----------------------------------------------------------------

// A restart point inside a deflated entry: where the decoder can start
// without the bytes before it. In the archive comment's index each point is
// 16 bytes (the four offsets and the two window fields, little-endian)
// followed by its window bytes.
struct SeekPoint {
  uint32_t compressedOffset = 0;    // from the entry's dataOffset
  uint32_t uncompressedOffset = 0;  // decoded bytes before the point
  uint32_t bitState = 0;            // low 16 bits: pending bits; bits 16-23: their number
  uint16_t windowPos = 0;           // index of the oldest window byte (the window is a ring)
  uint16_t windowLength = 0;
  std::vector<uint8_t> window;      // the decoded bytes just before the point
};

struct ArchiveEntry {
  std::string name;  // as stored, or "ARCHIVEBASE\stored" with the prefix option
  int32_t method = 0;
  uint32_t dataOffset = 0;  // absolute offset of the data in the archive file
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint32_t dosDateTime = 0;  // date in the high 16 bits, time in the low 16
  uint32_t crc32 = 0;        // as the header states it; tells a changed entry from an unchanged one
  std::vector<SeekPoint> seekPoints;
};

struct Archive {
  int32_t open = 0;   // 1 once the archive file is open
  std::string name;   // file name without directory
  ReadOnlyFile file;  // the archive file
  uint64_t fileLength = 0;  // the archive file's real length when registered
  bool prefixWithArchiveName = false;
  int32_t entryCount = 0;
  std::vector<ArchiveEntry> entries;  // in archive order
};

// The registered archives in registration order (never removed while the
// program runs) and the result of the last file-layer operation.
struct ArchiveDirectory {
  std::vector<std::unique_ptr<Archive>> archives;
  int32_t archiveStatus = 0;
};

extern ArchiveDirectory archiveDirectory;

// Closes every archive and forgets them (for tests and tools).
void resetArchives();

// The result code of the last file-layer operation, 0 on success.
inline int32_t archiveStatus() { return archiveDirectory.archiveStatus; }

// Registers an archive and returns its record, or null when the file cannot
// be opened (archiveStatus holds the system's error number). Entries read
// before a damaged header stay registered; archiveStatus says why the walk
// stopped.
Archive* openArchive(const std::string& name, bool prefixWithArchiveName);

// The name lookup rule: equal after "/" becomes "\" and a-z become A-Z.
std::string normaliseEntryName(const std::string& name);
bool entryNamesEqual(const std::string& a, const std::string& b);

// ---- file layer ---------------------------------------------------------------

enum class FileSource { none, disk, entry };

struct ArchiveFile {
  std::string name;        // given to assign
  int32_t recordSize = 1;  // given to open
  FileSource source = FileSource::none;
  ReadOnlyFile disk;  // an open disk file
  uint64_t diskPosition = 0;
  // An open archive entry:
  const Archive* archive = nullptr;
  const ArchiveEntry* entry = nullptr;
  int32_t method = 0;
  uint32_t dataOffset = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint32_t position = 0;
  const std::vector<SeekPoint>* seekPoints = nullptr;
};

void assign(ArchiveFile& file, const std::string& name);
// Opens the assigned name: a disk file of that name first, else the first
// matching entry of the registered archives. Record sizes below 1 are refused.
void open(ArchiveFile& file, int32_t recordSize);
// Length in records.
int64_t size(ArchiveFile& file);
// Reads up to `count` records; gives the number of bytes read.
int64_t read(ArchiveFile& file, void* destination, int64_t count);
void seek(ArchiveFile& file, int64_t offset);
int64_t position(ArchiveFile& file);
void close(ArchiveFile& file);

// ---- decoding (shared with the packer, which checks its seek points) ---------

// Where a deflated stream's bytes come from: an open file or a block of memory.
struct CompressedSource {
  ReadOnlyFile file;
  const uint8_t* memory = nullptr;
  uint64_t offset = 0;  // start of the entry's compressed data
  uint32_t length = 0;  // compressed size
};

// Decodes `count` bytes starting at decoded offset `from` into `destination`,
// starting at `point` (null: the start of the data). Returns 0 or a decoder
// result; `delivered` is the number of bytes written.
int32_t decodeRange(const CompressedSource& source, const SeekPoint* point, uint32_t from, uint32_t count,
                    uint8_t* destination, uint32_t& delivered);

// The seek point to start from for a read at `position`: the one with the
// greatest uncompressedOffset below it, or null for the start of the data.
const SeekPoint* nearestSeekPoint(const std::vector<SeekPoint>& points, uint32_t position);

// Parses a seek-point index (a whole archive comment) into the entries it
// names. Returns the status: 0, or 313 when the comment is not an index.
int32_t readSeekIndex(const uint8_t* comment, size_t length, std::vector<ArchiveEntry>& entries);

// The most bytes an entry's data can give, whatever its header claims: a
// stored entry its own bytes, a deflated one 1032 per compressed byte (the
// most deflate makes of one) and a block's worth more. A reader that sizes a
// buffer by the claimed length takes no more than this.
uint64_t entryDataLimit(const ArchiveEntry& entry);
inline constexpr uint64_t kDeflateMostBytesPerByte = 1032;

// Whether a point can be handed to the decoder for this entry.
bool seekPointUsable(const SeekPoint& point, const ArchiveEntry& entry);

}  // namespace glorbe
