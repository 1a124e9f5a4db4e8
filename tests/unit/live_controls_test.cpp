#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/live_controls.h"
#include "platform/file_watch.h"

namespace glorbe {
namespace {

TEST(LiveControls, KeysAndSpecialKeys) {
  EXPECT_EQ(liveCommandForKey(' '), LiveCommand::Pause);
  EXPECT_EQ(liveCommandForKey(27), LiveCommand::Quit);
  EXPECT_EQ(liveCommandForKey('d'), LiveCommand::ToggleOverlay);
  EXPECT_EQ(liveCommandForKey('['), LiveCommand::LoopStart);
  EXPECT_EQ(liveCommandForKey(']'), LiveCommand::LoopEnd);
  EXPECT_EQ(liveCommandForKey(8), LiveCommand::LoopClear);
  EXPECT_EQ(liveCommandForKey('r'), LiveCommand::Reload);
  EXPECT_EQ(liveCommandForKey('x'), LiveCommand::None);
  EXPECT_EQ(liveCommandForSpecialKey(LiveSpecialKey::Left, false), LiveCommand::SecondBack);
  EXPECT_EQ(liveCommandForSpecialKey(LiveSpecialKey::Left, true), LiveCommand::BarBack);
  EXPECT_EQ(liveCommandForSpecialKey(LiveSpecialKey::Right, true), LiveCommand::BarAhead);
  EXPECT_EQ(liveCommandForSpecialKey(LiveSpecialKey::PageUp, false), LiveCommand::TenBack);
  EXPECT_EQ(liveCommandForSpecialKey(LiveSpecialKey::PageDown, true), LiveCommand::TenAhead);
  EXPECT_EQ(liveCommandForSpecialKey(LiveSpecialKey::Other, true), LiveCommand::None);
}

TEST(LiveControls, SeeksMoveByTheirAmountAndStayInsideTheShow) {
  const LiveTempo none;
  const LiveTempo tempo{124, 4};  // a bar is 240 / 124 s
  EXPECT_EQ(liveSeekTarget(LiveCommand::SecondAhead, 5000, 0, 60000, none), 6000);
  EXPECT_EQ(liveSeekTarget(LiveCommand::SecondBack, 5000, 0, 60000, none), 4000);
  EXPECT_EQ(liveSeekTarget(LiveCommand::TenAhead, 5000, 0, 60000, none), 15000);
  EXPECT_EQ(liveSeekTarget(LiveCommand::TenBack, 5000, 0, 60000, none), 0);       // not before the start
  EXPECT_EQ(liveSeekTarget(LiveCommand::TenAhead, 55000, 0, 60000, none), 60000);  // not past the end
  EXPECT_EQ(liveSeekTarget(LiveCommand::BarAhead, 5000, 0, 60000, tempo), 5000 + 1935);
  EXPECT_EQ(liveSeekTarget(LiveCommand::BarBack, 5000, 0, 60000, tempo), 5000 - 1935);
  EXPECT_EQ(liveSeekTarget(LiveCommand::BarAhead, 5000, 0, 60000, none), 6000);  // no tempo: a second
  EXPECT_EQ(liveSeekTarget(LiveCommand::Home, 5000, 1500, 60000, none), 1500);
  EXPECT_EQ(liveSeekTarget(LiveCommand::Pause, 5000, 1500, 60000, none), 5000);
  EXPECT_EQ(liveSeekTarget(LiveCommand::SecondAhead, 5000, 0, -5, none), 0);  // an empty show
}

TEST(LiveControls, LoopJumpsBackOnlyOnceBothSidesAreSetInOrder) {
  LiveLoop loop;
  EXPECT_EQ(loopJump(loop, 99999), -1);
  loop.startMs = 2000;
  EXPECT_EQ(loopJump(loop, 99999), -1);  // no end yet
  loop.endMs = 1000;
  EXPECT_FALSE(loopActive(loop));
  loop.endMs = 4000;
  EXPECT_EQ(loopJump(loop, 3999), -1);
  EXPECT_EQ(loopJump(loop, 4000), 2000);
  EXPECT_EQ(loopJump(loop, 70000), 2000);  // past it after a seek: back to the start too
}

TEST(LiveControls, PositionInSecondsBarsAndBeats) {
  EXPECT_EQ(livePositionText(12345, LiveTempo{}), "12.35 s");
  // 120 beats a minute in 4/4: a beat is 0.5 s, a bar 2 s.
  EXPECT_EQ(livePositionText(0, LiveTempo{120, 4}), "0.00 s  bar 0 beat 0.0");
  EXPECT_EQ(livePositionText(17250, LiveTempo{120, 4}), "17.25 s  bar 8 beat 2.5");
  // 1.99 beats before a bar line reads as the next bar's start, not "beat 4.0".
  EXPECT_EQ(livePositionText(1999, LiveTempo{120, 4}), "2.00 s  bar 1 beat 0.0");
  EXPECT_EQ(livePositionText(3000, LiveTempo{120, 3}), "3.00 s  bar 2 beat 0.0");
}

TEST(LiveControls, ChangedFilesCallForTheSmallestReloadThatCoversThem) {
  const char* timeline = "scripts\\greetz.sqp";
  using V = std::vector<std::string>;
  const ArchivePrints none;
  EXPECT_EQ(reloadForFiles(V{}, timeline, "velk.dat", "quendar.mp3", none), LiveReload::None);
  EXPECT_EQ(reloadForFiles(V{"Scripts/Greetz.SQP"}, timeline, "velk.dat", "quendar.mp3", none),
            LiveReload::Timeline);
  EXPECT_EQ(reloadForFiles(V{"scripts/greetz.sqp", "scripts/wembo.ini"}, timeline, "velk.dat", "quendar.mp3", none),
            LiveReload::Everything);
  // The archive and the music are judged elsewhere; temporary files, and
  // files of kinds the engine does not read, never count...
  EXPECT_EQ(reloadForFiles(V{"velk.dat", "quendar.mp3", "velk.dat.partial", ".greetz.sqp.swp", "scripts/x.ini~",
                             "scripts/4913.tmp", "still.png", "trace.txt", "notes"},
                           timeline, "velk.dat", "quendar.mp3", none),
            LiveReload::None);
  // ...unless the archive holds a file of that name.
  const ArchivePrints entries{{"NOTES", {}}};
  EXPECT_EQ(reloadForFiles(V{"notes"}, timeline, "velk.dat", "quendar.mp3", entries), LiveReload::Everything);
  EXPECT_EQ(reloadForFiles(V{"pictures/new.HWL"}, timeline, "velk.dat", "quendar.mp3", none),
            LiveReload::Everything);

  const ArchivePrints before{{"SCRIPTS\\GREETZ.SQP", {1, 10, 20}}, {"SCRIPTS\\WEMBO.INI", {2, 10, 20}}};
  ArchivePrints after = before;
  EXPECT_EQ(reloadForArchive(before, after, timeline), LiveReload::None);
  after["SCRIPTS\\GREETZ.SQP"].crc32 = 7;
  EXPECT_EQ(reloadForArchive(before, after, timeline), LiveReload::Timeline);
  after["SCRIPTS\\WEMBO.INI"].compressedSize = 11;
  EXPECT_EQ(reloadForArchive(before, after, timeline), LiveReload::Everything);
  after = before;
  after.erase("SCRIPTS\\WEMBO.INI");  // an entry gone
  EXPECT_EQ(reloadForArchive(before, after, timeline), LiveReload::Everything);
  after = before;
  after["PICTURES\\NEW.HWL"] = {};  // an entry added
  EXPECT_EQ(reloadForArchive(before, after, timeline), LiveReload::Everything);
}

// Polls the watch for up to two seconds until `want` is among the changes.
bool seen(FileWatch& watch, const std::string& want, std::vector<std::string>& all) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (std::chrono::steady_clock::now() < until) {
    for (std::string& c : takeFileChanges(watch)) all.push_back(c);
    if (std::find(all.begin(), all.end(), want) != all.end()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

TEST(FileWatch, ReportsFilesWrittenMovedAndMadeInNewFolders) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / ("glorbe-watch-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "scripts");
  FileWatch watch;
  std::string error;
  ASSERT_TRUE(startFileWatch(watch, root.string(), error)) << error;
  EXPECT_TRUE(takeFileChanges(watch).empty());

  std::vector<std::string> all;
  std::ofstream(root / "scripts" / "a.ini") << "x";
  EXPECT_TRUE(seen(watch, "scripts/a.ini", all));
  // Written elsewhere and moved in, as the archive packer does.
  std::ofstream(root / "velk.dat.partial") << "y";
  fs::rename(root / "velk.dat.partial", root / "velk.dat");
  EXPECT_TRUE(seen(watch, "velk.dat", all));
  // A folder made after the start is watched too.
  fs::create_directories(root / "new");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  takeFileChanges(watch);
  std::ofstream(root / "new" / "b.hwl") << "z";
  EXPECT_TRUE(seen(watch, "new/b.hwl", all));

  stopFileWatch(watch);
  EXPECT_TRUE(takeFileChanges(watch).empty());
  FileWatch missing;
  EXPECT_FALSE(startFileWatch(missing, (root / "nowhere").string(), error));
  EXPECT_FALSE(error.empty());
  fs::remove_all(root);
}

}  // namespace
}  // namespace glorbe
