// The live mode: watching, reloading, and the keys and overlay an author
// uses while the show plays.
#include "core/live_mode.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "archive/archive.h"
#include "archive/load_buffer.h"
#include "core/core.h"
#include "core/demo_clock.h"
#include "core/overlay.h"
#include "core/run_trace.h"
#include "platform/disk_files.h"
#include "platform/exit_procedures.h"
#include "platform/memory_trim.h"
#include "platform/monotonic_clock.h"
#include "platform/sound.h"
#include "platform/stop_signals.h"
#include "scripts/material_table.h"
#include "scripts/number_conversion.h"
#include "sequencer/sequence_script.h"
#include "sequencer/sequencer_state.h"
#include "textures/image_decoder.h"
#include "textures/texture_generator.h"
#include "textures/texture_upload.h"

namespace glorbe {

LiveState live;

void resetLiveState() {
  stopFileWatch(live.watch);
  live = LiveState{};
}

bool takeLiveOption() {
  if (core.commandLine.empty() || core.commandLine.front() != kLiveOption) return false;
  core.commandLine.erase(core.commandLine.begin());
  live.on = true;
  return true;
}

namespace {

// The folder is taken as quiet after this long without a change.
constexpr double kQuietMs = 40.0;
constexpr double kNoticeMs = 2500.0;

// Everything a full reload replaces, held aside while the new content loads.
struct ShowContent {
  MaterialTable materials;
  SpriteTables sprites;
  SceneTables scenes;
  SequenceScript script;
  RandomSource random;
  std::vector<GLuint> textures;
  LoadTimeState loadTime;
};

ShowContent takeShowContent() {
  ShowContent c{std::move(materialTable), std::move(spriteTables), std::move(sceneTables),
                std::move(sequencer.script), randomSource, std::move(textureLedger.names),
                std::move(live.loadTime)};
  resetMaterialTable();
  resetSpriteTables();
  resetSceneTables();
  sequencer.script = SequenceScript{};
  textureLedger.names.clear();
  live.loadTime = LoadTimeState{};
  return c;
}

void putShowContent(ShowContent& c) {
  materialTable = std::move(c.materials);
  spriteTables = std::move(c.sprites);
  sceneTables = std::move(c.scenes);
  sequencer.script = std::move(c.script);
  randomSource = c.random;
  textureLedger.names = std::move(c.textures);
  live.loadTime = std::move(c.loadTime);
}

void freeTextures(std::vector<GLuint>& names) {
  if (!names.empty()) glDeleteTextures(static_cast<GLsizei>(names.size()), names.data());
  names.clear();
  names.shrink_to_fit();
}

void captureLoadTime() {
  live.loadTime.scenes = sceneTables;
  live.loadTime.sprites = spriteTables;
  live.loadTime.random = randomSource;
}

void restoreLoadTime() {
  sceneTables = live.loadTime.scenes;
  spriteTables = live.loadTime.sprites;
  randomSource = live.loadTime.random;
}

ArchivePrints archivePrints() {
  ArchivePrints prints;
  for (const auto& archive : archiveDirectory.archives) {
    for (const ArchiveEntry& e : archive->entries) {
      prints.emplace(normaliseEntryName(e.name), EntryPrint{e.crc32, e.compressedSize, e.uncompressedSize});
    }
  }
  return prints;
}

// Registers the archive afresh (it may have been replaced on disk). An
// error text, or empty when the archive is there and whole (a show made
// of loose files alone has no archive, which is no error).
std::string reopenArchive() {
  resetArchives();
  const bool present = findDiskFile(kArchiveFile).has_value();
  const Archive* archive = openArchive(kArchiveFile, false);
  if (archive == nullptr) {
    if (present) return std::string(kArchiveFile) + " cannot be opened (error " + std::to_string(archiveStatus()) + ")";
    // Gone while a build replaces it, or removed: the show it gave plays on.
    if (!live.prints.empty()) return std::string(kArchiveFile) + " is gone";
    return {};
  }
  if (archiveStatus() != kStatusOk) {
    return std::string(kArchiveFile) + " is damaged: its directory ends early (status " +
           std::to_string(archiveStatus()) + "), so it was not loaded";
  }
  return {};
}

void say(const std::string& text) {
  live.notice = text;
  live.noticeUntilMs = monotonicMs() + kNoticeMs;
  std::fprintf(stderr, "glorbe: live: %s\n", text.c_str());
}

void fail(const std::string& text) {
  live.error = text;
  std::fprintf(stderr, "glorbe: live: the reload failed, the show plays on as it was: %s\n", text.c_str());
}

std::string elapsedText(double since) {
  char text[32];
  std::snprintf(text, sizeof text, "%.0f ms", monotonicMs() - since);
  return text;
}

bool reloadTimeline() {
  SequenceScript fresh;
  allocateLoadBuffer();
  const bool found = loadSequenceScript(kTimelineFile, fresh);
  freeLoadBuffer();
  if (!found) {
    fail(std::string("the timeline ") + kTimelineFile + " is missing or empty");
    return false;
  }
  sequencer.script = std::move(fresh);
  return true;
}

bool reloadEverything() {
  ShowContent old = takeShowContent();
  resetRandomSource();
  resetTexGenerator();
  allocateLoadBuffer();
  conversionErrors = ConversionErrors{};
  conversionErrors.collecting = true;
  runLoadingPhase(false);
  conversionErrors.collecting = false;
  releaseGeneratedTexture();
  if (conversionErrors.count > 0) {
    std::string text = conversionErrors.first;
    if (conversionErrors.count > 1) text += " (and " + std::to_string(conversionErrors.count - 1) + " more)";
    conversionErrors = ConversionErrors{};
    freeTextures(textureLedger.names);
    putShowContent(old);
    returnFreedMemory();
    fail(text);
    return false;
  }
  freeTextures(old.textures);
  captureLoadTime();
  old = ShowContent{};
  returnFreedMemory();
  return true;
}

// Acts on what changed once the folder is quiet.
void pollChanges() {
  std::vector<std::string> changes = takeFileChanges(live.watch);
  const double now = monotonicMs();
  if (!changes.empty()) {
    live.lastChangeMs = now;
    for (std::string& c : changes) {
      if (std::find(live.pendingFiles.begin(), live.pendingFiles.end(), c) == live.pendingFiles.end()) {
        live.pendingFiles.push_back(std::move(c));
      }
    }
  }
  if (live.reloadAsked) {
    live.reloadAsked = false;
    live.pendingFiles.clear();
    reloadLive(LiveReload::Everything);
    return;
  }
  if (live.pendingFiles.empty()) return;
  // The packer renames a whole new archive into place: no more writes to
  // wait for. Loose files get a moment, since an editor may write in steps.
  const bool archiveArrived =
      std::find(live.pendingFiles.begin(), live.pendingFiles.end(), kArchiveFile) != live.pendingFiles.end();
  if (!archiveArrived && now - live.lastChangeMs < kQuietMs) return;

  std::vector<std::string> files = std::move(live.pendingFiles);
  live.pendingFiles.clear();
  LiveReload kind = reloadForFiles(files, kTimelineFile, kArchiveFile, kMusicFile, live.prints);
  const auto named = [&](const char* name) {
    return std::any_of(files.begin(), files.end(), [&](const std::string& f) { return f == name; });
  };
  if (named(kMusicFile)) say(std::string(kMusicFile) + " changed: start the player again to hear it");
  if (named(kArchiveFile)) {
    const double start = monotonicMs();
    if (const std::string e = reopenArchive(); !e.empty()) {
      fail(e);
      return;
    }
    const LiveReload inArchive = reloadForArchive(live.prints, archivePrints(), kTimelineFile);
    if (inArchive == LiveReload::None && kind == LiveReload::None) {
      live.error.clear();  // the archive that failed has been replaced by a good one
      say(std::string(kArchiveFile) + " was rewritten, nothing in it changed (" + elapsedText(start) + ")");
      live.prints = archivePrints();
      return;
    }
    kind = largerReload(kind, inArchive);
  }
  if (kind != LiveReload::None) reloadLive(kind);
}

}  // namespace

bool reloadLive(LiveReload kind) {
  if (kind == LiveReload::None) return true;
  const double start = monotonicMs();
  const int32_t ms = livePositionMs();
  if (const std::string e = reopenArchive(); !e.empty()) {
    fail(e);
    return false;
  }
  const bool ok = kind == LiveReload::Timeline ? reloadTimeline() : reloadEverything();
  if (!ok) return false;
  live.prints = archivePrints();
  live.error.clear();
  if (kind == LiveReload::Everything) live.loadError.clear();
  live.reloads += 1;
  core.timelineStartTick = sequencer.script.startTick;
  // The music has played on meanwhile; the simulations start from the new
  // load-time state at the current position.
  core.clock.currentTick = ticksFromMs(std::max(ms, livePositionMs()));
  say(std::string(kind == LiveReload::Timeline ? "reloaded the timeline" : "reloaded the show") + " in " +
      elapsedText(start) + " at " + livePositionText(ms, LiveTempo{}));
  return true;
}

int32_t livePositionMs() { return soundGetTimeMs(core.music); }

namespace {

// The last position the show can stand at: its end or the music's.
int32_t lastMs() {
  const int32_t end = msFromTicks(sequencer.script.endTick);
  return core.clock.streamLengthMs > 0 ? std::min(end, core.clock.streamLengthMs - 1) : end;
}

LiveTempo timelineTempo() { return {sequencer.script.tempo, sequencer.script.beatsPerBar}; }

}  // namespace

void seekLive(int32_t ms) {
  const int32_t from = livePositionMs();
  ms = std::clamp(ms, 0, std::max(lastMs(), 0));
  soundSetTimeMs(core.music, ms);
  if (!live.paused && !soundIsPlaying(core.musicChannel)) soundPlayStream(core.musicChannel, core.music);
  if (ms < from) restoreLoadTime();
  core.clock.currentTick = ticksFromMs(ms);
  core.clock.previousTick = core.clock.currentTick;
  core.clock.fpsLastMs = ms;
  core.clock.fpsFrames = 0;
}

void setLivePaused(bool paused) {
  if (paused == live.paused) return;
  if (paused) {
    soundPauseStream(core.music);
    live.paused = true;
    return;
  }
  live.paused = false;
  // Played on from the end, the show starts over.
  if (livePositionMs() >= lastMs()) seekLive(msFromTicks(core.timelineStartTick));
  soundPlayStream(core.musicChannel, core.music);
  core.clock.fpsLastMs = livePositionMs();
  core.clock.fpsFrames = 0;
}

namespace {

void runCommand(LiveCommand command) {
  const int32_t ms = livePositionMs();
  const LiveTempo tempo = timelineTempo();
  switch (command) {
    case LiveCommand::None:
      return;
    case LiveCommand::Quit:
      endProgram(0);
    case LiveCommand::ToggleOverlay:
      core.overlayEnabled = !core.overlayEnabled;
      return;
    case LiveCommand::Pause:
      setLivePaused(!live.paused);
      say(std::string(live.paused ? "paused at " : "playing from ") + livePositionText(livePositionMs(), tempo));
      return;
    case LiveCommand::LoopStart:
      live.loop.startMs = ms;
      if (live.loop.endMs <= ms) live.loop.endMs = -1;
      say("loop from " + livePositionText(ms, tempo));
      return;
    case LiveCommand::LoopEnd:
      if (live.loop.startMs < 0 || ms <= live.loop.startMs) {
        say("set the loop's start with [ before its end");
        return;
      }
      live.loop.endMs = ms;
      say("loop from " + livePositionText(live.loop.startMs, tempo) + " to " + livePositionText(ms, tempo));
      seekLive(live.loop.startMs);
      return;
    case LiveCommand::LoopClear:
      live.loop = LiveLoop{};
      say("no loop");
      return;
    case LiveCommand::Reload:
      live.reloadAsked = true;
      return;
    default: {
      const int32_t target = liveSeekTarget(command, ms, msFromTicks(core.timelineStartTick), lastMs(), tempo);
      seekLive(target);
      say("at " + livePositionText(target, tempo));
      return;
    }
  }
}

// Text wrapped at about `width` characters, between words where it can.
std::vector<std::string> wrapped(const std::string& text, size_t width) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = std::min(text.size(), at + width);
    if (end < text.size()) {
      const size_t space = text.rfind(' ', end);
      if (space != std::string::npos && space > at) end = space;
    }
    lines.push_back(text.substr(at, end - at));
    at = end;
    while (at < text.size() && text[at] == ' ') ++at;
  }
  return lines;
}

