#include "synth/score.h"

#include <cmath>
#include <set>
#include <sstream>

#include "scripts/number_conversion.h"

namespace glorbe::tools {

namespace {

struct KindInfo {
  const char* word;
  InstrumentKind kind;
  std::map<std::string, double> defaults;
};

const std::vector<KindInfo>& kinds() {
  static const std::vector<KindInfo> table = {
      {"kick", InstrumentKind::Kick, {{"gain", 0.9}, {"decay", 0.35}, {"pitch", 48}, {"sweep", 130}}},
      {"snare", InstrumentKind::Snare, {{"gain", 0.5}, {"decay", 0.18}, {"tone", 190}}},
      {"hat", InstrumentKind::Hat, {{"gain", 0.22}, {"decay", 0.05}}},
      {"clap", InstrumentKind::Clap, {{"gain", 0.4}, {"decay", 0.16}}},
      {"bass", InstrumentKind::Bass,
       {{"gain", 0.45}, {"attack", 0.003}, {"decay", 0.18}, {"sustain", 0.6}, {"release", 0.06}, {"cutoff", 500},
        {"resonance", 0.5}, {"envamount", 1800}}},
      {"lead", InstrumentKind::Lead,
       {{"gain", 0.25}, {"attack", 0.01}, {"decay", 0.2}, {"sustain", 0.7}, {"release", 0.18}, {"cutoff", 2600},
        {"resonance", 0.3}, {"envamount", 1500}, {"detune", 0.12}, {"vibrato", 5.0}}},
      {"pad", InstrumentKind::Pad,
       {{"gain", 0.16}, {"attack", 0.9}, {"decay", 0.5}, {"sustain", 0.85}, {"release", 1.4}, {"cutoff", 1400},
        {"resonance", 0.15}, {"envamount", 0}, {"detune", 0.18}}},
      {"pluck", InstrumentKind::Pluck,
       {{"gain", 0.22}, {"attack", 0.002}, {"decay", 0.25}, {"sustain", 0.0}, {"release", 0.15}, {"cutoff", 700},
        {"resonance", 0.4}, {"envamount", 4000}}},
  };
  return table;
}

// Settings every kind takes.
const std::map<std::string, double>& commonDefaults() {
  static const std::map<std::string, double> d = {{"pan", 0.0}, {"delay", 0.0}, {"reverb", 0.15}, {"octave", 0}, {"duck", 0}};
  return d;
}

std::string lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return s;
}

bool number(const std::string& text, double& out) {
  auto v = parseReal(text);
  if (!v) return false;
  out = static_cast<double>(*v);
  return true;
}

bool wholeNumber(const std::string& text, int lo, int hi, int& out) {
  auto v = parseInteger(text);
  if (!v || *v < lo || *v > hi) return false;
  out = *v;
  return true;
}

}  // namespace

double Instrument::param(const std::string& key) const {
  auto it = params.find(key);
  return it != params.end() ? it->second : 0.0;
}

int Score::totalBars() const {
  int bars = 0;
  for (const Section& s : sections) bars += s.bars;
  return bars;
}

double Score::lengthSeconds() const { return totalBars() * stepsPerBar() * secondsPerStep() + tail; }

const Instrument* Score::findInstrument(const std::string& name) const {
  for (const Instrument& i : instruments) {
    if (i.name == name) return &i;
  }
  return nullptr;
}

const Pattern* Score::findPattern(const std::string& name) const {
  for (const Pattern& p : patterns) {
    if (p.name == name) return &p;
  }
  return nullptr;
}

int noteNumber(const std::string& name) {
  if (name.size() < 2) return -1;
  static const int base[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  const char letter = static_cast<char>(name[0] & ~0x20);
  if (letter < 'A' || letter > 'G') return -1;
  int semis = base[letter - 'A'];
  size_t i = 1;
  if (name[i] == '#') ++semis, ++i;
  else if (name[i] == 'b') --semis, ++i;
  int octave = 0;
  if (!wholeNumber(name.substr(i), -1, 9, octave)) return -1;
  const int midi = (octave + 1) * 12 + semis;
  return midi >= 0 && midi <= 127 ? midi : -1;
}

double noteFrequency(int midiNote) { return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0); }

