// Assembler and disassembler of the texture programs' text form.
#include "texprog/tex_text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <sstream>

#include "scripts/number_conversion.h"

namespace glorbe::tools {

const std::vector<TexOperationInfo>& texOperations() {
  static const std::vector<TexOperationInfo> ops = {
      {kTexNoise, "noise", {"layer", "cell", "seed", "range", "colour"}, "random samples every cell pixels, smoothed"},
      {kTexPlasma, "plasma", {"layer", "xfreq", "yfreq", "scale"}, "grey sum of two sines"},
      {kTexFractalNoise, "fractal", {"layer", "cell", "seed", "range", "persistence", "octaves", "colour"},
       "octaves of noise added up"},
      {kTexRadialGradient, "radial", {"layer", "falloff"}, "white centre fading outward"},
      {kTexFill, "fill", {"layer", "red", "green", "blue"}, "one colour"},
      {kTexBlend, "blend", {"a", "b", "to", "fa", "fb"}, "a * fa + b * fb"},
      {kTexMultiply, "multiply", {"a", "b", "to", "fa", "fb"}, "a * fa * b * fb / 255"},
      {kTexColourScale, "colourscale", {"from", "to", "red", "green", "blue"}, "channels times factors"},
      {kTexHsvScale, "hsvscale", {"from", "to", "hue", "sat", "value"}, "hue, saturation and value times factors"},
      {kTexAdd, "add", {"from", "to", "red", "green", "blue"}, "channels plus amounts"},
      {kTexHsvShift, "hsvshift", {"from", "to", "hue", "sat", "value"}, "hue, saturation and value plus amounts"},
      {kTexSineMap, "sinemap", {"from", "to", "red", "green", "blue"}, "channels through sines of given frequencies"},
      {kTexInvert, "invert", {"from", "to"}, "255 - channel"},
      {kTexEmboss, "emboss", {"from", "to"}, "horizontal relief around 128"},
      {kTexBitRotate, "bitrotate", {"from", "to", "shift"}, "channel bytes rotated left"},
      {kTexBlur, "blur", {"from", "to"}, "3 x 3 blur, wrapping"},
      {kTexSineDistortion, "sinedistort", {"from", "to", "yfreq", "xamp", "xfreq", "yamp"}, "rows and columns waved"},
      {kTexTwirl, "twirl", {"from", "to", "strength", "divisor"}, "turned around the centre"},
      {kTexDisplace, "displace", {"from", "map", "to", "xscale", "yscale"}, "moved by the brightness of a map"},
      {kTexTile, "tile", {"from", "to"}, "half size, two by two"},
  };
  return ops;
}

const TexOperationInfo* findTexOperation(int32_t opcode) {
  for (const TexOperationInfo& op : texOperations()) {
    if (op.opcode == opcode) return &op;
  }
  return nullptr;
}

const TexOperationInfo* findTexOperation(const std::string& name) {
  for (const TexOperationInfo& op : texOperations()) {
    if (name == op.name) return &op;
  }
  return nullptr;
}

std::string formatTexValue(float value) {
  if (!std::isfinite(value)) {
    char text[16];
    std::snprintf(text, sizeof text, "bits:%08x", std::bit_cast<uint32_t>(value));
    return text;
  }
  char text[48];
  if (value == std::trunc(value) && std::fabs(value) < 1e15f) {
    std::snprintf(text, sizeof text, "%.0f", static_cast<double>(value));  // whole numbers as written: 10, -3
    return text;
  }
  for (int digits = 1; digits <= 9; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
    if (std::strtof(text, nullptr) == value && std::signbit(std::strtof(text, nullptr)) == std::signbit(value)) break;
  }
  return text;
}

namespace {

std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  std::string w;
  while (in >> w) out.push_back(w);
  return out;
}

// A parameter index for `key`: one of the operation's names, or p0..p9.
int paramIndex(const TexOperationInfo* op, const std::string& key) {
  if (op != nullptr) {
    for (size_t i = 0; i < op->params.size(); ++i) {
      if (key == op->params[i]) return static_cast<int>(i);
    }
  }
  if (key.size() == 2 && key[0] == 'p' && key[1] >= '0' && key[1] <= '9') return key[1] - '0';
  return -1;
}

bool parseValue(const std::string& text, float& value) {
  if (text.rfind("bits:", 0) == 0) {
    const std::string hex = text.substr(5);
    if (hex.empty() || hex.size() > 8 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
      return false;
    }
    value = std::bit_cast<float>(static_cast<uint32_t>(std::strtoul(hex.c_str(), nullptr, 16)));
    return true;
  }
  const auto real = parseReal(text);
  if (!real) return false;
  // Decimals a little above the largest float still round to it (the
  // disassembler writes it as 3.4028235e+38); from half a step above, a
  // float would be infinite.
  constexpr long double kLargest = std::numeric_limits<float>::max();
  const long double halfStep = std::ldexp(1.0L, std::numeric_limits<float>::max_exponent - 1 - std::numeric_limits<float>::digits);
  if (std::fabs(*real) >= kLargest + halfStep) return false;
  if (std::fabs(*real) > kLargest) {
    value = std::signbit(*real) ? -std::numeric_limits<float>::max() : std::numeric_limits<float>::max();
  } else {
    value = static_cast<float>(*real);
  }
  return true;
}

std::string paramNames(const TexOperationInfo* op) {
  std::string out;
  for (const char* p : op->params) out += std::string(out.empty() ? "" : " ") + p;
  return out;
}

}  // namespace