constexpr float kTextScale = 0.00018f;

void drawLiveLines(int32_t ms) {
  glEnable(GL_LINE_SMOOTH);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  if (core.overlayEnabled) {
    std::string state = "live  " + livePositionText(ms, timelineTempo());
    if (live.paused) state += "  paused";
    if (loopActive(live.loop)) {
      state += "  loop " + livePositionText(live.loop.startMs, LiveTempo{}) + " - " +
               livePositionText(live.loop.endMs, LiveTempo{});
    }
    float y = 0.96f;
    drawOverlayText(state, 0.01f, y, kTextScale, kTextScale, 1.0f, 1.0f, 0.6f);
    const int32_t tick = ticksFromMs(ms);
    for (int32_t layer = 0; layer < kLayerCount; ++layer) {
      const SequenceTrack* track = playingTrack(sequencer.script, layer, tick);
      if (track == nullptr) continue;
      y -= 0.035f;
      drawOverlayText(std::to_string(layer) + " " + (track->label.empty() ? "(no name)" : track->label), 0.01f, y,
                      kTextScale, kTextScale, 0.8f, 0.9f, 1.0f);
    }
  }
  float y = 0.40f;
  for (const std::string* error : {&live.error, &live.loadError}) {
    if (error->empty()) continue;
    const char* what = error == &live.error ? "reload failed: " : "loaded with an error: ";
    for (const std::string& line : wrapped(what + *error, 60)) {
      drawOverlayText(line, 0.01f, y, kTextScale, kTextScale, 1.0f, 0.25f, 0.25f);
      y -= 0.035f;
    }
  }
  if (!live.notice.empty() && monotonicMs() < live.noticeUntilMs) {
    drawOverlayText(live.notice, 0.01f, y, kTextScale, kTextScale, 1.0f, 1.0f, 0.6f);
  }
  glDisable(GL_LINE_SMOOTH);
  glDisable(GL_BLEND);
}

