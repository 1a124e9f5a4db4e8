#include "synth/synthesizer.h"

#include <algorithm>
#include <cmath>

namespace glorbe::tools {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Small fixed-seed noise source (xorshift), one per voice.
struct Noise {
  uint32_t state;
  explicit Noise(uint32_t seed) : state(seed ? seed : 0x9E3779B9u) {}
  double next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<double>(state) / 2147483648.0 - 1.0;
  }
};

// Resonant state-variable filter (trapezoidal integration, stable at any cutoff).
struct Filter {
  double ic1 = 0, ic2 = 0, a1 = 0, a2 = 0, a3 = 0, k = 2;
  void set(double cutoff, double resonance, double rate) {
    cutoff = std::clamp(cutoff, 20.0, rate * 0.45);
    const double g = std::tan(kPi * cutoff / rate);
    k = 2.0 - 2.0 * std::clamp(resonance, 0.0, 0.97);
    a1 = 1.0 / (1.0 + g * (g + k));
    a2 = g * a1;
    a3 = g * a2;
  }
  // Returns low-pass; band and high through the out parameters.
  double run(double in, double* band = nullptr, double* high = nullptr) {
    const double v3 = in - ic2;
    const double v1 = a1 * ic1 + a2 * v3;
    const double v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2 * v1 - ic1;
    ic2 = 2 * v2 - ic2;
    if (band) *band = v1;
    if (high) *high = in - k * v1 - v2;
    return v2;
  }
};

double polyBlep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

// Band-limited saw from a phase in [0, 1) advancing by dt per sample.
double saw(double phase, double dt) { return 2.0 * phase - 1.0 - polyBlep(phase, dt); }
double square(double phase, double dt) {
  double p2 = phase + 0.5;
  if (p2 >= 1.0) p2 -= 1.0;
  return saw(phase, dt) - saw(p2, dt);
}

struct Envelope {
  double attack, decay, sustain, release, gate;
  double levelAt(double t) const {
    if (t < attack) return t / attack;
    if (t < attack + decay) return 1.0 - (1.0 - sustain) * (t - attack) / decay;
    return sustain;
  }
  // Level at time t for a note held for `gate` seconds.
  double operator()(double t) const {
    if (t < gate) return levelAt(t);
    const double atGate = levelAt(gate);
    const double r = (t - gate) / release;
    return r >= 1.0 ? 0.0 : atGate * (1.0 - r) * (1.0 - r);
  }
  double length() const { return gate + release; }
};

struct Bus {
  std::vector<float> left, right;
  explicit Bus(size_t n) : left(n, 0.0f), right(n, 0.0f) {}
};

struct Mix {
  Bus plain, ducked;
  std::vector<float> delaySend, reverbSend, kickEnvelope;
  explicit Mix(size_t n) : plain(n), ducked(n), delaySend(n, 0.0f), reverbSend(n, 0.0f), kickEnvelope(n, 0.0f) {}
};

struct VoiceSettings {
  const Instrument* inst = nullptr;
  std::map<std::string, double> params;  // instrument settings with the section's sweeps applied
  double get(const std::string& k) const {
    auto it = params.find(k);
    return it != params.end() ? it->second : 0.0;
  }
};

