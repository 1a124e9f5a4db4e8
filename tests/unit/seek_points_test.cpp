// Seek points: made by the packer, carried in the archive comment, and used
// by the engine's reads from the middle of a deflated entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <zlib.h>

#include "archive/archive.h"
#include "archive_fixtures.h"
#include "packer/seek_points.h"
#include "packer/zip_writer.h"

namespace glorbe {
namespace {

using testing::FreshArchiveState;
using testing::ScratchDir;
using testing::WorkingDir;
using tools::PackedEntry;

std::vector<uint8_t> bytesOf(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

class SeekPointTest : public ::testing::Test {
 protected:
  FreshArchiveState state;
  ScratchDir dir;
  WorkingDir cwd{dir.path()};

  Archive* pack(const std::vector<PackedEntry>& files, uint32_t seekEvery, tools::PackReport* report = nullptr) {
    std::vector<uint8_t> archive;
    tools::PackReport local;
    std::string error;
    EXPECT_TRUE(tools::buildArchive(files, tools::PackOptions{false, seekEvery, ""}, archive, report ? *report : local, error))
        << error;
    dir.write("velk.dat", std::string(archive.begin(), archive.end()));
    resetArchives();
    return openArchive("velk.dat", false);
  }

  // Reads `count` bytes at `offset` through the file layer.
  std::string readAt(const std::string& name, uint32_t offset, uint32_t count) {
    ArchiveFile f;
    assign(f, name);
    open(f, 1);
    seek(f, offset);
    std::string out(count, '\0');
    out.resize(static_cast<size_t>(read(f, out.data(), count)));
    close(f);
    return out;
  }
};

TEST_F(SeekPointTest, TheDeflateCacheGivesTheSameArchiveAndHoldsOnlyWhatTheLastPackUsed) {
  namespace fs = std::filesystem;
  const std::vector<PackedEntry> files = {{"a.ini", bytesOf(testing::sampleText(30000, 1)), 0},
                                          {"b.ini", bytesOf(testing::sampleText(20000, 2)), 0}};
  std::vector<uint8_t> plain, cachedFirst, cachedAgain, changed;
  tools::PackReport report;
  std::string error;
  ASSERT_TRUE(tools::buildArchive(files, tools::PackOptions{}, plain, report, error)) << error;
  tools::PackOptions options;
  options.cacheFolder = dir.file("cache");
  ASSERT_TRUE(tools::buildArchive(files, options, cachedFirst, report, error)) << error;
  ASSERT_TRUE(tools::buildArchive(files, options, cachedAgain, report, error)) << error;
  EXPECT_EQ(cachedFirst, plain);
  EXPECT_EQ(cachedAgain, plain) << "taken from the cache, the same bytes";
  const auto count = [&] {
    return std::distance(fs::directory_iterator(dir.file("cache")), fs::directory_iterator{});
  };
  EXPECT_EQ(count(), 2);

  std::vector<PackedEntry> edited = files;
  edited[1].data[100] ^= 1;
  ASSERT_TRUE(tools::buildArchive(edited, options, changed, report, error)) << error;
  std::vector<uint8_t> editedPlain;
  ASSERT_TRUE(tools::buildArchive(edited, tools::PackOptions{}, editedPlain, report, error)) << error;
  EXPECT_EQ(changed, editedPlain);
  EXPECT_EQ(count(), 2) << "the old b.ini's result left the cache";

  // The directory walk keeps each entry's CRC, which tells the two b.ini apart.
  dir.write("velk.dat", std::string(plain.begin(), plain.end()));
  resetArchives();
  Archive* before = openArchive("velk.dat", false);
  ASSERT_NE(before, nullptr);
  const uint32_t crcBefore = before->entries[1].crc32;
  const uint32_t unchangedCrc = before->entries[0].crc32;
  EXPECT_EQ(crcBefore, crc32(0, files[1].data.data(), static_cast<uInt>(files[1].data.size())));
  dir.write("velk.dat", std::string(changed.begin(), changed.end()));
  resetArchives();
  Archive* after = openArchive("velk.dat", false);
  ASSERT_NE(after, nullptr);
  EXPECT_EQ(after->entries[0].crc32, unchangedCrc);
  EXPECT_NE(after->entries[1].crc32, crcBefore);
}

TEST_F(SeekPointTest, ReadsAtEveryOffsetThroughThePointsMatchThePlainDecode) {
  const std::string text = testing::sampleText(60000, 5);
  Archive* archive = pack({PackedEntry{"scripts/big.ini", bytesOf(text), 0}}, 4096);
  ASSERT_NE(archive, nullptr);
  EXPECT_EQ(archiveStatus(), 0);
  ArchiveEntry& entry = archive->entries[0];
  ASSERT_EQ(entry.method, kMethodDeflated);
  ASSERT_EQ(entry.seekPoints.size(), 14u);
  for (size_t i = 0; i < entry.seekPoints.size(); ++i) {
    EXPECT_EQ(entry.seekPoints[i].uncompressedOffset, 4096 * (i + 1));
  }
  // Points at unaligned bit positions are among them, so the bit state is exercised.
  EXPECT_TRUE(std::any_of(entry.seekPoints.begin(), entry.seekPoints.end(),
                          [](const SeekPoint& p) { return (p.bitState >> 16) != 0; }));

  const uint32_t span = 23;
  for (uint32_t at = 0; at <= text.size(); ++at) {
    const std::string got = readAt("SCRIPTS\\BIG.INI", at, span);
    ASSERT_EQ(got, text.substr(at, span)) << "offset " << at;
    ASSERT_EQ(archiveStatus(), 0);
  }

  // The reads did go through the points: a spoiled window spoils what follows it.
  SeekPoint& fifth = entry.seekPoints[4];
  std::fill(fifth.window.begin(), fifth.window.end(), uint8_t{'#'});
  bool differs = false;
  for (uint32_t at = fifth.uncompressedOffset + 1; at < entry.seekPoints[5].uncompressedOffset && !differs; at += 97) {
    differs = readAt("scripts/big.ini", at, span) != text.substr(at, span);
  }
  EXPECT_TRUE(differs);
}

TEST_F(SeekPointTest, WindowsStoredAsARingAreReadFromTheirOldestByte) {
  const std::string text = testing::sampleText(30000, 9);
  Archive* archive = pack({PackedEntry{"a.txt", bytesOf(text), 0}}, 10000);
  ASSERT_NE(archive, nullptr);
  ASSERT_FALSE(archive->entries[0].seekPoints.empty());
  for (SeekPoint& p : archive->entries[0].seekPoints) {
    const uint16_t turn = static_cast<uint16_t>(p.windowLength / 3);
    std::rotate(p.window.begin(), p.window.end() - turn, p.window.end());
    p.windowPos = turn;
  }
  for (uint32_t at = 0; at < text.size(); at += 331) EXPECT_EQ(readAt("a.txt", at, 500), text.substr(at, 500));
}

TEST(SeekPointMaking, NoRecordStartsWithTheEndByteAndEveryPointDecodes) {
  // Many points, so that some fall on offsets whose low byte is 255: those
  // are moved one byte on and carry more than a byte of pending bits.
  const std::string text = testing::sampleText(1500000, 2);
  const std::vector<uint8_t> data = bytesOf(text);
  const std::vector<uint8_t> compressed = tools::deflateRaw(data, 12, 700);
  std::vector<SeekPoint> points;
  ASSERT_TRUE(tools::findSeekPoints(compressed, data, 700, 4096, points));
  ASSERT_EQ(points.size(), (data.size() - 1) / 700);
  size_t moved = 0;
  for (const SeekPoint& p : points) {
    EXPECT_NE(p.compressedOffset & 0xFF, kSeekListEnd);
    EXPECT_LE((p.bitState >> 16) & 0xFF, 15u);
    if (((p.bitState >> 16) & 0xFF) >= 8) ++moved;
  }
  EXPECT_GT(moved, 0u);
  EXPECT_EQ(tools::keepReproduciblePoints(compressed, data, points), 0u);

  // A point whose window is too short for the data after it is caught.
  std::vector<SeekPoint> shortened = {points[100]};
  shortened[0].window.erase(shortened[0].window.begin(), shortened[0].window.begin() + 4000);
  shortened[0].windowLength = static_cast<uint16_t>(shortened[0].window.size());
  EXPECT_EQ(tools::keepReproduciblePoints(compressed, data, shortened), 1u);
}

// A comment written by hand: what the index reader keeps and what it drops.
TEST(SeekIndex, ReaderKeepsUsablePointsOnlyAndSurvivesAnyCut) {
  auto record = [](std::vector<uint8_t>& out, uint32_t in, uint32_t outOffset, uint32_t bits, uint16_t pos,
                   const std::string& window) {
    auto put = [&](uint32_t v, int n) {
      for (int i = 0; i < n; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    put(in, 4);
    put(outOffset, 4);
    put(bits, 4);
    put(pos, 2);
    put(static_cast<uint32_t>(window.size()), 2);
    out.insert(out.end(), window.begin(), window.end());
  };
  std::vector<uint8_t> comment = bytesOf("OMZ");
  for (const char* name : {"Dir/File.BIN", "nobody.txt"}) {
    comment.insert(comment.end(), name, name + std::strlen(name) + 1);
    record(comment, 10, 100, 3u << 16 | 5, 0, "abc");  // usable
    record(comment, 10, 150, 0, 0, "");                // same compressed offset: dropped
    record(comment, 20, 200, 17u << 16, 0, "");        // more pending bits than the decoder takes
    record(comment, 30, 300, 0, 3, "xyz");             // ring start outside the window
    record(comment, 5000, 300, 0, 0, "");              // beyond the compressed data
    record(comment, 40, 9000, 0, 0, "");               // beyond the decoded data
    record(comment, 50, 500, 0, 1, "pq");              // usable
    comment.push_back(kSeekListEnd);
  }
  auto freshEntries = [] {
    std::vector<ArchiveEntry> entries(2);
    entries[0].name = "dir\\file.bin";
    entries[1].name = "other.bin";
    for (ArchiveEntry& e : entries) {
      e.method = kMethodDeflated;
      e.compressedSize = 1000;
      e.uncompressedSize = 5000;
    }
    return entries;
  };
  std::vector<ArchiveEntry> entries = freshEntries();
  EXPECT_EQ(readSeekIndex(comment.data(), comment.size(), entries), 0);
  ASSERT_EQ(entries[0].seekPoints.size(), 2u);
  EXPECT_EQ(entries[0].seekPoints[0].uncompressedOffset, 100u);
  EXPECT_EQ(entries[0].seekPoints[0].window, bytesOf("abc"));
  EXPECT_EQ(entries[0].seekPoints[1].windowPos, 1);
  EXPECT_TRUE(entries[1].seekPoints.empty());

  const std::vector<uint8_t> notAnIndex = bytesOf("OMx");
  EXPECT_EQ(readSeekIndex(notAnIndex.data(), notAnIndex.size(), entries), kStatusCommentSignature);

  // Every cut of the comment is read without reading past it.
  for (size_t cut = 3; cut < comment.size(); ++cut) {
    std::vector<uint8_t> head(comment.begin(), comment.begin() + static_cast<ptrdiff_t>(cut));
    entries = freshEntries();
    EXPECT_EQ(readSeekIndex(head.data(), head.size(), entries), 0);
    EXPECT_LE(entries[0].seekPoints.size(), 2u);
  }
}

TEST_F(SeekPointTest, IndexIsKeptWithinTheCommentAndFreeOfTheEndSignature) {
  // Many points with full windows would not fit: the packer must shrink the
  // windows or spread the points. The end-record signature inside the data
  // must not end up in the comment, where zip readers would take it for the
  // end record.
  std::string data = testing::sampleText(400000, 3);
  // Points end up every 64000 bytes (2000 doubled until the index fits);
  // these two lie inside the windows of two of them.
  for (size_t at : {2 * 64000 - 100, 3 * 64000 - 2000}) data.replace(at, 4, std::string("PK\x05\x06", 4));
  tools::PackReport report;
  Archive* archive = pack({PackedEntry{"one.bin", bytesOf(data), 0}, PackedEntry{"two.bin", bytesOf(data), 0}}, 2000,
                          &report);
  ASSERT_NE(archive, nullptr);
  EXPECT_EQ(archiveStatus(), 0);
  EXPECT_GT(report.seekPoints, 4u);
  EXPECT_EQ(archive->entries[0].seekPoints.size() + archive->entries[1].seekPoints.size(), report.seekPoints);
  ASSERT_EQ(report.warnings.size(), 2u);
  EXPECT_NE(report.warnings[0].find("every 64000 bytes"), std::string::npos) << report.warnings[0];
  EXPECT_NE(report.warnings[1].find("4 seek points dropped"), std::string::npos) << report.warnings[1];

  ASSERT_TRUE(testing::runPython(dir.path(), R"(
import zipfile
z = zipfile.ZipFile('velk.dat')
assert z.testzip() is None
assert z.comment.startswith(b'OMZ') and len(z.comment) <= 65535
assert b'PK\x05\x06' not in z.comment
)"));
  for (uint32_t at = 1; at < data.size(); at += 12345) EXPECT_EQ(readAt("two.bin", at, 3000), data.substr(at, 3000));
}

}  // namespace
}  // namespace glorbe
