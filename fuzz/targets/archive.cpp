// fuzz options: -max_len=8192
// The data archive: registration of a ZIP file (local headers, the comment's
// seek-point index) and reads of every entry it registered, whole and from
// the middle (where seek points are used), through the file layer and
// through the load buffer.
#include <algorithm>
#include <vector>

#include "archive/archive.h"
#include "archive/load_buffer.h"
#include "fuzz_support.h"

using namespace glorbe;

namespace {

// Enough for every entry of a small archive; a longer entry is read in part.
constexpr int64_t kReadLimit = 1 << 20;

void readAt(ArchiveFile& f, int64_t from, int64_t count, std::vector<uint8_t>& buffer) {
  seek(f, from);
  if (archiveStatus() != kStatusOk) return;
  buffer.resize(static_cast<size_t>(std::max<int64_t>(count, 1)));
  read(f, buffer.data(), count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::resetEngineState();
  const std::string name = fuzz::writeInput("fuzz.zip", data, size);
  Archive* archive = openArchive(name, false);
  if (archive == nullptr) return 0;
  std::vector<uint8_t> buffer;
  for (const ArchiveEntry& entry : archive->entries) {
    // A disk file of the entry's name would win over the entry: skip those.
    if (entryNamesEqual(entry.name, name)) continue;
    ArchiveFile f;
    assign(f, entry.name);
    open(f, 1);
    if (archiveStatus() != kStatusOk) continue;
    const int64_t length = glorbe::size(f);
    const int64_t whole = std::min(length, kReadLimit);
    readAt(f, 0, whole, buffer);
    readAt(f, length / 2, std::min<int64_t>(length - length / 2, 4096), buffer);
    readAt(f, std::max<int64_t>(length - 16, 0), 16, buffer);
    position(f);
    close(f);

    LoadedFile loaded;
    loadFile(loaded, entry.name);
    std::string line;
    readLine(loaded, line);
    releaseFile(loaded);
  }
  return 0;
}