bool parseScore(const std::string& text, Score& score, std::string& error) {
  Score s;
  std::istringstream in(text);
  std::string raw;
  int lineNo = 0;
  Pattern* pattern = nullptr;
  std::map<std::string, int> filled;  // steps written per track of the current pattern
  auto fail = [&](const std::string& message) {
    error = std::to_string(lineNo) + ": " + message;
    return false;
  };
  auto finishPattern = [&]() -> bool {
    if (pattern == nullptr) return true;
    for (const auto& [name, steps] : filled) {
      if (steps != pattern->length) {
        return fail("pattern " + pattern->name + ": track " + name + " has " + std::to_string(steps) +
                    " steps, the pattern " + std::to_string(pattern->length));
      }
    }
    pattern = nullptr;
    filled.clear();
    return true;
  };

  while (std::getline(in, raw)) {
    ++lineNo;
    // A comment starts with "#" at the start of a line or after a blank, so
    // sharps such as F#3 stay notes.
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == '#' && (i == 0 || raw[i - 1] == ' ' || raw[i - 1] == '\t')) {
        raw.erase(i);
        break;
      }
    }
    std::istringstream words(raw);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.empty()) continue;
    const std::string& key = w[0];

    if (key == "tempo" || key == "steps" || key == "beats" || key == "tail") {
      if (!finishPattern()) return false;
      double v = 0;
      if (w.size() != 2 || !number(w[1], v)) return fail(key + " takes one number");
      if (key == "tempo") {
        if (v < 20 || v > 400) return fail("tempo must lie between 20 and 400 beats per minute");
        s.tempo = v;
      } else if (key == "tail") {
        if (v < 0 || v > 30) return fail("tail must lie between 0 and 30 seconds");
        s.tail = v;
      } else {
        if (v != std::floor(v) || v < 1 || v > 16) return fail(key + " must be a whole number from 1 to 16");
        (key == "steps" ? s.stepsPerBeat : s.beatsPerBar) = static_cast<int>(v);
      }
    } else if (key == "instrument") {
      if (!finishPattern()) return false;
      if (w.size() < 3) return fail("instrument NAME KIND [setting=value ...]");
      if (s.findInstrument(w[1])) return fail("instrument " + w[1] + " is defined twice");
      const KindInfo* info = nullptr;
      for (const KindInfo& k : kinds()) {
        if (lower(w[2]) == k.word) info = &k;
      }
      if (info == nullptr) return fail("unknown instrument kind " + w[2]);
      Instrument inst;
      inst.name = w[1];
      inst.kind = info->kind;
      inst.params = commonDefaults();
      for (const auto& [k, v] : info->defaults) inst.params[k] = v;
      for (size_t i = 3; i < w.size(); ++i) {
        const size_t eq = w[i].find('=');
        double v = 0;
        if (eq == std::string::npos || !number(w[i].substr(eq + 1), v)) return fail("expected setting=value: " + w[i]);
        const std::string name = w[i].substr(0, eq);
        if (!inst.params.count(name)) return fail(w[1] + ": " + info->word + " has no setting " + name);
        inst.params[name] = v;
      }
      s.instruments.push_back(inst);
    } else if (key == "pattern") {
      if (!finishPattern()) return false;
      int length = 0;
      if (w.size() != 3 || !wholeNumber(w[2], 1, 1024, length)) return fail("pattern NAME STEPS");
      if (s.findPattern(w[1])) return fail("pattern " + w[1] + " is defined twice");
      s.patterns.push_back({w[1], length, {}});
      pattern = &s.patterns.back();
    } else if (key == "end") {
      if (pattern == nullptr) return fail("end outside a pattern");
      if (!finishPattern()) return false;
    } else if (key == "section") {
      if (!finishPattern()) return false;
      Section sec;
      if (w.size() < 3 || !wholeNumber(w[2], 1, 1000, sec.bars)) return fail("section NAME BARS [PATTERN ...]");
      sec.name = w[1];
      for (size_t i = 3; i < w.size(); ++i) {
        if (!s.findPattern(w[i])) return fail("unknown pattern " + w[i]);
        sec.patterns.push_back(w[i]);
      }
      s.sections.push_back(sec);
    } else if (key == "sweep") {
      if (!finishPattern()) return false;
      if (s.sections.empty()) return fail("sweep before the first section");
      Sweep sw;
      if (w.size() != 5 || !number(w[3], sw.from) || !number(w[4], sw.to)) {
        return fail("sweep INSTRUMENT SETTING FROM TO");
      }
      const Instrument* inst = s.findInstrument(w[1]);
      if (inst == nullptr) return fail("unknown instrument " + w[1]);
      if (!inst->params.count(w[2])) return fail(w[1] + " has no setting " + w[2]);
      sw.instrument = w[1];
      sw.param = w[2];
      s.sections.back().sweeps.push_back(sw);
    } else if (pattern != nullptr) {
      // A track line: INSTRUMENT then one token per step.
      const Instrument* inst = s.findInstrument(key);
      if (inst == nullptr) return fail("unknown instrument " + key + " in pattern " + pattern->name);
      PatternTrack* track = nullptr;
      for (PatternTrack& t : pattern->tracks) {
        if (t.instrument == key) track = &t;
      }
      if (track == nullptr) {
        pattern->tracks.push_back({key, {}});
        track = &pattern->tracks.back();
      }
      int& step = filled[key];
      const bool drum = inst->kind == InstrumentKind::Kick || inst->kind == InstrumentKind::Snare ||
                        inst->kind == InstrumentKind::Hat || inst->kind == InstrumentKind::Clap;
      for (size_t i = 1; i < w.size(); ++i, ++step) {
        const std::string& t = w[i];
        if (step >= pattern->length) return fail("track " + key + " is longer than pattern " + pattern->name);
        if (t == ".") continue;
        if (t == "-") {
          if (track->events.empty() || track->events.back().step + track->events.back().length != step) {
            return fail("\"-\" holds nothing at step " + std::to_string(step + 1));
          }
          track->events.back().length += 1;
          continue;
        }
        StepEvent e;
        e.step = step;
        if (drum) {
          if (t == "x") e.velocity = 0.75;
          else if (t == "X") e.velocity = 1.0;
          else if (t == "o") e.velocity = 0.45;
          else return fail("a drum step is ., x, X or o, not " + t);
        } else {
          std::string chord = t;
          if (!chord.empty() && chord.back() == '!') {  // accent
            e.velocity = 1.0;
            chord.pop_back();
          }
          size_t start = 0;
          while (start <= chord.size()) {
            const size_t plus = chord.find('+', start);
            const std::string name = chord.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
            const int n = noteNumber(name);
            if (n < 0) return fail("not a note: " + name);
            e.notes.push_back(n);
            if (plus == std::string::npos) break;
            start = plus + 1;
          }
        }
        track->events.push_back(e);
      }
    } else {
      return fail("unknown line: " + key);
    }
  }
  if (!finishPattern()) return false;
  if (s.sections.empty()) {
    error = "the score has no section";
    return false;
  }
  score = std::move(s);
  return true;
}

}  // namespace glorbe::tools