bool assembleTexProgram(const std::string& text, const std::string& sourceName, TexProgram& program,
                        std::string& error) {
  program = TexProgram{};
  std::array<bool, kTexStepListCount> started{};
  int list = 0;
  bool anyListLine = false;
  std::istringstream in(text);
  std::string raw;
  for (int lineNumber = 1; std::getline(in, raw); ++lineNumber) {
    auto fail = [&](const std::string& message) {
      error = sourceName + ":" + std::to_string(lineNumber) + ": " + message;
      return false;
    };
    const size_t hash = raw.find('#');
    const std::vector<std::string> w = words(hash == std::string::npos ? raw : raw.substr(0, hash));
    if (w.empty()) continue;

    if (w[0] == "list") {
      const auto n = w.size() == 2 ? parseInteger(w[1]) : std::nullopt;
      if (!n || *n < 0 || *n >= kTexStepListCount) return fail("expected \"list N\" with N from 0 to 4");
      if (started[static_cast<size_t>(*n)] || (*n == 0 && !anyListLine && program.lists[0].stepCount > 0)) {
        return fail("list " + w[1] + " is given twice");
      }
      list = *n;
      started[static_cast<size_t>(list)] = true;
      anyListLine = true;
      continue;
    }

    const TexOperationInfo* op = nullptr;
    int32_t opcode = 0;
    size_t first = 1;
    if (w[0] == "op") {
      const auto n = w.size() >= 2 ? parseInteger(w[1]) : std::nullopt;
      if (!n) return fail("expected \"op NUMBER\" followed by parameters p0=... to p9=...");
      opcode = *n;
      op = findTexOperation(opcode);
      first = 2;
    } else {
      op = findTexOperation(w[0]);
      if (op == nullptr) return fail("unknown operation \"" + w[0] + "\"");
      opcode = op->opcode;
    }

    TexStepList& steps = program.lists[static_cast<size_t>(list)];
    if (steps.stepCount >= kTexMaxSteps) {
      return fail("list " + std::to_string(list) + " has more than " + std::to_string(kTexMaxSteps) + " steps");
    }
    TexParams params{};
    std::array<bool, kTexParamCount> given{};
    for (size_t i = first; i < w.size(); ++i) {
      const size_t eq = w[i].find('=');
      if (eq == std::string::npos || eq == 0) return fail("expected NAME=VALUE, not \"" + w[i] + "\"");
      const std::string key = w[i].substr(0, eq), value = w[i].substr(eq + 1);
      const int index = paramIndex(op, key);
      if (index < 0) {
        return fail("\"" + key + "\" is not a parameter of " + w[0] +
                    (op != nullptr ? " (its parameters: " + paramNames(op) + ", or p0 to p9)" : " (use p0 to p9)"));
      }
      if (given[static_cast<size_t>(index)]) return fail("parameter \"" + key + "\" is given twice");
      given[static_cast<size_t>(index)] = true;
      if (!parseValue(value, params[static_cast<size_t>(index)])) {
        return fail("\"" + value + "\" is not a number (a decimal such as 0.25, or bits:HEX for a raw float)");
      }
    }
    steps.opcodes[static_cast<size_t>(steps.stepCount)] = opcode;
    steps.params[static_cast<size_t>(steps.stepCount)] = params;
    ++steps.stepCount;
  }
  return true;
}

std::string disassembleTexProgram(const TexProgram& program) {
  std::string out;
  for (int l = 0; l < kTexStepListCount; ++l) {
    const TexStepList& list = program.lists[static_cast<size_t>(l)];
    const int32_t count = std::clamp<int32_t>(list.stepCount, 0, kTexMaxSteps);
    if (count == 0 && list.stepCount == 0) continue;
    out += "list " + std::to_string(l) + "\n";
    if (count != list.stepCount) {
      out += "# the file gives this list " + std::to_string(list.stepCount) + " steps; the engine runs " +
             std::to_string(count) + "\n";
    }
    for (int32_t s = 0; s < count; ++s) {
      const int32_t opcode = list.opcodes[static_cast<size_t>(s)];
      const TexParams& p = list.params[static_cast<size_t>(s)];
      const TexOperationInfo* op = findTexOperation(opcode);
      std::string line = op != nullptr ? op->name : "op " + std::to_string(opcode);
      const size_t named = op != nullptr ? op->params.size() : 0;
      for (size_t k = 0; k < kTexParamCount; ++k) {
        const bool zero = std::bit_cast<uint32_t>(p[k]) == 0;
        if (k < named) line += std::string(" ") + op->params[k] + "=" + formatTexValue(p[k]);
        else if (!zero) line += " p" + std::to_string(k) + "=" + formatTexValue(p[k]);
      }
      if (op == nullptr) line += "  # not an operation: the engine skips it";
      out += line + "\n";
    }
  }
  return out;
}

}  // namespace glorbe::tools
