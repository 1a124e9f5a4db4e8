#include <gtest/gtest.h>

#include "platform/disk_files.h"
#include "platform/message_box.h"
#include "test_files.h"

namespace glorbe {
namespace {

TEST(DiskFiles, BackslashesAndAnyLetterCase) {
  testing::ScratchDir dir;
  dir.write("Scripts/Wembo.ini", "x");
  dir.write("loader/0.hwl", "y");
  testing::WorkingDir cwd(dir.path());
  EXPECT_EQ(findDiskFile("scripts\\wembo.ini").value_or(""), "Scripts/Wembo.ini");
  EXPECT_EQ(findDiskFile("SCRIPTS/WEMBO.INI").value_or(""), "Scripts/Wembo.ini");
  EXPECT_EQ(findDiskFile("Scripts/Wembo.ini").value_or(""), "Scripts/Wembo.ini");
  EXPECT_EQ(findDiskFile("LOADER\\0.HWL").value_or(""), "loader/0.hwl");
  EXPECT_FALSE(findDiskFile("scripts\\ant.ini"));
  EXPECT_FALSE(findDiskFile("scripts")) << "a folder is not a file";
  EXPECT_FALSE(findDiskFile(""));
  EXPECT_FALSE(findDiskFile("scripts\\wembo.ini\\x"));
}

TEST(DiskFiles, ExactSpellingWinsOverOtherCase) {
  testing::ScratchDir dir;
  dir.write("a/File.txt", "1");
  dir.write("a/FILE.TXT", "2");
  testing::WorkingDir cwd(dir.path());
  EXPECT_EQ(findDiskFile("A\\FILE.TXT").value_or(""), "a/FILE.TXT");
  EXPECT_EQ(findDiskFile("a\\File.txt").value_or(""), "a/File.txt");
  EXPECT_EQ(findDiskFile("a\\file.txt").value_or(""), "a/FILE.TXT") << "first in byte order";
}

TEST(MessageBox, UnattendedLine) {
  EXPECT_EQ(messageBoxLine("FMOD Error", "Couldn't init FMOD!"), "FMOD Error: Couldn't init FMOD!");
  EXPECT_EQ(messageBoxLine("800x600:32@60", "One.\rTwo."), "800x600:32@60: One. Two.");
}

}  // namespace
}  // namespace glorbe
