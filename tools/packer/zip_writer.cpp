// Writing ZIP archives: local headers with sizes and CRC-32, the central
// directory and the end record, as standard zip readers expect and as the
// engine's header walk needs (sizes in the local headers, no gaps).
#include "packer/zip_writer.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "archive/archive.h"
#include "archive/load_buffer.h"
#include "common/byte_order.h"
#include "packer/seek_points.h"

namespace glorbe::tools {

namespace fs = std::filesystem;

namespace {


constexpr size_t kMaxComment = 65535;
constexpr size_t kMaxEntries = 65535;
constexpr uint32_t kEndRecordSignature = 0x06054B50;
// Window sizes tried for the seek points, largest first; below this the
// points are spread further apart instead.
constexpr int kLargestWindowBits = 15;

// 64-bit FNV-1a of the bytes, with the size and the CRC, names a cached
// deflate result; two different files that share all three are not met in
// practice.
std::string cacheKey(const std::vector<uint8_t>& data, uint32_t crc) {
  uint64_t h = 1469598103934665603ull;
  for (uint8_t b : data) h = (h ^ b) * 1099511628211ull;
  char key[64];
  std::snprintf(key, sizeof key, "%016llx-%08x-%zu.deflate", static_cast<unsigned long long>(h), crc, data.size());
  return key;
}

// deflateRaw of a file without seek points, through the cache when there is one.
std::vector<uint8_t> deflateCached(const std::vector<uint8_t>& data, uint32_t crc, const std::string& cacheFolder,
                                   std::vector<std::string>& used) {
  if (cacheFolder.empty()) return deflateRaw(data, kLargestWindowBits, 0);
  used.push_back(cacheKey(data, crc));
  const fs::path path = fs::path(cacheFolder) / used.back();
  std::error_code ec;
  if (fs::is_regular_file(path, ec)) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.good() || in.eof()) return bytes;
  }
  std::vector<uint8_t> bytes = deflateRaw(data, kLargestWindowBits, 0);
  fs::create_directories(cacheFolder, ec);
  // Written aside and renamed, so a reader never takes half a result.
  const fs::path partial = path.string() + ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  fs::rename(partial, path, ec);
  return bytes;
}

// Results that the last pack did not use leave the cache, so it holds one
// archive's worth.
void pruneCache(const std::string& cacheFolder, const std::vector<std::string>& used) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(cacheFolder, ec)) {
    const std::string name = e.path().filename().string();
    if (std::find(used.begin(), used.end(), name) == used.end()) fs::remove(e.path(), ec);
  }
}

constexpr int kSmallestWindowBits = 12;

// A file's modification time as a DOS date and time. With SOURCE_DATE_EPOCH
// set (reproducible builds) every entry gets that moment, in UTC, instead.
uint32_t dosDateTime(fs::file_time_type when) {
  const auto system = std::chrono::time_point_cast<std::chrono::seconds>(
      when - fs::file_time_type::clock::now() + std::chrono::system_clock::now());
  std::time_t t = std::chrono::system_clock::to_time_t(system);
  std::tm local{};
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch != nullptr && *epoch != '\0') {
    t = static_cast<std::time_t>(std::strtoll(epoch, nullptr, 10));
    gmtime_r(&t, &local);
  } else {
    localtime_r(&t, &local);
  }
  if (local.tm_year < 80) return (1 << 5 | 1) << 16;  // 1980-01-01, the earliest DOS date
  const uint32_t date = static_cast<uint32_t>((local.tm_year - 80) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday);
  const uint32_t time = static_cast<uint32_t>(local.tm_hour << 11 | local.tm_min << 5 | local.tm_sec / 2);
  return date << 16 | time;
}