// Renders one note or hit starting at sample `start`, `gateSeconds` long.
void renderVoice(const VoiceSettings& v, const StepEvent& e, size_t start, double gateSeconds, int rate,
                 uint32_t seed, Mix& mix) {
  const size_t total = mix.plain.left.size();
  const double gain = v.get("gain") * e.velocity;
  const double pan = std::clamp(v.get("pan"), -1.0, 1.0);
  const double panL = std::cos((pan + 1.0) * kPi / 4.0) * std::sqrt(2.0);
  const double panR = std::sin((pan + 1.0) * kPi / 4.0) * std::sqrt(2.0);
  const double delaySend = v.get("delay");
  const double reverbSend = v.get("reverb");
  const bool ducked = v.get("duck") > 0.0;
  Bus& bus = ducked ? mix.ducked : mix.plain;
  Noise noise(seed);
  const double dt1 = 1.0 / rate;

  auto emit = [&](size_t at, double l, double r) {
    bus.left[at] += static_cast<float>(l * panL);
    bus.right[at] += static_cast<float>(r * panR);
    const double mono = 0.5 * (l + r);
    mix.delaySend[at] += static_cast<float>(mono * delaySend);
    mix.reverbSend[at] += static_cast<float>(mono * reverbSend);
  };

  const InstrumentKind kind = v.inst->kind;
  if (kind == InstrumentKind::Kick) {
    const double decay = v.get("decay");
    const double pitch = v.get("pitch");
    const double sweep = v.get("sweep");
    const size_t n = static_cast<size_t>(decay * 4 * rate);
    double phase = 0;
    double clickLp = 0;
    for (size_t i = 0; i < n && start + i < total; ++i) {
      const double t = i * dt1;
      const double f = pitch + sweep * std::exp(-t * 28.0);
      phase += f * dt1;
      const double amp = std::exp(-t / decay * 1.6);
      // A short, low-passed click gives the kick its attack without a hiss.
      clickLp += (noise.next() - clickLp) * 0.25;
      const double click = std::exp(-t * 300.0) * 0.5 * clickLp;
      const double s = gain * (std::sin(2 * kPi * phase) * amp + click);
      emit(start + i, s, s);
      mix.kickEnvelope[start + i] = std::max(mix.kickEnvelope[start + i], static_cast<float>(std::exp(-t * 7.0)));
    }
    return;
  }
  if (kind == InstrumentKind::Snare || kind == InstrumentKind::Hat || kind == InstrumentKind::Clap) {
    const double decay = v.get("decay");
    const size_t n = static_cast<size_t>(decay * 6 * rate);
    Filter f;
    if (kind == InstrumentKind::Snare) f.set(1900, 0.3, rate);
    if (kind == InstrumentKind::Hat) f.set(8000, 0.2, rate);
    if (kind == InstrumentKind::Clap) f.set(1300, 0.5, rate);
    double phase = 0;
    for (size_t i = 0; i < n && start + i < total; ++i) {
      const double t = i * dt1;
      double band = 0, high = 0;
      f.run(noise.next(), &band, &high);
      double s = 0;
      if (kind == InstrumentKind::Snare) {
        phase += v.get("tone") * (1.0 + 0.5 * std::exp(-t * 60)) * dt1;
        s = band * 1.6 * std::exp(-t / decay * 2.2) + std::sin(2 * kPi * phase) * 0.7 * std::exp(-t * 28);
      } else if (kind == InstrumentKind::Hat) {
        s = high * std::exp(-t / decay * 2.0);
      } else {
        // Three quick bursts, then the tail.
        const double burst = std::fmod(t, 0.011);
        const double env = t < 0.033 ? std::exp(-burst * 250) : std::exp(-(t - 0.033) / decay * 2.5);
        s = band * 2.2 * env;
      }
      s *= gain;
      emit(start + i, s * (1.0 + 0.1 * pan), s * (1.0 - 0.1 * pan));
    }
    return;
  }

  // Pitched voices.
  Envelope amp{std::max(v.get("attack"), 0.001), std::max(v.get("decay"), 0.001), std::clamp(v.get("sustain"), 0.0, 1.0),
               std::max(v.get("release"), 0.005), gateSeconds};
  const double cutoff = v.get("cutoff");
  const double resonance = v.get("resonance");
  const double envAmount = v.get("envamount");
  const double detune = v.get("detune");
  const double vibrato = v.get("vibrato");
  const int octave = static_cast<int>(std::lrint(v.get("octave")));
  const size_t n = static_cast<size_t>(amp.length() * rate);

  // Oscillators per note: pads stack three detuned saws, leads two.
  struct Osc {
    double freq, phase, panL, panR;
  };
  std::vector<Osc> oscs;
  for (size_t k = 0; k < e.notes.size(); ++k) {
    const double f = noteFrequency(e.notes[k] + 12 * octave);
    if (kind == InstrumentKind::Pad) {
      for (int d = -1; d <= 1; ++d) {
        const double spread = 0.5 + 0.45 * d;
        oscs.push_back({f * std::pow(2.0, d * detune / 12.0), (seed % 97 + 31 * d + 17 * k) / 211.0,
                        std::cos(spread * kPi / 2) * std::sqrt(2.0), std::sin(spread * kPi / 2) * std::sqrt(2.0)});
      }
    } else if (kind == InstrumentKind::Lead) {
      oscs.push_back({f * std::pow(2.0, detune / 12.0), 0.0, 1.2, 0.8});
      oscs.push_back({f * std::pow(2.0, -detune / 12.0), 0.37, 0.8, 1.2});
    } else {
      oscs.push_back({f, 0.0, 1.0, 1.0});
    }
  }
  for (Osc& o : oscs) o.phase = o.phase - std::floor(o.phase);
  const double voiceGain = gain / std::sqrt(static_cast<double>(std::max<size_t>(1, oscs.size())));
  Filter fl, fr;
  double sub = 0;
  for (size_t i = 0; i < n && start + i < total; ++i) {
    const double t = i * dt1;
    if (i % 16 == 0) {
      const double filterEnv = std::exp(-t / std::max(0.02, amp.decay * 0.9));
      double c = cutoff + envAmount * filterEnv;
      if (kind == InstrumentKind::Pad) c *= 1.0 + 0.25 * std::sin(2 * kPi * 0.13 * (start + i) * dt1);
      fl.set(c, resonance, rate);
      fr.set(c * 1.01, resonance, rate);
    }
    const double vib = kind == InstrumentKind::Lead
                           ? std::pow(2.0, vibrato / 1200.0 * std::sin(2 * kPi * 5.5 * t) * std::min(1.0, t / 0.4))
                           : 1.0;
    double l = 0, r = 0;
    for (Osc& o : oscs) {
      const double dt = o.freq * vib * dt1;
      double s = 0;
      if (kind == InstrumentKind::Pluck) s = 0.6 * saw(o.phase, dt) + 0.4 * square(o.phase, dt);
      else s = saw(o.phase, dt);
      o.phase += dt;
      if (o.phase >= 1.0) o.phase -= 1.0;
      l += s * o.panL;
      r += s * o.panR;
    }
    if (kind == InstrumentKind::Bass && !oscs.empty()) {
      sub += oscs[0].freq * 0.5 * dt1;
      if (sub >= 1.0) sub -= 1.0;
      const double subWave = std::sin(2 * kPi * sub) * 0.8;
      l += subWave;
      r += subWave;
    }
    const double a = amp(t) * voiceGain;
    emit(start + i, fl.run(l) * a, fr.run(r) * a);
  }
}

