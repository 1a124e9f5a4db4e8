// The timeline compiler: the text form read line by line into a
// TimelineSource, checked against what the player can hold, and written as
// the binary file. Also the JSON form of a loaded timeline.
#include "timeline/timeline_source.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <string_view>

#include "common/ascii.h"
#include "common/byte_order.h"
#include "glorbe_tool/content_lookup.h"
#include "sequencer/working_values.h"

namespace glorbe::tools {

namespace {

constexpr size_t kMaxText = 255;
constexpr size_t kMaxCount = 255;  // items per track, parameters per item, keys per parameter
constexpr double kMaxTicks = 2147483647.0;
constexpr double kLastKeyPosition = 0.999;

// ---- lines into tokens --------------------------------------------------------------

struct Token {
  enum Kind { Word, String, Equals } kind;
  std::string text;
};

std::string upper(std::string s) { return asciiUpperCopy(std::move(s)); }

std::string lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

// Splits a line at blanks; "=" stands alone, "..." is one token with \" and
// \\ inside, "#" outside a string starts a comment. Gives false and the
// reason for an unterminated string.
bool tokenize(const std::string& line, std::vector<Token>& tokens, std::string& error) {
  tokens.clear();
  // A NUL byte says the file is no text (a picture given by mistake).
  if (line.find('\0') != std::string::npos) {
    error = "the line holds a NUL byte: the source is not a text file";
    return false;
  }
  size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '=') {
      tokens.push_back({Token::Equals, "="});
      ++i;
    } else if (c == '"') {
      std::string text;
      ++i;
      bool closed = false;
      while (i < line.size()) {
        if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
          text += line[i + 1];
          i += 2;
        } else if (line[i] == '"') {
          closed = true;
          ++i;
          break;
        } else if (line[i] == '\r') {
          // The compiled file ends each of its texts with a carriage return.
          error = "a text may not hold a carriage return";
          return false;
        } else {
          text += line[i++];
        }
      }
      if (!closed) {
        error = "the text has no closing \"";
        return false;
      }
      tokens.push_back({Token::String, text});
    } else {
      const size_t from = i;
      // Up to the next separator; the set is searched without its terminator.
      while (i < line.size() && std::string_view(" \t\r=\"#").find(line[i]) == std::string_view::npos) ++i;
      tokens.push_back({Token::Word, line.substr(from, i - from)});
    }
  }
  return true;
}

