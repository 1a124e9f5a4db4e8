// The live mode's rules that need no display: what each key does, where a
// seek lands, the loop range, the position in seconds and bars, and which
// changed files call for which reload.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace glorbe {

enum class LiveCommand {
  None,
  Quit,
  ToggleOverlay,
  Pause,         // Space: pause or play on, the music with the picture
  SecondBack,    // Left
  SecondAhead,   // Right
  BarBack,       // Shift+Left: one bar of the timeline's tempo (a second without one)
  BarAhead,      // Shift+Right
  TenBack,       // Page Up
  TenAhead,      // Page Down
  Home,          // Home: the timeline's start
  LoopStart,     // [
  LoopEnd,       // ]
  LoopClear,     // Backspace
  Reload,        // r: reload everything now
};

LiveCommand liveCommandForKey(unsigned char key);

enum class LiveSpecialKey { Left, Right, PageUp, PageDown, Home, Other };
LiveCommand liveCommandForSpecialKey(LiveSpecialKey key, bool shift);

// The timeline's tempo: beats a minute (0: none) and beats per bar.
struct LiveTempo {
  double beatsPerMinute = 0;
  double beatsPerBar = 4;
};

// A bar in milliseconds, or 1000 without a tempo.
double liveBarMs(const LiveTempo& tempo);

// Where a seek command takes position `ms`: within 0 .. lastMs. `homeMs` is
// the timeline's start. Commands that do not seek leave `ms` as it is.
int32_t liveSeekTarget(LiveCommand command, int32_t ms, int32_t homeMs, int32_t lastMs, const LiveTempo& tempo);

// The loop range in milliseconds; -1 where a side is not set.
struct LiveLoop {
  int32_t startMs = -1;
  int32_t endMs = -1;
};

// Both sides set and the end after the start.
bool loopActive(const LiveLoop& loop);

// Where the show goes on from `ms`: the loop's start once it reached the
// loop's end, else -1 (no jump).
int32_t loopJump(const LiveLoop& loop, int32_t ms);

// "12.35 s", and with a tempo also "bar 6 beat 1.8" (bars and beats from 0,
// as the timeline's source counts them).
std::string livePositionText(int32_t ms, const LiveTempo& tempo);

// ---- what to reload --------------------------------------------------------

enum class LiveReload { None, Timeline, Everything };

// The larger of two reloads.
LiveReload largerReload(LiveReload a, LiveReload b);

// One archive entry as the directory states it: enough to tell a changed
// entry from an unchanged one without reading it.
struct EntryPrint {
  uint32_t crc32 = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  bool operator==(const EntryPrint&) const = default;
};

// Entries by their normalised name (upper case, "\" between folders).
using ArchivePrints = std::map<std::string, EntryPrint>;

// Files that changed in the show's folder (relative paths). The archive and
// the music are judged elsewhere. A file counts when the engine may read
// it: a name the archive holds (a file beside the player is read before the
// archive's entry of that name) or a kind of file the engine reads (.ini,
// .sqp, .hwl, .tex, .3ds); pictures saved from the show, traces and the
// temporary files of editors and of the archive packer do not. The
// timeline alone reloads the timeline, anything else everything.
// `timelineName` is the engine's name of the timeline ("scripts\greetz.sqp").
LiveReload reloadForFiles(const std::vector<std::string>& paths, const std::string& timelineName,
                          const std::string& archiveName, const std::string& musicName,
                          const ArchivePrints& archiveEntries);

// The reload that a new archive calls for: none when no entry changed, the
// timeline alone when only the timeline's entry did, else everything.
LiveReload reloadForArchive(const ArchivePrints& before, const ArchivePrints& after, const std::string& timelineName);

}  // namespace glorbe