bool asciiOnly(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

struct Planned {
  int32_t method = kMethodStored;
  std::vector<uint8_t> compressed;  // empty for stored entries
  uint32_t crc = 0;
};

// The offsets where points will go and the window they can afford, so the
// whole index fits in the comment.
struct SeekPlan {
  uint32_t spacing = 0;
  int windowBits = kLargestWindowBits;
};

std::vector<uint32_t> plannedOffsets(size_t size, uint32_t spacing) {
  std::vector<uint32_t> offsets;
  if (spacing == 0) return offsets;
  for (uint64_t at = spacing; at < size; at += spacing) offsets.push_back(static_cast<uint32_t>(at));
  return offsets;
}

SeekPlan planSeekPoints(const std::vector<PackedEntry>& files, uint32_t spacing, std::vector<std::string>& warnings) {
  SeekPlan plan;
  plan.spacing = spacing;
  auto cost = [&](uint32_t every, int bits) {
    size_t total = std::strlen(kSeekIndexSignature);
    for (const PackedEntry& f : files) total += seekIndexCost(f.name, plannedOffsets(f.data.size(), every), 1u << bits);
    return total;
  };
  for (int bits = kLargestWindowBits; bits >= kSmallestWindowBits; --bits) {
    if (cost(spacing, bits) <= kMaxComment) {
      plan.windowBits = bits;
      return plan;
    }
  }
  plan.windowBits = kSmallestWindowBits;
  uint64_t every = spacing;
  while (every < UINT32_MAX && cost(static_cast<uint32_t>(every), plan.windowBits) > kMaxComment) every *= 2;
  plan.spacing = static_cast<uint32_t>(std::min<uint64_t>(every, UINT32_MAX));
  warnings.push_back("seek points spread to every " + std::to_string(plan.spacing) +
                     " bytes so that the index fits in the archive comment");
  return plan;
}

// The index without any copy of the end record's signature, which would
// mislead zip readers that look for the end record from the back.
std::vector<uint8_t> commentWithoutEndSignature(std::vector<SeekIndexEntry>& index, size_t& dropped) {
  const uint8_t signature[4] = {0x50, 0x4B, 0x05, 0x06};
  for (;;) {
    std::vector<size_t> starts;
    std::vector<uint8_t> comment = encodeSeekIndex(index, &starts);
    const auto hit = std::search(comment.begin(), comment.end(), signature, signature + 4);
    if (hit == comment.end()) return comment;
    const size_t at = static_cast<size_t>(hit - comment.begin());
    // Drop the point whose record holds the signature (or the first one left).
    size_t record = 0;
    while (record + 1 < starts.size() && starts[record + 1] <= at) ++record;
    for (SeekIndexEntry& e : index) {
      if (record < e.points.size()) {
        e.points.erase(e.points.begin() + static_cast<ptrdiff_t>(record));
        ++dropped;
        break;
      }
      record -= e.points.size();
    }
  }
}

}  // namespace

bool collectFiles(const std::string& folder, const std::string& archivePath, std::vector<PackedEntry>& files,
                  std::string& error) {
  files.clear();
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    error = folder + " is not a folder";
    return false;
  }
  const fs::path archive = fs::weakly_canonical(archivePath, ec);
  std::vector<fs::path> paths;
  for (auto it = fs::recursive_directory_iterator(folder, fs::directory_options::follow_directory_symlink, ec);
       it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (ec) break;
    if (it->is_regular_file(ec) && fs::weakly_canonical(it->path(), ec) != archive) paths.push_back(it->path());
  }
  if (ec) {
    error = "cannot list " + folder + ": " + ec.message();
    return false;
  }
  for (const fs::path& p : paths) {
    PackedEntry entry;
    entry.name = fs::relative(p, folder, ec).generic_string();
    std::ifstream in(p, std::ios::binary);
    if (!in || ec) {
      error = "cannot read " + p.string();
      return false;
    }
    entry.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
      error = "cannot read " + p.string();
      return false;
    }
    entry.dosDateTime = dosDateTime(fs::last_write_time(p, ec));
    files.push_back(std::move(entry));
  }
  std::sort(files.begin(), files.end(), [](const PackedEntry& a, const PackedEntry& b) { return a.name < b.name; });
  return true;
}