std::optional<double> parseNumber(const std::string& text) {
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  double v = 0;
  const auto [end, ec] = std::from_chars(first, last, v);
  if (ec != std::errc() || end != last || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::string formatSeconds(double v) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%g", v);
  return buffer;
}

// ---- the reader -----------------------------------------------------------------------

class SourceReader {
 public:
  SourceReader(const std::string& sourceName, TimelineSource& out, SourceMessages& messages)
      : sourceName_(sourceName), out_(out), messages_(messages) {}

  void line(int number, const std::string& text) {
    lineNumber_ = number;
    std::string error;
    if (!tokenize(text, tokens_, error)) return fail(error);
    if (tokens_.empty()) return;
    if (tokens_.size() >= 2 && tokens_[1].kind == Token::Equals) return param();
    if (tokens_[0].kind != Token::Word) return fail("a line starts with a keyword or a parameter word");
    const std::string keyword = lower(tokens_[0].text);
    if (keyword == "track") return track();
    if (keyword == "item") return item();
    if (out_.tracks.empty()) return headerField(keyword);
    trackField(keyword);
  }

  void finish() {
    lineNumber_ = 0;
    if (!hasEnd_) fail("the timeline has no \"end\" (its end in seconds)");
    if (out_.end < out_.start) warn("the end lies before the start; the show ends at once");
    checkTrack();
  }

 private:
  std::string where() const {
    return lineNumber_ > 0 ? sourceName_ + ":" + std::to_string(lineNumber_) + ": " : sourceName_ + ": ";
  }
  void fail(const std::string& what) { messages_.errors.push_back(where() + "error: " + what); }
  void warn(const std::string& what) { messages_.warnings.push_back(where() + "warning: " + what); }

  std::optional<double> number(size_t index, const std::string& what) {
    if (index >= tokens_.size() || tokens_[index].kind != Token::Word) {
      fail(what + " needs a number");
      return std::nullopt;
    }
    const auto v = parseNumber(tokens_[index].text);
    if (!v) fail("\"" + tokens_[index].text + "\" is not a number (" + what + ")");
    return v;
  }

  std::optional<std::string> text(size_t index, const std::string& what) {
    if (index >= tokens_.size() || tokens_[index].kind != Token::String) {
      fail(what + " needs a text in quotes");
      return std::nullopt;
    }
    if (tokens_[index].text.size() > kMaxText) {
      fail(what + " is longer than 255 characters");
      return std::nullopt;
    }
    return tokens_[index].text;
  }

  // A single value after the keyword, and nothing after it.
  std::optional<double> onlyNumber(const std::string& what) {
    if (tokens_.size() > 2) {
      fail("\"" + what + "\" takes one value");
      return std::nullopt;
    }
    return number(1, what);
  }

  // A time: seconds, or with a tempo given, "bar N", "beat N" or both
  // ("bar 8 beat 2"; bars count from 0, so bar 8 starts the ninth bar).
  std::optional<double> seconds(const std::string& what) {
    std::optional<double> v;
    if (tokens_.size() > 2) {
      if (tempo_ <= 0) {
        fail(what + ": bars and beats need the timeline's \"tempo\" first");
        return std::nullopt;
      }
      if (tokens_.size() % 2 == 0) {
        fail(what + " takes seconds, or units and numbers such as \"bar 8 beat 2\"");
        return std::nullopt;
      }
      double beats = 0;
      for (size_t i = 1; i + 1 < tokens_.size(); i += 2) {
        const std::string unit = tokens_[i].kind == Token::Word ? lower(tokens_[i].text) : "";
        double perUnit = 0;
        if (unit == "bar" || unit == "bars") perUnit = beatsPerBar_;
        else if (unit == "beat" || unit == "beats") perUnit = 1;
        else {
          fail(what + ": \"" + tokens_[i].text + "\" is not a unit (bar, bars, beat, beats)");
          return std::nullopt;
        }
        const auto n = number(i + 1, what);
        if (!n) return std::nullopt;
        beats += *n * perUnit;
      }
      v = beats * 60.0 / tempo_;
    } else {
      v = onlyNumber(what);
    }
    if (v && std::fabs(*v * 60.0) > kMaxTicks) {
      fail(what + " " + formatSeconds(*v) + " s lies beyond the ticks a timeline can hold");
      return std::nullopt;
    }
    return v;
  }

  bool once(const char* field, std::vector<std::string>& seen) {
    for (const std::string& s : seen) {
      if (s == field) {
        fail(std::string("\"") + field + "\" is given twice");
        return false;
      }
    }
    seen.emplace_back(field);
    return true;
  }

  void headerField(const std::string& keyword) {
    if (keyword == "tempo") {
      if (!once("tempo", headerSeen_)) return;
      if (tokens_.size() < 2 || tokens_.size() > 3) return fail("\"tempo\" takes beats per minute and optionally beats per bar");
      const auto bpm = number(1, "tempo");
      if (!bpm) return;
      if (!(*bpm > 0 && *bpm <= 1000)) return fail("the tempo must lie above 0 and up to 1000 beats per minute");
      tempo_ = *bpm;
      if (tokens_.size() == 3) {
        const auto perBar = number(2, "beats per bar");
        if (!perBar) return;
        if (!(*perBar >= 1 && *perBar <= 64)) return fail("beats per bar must lie between 1 and 64");
        beatsPerBar_ = *perBar;
      }
      out_.tempo = tempo_;
      out_.beatsPerBar = beatsPerBar_;
    } else if (keyword == "name") {
      if (!once("name", headerSeen_)) return;
      if (tokens_.size() > 2) return fail("\"name\" takes one text");
      if (const auto t = text(1, "name")) out_.name = *t;
    } else if (keyword == "start") {
      if (!once("start", headerSeen_)) return;
      if (const auto v = seconds("start")) out_.start = *v;
    } else if (keyword == "end") {
      if (!once("end", headerSeen_)) return;
      if (const auto v = seconds("end")) {
        out_.end = *v;
        hasEnd_ = true;
      }
    } else if (keyword == "marker") {
      if (tokens_.size() < 2) return fail("\"marker\" needs one or more times in seconds");
      for (size_t i = 1; i < tokens_.size(); ++i) {
        const auto v = number(i, "marker");
        if (!v) return;
        if (std::fabs(*v * 60.0) > 32767.0) {
          warn("marker " + formatSeconds(*v) + " s lies beyond what a marker holds (about 546 s); it is cut to that");
        }
        out_.markers.push_back(*v);
      }
    } else if (keyword == "length" || keyword == "offset" || keyword == "layer" || keyword == "speed") {
      fail("\"" + keyword + "\" belongs to a track; start one with \"track\"");
    } else {
      fail("unknown keyword \"" + tokens_[0].text + "\"");
    }
  }

  void track() {
    checkTrack();
    if (tokens_.size() > 2) return fail("\"track\" takes at most one label in quotes");
    SourceTrack t;
    if (tokens_.size() == 2) {
      const auto label = text(1, "the track's label");
      if (!label) return;
      t.label = *label;
    }
    out_.tracks.push_back(std::move(t));
    trackSeen_.clear();
    trackLine_ = lineNumber_;
    trackHasLength_ = false;
  }

  // What is checked once a track is complete.
  void checkTrack() {
    if (out_.tracks.empty() || trackLine_ == 0) return;
    const int saved = lineNumber_;
    lineNumber_ = trackLine_;
    const SourceTrack& t = out_.tracks.back();
    if (!trackHasLength_) fail("the track has no \"length\" (in seconds)");
    if (t.items.size() > kMaxCount) fail("the track has " + std::to_string(t.items.size()) + " items; at most 255");
    lineNumber_ = saved;
    trackLine_ = 0;
  }

  void trackField(const std::string& keyword) {
    SourceTrack& t = out_.tracks.back();
    if (!t.items.empty()) return fail("\"" + tokens_[0].text + "\": a track's fields come before its items");
    if (keyword == "start") {
      if (!once("start", trackSeen_)) return;
      if (const auto v = seconds("start")) t.start = *v;
    } else if (keyword == "length") {
      if (!once("length", trackSeen_)) return;
      if (const auto v = seconds("length")) {
        t.length = *v;
        trackHasLength_ = true;
        if (*v < 0) warn("a negative length: the track never plays");
      }
    } else if (keyword == "offset") {
      if (!once("offset", trackSeen_)) return;
      if (const auto v = seconds("offset")) t.offset = *v;
    } else if (keyword == "speed") {
      if (!once("speed", trackSeen_)) return;
      if (const auto v = onlyNumber("speed")) t.speed = *v;
    } else if (keyword == "layer") {
      if (!once("layer", trackSeen_)) return;
      const auto v = onlyNumber("layer");
      if (!v) return;
      if (*v != std::floor(*v) || *v < 0 || *v > 255) return fail("a layer is a whole number from 0 to 255");
      t.layer = static_cast<int>(*v);
      if (t.layer > 15) warn("layer " + std::to_string(t.layer) + " is drawn only by a GRAB whose layer range covers it");
    } else if (keyword == "name" || keyword == "end" || keyword == "marker") {
      fail("\"" + keyword + "\" belongs to the timeline's header, before the first track");
    } else {
      fail("unknown keyword \"" + tokens_[0].text + "\"");
    }
  }

  void item() {
    if (out_.tracks.empty()) return fail("an item belongs to a track; start one with \"track\"");
    if (tokens_.size() != 3 || tokens_[1].kind != Token::Word || tokens_[2].kind != Token::Word) {
      return fail("an item is \"item CATEGORY COMMAND\"");
    }
    SourceItem it;
    it.category = upper(tokens_[1].text);
    it.command = upper(tokens_[2].text);
    if (it.category.size() > kMaxText || it.command.size() > kMaxText) return fail("the item's words are too long");
    command_ = findTimelineCommand(it.category, it.command);
    if (command_ == TimelineCommand::None) {
      warn(it.category + " " + it.command + " is no command the player knows; it does nothing");
    }
    out_.tracks.back().items.push_back(std::move(it));
  }

  // "KEYS" pairs P:V from tokens_[index] on; gives the index after them.
  size_t keyPairs(size_t index, SourceParam& p) {
    while (index < tokens_.size() && tokens_[index].kind == Token::Word) {
      const std::string& pair = tokens_[index].text;
      const size_t colon = pair.find(':');
      if (colon == std::string::npos) break;
      const auto position = parseNumber(pair.substr(0, colon));
      const auto value = parseNumber(pair.substr(colon + 1));
      if (!position || !value) {
        fail("\"" + pair + "\" is not a key POSITION:VALUE");
        return tokens_.size();
      }
      p.keys.emplace_back(*position, *value);
      ++index;
    }
    return index;
  }

  void param() {
    if (out_.tracks.empty() || out_.tracks.back().items.empty()) {
      return fail("a parameter belongs to an item; start one with \"item CATEGORY COMMAND\"");
    }
    if (tokens_[0].kind != Token::Word) return fail("a parameter's word comes before \"=\"");
    SourceParam p;
    p.name = upper(tokens_[0].text);
    if (p.name.size() > kMaxText) return fail("the parameter's word is too long");
    if (tokens_.size() == 2) return fail(p.name + " has no value");
    bool hasConstant = false, hasText = false, hasMode = false;
    std::vector<std::string> seen;
    const auto setMode = [&](int mode) {
      if (hasMode) {
        fail(p.name + " has two modes");
        return false;
      }
      hasMode = true;
      p.mode = mode;
      return true;
    };
    for (size_t i = 2; i < tokens_.size();) {
      const Token& t = tokens_[i];
      if (t.kind == Token::Equals) return fail("a second \"=\"");
      if (t.kind == Token::String) {
        if (hasText) return fail(p.name + " has two texts");
        const auto s = text(i, p.name);
        if (!s) return;
        p.text = *s;
        hasText = true;
        ++i;
        continue;
      }
      if (const auto v = parseNumber(t.text)) {
        if (hasConstant) return fail(p.name + " has two constants");
        p.constant = *v;
        hasConstant = true;
        ++i;
        continue;
      }
      const std::string word = lower(t.text);
      if (word == "linear" || word == "smooth") {
        if (!setMode(word == "linear" ? kModeLinear : kModeSmooth)) return;
        i = keyPairs(i + 1, p);
      } else if (word == "keys") {
        i = keyPairs(i + 1, p);
      } else if (word == "sine") {
        if (!setMode(kModeSine)) return;
        ++i;
      } else if (word == "mode") {
        const auto v = number(i + 1, "mode");
        if (!v) return;
        if (*v != std::floor(*v) || *v < 0 || *v > 255) return fail("a mode is a whole number from 0 to 255");
        if (!setMode(static_cast<int>(*v))) return;
        i += 2;
      } else if (word == "text") {
        if (hasText) return fail(p.name + " has two texts");
        const auto s = text(i + 1, "text");
        if (!s) return;
        p.text = *s;
        hasText = true;
        i += 2;
      } else {
        double* field = nullptr;
        if (word == "constant") field = &p.constant;
        if (word == "frequency") field = &p.frequency;
        if (word == "amplitude") field = &p.amplitude;
        if (word == "offset") field = &p.offset;
        if (word == "phase") field = &p.phaseDegrees;
        if (word == "min") field = &p.minimum;
        if (word == "max") field = &p.maximum;
        if (field == nullptr) return fail("unexpected \"" + t.text + "\" in " + p.name);
        if (word == "constant" && hasConstant) return fail(p.name + " has two constants");
        if (word != "constant" && !once(word.c_str(), seen)) return;
        if (word == "constant") hasConstant = true;
        const auto v = number(i + 1, word);
        if (!v) return;
        *field = *v;
        i += 2;
      }
    }
    checkParam(p, hasConstant, hasText);
    SourceItem& it = out_.tracks.back().items.back();
    if (it.params.size() == kMaxCount) return fail("an item has at most 255 parameters");
    it.params.push_back(std::move(p));
  }

  void checkParam(const SourceParam& p, bool hasConstant, bool hasText) {
    if (p.keys.size() > kMaxCount) fail(p.name + " has " + std::to_string(p.keys.size()) + " keys; at most 255");
    for (size_t k = 0; k < p.keys.size(); ++k) {
      if (k > 0 && p.keys[k].first < p.keys[k - 1].first) fail(p.name + ": key positions must not decrease");
      if (p.keys[k].first > kLastKeyPosition && k + 1 < p.keys.size()) {
        fail(p.name + ": a key past position 0.999 ends the key list; the keys after it would be lost");
        break;
      }
    }
    if (p.minimum > p.maximum) warn(p.name + ": the minimum is above the maximum; every value becomes one of them");
    if (p.mode > kModeSine) {
      warn(p.name + ": mode " + std::to_string(p.mode) +
           " is none the player knows (0 constant, 1 linear, 2 smooth, 3 sine); its value is 0");
    }
    const bool curve = p.mode == kModeLinear || p.mode == kModeSmooth;
    if (curve && p.keys.empty()) warn(p.name + ": a curve without keys gives 0");
    if (!curve && !p.keys.empty()) warn(p.name + ": keys are read only by linear and smooth curves");
    if (command_ == TimelineCommand::None) return;
    switch (commandWordKind(command_, p.name)) {
      case WordKind::Unknown:
        warn(p.name + " is not read by this command");
        break;
      case WordKind::Text:
        if (!hasText) warn(p.name + " is a text, and none is given");
        break;
      case WordKind::Number:
        if (hasText && !hasConstant && p.mode == kModeConstant) warn(p.name + " is a number; its text is not read");
        break;
    }
  }

  const std::string& sourceName_;
  TimelineSource& out_;
  SourceMessages& messages_;
  std::vector<Token> tokens_;
  int lineNumber_ = 0;
  bool hasEnd_ = false;
  double tempo_ = 0.0;       // beats per minute, for times in bars and beats
  double beatsPerBar_ = 4.0;
  std::vector<std::string> headerSeen_;
  std::vector<std::string> trackSeen_;
  int trackLine_ = 0;
  bool trackHasLength_ = false;
  TimelineCommand command_ = TimelineCommand::None;
};

// ---- binary ------------------------------------------------------------------------------

struct Writer {
  std::string bytes;
  void line(const std::string& s) {
    bytes += s;
    bytes += "\r\n";
  }
  void f64(double v) { appendLittleEndian(bytes, std::bit_cast<uint64_t>(v), 8); }
  void i32(int32_t v) { appendLittleEndian(bytes, static_cast<uint32_t>(v), 4); }
  void u8(size_t v) { bytes.push_back(static_cast<char>(v & 0xFF)); }
};

// ---- JSON ----------------------------------------------------------------------------------


std::string jsonFloat(float v) {
  if (std::isnan(v)) return "\"NaN\"";
  if (std::isinf(v)) return v > 0 ? "\"Infinity\"" : "\"-Infinity\"";
  char buffer[32];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
  return ec == std::errc() ? std::string(buffer, end) : "0";
}

std::string jsonVec(const Vec3& v) { return "[" + jsonFloat(v.x) + ", " + jsonFloat(v.y) + ", " + jsonFloat(v.z) + "]"; }

}  // namespace