void startLive() {
  captureLoadTime();
  live.prints = archivePrints();
  std::string error;
  if (!startFileWatch(live.watch, ".", error)) {
    std::fprintf(stderr, "glorbe: live: cannot watch the show's folder (%s); r still reloads\n", error.c_str());
  } else {
    std::fprintf(stderr, "glorbe: live: watching the show's folder; Space pauses, r reloads, Escape ends\n");
  }
}

}  // namespace

void onLiveKeyboard(unsigned char key, int, int) { runCommand(liveCommandForKey(key)); }

void onLiveSpecialKey(int key, int, int) {
  LiveSpecialKey which = LiveSpecialKey::Other;
  switch (key) {
    case GLUT_KEY_LEFT: which = LiveSpecialKey::Left; break;
    case GLUT_KEY_RIGHT: which = LiveSpecialKey::Right; break;
    case GLUT_KEY_PAGE_UP: which = LiveSpecialKey::PageUp; break;
    case GLUT_KEY_PAGE_DOWN: which = LiveSpecialKey::PageDown; break;
    case GLUT_KEY_HOME: which = LiveSpecialKey::Home; break;
    default: break;
  }
  runCommand(liveCommandForSpecialKey(which, (glutGetModifiers() & GLUT_ACTIVE_SHIFT) != 0));
}

