// The archive directory and the file layer on archives written by other
// programs, and on damaged ones.
#include <gtest/gtest.h>

#include <random>

#include "archive/archive.h"
#include "archive/load_buffer.h"
#include "archive_fixtures.h"

namespace glorbe {
namespace {

using testing::FreshArchiveState;
using testing::ScratchDir;
using testing::WorkingDir;

// Loads a name through the load buffer and gives its bytes.
std::string loaded(const std::string& name) {
  LoadedFile f;
  loadFile(f, name);
  std::string bytes(static_cast<size_t>(std::max(f.end - f.pos, 0)), '\0');
  readBytes(f, bytes.data(), static_cast<int32_t>(bytes.size()));
  releaseFile(f);
  return bytes;
}

// Reads an entry whole through the file layer.
std::string readThroughFileLayer(const std::string& name, int32_t* status = nullptr) {
  ArchiveFile f;
  assign(f, name);
  open(f, 1);
  if (archiveStatus() != 0) {
    if (status) *status = archiveStatus();
    return {};
  }
  std::string bytes(static_cast<size_t>(size(f)), '\0');
  bytes.resize(static_cast<size_t>(read(f, bytes.data(), static_cast<int64_t>(bytes.size()))));
  if (status) *status = archiveStatus();
  close(f);
  return bytes;
}

class ArchiveTest : public ::testing::Test {
 protected:
  FreshArchiveState state;
  ScratchDir dir;
  std::string text = testing::sampleText(70000, 1);
  std::string binary = [] {
    std::string b(20000, '\0');
    std::mt19937 random(7);
    for (char& c : b) c = static_cast<char>(random());
    return b;
  }();