bool parseTimelineSource(const std::string& text, const std::string& sourceName, TimelineSource& out,
                         SourceMessages& messages) {
  out = TimelineSource{};
  SourceReader reader(sourceName, out, messages);
  const size_t errorsBefore = messages.errors.size();
  size_t from = 0;
  int number = 0;
  while (from <= text.size()) {
    const size_t newline = text.find('\n', from);
    const size_t to = newline == std::string::npos ? text.size() : newline;
    reader.line(++number, text.substr(from, to - from));
    if (newline == std::string::npos) break;
    from = newline + 1;
  }
  reader.finish();
  return messages.errors.size() == errorsBefore;
}

std::string encodeTimeline(const TimelineSource& source) {
  Writer w;
  w.line("GLORBE TIMELINE");
  w.line("");
  w.f64(source.start);
  w.line("");
  // The two reals around the end are not read by the show; they carry the
  // tempo (0 without one) and the beats per bar for the live mode's bar count.
  w.f64(source.tempo);
  w.f64(source.end);
  w.f64(source.tempo > 0 ? source.beatsPerBar : 0);
  w.line(source.name);
  w.i32(static_cast<int32_t>(source.markers.size()));
  for (double m : source.markers) w.f64(m);
  w.i32(static_cast<int32_t>(source.tracks.size()));
  for (const SourceTrack& t : source.tracks) {
    w.line(t.label);
    w.i32(0);
    w.f64(t.start);
    w.f64(t.offset);
    w.f64(t.length);
    w.u8(static_cast<size_t>(t.layer));
    w.u8(0);
    w.u8(0);
    w.f64(t.speed);
    w.u8(t.items.size());
    for (const SourceItem& it : t.items) {
      w.line(it.category);
      w.line(it.command);
      w.u8(it.params.size());
      for (const SourceParam& p : it.params) {
        w.line(p.name);
        w.u8(static_cast<size_t>(p.mode));
        w.f64(p.constant);
        w.f64(p.frequency);
        w.f64(p.amplitude);
        w.f64(p.offset);
        w.f64(p.phaseDegrees);
        w.u8(p.keys.size());
        for (const auto& [position, value] : p.keys) {
          w.f64(position);
          w.f64(value);
        }
        w.f64(p.minimum);
        w.f64(p.maximum);
        w.line(p.text);
      }
    }
  }
  return w.bytes;
}