bool buildArchive(const std::vector<PackedEntry>& files, const PackOptions& options, std::vector<uint8_t>& archive,
                  PackReport& report, std::string& error) {
  if (files.size() > kMaxEntries) {
    error = "too many files for one archive (" + std::to_string(files.size()) + ", at most 65535)";
    return false;
  }
  for (const PackedEntry& f : files) {
    if (f.name.size() > kMaxEntryNameLength) {
      error = f.name + ": name longer than " + std::to_string(kMaxEntryNameLength) + " bytes";
      return false;
    }
    if (f.data.size() > UINT32_MAX / 2) {
      error = f.name + ": too large for the archive";
      return false;
    }
    if (f.data.size() > static_cast<size_t>(kLoadSlotSize)) {
      report.warnings.push_back(f.name + " is " + std::to_string(f.data.size()) +
                                " bytes: the load buffer holds at most " + std::to_string(kLoadSlotSize) +
                                " bytes next to a script");
    }
  }
  const bool seeking = options.seekEvery > 0 && !options.store;
  const SeekPlan plan = seeking ? planSeekPoints(files, options.seekEvery, report.warnings) : SeekPlan{};

  archive.clear();
  std::vector<uint8_t> central;
  std::vector<SeekIndexEntry> index;
  const bool showProgress = isatty(STDERR_FILENO) && files.size() > 1;
  std::vector<std::string> cacheUsed;
  for (size_t i = 0; i < files.size(); ++i) {
    const PackedEntry& f = files[i];
    if (showProgress) std::fprintf(stderr, "\rpacking %zu/%zu", i + 1, files.size());
    Planned p;
    p.crc = static_cast<uint32_t>(crc32(0, f.data.data(), static_cast<uInt>(f.data.size())));
    std::vector<SeekPoint> points;
    if (!options.store) {
      const bool withPoints = seeking && !plannedOffsets(f.data.size(), plan.spacing).empty();
      p.compressed = withPoints ? deflateRaw(f.data, plan.windowBits, plan.spacing)
                                : deflateCached(f.data, p.crc, options.cacheFolder, cacheUsed);
      if (p.compressed.size() < f.data.size()) {
        p.method = kMethodDeflated;
        if (withPoints) {
          if (!findSeekPoints(p.compressed, f.data, plan.spacing, 1u << plan.windowBits, points)) {
            error = f.name + ": the deflated data does not decode to the file";
            return false;
          }
          if (const size_t bad = keepReproduciblePoints(p.compressed, f.data, points)) {
            report.warnings.push_back(f.name + ": " + std::to_string(bad) + " seek points dropped, they did not decode");
          }
        }
      } else {
        p.compressed.clear();  // deflate would not make it smaller
      }
    }
    const std::vector<uint8_t>& stored = p.method == kMethodDeflated ? p.compressed : f.data;
    if (archive.size() + stored.size() + 64 + f.name.size() > UINT32_MAX) {
      error = "the archive would pass 4 GB";
      return false;
    }
    const uint32_t flags = asciiOnly(f.name) ? 0 : 1u << 11;  // bit 11: UTF-8 name
    const uint32_t headerOffset = static_cast<uint32_t>(archive.size());
    const uint32_t nameLength = static_cast<uint32_t>(f.name.size());
    appendLittleEndian(archive, 0x04034B50, 4);
    appendLittleEndian(archive, 20, 2);
    appendLittleEndian(archive, flags, 2);
    appendLittleEndian(archive, static_cast<uint32_t>(p.method), 2);
    appendLittleEndian(archive, f.dosDateTime & 0xFFFF, 2);
    appendLittleEndian(archive, f.dosDateTime >> 16, 2);
    appendLittleEndian(archive, p.crc, 4);
    appendLittleEndian(archive, static_cast<uint32_t>(stored.size()), 4);
    appendLittleEndian(archive, static_cast<uint32_t>(f.data.size()), 4);
    appendLittleEndian(archive, nameLength, 2);
    appendLittleEndian(archive, 0, 2);
    archive.insert(archive.end(), f.name.begin(), f.name.end());
    archive.insert(archive.end(), stored.begin(), stored.end());

    appendLittleEndian(central, 0x02014B50, 4);
    appendLittleEndian(central, 3 << 8 | 20, 2);  // made on Unix, zip 2.0
    appendLittleEndian(central, 20, 2);
    appendLittleEndian(central, flags, 2);
    appendLittleEndian(central, static_cast<uint32_t>(p.method), 2);
    appendLittleEndian(central, f.dosDateTime & 0xFFFF, 2);
    appendLittleEndian(central, f.dosDateTime >> 16, 2);
    appendLittleEndian(central, p.crc, 4);
    appendLittleEndian(central, static_cast<uint32_t>(stored.size()), 4);
    appendLittleEndian(central, static_cast<uint32_t>(f.data.size()), 4);
    appendLittleEndian(central, nameLength, 2);
    appendLittleEndian(central, 0, 2);  // extra
    appendLittleEndian(central, 0, 2);  // comment
    appendLittleEndian(central, 0, 2);  // disk
    appendLittleEndian(central, 0, 2);  // internal attributes
    appendLittleEndian(central, 0100644u << 16, 4);  // a plain readable file
    appendLittleEndian(central, headerOffset, 4);
    central.insert(central.end(), f.name.begin(), f.name.end());
    if (!points.empty()) index.push_back(SeekIndexEntry{f.name, std::move(points)});
  }
  if (showProgress) std::fprintf(stderr, "\n");

  std::vector<uint8_t> comment;
  if (seeking) {
    size_t dropped = 0;
    comment = commentWithoutEndSignature(index, dropped);
    if (dropped > 0) {
      report.warnings.push_back(std::to_string(dropped) + " seek points dropped, their windows held the end-record signature");
    }
    for (const SeekIndexEntry& e : index) report.seekPoints += e.points.size();
    if (comment.size() > kMaxComment) {  // the plan keeps it below; never write a broken end record
      error = "the seek-point index does not fit in the archive comment";
      return false;
    }
  }
  const uint32_t centralOffset = static_cast<uint32_t>(archive.size());
  if (archive.size() + central.size() + 22 + comment.size() > UINT32_MAX) {
    error = "the archive would pass 4 GB";
    return false;
  }
  archive.insert(archive.end(), central.begin(), central.end());
  appendLittleEndian(archive, kEndRecordSignature, 4);
  appendLittleEndian(archive, 0, 2);
  appendLittleEndian(archive, 0, 2);
  appendLittleEndian(archive, static_cast<uint32_t>(files.size()), 2);
  appendLittleEndian(archive, static_cast<uint32_t>(files.size()), 2);
  appendLittleEndian(archive, static_cast<uint32_t>(central.size()), 4);
  appendLittleEndian(archive, centralOffset, 4);
  appendLittleEndian(archive, static_cast<uint32_t>(comment.size()), 2);
  archive.insert(archive.end(), comment.begin(), comment.end());
  if (!options.cacheFolder.empty()) pruneCache(options.cacheFolder, cacheUsed);
  report.files = files.size();
  report.archiveBytes = archive.size();
  return true;
}

bool packFolder(const std::string& archivePath, const std::string& folder, const PackOptions& options,
                PackReport& report, std::string& error) {
  std::vector<PackedEntry> files;
  if (!collectFiles(folder, archivePath, files, error)) return false;
  std::vector<uint8_t> bytes;
  if (!buildArchive(files, options, bytes, report, error)) return false;
  const std::string temporary = archivePath + ".partial";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
      error = "cannot write " + temporary;
      std::error_code ec;
      fs::remove(temporary, ec);
      return false;
    }
  }
  std::error_code ec;
  fs::rename(temporary, archivePath, ec);
  if (ec) {
    error = "cannot write " + archivePath + ": " + ec.message();
    fs::remove(temporary, ec);
    return false;
  }
  return true;
}

}  // namespace glorbe::tools