void onLiveDisplay() {
  endIfStopSignal();
  if (core.clock.firstFrame) {
    // A bad start position ends the program as it does without --live; an
    // invalid number in the content does not: the show starts with 0 in its
    // place and says so, and the next build can mend it.
    if (core.commandLine.size() == 1 && !parseReal(core.commandLine[0])) {
      fatalConversionError(core.commandLine[0], "the command line");
    }
    conversionErrors = ConversionErrors{};
    conversionErrors.collecting = true;
    startShow();
    conversionErrors.collecting = false;
    if (conversionErrors.count > 0) {
      live.loadError = conversionErrors.first + " (read as 0)";
      std::fprintf(stderr, "glorbe: live: the show was loaded with an error: %s\n", live.loadError.c_str());
    }
    conversionErrors = ConversionErrors{};
    startLive();
    return;
  }
  pollChanges();

  const double askedAt = monotonicMs();
  int32_t ms = livePositionMs();
  traceFrame(ms, askedAt);
  if (!live.paused) {
    if (const int32_t jump = loopJump(live.loop, ms); jump >= 0) {
      seekLive(jump);
      ms = jump;
    } else if (!soundIsPlaying(core.musicChannel) || ms >= lastMs()) {
      // The end: the show stands there until it is moved or played again.
      setLivePaused(true);
      ms = std::min(livePositionMs(), lastMs());
      say("the end: paused at " + livePositionText(ms, timelineTempo()));
    }
  }
  core.clock.previousTick = core.clock.currentTick;
  core.clock.currentTick = ticksFromMs(ms);

  runSequence(sequencer.script, core.clock.currentTick, core.clock.previousTick, true, 0, 15);

  if (core.overlayEnabled) {
    drawStatisticsOverlay(ms);
  } else {
    core.clock.fpsLastMs = ms;
  }
  drawLiveLines(ms);
  core.clock.totalFrames += 1;
  glutSwapBuffers();
  if (core.clock.totalFrames == 1) traceStartup("first-frame");
}

}  // namespace glorbe
