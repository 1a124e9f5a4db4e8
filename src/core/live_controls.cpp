#include "core/live_controls.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/ascii.h"

namespace glorbe {

LiveCommand liveCommandForKey(unsigned char key) {
  switch (key) {
    case 27: return LiveCommand::Quit;
    case 'd': return LiveCommand::ToggleOverlay;
    case ' ': return LiveCommand::Pause;
    case '[': return LiveCommand::LoopStart;
    case ']': return LiveCommand::LoopEnd;
    case 8:
    case 127: return LiveCommand::LoopClear;
    case 'r':
    case 'R': return LiveCommand::Reload;
    default: return LiveCommand::None;
  }
}

LiveCommand liveCommandForSpecialKey(LiveSpecialKey key, bool shift) {
  switch (key) {
    case LiveSpecialKey::Left: return shift ? LiveCommand::BarBack : LiveCommand::SecondBack;
    case LiveSpecialKey::Right: return shift ? LiveCommand::BarAhead : LiveCommand::SecondAhead;
    case LiveSpecialKey::PageUp: return LiveCommand::TenBack;
    case LiveSpecialKey::PageDown: return LiveCommand::TenAhead;
    case LiveSpecialKey::Home: return LiveCommand::Home;
    case LiveSpecialKey::Other: return LiveCommand::None;
  }
  return LiveCommand::None;
}

double liveBarMs(const LiveTempo& tempo) {
  if (!(tempo.beatsPerMinute > 0) || !(tempo.beatsPerBar > 0)) return 1000.0;
  return 60000.0 * tempo.beatsPerBar / tempo.beatsPerMinute;
}

int32_t liveSeekTarget(LiveCommand command, int32_t ms, int32_t homeMs, int32_t lastMs, const LiveTempo& tempo) {
  double target = ms;
  switch (command) {
    case LiveCommand::SecondBack: target -= 1000.0; break;
    case LiveCommand::SecondAhead: target += 1000.0; break;
    case LiveCommand::BarBack: target -= liveBarMs(tempo); break;
    case LiveCommand::BarAhead: target += liveBarMs(tempo); break;
    case LiveCommand::TenBack: target -= 10000.0; break;
    case LiveCommand::TenAhead: target += 10000.0; break;
    case LiveCommand::Home: target = homeMs; break;
    default: return ms;
  }
  return static_cast<int32_t>(std::lround(std::clamp(target, 0.0, static_cast<double>(std::max(lastMs, 0)))));
}

bool loopActive(const LiveLoop& loop) { return loop.startMs >= 0 && loop.endMs > loop.startMs; }

int32_t loopJump(const LiveLoop& loop, int32_t ms) {
  if (!loopActive(loop) || ms < loop.endMs) return -1;
  return loop.startMs;
}

std::string livePositionText(int32_t ms, const LiveTempo& tempo) {
  char text[96];
  int n = std::snprintf(text, sizeof text, "%.2f s", ms / 1000.0);
  if (tempo.beatsPerMinute > 0 && tempo.beatsPerBar > 0) {
    const double beats = ms / 1000.0 * tempo.beatsPerMinute / 60.0;
    // Rounded to the tenth shown, so that 1.96 beats reads "beat 2.0" of the
    // right bar and not "beat 2.0" of the bar before.
    const double tenths = std::floor(beats * 10.0 + 0.5);
    const double perBar = tempo.beatsPerBar * 10.0;
    const double bar = std::floor(tenths / perBar);
    std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "  bar %.0f beat %.1f", bar,
                  (tenths - bar * perBar) / 10.0);
  }
  return text;
}

LiveReload largerReload(LiveReload a, LiveReload b) { return static_cast<int>(a) > static_cast<int>(b) ? a : b; }

namespace {

std::string engineName(const std::string& path) {
  std::string name = path;
  std::replace(name.begin(), name.end(), '/', '\\');
  return asciiUpperCopy(name);
}

bool temporaryFile(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  const auto endsWith = [&](const char* tail) {
    const std::string t = tail;
    return base.size() >= t.size() && base.compare(base.size() - t.size(), t.size(), t) == 0;
  };
  return base.empty() || base[0] == '.' || base[0] == '#' || endsWith("~") || endsWith(".partial") ||
         endsWith(".swp") || endsWith(".swx") || endsWith(".tmp");
}

}  // namespace

LiveReload reloadForFiles(const std::vector<std::string>& paths, const std::string& timelineName,
                          const std::string& archiveName, const std::string& musicName,
                          const ArchivePrints& archiveEntries) {
  LiveReload reload = LiveReload::None;
  for (const std::string& path : paths) {
    if (temporaryFile(path)) continue;
    const std::string name = engineName(path);
    if (name == engineName(archiveName) || name == engineName(musicName)) continue;
    const size_t dot = name.find_last_of('.');
    const std::string kind = dot == std::string::npos ? std::string() : name.substr(dot);
    const bool read = archiveEntries.count(name) > 0 || kind == ".INI" || kind == ".SQP" || kind == ".HWL" ||
                      kind == ".TEX" || kind == ".3DS";
    if (!read) continue;
    reload = largerReload(reload, name == engineName(timelineName) ? LiveReload::Timeline : LiveReload::Everything);
  }
  return reload;
}

LiveReload reloadForArchive(const ArchivePrints& before, const ArchivePrints& after, const std::string& timelineName) {
  const std::string timeline = engineName(timelineName);
  LiveReload reload = LiveReload::None;
  auto note = [&](const std::string& name) {
    reload = largerReload(reload, name == timeline ? LiveReload::Timeline : LiveReload::Everything);
  };
  for (const auto& [name, print] : after) {
    const auto old = before.find(name);
    if (old == before.end() || !(old->second == print)) note(name);
  }
  for (const auto& [name, print] : before) {
    if (after.find(name) == after.end()) note(name);
  }
  return reload;
}

}  // namespace glorbe