  void SetUp() override {
    dir.write("text.bin", text);
    dir.write("noise.bin", binary);
  }
};

TEST_F(ArchiveTest, PythonArchiveStoredAndDeflatedEntriesReadAlikeUnderAnySpelling) {
  ASSERT_TRUE(testing::runPython(dir.path(), R"(
import zipfile
with zipfile.ZipFile('velk.dat', 'w') as z:
    z.write('text.bin', 'Scripts/Wembo.ini', zipfile.ZIP_DEFLATED)
    z.write('text.bin', 'scripts/stored.ini', zipfile.ZIP_STORED)
    z.write('noise.bin', 'models/noise.3ds', zipfile.ZIP_DEFLATED)
    z.writestr('empty.txt', b'')
)"));
  WorkingDir cwd(dir.path());
  Archive* archive = openArchive("velk.dat", false);
  ASSERT_NE(archive, nullptr);
  EXPECT_EQ(archiveStatus(), 0);
  EXPECT_EQ(archive->name, "velk.dat");
  ASSERT_EQ(archive->entryCount, 4);
  EXPECT_EQ(archive->entries[0].name, "Scripts/Wembo.ini");
  EXPECT_EQ(archive->entries[0].method, kMethodDeflated);
  EXPECT_EQ(archive->entries[1].method, kMethodStored);
  EXPECT_EQ(archive->entries[0].uncompressedSize, text.size());
  EXPECT_LT(archive->entries[0].compressedSize, text.size());

  EXPECT_EQ(loaded("scripts\\WEMBO.INI"), text);
  EXPECT_EQ(loaded("SCRIPTS\\STORED.ini"), text);
  EXPECT_EQ(loaded("Models/Noise.3DS"), binary);
  EXPECT_EQ(loaded("empty.txt"), "");
  EXPECT_EQ(archiveStatus(), 0);

  // Not there: an exhausted file and status 2.
  EXPECT_EQ(loaded("scripts\\wembo.in"), "");
  EXPECT_EQ(archiveStatus(), kStatusNotFound);
}

TEST_F(ArchiveTest, InfoZipArchiveAndPrefixedNames) {
  dir.write("src/scripts/a.ini", text);
  dir.write("src/models/b.bin", binary);
  ASSERT_TRUE(testing::runShell(dir.path(), "mkdir -p sub && cd src && zip -q -r -9 ../sub/pack.dat scripts models"));
  WorkingDir cwd(dir.path());
  Archive* archive = openArchive("sub/pack.dat", true);
  ASSERT_NE(archive, nullptr);
  EXPECT_EQ(archiveStatus(), 0);
  EXPECT_EQ(archive->name, "pack.dat");
  // zip also stores the folders themselves.
  EXPECT_GE(archive->entryCount, 2);
  EXPECT_EQ(loaded("PACK\\SCRIPTS\\A.INI"), text);
  EXPECT_EQ(loaded("pack\\models\\b.bin"), binary);
  EXPECT_EQ(loaded("scripts\\a.ini"), "");  // without the prefix it is not there
}

TEST_F(ArchiveTest, DiskFileOverridesTheEntryAndArchivesAreSearchedInOrder) {
  ASSERT_TRUE(testing::runPython(dir.path(), R"(
import zipfile
with zipfile.ZipFile('one.dat', 'w') as z:
    z.writestr('scripts/x.ini', b'from one')
    z.writestr('scripts/y.ini', b'y from one')
with zipfile.ZipFile('two.dat', 'w') as z:
    z.writestr('scripts/x.ini', b'from two')
    z.writestr('scripts/z.ini', b'z from two')
)"));
  dir.write("Scripts/Y.INI", "y from disk");
  WorkingDir cwd(dir.path());
  ASSERT_NE(openArchive("one.dat", false), nullptr);
  ASSERT_NE(openArchive("two.dat", false), nullptr);
  EXPECT_EQ(loaded("scripts\\x.ini"), "from one");
  EXPECT_EQ(loaded("scripts\\y.ini"), "y from disk");
  EXPECT_EQ(loaded("scripts\\z.ini"), "z from two");
}

TEST_F(ArchiveTest, StreamedArchiveStopsWithBadSignatureKeepingEarlierEntries) {
  // After the first entry the writer is told it cannot seek back, so the
  // sizes of later entries go into data descriptors after their data.
  ASSERT_TRUE(testing::runPython(dir.path(), R"(
import zipfile
with zipfile.ZipFile('velk.dat', 'w', zipfile.ZIP_DEFLATED) as z:
    z.write('text.bin', 'first.txt')
    z._seekable = False
    z.write('noise.bin', 'second.bin')
    z.writestr('third.txt', b'third')
with zipfile.ZipFile('velk.dat') as z:
    assert z.testzip() is None
    assert z.infolist()[1].flag_bits & 8
)"));
  WorkingDir cwd(dir.path());
  Archive* archive = openArchive("velk.dat", false);
  ASSERT_NE(archive, nullptr);
  EXPECT_EQ(archiveStatus(), kStatusBadSignature);
  ASSERT_EQ(archive->entryCount, 2);  // the streamed entry's data was taken for the next header
  EXPECT_EQ(archive->entries[1].compressedSize, 0u);
  EXPECT_EQ(loaded("first.txt"), text);
  EXPECT_EQ(loaded("third.txt"), "");
}

TEST_F(ArchiveTest, LongNamesAndBadCommentsAreReported) {
  ASSERT_TRUE(testing::runPython(dir.path(), R"(
import zipfile
with zipfile.ZipFile('long.dat', 'w') as z:
    z.writestr('a' * 255, b'fits')
    z.writestr('b' * 256, b'too long')
    z.writestr('after', b'lost')
with zipfile.ZipFile('comment.dat', 'w') as z:
    z.writestr('c.txt', b'commented')
    z.comment = b'made by hand'
with zipfile.ZipFile('extra.dat', 'w') as z:
    z.writestr('d.txt', b'first')
    info = zipfile.ZipInfo('e.txt')
    info.extra = b'\x99\x99' + (300).to_bytes(2, 'little') + bytes(300)
    z.writestr(info, b'big extra')
)"));
  WorkingDir cwd(dir.path());
  Archive* archive = openArchive("long.dat", false);
  ASSERT_NE(archive, nullptr);
  EXPECT_EQ(archiveStatus(), kStatusNameTooLong);
  EXPECT_EQ(archive->entryCount, 1);
  EXPECT_EQ(loaded(std::string(255, 'A')), "fits");

  archive = openArchive("comment.dat", false);
  ASSERT_NE(archive, nullptr);
  EXPECT_EQ(archiveStatus(), kStatusCommentSignature);
  EXPECT_EQ(loaded("c.txt"), "commented");

  archive = openArchive("extra.dat", false);
  ASSERT_NE(archive, nullptr);
  EXPECT_EQ(archiveStatus(), kStatusExtraTooLong);
  EXPECT_EQ(archive->entryCount, 1);

  // A missing archive registers nothing and keeps the system's error number.
  const size_t registered = archiveDirectory.archives.size();
  EXPECT_EQ(openArchive("missing.dat", false), nullptr);
  EXPECT_EQ(archiveStatus(), 2);
  EXPECT_EQ(archiveDirectory.archives.size(), registered);
}

TEST_F(ArchiveTest, FileLayerOperationsOnEntries) {
  ASSERT_TRUE(testing::runPython(dir.path(), R"(
import zipfile
with zipfile.ZipFile('velk.dat', 'w') as z:
    z.write('text.bin', 'd.bin', zipfile.ZIP_DEFLATED)
    z.write('text.bin', 's.bin', zipfile.ZIP_STORED)
)"));
  WorkingDir cwd(dir.path());
  ASSERT_NE(openArchive("velk.dat", false), nullptr);
  for (const char* name : {"d.bin", "s.bin"}) {
    SCOPED_TRACE(name);
    ArchiveFile f;
    assign(f, name);
    open(f, 4);
    ASSERT_EQ(archiveStatus(), 0);
    EXPECT_EQ(size(f), static_cast<int64_t>(text.size() / 4));
    seek(f, 1000);
    EXPECT_EQ(position(f), 1000);
    std::string part(40, '\0');
    EXPECT_EQ(read(f, part.data(), 10), 40);
    EXPECT_EQ(part, text.substr(1000, 40));
    EXPECT_EQ(position(f), 1040);
    // A read across the end is cut to what is left; at the end nothing is read.
    seek(f, static_cast<int64_t>(text.size()) - 6);
    std::string tail(40, '\0');
    EXPECT_EQ(read(f, tail.data(), 10), 6);
    EXPECT_EQ(tail.substr(0, 6), text.substr(text.size() - 6));
    EXPECT_EQ(read(f, tail.data(), 10), 0);
    seek(f, static_cast<int64_t>(text.size()) + 1);
    EXPECT_EQ(archiveStatus(), kStatusSeekBeyondEnd);
    close(f);
    EXPECT_EQ(archiveStatus(), 0);
    close(f);
    EXPECT_EQ(archiveStatus(), kStatusNotOpen);
    EXPECT_EQ(read(f, tail.data(), 1), 0);
    EXPECT_EQ(archiveStatus(), kStatusNotOpen);
  }
}

// A small archive written byte by byte, for headers no zip program writes.
struct HandMadeZip {
  std::string bytes;
  static std::string le16(uint32_t v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }
  static std::string le32(uint32_t v) { return le16(v) + le16(v >> 16); }
  void entry(const std::string& name, int method, const std::string& data, uint32_t compressedSize,
             uint32_t uncompressedSize) {
    bytes += le32(0x04034B50) + le16(20) + le16(0) + le16(static_cast<uint32_t>(method)) + le32(0) + le32(0) +
             le32(compressedSize) + le32(uncompressedSize) + le16(static_cast<uint32_t>(name.size())) + le16(0) +
             name + data;
  }
  void central() { bytes += le32(0x02014B50); }
};

TEST_F(ArchiveTest, SizesBeyondTheArchiveAreNotTrusted) {
  HandMadeZip zip;
  zip.entry("ok.txt", 0, "fine", 4, 4);
  zip.entry("liar.txt", 0, "abc", 3, 1000000);       // stored, claims more than its data
  zip.entry("next.txt", 0, "next", 4, 4);
  zip.entry("huge.txt", 8, "xx", 0xFFFFFF00u, 10);  // data would run far past the file
  zip.central();
  dir.write("hand.dat", zip.bytes);
  WorkingDir cwd(dir.path());
  Archive* archive = openArchive("hand.dat", false);
  ASSERT_NE(archive, nullptr);
  EXPECT_EQ(archiveStatus(), kStatusBadSignature);
  ASSERT_EQ(archive->entryCount, 3);
  EXPECT_EQ(loaded("ok.txt"), "fine");
  EXPECT_EQ(loaded("liar.txt"), "abc");  // not the next entry's header
  EXPECT_EQ(loaded("next.txt"), "next");
  EXPECT_EQ(loaded("huge.txt"), "");
}

TEST(ArchiveLimits, AnEntryCanGiveNoMoreThanItsDataHolds) {
  ArchiveEntry stored;
  stored.method = kMethodStored;
  stored.compressedSize = 3;
  stored.uncompressedSize = 1000000;
  EXPECT_EQ(entryDataLimit(stored), 3u);
  ArchiveEntry deflated;
  deflated.method = kMethodDeflated;
  deflated.compressedSize = 100;
  deflated.uncompressedSize = 0xFFFFFFF0u;  // claims four gigabytes
  EXPECT_EQ(entryDataLimit(deflated), 100u * 1032 + 258);
  deflated.uncompressedSize = 5000;
  EXPECT_EQ(entryDataLimit(deflated), 5000u);
  ArchiveEntry other = deflated;
  other.method = 12;
  EXPECT_EQ(entryDataLimit(other), 0u);
}

TEST_F(ArchiveTest, DamagedDeflateDataFailsTheReadAndLoadsOnlyWhatDecoded) {
  HandMadeZip zip;
  zip.entry("garbage.bin", 8, std::string(50, '\xff'), 50, 400);
  zip.entry("method.bin", 12, "abcd", 4, 4);
  zip.central();
  dir.write("hand.dat", zip.bytes);
  WorkingDir cwd(dir.path());
  ASSERT_NE(openArchive("hand.dat", false), nullptr);
  int32_t status = 0;
  EXPECT_EQ(readThroughFileLayer("garbage.bin", &status), "");
  EXPECT_EQ(status, kStatusDecoderData);
  EXPECT_EQ(readThroughFileLayer("method.bin", &status), "");
  EXPECT_EQ(status, kStatusDecoderMethod);
}

TEST_F(ArchiveTest, RandomAndTruncatedArchivesNeverReadOutsideTheirData) {
  ASSERT_TRUE(testing::runPython(dir.path(), R"(
import zipfile
with zipfile.ZipFile('good.dat', 'w') as z:
    z.writestr('a.txt', open('text.bin', 'rb').read()[:3000], zipfile.ZIP_DEFLATED)
    z.writestr('b.bin', open('noise.bin', 'rb').read()[:500], zipfile.ZIP_STORED)
    z.writestr('c.txt', open('text.bin', 'rb').read()[:5000], zipfile.ZIP_DEFLATED)
)"));
  const std::string good = testing::readWholeFile(dir.file("good.dat"));
  WorkingDir cwd(dir.path());
  std::mt19937 random(11);
  auto tryArchive = [&](const std::string& bytes) {
    resetArchives();
    dir.write("bad.dat", bytes);
    Archive* archive = openArchive("bad.dat", false);
    ASSERT_NE(archive, nullptr);
    for (const ArchiveEntry& e : archive->entries) {
      ASSERT_LE(uint64_t{e.dataOffset} + e.compressedSize, bytes.size());
      // An exactly sized destination: ASan reports any write past it.
      ArchiveFile f;
      assign(f, e.name);
      open(f, 1);
      std::vector<uint8_t> out(std::min<int64_t>(size(f), 1 << 20));
      const int64_t got = read(f, out.data(), static_cast<int64_t>(out.size()));
      ASSERT_LE(got, static_cast<int64_t>(out.size()));
      close(f);
    }
    loaded("a.txt");
  };
  for (size_t cut = 0; cut < good.size(); cut += 7) tryArchive(good.substr(0, cut));
  for (int round = 0; round < 300; ++round) {
    std::string bytes = good;
    const int flips = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < flips; ++i) bytes[random() % bytes.size()] = static_cast<char>(random());
    tryArchive(bytes);
  }
  for (int round = 0; round < 50; ++round) {
    std::string bytes(random() % 400, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    if (bytes.size() >= 4 && round % 2 == 0) bytes.replace(0, 4, HandMadeZip::le32(0x04034B50));
    tryArchive(bytes);
  }
}

}  // namespace
}  // namespace glorbe