std::string timelineJson(const SequenceScript& script) {
  std::string o = "{\n";
  o += "  \"startTick\": " + std::to_string(script.startTick) + ",\n";
  o += "  \"endTick\": " + std::to_string(script.endTick) + ",\n";
  o += "  \"name\": " + jsonString(script.name) + ",\n";
  o += "  \"markers\": [";
  for (size_t i = 0; i < script.markers.size(); ++i) o += (i ? ", " : "") + std::to_string(script.markers[i]);
  o += "],\n  \"tracks\": [";
  for (size_t ti = 0; ti < script.tracks.size(); ++ti) {
    const SequenceTrack& t = script.tracks[ti];
    o += ti ? ",\n" : "\n";
    o += "    {\"start\": " + std::to_string(t.start) + ", \"length\": " + std::to_string(t.length) +
         ", \"offset\": " + std::to_string(t.offset) + ", \"layer\": " + std::to_string(t.layer) +
         ", \"speed\": " + jsonFloat(t.speed) + ",\n     \"items\": [";
    for (size_t ii = 0; ii < t.items.size(); ++ii) {
      const SequenceItem& it = t.items[ii];
      o += ii ? ",\n" : "\n";
      o += "       {\"category\": " + jsonString(it.category) + ", \"command\": " + jsonString(it.command) +
           ",\n        \"params\": [";
      for (size_t pi = 0; pi < it.params.size(); ++pi) {
        const SequenceParam& p = it.params[pi];
        o += pi ? ",\n" : "\n";
        o += "          {\"name\": " + jsonString(p.name) + ", \"mode\": " + std::to_string(p.mode) +
             ", \"constant\": " + jsonFloat(p.constant) + ", \"frequency\": " + jsonFloat(p.frequency) +
             ", \"amplitude\": " + jsonFloat(p.amplitude) + ", \"offset\": " + jsonFloat(p.offset) +
             ", \"phase\": " + jsonFloat(p.phase) + ", \"minimum\": " + jsonFloat(p.minimum) +
             ", \"maximum\": " + jsonFloat(p.maximum) + ", \"text\": " + jsonString(p.text) + ", \"keys\": [";
        const int32_t count = std::min<int32_t>(p.curve.count, static_cast<int32_t>(p.curve.keys.size()));
        for (int32_t k = 0; k < count; ++k) {
          const Key& key = p.curve.keys[static_cast<size_t>(k)];
          o += k ? ",\n" : "\n";
          o += "            {\"tick\": " + std::to_string(key.tick) + ", \"tension\": " + jsonFloat(key.tension) +
               ", \"value\": " + jsonVec(key.value) + ", \"tangent\": " + jsonVec(key.tangent) + "}";
        }
        o += "]}";
      }
      o += "]}";
    }
    o += "]}";
  }
  o += script.tracks.empty() ? "]\n}\n" : "\n  ]\n}\n";
  return o;
}

}  // namespace glorbe::tools
