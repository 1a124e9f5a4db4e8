// The load buffer's slots and the sequential readers over it.
#include <gtest/gtest.h>

#include "archive/archive.h"
#include "archive/load_buffer.h"
#include "archive_fixtures.h"

namespace glorbe {
namespace {

using testing::FreshArchiveState;
using testing::ScratchDir;
using testing::WorkingDir;

class LoadBufferTest : public ::testing::Test {
 protected:
  FreshArchiveState state;
  ScratchDir dir;
  WorkingDir cwd{dir.path()};

  std::string bytesOf(const LoadedFile& f) const {
    const uint8_t* data = loadBufferData();
    return std::string(reinterpret_cast<const char*>(data) + f.pos, static_cast<size_t>(f.end - f.pos));
  }
};

TEST_F(LoadBufferTest, SecondFileLandsInSlotBAndFilesAreReleasedLastFirst) {
  dir.write("a.txt", "first file");
  dir.write("b.txt", "second");
  dir.write("c.txt", "third");
  LoadedFile a, b, c;
  loadFile(a, "a.txt");
  EXPECT_EQ(a.pos, 0);
  EXPECT_EQ(a.end, 10);
  loadFile(b, "B.TXT");
  EXPECT_EQ(b.pos, kLoadSlotSize);
  EXPECT_EQ(b.end, kLoadSlotSize + 6);
  EXPECT_EQ(bytesOf(a), "first file");
  EXPECT_EQ(bytesOf(b), "second");

  releaseFile(a);  // frees slot B whatever the handle says
  EXPECT_TRUE(loadBuffer.slotAInUse);
  EXPECT_FALSE(loadBuffer.slotBInUse);
  loadFile(c, "c.txt");
  EXPECT_EQ(c.pos, kLoadSlotSize);
  EXPECT_EQ(bytesOf(a), "first file");
  releaseFile(c);
  releaseFile(b);
  EXPECT_FALSE(loadBuffer.slotAInUse);
  loadFile(c, "c.txt");
  EXPECT_EQ(c.pos, 0);
  releaseFile(c);
}

TEST_F(LoadBufferTest, FilesThatDoNotFitLoadExhaustedAndOverwriteNothing) {
  const std::string big(600000, 'A');
  dir.write("big.bin", big);
  dir.write("half.bin", std::string(kLoadSlotSize, 'h'));
  dir.write("over.bin", std::string(kLoadSlotSize + 1, 'o'));
  dir.write("huge.bin", std::string(kLoadBufferSize + 1, 'x'));
  dir.write("small.txt", "small");

  // Alone, slot A takes up to the whole buffer.
  LoadedFile a, b, c;
  loadFile(a, "huge.bin");
  EXPECT_GE(a.pos, a.end);
  releaseFile(a);
  loadFile(a, "big.bin");
  ASSERT_EQ(a.end, 600000);
  // A file in slot A that reaches into slot B leaves no room there.
  loadFile(b, "small.txt");
  EXPECT_GE(b.pos, b.end);
  EXPECT_EQ(bytesOf(a), big);
  releaseFile(b);
  releaseFile(a);

  loadFile(a, "small.txt");
  loadFile(b, "over.bin");  // one byte more than slot B holds
  EXPECT_GE(b.pos, b.end);
  releaseFile(b);
  loadFile(b, "half.bin");
  EXPECT_EQ(b.end, kLoadBufferSize);
  // A third file while both slots are taken: exhausted, and its release
  // comes first so the other two are still released in order.
  loadFile(c, "small.txt");
  EXPECT_GE(c.pos, c.end);
  EXPECT_EQ(bytesOf(a), "small");
  EXPECT_EQ(bytesOf(b), std::string(kLoadSlotSize, 'h'));
  releaseFile(c);
  EXPECT_TRUE(loadBuffer.slotBInUse);
  releaseFile(b);
  releaseFile(a);
  EXPECT_FALSE(loadBuffer.slotAInUse);

  // A missing file occupies its slot like any other, empty.
  loadFile(a, "missing.txt");
  EXPECT_EQ(archiveStatus(), kStatusNotFound);
  EXPECT_GE(a.pos, a.end);
  loadFile(b, "small.txt");
  EXPECT_EQ(b.pos, kLoadSlotSize);
  releaseFile(b);
  releaseFile(a);
  EXPECT_FALSE(loadBuffer.slotAInUse);

  // Without the buffer nothing is loaded and nothing breaks.
  freeLoadBuffer();
  loadFile(a, "small.txt");
  EXPECT_GE(a.pos, a.end);
  char byte = 'z';
  readBytes(a, &byte, 1);
  EXPECT_EQ(byte, 0);
  releaseFile(a);
}

TEST_F(LoadBufferTest, ReadBytesOutsideTheFileGivesZeros) {
  dir.write("a.txt", "abcdef");
  dir.write("b.txt", "XYZ");
  LoadedFile a, b;
  loadFile(a, "a.txt");
  loadFile(b, "b.txt");
  char out[8];
  readBytes(b, out, 2);
  EXPECT_EQ(std::string(out, 2), "XY");
  readBytes(b, out, 5);  // one byte of the file, then four past its end
  EXPECT_EQ(std::string(out, 5), std::string("Z\0\0\0\0", 5));
  EXPECT_EQ(b.pos, kLoadSlotSize + 7);

  // Positions a parser may compute: negative, or far past the buffer.
  LoadedFile odd{kLoadBufferSize + 100, -3};
  readBytes(odd, out, 5);
  EXPECT_EQ(std::string(out, 5), std::string("\0\0\0ab", 5));
  odd.pos = kLoadBufferSize - 2;
  readBytes(odd, out, 8);
  EXPECT_EQ(odd.pos, kLoadBufferSize + 6);
  for (int i = 2; i < 8; ++i) EXPECT_EQ(out[i], 0) << i;
  odd.pos = INT32_MAX - 1;
  readBytes(odd, out, 8);
  EXPECT_EQ(odd.pos, INT32_MAX);
  readBytes(odd, out, -5);
  EXPECT_EQ(odd.pos, INT32_MAX);
  releaseFile(b);
  releaseFile(a);
}

TEST_F(LoadBufferTest, ReadLineSplitsAtCarriageReturnsAnd255Characters) {
  const std::string longLine(255, 'L');
  dir.write("lines.txt", "one\r\ntwo\nstill two\r\n\r\n" + longLine + "\r\n" + std::string(300, 'M') + "\r\nlast");
  LoadedFile f;
  loadFile(f, "lines.txt");
  std::string line;
  std::vector<std::string> lines;
  while (f.pos < f.end) {
    readLine(f, line);
    lines.push_back(line);
  }
  const std::vector<std::string> expected = {"one", "two\nstill two", "", longLine, "", std::string(255, 'M'),
                                             std::string(45, 'M'), "last"};
  EXPECT_EQ(lines, expected);
  readLine(f, line);
  EXPECT_EQ(line, "");
  releaseFile(f);

  // A carriage return as the very last byte: the skipped line feed lies past the end.
  dir.write("cr.txt", "x\r");
  loadFile(f, "cr.txt");
  readLine(f, line);
  EXPECT_EQ(line, "x");
  EXPECT_GE(f.pos, f.end);
  releaseFile(f);
}

}  // namespace
}  // namespace glorbe
