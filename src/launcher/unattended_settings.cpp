#include "launcher/unattended_settings.h"

#include <charconv>
#include <climits>
#include <sstream>

namespace glorbe {

EngineSettings launcherDefaults() {
  EngineSettings s;
  s.width = 800;
  s.height = 600;
  s.bits = 32;
  s.fullscreen = true;
  return s;
}

namespace {

bool parseInt(const std::string& text, long lo, long hi, int32_t& out) {
  long value = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  auto [ptr, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || ptr != last || first == last || value < lo || value > hi) return false;
  out = static_cast<int32_t>(value);
  return true;
}

bool parseBool(const std::string& text, bool& out) {
  if (text == "0") out = false;
  else if (text == "1") out = true;
  else return false;
  return true;
}

}  // namespace

bool parseLauncherVariable(const std::string& text, EngineSettings& settings, std::string& error) {
  std::istringstream in(text);
  std::string pair;
  EngineSettings s = settings;
  while (in >> pair) {
    const size_t eq = pair.find('=');
    bool ok = eq != std::string::npos && eq > 0;
    if (ok) {
      const std::string key = pair.substr(0, eq);
      const std::string value = pair.substr(eq + 1);
      if (key == "width") ok = parseInt(value, 1, 65535, s.width);
      else if (key == "height") ok = parseInt(value, 1, 65535, s.height);
      else if (key == "bits") ok = parseInt(value, 1, 64, s.bits);
      else if (key == "fullscreen") ok = parseBool(value, s.fullscreen);
      else if (key == "compression") ok = parseBool(value, s.compression);
      else if (key == "trilinear") ok = parseBool(value, s.trilinear);
      else if (key == "textureDepth") ok = parseInt(value, 0, 2, s.textureDepth);
      else if (key == "soundDriver") ok = parseInt(value, 0, 3, s.soundDriver);
      else ok = false;
    }
    if (!ok) {
      error = std::string(kLauncherVariable) + ": malformed setting \"" + pair + "\"";
      return false;
    }
  }
  settings = s;
  return true;
}

}  // namespace glorbe
