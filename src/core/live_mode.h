// The player's live mode (glorbe --live [SECONDS]): the show plays in a
// window while its author edits it. The show's folder is watched; a changed
// timeline is swapped in at once, any other change reloads all content into
// fresh tables and textures, and the music goes on where it was. A reload
// that fails keeps the content that played, and says why on the screen and
// on standard error. Keys pause, seek and loop; the overlay adds the
// position and the tracks that play.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/random_source.h"
#include "core/live_controls.h"
#include "platform/file_watch.h"
#include "scripts/scene_tables.h"
#include "scripts/sprite_script.h"

namespace glorbe {

inline constexpr const char* kLiveOption = "--live";

// What the simulations (particles, soft bodies, move lists, the random
// source and everything the timeline changes in the tables) were right
// after loading. A jump backwards puts it back, so the show goes on from
// there as a player started at that position would.
struct LoadTimeState {
  SceneTables scenes;
  SpriteTables sprites;
  RandomSource random;
};

struct LiveState {
  bool on = false;
  bool paused = false;
  LiveLoop loop;
  FileWatch watch;
  // Changes seen and not yet acted on; they are acted on once the folder
  // has been quiet for a moment, so that one build is one reload.
  std::vector<std::string> pendingFiles;
  double lastChangeMs = 0;
  bool reloadAsked = false;  // the r key
  ArchivePrints prints;      // the archive the loaded content came from
  LoadTimeState loadTime;
  std::string error;         // of the last reload that failed; shown until one succeeds
  std::string loadError;     // an invalid number in the first load; shown until all is reloaded
  std::string notice;        // the last thing done, shown for a moment
  double noticeUntilMs = 0;
  int32_t reloads = 0;       // reloads that succeeded
};

extern LiveState live;

// Stops watching and sets everything back (tests).
void resetLiveState();

// Takes "--live" off the front of the command line (core.commandLine) and
// switches the live mode on; false when the first argument is not it.
bool takeLiveOption();

// The live mode's display and key callbacks.
void onLiveDisplay();
void onLiveKeyboard(unsigned char key, int x, int y);
void onLiveSpecialKey(int key, int x, int y);

// Reloads now: the timeline alone, or everything. False (with live.error
// set) when the new content could not be read; the old content then plays on.
bool reloadLive(LiveReload kind);

// Moves the show to `ms`, the music with it; a jump backwards restarts the
// simulations from their load-time state.
void seekLive(int32_t ms);

// Pauses or plays on.
void setLivePaused(bool paused);

// The music position the live mode plays at, in milliseconds.
int32_t livePositionMs();

}  // namespace glorbe