// Freeverb-style reverb: parallel damped combs into series all-passes, with
// different lengths for the two sides.
void addReverb(const std::vector<float>& send, int rate, Bus& out, double wet) {
  const double scale = rate / 44100.0;
  const int combs[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
  const int allpasses[4] = {556, 441, 341, 225};
  for (int side = 0; side < 2; ++side) {
    std::vector<float>& dst = side == 0 ? out.left : out.right;
    std::vector<double> acc(send.size(), 0.0);
    for (int c : combs) {
      const size_t len = static_cast<size_t>((c + side * 23) * scale);
      std::vector<double> line(len, 0.0);
      double damp = 0;
      size_t at = 0;
      for (size_t i = 0; i < send.size(); ++i) {
        const double y = line[at];
        damp = y * 0.6 + damp * 0.4;
        line[at] = send[i] * 0.015 + damp * 0.84;
        acc[i] += y;
        if (++at == len) at = 0;
      }
    }
    for (int a : allpasses) {
      const size_t len = static_cast<size_t>((a + side * 23) * scale);
      std::vector<double> line(len, 0.0);
      size_t at = 0;
      for (size_t i = 0; i < acc.size(); ++i) {
        const double b = line[at];
        line[at] = acc[i] + b * 0.5;
        acc[i] = b - acc[i];
        if (++at == len) at = 0;
      }
    }
    for (size_t i = 0; i < dst.size(); ++i) dst[i] += static_cast<float>(acc[i] * wet);
  }
}

// Ping-pong delay of `delaySamples` with low-passed feedback.
void addDelay(const std::vector<float>& send, size_t delaySamples, Bus& out, Mix& mix) {
  if (delaySamples == 0) return;
  std::vector<double> l(delaySamples, 0.0), r(delaySamples, 0.0);
  double lpL = 0, lpR = 0;
  size_t at = 0;
  for (size_t i = 0; i < send.size(); ++i) {
    const double outL = l[at], outR = r[at];
    lpL = lpL * 0.3 + outL * 0.7;
    lpR = lpR * 0.3 + outR * 0.7;
    l[at] = send[i] + lpR * 0.42;
    r[at] = lpL * 0.42;
    out.left[i] += static_cast<float>(outL * 0.5);
    out.right[i] += static_cast<float>(outR * 0.5);
    mix.reverbSend[i] += static_cast<float>((outL + outR) * 0.1);
    if (++at == delaySamples) at = 0;
  }
}

}  // namespace

