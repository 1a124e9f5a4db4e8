// Cleaned lines, sections and key lines of the scene scripts, and the raw
// lines of the timeline file.
#include <gtest/gtest.h>

#include "archive_fixtures.h"
#include "scripts/script_reader.h"

namespace glorbe {
namespace {

using testing::FreshArchiveState;
using testing::ScratchDir;
using testing::WorkingDir;

class ScriptReaderTest : public ::testing::Test {
 protected:
  FreshArchiveState state;
  ScratchDir dir;
  WorkingDir cwd{dir.path()};
  LoadedFile file;

  void load(const std::string& text) {
    dir.write("script.ini", text);
    loadFile(file, "script.ini");
  }
  void TearDown() override { releaseFile(file); }
};

using Values = std::vector<std::string>;

TEST_F(ScriptReaderTest, NextLineCleansCommentsBlanksAndSections) {
  load("  Ambient = 0.2, 0.2 ,0.2  // warm\r\n"
       "//[NOTASECTION]\r\n"
       "     \r\n"
       "\r\n"
       "[Materials]\r\n"
       "\tkey=1\r\n"
       "url = http://example//x\r\n"
       "[]\r\n"
       "[X\r\n"
       "last");
  bool isSection = true;
  std::string key;
  Values values;

  std::string text = nextLine(file, isSection);
  EXPECT_FALSE(isSection);
  EXPECT_EQ(splitKeyLine(text, key, values), 3);
  EXPECT_EQ(key, "AMBIENT");
  EXPECT_EQ(values, (Values{"0.2", "0.2", "0.2"}));

  EXPECT_EQ(nextLine(file, isSection), "MATERIALS");
  EXPECT_TRUE(isSection);

  text = nextLine(file, isSection);
  EXPECT_EQ(splitKeyLine(text, key, values), 1);
  EXPECT_EQ(key, "\tKEY");  // a tab is part of the key

  text = nextLine(file, isSection);
  EXPECT_EQ(splitKeyLine(text, key, values), 1);
  EXPECT_EQ(values, (Values{"HTTP:"}));

  EXPECT_EQ(nextLine(file, isSection), "[]");
  EXPECT_FALSE(isSection);
  EXPECT_EQ(nextLine(file, isSection), "[X");
  EXPECT_FALSE(isSection);
  EXPECT_EQ(nextLine(file, isSection), "LAST");
  EXPECT_EQ(nextLine(file, isSection), "");
  EXPECT_FALSE(isSection);
}

TEST(SplitKeyLine, EmptyValuesCountAndLongLinesKeep22) {
  std::string key;
  Values values;
  EXPECT_EQ(splitKeyLine("A = 1,,3", key, values), 3);
  EXPECT_EQ(values, (Values{"1", "", "3"}));
  EXPECT_EQ(splitKeyLine("A = 1,", key, values), 2);
  EXPECT_EQ(values, (Values{"1", ""}));
  EXPECT_EQ(splitKeyLine("A =", key, values), 0);
  EXPECT_EQ(key, "A");
  EXPECT_EQ(splitKeyLine("JUSTAWORD", key, values), 0);
  EXPECT_EQ(key, "JUSTAWORD");
  EXPECT_EQ(splitKeyLine("K=A=B", key, values), 1);
  EXPECT_EQ(values, (Values{"A=B"}));

  std::string line = "MANY =";
  for (int i = 0; i < 30; ++i) line.append(" ").append(std::to_string(i)).append(",");
  EXPECT_EQ(splitKeyLine(line, key, values), static_cast<int>(kMaxKeyValues));
  ASSERT_EQ(values.size(), kMaxKeyValues);
  EXPECT_EQ(values.back(), "21");
}

TEST_F(ScriptReaderTest, RawLinesKeepBlanksAndStopAtTheEnd) {
  load("  Scene3d // kept\r\nsecond\r\n" + std::string(300, 'q') + "\r\nno line end");
  EXPECT_EQ(readRawLine(file), "  SCENE3D // KEPT");
  EXPECT_EQ(readRawLine(file), "SECOND");
  EXPECT_EQ(readRawLine(file), std::string(255, 'Q'));  // the rest of the long line is consumed
  EXPECT_EQ(readRawLine(file), "NO LINE END");
  EXPECT_EQ(file.pos, file.end);
  EXPECT_EQ(readRawLine(file), "");
  EXPECT_EQ(file.pos, file.end);
}

}  // namespace
}  // namespace glorbe
