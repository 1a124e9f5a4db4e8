// The score of a piece for the show's synthesizer: tempo, instruments,
// step patterns and the sections that stack and loop them, read from a text
// form of one statement per line.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace glorbe::tools {

enum class InstrumentKind { Kick, Snare, Hat, Clap, Bass, Lead, Pad, Pluck };

struct Instrument {
  std::string name;
  InstrumentKind kind = InstrumentKind::Lead;
  // Named settings (gain, pan, attack, decay, sustain, release, cutoff,
  // resonance, envamount, detune, vibrato, delay, reverb, octave, ...), with
  // the kind's defaults filled in by the parser.
  std::map<std::string, double> params;
  double param(const std::string& key) const;
};

// One note or hit: `notes` holds MIDI note numbers (several for a chord,
// none for a drum hit), `length` is in steps.
struct StepEvent {
  int step = 0;
  int length = 1;
  double velocity = 0.8;
  std::vector<int> notes;
};

struct PatternTrack {
  std::string instrument;
  std::vector<StepEvent> events;
};

struct Pattern {
  std::string name;
  int length = 16;  // steps
  std::vector<PatternTrack> tracks;
};

// A linear change of one instrument setting across a section.
struct Sweep {
  std::string instrument;
  std::string param;
  double from = 0.0;
  double to = 0.0;
};

struct Section {
  std::string name;
  int bars = 1;
  std::vector<std::string> patterns;
  std::vector<Sweep> sweeps;
};

struct Score {
  double tempo = 120.0;   // beats per minute
  int stepsPerBeat = 4;
  int beatsPerBar = 4;
  double tail = 3.0;      // seconds after the last bar
  std::vector<Instrument> instruments;
  std::vector<Pattern> patterns;
  std::vector<Section> sections;

  int stepsPerBar() const { return stepsPerBeat * beatsPerBar; }
  double secondsPerStep() const { return 60.0 / tempo / stepsPerBeat; }
  int totalBars() const;
  double lengthSeconds() const;  // bars plus tail
  const Instrument* findInstrument(const std::string& name) const;
  const Pattern* findPattern(const std::string& name) const;
};

// Parses the text. False with error "LINE: message" on the first problem.
bool parseScore(const std::string& text, Score& score, std::string& error);

// MIDI note number of a name such as "A4" (69), "C#3", "Bb1"; -1 if malformed.
int noteNumber(const std::string& name);
double noteFrequency(int midiNote);

}  // namespace glorbe::tools