std::vector<int16_t> renderScore(const Score& score, int rate, const std::function<void(double)>& progress) {
  const size_t total = static_cast<size_t>(std::ceil(score.lengthSeconds() * rate));
  Mix mix(total);
  const double stepSeconds = score.secondsPerStep();
  const int barSteps = score.stepsPerBar();

  // Every note of every section, in order.
  long sectionStep = 0;
  uint32_t seed = 1;
  const int sections = static_cast<int>(score.sections.size());
  for (int si = 0; si < sections; ++si) {
    const Section& section = score.sections[si];
    const long sectionSteps = static_cast<long>(section.bars) * barSteps;
    for (const std::string& patternName : section.patterns) {
      const Pattern* pattern = score.findPattern(patternName);
      if (pattern == nullptr) continue;
      for (const PatternTrack& track : pattern->tracks) {
        const Instrument* inst = score.findInstrument(track.instrument);
        if (inst == nullptr) continue;
        for (long base = 0; base < sectionSteps; base += pattern->length) {
          for (const StepEvent& e : track.events) {
            const long step = base + e.step;
            if (step >= sectionSteps) continue;
            VoiceSettings v{inst, inst->params};
            const double along = static_cast<double>(step) / sectionSteps;
            for (const Sweep& sw : section.sweeps) {
              if (sw.instrument == inst->name) v.params[sw.param] = sw.from + (sw.to - sw.from) * along;
            }
            // A note may not ring past the end of its section.
            const long length = std::min<long>(e.length, sectionSteps - step);
            const size_t start = static_cast<size_t>(std::llround((sectionStep + step) * stepSeconds * rate));
            renderVoice(v, e, start, length * stepSeconds, rate, seed++ * 2654435761u, mix);
          }
        }
      }
    }
    sectionStep += sectionSteps;
    if (progress) progress(0.8 * (si + 1) / sections);
  }

  Bus master(total);
  const size_t delaySamples = static_cast<size_t>(std::llround(3 * stepSeconds * rate));  // dotted eighth
  addDelay(mix.delaySend, delaySamples, master, mix);
  if (progress) progress(0.85);
  addReverb(mix.reverbSend, rate, master, 1.0);
  if (progress) progress(0.95);

  // Side-chain: the ducked bus dips under every kick.
  for (size_t i = 0; i < total; ++i) {
    const double duck = 1.0 - 0.55 * mix.kickEnvelope[i];
    master.left[i] += static_cast<float>(mix.plain.left[i] + mix.ducked.left[i] * duck);
    master.right[i] += static_cast<float>(mix.plain.right[i] + mix.ducked.right[i] * duck);
  }

  // Soft limiter, then normalise the peak to about -1 dB.
  double peak = 1e-9;
  for (size_t i = 0; i < total; ++i) {
    master.left[i] = static_cast<float>(std::tanh(master.left[i] * 0.9));
    master.right[i] = static_cast<float>(std::tanh(master.right[i] * 0.9));
    peak = std::max({peak, std::fabs(static_cast<double>(master.left[i])), std::fabs(static_cast<double>(master.right[i]))});
  }
  const double norm = 0.89 / peak;
  std::vector<int16_t> out(total * 2);
  for (size_t i = 0; i < total; ++i) {
    out[2 * i] = static_cast<int16_t>(std::lrint(std::clamp(master.left[i] * norm, -1.0, 1.0) * 32767.0));
    out[2 * i + 1] = static_cast<int16_t>(std::lrint(std::clamp(master.right[i] * norm, -1.0, 1.0) * 32767.0));
  }
  if (progress) progress(1.0);
  return out;
}

}  // namespace glorbe::tools
